#!/usr/bin/env python3
"""ReplayBench.py — how long `varnholt-cli replay` takes for many saved reports under two scripts.

    ReplayBench.py BUILD [--reports 1000] [--per-run 40]

Makes an application folder with the build's engine, and REPORTS distinct saved reports (the readable
samples, each made unique by a comment after its end, so that every one has its own SHA-256). Then times:
  cold   the replay with an empty text cache (every report read by the engine once)
  warm   the same replay again (every text from the cache)
  run    `varnholt-cli run --automatic` once per report and script, the way to find the same answer without
         a replay; timed over PER_RUN reports and scaled to REPORTS.
"""
import argparse
import json
import os
import pathlib
import shutil
import subprocess
import tempfile
import time

SAMPLES = ["ms_quant_report.pdf", "gc_run_report.pdf", "lc_report_5pages.pdf", "gc_us_date.pdf",
           "ms_long_sample_name.pdf", "unknown_instrument_report.pdf", "gc_accented_operator.pdf",
           "lc_landscape_rotate90.pdf"]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--reports", type=int, default=1000)
    parser.add_argument("--per-run", type=int, default=40)
    args = parser.parse_args()
    build = pathlib.Path(args.build).resolve()
    cli = build / "app" / "varnholt-cli"
    data = pathlib.Path(__file__).resolve().parents[2] / "tests" / "data" / "engine" / "reports"

    with tempfile.TemporaryDirectory() as temp:
        temp = pathlib.Path(temp)
        app = temp / "app"
        (app / "drives" / "c" / "PDF").mkdir(parents=True)
        for program in ("PDF.EXE", "PDFEDIT.EXE"):
            shutil.copy2(build / "app" / program, app / program)
        saved = temp / "saved"
        saved.mkdir()
        samples = [(data / name).read_bytes() for name in SAMPLES]
        for i in range(args.reports):
            (saved / f"report{i:05d}.pdf").write_bytes(samples[i % len(samples)] + f"\n% copy {i}\n".encode())
        # The candidate files quantitation reports into a folder of their own.
        baseline = temp / "old.ps"
        baseline.write_text(STANDARD, encoding="latin-1")
        script = temp / "new.ps"
        ms_name = "  SampleName := Left(After(SampleName,':'),16)"
        script.write_text(STANDARD.replace(ms_name, ms_name + "\r\n  SampleName := 'MS\\' + SampleName", 1),
                          encoding="latin-1")

        def replay():
            started = time.monotonic()
            done = subprocess.run([str(cli), "replay", "--app-folder", str(app), "--script", str(script),
                                   "--baseline", str(baseline), "--json", str(saved)], capture_output=True)
            elapsed = time.monotonic() - started
            if done.returncode not in (0, 1):
                raise SystemExit(f"replay failed ({done.returncode}): {done.stderr.decode()}")
            return elapsed, json.loads(done.stdout)["summary"]

        cold, summary = replay()
        warm, _ = replay()

        queue = app / "drives" / "c" / "PDF"
        files = sorted(saved.iterdir())[: args.per_run]
        started = time.monotonic()
        for path in files:
            for which in (baseline, script):
                shutil.copy2(path, queue / path.name)
                subprocess.run([str(cli), "run", "--app-folder", str(app), "--automatic", "--script", str(which),
                                f"C:\\PDF\\{path.name}"], capture_output=True)
        per_report = (time.monotonic() - started) / len(files)

    print(f"replay of {args.reports} reports under two scripts on {os.cpu_count()} processors: "
          f"{summary['same']} same, {summary['different']} different, {summary['errors']} errors")
    print(f"  cold (texts read by the engine): {cold:7.2f} s  ({cold / args.reports * 1000:.1f} ms a report)")
    print(f"  warm (texts from the cache):     {warm:7.2f} s  ({warm / args.reports * 1000:.1f} ms a report)")
    print(f"  run --automatic twice a report:  {per_report * args.reports:7.2f} s  "
          f"(measured over {len(files)} reports, {per_report * 1000:.1f} ms a report)")


STANDARD = "\r\n".join([
    "SampleName := ''", "", "//MS", "if PDFContains('Quantitation Report') then begin",
    "  SampleName := PDFBetween('Sample',NewLine)", "  SampleName := Left(After(SampleName,':'),16)", "end", "",
    "//GCLC", "if PDFContains('Acq. Operator') then begin", "  SampleName := PDFBetween('Sample Name',NewLine)",
    "  SampleName := Left(After(SampleName,':'),16)", "end", "", "Log('SampleName',SampleName)", "",
    "//PDF Destination", "if SampleName<>'' then begin", "  Destination := 'C:\\PDFSTORE\\'+SampleName+'.PDF'",
    "end else begin", "  Destination := FailedFolder + PDFName", "  LogErr('Unrecognized',Destination)", "end", "",
    "if IsAutomatic then begin", "  PDFMoveTo(Destination)", "end", ""])

if __name__ == "__main__":
    main()

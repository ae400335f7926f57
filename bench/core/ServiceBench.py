#!/usr/bin/env python3
"""ServiceBench.py — whole-program timings of filing a report, in a temporary application folder.

  ServiceBench.py BUILD run       run --automatic on one report, beside extract and PDF.EXE alone
  ServiceBench.py BUILD latency   watch: from a report closed in the queue to the report filed (20 reports)
  ServiceBench.py BUILD backlog N watch: N reports already queued at start; files a minute, peak memory

The reports are copies of the MS sample report; the standard script files them all under one sample name,
so every report after the first gets the next number.
"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SAMPLE = os.path.join(ROOT, "tests", "data", "engine", "reports", "ms_quant_report.pdf")


def make_app(build):
    app = tempfile.mkdtemp(prefix="varnholt-bench-")
    for program in ("varnholt-cli", "PDF.EXE", "PDFEDIT.EXE"):
        shutil.copy2(os.path.join(build, "app", program), app)
    os.makedirs(os.path.join(app, "drives", "c", "PDF"))
    return app


def queue(app):
    return os.path.join(app, "drives", "c", "PDF")


def store_count(app):
    store = os.path.join(app, "drives", "c", "PDFSTORE")
    return len(os.listdir(store)) if os.path.isdir(store) else 0


def ms(seconds):
    return f"{seconds * 1000:.1f} ms"


def bench_run(build, rounds=30):
    app = make_app(build)
    cli = os.path.join(app, "varnholt-cli")
    timings = {"PDF.EXE EXTRACT alone": [], "varnholt-cli extract": [], "varnholt-cli run --automatic": []}
    for i in range(rounds):
        name = f"r{i}.pdf"
        shutil.copy(SAMPLE, os.path.join(queue(app), name))
        with open(os.path.join(app, "PDFENV.TXT"), "w", newline="") as env:
            env.write(f"PDFFILE=C:\\PDF\\{name}\r\nPDFACTION=EXTRACT\r\nPDFOWNER=\r\nPDFUSER=\r\n")
        t = time.perf_counter()
        subprocess.run([os.path.join(app, "PDF.EXE")], cwd=app, check=True)
        timings["PDF.EXE EXTRACT alone"].append(time.perf_counter() - t)
        t = time.perf_counter()
        subprocess.run([cli, "--app-folder", app, "extract", f"C:\\PDF\\{name}"], stdout=subprocess.DEVNULL, check=True)
        timings["varnholt-cli extract"].append(time.perf_counter() - t)
        t = time.perf_counter()
        subprocess.run([cli, "--app-folder", app, "run", "--automatic", f"C:\\PDF\\{name}"], stdout=subprocess.DEVNULL,
                       check=True)
        timings["varnholt-cli run --automatic"].append(time.perf_counter() - t)
    for what, values in timings.items():
        print(f"{what:32s} median {ms(statistics.median(values))}  min {ms(min(values))}")
    extra = statistics.median(timings["varnholt-cli run --automatic"]) - statistics.median(timings["varnholt-cli extract"])
    print(f"{'script and placement add':32s} {ms(extra)} (median of run --automatic minus median of extract)")
    shutil.rmtree(app)


def start_watch(app):
    proc = subprocess.Popen([os.path.join(app, "varnholt-cli"), "--app-folder", app, "watch"],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    while not os.path.exists(os.path.join(app, "Varnholt.PS")):
        time.sleep(0.05)
    return proc


def rss_kib(pid, field):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith(field):
                return int(line.split()[1])
    return 0


def bench_latency(build, rounds=20):
    app = make_app(build)
    proc = start_watch(app)
    data = open(SAMPLE, "rb").read()
    latencies = []
    for i in range(rounds):
        before = store_count(app)
        with open(os.path.join(queue(app), f"job{i}.pdf"), "wb") as job:
            job.write(data)
        closed = time.perf_counter()
        while store_count(app) == before:
            time.sleep(0.005)
        latencies.append(time.perf_counter() - closed)
        time.sleep(1.5)  # an idle queue between reports, as reports arrive one by one
    proc.terminate()
    proc.wait()
    print(f"closed in the queue -> filed, {rounds} reports: median {ms(statistics.median(latencies))}, "
          f"worst {ms(max(latencies))}, best {ms(min(latencies))}")
    shutil.rmtree(app)


def bench_backlog(build, count):
    app = make_app(build)
    for i in range(count):
        shutil.copy(SAMPLE, os.path.join(queue(app), f"job{i:05d}.pdf"))
    start = time.perf_counter()
    proc = start_watch(app)
    marks = {}
    while store_count(app) < count:
        filed = store_count(app)
        for mark in (100, count):
            if filed >= mark and mark not in marks:
                marks[mark] = (rss_kib(proc.pid, "VmRSS:"), rss_kib(proc.pid, "VmHWM:"))
        time.sleep(0.2)
    elapsed = time.perf_counter() - start
    marks.setdefault(count, (rss_kib(proc.pid, "VmRSS:"), rss_kib(proc.pid, "VmHWM:")))
    proc.terminate()
    proc.wait()
    print(f"backlog of {count}: drained in {elapsed:.1f} s, {count / elapsed * 60:.1f} files a minute")
    for mark, (rss, hwm) in sorted(marks.items()):
        print(f"  after {mark} files: resident {rss / 1024:.1f} MiB, peak resident {hwm / 1024:.1f} MiB")
    shutil.rmtree(app)


if __name__ == "__main__":
    build, what = sys.argv[1], sys.argv[2]
    if what == "run":
        bench_run(build)
    elif what == "latency":
        bench_latency(build)
    elif what == "backlog":
        bench_backlog(build, int(sys.argv[3]) if len(sys.argv) > 3 else 1000)
    else:
        sys.exit(__doc__)

#!/usr/bin/env python3
"""Soak.py — proves that every report dropped into the queue lands in exactly one place, whatever happens.

  Soak.py BUILD [--reports N] [--bad-every K] [--kills M] [--seed S] [--interval SECONDS] [--json]

Starts `varnholt-cli watch --yes` in a temporary application folder (a copy of BUILD/app), prints N reports
into its queue the way a PDF printer does, one in K of them bad (damaged, empty, not a PDF, encrypted with a
password the folder does not have), and meanwhile makes M kills at seeded random moments: the service with
SIGKILL (restarted at once, as a supervisor would) or a running engine program of this folder (PDF.EXE,
PDFEDIT.EXE). Then it waits for the queue to drain, stops the service with SIGTERM and checks:

- every good report is filed exactly once where the standard script puts it (C:\\PDFSTORE\\<sample>.PDF,
  an unrecognised one C:\\PDF\\FAILED\\<name>), byte for byte (SHA-256); every bad one is in C:\\PDF\\FAILED
  exactly once; nothing is left in the queue; no report is anywhere twice; no file nobody dropped;
- the service never stopped by itself, except the documented emergency stop after its engine was killed,
  and it ends with status 0 on SIGTERM;
- the log Varnholt.LOG: every line well formed; the Start record of every service start and a filing
  record ("Done"/"Moved") for every filing, strictly where the log keeps everything (fewer lines than the
  logger's capacity, or every run after the oldest one the log still reaches back to); no record twice.
  Where the log does not promise anything it prints a warning instead.

Good reports have sample names of their own, so each has exactly one expected place whatever the order of
filing and however often the service was killed: the real samples once each, the rest small generated
reports in the two layouts the standard script knows, with sample names that include spaces, accented
letters and characters that need care in file names. Exit status 0 when nothing was violated, 1 otherwise.
"""
import argparse
import hashlib
import json
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SAMPLES = os.path.join(ROOT, "tests", "data", "engine", "reports")
PROGRAMS = ("varnholt-cli", "PDF.EXE", "PDFEDIT.EXE")
ENGINES = ("PDF.EXE", "PDFEDIT.EXE")
FORBIDDEN = '/?:*"<>|'
# Records that say a report was put somewhere: the script's move (or the move to FAILED it falls back on)
# and the post action's move of a report the script left behind.
FILING_RECORDS = {("PdfCopyMoveTo", "Done"), ("MoveToFailed", "Done"), ("Post Action", "Moved")}
LOG_TYPES = {"Sys", "Err", "Scr", "Msg", "Prc"}
EXIT_EMERGENCY_STOP = 3


def log_capacity():
    """The number of lines the logger keeps, from the logger's own header."""
    try:
        with open(os.path.join(ROOT, "logging", "uLogger.h"), encoding="utf-8") as header:
            found = re.search(r"kDefaultLogCapacity\s*=\s*(\d+)", header.read())
            if found:
                return int(found.group(1))
    except OSError:
        pass
    return 1000


def sha256(data):
    return hashlib.sha256(data).hexdigest()


def store_path(sample):
    """Where the standard script files a report of this sample name, relative to drive C."""
    name = "".join("_" if c in FORBIDDEN else "/" if c == "\\" else c for c in sample)
    return "PDFSTORE/" + name + ".PDF"


# ---------------------------------------------------------------------------------------------- reports

def pdf_literal(text):
    raw = text.encode("cp1252")
    return b"(" + raw.replace(b"\\", b"\\\\").replace(b"(", b"\\(").replace(b")", b"\\)") + b")"


def make_pdf(lines, pages=1):
    """A PDF that shows the lines in Courier, one under the other, uncompressed, on each of its pages."""
    content = b"BT /F1 9 Tf 11 TL 50 740 Td\n" + b"".join(pdf_literal(line) + b" Tj T*\n" for line in lines) + b"ET\n"
    # Objects 1 to 3 are the catalog, the page tree and the font; then a page and its content, page by page.
    kids = b" ".join(str(4 + 2 * i).encode() + b" 0 R" for i in range(pages))
    objects = [
        b"<< /Type /Catalog /Pages 2 0 R >>",
        b"<< /Type /Pages /Kids [" + kids + b"] /Count " + str(pages).encode() + b" >>",
        b"<< /Type /Font /Subtype /Type1 /BaseFont /Courier /Encoding /WinAnsiEncoding >>",
    ]
    for i in range(pages):
        objects.append(b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 3 0 R >> "
                       b">> /Contents " + str(5 + 2 * i).encode() + b" 0 R >>")
        objects.append(b"<< /Length " + str(len(content)).encode() + b" >>\nstream\n" + content + b"endstream")
    out = bytearray(b"%PDF-1.4\n%\xe2\xe3\xcf\xd3\n")
    offsets = []
    for number, body in enumerate(objects, 1):
        offsets.append(len(out))
        out += str(number).encode() + b" 0 obj\n" + body + b"\nendobj\n"
    xref = len(out)
    out += b"xref\n0 " + str(len(objects) + 1).encode() + b"\n0000000000 65535 f \n"
    for offset in offsets:
        out += b"%010d 00000 n \n" % offset
    out += b"trailer\n<< /Size " + str(len(objects) + 1).encode() + b" /Root 1 0 R >>\nstartxref\n"
    out += str(xref).encode() + b"\n%%EOF\n"
    return bytes(out)


# Pages of the long report dropped for each engine kill: long enough to read that a kill lands mid-request.
HEAVY_PAGES = 3000

# Sample names of the generated reports: at most 16 characters (the standard script keeps 16), unique
# once the forbidden characters have become "_".
NAME_PATTERNS = ("SOAK-{n}", "Süd Probe {n}", "R&D #{n}", "Lot (A) {n}", "Müller+{n}", "x 100% {n}",
                 "Café {n}", "Q*{n}")


def generated_report(index, seed, pages=1, pattern=None):
    n = f"{index:05d}"
    sample = (pattern or NAME_PATTERNS[index % len(NAME_PATTERNS)]).format(n=n)
    if index % 2 == 0:
        lines = ["Quantitation Report    (Soak)", f"Data File   : SOAK{n}.D", f"Acq On      : run {seed}",
                 "Operator    : soak", "Instrument  : MS-SOAK", f"Sample      : {sample}",
                 "Misc        : generated", "Compound    Response"]
    else:
        lines = [f"Data File C:\\SOAK\\{n}.D", f"Sample Name: {sample}", "=" * 40,
                 "Acq. Operator   : soak", "Acq. Instrument : GC-SOAK", f"Injection Date  : run {seed}",
                 "Area Percent Report"]
    return sample, make_pdf(lines, pages)


def sample_catalogue():
    """(good, bad): the real samples with their expected places and the ones the engine cannot read."""
    with open(os.path.join(SAMPLES, "expected.json"), encoding="utf-8") as f:
        files = json.load(f)["files"]
    good, bad = [], []
    for entry in files:
        data = open(os.path.join(SAMPLES, entry["file"]), "rb").read()
        if isinstance(entry["password"], dict) or not entry["standard_script"]:
            bad.append((entry["file"], data))
            continue
        branch = entry["standard_script"]["layout"]["branch"]
        sample = entry["standard_script"]["layout"]["sample_name"] if branch else None
        if entry["kind"] == "image-only":
            sample = entry["values"]["sample_name"]  # read by OCR: the standard script finds its name
        good.append((entry["file"], data, sample))
    return good, bad


class Report:
    def __init__(self, number, name, data, expected, kind, origin):
        self.number = number
        self.name = name          # the name it is printed under in the queue
        self.data = data
        self.sha = sha256(data)
        self.expected = expected  # where it must end, relative to drive C
        self.kind = kind          # "good" or "bad"
        self.origin = origin      # the sample it came from
        self.engine_killed = False


def plan_reports(count, bad_every, rng, seed):
    good_samples, bad_samples = sample_catalogue()
    # Bad ones of every kind early on: a damaged one, then an encrypted one, and so on.
    damaged = [b for b in bad_samples if "encrypted" not in b[0]]
    encrypted = [b for b in bad_samples if "encrypted" in b[0]]
    rng.shuffle(damaged)
    rng.shuffle(encrypted)
    bad_samples = [b for pair in zip(damaged, encrypted) for b in pair] + damaged[len(encrypted):] + \
        encrypted[len(damaged):]
    reports = []
    generated = 0
    real = list(good_samples)
    for number in range(count):
        name_prefix = f"r{number:05d}"
        if bad_every > 0 and number % bad_every == bad_every - 1:
            origin, data = bad_samples[(number // bad_every) % len(bad_samples)]
            # A damaged file stays damaged with a line of its own at the end; so its bytes are its own.
            if origin.endswith("truncated.pdf") or origin == "not_a_pdf.pdf":
                data = data + f"\n% soak {seed} {number}\n".encode()
            name = f"{name_prefix}-bad-{origin}"
            reports.append(Report(number, name, data, "PDF/FAILED/" + name, "bad", origin))
        elif real:
            origin, data, sample = real.pop(0)
            name = f"{name_prefix}-{origin}"
            expected = store_path(sample) if sample else "PDF/FAILED/" + name
            reports.append(Report(number, name, data, expected, "good", origin))
        else:
            sample, data = generated_report(generated, seed)
            generated += 1
            name = f"{name_prefix}-soak.pdf"
            reports.append(Report(number, name, data, store_path(sample), "good", "generated"))
    rng.shuffle(reports)
    return reports


# ---------------------------------------------------------------------------------------------- processes

HAVE_CHILDREN_FILE = os.path.exists(f"/proc/self/task/{os.getpid()}/children")
_parents = {}  # pid -> parent pid, for the kernels without a list of children


def children(pid):
    """The process ids of the children of pid."""
    result = []
    if HAVE_CHILDREN_FILE:
        try:
            for task in os.listdir(f"/proc/{pid}/task"):
                with open(f"/proc/{pid}/task/{task}/children") as f:
                    result += [int(p) for p in f.read().split()]
        except OSError:
            pass
        return result
    # Every process whose parent is pid; a process's parent is read once, as it cannot change but by the
    # parent's end (and then it is no engine of ours any more).
    running = {int(e) for e in os.listdir("/proc") if e.isdigit()}
    for gone in set(_parents) - running:
        del _parents[gone]
    for new in running - set(_parents):
        try:
            with open(f"/proc/{new}/stat") as f:
                _parents[new] = int(f.read().rsplit(")", 1)[1].split()[1])
        except (OSError, ValueError, IndexError):
            pass
    return [child for child, parent in _parents.items() if parent == pid]


def link(pid, what):
    try:
        return os.readlink(f"/proc/{pid}/{what}")
    except OSError:
        return ""


class Soak:
    def __init__(self, args):
        self.args = args
        self.rng = random.Random(args.seed)
        self.root = tempfile.mkdtemp(prefix="varnholt-soak-")
        self.app = os.path.join(self.root, "app")
        self.staging = os.path.join(self.root, "staging")
        self.capture = os.path.join(self.root, "capture")
        self.drive = os.path.join(self.app, "drives", "c")
        self.queue = os.path.join(self.drive, "PDF")
        self.failed = os.path.join(self.queue, "FAILED")
        self.store = os.path.join(self.drive, "PDFSTORE")
        self.violations = []
        self.warnings = []
        self.notes = []
        self.service = None
        self.runs = 0                 # service starts
        self.run_exits = []           # (run, how it ended)
        self.first_seen = {}          # relative path -> run that was active when it appeared
        self.filed_at_kill = set()    # relative paths first seen just after a kill of the service
        self.kills = {"service": 0, "engine": 0, "skipped": 0}
        self.emergency_after_engine_kill = 0
        self.unexpected_exits = 0
        self.last_engine_kill = None  # (run, time)
        self.writers = []
        self.dropped = 0
        self.gave_up = False

    # -- the application folder and the service

    def prepare(self):
        os.makedirs(self.app)
        os.makedirs(self.staging)
        os.makedirs(self.capture)
        for program in PROGRAMS:
            shutil.copy2(os.path.join(self.args.build, "app", program), self.app)
        os.makedirs(self.queue)
        # No printer of this machine may get the bad reports: the paper printer is "none".
        self.cli("settings", "set", "/fmOstrevane.rsPropSaver1/cbPaperPrinter.Text", "[None]")

    def environment(self):
        env = dict(os.environ)
        # Nothing of the machine's locale, time zone or printing: C.UTF-8, UTC, and a CUPS server that
        # does not exist, so the printer list is empty without asking the network.
        env.update(LC_ALL="C.UTF-8", TZ="UTC", CUPS_SERVER=os.path.join(self.root, "no-cups.sock"))
        env.pop("LANG", None)
        env.pop("LANGUAGE", None)
        return env

    def cli(self, *arguments):
        return subprocess.run([os.path.join(self.app, "varnholt-cli"), "--app-folder", self.app, *arguments],
                              env=self.environment(), stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              timeout=60, check=True)

    def start_service(self):
        self.runs += 1
        out = open(os.path.join(self.capture, f"run{self.runs}.out"), "wb")
        err = open(os.path.join(self.capture, f"run{self.runs}.err"), "wb")
        self.service = subprocess.Popen([os.path.join(self.app, "varnholt-cli"), "--app-folder", self.app, "watch",
                                         "--yes"], env=self.environment(), stdout=out, stderr=err)
        out.close()
        err.close()

    def service_error_text(self, run):
        try:
            with open(os.path.join(self.capture, f"run{run}.err"), encoding="utf-8", errors="replace") as f:
                return " ".join(f.read().split())[:300]
        except OSError:
            return ""

    def exit_reason(self, run):
        """Why the service's last run stopped, from its log records, else what it printed."""
        try:
            with open(os.path.join(self.app, "Varnholt.LOG"), "rb") as f:
                lines = f.read().decode("cp1252", errors="replace").split("\r\n")
        except OSError:
            lines = []
        starts = [i for i, line in enumerate(lines) if "\tVarnholt\tWatch\tStart\t" in line]
        errors = [line.split("\t") for line in lines[starts[-1] if starts else 0:]]
        errors = [f for f in errors if len(f) == 7 and f[2] == "Err"]
        # The error that made the emergency stop is the one written just before it.
        stop = next((i for i, f in enumerate(errors) if f[4] == "EmergencyStop"), None)
        chosen = errors[stop - 1] if stop else errors[0] if errors else None
        reason = " ".join(chosen[3:]) if chosen else self.service_error_text(run) or "no message"
        if self.last_engine_kill is not None and self.last_engine_kill[0] == run:
            reason += f" (its engine was killed {time.monotonic() - self.last_engine_kill[1]:.1f} s before)"
        return reason

    def engines(self):
        """The engine programs of this soak's folder now running: (pid, program)."""
        found = []
        pending = [self.service.pid] if self.service else []
        seen = set()
        while pending:
            pid = pending.pop()
            for child in children(pid):
                if child in seen:
                    continue
                seen.add(child)
                pending.append(child)
                exe = link(child, "exe")
                if os.path.dirname(exe) == self.app and os.path.basename(exe) in ENGINES and \
                        link(child, "cwd") == self.app:
                    found.append((child, os.path.basename(exe)))
        return found

    # -- watching the folders

    def filed_files(self):
        """Relative paths of the visible files in the places a report can be filed to."""
        result = []
        for top in (self.store, self.failed):
            for folder, dirs, files in os.walk(top):
                dirs[:] = [d for d in dirs if not d.startswith(".")]
                for name in files:
                    if not name.startswith("."):
                        result.append(os.path.relpath(os.path.join(folder, name), self.drive))
        return result

    def observe(self):
        files = self.filed_files()
        for path in files:
            self.first_seen.setdefault(path, self.runs)
        return len(files)

    def queue_pdfs(self):
        try:
            return [n for n in os.listdir(self.queue) if not n.startswith(".") and n.lower().endswith(".pdf")]
        except OSError:
            return []

    def sleep(self, seconds):
        """Sleeps while watching the folders and the service."""
        end = time.monotonic() + seconds
        while True:
            self.observe()
            self.supervise()
            left = end - time.monotonic()
            if left <= 0:
                return
            time.sleep(min(0.05, left))

    def supervise(self):
        """Restarts a service that ended by itself, as a supervisor would; notes why it ended."""
        if self.service is None or self.gave_up or self.service.poll() is None:
            return
        status = self.service.returncode
        self.observe()
        run = self.runs
        self.service = None
        engine_killed = self.last_engine_kill is not None and self.last_engine_kill[0] == run and \
            time.monotonic() - self.last_engine_kill[1] < 10
        if status == EXIT_EMERGENCY_STOP and engine_killed:
            # An engine error stops Automatic mode by design; the report stays in the queue for the restart.
            self.emergency_after_engine_kill += 1
            self.run_exits.append((run, "emergency stop after its engine was killed"))
        else:
            self.unexpected_exits += 1
            self.violate(f"service run {run} ended by itself with status {status}: {self.exit_reason(run)}")
            self.run_exits.append((run, f"ended by itself, status {status}"))
        # A service that stops again and again without filing anything has stopped for good.
        filed_in_run = sum(1 for r in self.first_seen.values() if r == run)
        self.no_progress_exits = 0 if filed_in_run else getattr(self, "no_progress_exits", 0) + 1
        if self.no_progress_exits >= 3:
            self.gave_up = True
            self.violate(f"the service stopped {self.no_progress_exits} times in a row without filing a report; "
                         "the soak gave up restarting it")
            return
        time.sleep(0.5)
        self.start_service()

    # -- printing into the queue

    def drop(self, report):
        """Prints one report into the queue the way a printer does, in a thread of its own."""
        way = self.rng.choice(("outside", "hidden", "in place"))
        pause = self.rng.uniform(0.2, 1.0)

        def write():
            target = os.path.join(self.queue, report.name)
            if way == "outside":
                temporary = os.path.join(self.staging, report.name)
                with open(temporary, "wb") as f:
                    f.write(report.data)
                os.rename(temporary, target)
            elif way == "hidden":
                temporary = os.path.join(self.queue, f".{report.name}.print")
                with open(temporary, "wb") as f:
                    f.write(report.data[:len(report.data) // 2])
                    f.flush()
                    time.sleep(pause)
                    f.write(report.data[len(report.data) // 2:])
                os.rename(temporary, target)
            else:
                # Written in place and held open: the service must wait for the close.
                with open(target, "wb") as f:
                    f.write(report.data[:len(report.data) // 2])
                    f.flush()
                    time.sleep(pause)
                    f.write(report.data[len(report.data) // 2:])

        thread = threading.Thread(target=write, daemon=True)
        thread.start()
        self.writers.append(thread)
        self.dropped += 1

    # -- kills

    def kill_engine(self):
        _parents.clear()
        # A report is read in a few milliseconds; a long one of its own gives the kill an engine to hit.
        heavy = len([r for r in self.reports if r.origin == "generated, long"])
        sample, data = generated_report(heavy, self.args.seed, pages=HEAVY_PAGES, pattern="LONG-{n}")
        report = Report(len(self.reports), f"r{len(self.reports):05d}-long.pdf", data, store_path(sample), "good",
                        "generated, long")
        self.reports.append(report)
        self.drop(report)
        end = time.monotonic() + 20
        while time.monotonic() < end and self.service is not None:
            running = self.engines()
            if running:
                time.sleep(self.rng.uniform(0, 0.02))
                request = ""
                try:
                    with open(os.path.join(self.app, "PDFENV.TXT"), encoding="cp1252") as f:
                        for line in f:
                            if line.startswith("PDFFILE="):
                                request = line[len("PDFFILE="):].strip()
                except OSError:
                    pass
                pid, program = running[0]
                if link(pid, "exe") != os.path.join(self.app, program):
                    continue  # ended meanwhile; its number may already be another process's
                try:
                    os.kill(pid, signal.SIGKILL)
                except ProcessLookupError:
                    continue
                self.kills["engine"] += 1
                self.last_engine_kill = (self.runs, time.monotonic())
                name = request.rsplit("\\", 1)[-1]
                for report in self.reports:
                    if report.name == name:
                        report.engine_killed = True
                self.notes.append(f"killed {program} (run {self.runs}) working on {name or 'an unknown request'}")
                return
            self.observe()
            self.supervise()
            time.sleep(0.001)
        self.kills["skipped"] += 1
        self.notes.append("an engine kill was skipped: no engine ran within 20 s")

    def kill_service(self, moment):
        self.supervise()  # a service that has just stopped by itself is restarted first
        if self.service is None:
            self.kills["skipped"] += 1
            self.notes.append(f"a service kill {moment} was skipped: the service is not running")
            return
        _parents.clear()
        if moment == "after an engine run":
            # Just after the engine has answered: the script runs and the report is being placed.
            end = time.monotonic() + 20
            while time.monotonic() < end and not self.engines():
                time.sleep(0.001)
            while time.monotonic() < end and self.engines():
                time.sleep(0.001)
            time.sleep(self.rng.uniform(0, 0.05))
        elif moment in ("while copying a report", "as a filed report appears"):
            # A copy is written under a hidden name first and then gets its own name; the report may still
            # be in the queue at either moment.
            hidden = moment == "while copying a report"
            before = set(self.entries(hidden))
            end = time.monotonic() + 20
            while time.monotonic() < end and set(self.entries(hidden)) <= before:
                time.sleep(0.0005)
        self.supervise()
        if self.service is None:
            self.kills["skipped"] += 1
            self.notes.append(f"a service kill {moment} was skipped: the service is not running")
            return
        seen_before = set(self.first_seen)
        self.service.send_signal(signal.SIGKILL)
        self.service.wait()
        self.kills["service"] += 1
        self.notes.append(f"killed the service (run {self.runs}) {moment}")
        self.observe()
        # A report that appeared in the instant of the kill may have been moved before its record was written.
        self.filed_at_kill |= set(self.first_seen) - seen_before
        self.run_exits.append((self.runs, f"killed {moment}"))
        self.service = None
        time.sleep(self.rng.uniform(0, 0.5))
        self.start_service()

    def entries(self, hidden):
        """The names, hidden or visible ones, directly in the places reports are filed to."""
        names = []
        for folder in (self.store, self.failed):
            try:
                names += [os.path.join(folder, n) for n in os.listdir(folder) if n.startswith(".") == hidden]
            except OSError:
                pass
        return names

    def kill(self, what):
        if what == "engine":
            self.kill_engine()
        else:
            self.kill_service(what)

    # -- the run

    def run(self):
        args = self.args
        self.prepare()
        self.reports = plan_reports(args.reports, args.bad_every, self.rng, args.seed)
        count = len(self.reports)
        # The kills are spread over the run by progress, so a slow machine gets them at the same points.
        # The last tenth is left alone, so the last kill still finds work to hit.
        thresholds = sorted(self.rng.randint(1, max(1, count * 9 // 10)) for _ in range(args.kills))
        # Both kinds of kill, and every moment of a service kill, as evenly as the number allows.
        moments = ["at a random moment", "after an engine run", "while copying a report", "as a filed report appears"]
        self.rng.shuffle(moments)
        kinds = []
        for i in range(args.kills):
            kinds.append("engine" if i % 2 else moments[(i // 2) % len(moments)])
        self.rng.shuffle(kinds)
        gaps = [self.rng.expovariate(1 / args.interval) for _ in range(count)]
        started = time.monotonic()
        deadline = started + args.time_limit
        self.start_service()
        next_drop = time.monotonic()
        dropped = 0
        last_progress, last_filed = time.monotonic(), 0
        while time.monotonic() < deadline:
            filed = self.observe()
            self.supervise()
            if filed != last_filed or not self.queue_pdfs():
                last_progress, last_filed = time.monotonic(), filed
            if dropped < count and time.monotonic() >= next_drop:
                self.drop(self.reports[dropped])
                next_drop = time.monotonic() + gaps[dropped]
                dropped += 1
            if thresholds and filed >= thresholds[0]:
                thresholds.pop(0)
                self.kill(kinds.pop(0))
                continue
            writing = any(w.is_alive() for w in self.writers)
            if dropped == count and not writing and not self.queue_pdfs():
                self.sleep(2)  # a report the service is handling may still reappear, if it goes wrong
                if not self.queue_pdfs():
                    break
            if self.gave_up:
                if dropped == count and not writing:
                    break
            elif time.monotonic() - last_progress > args.stall:
                self.violate(f"nothing was filed for {args.stall:.0f} s with {len(self.queue_pdfs())} reports "
                             "in the queue; the soak stopped waiting")
                break
            time.sleep(0.02)
        else:
            self.violate(f"the queue did not drain within the time limit of {args.time_limit:.0f} s")
        self.kills["skipped"] += len(thresholds)
        for w in self.writers:
            w.join(10)
        self.stop_service()
        self.wall = time.monotonic() - started
        self.observe()
        self.check_places()
        self.check_log()

    def stop_service(self):
        if self.service is None:
            return
        self.service.send_signal(signal.SIGTERM)
        try:
            status = self.service.wait(30)
        except subprocess.TimeoutExpired:
            self.service.kill()
            self.service.wait()
            self.violate("the service did not end within 30 s of SIGTERM")
            status = None
        if status is not None and status != 0:
            self.violate(f"the service ended with status {status} on SIGTERM "
                         f"({self.service_error_text(self.runs) or 'no message'})")
        self.run_exits.append((self.runs, "SIGTERM"))
        self.service = None

    # -- the checks

    def violate(self, text):
        self.violations.append(text)

    def check_places(self):
        found = {}  # sha -> relative paths
        self.leftovers = []
        for folder, dirs, files in os.walk(self.drive):
            for name in files:
                path = os.path.join(folder, name)
                relative = os.path.relpath(path, self.drive)
                if name.startswith(".") or any(part.startswith(".") for part in relative.split(os.sep)[:-1]):
                    self.leftovers.append(relative)
                    continue
                with open(path, "rb") as f:
                    found.setdefault(sha256(f.read()), []).append(relative)
        self.path_report = {}
        by_sha = {}
        for report in self.reports:
            by_sha.setdefault(report.sha, []).append(report)
        misplaced = []
        for sha, reports in by_sha.items():
            paths = list(found.pop(sha, []))
            for report in reports:
                places = [report.expected]
                if report.engine_killed and report.kind == "good":
                    places.append("PDF/FAILED/" + report.name)  # the service cannot tell a killed engine apart
                place = next((p for p in places if p in paths), None)
                if place is not None:
                    paths.remove(place)
                    self.path_report[place] = report
                    if place != report.expected:
                        self.warn(f"{report.name} ({report.origin}) is in {place}: its engine run was killed")
                    continue
                if os.path.join("PDF", report.name) in paths:
                    misplaced.append(f"{report.name} ({report.kind}, {report.origin}) is still in the queue")
                    paths.remove(os.path.join("PDF", report.name))
                else:
                    misplaced.append(f"{report.name} ({report.kind}, {report.origin}) is not in {report.expected}")
            for path in paths:
                self.violate(f"a second copy of {reports[0].name} ({reports[0].origin}): {path}")
        self.summarise(misplaced)
        for sha, paths in found.items():
            for path in paths:
                self.violate(f"{path}: a file nobody dropped (damaged or partial copy?)")
        if self.leftovers:
            self.warn(f"{len(self.leftovers)} hidden or temporary files left: " + ", ".join(sorted(self.leftovers)[:10]))

    def summarise(self, texts, limit=15):
        for text in texts[:limit]:
            self.violate(text)
        if len(texts) > limit:
            self.violate(f"... and {len(texts) - limit} more reports not where they belong")

    def warn(self, text):
        self.warnings.append(text)

    def check_log(self):
        capacity = log_capacity()
        path = os.path.join(self.app, "Varnholt.LOG")
        try:
            raw = open(path, "rb").read()
        except OSError:
            self.violate("there is no log file Varnholt.LOG")
            return
        # Lines the trim cut from the log went to Varnholt.LOG.1; the two read in that order are one run.
        former = os.path.join(self.app, "Varnholt.LOG.1")
        trimmed = os.path.exists(former)
        if trimmed:
            raw = open(former, "rb").read() + raw
        lines = raw.split(b"\r\n")
        if lines and lines[-1] == b"":
            lines.pop()
        records = []
        bad = 0
        for number, line in enumerate(lines, 1):
            fields = line.decode("cp1252", errors="replace").split("\t")
            if len(fields) != 7 or not re.fullmatch(r"\d{8}", fields[0]) or not re.fullmatch(r"\d{9}", fields[1]) \
                    or fields[2] not in LOG_TYPES:
                bad += 1
                if bad <= 3:
                    self.violate(f"log line {number} is not a record: {line[:120]!r}")
                continue
            records.append(fields)
        if bad > 3:
            self.violate(f"... {bad} log lines in all are not records")
        self.log_lines = len(lines)
        # Until the first trim nothing was dropped; after it, the former file may have started afresh.
        complete = not trimmed

        starts = [i for i, r in enumerate(records) if r[3:6] == ["Varnholt", "Watch", "Start"]]
        filings = []  # (record index, relative path)
        for i, r in enumerate(records):
            if (r[4], r[5]) in FILING_RECORDS:
                data = r[6]
                relative = data[3:].replace("\\", "/") if data[:3].upper() == "C:\\" else data
                filings.append((i, relative))
        seen = {}
        for _, relative in filings:
            seen[relative] = seen.get(relative, 0) + 1
        twice = [p for p, n in seen.items() if n > 1]
        for relative in twice[:10]:
            self.violate(f"the log records the filing to {relative} {seen[relative]} times")
        for relative in seen:
            if not os.path.exists(os.path.join(self.drive, relative)):
                self.violate(f"the log records a filing to {relative}, which is not there")

        # Which run filed what, as the soak saw it; filings in the log must be there as far back as it reaches.
        run_of = {p: self.first_seen.get(p, self.runs) for p in self.path_report}
        logged_runs = [run_of[p] for _, p in filings if p in run_of]
        if complete:
            first_run = 1
        else:
            first_run = min(logged_runs) + 1 if logged_runs else self.runs
            self.warn(f"the log and its former file hold {len(lines)} lines (capacity {capacity}): runs before "
                      f"{first_run} are only checked where their records remain")
        missing = [p for p, run in sorted(run_of.items(), key=lambda item: item[1])
                   if run >= first_run and p not in seen]
        at_kill = [p for p in missing if p in self.filed_at_kill]
        missing = [p for p in missing if p not in self.filed_at_kill]
        for relative in at_kill:
            self.warn(f"no filing record for {relative}, which was filed in the instant the service was killed")
        missing_before = [p for p, run in run_of.items() if run < first_run and p not in seen]
        for relative in missing[:10]:
            self.violate(f"no filing record in the log for {relative} (service run {run_of[relative]})")
        if len(missing) > 10:
            self.violate(f"... {len(missing)} filings in all have no record in the log")
        if missing_before:
            self.warn(f"{len(missing_before)} filings of earlier runs have no record (the log may have dropped them)")

        # The Start record of every service start the log reaches back to.
        expected_starts = self.runs - first_run + 1
        if not complete and logged_runs:
            # Starts after the oldest run the log still has a filing of.
            oldest = next(i for i, p in filings if p in run_of and run_of[p] == min(logged_runs))
            present = sum(1 for i in starts if i > oldest)
            expected_starts = self.runs - min(logged_runs)
        else:
            present = len(starts)
        if present < expected_starts:
            self.violate(f"the log has {present} Start records of the service for {expected_starts} starts it must "
                         f"still hold ({self.runs} starts in all)")
        elif present > expected_starts:
            self.violate(f"the log has {present} Start records of the service for {expected_starts} starts")
        last = starts[-1] if starts else -1
        if not any(r[3:6] == ["Varnholt", "Watch", "Stop"] for r in records[last + 1:]):
            self.violate("the log has no Stop record of the last service run, which ended with SIGTERM")
        self.log_figures = {"lines": len(lines), "capacity": capacity, "service_start_records": len(starts),
                            "filing_records": len(filings), "complete": complete}

    # -- the summary

    def figures(self):
        good = sum(1 for r in self.reports if r.kind == "good")
        return {
            "reports": len(self.reports), "good": good, "bad": len(self.reports) - good,
            "kills": dict(self.kills), "service_starts": self.runs, "restarts": self.runs - 1,
            "emergency_stops_after_engine_kill": self.emergency_after_engine_kill,
            "unexpected_exits": self.unexpected_exits,
            "wall_seconds": round(self.wall, 1),
            "reports_a_minute": round(len(self.reports) / self.wall * 60, 1) if self.wall > 0 else 0,
            "seed": self.args.seed, "log": getattr(self, "log_figures", {}),
            "violations": self.violations, "warnings": self.warnings, "notes": self.notes,
        }

    def report(self):
        f = self.figures()
        if self.args.json:
            print(json.dumps(f, indent=2, ensure_ascii=False))
            return
        print(f"soak: {f['reports']} reports ({f['bad']} bad), seed {f['seed']}")
        print(f"  kills: {f['kills']['service']} of the service, {f['kills']['engine']} of an engine, "
              f"{f['kills']['skipped']} skipped; {f['restarts']} restarts "
              f"({f['emergency_stops_after_engine_kill']} after the emergency stop of a killed engine)")
        print(f"  {f['wall_seconds']} s, {f['reports_a_minute']} reports a minute")
        if f["log"]:
            print(f"  log: {f['log']['lines']} lines (capacity {f['log']['capacity']}), "
                  f"{f['log']['service_start_records']} service Start records, {f['log']['filing_records']} filing records")
        for text in self.notes if self.args.verbose else []:
            print(f"  note: {text}")
        for text in self.warnings:
            print(f"  warning: {text}")
        for text in self.violations:
            print(f"  VIOLATION: {text}")
        print(f"  {len(self.violations)} violations")

    def clean_up(self):
        if self.service is not None:
            self.service.kill()
            self.service.wait()
        if self.args.keep:
            print(f"soak: the application folder stays in {self.app}", file=sys.stderr)
        else:
            shutil.rmtree(self.root, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0],
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("build", help="the build folder (its app/ holds varnholt-cli, PDF.EXE, PDFEDIT.EXE)")
    parser.add_argument("--reports", type=int, default=200)
    parser.add_argument("--bad-every", type=int, default=10, help="one report in K is bad (0: none)")
    parser.add_argument("--kills", type=int, default=10)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--interval", type=float, default=0.7, help="mean seconds between two printed reports")
    parser.add_argument("--time-limit", type=float, help="seconds for the whole run (default 60 + 4 a report)")
    parser.add_argument("--stall", type=float, default=120, help="seconds without a filing before giving up")
    parser.add_argument("--json", action="store_true", help="print the figures as JSON")
    parser.add_argument("--verbose", action="store_true", help="also list what each kill hit")
    parser.add_argument("--keep", action="store_true", help="keep the application folder for a look")
    args = parser.parse_args()
    args.build = os.path.abspath(args.build)
    if args.time_limit is None:
        args.time_limit = 60 + 4 * args.reports
    soak = Soak(args)
    try:
        soak.run()
        soak.report()
    finally:
        soak.clean_up()
    sys.exit(1 if soak.violations else 0)


if __name__ == "__main__":
    main()

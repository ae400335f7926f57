#!/usr/bin/env bash
# run.sh — runs every benchmark program of a benchmark build: run.sh BUILD_FOLDER
set -euo pipefail
build=$1
shopt -s nullglob

# The engine benchmarks: EXTRACT beside pdftotext, which only the benchmark needs (bench_engine_extract), and
# the OCR of the scanned sample report (bench_engine_ocr); both run in the loop below.
if ! command -v pdftotext >/dev/null; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "bench: installing poppler-utils for pdftotext"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends poppler-utils >/dev/null
fi

for program in "$build"/bench/*; do
  [[ -x "$program" && -f "$program" ]] || continue
  echo "== $(basename "$program")"
  "$program" --benchmark_min_time=0.2
done
# Whole-program comparisons need the command-line program of the same build.
if [[ -x "$build/app/varnholt-cli" ]]; then
  echo "== script engine beside Lua 5.4 and Python 3"
  bash "$(dirname "$0")/script/compare_vm.sh" "$build"
fi
# Filing a report end to end: run --automatic beside the engine alone, and the service's latency. The
# backlog drain takes minutes: bench/core/ServiceBench.py BUILD backlog 1000
if [[ -x "$build/app/varnholt-cli" ]]; then
  echo "== filing a report (bench/core/ServiceBench.py)"
  python3 "$(dirname "$0")/core/ServiceBench.py" "$build" run
  python3 "$(dirname "$0")/core/ServiceBench.py" "$build" latency
fi
# A replay of 1,000 saved reports under two scripts: with the text cache empty, full, and beside calling
# run once per report and script.
if [[ -x "$build/app/varnholt-cli" ]]; then
  echo "== replay of 1000 reports (bench/core/ReplayBench.py)"
  python3 "$(dirname "$0")/core/ReplayBench.py" "$build" --reports 1000
fi
# The soak: 1,000 reports printed into the service, one in ten bad, while the service and its engine are
# killed 20 times; every report must land in exactly one place (see docs/service.md). About 25 minutes:
# the service files about a report a second. A violation makes `make bench` fail.
if [[ -x "$build/app/varnholt-cli" ]]; then
  echo "== soak: 1000 reports, 1 in 10 bad, 20 kills (bench/core/Soak.py)"
  python3 "$(dirname "$0")/core/Soak.py" "$build" --reports 1000 --bad-every 10 --kills 20 --seed 1
fi
# Starting the window until the first report's texts are painted (offscreen; the real engine extracts).
if [[ -x "$build/bench-programs/WindowStartBench" ]]; then
  echo "== window start to the first report's texts (10 runs)"
  folder=$(mktemp -d)
  cp "$build/app/PDF.EXE" "$build/app/PDFEDIT.EXE" "$folder/"
  for _ in 1 2 3 4 5 6 7 8 9 10; do
    QT_QPA_PLATFORM=offscreen "$build/bench-programs/WindowStartBench" "$folder" \
      "$(dirname "$0")/../tests/data/engine/reports/ms_quant_report.pdf"
  done
  rm -rf "$folder"
fi

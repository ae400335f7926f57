#!/usr/bin/env bash
# run.sh — runs every benchmark program of a build: run.sh BUILD_FOLDER
set -euo pipefail
build=${1:?usage: run.sh BUILD_FOLDER}
shopt -s nullglob
status=0
for program in "$build"/bench/bench_*; do
  [ -x "$program" ] || continue
  echo "== $(basename "$program")"
  "$program" --benchmark_counters_tabular=true || status=1
done
exit $status

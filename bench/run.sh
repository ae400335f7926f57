#!/usr/bin/env bash
# run.sh — runs every benchmark program of a benchmark build: run.sh BUILD_FOLDER
set -euo pipefail
build=$1
shopt -s nullglob
for program in "$build"/bench/*; do
  [[ -x "$program" && -f "$program" ]] || continue
  echo "== $(basename "$program")"
  "$program" --benchmark_min_time=0.2
done

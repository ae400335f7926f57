#!/usr/bin/env bash
# run.sh — runs every benchmark program of a build folder (make bench).
set -euo pipefail
build="${1:-build-bench}"
for program in "$build"/bench/*; do
  [ -x "$program" ] || continue
  echo "== $(basename "$program")"
  "$program"
done

#!/usr/bin/env bash
# run.sh — long libFuzzer runs of every fuzz target of a fuzz build: run.sh BUILD_FOLDER SECONDS
set -euo pipefail
build=$1
seconds=${2:-300}
shopt -s nullglob
for corpusFile in "$build"/fuzz/*.corpus; do
  name=$(basename "$corpusFile" .corpus)
  # The list has no line end, so read reports end of file after filling seeds.
  IFS=';' read -r -a seeds < "$corpusFile" || true
  work="$build/fuzz/$name.work"
  mkdir -p "$work"
  echo "fuzzing $name for ${seconds}s"
  "$build/fuzz/$name" -max_total_time="$seconds" -timeout=10 "$work" "${seeds[@]}"
done

#!/usr/bin/env bash
# compare_vm.sh — times the script engine's hot loops beside the same loops in Lua 5.4 and Python 3:
# compare_vm.sh BUILD_FOLDER. Installs lua5.4 for this comparison only.
set -euo pipefail
build=${1:-build-bench}
here=$(cd "$(dirname "$0")" && pwd)
cli="$build/app/varnholt-cli"
if ! command -v lua5.4 >/dev/null; then
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get install -y -qq lua5.4 >/dev/null
fi
best() {  # best wall time in ms of three runs
  local best=999999999
  for _ in 1 2 3; do
    local start end
    start=$(date +%s%N); "$@" >/dev/null; end=$(date +%s%N)
    local ms=$(( (end - start) / 1000000 ))
    (( ms < best )) && best=$ms
  done
  echo "$best"
}
printf '%-8s %10s %10s %10s %12s %12s\n' case varnholt lua5.4 python3 "vs lua" "vs python"
for case in loop concat lines calls; do
  v=$(best "$cli" run-script "$here/compare/$case.psc")
  l=$(best lua5.4 "$here/compare/$case.lua")
  p=$(best python3 "$here/compare/$case.py")
  printf '%-8s %8sms %8sms %8sms %12s %12s\n' "$case" "$v" "$l" "$p" \
    "$(awk -v a="$v" -v b="$l" 'BEGIN{printf "%.2fx", a/b}')" "$(awk -v a="$v" -v b="$p" 'BEGIN{printf "%.2fx", a/b}')"
done

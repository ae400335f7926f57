#!/usr/bin/env bash
# install-deps.sh — installs every Debian package Varnholt needs to build, test and run.
# Idempotent and quiet: when everything is present it does nothing; otherwise it refreshes the
# package lists once and installs only what is missing.
set -euo pipefail

packages=(
  # build tools
  build-essential cmake ninja-build pkg-config clang-format
  # the soak and the benchmarks that time whole processes
  python3
  # fuzzing (libFuzzer with clang) and sanitizer runtimes
  clang libclang-rt-14-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  # window and script editor
  qt6-base-dev libqscintilla2-qt6-dev
  # the platform plugins: xcb for the desktop, offscreen for the window tests
  qt6-qpa-plugins
  # PDF engine: structure (qpdf) and text (poppler-cpp); the qpdf tool checks results in tests
  libqpdf-dev qpdf libpoppler-cpp-dev
  # OCR of scanned reports (pages without a text layer): Tesseract and its English language data
  libtesseract-dev tesseract-ocr-eng
  # regular expressions, crypto, printing
  libpcre2-dev libssl-dev libcups2-dev cups cups-client
  # the PDF printer: a CUPS backend that writes each job as a PDF
  printer-driver-cups-pdf
  # command line and JSON
  libcli11-dev nlohmann-json3-dev
  # the audit journal
  libsqlite3-dev
  # the package test checks the Debian package with Debian's own package checker
  lintian
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null

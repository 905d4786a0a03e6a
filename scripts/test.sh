#!/usr/bin/env bash
# Installs, builds and runs every test twice: a normal build and an AddressSanitizer +
# UndefinedBehaviorSanitizer build; then fuzzes every implemented import row for a short while
# (libFuzzer, clang), failing on any finding.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

jobs=$(nproc)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKOBA_BENCH=ON
cmake --build build -j "$jobs"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKOBA_SANITIZE=ON
cmake --build build-asan -j "$jobs"

status=0
echo "== normal build =="
ctest --test-dir build --output-on-failure -j "$jobs" || status=1
echo "== sanitizer build =="
ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs" || status=1
echo "== fuzz smoke =="
bash scripts/fuzz.sh all "${KOBA_FUZZ_SECONDS:-20}" || status=1
exit $status

#!/usr/bin/env bash
# Sets everything up, builds the sanitizer configuration and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh asan
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
cd build/asan
ctest --output-on-failure -j "$(nproc)" --timeout 600

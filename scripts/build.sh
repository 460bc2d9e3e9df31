#!/usr/bin/env bash
# Configures and builds one configuration.
#   scripts/build.sh release   -> build/release (gcc, -O2, what the run command uses)
#   scripts/build.sh asan      -> build/asan    (clang, ASan + UBSan, tests and fuzz targets)
#   scripts/build.sh bench     -> build/bench   (Release with the Google Benchmark programs)
set -euo pipefail
cd "$(dirname "$0")/.."

config="${1:-release}"
shift || true
jobs="${JOBS:-$(nproc)}"

case "$config" in
    release)
        cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSALINE_TESTS=OFF "$@" ;;
    asan)
        cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Asan \
            -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
            -DTESSALINE_TESTS=ON -DTESSALINE_FUZZ=ON "$@" ;;
    bench)
        cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release \
            -DTESSALINE_TESTS=OFF -DTESSALINE_BENCH=ON "$@" ;;
    *)
        echo "usage: scripts/build.sh release|asan|bench [cmake options]" >&2
        exit 2 ;;
esac
cmake --build "build/$config" -j "$jobs"

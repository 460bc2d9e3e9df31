#!/usr/bin/env bash
# Builds Release and the Debian package of both programs: build/release/tessaline-suite_<version>_<arch>.deb.
# Install it with `sudo apt-get install ./build/release/tessaline-suite_*.deb`.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh release "$@"
cd build/release
rm -f tessaline-suite_*.deb
cpack
ls "$PWD"/tessaline-suite_*.deb

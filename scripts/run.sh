#!/usr/bin/env bash
# Sets everything up, builds Release and runs the main job: slices the bundled sample project headless
# and prints where the G-code went and its statistics.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh release
cli=build/release/Tessaline/cli/tessaline-cli
out="$PWD/build/release/welcome.gcode"
"$cli" slice Tessaline/res/welcome.tsprj -o "$out"
"$cli" stats "$out"

#!/usr/bin/env bash
# Sets everything up, builds Release and runs the main job.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh release
# Without a display the slicer starts on the offscreen platform.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    export QT_QPA_PLATFORM=offscreen
fi
exec build/release/Tessaline/Tessaline --smoke-test

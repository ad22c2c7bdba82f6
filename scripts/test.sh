#!/usr/bin/env bash
# Builds and runs every test. Extra arguments go to CMake's configure step.
# Tests that need an X server run under Xvfb (xvfb-run) when no display is set.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh "$@"
build_dir=${BUILD_DIR:-build}
run=()
if [[ -z "${DISPLAY:-}" ]]; then
  run=(xvfb-run -a -s "-screen 0 1280x1024x24")
fi
"${run[@]}" ctest --test-dir "$build_dir" --output-on-failure -j "$(nproc)"

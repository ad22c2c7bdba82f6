#!/usr/bin/env bash
# Installs what is missing, configures and builds into BUILD_DIR (default build/):
# the BUILD_TYPE (default RelWithDebInfo), everything or only BUILD_TARGET.
# Extra arguments go to CMake's configure step.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
build_dir=${BUILD_DIR:-build}
# ccache shares compiled objects between build types, sanitizer builds and
# checkouts in other folders.
export CCACHE_BASEDIR=$PWD
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo} \
  -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DQUORVIA_WERROR=ON "$@" >/dev/null
cmake --build "$build_dir" ${BUILD_TARGET:+--target "$BUILD_TARGET"}

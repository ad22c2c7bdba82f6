#!/usr/bin/env bash
# Installs what is missing, configures and builds into BUILD_DIR (default build/):
# the BUILD_TYPE (default RelWithDebInfo), everything or only the targets
# BUILD_TARGET names (separated by spaces). DEPS names the lists of
# install-deps.sh to install first (default all: run build test).
# Extra arguments go to CMake's configure step.
set -euo pipefail
cd "$(dirname "$0")/.."
read -r -a deps <<<"${DEPS:-run build test}"
scripts/install-deps.sh "${deps[@]}"
build_dir=${BUILD_DIR:-build}
read -r -a targets <<<"${BUILD_TARGET:-}"
# ccache shares compiled objects between build types, sanitizer builds and
# checkouts in other folders.
export CCACHE_BASEDIR=$PWD
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo} \
  -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DQUORVIA_WERROR=ON "$@" >/dev/null
cmake --build "$build_dir" ${targets[@]+--target "${targets[@]}"}

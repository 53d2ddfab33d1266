#!/usr/bin/env bash
# Configures and builds into ${GW_BUILD_DIR:-build}.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${GW_BUILD_DIR:-build}"
# Configure every time: the parts that exist are found at configure time.
# ccache, where a machine has it, lets several checkouts share what each compiled.
launcher=()
if command -v ccache >/dev/null 2>&1; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
    export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(dirname "$PWD")}"
fi
if [ ! -f "$build/build.ninja" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release "${launcher[@]}"
else
    cmake "$build" >/dev/null
fi
cmake --build "$build" "$@"

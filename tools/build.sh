#!/usr/bin/env bash
# Configures and builds into ${GW_BUILD_DIR:-build}.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${GW_BUILD_DIR:-build}"
# Configure every time: the parts that exist are found at configure time.
if [ ! -f "$build/build.ninja" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release
else
    cmake "$build" >/dev/null
fi
cmake --build "$build" "$@"

#!/usr/bin/env bash
# Sets everything up, builds, and runs every test under Wine on a virtual display.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
tools/build.sh
build="${GW_BUILD_DIR:-build}"
. tools/wine-session.sh
gw_wine_start "$build" own-display
ctest --test-dir "$build" --output-on-failure -j2 "$@"

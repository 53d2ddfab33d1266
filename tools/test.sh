#!/usr/bin/env bash
# Sets everything up, builds, and runs every test under Wine on a virtual display.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
tools/build.sh
# Every #include points down the layers (tools/layers.txt), before any test runs.
tools/check-layers.py
# The parsers' fuzz targets, built natively under ASan and UBSan, each run once over its corpus.
tools/fuzz.sh replay
build="${GW_BUILD_DIR:-build}"
. tools/wine-session.sh
gw_wine_start "$build" own-display
# Now and then Wine fails to start a process at all (seen on CI: a test that ended after 10 ms
# having printed nothing); a failed test gets one more run before it counts.
ctest --test-dir "$build" --output-on-failure -j2 --repeat until-pass:2 "$@"

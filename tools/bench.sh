#!/usr/bin/env bash
# Builds and runs every benchmark under Wine on a virtual display and prints one table: each
# figure, its target, what was measured, pass or fail. Takes a few minutes; --quick measures the
# idle processor time for 10 s instead of 60 s. No other Gatewarden may run in the build's prefix.
set -euo pipefail
cd "$(dirname "$0")/.."
idle=60
[ "${1:-}" = "--quick" ] && idle=10
tools/setup.sh
tools/build.sh
build="${GW_BUILD_DIR:-build}"
# The program's own share, apart from Wine's WinINet, which costs far more than Windows': these
# two run beside the stand-in.
cp "$build/bench/AppBench.exe" "$build/bench/MonitorIdleBench.exe" "$build/tests/bin/"
. tools/wine-session.sh
gw_wine_start "$build" own-display
python3 bench/bench_table.py --bench "$build/bench" --beside-standin "$build/tests/bin" \
    --idle-seconds "$idle" --log "$build/bench-output.txt"

#!/usr/bin/env bash
# Sets everything up, builds, and runs Gatewarden under Wine. With no display set it runs on a
# virtual one and saves a screenshot, whose path it prints.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
tools/build.sh
build="${GW_BUILD_DIR:-build}"
had_display="${DISPLAY:-}"
. tools/wine-session.sh
gw_wine_start "$build"
if [ -n "$had_display" ]; then
    wine "$build/bin/Gatewarden.exe" "$@"
else
    shot="$PWD/$build/screenshot.png"
    wine "$build/bin/Gatewarden.exe" "$@" &
    app=$!
    sleep 5
    import -window root "$shot"
    echo "screenshot: $shot"
    wait "$app" || true
fi

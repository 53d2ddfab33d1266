#!/usr/bin/env bash
# Sets everything up, builds, and runs Gatewarden under Wine, with Wine's own WinINet.
#   tools/run.sh            until Gatewarden is turned off (or Ctrl+C)
#   tools/run.sh --for 30   for 30 seconds, then turns it off
# With no DISPLAY set it runs on a virtual display and saves a screenshot of it, whose path it
# prints, once the window has shown.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=""
if [ "${1:-}" = "--for" ]; then
    seconds="${2:?--for needs a number of seconds}"
fi
tools/setup.sh
tools/build.sh
build="${GW_BUILD_DIR:-build}"
had_display="${DISPLAY:-}"
. tools/wine-session.sh
gw_wine_start "$build"
export WINEDLLOVERRIDES="wininet=b"
wine "$build/bin/Gatewarden.exe" &
app=$!
gw_find_window '^Gatewarden v2.2$' >/dev/null || echo "run: the main window did not show" >&2
if [ -z "$had_display" ]; then
    sleep 1
    shot="$PWD/$build/screenshot.png"
    import -window root "$shot"
    echo "screenshot: $shot"
fi
if [ -n "$seconds" ]; then
    sleep "$seconds"
    # File > Turn off Gatewarden.
    wine "$build/tools/AppDriver.exe" command TurnOff >/dev/null 2>&1 || kill "$app" 2>/dev/null || true
fi
wait "$app" || true

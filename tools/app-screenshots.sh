#!/usr/bin/env bash
# Photographs the real Gatewarden under a virtual display into docs/app-*.png: the main window
# empty, with four profiles and one active, at its smallest size, the notification area's menu,
# with 200 profiles scrolled to the end (the header row still at the top) and with the list's menu
# open, at 144 DPI, and the About window. Uses the build's Wine prefix with Wine's own WinINet; the
# prefix's store and window place are replaced.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${GW_BUILD_DIR:-build}"
tools/build.sh --target Gatewarden MakeStore AppDriver
. tools/wine-session.sh
gw_wine_start "$build" own-display
export WINEDLLOVERRIDES="wininet=b"
mkdir -p docs

app=""
window=""
start_app() {
    wine reg delete 'HKCU\Software\KELM\Gatewarden' /f </dev/null >/dev/null 2>&1 || true
    wine "$build/bin/Gatewarden.exe" </dev/null >/dev/null 2>&1 &
    app=$!
    window=$(gw_find_window '^Gatewarden v2.2$') || { echo "app-screenshots: no main window" >&2; exit 1; }
    sleep 1.5
}
stop_app() {
    gw_driver command TurnOff || true
    wait "$app" 2>/dev/null || true
}
# shoot <picture> [extra width] [extra height]: the main window, with room for a menu beside it.
shoot() {
    local x y w h
    eval "$(xdotool getwindowgeometry --shell "$window" | sed 's/^/G_/')"
    x=$G_X; y=$G_Y; w=$((G_WIDTH + ${2:-0})); h=$((G_HEIGHT + ${3:-0}))
    # The frame that Wine draws lies just outside the client geometry that X reports.
    import -window root -crop "$((w + 8))x$((h + 40))+$((x > 4 ? x - 4 : 0))+$((y > 30 ? y - 30 : 0))" "docs/$1"
    echo "docs/$1"
}

# The pointer on the status panel, where the list, which follows the pointer over it, stays
# where the keys put it.
rest_pointer() {
    eval "$(xdotool getwindowgeometry --shell "$window" | sed 's/^/P_/')"
    xdotool mousemove $((P_X + 40)) $((P_Y + P_HEIGHT - 30))
    sleep 0.3
}

wine "$build/tools/MakeStore.exe" empty </dev/null >/dev/null 2>&1
start_app; shoot app-main-empty.png; stop_app

wine "$build/tools/MakeStore.exe" 200 </dev/null >/dev/null 2>&1
start_app
gw_driver row 1
gw_driver key 0x23        # End: the last row current, scrolled into view below the header
rest_pointer
sleep 0.5
shoot app-main-200-end.png
gw_driver row 200 right  # the last row, in view below the header
sleep 1
shoot app-main-200-menu.png 160 60
xdotool key Escape 2>/dev/null || true
stop_app

wine "$build/tools/MakeStore.exe" three </dev/null >/dev/null 2>&1
start_app
gw_driver row 1           # the first data row
gw_driver key 0x28        # Down: the second row is current
sleep 0.5
shoot app-main-profiles.png
gw_driver command About
sleep 1.5
window=$(xdotool search --name '^About Gatewarden$' | head -n1)
shoot app-about.png
gw_driver key 0x1B || true
xdotool key --window "$window" Escape 2>/dev/null || true
stop_app

# The window made as small as it goes: every column header whole, long cells ending in an ellipsis.
wine "$build/tools/MakeStore.exe" three </dev/null >/dev/null 2>&1
start_app
gw_driver size 100 100
gw_driver row 1
gw_driver key 0x28        # Down: Lab, with the longest proxies, is current
sleep 0.5
shoot app-main-smallest.png
stop_app

# The notification area's menu, with the profiles open.
wine "$build/tools/MakeStore.exe" three </dev/null >/dev/null 2>&1
start_app
gw_driver command CloseToTray  # the notification area shows
sleep 0.5
tray=$(xdotool search --name '^Wine System Tray$' | head -n1)
eval "$(xdotool getwindowgeometry --shell "$tray" | sed 's/^/T_/')"
xdotool mousemove $((T_X + 12)) $((T_Y + T_HEIGHT - 13)) click 3
sleep 1
xdotool mousemove $((T_X + 60)) $((T_Y + T_HEIGHT + 51))
sleep 1
import -window root -crop "420x260+$T_X+$T_Y" docs/app-tray-menu.png
echo docs/app-tray-menu.png
xdotool key Escape key Escape 2>/dev/null || true
stop_app

gw_set_dpi 144
wine "$build/tools/MakeStore.exe" three </dev/null >/dev/null 2>&1
start_app; shoot app-main-144dpi.png; stop_app

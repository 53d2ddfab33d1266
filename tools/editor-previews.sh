#!/usr/bin/env bash
# Photographs the real profile editor under a virtual display into docs/editor-*.png: a new
# profile at 96 and 144 DPI. Uses the build's Wine prefix with Wine's own
# WinINet; the prefix's store and window place are replaced.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${GW_BUILD_DIR:-build}"
tools/build.sh --target Gatewarden MakeStore AppDriver
if [ -z "${GW_EDITOR_DPIS:-}" ]; then
    # One Wine session a DPI: a program started again in the session of another DPI shows no editor.
    GW_EDITOR_DPIS=96 "$0"
    GW_EDITOR_DPIS=144 "$0"
    exit
fi
. tools/wine-session.sh
gw_wine_start "$build" own-display
export WINEDLLOVERRIDES="wininet=b"
driver() { wine "$build/tools/AppDriver.exe" "$@" </dev/null >/dev/null 2>&1; }
mkdir -p docs

set_dpi() {
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f </dev/null >/dev/null 2>&1
}
finish() {
    set_dpi 96
    gw_wine_stop
}
trap finish EXIT

app=""
dialog=""
open_editor() {
    # The editor centres on the main window: the main window's place (300,330)-(914,694) keeps
    # all of the editor on the screen at 144 DPI too.
    wine reg delete 'HKCU\Software\KELM\Gatewarden' /f </dev/null >/dev/null 2>&1 || true
    wine reg add 'HKCU\Software\KELM\Gatewarden' /v GatewardenMainWindow /t REG_BINARY \
        /d 2c0100004a01000092030000b6020000 /f </dev/null >/dev/null 2>&1
    wine "$build/bin/Gatewarden.exe" </dev/null >/dev/null 2>&1 &
    app=$!
    local main=""
    for _ in $(seq 200); do
        main=$(xdotool search --name '^Gatewarden v2.2$' 2>/dev/null | head -n1 || true)
        [ -n "$main" ] && break
        sleep 0.1
    done
    sleep 4  # the main view loads its page
    driver command 0x8016  # New Proxy Settings
    dialog=""
    for _ in $(seq 150); do
        dialog=$(xdotool search --name '^New proxy settings$' 2>/dev/null | head -n1 || true)
        [ -n "$dialog" ] && break
        sleep 0.1
    done
    [ -n "$dialog" ] || { echo "editor-previews: no editor" >&2; exit 1; }
    sleep 1
    xdotool mousemove 1270 1010  # no hover
    sleep 0.3
}
close_app() {
    xdotool key --window "$dialog" Escape 2>/dev/null || true
    sleep 0.5
    driver command 0x8004 || true  # Turn off
    wait "$app" 2>/dev/null || true
    # A second start while the first still ends would only wake the first.
    for _ in $(seq 100); do
        xdotool search --name '^Gatewarden v2.2$' >/dev/null 2>&1 || break
        sleep 0.1
    done
}
# shoot <picture>: the dialog with the frame that Wine draws just outside its client area.
shoot() {
    eval "$(xdotool getwindowgeometry --shell "$dialog" | sed 's/^/G_/')"
    import -window root -crop "$((G_WIDTH + 8))x$((G_HEIGHT + 34))+$((G_X > 4 ? G_X - 4 : 0))+$((G_Y > 30 ? G_Y - 30 : 0))" -strip \
        -define png:compression-level=9 "$1"
    echo "$1: $(identify -format '%wx%h' "$1")"
}
wine "$build/tools/MakeStore.exe" three </dev/null >/dev/null 2>&1
for dpi in $GW_EDITOR_DPIS; do
    set_dpi "$dpi"
    open_editor
    if [ "$dpi" = 96 ]; then shoot docs/editor-new.png; else shoot docs/editor-144dpi.png; fi
    close_app
done

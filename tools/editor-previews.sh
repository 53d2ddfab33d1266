#!/usr/bin/env bash
# Photographs the real profile editor under a virtual display into docs/editor-*.png: a new
# profile at 96 and 144 DPI, an existing profile with its proxies and bypass list, and a new one
# with auto-activation ticked, an address typed and the adapter list open. Uses the build's Wine
# prefix with Wine's own WinINet; the prefix's store and window place are replaced. The editor is
# driven by keys, as a user would.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${GW_BUILD_DIR:-build}"
tools/build.sh --target Gatewarden MakeStore AppDriver
if [ -z "${GW_EDITOR_SHOT:-}" ]; then
    # One Wine session a picture: a program started again in the same session often shows no
    # editor at all.
    for shot in new edit auto 144dpi; do GW_EDITOR_SHOT=$shot "$0"; done
    exit
fi
. tools/wine-session.sh
gw_wine_start "$build" own-display
export WINEDLLOVERRIDES="wininet=b"
mkdir -p docs

app=""
dialog=""
# open_editor <command> <caption> [row]: starts the program, makes the row current when given (2
# is Lab, the second in the list) and opens the editor with the command.
open_editor() {
    # The editor centres on the main window: the main window's place (300,330)-(914,694) keeps
    # all of the editor on the screen at 144 DPI too.
    wine reg delete 'HKCU\Software\KELM\Gatewarden' /f </dev/null >/dev/null 2>&1 || true
    wine reg add 'HKCU\Software\KELM\Gatewarden' /v GatewardenMainWindow /t REG_BINARY \
        /d 2c0100004a01000092030000b6020000 /f </dev/null >/dev/null 2>&1
    wine "$build/bin/Gatewarden.exe" </dev/null >/dev/null 2>&1 &
    app=$!
    gw_find_window '^Gatewarden v2.2$' >/dev/null || true
    sleep 4  # the main view loads its page
    if [ -n "${3:-}" ]; then
        gw_driver row 1        # the first row
        for _ in $(seq 2 "$3"); do gw_driver key 0x28; done
        sleep 0.5
    fi
    gw_driver command "$1"
    dialog=""
    for _ in $(seq 150); do
        dialog=$(xdotool search --onlyvisible --name "^$2\$" 2>/dev/null | head -n1 || true)
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
    gw_driver command TurnOff || true
    wait "$app" 2>/dev/null || true
    # A second start while the first still ends would only wake the first.
    for _ in $(seq 100); do
        xdotool search --name '^Gatewarden v2.2$' >/dev/null 2>&1 || break
        sleep 0.1
    done
}
# shoot <picture>: the dialog, whose X window holds the frame that Wine draws (no window manager).
shoot() {
    eval "$(xdotool getwindowgeometry --shell "$dialog" | sed 's/^/G_/')"
    import -window root -crop "${G_WIDTH}x${G_HEIGHT}+${G_X}+${G_Y}" +repage -strip \
        -define png:compression-level=9 "$1"
    echo "$1: $(identify -format '%wx%h' "$1")"
}
wine "$build/tools/MakeStore.exe" three </dev/null >/dev/null 2>&1
new="New proxy settings"
case "$GW_EDITOR_SHOT" in
new)
    open_editor NewProxy "$new"
    ;;
144dpi)
    gw_set_dpi 144
    open_editor NewProxy "$new"
    ;;
edit)
    open_editor EditProxy "Edit proxy settings" 2  # on Lab
    ;;
auto)
    open_editor NewProxy "$new"
    # From the name: Tab to "Auto-activate proxy" past the three enabled boxes, tick it, then past
    # the adapter drop-down into the address, each part's text selected on entry.
    xdotool key --delay 120 Tab Tab Tab Tab space Tab Tab 1 0 Tab 7 7 Tab 1 Tab 2
    xdotool key --delay 120 shift+Tab shift+Tab shift+Tab shift+Tab alt+Down
    sleep 0.8
    ;;
esac
shoot "docs/editor-$GW_EDITOR_SHOT.png"
xdotool key alt+Up  # a list left open
close_app

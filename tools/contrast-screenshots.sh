#!/usr/bin/env bash
# Photographs the real Gatewarden in a high-contrast theme under a virtual display into
# docs/contrast-*.png: the main window with a profile current and the keyboard's focus on a
# toolbar button, and the profile editor, each in a black and a white theme. Wine reports high
# contrast off whatever the settings say, so the program runs beside the tests' WinINet stand-in,
# which answers the program's question from the setting Windows keeps
# (tests/standins/wininet/HighContrastSwitch.cpp); the theme's colours are the system colours of
# the prefix, written before the program starts. The prefix's store, window place and colours are
# replaced; the colours are put back at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${GW_BUILD_DIR:-build}"
tools/build.sh --target GatewardenForTests WinInetStandIn MakeStore AppDriver
if [ -z "${GW_CONTRAST_THEME:-}" ]; then
    # One Wine session a theme: a program started again in the same session often shows no
    # editor at all.
    for theme in black white; do GW_CONTRAST_THEME=$theme "$0"; done
    exit
fi
. tools/wine-session.sh
gw_wine_start "$build" own-display
export WINEDLLOVERRIDES="wininet=b"
mkdir -p docs

colours_key='HKCU\Control Panel\Colors'
contrast_key='HKCU\Control Panel\Accessibility\HighContrast'
wine reg export "$colours_key" "$build/colours-before.reg" /y </dev/null >/dev/null 2>&1 || true
restore() {
    wine reg delete "$colours_key" /f </dev/null >/dev/null 2>&1 || true
    [ -f "$build/colours-before.reg" ] && wine reg import "$build/colours-before.reg" </dev/null >/dev/null 2>&1
    wine reg add "$contrast_key" /v Flags /t REG_SZ /d 126 /f </dev/null >/dev/null 2>&1 || true
    gw_wine_stop
}
trap restore EXIT
# Windows' own High Contrast Black and High Contrast White, by the names the registry uses.
while read -r name black white; do
    value=$([ "$GW_CONTRAST_THEME" = black ] && echo "$black" || echo "$white")
    wine reg add "$colours_key" /v "$name" /t REG_SZ /d "${value//,/ }" /f </dev/null >/dev/null 2>&1
done <<'COLOURS'
Window            0,0,0       255,255,255
WindowText        255,255,255 0,0,0
ButtonFace        0,0,0       255,255,255
ButtonText        255,255,255 0,0,0
Hilight           26,235,255  55,0,110
HilightText       0,0,0       255,255,255
GrayText          63,242,63   96,0,0
HotTrackingColor  255,255,0   0,0,159
Menu              0,0,0       255,255,255
MenuText          255,255,255 0,0,0
MenuBar           0,0,0       255,255,255
MenuHilight       26,235,255  55,0,110
ActiveTitle       0,0,0       0,0,0
TitleText         255,255,255 255,255,255
InactiveTitle     0,0,0       255,255,255
InactiveTitleText 63,242,63   96,0,0
ButtonShadow      128,128,128 128,128,128
ButtonHilight     255,255,255 0,0,0
ButtonLight       255,255,255 0,0,0
ButtonDkShadow    255,255,255 0,0,0
WindowFrame       255,255,255 0,0,0
ActiveBorder      255,255,255 0,0,0
InactiveBorder    255,255,255 0,0,0
AppWorkSpace      0,0,0       255,255,255
Background        0,0,0       255,255,255
InfoWindow        0,0,0       255,255,255
InfoText          255,255,255 0,0,0
COLOURS
wine reg add "$contrast_key" /v Flags /t REG_SZ /d 127 /f </dev/null >/dev/null 2>&1

# shoot <picture> <X window>: the window, whose X window holds the frame that Wine draws (no
# window manager).
shoot() {
    local G_X G_Y G_WIDTH G_HEIGHT
    eval "$(xdotool getwindowgeometry --shell "$2" | sed 's/^/G_/')"
    import -window root -crop "${G_WIDTH}x${G_HEIGHT}+${G_X}+${G_Y}" +repage -strip -define png:compression-level=9 "$1"
    echo "$1: $(identify -format '%wx%h' "$1")"
}

wine "$build/tools/MakeStore.exe" three </dev/null >/dev/null 2>&1
wine reg delete 'HKCU\Software\KELM\Gatewarden' /f </dev/null >/dev/null 2>&1 || true
WINEDLLOVERRIDES="wininet=n" wine "$build/tests/bin/Gatewarden.exe" </dev/null >/dev/null 2>&1 &
app=$!
window=$(gw_find_window '^Gatewarden v2.2$') || { echo "contrast-screenshots: no main window" >&2; exit 1; }
sleep 3
gw_driver key 0x28        # Down: the list has the keys, the first profile becomes current
gw_driver key 0x28        # the second
gw_driver key 0x09        # Tab: the focus on the first toolbar button, its frame shown
xdotool mousemove 1270 1010
sleep 1
shoot "docs/contrast-$GW_CONTRAST_THEME-main.png" "$window"
gw_driver command EditProxy
dialog=$(gw_find_window '^Edit proxy settings$') || { echo "contrast-screenshots: no editor" >&2; exit 1; }
sleep 1.5
shoot "docs/contrast-$GW_CONTRAST_THEME-editor.png" "$dialog"
xdotool key --window "$dialog" Escape 2>/dev/null || true
sleep 0.5
gw_driver command TurnOff || true
wait "$app" 2>/dev/null || true

# Sourced by the scripts that run Windows programs: a prefix of the build's own, booted once,
# with a persistent wineserver, and a virtual display when none is set (or always, for tests).
# GW_SCREEN: the virtual display's size (default 1280x1024).
#   gw_wine_start <build dir> [own-display]   then   gw_wine_stop (also on exit)
gw_wine_start() {
    local build="$1" own_display="${2:-}"
    GW_BUILD="$build"
    export WINEPREFIX="$PWD/$build/wineprefix" WINEDEBUG="${WINEDEBUG:--all}" WINEARCH=win64
    mkdir -p "$WINEPREFIX"
    gw_font_set "$PWD/$build"
    if [ -n "$own_display" ] || [ -z "${DISPLAY:-}" ]; then
        local fdfile
        fdfile=$(mktemp)
        Xvfb -displayfd 3 -screen 0 "${GW_SCREEN:-1280x1024}x24" -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
        GW_XVFB_PID=$!
        for _ in $(seq 100); do [ -s "$fdfile" ] && break; sleep 0.1; done
        export DISPLAY=":$(head -n1 "$fdfile")"
        rm -f "$fdfile"
    fi
    # Services that the first Wine process spawns keep its output open: boot with it closed.
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        # A prefix made now is made by this wineserver, which then starts the service manager
        # anew for every program that starts (seen: dozens of services.exe, and 20 s more for
        # every program that asks COM for a service). Made, it is booted again by a server of
        # its own, which starts the services once.
        wine wineboot -i </dev/null >/dev/null 2>&1 || true
        wineserver -k >/dev/null 2>&1 || true
        wineserver -w >/dev/null 2>&1 || true
    fi
    wine wineboot </dev/null >/dev/null 2>&1 || true
    # Wine's own faces (Tahoma among them, from fonts-wine) go where every Wine finds a prefix's
    # fonts: Debian's Wine 8 misses them in its data folder.
    local face
    for face in /usr/share/wine/fonts/*.ttf; do
        [ -e "$face" ] && [ ! -e "$WINEPREFIX/drive_c/windows/Fonts/${face##*/}" ] &&
            ln -s "$face" "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null
    done
    # Verdana, which the pages ask for, is not on this system: DejaVu Sans is its nearest kin.
    grep -q '"Verdana"="DejaVu Sans"' "$WINEPREFIX/user.reg" 2>/dev/null ||
        wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Verdana /d 'DejaVu Sans' /f </dev/null >/dev/null 2>&1 || true
    # Windows that Wine draws itself: with no window manager on the display, a managed window
    # that closes waits two seconds for a manager's answer that never comes.
    grep -q '"Managed"="N"' "$WINEPREFIX/user.reg" 2>/dev/null ||
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1 || true
    wineserver -p </dev/null >/dev/null 2>&1 || true
    trap gw_wine_stop EXIT
}

# Wine sees only the faces that tools/setup.sh installs (DejaVu, beside Wine's own in the prefix),
# whatever else the machine has: another face for the dialog templates (Liberation, which Chromium
# brings) changes every dialog's size, and with it layouts, screenshots and pixel reads.
gw_font_set() {
    local folder="$1/fonts" face
    mkdir -p "$folder/faces"
    for face in $(dpkg-query -L fonts-dejavu-core 2>/dev/null | grep -E '\.ttf$'); do
        ln -sf "$face" "$folder/faces/"
    done
    cat >"$folder/fonts.conf" <<EOF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <dir>$folder/faces</dir>
  <cachedir>$folder/cache</cachedir>
  <!-- Debian's rendering, fixed here rather than taken from the machine. -->
  <match target="pattern">
    <edit name="antialias" mode="assign"><bool>true</bool></edit>
    <edit name="hinting" mode="assign"><bool>true</bool></edit>
    <edit name="hintstyle" mode="assign"><const>hintslight</const></edit>
    <edit name="rgba" mode="assign"><const>none</const></edit>
    <edit name="lcdfilter" mode="assign"><const>lcddefault</const></edit>
  </match>
</fontconfig>
EOF
    export FONTCONFIG_FILE="$folder/fonts.conf"
}

# The screen's DPI for the programs started after it; gw_wine_stop puts 96 back when it was changed.
gw_set_dpi() {
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f </dev/null >/dev/null 2>&1
    [ "$1" = 96 ] && GW_DPI_CHANGED="" || GW_DPI_CHANGED=1
}

# Drives the running Gatewarden (tools/appdriver): gw_driver command TurnOff, click x y, key vk...
gw_driver() {
    wine "$GW_BUILD/tools/AppDriver.exe" "$@" </dev/null >/dev/null 2>&1
}

# Prints the first X window whose caption matches, waiting up to 20 s for it; fails when none came.
gw_find_window() {
    local window
    for _ in $(seq 200); do
        window=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1 || true)
        if [ -n "$window" ]; then
            echo "$window"
            return 0
        fi
        sleep 0.1
    done
    return 1
}

gw_wine_stop() {
    if [ -n "${GW_DPI_CHANGED:-}" ]; then
        gw_set_dpi 96
    fi
    wineserver -k >/dev/null 2>&1 || true
    if [ -n "${GW_XVFB_PID:-}" ]; then
        kill "$GW_XVFB_PID" 2>/dev/null || true
        GW_XVFB_PID=""
    fi
}

#!/usr/bin/env bash
# Photographs the program's pages (resources/pages/) in a real engine window under a virtual
# display, into docs/pages-*.png: the main page at its window's default size at 96 and 144 DPI,
# filled with sample profiles and status lines, and the About page. Needs xdotool and ImageMagick.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${GW_BUILD_DIR:-build}"
tools/build.sh --target PageShot -j2
. tools/wine-session.sh
gw_wine_start "$build" own-display
viewer="$build/tools/PageShot.exe"
work=$(mktemp -d)
cp resources/pages/*.html resources/images/*.png "$work/"

# The main page as the program fills it: three profiles, the second current, the first active,
# and three status lines before the filler row that stays last.
rows='<tr name="proxy_info"><td><b>&raquo;</b></td><td nowrap="1">Office</td><td>Proxy</td><td nowrap="1">proxy.corp.example:8080</td><td nowrap="1">*.corp.example</td><td nowrap="1"></td></tr>
<tr name="proxy_info" id="second"><td> </td><td nowrap="1">Home</td><td>Direct</td><td nowrap="1"></td><td nowrap="1"></td><td nowrap="1"></td></tr>
<tr name="proxy_info"><td> </td><td nowrap="1">Hotel Wi-Fi</td><td>Auto</td><td nowrap="1"></td><td nowrap="1"></td><td nowrap="1">http://wpad.example/proxy.pac</td></tr>'
lines='<tr valign="top" height="5" style="color:white"><td style="color:white">09:41:07</td><td> </td><td style="color:white" width="100%%">Gatewarden run</td></tr>
<tr valign="top" height="5" style="color:white"><td style="color:white">09:41:07</td><td> </td><td style="color:white" width="100%%">Proxies loaded successfully</td></tr>
<tr valign="top" height="5" style="color:red"><td style="color:red">09:41:12</td><td> </td><td style="color:red" width="100%%">Failed to cleanup IE Cache</td></tr>'
ROWS="$rows" LINES="$lines" python3 - "$work/main.html" "$work/main-filled.html" <<'PY'
import os, sys
page = open(sys.argv[1], encoding="utf-8").read()
header_end = page.index("</tr>", page.index('id="proxy_list"')) + len("</tr>")
page = page[:header_end] + "\n" + os.environ["ROWS"] + page[header_end:]
filler = page.index('<tr class="filler">')
page = page[:filler] + os.environ["LINES"] + "\n" + page[filler:]
open(sys.argv[2], "w", encoding="utf-8").write(page)
PY

finish() {
    gw_wine_stop
    rm -rf "$work"
}
trap finish EXIT

shoot() {  # shoot <picture> <viewer arguments...>
    local picture="docs/$1" window viewer_pid
    shift
    wine "$viewer" "$@" >/dev/null &
    viewer_pid=$!
    if window=$(timeout 10 xdotool search --sync --onlyvisible --name '^PageShot$' | head -n1); then
        sleep 1
        xdotool mousemove 1270 1010  # no hover
        sleep 0.3
        import -window "$window" -strip -define png:compression-level=9 "$picture"
        echo "$picture: $(identify -format '%wx%h' "$picture"), $(stat -c %s "$picture") bytes"
    else
        echo "no PageShot window for $picture" >&2
    fi
    kill "$viewer_pid" 2>/dev/null || true
    wait "$viewer_pid" 2>/dev/null || true
    [ -n "$window" ]
}

main=("Z:$work/main-filled.html" 520x320 --current '#second')
gw_set_dpi 96
shoot pages-main.png "${main[@]}"
shoot pages-about.png "Z:$work/about.html" 437x234
gw_set_dpi 144
shoot pages-main-144dpi.png "${main[@]}"

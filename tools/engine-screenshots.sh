#!/usr/bin/env bash
# Photographs the engine's sample pages (tests/engine/shots/) in a real engine window under a
# virtual display, into docs/engine-*.png. Needs xdotool and ImageMagick.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${GW_BUILD_DIR:-build}"
tools/build.sh --target PageShot
. tools/wine-session.sh
gw_wine_start "$build" own-display
viewer="$build/tools/PageShot.exe"
pages="Z:$PWD/tests/engine/shots"
mkdir -p docs


# shoot <picture> <viewer arguments...>: with --locate, the mouse rests on that element.
shoot() {
    local picture="docs/$1" located window="" viewer_pid
    shift
    located=$(mktemp)
    wine "$viewer" "$@" >"$located" &
    viewer_pid=$!
    for _ in $(seq 100); do
        window=$(xdotool search --onlyvisible --name '^PageShot$' 2>/dev/null | head -n1 || true)
        [ -n "$window" ] && break
        sleep 0.1
    done
    if [ -z "$window" ]; then
        echo "no PageShot window for $picture" >&2
        kill "$viewer_pid" 2>/dev/null || true
        return 1
    fi
    sleep 1
    if [ -s "$located" ]; then
        read -r x y <"$located"
        xdotool mousemove "$x" "$y"
        sleep 0.5
    else
        xdotool mousemove 1270 1010  # out of the way
    fi
    if [ -n "${SHOT_BELOW:-}" ]; then
        # The window and what shows below it (a popup of its own): a part of the screen.
        local geometry
        geometry=$(xwininfo -id "$window" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4} /Width/{w=$2} /Height/{h=$2} END{print w"x"h+'"$SHOT_BELOW"'"+"x"+"y}')
        import -window root -crop "$geometry" -strip -define png:compression-level=9 "$picture"
    else
        import -window "$window" -strip -define png:compression-level=9 "$picture"
    fi
    kill "$viewer_pid" 2>/dev/null || true
    wait "$viewer_pid" 2>/dev/null || true
    rm -f "$located"
    echo "$picture: $(identify -format '%wx%h' "$picture"), $(stat -c %s "$picture") bytes"
}

table=("$pages/table.html" 780x400 --current '#r14' --scroll '#list' 0 160)
gw_set_dpi 96
shoot engine-toolbar-hover.png "$pages/toolbar.html" 520x70 --locate '#edit'
shoot engine-table.png "${table[@]}"
shoot engine-table-contrast.png "${table[@]}" --media contrast-screen
shoot engine-form.png "$pages/form.html" 460x360 --click '#name' --type ' 2'
SHOT_BELOW=40 shoot engine-form-open.png "$pages/form.html" 460x360 --click '#adapter'
gw_set_dpi 144
shoot engine-table-144dpi.png "${table[@]}"

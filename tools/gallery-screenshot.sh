#!/usr/bin/env bash
# Photographs the gallery of behaviors and windows in pages (tests/ui/data/gallery.html) in a
# host of the program's own under a virtual display, into docs/gallery.png. Needs xdotool and
# ImageMagick.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${GW_BUILD_DIR:-build}"
tools/build.sh --target GalleryViewer
. tools/wine-session.sh
GW_SCREEN=2560x1600 gw_wine_start "$build" own-display
trap gw_wine_stop EXIT
mkdir -p docs
page=$(winepath -w "$PWD/tests/ui/data/gallery.html")
wine "$build/tests/bin/GalleryViewer.exe" "$page" 2150x810 </dev/null >/dev/null 2>&1 &
viewer=$!
window=""
for _ in $(seq 100); do
    window=$(xdotool search --name '^Gallery$' 2>/dev/null | head -1) && [ -n "$window" ] && break
    sleep 0.2
done
[ -n "$window" ] || { echo "the gallery did not show" >&2; exit 1; }
# The frames load their pages and the clock takes its first tick.
sleep 3
import -window "$window" docs/gallery.png
kill "$viewer" 2>/dev/null || true
wait "$viewer" 2>/dev/null || true
echo "docs/gallery.png"

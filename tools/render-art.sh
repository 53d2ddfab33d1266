#!/usr/bin/env bash
# Renders the drawn sources in resources/art/ into the pictures the program carries:
# resources/images/*.png and resources/Gatewarden.ico. Run by hand after changing a drawing;
# the results are committed, the build does not run this.
#
# Toolbar pictures are drawn on a 16-unit grid and rendered at 32x32: the pages show them at 16x16
# CSS pixels, and the engine scales pictures with the DPI by nearest pixels, so a stroke on the
# 16-unit grid stays whole at 96 DPI and the 144 DPI picture takes its pixels from the finer one.
set -euo pipefail
cd "$(dirname "$0")/.."
need() {
    command -v "$1" >/dev/null 2>&1 && return
    apt-get install -y "$2" >/dev/null || { apt-get update >/dev/null && apt-get install -y "$2" >/dev/null; }
}
need rsvg-convert librsvg2-bin
need identify imagemagick
art=resources/art
images=resources/images
mkdir -p "$images"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

render() {  # render <svg> <png> <size, or WxH>
    local w=${3%x*} h=${3#*x}
    rsvg-convert -w "$w" -h "$h" -o "$work/out.png" "$1"
    # A fixed, metadata-free file: the same drawing gives the same bytes.
    /usr/bin/convert "$work/out.png" -strip -define png:color-type=6 -define png:compression-level=9 "$2"
}

for name in activate add delete edit help laptop; do
    render "$art/$name.svg" "$images/$name.png" 32x32
done
render "$art/about_top.svg" "$images/about_top.png" 437x70
render "$art/about_mid.svg" "$images/about_mid.png" 176x48

# The icon: the small mark for 16 and 32 (twice the 16 grid), the full one for 24, 48 and 256.
render "$art/icon16.svg" "$work/16.png" 16x16
render "$art/icon16.svg" "$work/32.png" 32x32
for size in 24 48 256; do
    render "$art/icon.svg" "$work/$size.png" "${size}x${size}"
done
/usr/bin/convert "$work/16.png" "$work/24.png" "$work/32.png" "$work/48.png" "$work/256.png" resources/Gatewarden.ico
identify resources/Gatewarden.ico "$images"/*.png | awk '{print $1, $3}'

#!/usr/bin/env bash
# Renders the program icon resources/icons/scrivlet.svg into the PNG sizes
# that menus, docks and file managers ask the icon theme for, in
# dist/icons/. Run it after changing the icon and commit the results; the
# build itself needs no SVG renderer. Needs rsvg-convert (librsvg2-bin).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
for size in 16 22 24 32 48 64 128 256; do
    mkdir -p "$root/dist/icons/${size}x${size}"
    rsvg-convert -w "$size" -h "$size" "$root/resources/icons/scrivlet.svg" \
        -o "$root/dist/icons/${size}x${size}/scrivlet.png"
done

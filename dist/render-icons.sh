#!/bin/sh
# Renders the fixed-size icons from the scalable one. The PNGs are kept in
# the repository so that building needs no SVG renderer; run this after
# changing the SVG (needs rsvg-convert from librsvg2-bin).
set -eu
cd "$(dirname "$0")/icons"
for size in 16 22 24 32 48 64 128 256; do
    mkdir -p "${size}x${size}/apps"
    rsvg-convert --width "$size" --height "$size" scalable/apps/velotrace.svg \
        --output "${size}x${size}/apps/velotrace.png"
done

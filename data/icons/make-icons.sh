#!/bin/sh
# Makes the PNG sizes a desktop asks for from tiko3.svg (needs rsvg-convert, Debian's
# librsvg2-bin). Run it again after changing the picture; the PNGs are committed.
set -eu
cd "$(dirname "$0")"
for size in 16 22 24 32 48 64 128 256; do
    mkdir -p "${size}x${size}"
    rsvg-convert --width "$size" --height "$size" --output "${size}x${size}/tiko3.png" tiko3.svg
done

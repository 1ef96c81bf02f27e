#!/usr/bin/env bash
# Photo-like JPEGs of 6000 x 4000 and 12000 x 8000 pixels (quality 90, 4:2:0) in DIR,
# made by make_picture.c and cjpeg; with --all also the 6000 x 4000 picture as PNG,
# LZW TIFF, BMP and PCX.
#   bench/tools/make_photos.sh DIR [--all]
set -euo pipefail
dir=$1
tools=$(dirname "$0")
cc -O2 -o "$dir/make_picture" "$tools/make_picture.c" -lpng -ltiff -lm
for size in 6000x4000 12000x8000; do
    "$dir/make_picture" ppm "${size%x*}" "${size#*x}" "$dir/photo.ppm"
    cjpeg -quality 90 -sample 2x2 "$dir/photo.ppm" >"$dir/photo-$size.jpg"
    rm "$dir/photo.ppm"
done
if [ "${2:-}" = "--all" ]; then
    for format in png tiff-lzw bmp pcx; do
        "$dir/make_picture" "$format" 6000 4000 "$dir/photo-6000x4000.${format%-lzw}"
    done
fi

#!/usr/bin/env bash
# Files rewritten while they are read: a writer process rewrites a file in place in a
# loop (truncates it, then writes it again a MiB at a time, as a sync tool, a camera
# import or an editor saving does, then rests up to 0.2 s) while tsn-dump reads it,
# RUNS times per file:
#   an ~11 MB JPEG read with --no-pixels, and
#   an ~37 MB tiled, uncompressed TIFF read with --preview half.
# Counts the reads that died of a signal; any other end (a picture, a failure, a damage
# note) is sound. With several tsn-dump programs they take turns on the same writer.
#   bench/rewrite_race.sh [RUNS] [TSN-DUMP...]
# Without a program, tsn-dump is built in build-bench/ (release).
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-300}
shift || true
dumps=("$@")

bash scripts/setup.sh libjpeg-turbo-progs libtiff-tools

if [ ${#dumps[@]} -eq 0 ]; then
    cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTSN_BUILD_GUI=OFF >/dev/null
    cmake --build build-bench --target tsn-dump >/dev/null
    dumps=(build-bench/src/cli/tsn-dump)
fi

work=$(mktemp -d)
writer=
cleanup() {
    if [ -n "$writer" ]; then
        kill "$writer" 2>/dev/null || true
        wait "$writer" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
export XDG_CONFIG_HOME="$work/config" XDG_CONFIG_DIRS="$work/config"
mkdir -p "$work/config"

# ---- the files: photo-like pictures made by code ----
cc -O2 -o "$work/make_picture" bench/tools/make_picture.c -lpng -ltiff -lm
"$work/make_picture" ppm 6000 4000 "$work/photo.ppm"
cjpeg -quality 90 -sample 2x2 "$work/photo.ppm" >"$work/photo.jpg"
"$work/make_picture" tiff-lzw 3500 3500 "$work/lzw.tif"
tiffcp -c none -t -w 256 -l 256 "$work/lzw.tif" "$work/tiled.tif"
rm "$work/photo.ppm" "$work/lzw.tif"

# Rewrites TARGET from SOURCE in place until killed.
start_writer() {
    python3 - "$1" "$2" <<'PY' &
import os, random, sys, time
source, target = sys.argv[1], sys.argv[2]
data = open(source, "rb").read()
step = 1 << 20
fd = os.open(target, os.O_WRONLY)
while True:
    os.ftruncate(fd, 0)
    for at in range(0, len(data), step):
        os.pwrite(fd, data[at:at + step], at)
    time.sleep(random.uniform(0, 0.2))  # so that many reads start on the whole file
PY
    writer=$!
}

race() {
    local label=$1 source=$2
    shift 2
    local target="$work/target.${source##*.}"
    cp "$source" "$target"
    local -A crashes=()
    for dump in "${dumps[@]}"; do crashes[$dump]=0; done
    start_writer "$source" "$target"
    sleep 0.2
    for ((i = 0; i < runs; i++)); do
        for dump in "${dumps[@]}"; do
            status=0
            "$dump" --json "$@" "$target" >/dev/null 2>&1 || status=$?
            if [ "$status" -gt 128 ]; then
                crashes[$dump]=$((crashes[$dump] + 1))
            fi
        done
    done
    kill "$writer"
    wait "$writer" 2>/dev/null || true
    writer=
    for dump in "${dumps[@]}"; do
        printf '%-44s %-28s crashes of %d: %d\n' "$label ($(du -m "$source" | cut -f1) MB)" \
            "$dump" "$runs" "${crashes[$dump]}"
    done
}

race "JPEG --no-pixels" "$work/photo.jpg" --no-pixels
race "tiled uncompressed TIFF --preview half" "$work/tiled.tif" --preview half
echo "(load average $(cut -d' ' -f1-3 /proc/loadavg); $(nproc) cores)"

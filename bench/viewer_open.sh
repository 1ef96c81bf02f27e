#!/usr/bin/env bash
# The viewer's open as a user sees it: from exec to the picture on screen, the whole
# process (CPU seconds user + system, wall seconds, peak resident memory), best of RUNS.
# Given two builds, they take turns on every case, for an A/B comparison.
#   bench/viewer_open.sh RUNS VIEWER_OPEN [VIEWER_OPEN_B]
# VIEWER_OPEN is bench/tools/viewer_open.cpp built in a GUI build with benchmarks:
#   cmake -S . -B build-speed -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTSN_BUILD_BENCH=ON
#   cmake --build build-speed --target viewer_open     # build-speed/bench/viewer_open
# The window is drawn on Qt's offscreen platform. Needs cjpeg, a C compiler, libpng, libtiff.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=$1
shift
viewers=("$@")

bash scripts/setup.sh libjpeg-turbo-progs >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bench/tools/make_photos.sh "$work"
python3 bench/tools/jpeg_card.py data/pirite.jpg "$work"/photo-*.jpg  # cards to show

# One settings store per preview kind; the welcome offer already made.
for type in 0 1; do
    mkdir -p "$work/config-$type/Tessellon"
    printf '[General]\nwelcome=1\nDisplayImage=1\nPreviewType=%s\n' "$type" \
        >"$work/config-$type/Tessellon/tsn_viewer.conf"
done

PYTHONPATH=bench/tools python3 - "$work" "$runs" "${viewers[@]}" <<'PY'
import os, sys
from measure import best_of
work, runs, viewers = sys.argv[1], int(sys.argv[2]), sys.argv[3:]
MiB = 1024 * 1024
header = f"{'picture':<22} {'preview':<5}"
for n, _ in enumerate(viewers):
    header += f" {'build ' + 'AB'[n] + ' CPU s':>12} {'wall s':>7} {'MiB':>6}"
print(header)
for size in ("6000x4000", "12000x8000"):
    for type, name in (("1", "half"), ("0", "full")):
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen",
                   XDG_CONFIG_HOME=f"{work}/config-{type}", XDG_CONFIG_DIRS=f"{work}/none")
        picture = f"{work}/photo-{size}.jpg"
        results = best_of(runs, *([viewer, picture] for viewer in viewers), env=env)
        row = f"photo-{size}.jpg{'':<4} {name:<5}"
        for cpu, wall, rss in results:
            row += f" {cpu:12.3f} {wall:7.3f} {rss / MiB:6.0f}"
        print(row)
PY
echo "(best of $runs taking turns; load average $(cut -d' ' -f1-3 /proc/loadavg);" \
    "$(nproc) cores; transparent huge pages: $(cat /sys/kernel/mm/transparent_hugepage/enabled)," \
    "defrag $(cat /sys/kernel/mm/transparent_hugepage/defrag))"

#!/usr/bin/env bash
# The speed goals, each measured side by side with its anchor in one run, one line per
# goal with the ratio and whether it holds. Times are CPU seconds (user + system) of
# the whole process, best of RUNS, so that other work on the machine does not count;
# wall-clock seconds are printed next to them. Memory is the peak resident size.
#   bench/goals.sh [RUNS]
# TSN_DUMP=path picks a built tsn-dump; otherwise it is built in build/.
# TSN_PAINT_BENCH=path to bench_paint (a build with GUI and benchmarks) adds goal 5.
# Needs cjpeg, djpeg (libjpeg-turbo-progs), exiv2, a C compiler, libpng and libtiff.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-7}

bash scripts/setup.sh libjpeg-turbo-progs exiv2

dump=${TSN_DUMP:-}
if [ -z "$dump" ]; then
    cmake -S . -B build -G Ninja >/dev/null
    cmake --build build --target tsn-dump >/dev/null
    dump=build/src/cli/tsn-dump
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/config" "$work/small-jpeg" "$work/small-png"
export XDG_CONFIG_HOME="$work/config" XDG_CONFIG_DIRS="$work/config"

# ---- corpus: photo-like pictures made by code ----
bench/tools/make_photos.sh "$work" --all
python3 bench/tools/make_small_files.py data/pirite.jpg 2000 "$work/small-jpeg" "$work/small-png"

# ---- measuring ----
PYTHONPATH=bench/tools python3 - "$work" "$dump" "$runs" "${TSN_PAINT_BENCH:-}" <<'PY'
import glob, json, os, subprocess, sys
from measure import best_of
work, dump, runs, paint_bench = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]
MiB = 1024 * 1024

def measure(*commands):
    return best_of(runs, *commands)

def ours(*args):
    return [dump, "--json", *args]

print(f"{'goal':<44} {'ours s':>7} {'anchor s':>8} {'ratio':>6} {'limit':>6} {'time':>5}"
      f" {'MiB':>6} {'limit':>6} {'mem':>4}   (wall: ours / anchor)")

def line(goal, mine, anchor, limit, memory_limit=None):
    """limit None: no time goal, the ratio only shown."""
    ratio = mine[0] / anchor[0]
    holds = "-" if limit is None else "holds" if ratio <= limit else "FAILS"
    used, cap, mem = f"{mine[2] / MiB:.0f}", "-", "-"
    if memory_limit is not None:
        cap = f"{memory_limit / MiB:.0f}"
        mem = "ok" if mine[2] <= memory_limit else "OVER"
    shown = "-" if limit is None else f"{limit:.2f}x"
    print(f"{goal:<44} {mine[0]:7.3f} {anchor[0]:8.3f} {ratio:5.2f}x {shown:>6} {holds:>5}"
          f" {used:>6} {cap:>6} {mem:>4}   ({mine[1]:.3f} / {anchor[1]:.3f})")

for size in ("6000x4000", "12000x8000"):
    w, h = map(int, size.split("x"))
    jpeg = f"{work}/photo-{size}.jpg"
    line(f"1 half-size preview {size}",
         *measure(ours("--preview", "half", jpeg),
                  ["djpeg", "-scale", "1/2", "-outfile", "/dev/null", jpeg]),
         1.10, (w // 2) * (h // 2) * 4 + 20 * MiB)
    line(f"1 fitted into 300x300 {size}",
         *measure(ours("--preview", "limited", "--max-size", "300", "300", jpeg),
                  ["djpeg", "-scale", "1/8", "-outfile", "/dev/null", jpeg]),
         1.10, 32 * MiB)
    line(f"2 full size {size}",
         *measure(ours("--preview", "full", jpeg), ["djpeg", "-outfile", "/dev/null", jpeg]),
         1.15, w * h * 4 + 20 * MiB)

# Goal 3 anchors: the best existing tool's figures for a 6000 x 4000 full decode.
# No memory goal here: the column shows the pixels + 20 MiB mark for reference only.
best = {"png": 0.51, "tiff": 0.41, "bmp": 0.185}
decoded = {}
for ext in ("png", "tiff", "bmp", "pcx"):
    decoded[ext] = measure(ours("--preview", "full", f"{work}/photo-6000x4000.{ext}"))[0]
for ext, figure in best.items():
    line(f"3 full decode {ext} 6000x4000 (vs best tool)", decoded[ext], (figure, figure, 0), 1.0)
line("3 full decode pcx 6000x4000 (vs our bmp)", decoded["pcx"], decoded["bmp"], 1.5)
# Half-size previews of the other formats: memory as JPEG's, preview + 20 MiB.
for ext in ("bmp", "pcx", "tiff"):
    half = measure(ours("--preview", "half", f"{work}/photo-6000x4000.{ext}"))[0]
    line(f"3 half-size preview {ext} 6000x4000 (vs full)", half, decoded[ext], None,
         3000 * 2000 * 4 + 20 * MiB)

def per_second(result, count):
    return count / result[0], count / result[1]

for kind, target in (("jpeg", 34000), ("png", 20000)):
    files = sorted(glob.glob(f"{work}/small-{kind}/*"))
    anchor = ["exiv2", "-pc"]
    mine, other = measure(ours("--no-pixels", "-j", "1", *files), anchor + files)
    mine, other = per_second(mine, len(files)), per_second(other, len(files))
    holds = "holds" if mine[0] >= target else "FAILS"
    print(f"{'4 --no-pixels -j 1 ' + kind + ' files/s (vs target)':<44} {mine[0]:7.0f} {target:8.0f}"
          f" {mine[0] / target:5.2f}x {'>=1':>6} {holds:>5} {'':>18}"
          f"({mine[1]:.0f}/s wall; {' '.join(anchor)}: {other[0]:.0f}/s CPU)")

if paint_bench:
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    report = json.loads(subprocess.run(
        [paint_bench, "--benchmark_format=json", "--benchmark_repetitions=3"],
        capture_output=True, check=True, env=env, text=True).stdout)
    worst = max(b["cpu_time"] for b in report["benchmarks"] if b.get("run_type") == "iteration")
    holds = "holds" if worst <= 5 else "FAILS"
    print(f"{'5 paint 1920x1080 of 12000x8000, worst ms':<44} {worst:7.2f} {5:8.2f}"
          f" {worst / 5:5.2f}x {1:5.2f}x {holds:>5}")
PY
echo "(CPU seconds, best of $runs taking turns; load average $(cut -d' ' -f1-3 /proc/loadavg);" \
    "$(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs))"

#!/usr/bin/env bash
# tsn-card's writing speed and memory:
#  1. `tsn-card set --title ...` on a 24 MP JPEG (6000 x 4000, quality 90, about 11 MB)
#     against `cp` of the same file (goal: at most 1.5x), and against `cp` followed by
#     `sync` of the copy, since tsn-card flushes the new file to disk before the rename;
#  2. its peak memory (GNU time's %M; goal: at most the file size + 16 MiB);
#  3. `tsn-card copy SOURCE` into COUNT small JPEGs (default 1,000) against
#     `exiftool -overwrite_original -comment<=CARD` on the same files (one process
#     each for all files), per file.
#   bench/card_write.sh [RUNS] [COUNT]
# Best of RUNS (default 5) of wall-clock time, taken in turns; CPU time (user +
# system) beside it. The load average is printed: the machine may be shared.
# TSN_CARD=path picks a built tsn-card; otherwise a release build is made in build-bench/.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
count=${2:-1000}

bash scripts/setup.sh libimage-exiftool-perl libjpeg-turbo-progs time

card=${TSN_CARD:-}
if [ -z "$card" ]; then
    cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTSN_BUILD_GUI=OFF >/dev/null
    cmake --build build-bench --target tsn-card >/dev/null
    card=build-bench/src/cli/tsn-card
fi
card=$(realpath "$card")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/config" "$work/small"
export XDG_CONFIG_HOME="$work/config" XDG_CONFIG_DIRS="$work/config"

cc -O2 -o "$work/make_picture" bench/tools/make_picture.c -lpng -ltiff -lm
"$work/make_picture" ppm 6000 4000 "$work/photo.ppm"
cjpeg -quality 90 -sample 2x2 "$work/photo.ppm" >"$work/photo.jpg"
rm "$work/photo.ppm"
python3 bench/tools/make_small_files.py data/pirite.jpg "$count" "$work/small" "$work/png" \
    >/dev/null
rm -rf "$work/png"
python3 -c "import sys; sys.path.insert(0, 'bench/tools'); from jpeg_card import card_of
open('$work/card.txt', 'wb').write(card_of('data/pirite.jpg'))"

echo "load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
python3 - "$work" "$card" "$runs" "$count" data <<'PY'
import os, subprocess, sys, time

work, card, runs, count, data = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4]), sys.argv[5]
photo = f"{work}/photo.jpg"
small = sorted(f"{work}/small/{name}" for name in os.listdir(f"{work}/small"))

def timed(command):
    """(wall s, cpu s, peak KiB) of one run: CPU and peak through GNU time, wall here
    (GNU time gives it in hundredths only)."""
    start = time.perf_counter()
    result = subprocess.run(["/usr/bin/time", "-f", "%U %S %M", *command],
                            capture_output=True, text=True, cwd=data)
    wall = time.perf_counter() - start
    if result.returncode != 0:
        sys.exit(f"{command[0]} failed: {result.stderr}")
    user, system, peak = result.stderr.split()[-3:]
    return wall, float(user) + float(system), int(peak)

def best(runs_of):
    """The best wall time of each command, taken in turns, and its CPU time and peak."""
    results = {name: [] for name in runs_of}
    for round in range(runs):
        for name, command in runs_of.items():
            results[name].append(timed(command(round)))
    return {name: min(values) for name, values in results.items()}

big = best({
    "tsn-card set": lambda n: [card, "set", "--title", f"Run {n}", photo],
    "cp": lambda n: ["cp", photo, f"{work}/copy.jpg"],
    "cp + sync": lambda n: ["sh", "-c", f"cp {photo} {work}/copy.jpg && sync {work}/copy.jpg"],
})
size_mib = os.path.getsize(photo) / 2**20
ours = big["tsn-card set"]
print(f"\n24 MP JPEG ({size_mib:.1f} MiB), best of {runs}:")
print(f"{'':14} {'wall s':>8} {'cpu s':>7} {'peak MiB':>9}")
for name, (wall, cpu, peak) in big.items():
    print(f"{name:14} {wall:8.3f} {cpu:7.3f} {peak / 1024:9.1f}")
for anchor in ("cp", "cp + sync"):
    ratio = ours[0] / max(big[anchor][0], 1e-3)
    print(f"tsn-card set / {anchor}: {ratio:.2f}x (goal 1.5x: {'holds' if ratio <= 1.5 else 'missed'})")
limit = size_mib + 16
print(f"peak {ours[2] / 1024:.1f} MiB, limit {limit:.1f} MiB: "
      f"{'holds' if ours[2] / 1024 <= limit else 'missed'}")

many = best({
    "tsn-card copy": lambda n: [card, "copy", "pirite.jpg", *small],
    "exiftool": lambda n: ["exiftool", "-q", "-overwrite_original", f"-comment<={work}/card.txt",
                           *small],
})
print(f"\n{count} small JPEGs, one process each, best of {runs}:")
print(f"{'':14} {'wall s':>8} {'cpu s':>7} {'ms/file':>8}")
for name, (wall, cpu, peak) in many.items():
    print(f"{name:14} {wall:8.3f} {cpu:7.3f} {1000 * wall / count:8.2f}")
ratio = many["exiftool"][0] / max(many["tsn-card copy"][0], 1e-3)
print(f"tsn-card copy is {ratio:.1f}x as fast as exiftool per file")
PY
echo "load average at end: $(cut -d' ' -f1-3 /proc/loadavg)"

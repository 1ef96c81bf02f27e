#!/usr/bin/env bash
# Files per second of `tsn-dump --json` over 2,000 small JPEGs with a card comment
# and an ordinary comment, next to `exiftool -Comment` and `exiv2 -pc` on the same
# files. Each tool reads all files in one process; the best of three runs counts.
#   bench/cli_throughput.sh [FILES]
# TSN_DUMP=path picks a built tsn-dump; otherwise it is built in build/.
set -euo pipefail
cd "$(dirname "$0")/.."
count=${1:-2000}

bash scripts/setup.sh libimage-exiftool-perl exiv2 libjpeg-turbo-progs

dump=${TSN_DUMP:-}
if [ -z "$dump" ]; then
    cmake -S . -B build -G Ninja >/dev/null
    cmake --build build --target tsn-dump >/dev/null
    dump=build/src/cli/tsn-dump
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/corpus" "$work/config"

# The corpus: one small picture, and per file the example image's card comment and
# a numbered ordinary comment, as COM segments right after the start marker.
python3 - "$work" "$count" data/pirite.jpg <<'PY'
import struct, subprocess, sys
work, count, example = sys.argv[1], int(sys.argv[2]), sys.argv[3]
w, h = 96, 64
pixels = bytes(v for y in range(h) for x in range(w) for v in (x * 2 % 256, y * 4 % 256, 128))
with open(f"{work}/base.ppm", "wb") as f:
    f.write(b"P6\n%d %d\n255\n" % (w, h) + pixels)
base = subprocess.run(["cjpeg", "-quality", "85", f"{work}/base.ppm"],
                      capture_output=True, check=True).stdout
def segments(data):
    i = 2
    while i + 4 <= len(data) and data[i] == 0xFF and data[i + 1] not in (0xDA, 0xD9):
        length = struct.unpack(">H", data[i + 2:i + 4])[0]
        yield data[i + 1], data[i + 4:i + 2 + length]
        i += 2 + length
card = next(body for marker, body in segments(open(example, "rb").read()) if marker == 0xFE)
def com(text):
    return b"\xff\xfe" + struct.pack(">H", len(text) + 2) + text
for n in range(count):
    with open(f"{work}/corpus/img{n:05d}.jpg", "wb") as f:
        f.write(base[:2] + com(card) + com(b"Ordinary comment number %d" % n) + base[2:])
PY

files=("$work"/corpus/*.jpg)
# Best of three runs: files per second of wall-clock time, and of CPU time (user +
# system), which shows the work done even when other jobs share the machine.
rates() {
    python3 - "${#files[@]}" "$@" <<'PY'
import os, subprocess, sys, time
count, command = int(sys.argv[1]), sys.argv[2:]
wall = cpu = 0.0
for _ in range(3):
    before = os.times()
    start = time.perf_counter()
    subprocess.run(command, stdout=subprocess.DEVNULL, check=True)
    elapsed = time.perf_counter() - start
    after = os.times()
    used = (after.children_user - before.children_user) + (after.children_system - before.children_system)
    wall = max(wall, count / elapsed)
    cpu = max(cpu, count / max(used, 1e-3))
print(f"{wall:.0f} {cpu:.0f}")
PY
}

export XDG_CONFIG_HOME="$work/config" XDG_CONFIG_DIRS="$work/config"
read -r ours_wall ours_cpu < <(rates "$dump" --json "${files[@]}")
read -r exiftool_wall exiftool_cpu < <(rates exiftool -q -Comment "${files[@]}")
read -r exiv2_wall exiv2_cpu < <(rates exiv2 -pc "${files[@]}")

ratio() { python3 -c "print(f'{$1 / $2:.2f}x')"; }
printf '%-20s %12s %12s %14s %14s\n' "tool" "files/s wall" "files/s CPU" "tsn-dump wall" "tsn-dump CPU"
printf '%-20s %12s %12s %14s %14s\n' "tsn-dump --json" "$ours_wall" "$ours_cpu" "-" "-"
printf '%-20s %12s %12s %14s %14s\n' "exiftool -Comment" "$exiftool_wall" "$exiftool_cpu" \
    "$(ratio "$ours_wall" "$exiftool_wall")" "$(ratio "$ours_cpu" "$exiftool_cpu")"
printf '%-20s %12s %12s %14s %14s\n' "exiv2 -pc" "$exiv2_wall" "$exiv2_cpu" \
    "$(ratio "$ours_wall" "$exiv2_wall")" "$(ratio "$ours_cpu" "$exiv2_cpu")"
echo "($count JPEGs of 96 x 64 with two comments each; load average $(cut -d' ' -f1 /proc/loadavg))"

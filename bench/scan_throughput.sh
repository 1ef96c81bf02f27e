#!/usr/bin/env bash
# Files per second of `tsn-dump --json --no-pixels` with one and with two workers
# over small JPEGs with a card comment and an ordinary one, and over small PNGs with
# one text before the image data and the card after it, next to `exiv2 -pc` and
# `exiftool -fast -Comment` on the same files in the same run: 2,000 files, and
# 100,000 (exiftool then reads the first 10,000 only: it takes minutes otherwise).
# Two single-worker tsn-dump processes on the two halves of the list show what two
# workers could give on this machine if they shared nothing.
#   bench/scan_throughput.sh [RUNS] [SMALL] [LARGE]
# The tools take turns, best of RUNS (default 3). Rates are of wall-clock time and of
# CPU time (user + system, child processes included), which shows the work done even
# when other jobs share the machine. Memory is the peak resident size of one process.
# The ratios to -j 1 come twice: of the best times, and the median of each round's
# ratio, which a machine whose speed drifts between rounds upsets less.
# TSN_DUMP=path picks a built tsn-dump; otherwise a release build is made in build-bench/.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-3}
small=${2:-2000}
large=${3:-100000}

bash scripts/setup.sh libimage-exiftool-perl exiv2 libjpeg-turbo-progs time

dump=${TSN_DUMP:-}
if [ -z "$dump" ]; then
    cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTSN_BUILD_GUI=OFF >/dev/null
    cmake --build build-bench --target tsn-dump >/dev/null
    dump=build-bench/src/cli/tsn-dump
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/jpeg" "$work/png" "$work/config"
export XDG_CONFIG_HOME="$work/config" XDG_CONFIG_DIRS="$work/config"

# The corpus: one small picture; per file the example image's card comment and a
# numbered ordinary comment (JPEG: COM segments after the start marker; PNG: a tEXt
# before IDAT, the card in a tEXt after it, so a reader must walk past the pixels).
python3 bench/tools/make_small_files.py data/pirite.jpg "$large" "$work/jpeg" "$work/png"

python3 - "$work" "$dump" "$runs" "$small" "$large" <<'PY'
import os, subprocess, sys, time
work, dump, runs, small, large = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4]), int(sys.argv[5])
exiftool_most = 10000

def file_list(kind, count):
    """A NUL-separated list of the first `count` files: every tool reads the same list,
    tsn-dump through --files-from, the others through xargs (the list is longer than
    one command line may be)."""
    path = f"{work}/{kind}-{count}.list"
    names = sorted(os.listdir(f"{work}/{kind}"))[:count]
    with open(path, "wb") as f:
        f.write(b"".join(f"{work}/{kind}/{name}".encode() + b"\0" for name in names))
    return path

def halves(kind, count):
    """The first `count` files' list cut in two, for two processes side by side: what the
    machine gives two workers that share nothing."""
    names = open(file_list(kind, count), "rb").read().split(b"\0")[:-1]
    paths = []
    for i, part in enumerate((names[:count // 2], names[count // 2:])):
        paths.append(f"{work}/{kind}-{count}-{i}.list")
        with open(paths[-1], "wb") as f:
            f.write(b"".join(name + b"\0" for name in part))
    return paths

rss_file = f"{work}/rss"

def run_once(command, stdin_path):
    """Wall seconds, CPU seconds (user + system, waited-for children included) and peak
    resident KiB of the largest process (GNU time's, as this process's own size would
    count in a child forked from it)."""
    with open(stdin_path, "rb") as stdin:
        start = time.perf_counter()
        child = subprocess.Popen(["/usr/bin/time", "-f", "%M", "-o", rss_file] + command,
                                 stdin=stdin, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        _, _, usage = os.wait4(child.pid, 0)
        elapsed = time.perf_counter() - start
    return elapsed, usage.ru_utime + usage.ru_stime, int(open(rss_file).read().split()[-1])

def measure(tools):
    """Each tool `runs` times, taking turns; the best wall and CPU time, the lowest peak,
    and every round's wall time (for ratios of runs made side by side in time)."""
    best = {name: [float("inf")] * 3 for name in tools}
    rounds = {name: [] for name in tools}
    for _ in range(runs):
        for name, (command, stdin_path, _) in tools.items():
            once = run_once(command, stdin_path)
            best[name] = [min(a, b) for a, b in zip(best[name], once)]
            rounds[name].append(once[0])
    return best, rounds
def median_ratio(slow, fast):
    """The median over rounds of one round's ratio: steadier than the ratio of the bests
    on a machine whose speed drifts from minute to minute."""
    ratios = sorted(a / b for a, b in zip(slow, fast))
    middle = len(ratios) // 2
    return ratios[middle] if len(ratios) % 2 else (ratios[middle - 1] + ratios[middle]) / 2

print(f"{'files':>7} {'format':<5} {'tool':<30} {'files/s wall':>12} {'files/s CPU':>12}"
      f" {'vs exiv2 CPU':>12} {'peak MiB':>9}")
for count in (small, large):
    for kind in ("jpeg", "png"):
        listed = file_list(kind, count)
        some = file_list(kind, min(count, exiftool_most))
        xargs = ["xargs", "-0"]
        tools = {
            "tsn-dump --no-pixels -j 1": ([dump, "--json", "--no-pixels", "-j", "1",
                                           "--files-from", "-", "-0"], listed, count),
            "tsn-dump --no-pixels -j 2": ([dump, "--json", "--no-pixels", "-j", "2",
                                           "--files-from", "-", "-0"], listed, count),
            "2 x tsn-dump -j 1, halves": (["sh", "-c", " & ".join(
                f"'{dump}' --json --no-pixels -j 1 --files-from '{half}' -0"
                for half in halves(kind, count)) + "; wait"], listed, count),
            "exiv2 -pc": (xargs + ["exiv2", "-pc"], listed, count),
            "exiftool -fast -Comment": (xargs + ["exiftool", "-fast", "-Comment"], some,
                                        min(count, exiftool_most)),
        }
        best, rounds = measure(tools)
        exiv2_cpu = tools["exiv2 -pc"][2] / best["exiv2 -pc"][1]
        for name, (wall, cpu, rss) in best.items():
            files = tools[name][2]
            note = f" ({files} files)" if files != count else ""
            print(f"{count:>7} {kind:<5} {name + note:<30} {files / wall:12.0f} {files / cpu:12.0f}"
                  f" {files / cpu / exiv2_cpu:11.2f}x {rss / 1024:9.1f}")
        one, two = best["tsn-dump --no-pixels -j 1"], best["tsn-dump --no-pixels -j 2"]
        apart = best["2 x tsn-dump -j 1, halves"]
        single = rounds["tsn-dump --no-pixels -j 1"]
        for name, label, other in (("tsn-dump --no-pixels -j 2", "-j 2 against -j 1", two),
                                   ("2 x tsn-dump -j 1, halves", "two processes against -j 1",
                                    apart)):
            print(f"{'':>7} {'':<5} {label:<30} {one[0] / other[0]:11.2f}x"
                  f" {one[1] / other[1]:11.2f}x  (wall, median of rounds:"
                  f" {median_ratio(single, rounds[name]):.2f}x)")
PY
echo "(best of $runs taking turns; load average $(cut -d' ' -f1-3 /proc/loadavg);" \
    "$(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs))"

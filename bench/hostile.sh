#!/usr/bin/env bash
# What files that claim far more than they hold cost to open: for each file made by
# bench/tools/make_hostile.py (a huge claimed size over a few bytes, in every format,
# and one honest 12000 x 8000 progressive JPEG of a few hundred KB), tsn-dump's peak
# resident memory and CPU time (user + system) at full size, at half size and with
# --no-pixels, and what it reported. Best of RUNS for the time, lowest peak.
#   bench/hostile.sh [RUNS]
# TSN_DUMP=path picks a built tsn-dump; otherwise it is built in build/.
# Needs cjpeg (libjpeg-turbo-progs) and python3.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-3}

bash scripts/setup.sh libjpeg-turbo-progs

dump=${TSN_DUMP:-}
if [ -z "$dump" ]; then
    cmake -S . -B build -G Ninja >/dev/null
    cmake --build build --target tsn-dump >/dev/null
    dump=build/src/cli/tsn-dump
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/config" "$work/files"
export XDG_CONFIG_HOME="$work/config" XDG_CONFIG_DIRS="$work/config"

python3 bench/tools/make_hostile.py "$work/files" >"$work/manifest"

python3 - "$work" "$dump" "$runs" <<'PY'
import json, os, subprocess, sys, time
work, dump, runs = sys.argv[1], sys.argv[2], int(sys.argv[3])
MiB = 1024 * 1024

def run_once(command):
    """CPU seconds, wall seconds, peak resident bytes, standard output and error of one run."""
    start = time.perf_counter()
    with open(f"{work}/stderr", "w+b") as err:
        child = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=err)
        out = child.stdout.read()
        _, _, usage = os.wait4(child.pid, 0)
        err.seek(0)
        errors = err.read()
    elapsed = time.perf_counter() - start
    return usage.ru_utime + usage.ru_stime, elapsed, usage.ru_maxrss * 1024, out, errors

def report(out, err, path):
    """load_result; damage when the record has it (else error); the reason of a failure."""
    try:
        record = json.loads(out.decode().splitlines()[0])
    except (ValueError, IndexError):
        return "no record"
    note = record.get("damage") if "damage" in record else record.get("error")
    text = f"load_result {record.get('load_result')}"
    if note:
        text += f"; {'damage' if 'damage' in record else 'error'}: {note}"
    prefix = f"tsn-dump: {path}: "
    reasons = [line[len(prefix):] for line in err.decode(errors="replace").splitlines()
               if line.startswith(prefix)]
    if record.get("load_result") and reasons:
        text += f" ({reasons[-1]})"
    return text

modes = (("full", ["--preview", "full"]), ("half", ["--preview", "half"]),
         ("no-pixels", ["--no-pixels"]))
print(f"{'file':<28} {'bytes':>8} {'claimed':>11} {'mode':<9} {'peak MiB':>8} {'CPU s':>6}"
      f" {'wall s':>6}  reported")
for line in open(f"{work}/manifest"):
    name, claimed, _ = line.rstrip("\n").split("\t")
    path = f"{work}/files/{name}"
    size = os.path.getsize(path)
    for mode, options in modes:
        best = None
        for _ in range(runs):
            cpu, wall, rss, out, err = run_once([dump, "--json", *options, path])
            best = (cpu, wall, rss, out, err) if best is None else \
                (min(best[0], cpu), min(best[1], wall), min(best[2], rss), out, err)
        print(f"{name:<28} {size:>8} {claimed:>11} {mode:<9} {best[2] / MiB:8.1f}"
              f" {best[0]:6.3f} {best[1]:6.3f}  {report(best[3], best[4], path)}", flush=True)
PY
echo "(best of $runs; load average $(cut -d' ' -f1-3 /proc/loadavg); $(nproc) cores," \
    "$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs))"

"""Whole-process measurements for the bench scripts: CPU seconds (user + system), wall
seconds and peak resident bytes, commands taking turns so that a busy moment of the
machine hits each of them alike."""
import os
import subprocess
import sys
import tempfile
import time


def run_once(command, env=None):
    """CPU seconds, wall seconds and peak resident bytes of one run, which must succeed."""
    with tempfile.NamedTemporaryFile() as rss_file:
        start = time.perf_counter()
        child = subprocess.Popen(["/usr/bin/time", "-f", "%M", "-o", rss_file.name] + command,
                                 stdout=subprocess.DEVNULL, env=env)
        _, status, usage = os.wait4(child.pid, 0)
        elapsed = time.perf_counter() - start
        if os.waitstatus_to_exitcode(status) != 0:
            sys.exit(f"failed: {' '.join(command)}")
        rss = int(open(rss_file.name).read().split()[-1]) * 1024
    return usage.ru_utime + usage.ru_stime, elapsed, rss


def best_of(runs, *commands, env=None):
    """Each command `runs` times in turns: the best CPU and wall time and lowest peak."""
    best = [[float("inf")] * 3 for _ in commands]
    for _ in range(runs):
        for i, command in enumerate(commands):
            best[i] = [min(a, b) for a, b in zip(best[i], run_once(command, env))]
    return best

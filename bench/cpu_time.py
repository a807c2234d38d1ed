#!/usr/bin/env python3
"""Processor time (user + system) of a command, min and median over runs.

    bench/cpu_time.py RUNS COMMAND ARGS...

The child's own rusage is read with os.wait4, so the figure does not count
the time other programs take on a loaded machine. Output goes to /dev/null."""
import os
import statistics
import subprocess
import sys
import time


def main():
    if sys.argv[1:2] in (["--help"], ["-h"]):
        print(__doc__)
        return
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    runs = int(sys.argv[1])
    command = sys.argv[2:]
    cpu, wall = [], []
    for _ in range(runs):
        start = time.monotonic()
        child = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        _, status, usage = os.wait4(child.pid, 0)
        wall.append(time.monotonic() - start)
        if status != 0:
            sys.exit(f"{command[0]} failed with status {status}")
        cpu.append(usage.ru_utime + usage.ru_stime)
    print(f"cpu min {min(cpu) * 1000:.2f} ms median {statistics.median(cpu) * 1000:.2f} ms; "
          f"wall median {statistics.median(wall) * 1000:.2f} ms ({runs} runs)")


if __name__ == "__main__":
    main()

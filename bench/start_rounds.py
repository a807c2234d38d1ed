#!/usr/bin/env python3
"""Whole-process runs in rounds: each round runs every command once, in turn,
so all meet the same load. Prints a table of the medians of wall and
processor milliseconds and the medians of each round's ratios to the first
command.

    bench/start_rounds.py RUNS TITLE [--server PID] NAME=COMMAND...

COMMAND is split as the shell would. Round 0 warms the caches and is left out. Wall
time is perf_counter around the start and the reaping; processor time is
the child's own user + system time (os.wait4), so other programs' work on
a busy machine does not count. With --server, the X server's processor time
over each program's runs (from /proc, in clock ticks) is shown per run."""
import os
import shlex
import statistics
import subprocess
import sys
import time


def server_ticks(pid):
    if pid is None:
        return 0
    # Fields 14 and 15 after the command's name in parentheses: utime, stime.
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])


def run_once(command):
    start = time.perf_counter()
    child = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(child.pid, 0)
    wall = time.perf_counter() - start
    if status != 0:
        sys.exit(f"{' '.join(command)} ended with status {status}")
    return wall * 1000, (usage.ru_utime + usage.ru_stime) * 1000


def main():
    args = sys.argv[1:]
    if not args or args[0] in ("-h", "--help") or len(args) < 3:
        sys.exit(__doc__)
    runs, title, args = int(args[0]), args[1], args[2:]
    server = None
    if args[0] == "--server":
        server, args = int(args[1]), args[2:]
    programs = [(a.split("=", 1)[0], shlex.split(a.split("=", 1)[1])) for a in args]
    times = {name: [] for name, _ in programs}
    ticks = {name: 0 for name, _ in programs}
    for round_number in range(runs + 1):
        for name, command in programs:
            before = server_ticks(server)
            measured = run_once(command)
            if round_number > 0:
                times[name].append(measured)
                ticks[name] += server_ticks(server) - before
    tick_ms = 1000 / os.sysconf("SC_CLK_TCK")
    first = times[programs[0][0]]
    print(f"\n{title} ({runs} rounds)\n")
    print(f"| program | wall ms | cpu ms | {programs[0][0]} / it, wall | {programs[0][0]} / it, cpu |"
          + (" X server cpu ms per run |" if server else ""))
    print("|---|---:|---:|---:|---:|" + ("---:|" if server else ""))
    for name, _ in programs:
        own = times[name]
        wall = statistics.median(t[0] for t in own)
        cpu = statistics.median(t[1] for t in own)
        ratio_wall = statistics.median(f[0] / t[0] for f, t in zip(first, own))
        ratio_cpu = statistics.median(f[1] / t[1] for f, t in zip(first, own) if t[1] > 0)
        line = f"| {name} | {wall:.1f} | {cpu:.1f} | {ratio_wall:.3f} | {ratio_cpu:.3f} |"
        if server:
            line += f" {ticks[name] * tick_ms / runs:.1f} |"
        print(line)


if __name__ == "__main__":
    main()

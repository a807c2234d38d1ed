#!/usr/bin/env python3
"""Figures from the logs that run.sh collects.

    analyse.py periods LOG DELAY FRAMES SKIP   frame periods of one timing run
    analyse.py rate LOG WIDTH HEIGHT SETTLE    frames per second painted at one size
    analyse.py cpu START END CLK_TCK             processor use between two snapshots
    analyse.py ffclock LOG PERIOD_MS START END   frames ffplay showed, from its -stats
    analyse.py speed40 FLIC COPY                 a copy whose FLC header asks for 40 ms

A LOG has the lines of xput_shim.c: kind, monotonic ns, drawable, width, height,
one a picture shown (the puts up to a flush, their box's size). The movie
window is the drawable with the most lines; a frame that changes nothing
puts nothing, so the timing runs use flics whose frames all change.

A snapshot (run.sh's snapshot) is a folder with wall (seconds), stat (the
process's /proc/PID/stat) and sched (nanoseconds on a processor summed over
/proc/PID/task/*/schedstat).
"""
import collections
import statistics
import struct
import sys


def movie_puts(path):
    rows = []
    with open(path) as f:
        for line in f:
            parts = line.split()
            if len(parts) == 5:
                rows.append((parts[0], int(parts[1]), parts[2], int(parts[3]), int(parts[4])))
    if not rows:
        sys.exit(f"{path}: no puts logged")
    counts = collections.Counter(r[2] for r in rows)
    movie = counts.most_common(1)[0][0]
    return [r for r in rows if r[2] == movie]


def periods(path, delay, frames, skip):
    puts = movie_puts(path)
    times = [r[1] / 1e6 for r in puts]  # ms
    times = times[skip:skip + frames + 1]
    if len(times) < frames + 1:
        sys.exit(f"{path}: only {len(times) - 1} periods after skipping {skip}")
    p = [b - a for a, b in zip(times, times[1:])]
    head = statistics.fmean(p[:100])
    tail = statistics.fmean(p[-100:])
    total = times[-1] - times[0]
    within = sum(1 for x in p if abs(x - delay) <= 1.0) / len(p)
    # delay | frames | mean | sd | min | max | first 100 | last 100 | total - frames*delay | within 1 ms
    print(f"| {delay} ms | {len(p)} | {statistics.fmean(p):.3f} | {statistics.pstdev(p):.3f} | {min(p):.3f} "
          f"| {max(p):.3f} | {head:.3f} | {tail:.3f} | {total - len(p) * delay:+.1f} ms "
          f"| {within:.1%} |")


def rate(path, width, height, settle):
    """Frames per second over the puts of this size, leaving out the first SETTLE seconds."""
    times = [r[1] / 1e9 for r in movie_puts(path) if r[3] == width and r[4] == height]
    if len(times) < 2:
        print("nan 0 0")
        return
    start = times[0] + settle
    times = [t for t in times if t >= start]
    if len(times) < 2:
        print("nan 0 0")
        return
    span = times[-1] - times[0]
    print(f"{(len(times) - 1) / span:.1f} {len(times)} {span:.2f}")


def cpu(start, end, clk_tck):
    """Processor seconds per wall second between two snapshots: from utime +
    stime (the whole process, in clock ticks), and from the threads' schedstat
    (nanoseconds; a thread that ended in between is missing from it)."""
    def read(folder, name):
        with open(f"{folder}/{name}") as f:
            return f.read()

    def ticks(text):
        # The command name may hold blanks; the fields after its ')' are fixed.
        fields = text[text.rindex(")") + 2:].split()
        return int(fields[11]) + int(fields[12])  # utime, stime (fields 14 and 15)
    wall = float(read(end, "wall")) - float(read(start, "wall"))
    used = (ticks(read(end, "stat")) - ticks(read(start, "stat"))) / clk_tck
    sched = (int(read(end, "sched")) - int(read(start, "sched"))) / 1e9
    print(f"{used / wall:.4f} {sched / wall:.4f} {used:.2f} {wall:.2f}")


def ffclock(path, period_ms, start, end):
    """Frames ffplay showed between two snapshots, which hold the size its
    -stats log had then. The status line starts with its video clock, which
    goes back to 0 at each loop: the time it advanced in all, over the frame
    period, is the frames shown (to a frame a loop)."""
    def read(folder, name):
        with open(f"{folder}/{name}") as f:
            return f.read()
    first, last = int(read(start, "log")), int(read(end, "log"))
    wall = float(read(end, "wall")) - float(read(start, "wall"))
    with open(path, "rb") as f:
        f.seek(first)
        text = f.read(last - first).decode(errors="replace")
    advanced = 0.0
    previous = None
    dropped = []
    for line in text.replace("\r", "\n").split("\n"):
        parts = line.split()
        if len(parts) < 4 or parts[1] != "M-V:":
            continue
        try:
            clock = float(parts[0])
        except ValueError:
            continue  # a line cut at the snapshot
        if clock != clock:  # nan before the first frame
            continue
        if previous is not None:
            advanced += clock - previous if clock >= previous else clock
        previous = clock
        if "fd=" in line:
            dropped.append(int(line.split("fd=")[1].split()[0]))
    frames = advanced * 1000 / period_ms
    drops = dropped[-1] - dropped[0] if dropped else 0
    print(f"video clock advanced {advanced:.2f} s in {wall:.2f} s: {frames / wall:.1f} frames/s shown, "
          f"{drops} dropped")


def speed40(source, copy):
    """Copies a flic; an FLC's speed (milliseconds a frame, at offset 16)
    becomes 40. Prints FLC or FLI."""
    with open(source, "rb") as f:
        data = bytearray(f.read())
    flc = struct.unpack_from("<H", data, 4)[0] == 0xAF12
    if flc:
        struct.pack_into("<I", data, 16, 40)
    with open(copy, "wb") as f:
        f.write(data)
    print("FLC" if flc else "FLI")


def main():
    if sys.argv[1:2] in (["--help"], ["-h"]):
        print(__doc__)
        return
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    command = sys.argv[1]
    if command == "periods":
        periods(sys.argv[2], int(sys.argv[3]), int(sys.argv[4]), int(sys.argv[5]))
    elif command == "rate":
        rate(sys.argv[2], int(sys.argv[3]), int(sys.argv[4]), float(sys.argv[5]))
    elif command == "cpu":
        cpu(sys.argv[2], sys.argv[3], int(sys.argv[4]))
    elif command == "ffclock":
        ffclock(sys.argv[2], float(sys.argv[3]), sys.argv[4], sys.argv[5])
    elif command == "speed40":
        speed40(sys.argv[2], sys.argv[3])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Decode rate of kinetrope against ffmpeg as a peer, file reading excluded.

    bench/peer_rate.py CLI LOOPS RUNS FILE...

ffmpeg: `ffmpeg -threads 1 -stream_loop LOOPS -i FILE -f null -` decodes the
flic LOOPS + 1 times; the same with `-c copy` only demuxes it. The difference
of their processor times (user + system of the child, median of RUNS runs) is
ffmpeg's decoding alone. kinetrope: `CLI bench FILE --runs RUNS`, which loads
the flic into memory untimed and reports the median processor time of its runs.
"""
import os
import re
import statistics
import subprocess
import sys


def measure(command, runs):
    times, frames = [], None
    for _ in range(runs):
        child = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        err = child.stderr.read().decode(errors="replace")
        _, status, usage = os.wait4(child.pid, 0)
        if status != 0:
            sys.exit(f"failed: {' '.join(command)}\n{err[-500:]}")
        times.append(usage.ru_utime + usage.ru_stime)
        found = re.findall(r"frame=\s*(\d+)", err)
        if found:
            frames = int(found[-1])
    return statistics.median(times), frames


def main():
    if sys.argv[1:2] in (["--help"], ["-h"]):
        print(__doc__)
        return
    if len(sys.argv) < 5:
        sys.exit(__doc__)
    cli, loops, runs = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    print("| File | Picture | ffmpeg frames | ffmpeg decode+demux s | demux s | ffmpeg decode µs/frame "
          "| kinetrope µs/frame | kinetrope / ffmpeg speed |")
    print("|---|---|---:|---:|---:|---:|---:|---:|")
    for path in sys.argv[4:]:
        base = ["ffmpeg", "-nostdin", "-hide_banner", "-threads", "1", "-stream_loop", str(loops), "-i", path]
        full, frames = measure(base + ["-f", "null", "-"], runs)
        demux, _ = measure(base + ["-c", "copy", "-f", "null", "-"], runs)
        peer = (full - demux) / frames * 1e6
        out = subprocess.run([cli, "bench", path, "--runs", str(runs)], capture_output=True, text=True,
                             check=True).stdout
        rate = float(re.search(r"frames per second: (\d+)", out).group(1))
        size = re.search(r"frames of (\d+ x \d+)", out).group(1)
        ours = 1e6 / rate
        print(f"| {os.path.basename(path)} | {size} | {frames} | {full:.3f} | {demux:.3f} | {peer:.2f} "
              f"| {ours:.2f} | {peer / ours:.2f} |")


if __name__ == "__main__":
    main()

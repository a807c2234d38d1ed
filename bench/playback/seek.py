#!/usr/bin/env python3
"""Step back and frame-bar jumps in the real player, from the key or click to
the frame on the screen, on a virtual X display.

    xvfb-run -a -s "-screen 0 1920x1200x24 -nolisten tcp" \\
        python3 bench/playback/seek.py PLAYER SHIM.so FLIC [REPEATS]

The player plays FLIC from disk with no delay and looping, under
xput_shim.so (see xput_shim.c), which timestamps every picture put on the X
server. After the first pass (which keeps the key pictures) it is paused
with the X key near the end of the second pass, and then:

- Z (step back), REPEATS times with a new xdotool for each key, and REPEATS
  times through one xdotool that reads its commands from a pipe.

(The frame bar cannot be reached this way: a playback started by a word
runs before the control panel is shown. The frame bar's rebuilds run the
same code as the step back; `kinetrope-cli bench FILE --seek N` measures
them at random targets.)

Wall time runs from just before the key is sent to the first put of a
flic-sized picture after it (with a new xdotool, its own start, measured
alone and printed, is included); processor time is the sum of the player's threads'
schedstat run times over the same span plus 50 ms. Medians and maxima.
"""
import os
import re
import statistics
import subprocess
import sys
import tempfile
import time


def schedstat(pid):
    total = 0
    for task in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{task}/schedstat") as f:
                total += int(f.read().split()[0])
        except OSError:
            pass
    return total


class Puts:
    def __init__(self, path, width, height):
        self.path, self.size = path, (width, height)

    def lines(self):
        try:
            with open(self.path) as f:
                return f.read().splitlines()
        except OSError:
            return []

    def count(self):
        return sum(1 for line in self.lines() if self.flic_sized(line))

    def flic_sized(self, line):
        parts = line.split()
        return len(parts) == 5 and (int(parts[3]), int(parts[4])) == self.size

    def first_after(self, t_ns, timeout=5.0):
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            for line in self.lines():
                parts = line.split()
                if self.flic_sized(line) and int(parts[1]) > t_ns:
                    return int(parts[1])
            time.sleep(0.002)
        return None


def xdotool(*args):
    subprocess.run(["xdotool", *args], check=True, capture_output=True)


def measure(pid, puts, action):
    """Wall ms from the action's start to the next flic-sized put; processor ms."""
    cpu0 = schedstat(pid)
    t0 = time.monotonic_ns()
    action()
    shown = puts.first_after(t0)
    time.sleep(0.05)
    cpu = (schedstat(pid) - cpu0) / 1e6
    if shown is None:
        return None, cpu
    return (shown - t0) / 1e6, cpu


def summary(name, samples):
    walls = [w for w, _ in samples if w is not None]
    cpus = [c for _, c in samples]
    missing = len(samples) - len(walls)
    text = f"| {name} | {len(samples)} | "
    text += f"{statistics.median(walls):.1f} / {max(walls):.1f} | " if walls else "- | "
    text += f"{statistics.median(cpus):.1f} / {max(cpus):.1f} |"
    if missing:
        text += f" ({missing} showed nothing new)"
    return text


def main():
    if sys.argv[1:2] in (["--help"], ["-h"]):
        print(__doc__)
        return
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    player, shim, flic = sys.argv[1:4]
    repeats = int(sys.argv[4]) if len(sys.argv) > 4 else 10
    info = subprocess.run([os.path.join(os.path.dirname(player), "kinetrope-cli"), "info", flic],
                          capture_output=True, text=True, check=True).stdout
    width = int(re.search(r"Width\s*:\s*(\d+)", info).group(1))
    height = int(re.search(r"Height\s*:\s*(\d+)", info).group(1))
    frames = int(re.search(r"Frames\s*:\s*(\d+)", info).group(1))
    work = tempfile.mkdtemp(prefix="kt-seek-")
    log = os.path.join(work, "puts.log")
    env = dict(os.environ, QT_QPA_PLATFORM="xcb", XDG_CONFIG_HOME=work, SDL_AUDIODRIVER="dummy",
               XDG_RUNTIME_DIR=work, LD_PRELOAD=shim, XPUT_LOG=log)
    player_proc = subprocess.Popen([player, "/DELAY", "0", "/LOOPON", "/PLAYFILE", flic], env=env,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    pid = player_proc.pid
    puts = Puts(log, width, height)
    try:
        # One pass, then on to about 90% of the second.
        target = frames + frames * 90 // 100
        while puts.count() < target:
            if player_proc.poll() is not None:
                sys.exit("the player ended early")
            time.sleep(0.01)
        movie = puts.lines()[-1].split()[2]
        xdotool("windowfocus", "--sync", movie, "key", "x")
        time.sleep(1.0)
        # The frame held: the puts run 0 .. N-1, the ring frame, then 1 .. N-1, ring, ...
        shown = puts.count()
        held = shown - 1 if shown <= frames else (shown - frames - 2) % frames + 1
        start = time.monotonic()
        subprocess.run(["xdotool", "key", "shift"], check=True)
        xdotool_alone = (time.monotonic() - start) * 1000

        rows = []
        rows.append(summary("step back (Z) near the end, a new xdotool each", [
            measure(pid, puts, lambda: xdotool("key", "z")) for _ in range(repeats)]))
        # One xdotool reading its commands line by line: the key reaches the
        # server without a process start in the span.
        keys = subprocess.Popen(["xdotool", "-"], stdin=subprocess.PIPE, text=True)

        def press_z():
            keys.stdin.write("key z\n")
            keys.stdin.flush()

        rows.append(summary("step back (Z) near the end, one running xdotool", [
            measure(pid, puts, press_z) for _ in range(repeats)]))
        keys.stdin.close()
        keys.wait()

        print(f"{os.path.basename(flic)}: {frames} frames of {width} x {height}, played from disk; "
              f"paused at frame {held}; xdotool alone {xdotool_alone:.1f} ms; load {os.getloadavg()[0]:.1f}")
        print("| what | times | wall ms median / max | processor ms median / max |")
        print("|---|---:|---:|---:|")
        for row in rows:
            print(row)
    finally:
        player_proc.terminate()
        try:
            player_proc.wait(5)
        except subprocess.TimeoutExpired:
            player_proc.kill()


if __name__ == "__main__":
    main()

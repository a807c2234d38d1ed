#!/usr/bin/env python3
"""Compares a flic that kinetrope-cli convert wrote with its source, picture
by picture in colours: the source as our reader shows it (kinetrope-cli export
bitmaps) against the written flic as our reader, ffmpeg (pal8 rawvideo, the
ring frame and after dropped) and Pillow show it.

usage: flic_writer_compare.py SOURCE_BMP_BASE OUTPUT_BMP_BASE FFMPEG_RAW OUTPUT_FLIC TOLERANCE

TOLERANCE is how far a colour component may stray: 0 for FLC; for FLI the
6-bit values are widened differently by each reader and 8-bit sources are
rounded to them, so up to 3 (and 3 more for ffmpeg's widening).

A flic re-encoded from one with a prefix record (0xF100, settings of the
program that made it) keeps the record; Pillow 9 reads no file that has one,
its source included, so such a file is compared in our reader and ffmpeg.
Pillow 9 also keeps the first frame's colours for good, so after a palette
change its palette indices are compared with our reader's, not its colours.
"""

import os
import struct
import sys

from PIL import Image

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "lib"))
from bitmaps import read_indexed  # noqa: E402


def colours(path, size):
    """The bitmap's palette, its indices and its picture as (red, green, blue)."""
    bitmap = read_indexed(path, size)
    return bitmap.palette, bitmap.pixels, [bitmap.palette[i] for i in bitmap.pixels]


def differs(a, b, tolerance):
    for i, (p, q) in enumerate(zip(a, b)):
        if any(abs(x - y) > tolerance for x, y in zip(p, q)):
            return i
    return -1 if len(a) == len(b) else min(len(a), len(b))


def main():
    if len(sys.argv) != 6:
        print(__doc__.split("\n\n")[1], file=sys.stderr)
        return 2
    source_base, output_base, raw_path, flic_path, tolerance = sys.argv[1:]
    tolerance = int(tolerance)
    flic = open(flic_path, "rb").read()
    frames, width, height = struct.unpack_from("<HHH", flic, 6)
    raw = open(raw_path, "rb").read()
    frame_bytes = width * height + 1024
    if len(raw) // frame_bytes != frames + 1:
        print(f"ffmpeg decoded {len(raw) // frame_bytes} pictures; the flic has {frames} frames and a ring frame")
        return 1
    prefix = struct.unpack_from("<H", flic, 4)[0] == 0xAF12 and struct.unpack_from("<H", flic, 132)[0] == 0xF100
    pillow = None if prefix else Image.open(flic_path)
    if pillow and getattr(pillow, "n_frames", 1) != frames:
        print(f"Pillow counts {pillow.n_frames} frames, the header {frames}")
        return 1
    for f in range(frames):
        _, _, source = colours(f"{source_base}{f:04d}.bmp", (width, height))
        palette, indices, ours = colours(f"{output_base}{f:04d}.bmp", (width, height))
        if f == 0:
            first_palette = palette
        start = f * frame_bytes
        pal = raw[start + width * height:start + frame_bytes]
        theirs = [(pal[4 * i + 2], pal[4 * i + 1], pal[4 * i]) for i in raw[start:start + width * height]]
        readers = [("our reader", ours, tolerance), ("ffmpeg", theirs, 2 * tolerance)]
        if pillow:
            pillow.seek(f)
            if palette == first_palette:
                readers.append(("Pillow", list(zip(*[iter(pillow.convert("RGB").tobytes())] * 3)), 2 * tolerance))
            elif pillow.tobytes() != indices:
                print(f"frame {f}: Pillow's palette indices differ from our reader's")
                return 1
        for name, picture, slack in readers:
            at = differs(source, picture, slack)
            if at >= 0:
                print(f"frame {f}: {name} differs at x {at % width}, y {at // width}: "
                      f"source {source[at] if at < len(source) else None}, "
                      f"{name} {picture[at] if at < len(picture) else None}")
                return 1
    print(f"{frames} frames agree in our reader, ffmpeg" + (" (a prefix record: not Pillow)" if prefix else " and Pillow"))
    return 0


if __name__ == "__main__":
    sys.exit(main())

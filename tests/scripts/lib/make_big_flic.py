#!/usr/bin/env python3
"""Writes a large FLC for the end-to-end scripts: FRAMES frames (and the ring
frame) of WIDTH x HEIGHT, each one FLI_COPY chunk, frame 0 with a palette.

  make_big_flic.py WIDTH HEIGHT FRAMES OUT           quadrants in colours 1 to 4
  make_big_flic.py WIDTH HEIGHT FRAMES OUT --sparse  pixel data left as holes

The quadrants are red, green, blue and white from the top left, in reading
order, so a picture shown scaled shows where each corner went. A sparse file
takes gigabytes of its reader's memory and next to nothing of the disk."""
import struct
import sys

width, height, frames = (int(a) for a in sys.argv[1:4])
out = sys.argv[4]
sparse = "--sparse" in sys.argv[5:]
pixels = width * height

palette = bytes([0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255])
colour_chunk = struct.pack("<IHHBB", 6 + 4 + len(palette), 4, 1, 0, 5) + palette


def copy_chunk_header():
    return struct.pack("<IH", 6 + pixels, 16)


def frame_header(size, chunks):
    return struct.pack("<IHH8x", size, 0xF1FA, chunks)


with open(out, "wb") as f:
    f.write(b"\0" * 128)
    rows = b""
    if not sparse:
        half = width // 2
        top = bytes([1]) * half + bytes([2]) * (width - half)
        bottom = bytes([3]) * half + bytes([4]) * (width - half)
        rows = top * (height // 2) + bottom * (height - height // 2)
    second = 0
    for index in range(frames + 1):
        if index == 1:
            second = f.tell()
        extra = colour_chunk if index == 0 else b""
        f.write(frame_header(16 + len(extra) + 6 + pixels, 2 if extra else 1) + extra + copy_chunk_header())
        if sparse:
            f.seek(pixels, 1)
        else:
            f.write(rows)
    size = f.tell()
    f.truncate(size)
    header = struct.pack("<IHHHHHHI", size, 0xAF12, frames, width, height, 8, 3, 40)
    f.seek(0)
    f.write(header.ljust(80, b"\0") + struct.pack("<II", 128, second))

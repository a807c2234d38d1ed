"""Finds which frame of a flic a grabbed screen region shows.

    frame_match.py LEFT TOP W H SCREEN_WIDTH BASE SCREEN.rgb...

For each raw rgb24 screen grab, prints the number of the exported 8-bit
bitmap BASEnnnn.bmp (kinetrope-cli export) that the region shows pixel for
pixel, or -1 when it shows none of them.
"""
import glob
import struct
import sys


def bitmap_rows(path):
    data = open(path, "rb").read()
    offset, = struct.unpack_from("<I", data, 10)
    width, height = struct.unpack_from("<ii", data, 18)
    assert struct.unpack_from("<H", data, 28)[0] == 8, path
    table = [data[54 + 4 * i:54 + 4 * i + 3][::-1] for i in range(256)]
    stride = (width + 3) // 4 * 4
    rows = []
    for y in range(abs(height)):
        start = offset + (abs(height) - 1 - y if height > 0 else y) * stride
        rows.append(b"".join(table[i] for i in data[start:start + width]))
    return rows


def main():
    left, top, width, height, screen_width = map(int, sys.argv[1:6])
    frames = [bitmap_rows(path) for path in sorted(glob.glob(sys.argv[6] + "[0-9]*.bmp"))]
    for path in sys.argv[7:]:
        screen = open(path, "rb").read()
        rows = [screen[((top + y) * screen_width + left) * 3:((top + y) * screen_width + left + width) * 3]
                for y in range(height)]
        print(next((number for number, frame in enumerate(frames) if frame == rows), -1))


if __name__ == "__main__":
    main()

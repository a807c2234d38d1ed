"""Finds which frame of a flic a grabbed screen region shows.

    frame_match.py LEFT TOP W H SCREEN_WIDTH BASE SCREEN.rgb...

For each raw rgb24 screen grab, prints the number of the exported 8-bit
bitmap BASEnnnn.bmp (kinetrope-cli export) that the region shows pixel for
pixel, or -1 when it shows none of them.
"""
import glob
import sys

from bitmaps import read_indexed


def bitmap_rows(path):
    bitmap = read_indexed(path)
    table = [bytes(colour) for colour in bitmap.palette]
    return [b"".join(table[i] for i in bitmap.pixels[y * bitmap.width:(y + 1) * bitmap.width])
            for y in range(bitmap.height)]


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

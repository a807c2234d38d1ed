#!/usr/bin/env python3
"""Draws the program's icon, a film reel, for the desktop's icon theme.

    python3 tools/icons/make_icons.py [OUTPUT_DIR]

Writes OUTPUT_DIR/NxN/apps/kinetrope.png (default OUTPUT_DIR: desktop/icons/
hicolor beside this tool's folder) for each size a desktop asks of the
hicolor theme, and OUTPUT_DIR/scalable/apps/kinetrope.svg, the same shapes
for software centres and shells that draw icons at any size. The reel is the movie window's own 32 x 32 icon (drawn by
tools/about_picture) redrawn as shapes, so that every size is smooth: each
pixel is the average of a grid of samples. The windows take the same files.

Nothing outside the standard library is needed, and every run writes the
same bytes.
"""

import math
import os
import struct
import sys
import zlib

SIZES = [16, 22, 24, 32, 48, 64, 128, 256]

# The movie window icon's colours.
BLACK = (0, 0, 0)
DARK_GREY = (128, 128, 128)
SILVER = (192, 192, 192)
WHITE = (255, 255, 255)
SPOKE_COLOURS = [(255, 0, 0), (255, 255, 0), (0, 255, 0), (0, 255, 255), (0, 0, 255), (255, 0, 255)]


def reel_colour(u, v):
    """The colour at (u, v) of a 32 x 32 drawing area, None where it is clear."""
    dx, dy = u - 15.0, v - 15.0
    r = math.hypot(dx, dy)
    # The film leaving the reel at its lower right, with its sprocket holes.
    if 21.0 <= v < 30.0 and 15.0 <= u < 32.0 and r > 12.5:
        if v < 22.0 or v >= 29.0:
            return DARK_GREY
        if (v < 23.0 or v >= 28.0) and 1.0 <= u % 3.0 < 2.0:
            return WHITE
        return BLACK
    if r > 15.1:
        return None
    if r > 13.9:
        return BLACK
    if r > 12.5:
        return DARK_GREY
    if r < 3.1:
        return BLACK if r > 1.9 else WHITE
    angle = (math.degrees(math.atan2(dy, dx)) + 360.0) % 360.0
    window = int(angle // 60) % 6
    within = angle - window * 60
    if 5.3 < r < 10.9 and 12 < within < 48:
        return SPOKE_COLOURS[window]
    # The reel's face, lit from the upper left.
    shade = 1.0 - 0.18 * (dx + dy) / 30.0
    return tuple(min(255, int(round(c * shade))) for c in SILVER)


def draw(size):
    """RGBA rows of the reel at size x size pixels."""
    grid = 8 if size <= 64 else 4
    scale = 32.0 / size
    rows = []
    for y in range(size):
        row = bytearray()
        for x in range(size):
            red = green = blue = covered = 0
            for sy in range(grid):
                for sx in range(grid):
                    colour = reel_colour((x + (sx + 0.5) / grid) * scale, (y + (sy + 0.5) / grid) * scale)
                    if colour is not None:
                        red += colour[0]
                        green += colour[1]
                        blue += colour[2]
                        covered += 1
            if covered == 0:
                row += b"\0\0\0\0"
            else:
                # Colours averaged over the covered samples only, so edges do not darken.
                row += bytes((round(red / covered), round(green / covered), round(blue / covered),
                              round(255 * covered / (grid * grid))))
        rows.append(bytes(row))
    return rows


def png_file(size, rows):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    raw = b"".join(b"\0" + row for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) +
            chunk(b"IEND", b""))


def svg_file():
    """The reel's shapes as SVG, in the same 32 x 32 drawing area."""
    def at(r, degrees):
        a = math.radians(degrees)
        return "%.3f %.3f" % (15 + r * math.cos(a), 15 + r * math.sin(a))

    def hex_colour(colour):
        return "#%02x%02x%02x" % colour

    spokes = []
    for window, colour in enumerate(SPOKE_COLOURS):
        start, end = window * 60 + 12, window * 60 + 48
        spokes.append('<path fill="%s" d="M%s A10.9 10.9 0 0 1 %s L%s A5.3 5.3 0 0 0 %s Z"/>' %
                      (hex_colour(colour), at(10.9, start), at(10.9, end), at(5.3, end), at(5.3, start)))
    holes = "".join('<rect x="%d" y="%d" width="1" height="1" fill="#ffffff"/>' % (u, v)
                    for v in (22, 28) for u in range(16, 32, 3))
    light = tuple(min(255, int(round(c * 1.18))) for c in SILVER)
    dark = tuple(int(round(c * 0.82)) for c in SILVER)
    return """<?xml version="1.0" encoding="UTF-8"?>
<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" viewBox="0 0 32 32">
<title>Kinetrope</title>
<defs><linearGradient id="face" gradientUnits="userSpaceOnUse" x1="0" y1="0" x2="30" y2="30">\
<stop offset="0" stop-color="%s"/><stop offset="1" stop-color="%s"/></linearGradient></defs>
<circle cx="15" cy="15" r="15.1" fill="#000000"/>
<circle cx="15" cy="15" r="13.9" fill="%s"/>
<rect x="15" y="21" width="17" height="9" fill="%s"/>
<rect x="15" y="22" width="17" height="7" fill="#000000"/>
%s
<circle cx="15" cy="15" r="12.5" fill="url(#face)"/>
%s
<circle cx="15" cy="15" r="3.1" fill="#000000"/>
<circle cx="15" cy="15" r="1.9" fill="#ffffff"/>
</svg>
""" % (hex_colour(light), hex_colour(dark), hex_colour(DARK_GREY), hex_colour(DARK_GREY), holes, "\n".join(spokes))


def main():
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "..", "desktop", "icons", "hicolor")
    for size in SIZES:
        folder = os.path.join(out_dir, "%dx%d" % (size, size), "apps")
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "kinetrope.png"), "wb") as f:
            f.write(png_file(size, draw(size)))
    folder = os.path.join(out_dir, "scalable", "apps")
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "kinetrope.svg"), "w", encoding="utf-8") as f:
        f.write(svg_file())


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Draws the demo animation the player starts with and writes it as an FLC.

    python3 tools/demo_flic/make_demo_flic.py [--cli KINETROPE-CLI] [OUTPUT]
                                                (default: demo/demo.flc)

A rainbow pinwheel turns inside a golden ring while three pearls circle it,
over a night-blue backdrop: 320 x 200, 48 frames and a ring frame, 55 ms a
frame. The pictures go to kinetrope-cli's flic writer as palette PNGs with
their palette fixed, so the file keeps the indices as drawn. After a turn of
60 degrees the pinwheel looks as it did at the start, so the loop has no
seam.
"""

import argparse
import colorsys
import math
import os
import struct
import subprocess
import tempfile
import zlib

WIDTH, HEIGHT = 320, 200
FRAMES = 48
SPEED_MS = 55
CX, CY = 160.0, 100.0

HUB_RADIUS = 11.0
DISC_RADIUS = 86.0
RING_RADIUS = 93.0
ARMS = 12
TWIST = 1.0 / 170.0  # turns of the arms' spiral per pixel of radius

BACKDROP, BACKDROP_COUNT = 1, 48
BRIGHT, DARK, RAINBOW = 64, 112, 48
GOLD, GOLD_COUNT = 160, 32
PEARLS, PEARL_SHADES = 192, 16
STAR = 250

# Orbit radius, pearl radius, turns per loop, start angle in degrees, hue.
PEARL_ORBITS = [(52.0, 8.5, 1, 0.0, 0.0), (68.0, 7.0, -1, 120.0, 0.55), (36.0, 6.0, 2, 240.0, 0.15)]


def build_palette():
    palette = [(0, 0, 0)] * 256
    for i in range(BACKDROP_COUNT):
        t = i / (BACKDROP_COUNT - 1)
        palette[BACKDROP + i] = (int(8 + 30 * t), int(6 + 10 * t), int(40 + 50 * t))
    for i in range(RAINBOW):
        hue = i / RAINBOW
        r, g, b = colorsys.hsv_to_rgb(hue, 0.85, 1.0)
        palette[BRIGHT + i] = (int(r * 255), int(g * 255), int(b * 255))
        r, g, b = colorsys.hsv_to_rgb(hue, 0.9, 0.45)
        palette[DARK + i] = (int(r * 255), int(g * 255), int(b * 255))
    for i in range(GOLD_COUNT):
        light = 0.35 + 0.65 * math.sin(math.pi * i / (GOLD_COUNT - 1))
        palette[GOLD + i] = (int(255 * light), int(200 * light), int(70 * light))
    for pearl, (_, _, _, _, hue) in enumerate(PEARL_ORBITS):
        for shade in range(PEARL_SHADES):
            light = 0.25 + 0.75 * shade / (PEARL_SHADES - 1)
            r, g, b = colorsys.hsv_to_rgb(hue, 0.45 * (1 - light) + 0.1, light)
            palette[PEARLS + pearl * PEARL_SHADES + shade] = (int(r * 255), int(g * 255), int(b * 255))
    palette[STAR] = (255, 255, 255)
    palette[STAR + 1] = (150, 160, 210)
    return palette


def star_positions():
    state, stars = 1991, []
    for _ in range(90):
        state = (state * 1103515245 + 12345) & 0x7FFFFFFF
        x = state % WIDTH
        state = (state * 1103515245 + 12345) & 0x7FFFFFFF
        y = state % HEIGHT
        stars.append((x, y, STAR + (state >> 8) % 2))
    return stars


def backdrop():
    """Everything that never moves: sky, stars, ring and hub."""
    image = bytearray(WIDTH * HEIGHT)
    for y in range(HEIGHT):
        band = BACKDROP + (y * BACKDROP_COUNT) // HEIGHT
        image[y * WIDTH:(y + 1) * WIDTH] = bytes([band]) * WIDTH
    for x, y, colour in star_positions():
        image[y * WIDTH + x] = colour
    for y in range(HEIGHT):
        for x in range(WIDTH):
            dx, dy = x + 0.5 - CX, y + 0.5 - CY
            r = math.hypot(dx, dy)
            if DISC_RADIUS <= r < RING_RADIUS or r < HUB_RADIUS:
                # Light falls from the upper left onto the metal.
                angle = math.atan2(dy, dx)
                light = 0.5 + 0.5 * math.cos(angle + 2.3)
                if r < HUB_RADIUS:
                    light = 1.0 - light * 0.8 * r / HUB_RADIUS
                image[y * WIDTH + x] = GOLD + int(light * (GOLD_COUNT - 1))
    return image


def draw_frame(base, disc_pixels, frame):
    image = bytearray(base)
    turn = frame / FRAMES * (2.0 / ARMS)  # two arms' width per loop: the seamless step
    for offset, r, angle in disc_pixels:
        phase = (angle / (2 * math.pi) + r * TWIST - turn) * ARMS
        colour = BRIGHT if int(math.floor(phase)) % 2 == 0 else DARK
        band = int((r - HUB_RADIUS) / (DISC_RADIUS - HUB_RADIUS) * RAINBOW)
        image[offset] = colour + min(RAINBOW - 1, max(0, band))
    for number, (orbit, radius, turns, start, _) in enumerate(PEARL_ORBITS):
        angle = math.radians(start) + 2 * math.pi * turns * frame / FRAMES
        px, py = CX + orbit * math.cos(angle), CY + orbit * math.sin(angle)
        for y in range(int(py - radius) - 1, int(py + radius) + 2):
            for x in range(int(px - radius) - 1, int(px + radius) + 2):
                dx, dy = x + 0.5 - px, y + 0.5 - py
                d = math.hypot(dx, dy)
                if d >= radius:
                    continue
                highlight = math.hypot(dx + radius * 0.35, dy + radius * 0.35) / (radius * 1.35)
                shade = int((1 - min(1.0, highlight)) * (PEARL_SHADES - 1) + 0.5)
                image[y * WIDTH + x] = PEARLS + number * PEARL_SHADES + shade
    return image


def disc_pixel_table():
    table = []
    for y in range(HEIGHT):
        for x in range(WIDTH):
            dx, dy = x + 0.5 - CX, y + 0.5 - CY
            r = math.hypot(dx, dy)
            if HUB_RADIUS <= r < DISC_RADIUS:
                table.append((y * WIDTH + x, r, math.atan2(dy, dx)))
    return table


# ---------------------------------------------------------------- writing

def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def indexed_png(image, palette):
    """The picture as an 8-bit palette PNG, so that its indices reach the flic writer as drawn."""
    rows = b"".join(b"\0" + image[y * WIDTH:(y + 1) * WIDTH] for y in range(HEIGHT))
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", struct.pack(">IIBBBBB", WIDTH, HEIGHT, 8, 3, 0, 0, 0)) +
            png_chunk(b"PLTE", b"".join(bytes(colour) for colour in palette)) +
            png_chunk(b"IDAT", zlib.compress(rows, 9)) + png_chunk(b"IEND", b""))


def main():
    parser = argparse.ArgumentParser(description="Draws the demo animation and writes it as an FLC.")
    parser.add_argument("output", nargs="?", default=os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "..", "demo", "demo.flc"))
    parser.add_argument("--cli", default="kinetrope-cli", help="the kinetrope-cli that writes the flic")
    args = parser.parse_args()
    palette = build_palette()
    base = backdrop()
    table = disc_pixel_table()
    with tempfile.TemporaryDirectory() as work:
        with open(os.path.join(work, "demo.gpl"), "w") as f:
            f.write("GIMP Palette\nName: demo\n#\n")
            f.writelines("%d %d %d\n" % colour for colour in palette)
        for frame in range(FRAMES):
            with open(os.path.join(work, "frame%02d.png" % frame), "wb") as f:
                f.write(indexed_png(bytes(draw_frame(base, table, frame)), palette))
        subprocess.run([args.cli, "convert", os.path.join(work, "frame%02d.png"), args.output, "--delay",
                        str(SPEED_MS), "--palette", os.path.join(work, "demo.gpl"), "--threads", "1"], check=True)


if __name__ == "__main__":
    main()

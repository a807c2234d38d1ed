#!/usr/bin/env python3
"""Draws the demo animation the player starts with and writes it as an FLC.

    python3 tools/demo_flic/make_demo_flic.py [OUTPUT]     (default: demo/demo.flc)

A rainbow pinwheel turns inside a golden ring while three pearls circle it,
over a night-blue backdrop: 320 x 200, 48 frames and a ring frame, 55 ms a
frame. Frame 0 carries the colours (COLOR_256) and the whole picture
(BYTE_RUN); every later frame, the ring frame included, is a DELTA_FLC
against the picture before it. After a turn of 60 degrees the pinwheel looks
as it did at the start, so the loop has no seam.

The writer decodes its own output again before it saves it, and refuses to
write a file that does not give back every frame.
"""

import colorsys
import math
import os
import struct
import sys

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


# ---------------------------------------------------------------- encoding

def chunk(kind, data):
    if len(data) % 2:
        data += b"\0"
    return struct.pack("<IH", 6 + len(data), kind) + data


def color_256(palette):
    data = struct.pack("<HBB", 1, 0, 0)  # one packet: skip none, 256 colours
    return chunk(4, data + b"".join(bytes(colour) for colour in palette))


def byte_run(image):
    out = bytearray()
    for y in range(HEIGHT):
        row = image[y * WIDTH:(y + 1) * WIDTH]
        packets, x = bytearray(), 0
        count = 0
        while x < WIDTH:
            run = 1
            while x + run < WIDTH and run < 127 and row[x + run] == row[x]:
                run += 1
            if run >= 3:
                packets += bytes([run, row[x]])
                x += run
            else:
                start = x
                while x < WIDTH and x - start < 127:
                    if x + 2 < WIDTH and row[x] == row[x + 1] == row[x + 2]:
                        break
                    x += 1
                packets += bytes([256 - (x - start)]) + row[start:x]
            count += 1
        out += bytes([min(count, 255)]) + packets
    return chunk(15, bytes(out))


def delta_line(old, new):
    """The packets of one line as (packet count, bytes); words are pixel pairs."""
    words = WIDTH // 2
    changed = [old[2 * i:2 * i + 2] != new[2 * i:2 * i + 2] for i in range(words)]
    packets, count, w, skip = bytearray(), 0, 0, 0
    while w < words:
        if not changed[w]:
            skip += 1
            w += 1
            continue
        while skip > 127:  # a skip byte holds at most 254 pixels: empty packets carry the rest
            packets += bytes([254, 0])
            count += 1
            skip -= 127
        # The changed stretch, bridging single unchanged words.
        end = w
        while end < words and (changed[end] or (end + 1 < words and changed[end + 1])):
            end += 1
        first = True
        while w < end:
            pair = new[2 * w:2 * w + 2]
            run = 1
            while w + run < end and run < 127 and new[2 * (w + run):2 * (w + run) + 2] == pair:
                run += 1
            lead = bytes([2 * skip if first else 0])
            if run >= 2:
                packets += lead + bytes([256 - run]) + pair
                w += run
            else:
                start = w
                while w < end and w - start < 127:
                    if w + 1 < end and new[2 * w:2 * w + 2] == new[2 * (w + 1):2 * (w + 1) + 2]:
                        break
                    w += 1
                packets += lead + bytes([w - start]) + new[2 * start:2 * w]
            count += 1
            first = False
        skip = 0
    return count, bytes(packets)


def delta_flc(old, new):
    body, lines, pending_skip = bytearray(), 0, 0
    for y in range(HEIGHT):
        a, b = old[y * WIDTH:(y + 1) * WIDTH], new[y * WIDTH:(y + 1) * WIDTH]
        if a == b:
            pending_skip += 1
            continue
        if pending_skip:
            body += struct.pack("<H", (0x10000 - pending_skip) & 0xFFFF)
            pending_skip = 0
        count, packets = delta_line(a, b)
        body += struct.pack("<H", count) + packets
        lines += 1
    if lines == 0:
        return b""
    return chunk(7, struct.pack("<H", lines) + bytes(body))


def frame_record(chunks):
    body = b"".join(c for c in chunks if c)
    count = sum(1 for c in chunks if c)
    return struct.pack("<IHH8x", 16 + len(body), 0xF1FA, count) + body


def flc_file(records):
    frames_data = b"".join(records)
    header = bytearray(128)
    struct.pack_into("<IHHHHHHI", header, 0, 128 + len(frames_data), 0xAF12, len(records) - 1,
                     WIDTH, HEIGHT, 8, 3, SPEED_MS)
    struct.pack_into("<HH", header, 38, 6, 5)  # 320 x 200 pixels fill a 4:3 screen
    struct.pack_into("<II", header, 80, 128, 128 + len(records[0]))
    return bytes(header) + frames_data


# ---------------------------------------------------------------- checking

def decode(data):
    """Decodes every frame record the way the player does and returns the images."""
    frames = struct.unpack_from("<H", data, 6)[0]
    position = struct.unpack_from("<I", data, 80)[0]
    image = bytearray(WIDTH * HEIGHT)
    images = []
    for _ in range(frames + 1):
        size, _, chunks = struct.unpack_from("<IHH", data, position)
        at = position + 16
        for _ in range(chunks):
            chunk_size, kind = struct.unpack_from("<IH", data, at)
            body = data[at + 6:at + chunk_size]
            if kind == 15:
                pos = 0
                for y in range(HEIGHT):
                    pos += 1
                    x = 0
                    while x < WIDTH:
                        c = body[pos] - 256 if body[pos] > 127 else body[pos]
                        if c >= 0:
                            image[y * WIDTH + x:y * WIDTH + x + c] = bytes([body[pos + 1]]) * c
                            x += c
                            pos += 2
                        else:
                            image[y * WIDTH + x:y * WIDTH + x - c] = body[pos + 1:pos + 1 - c]
                            x -= c
                            pos += 1 - c
            elif kind == 7:
                lines = struct.unpack_from("<H", body, 0)[0]
                pos, y, done = 2, 0, 0
                while done < lines:
                    word = struct.unpack_from("<H", body, pos)[0]
                    pos += 2
                    if word & 0xC000 == 0xC000:
                        y += 0x10000 - word
                        continue
                    offset = y * WIDTH
                    for _ in range(word):
                        offset += body[pos]
                        c = body[pos + 1] - 256 if body[pos + 1] > 127 else body[pos + 1]
                        if c >= 0:
                            image[offset:offset + 2 * c] = body[pos + 2:pos + 2 + 2 * c]
                            offset += 2 * c
                            pos += 2 + 2 * c
                        else:
                            image[offset:offset - 2 * c] = body[pos + 2:pos + 4] * -c
                            offset -= 2 * c
                            pos += 4
                    y += 1
                    done += 1
            at += chunk_size
        images.append(bytes(image))
        position += size
    return images


def main():
    output = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "..", "demo", "demo.flc")
    base = backdrop()
    table = disc_pixel_table()
    images = [bytes(draw_frame(base, table, frame)) for frame in range(FRAMES)]
    records = [frame_record([color_256(build_palette()), byte_run(images[0])])]
    for frame in range(1, FRAMES):
        records.append(frame_record([delta_flc(images[frame - 1], images[frame])]))
    records.append(frame_record([delta_flc(images[-1], images[0])]))
    data = flc_file(records)
    decoded = decode(data)
    if decoded != images + [images[0]]:
        raise SystemExit("the written frames do not decode to the drawn ones")
    with open(output, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()

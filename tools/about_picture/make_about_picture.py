#!/usr/bin/env python3
"""Draws the player's about picture and the movie window's icon.

    python3 tools/about_picture/make_about_picture.py [OUTPUT_DIR]

Writes, into OUTPUT_DIR (default: src/resources beside this tool):

- about.bmp: the title card, an uncompressed 8-bit 320 x 240 Windows bitmap
  whose 256-colour table is cut from the picture itself, so every entry is
  used by at least one pixel.
- movie_icon.ico: a 32 x 32 icon in 16 colours with a transparency mask.

Nothing outside the standard library is needed, and the output is the same
on every run: the random star field comes from a fixed seed of our own
generator, not from the interpreter's.
"""

import math
import os
import struct
import sys

from font5x7 import text_pixels, text_width

WIDTH, HEIGHT = 320, 240


class Lcg:
    """A fixed 32-bit linear congruential generator, so the stars never move."""

    def __init__(self, seed):
        self.state = seed & 0xFFFFFFFF

    def next(self):
        self.state = (self.state * 1664525 + 1013904223) & 0xFFFFFFFF
        return self.state / 4294967296.0

    def uniform(self, low, high):
        return low + (high - low) * self.next()


def clamp(value, low=0.0, high=1.0):
    return low if value < low else high if value > high else value


def smoothstep(edge0, edge1, value):
    t = clamp((value - edge0) / (edge1 - edge0))
    return t * t * (3 - 2 * t)


def lattice(ix, iy, seed):
    h = (ix * 374761393 + iy * 668265263 + seed * 2147483647) & 0xFFFFFFFF
    h = ((h ^ (h >> 13)) * 1274126177) & 0xFFFFFFFF
    return ((h ^ (h >> 16)) & 0xFFFF) / 65535.0


def value_noise(x, y, seed):
    ix, iy = math.floor(x), math.floor(y)
    fx, fy = x - ix, y - iy
    sx, sy = fx * fx * (3 - 2 * fx), fy * fy * (3 - 2 * fy)
    a = lattice(ix, iy, seed)
    b = lattice(ix + 1, iy, seed)
    c = lattice(ix, iy + 1, seed)
    d = lattice(ix + 1, iy + 1, seed)
    top = a + (b - a) * sx
    bottom = c + (d - c) * sx
    return top + (bottom - top) * sy


def fractal_noise(x, y, seed, octaves=5):
    total, amplitude, norm = 0.0, 1.0, 0.0
    for octave in range(octaves):
        total += amplitude * value_noise(x, y, seed + octave * 101)
        norm += amplitude
        amplitude *= 0.5
        x, y = x * 2.03, y * 2.03
    return total / norm


# ---------------------------------------------------------------- the card

def draw_background(image):
    for y in range(HEIGHT):
        t = y / (HEIGHT - 1)
        base = (4 + 6 * t, 4 + 2 * t, 18 + 12 * t)
        for x in range(WIDTH):
            image[y][x] = list(base)


# Each cloud: centre, reach, colour of its thin and of its dense parts, noise seed.
NEBULAE = [
    ((92, 150), 150, (120, 30, 130), (255, 120, 200), 11),
    ((252, 86), 135, (20, 80, 130), (110, 230, 240), 23),
    ((214, 214), 95, (110, 40, 20), (255, 150, 70), 37),
]


def draw_nebulae(image):
    for y in range(HEIGHT):
        for x in range(WIDTH):
            pixel = image[y][x]
            for (cx, cy), reach, thin, dense, seed in NEBULAE:
                distance = math.hypot(x - cx, (y - cy) * 1.25)
                falloff = clamp(1 - distance / reach)
                if falloff <= 0:
                    continue
                n = fractal_noise(x / 64.0, y / 64.0, seed)
                density = smoothstep(0.38, 0.78, n * 0.75 + falloff * 0.55) * falloff
                if density <= 0:
                    continue
                detail = fractal_noise(x / 22.0, y / 22.0, seed + 7, 3)
                core = smoothstep(0.55, 0.95, density + detail * 0.35) * 0.8
                for c in range(3):
                    pixel[c] += density * thin[c] * 0.75 + core * (dense[c] - thin[c]) * 0.45


def add_light(image, x, y, colour, amount):
    if 0 <= x < WIDTH and 0 <= y < HEIGHT and amount > 0:
        pixel = image[y][x]
        for c in range(3):
            pixel[c] += colour[c] * amount


STAR_TINTS = [(255, 255, 255), (200, 220, 255), (255, 240, 200), (255, 210, 180), (190, 200, 255)]


def draw_stars(image, rng):
    for _ in range(460):
        x, y = int(rng.uniform(0, WIDTH)), int(rng.uniform(0, HEIGHT))
        tint = STAR_TINTS[int(rng.uniform(0, len(STAR_TINTS)))]
        brightness = rng.uniform(0.15, 0.9) ** 1.6
        add_light(image, x, y, tint, brightness)
        if brightness > 0.45:
            for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
                add_light(image, x + dx, y + dy, tint, brightness * 0.25)
    for _ in range(16):
        x, y = int(rng.uniform(6, WIDTH - 6)), int(rng.uniform(6, HEIGHT - 6))
        tint = STAR_TINTS[int(rng.uniform(0, len(STAR_TINTS)))]
        strength = rng.uniform(0.7, 1.0)
        for dy in range(-4, 5):
            for dx in range(-4, 5):
                glow = math.exp(-(dx * dx + dy * dy) / 3.0) * strength
                add_light(image, x + dx, y + dy, tint, glow)
        spike = int(rng.uniform(4, 9))
        for step in range(1, spike + 1):
            fade = strength * (1 - step / (spike + 1)) * 0.6
            for dx, dy in ((step, 0), (-step, 0), (0, step), (0, -step)):
                add_light(image, x + dx, y + dy, tint, fade)


# ---------------------------------------------------------------- the title

def arc(cx, cy, radius, start_degrees, end_degrees, steps=18):
    points = []
    for i in range(steps + 1):
        angle = math.radians(start_degrees + (end_degrees - start_degrees) * i / steps)
        points.append((cx + radius * math.cos(angle), cy + radius * math.sin(angle)))
    return points


# Strokes in units of the capital height, y upwards from the baseline; each
# letter's advance width follows its strokes.
TITLE_GLYPHS = [
    (0.64, [[(0.08, 0.0), (0.08, 1.0)], [(0.58, 1.0), (0.08, 0.40)], [(0.25, 0.60), (0.60, 0.0)]]),
    (0.20, [[(0.10, 0.0), (0.10, 0.62)], [(0.10, 0.88), (0.10, 0.88)]]),
    (0.56, [[(0.08, 0.0), (0.08, 0.62)], arc(0.29, 0.38, 0.21, 180, 0) + [(0.50, 0.0)]]),
    (0.58, [[(0.04, 0.31), (0.56, 0.31)], arc(0.30, 0.31, 0.27, 0, 318, 26)]),
    (0.38, [[(0.15, 0.92), (0.15, 0.14)] + arc(0.30, 0.14, 0.15, 180, 290, 8), [(0.01, 0.62), (0.33, 0.62)]]),
    (0.42, [[(0.08, 0.0), (0.08, 0.62)], arc(0.31, 0.36, 0.23, 180, 65, 12)]),
    (0.60, [arc(0.30, 0.31, 0.27, 0, 360, 30)]),
    (0.60, [[(0.08, 0.62), (0.08, -0.32)], arc(0.31, 0.31, 0.26, 0, 360, 30)]),
    (0.58, [[(0.04, 0.31), (0.56, 0.31)], arc(0.30, 0.31, 0.27, 0, 318, 26)]),
]
TITLE_SPACING = 0.10
TITLE_SCALE = 52.0       # pixels per unit
TITLE_BASELINE = 74.0    # image row of the baseline
STROKE_RADIUS = 0.085    # units


def title_segments():
    total = sum(width for width, _ in TITLE_GLYPHS) + TITLE_SPACING * (len(TITLE_GLYPHS) - 1)
    left = (WIDTH - total * TITLE_SCALE) / 2.0
    segments = []
    for width, strokes in TITLE_GLYPHS:
        for stroke in strokes:
            points = [(left + px * TITLE_SCALE, TITLE_BASELINE - py * TITLE_SCALE) for px, py in stroke]
            if len(points) == 1:
                points = points * 2
            for a, b in zip(points, points[1:]):
                segments.append((a, b))
        left += (width + TITLE_SPACING) * TITLE_SCALE
    return segments


def distance_to_segment(px, py, segment):
    (ax, ay), (bx, by) = segment
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else clamp(((px - ax) * dx + (py - ay) * dy) / length2)
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


GOLD_STOPS = [(0.0, (255, 246, 190)), (0.35, (250, 206, 80)), (0.6, (226, 150, 30)),
              (0.8, (170, 96, 16)), (1.0, (110, 58, 8))]


def gold(t):
    t = clamp(t)
    for (t0, c0), (t1, c1) in zip(GOLD_STOPS, GOLD_STOPS[1:]):
        if t <= t1:
            f = (t - t0) / (t1 - t0)
            return [c0[i] + (c1[i] - c0[i]) * f for i in range(3)]
    return list(GOLD_STOPS[-1][1])


def blend(pixel, colour, alpha):
    for c in range(3):
        pixel[c] = pixel[c] * (1 - alpha) + colour[c] * alpha


def draw_title(image):
    segments = title_segments()
    radius = STROKE_RADIUS * TITLE_SCALE
    top = TITLE_BASELINE - 1.0 * TITLE_SCALE - radius
    bottom = TITLE_BASELINE + 0.32 * TITLE_SCALE + radius
    y0, y1 = int(top) - 4, int(bottom) + 6
    for y in range(max(0, y0), min(HEIGHT, y1)):
        for x in range(WIDTH):
            near = min(distance_to_segment(x + 0.5, y + 0.5, s) for s in segments)
            shadow = min(distance_to_segment(x - 2.5, y - 2.5, s) for s in segments)
            pixel = image[y][x]
            blend(pixel, (0, 0, 0), 0.75 * clamp(radius + 2.0 - shadow))
            blend(pixel, (48, 22, 4), clamp(radius + 1.7 - near))
            coverage = clamp(radius + 0.5 - near)
            if coverage <= 0:
                continue
            # A rounded tube lit from above: bright along the stroke's middle.
            edge = clamp(near / radius)
            colour = gold((y + 0.5 - top) / (bottom - top))
            light = 1.12 - 0.5 * edge * edge
            colour = [min(255.0, channel * light) for channel in colour]
            blend(pixel, colour, coverage)


def draw_text(image, text, top, colour, scale=1):
    left = (WIDTH - text_width(text, scale)) // 2
    points = list(text_pixels(text, scale))
    for x, y in points:
        if 0 <= left + x + 1 < WIDTH and 0 <= top + y + 1 < HEIGHT:
            blend(image[top + y + 1][left + x + 1], (0, 0, 0), 0.8)
    for x, y in points:
        blend(image[top + y][left + x], colour, 1.0)


CREDITS = [
    ("A PLAYER FOR FLIC ANIMATIONS", 112, (215, 225, 255), 1),
    ("FLI - FLC - CEL", 128, (160, 200, 255), 1),
    ("VERSION 2.52", 150, (255, 226, 150), 2),
    ("MADE BY THE KINETROPE DEVELOPERS", 184, (205, 215, 240), 1),
    ("CLICK OR PRESS A KEY", 220, (140, 150, 190), 1),
]


def draw_card():
    image = [[None] * WIDTH for _ in range(HEIGHT)]
    draw_background(image)
    draw_nebulae(image)
    draw_stars(image, Lcg(1989))
    draw_title(image)
    for text, top, colour, scale in CREDITS:
        draw_text(image, text, top, colour, scale)
    return [[tuple(int(clamp(round(c), 0, 255)) for c in pixel) for pixel in row] for row in image]


# ---------------------------------------------------------------- 256 colours

def cut_palette(image, colours=256):
    """Median cut: every box becomes one palette entry and its pixels take that
    index, so no entry is left unused."""
    pixels = [(pixel, y * WIDTH + x) for y, row in enumerate(image) for x, pixel in enumerate(row)]

    def measured(box):
        ranges = [max(p[0][c] for p in box) - min(p[0][c] for p in box) for c in range(3)]
        channel = max(range(3), key=lambda c: ranges[c])
        # A box of one colour cannot be split; it is never chosen.
        weight = ranges[channel] ** 2 * len(box) if max(ranges) > 0 else -1
        return weight, channel, box

    boxes = [measured(pixels)]
    while len(boxes) < colours:
        index = max(range(len(boxes)), key=lambda i: boxes[i][0])
        weight, channel, box = boxes.pop(index)
        if weight < 0:
            raise SystemExit("the picture has fewer than %d colours" % colours)
        box = sorted(box, key=lambda p: p[0][channel])
        middle = len(box) // 2
        # Keep equal values in one half, so both halves keep a colour of their own.
        low, high = middle, middle
        while low > 0 and box[low][0][channel] == box[low - 1][0][channel]:
            low -= 1
        while high < len(box) and box[high][0][channel] == box[high - 1][0][channel]:
            high += 1
        middle = low if low > 0 and (middle - low <= high - middle or high == len(box)) else high
        boxes += [measured(box[:middle]), measured(box[middle:])]
    boxes = [box for _, _, box in boxes]

    entries = []
    for box in boxes:
        mean = tuple(int(round(sum(p[0][c] for p in box) / len(box))) for c in range(3))
        entries.append((mean, box))
    # Darkest first, so index 0 is the night sky.
    entries.sort(key=lambda entry: (0.299 * entry[0][0] + 0.587 * entry[0][1] + 0.114 * entry[0][2], entry[0]))
    palette = [mean for mean, _ in entries]
    indices = [0] * (WIDTH * HEIGHT)
    for number, (_, box) in enumerate(entries):
        for _, position in box:
            indices[position] = number
    return palette, indices


def bitmap_file(width, height, palette, indices, bits):
    """An uncompressed bottom-up Windows bitmap with a full colour table."""
    per_byte = 8 // bits
    stride = ((width * bits + 31) // 32) * 4
    rows = []
    for y in reversed(range(height)):
        row = bytearray(stride)
        for x in range(width):
            value = indices[y * width + x]
            shift = 8 - bits * (x % per_byte + 1)
            row[x // per_byte] |= value << shift
        rows.append(bytes(row))
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    pixels = b"".join(rows)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, len(pixels), 2835, 2835,
                       len(palette), 0)
    offset = 14 + len(info) + len(table)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + info + table + pixels


# ---------------------------------------------------------------- the icon

ICON_PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
    (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
    (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, DARK_GREY, SILVER, WHITE = 0, 8, 7, 15
SPOKE_COLOURS = [9, 11, 10, 14, 12, 13]


def icon_pixel(x, y):
    """A film reel with six coloured windows and a strip of film running off it;
    None where the icon is transparent."""
    cx, cy = 14.5, 14.5
    dx, dy = x - cx, y - cy
    r = math.hypot(dx, dy)
    # The film leaving the reel at its lower right.
    if 21 <= y <= 29 and 15 <= x <= 31 and r > 12.5:
        if y in (21, 29):
            return DARK_GREY
        if y in (22, 28) and x % 3 == 1:
            return WHITE
        return BLACK
    if r > 14.6:
        return None
    if r > 13.4:
        return BLACK
    if r > 12.0:
        return DARK_GREY
    if r < 2.6:
        return BLACK if r > 1.4 else WHITE
    angle = (math.degrees(math.atan2(dy, dx)) + 360.0) % 360.0
    window = int(angle // 60)
    within = angle - window * 60
    if 4.8 < r < 10.4 and 12 < within < 48:
        return SPOKE_COLOURS[window]
    return SILVER if (x + y) % 7 else WHITE


def icon_file():
    colours, mask = [], []
    for y in range(32):
        for x in range(32):
            value = icon_pixel(x, y)
            colours.append(0 if value is None else value)
            mask.append(1 if value is None else 0)
    xor = bitmap_file(32, 32, ICON_PALETTE, colours, 4)
    and_rows = []
    for y in reversed(range(32)):
        row = bytearray(4)
        for x in range(32):
            row[x // 8] |= mask[y * 32 + x] << (7 - x % 8)
        and_rows.append(bytes(row))
    and_bits = b"".join(and_rows)
    # The icon's own header counts the mask in the height.
    info = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 4, 0, 32 * 16 + len(and_bits), 0, 0, 0, 0)
    table = xor[54:54 + 64]
    xor_bits = xor[54 + 64:]
    image = info + table + xor_bits + and_bits
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", 32, 32, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def main():
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "..", "src", "resources")
    card = draw_card()
    palette, indices = cut_palette(card)
    assert len(palette) == 256 and len(set(indices)) == 256
    with open(os.path.join(out_dir, "about.bmp"), "wb") as f:
        f.write(bitmap_file(WIDTH, HEIGHT, palette, indices, 8))
    with open(os.path.join(out_dir, "movie_icon.ico"), "wb") as f:
        f.write(icon_file())


if __name__ == "__main__":
    main()

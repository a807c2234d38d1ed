#!/usr/bin/env python3
"""Compares the bitmaps that kinetrope-cli export wrote for one flic with
ffmpeg's own decoding of the same flic (rawvideo, pal8; for a 15, 16 or
24-bit flic the file's own pixel layout, against the 24-bit bitmaps).

usage: ffmpeg_compare.py FLIC BMP_BASE FFMPEG_RAW
       ffmpeg_compare.py --converted FLIC FFMPEG_RAW FOLDER   (a true-colour flic's conversions)
       ffmpeg_compare.py --pix-fmt FLIC   (prints the pixel format to ask ffmpeg for)

ffmpeg's pal8 rawvideo holds, per frame, width x height palette indices (top
row first, no padding) followed by 256 palette entries of blue, green, red,
alpha. It emits one picture for every frame record in the file: frames 0 to
frames - 1, the ring frame, and any records after it (the Civilization III
flics carry several). Only frames 0 to frames - 1 are a playback's first pass,
so only those are compared.

Palette indices must agree exactly. Colours: a COLOR_256 entry must agree
exactly; for COLOR_64, ffmpeg widens each component byte v to
((v & 63) << 2) | ((v & 63) >> 4), copying the two top bits into the bottom
ones (63 gives 255), where the player stores (v << 2) & 255 (63 gives 252).
Both drop bits above the sixth, so 64 gives 0 in each. The player's value p
therefore appears in ffmpeg as p | (p >> 6). In a flic that uses both colour
chunk types either form is accepted, entry by entry.
"""

import os
import struct
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "lib"))
from bitmaps import read_indexed, read_true_colour  # noqa: E402

# True-colour flics: ffmpeg is asked for the file's own pixel layout, so that
# no conversion of its own stands between its decoding and ours.
TRUE_COLOUR_FORMATS = {15: ("rgb555le", 2), 16: ("rgb565le", 2), 24: ("bgr24", 3)}

COLOR_256 = 4
COLOR_64 = 11
FRAME_MAGIC = 0xF1FA


def colour_chunk_types(data):
    """The colour chunk types found in the flic's frame records."""
    magic = struct.unpack_from("<H", data, 4)[0]
    offset = 128 if magic == 0xAF11 else struct.unpack_from("<I", data, 80)[0]
    found = set()
    while offset + 16 <= len(data):
        size, fmagic, chunks = struct.unpack_from("<IHH", data, offset)
        if fmagic != FRAME_MAGIC or size < 16:
            break
        at = offset + 16
        for _ in range(chunks):
            if at + 6 > offset + size:
                break
            csize, ctype = struct.unpack_from("<IH", data, at)
            if ctype in (COLOR_256, COLOR_64):
                found.add(ctype)
            if csize < 6:
                break
            at += csize
        offset += size
    return found


def pixel_bits(flic):
    """15, 16 or 24 for a true-colour flic, 8 for any other."""
    magic, depth = struct.unpack_from("<H", flic, 4)[0], struct.unpack_from("<H", flic, 12)[0]
    if magic == 0xAF44 and depth in (15, 16, 24):
        return depth
    return 15 if magic == 0xAF12 and depth == 16 else 8


def widened_bgr(raw, bits):
    """ffmpeg's pixels as bytes blue, green, red, 5 and 6-bit components
    widened by repeating their top bits; the top bit of 15-bit pixels unused."""
    if bits == 24:
        return raw
    out = bytearray()
    for (v,) in struct.iter_unpack("<H", raw):
        if bits == 16:
            r, g, b = v >> 11, (v >> 5) & 63, v & 31
            out += bytes(((b << 3) | (b >> 2), (g << 2) | (g >> 4), (r << 3) | (r >> 2)))
        else:
            r, g, b = (v >> 10) & 31, (v >> 5) & 31, v & 31
            out += bytes(((b << 3) | (b >> 2), (g << 3) | (g >> 2), (r << 3) | (r >> 2)))
    return bytes(out)


def whole_frames(raw, frame_bytes, frames):
    """How many whole pictures ffmpeg gave, or None, having said so, when they are fewer than the flic's frames."""
    ffmpeg_frames = len(raw) // frame_bytes
    if len(raw) % frame_bytes != 0 or ffmpeg_frames < frames:
        print(f"ffmpeg gave {len(raw)} bytes, {ffmpeg_frames} whole frames of {frame_bytes}; "
              f"the flic has {frames} frames")
        return None
    return ffmpeg_frames


def first_difference(f, ours, theirs, width, step, shown, note=""):
    """Whether frame f's pictures, of `step` bytes a pixel, differ; if so, says how many pixels and the first."""
    if ours == theirs:
        return False
    diffs = [i // step for i in range(0, len(ours), step) if ours[i:i + step] != theirs[i:i + step]]
    i = diffs[0]
    print(f"frame {f}: {len(diffs)} pixels differ; first at x {i % width}, y {i // width}: "
          f"ours {shown(ours, i)}, ffmpeg {shown(theirs, i)}{note}")
    return True


def compare_true_colour(flic, bits, base, raw):
    frames, width, height = struct.unpack_from("<HHH", flic, 6)
    frame_bytes = width * height * TRUE_COLOUR_FORMATS[bits][1]
    ffmpeg_frames = whole_frames(raw, frame_bytes, frames)
    if ffmpeg_frames is None:
        return 1
    for f in range(frames):
        ours = read_true_colour(f"{base}{f:04d}.bmp", (width, height)).pixels
        theirs = widened_bgr(raw[f * frame_bytes:(f + 1) * frame_bytes], bits)
        if first_difference(f, ours, theirs, width, 3, lambda p, i: tuple(p[3 * i:3 * i + 3]), " (blue, green, red)"):
            return 1
    print(f"{frames} frames of {bits}-bit colour agree (ffmpeg decoded {ffmpeg_frames}; "
          f"the {ffmpeg_frames - frames} after the first pass not compared)")
    return 0


def at_flic_times(shown, frames, delay):
    """What (picture, ms) pairs show mid-way through each flic frame (outputs join repeats), and their time."""
    ends = [sum(ms for _, ms in shown[:i + 1]) for i in range(len(shown))]
    return [shown[min(sum(e <= (f + 0.5) * delay for e in ends), len(shown) - 1)][0] for f in range(frames)], ends[-1]


def compare_converted(flic_path, raw_path, folder):
    """FOLDER: the flic as a.png (--scale 2), p%04d.png (--brightness 10 --contrast 2), w.webp, g.gif, f.flc,
    and ffmpeg's bgr24 x.raw of each, g.times the GIF frames' seconds. PNG and WebP keep every pixel and time;
    GIF and FLC the frames and times, within 30 dB."""
    from PIL import Image
    flic = open(flic_path, "rb").read()
    fields = lambda data: struct.unpack_from("<HHHHHI", data, 6)  # frames, width, height, depth, flags, delay
    bits, (frames, width, height, _, _, delay) = pixel_bits(flic), fields(flic)
    size, raw = width * height * TRUE_COLOUR_FORMATS[bits][1], open(raw_path, "rb").read()
    read = lambda name: open(f"{folder}/{name}", "rb").read()
    want = [widened_bgr(raw[f * size:(f + 1) * size], bits) for f in range(frames)]
    doubled = [b"".join(b"".join(row[x:x + 3] * 2 for x in range(0, len(row), 3)) * 2
                        for row in (w[y:y + 3 * width] for y in range(0, len(w), 3 * width))) for w in want]
    cut = lambda data, n: [data[i:i + n] for i in range(0, len(data), n)]
    adjusted = bytes(min(2 * v + 10, 255) for v in b"".join(want))
    problems = [f"ffmpeg reads {n} unlike the flic" for n, ok in (("a.png", read("a.raw") == b"".join(doubled)),
                                                                     ("p%04d.png", read("p.raw") == adjusted)) if not ok]
    for name, expected in (("a.png", doubled), ("w.webp", want)):  # ffmpeg 5 has no animated WebP
        with Image.open(f"{folder}/{name}") as image:
            shown = [(image.seek(i) or image.convert("RGB").tobytes("raw", "BGR"), image.info["duration"])
                     for i in range(image.n_frames)]
        if at_flic_times(shown, frames, delay) != (expected, frames * delay):
            problems.append(f"Pillow reads {name}: unlike the flic ({len(shown)} frames)")
    times = [round(float(t) * 1000) for t in read("g.times").split()]
    gif, total = at_flic_times(list(zip(cut(read("g.raw"), len(want[0])), times)), frames, delay)
    flc = read("f.flc")
    if abs(total - frames * delay) > 5 or fields(flc)[:3] + fields(flc)[5:] != (frames, width, height, delay):
        problems.append(f"the GIF lasts {total} ms or the FLC's header differs; the flic has {frames} x {delay} ms")
    for kind, got in (("GIF", gif), ("FLC", cut(read("f.raw"), len(want[0]))[:frames])):
        error = sum((a - b) ** 2 for x, y in zip(got, want) for a, b in zip(x, y)) / len(b"".join(want))
        if len(got) != frames or error > 255 ** 2 / 1000:  # 30 dB
            problems.append(f"the {kind} has {len(got)} frames, mean squared error {error:.1f}")
    print("; ".join(problems) or "PNG frames, animated PNG and WebP exact; GIF and FLC within 30 dB")
    return 1 if problems else 0


def colour_matches(ours, theirs, types):
    widened = tuple(p | (p >> 6) for p in ours)
    if types == {COLOR_64}:
        return theirs == widened
    if types == {COLOR_256} or not types:
        return theirs == ours
    return theirs in (ours, widened)


def main():
    if len(sys.argv) == 5 and sys.argv[1] == "--converted":
        return compare_converted(*sys.argv[2:])
    if len(sys.argv) == 3 and sys.argv[1] == "--pix-fmt":
        print(TRUE_COLOUR_FORMATS.get(pixel_bits(open(sys.argv[2], "rb").read(14)), ("pal8",))[0])
        return 0
    if len(sys.argv) != 4:
        print(__doc__.split("\n\n")[1], file=sys.stderr)
        return 2
    flic_path, base, raw_path = sys.argv[1:]
    flic = open(flic_path, "rb").read()
    bits = pixel_bits(flic)
    if bits != 8:
        return compare_true_colour(flic, bits, base, open(raw_path, "rb").read())
    frames, width, height = struct.unpack_from("<HHH", flic, 6)
    types = colour_chunk_types(flic)
    raw = open(raw_path, "rb").read()
    frame_bytes = width * height + 1024
    ffmpeg_frames = whole_frames(raw, frame_bytes, frames)
    if ffmpeg_frames is None:
        return 1
    for f in range(frames):
        _, _, pixels, palette = read_indexed(f"{base}{f:04d}.bmp", (width, height))
        start = f * frame_bytes
        theirs = raw[start:start + width * height]
        if first_difference(f, pixels, theirs, width, 1, lambda p, i: p[i]):
            return 1
        pal = raw[start + width * height:start + frame_bytes]
        for i in range(256):
            their_colour = (pal[4 * i + 2], pal[4 * i + 1], pal[4 * i])
            if not colour_matches(palette[i], their_colour, types):
                print(f"frame {f}: colour {i} differs: ours {palette[i]}, ffmpeg {their_colour}")
                return 1
    extra = ffmpeg_frames - frames
    noun = "frame" if frames == 1 else "frames"
    print(f"{frames} {noun} agree (ffmpeg decoded {ffmpeg_frames}; the {extra} after the first pass, "
          f"ring frame included, not compared)")
    return 0


if __name__ == "__main__":
    sys.exit(main())

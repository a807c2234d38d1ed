"""The Windows bitmaps that kinetrope-cli export writes, read back for the
scripts that hold them against other readers: 8-bit ones with their colour
table, 24-bit ones for true-colour flics."""
import collections
import struct

# pixels: top row first, no padding; palette: 256 (red, green, blue), or None.
Bitmap = collections.namedtuple("Bitmap", "width height pixels palette")


def _read(path, bits, size):
    data = open(path, "rb").read()
    offset = struct.unpack_from("<I", data, 10)[0] if len(data) >= 54 else 0
    if data[:2] != b"BM" or struct.unpack_from("<H", data, 28)[0] != bits or (bits == 8 and offset != 1078):
        raise ValueError(f"{path}: not a {bits}-bit bitmap as the recorder writes it")
    width, height = struct.unpack_from("<ii", data, 18)
    if size is not None and (width, height) != size:
        raise ValueError(f"{path}: {width} x {height}, the flic is {size[0]} x {size[1]}")
    row_bytes = width * bits // 8
    stride = (row_bytes + 3) // 4 * 4
    # Rows stand bottom-up, unless the height is negative.
    rows = range(height - 1, -1, -1) if height > 0 else range(-height)
    pixels = b"".join(data[offset + y * stride:offset + y * stride + row_bytes] for y in rows)
    palette = [(data[54 + 4 * i + 2], data[54 + 4 * i + 1], data[54 + 4 * i]) for i in range(256)] if bits == 8 else None
    return Bitmap(width, abs(height), pixels, palette)


def read_indexed(path, size=None):
    """An 8-bit bitmap: palette indices and colours. With size (width, height), any other size is refused."""
    return _read(path, 8, size)


def read_true_colour(path, size=None):
    """A 24-bit bitmap: bytes blue, green, red per pixel."""
    return _read(path, 24, size)

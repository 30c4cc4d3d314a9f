#!/usr/bin/env python3
"""Draws the application icon and writes it as a Windows .ico file.

The icon is a rounded square with a blue-teal gradient and five white
level bars. Every size is drawn from the same shapes with 4x4 supersampling;
sizes up to 64 are stored as 32-bit bitmaps, 256 as PNG, as Windows expects.

Usage: make_icon.py OUTPUT.ico
"""
import struct
import sys
import zlib

SIZES = (16, 24, 32, 48, 64, 256)
SUPERSAMPLE = 4

TOP_COLOUR = (0x1F, 0x6F, 0xD6)
BOTTOM_COLOUR = (0x12, 0xB5, 0x9E)
BAR_COLOUR = (0xFF, 0xFF, 0xFF)
# Bar heights as fractions of the icon, left to right.
BAR_HEIGHTS = (0.26, 0.50, 0.70, 0.44, 0.30)


def inside_rounded_square(x, y):
    """x and y in 0..1; corner radius a fifth of the side."""
    radius = 0.2
    margin = 0.03
    left, right = margin, 1 - margin
    if not (left <= x <= right and left <= y <= right):
        return False
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, left + radius), right - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def inside_bar(x, y):
    bar_width = 0.09
    gap = 0.05
    total = len(BAR_HEIGHTS) * bar_width + (len(BAR_HEIGHTS) - 1) * gap
    start = (1 - total) / 2
    for index, height in enumerate(BAR_HEIGHTS):
        left = start + index * (bar_width + gap)
        if left <= x <= left + bar_width and abs(y - 0.5) <= height / 2:
            return True
    return False


def sample(x, y):
    """Premultiplied-free RGBA of one sample point."""
    if not inside_rounded_square(x, y):
        return (0, 0, 0, 0)
    if inside_bar(x, y):
        return BAR_COLOUR + (255,)
    t = y
    colour = tuple(round(a + (b - a) * t) for a, b in zip(TOP_COLOUR, BOTTOM_COLOUR))
    return colour + (255,)


def render(size):
    """Rows of RGBA tuples, top row first."""
    rows = []
    n = SUPERSAMPLE
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = a = 0
            for sy in range(n):
                for sx in range(n):
                    sr, sg, sb, sa = sample((px + (sx + 0.5) / n) / size, (py + (sy + 0.5) / n) / size)
                    r += sr * sa
                    g += sg * sa
                    b += sb * sa
                    a += sa
            if a == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append((r // a, g // a, b // a, a // (n * n)))
        rows.append(row)
    return rows


def bitmap_entry(rows):
    """BITMAPINFOHEADER, bottom-up BGRA pixels and the AND mask."""
    size = len(rows)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b''.join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + pixels + bytes(mask)


def png_entry(rows):
    size = len(rows)

    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data) & 0xFFFFFFFF)

    raw = b''.join(b'\x00' + b''.join(bytes(pixel) for pixel in row) for row in rows)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', size, size, 8, 6, 0, 0, 0)) +
            chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    images = [(size, png_entry(render(size)) if size >= 256 else bitmap_entry(render(size))) for size in SIZES]
    directory = struct.pack('<HHH', 0, 1, len(images))
    offset = len(directory) + 16 * len(images)
    entries = b''
    data = b''
    for size, image in images:
        dimension = 0 if size >= 256 else size
        entries += struct.pack('<BBBBHHII', dimension, dimension, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
        data += image
    with open(sys.argv[1], 'wb') as output:
        output.write(directory + entries + data)


if __name__ == '__main__':
    main()

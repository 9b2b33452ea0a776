#!/usr/bin/env python3
"""Draws the Quillox icon (a quill over a page) and writes it as a two-image .ico file.

Both images are 16-colour, 4 bits per pixel DIBs in the classic icon layout: a 40-byte
BITMAPINFOHEADER whose height is doubled, a 16-entry RGBQUAD palette, the colour rows and then
the 1-bit transparency mask, all rows bottom-up and padded to 4 bytes. That gives 744 bytes for
32x32 and 296 bytes for 16x16.

Usage: make_icon.py OUTPUT.ico
"""

import math
import struct
import sys

# The standard 16-colour palette, as (red, green, blue).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, DARK_RED, GREY, SILVER, BLUE, WHITE, DARK_BLUE, OLIVE = 0, 1, 8, 7, 12, 15, 4, 3
TRANSPARENT = None


def draw(size):
    """Returns size rows of size palette indices (None = transparent), top row first."""
    s = size / 32.0
    px = [[TRANSPARENT] * size for _ in range(size)]

    def put(x, y, c):
        if 0 <= x < size and 0 <= y < size:
            px[y][x] = c

    # The page: a white sheet with a black outline, a folded top-right corner and ruled lines.
    left, top, right, bottom = round(3 * s), round(4 * s), round(23 * s), round(30 * s)
    fold = max(2, round(5 * s))
    for y in range(top, bottom + 1):
        for x in range(left, right + 1):
            if x > right - fold + (y - top) and y < top + fold:
                continue
            edge = x in (left, right) or y in (top, bottom)
            put(x, y, BLACK if edge else WHITE)
    for i in range(fold + 1):
        put(right - fold + i, top + i, BLACK)
        put(right - fold, top + i, BLACK)
        put(right - fold + i, top + fold, BLACK)
    step = max(2, round(4 * s))
    for y in range(top + fold + step, bottom - 1, step):
        for x in range(left + 2, right - 1):
            put(x, y, SILVER)

    # The quill: a feather from the upper right down to a nib near the lower middle of the page.
    # Each pixel is placed by its position t along the shaft (0 at the top, 1 at the nib tip) and
    # its distance d across it; the vane is widest a third of the way down.
    ax, ay = size - 1.5, 0.5
    bx, by = 11.5 * s, 26.5 * s
    dx, dy = bx - ax, by - ay
    length = math.hypot(dx, dy)
    ux, uy = dx / length, dy / length
    for y in range(size):
        for x in range(size):
            rx, ry = x + 0.5 - ax, y + 0.5 - ay
            t = (rx * ux + ry * uy) / length
            d = abs(rx * -uy + ry * ux)
            if t < 0 or t > 1:
                continue
            if t > 0.8:
                if d <= 0.5 + (1 - t) * 4 * s:
                    put(x, y, BLACK if t > 0.93 else OLIVE)
                continue
            half = 0.6 + 4.5 * s * math.sin(math.pi * min(t / 0.8, 1) ** 0.7)
            if d <= 0.55:
                put(x, y, DARK_RED)
            elif d <= half - 1:
                put(x, y, BLUE)
            elif d <= half:
                put(x, y, DARK_BLUE)
    return px


def dib(size):
    px = draw(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 0, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    colour = bytearray()
    mask = bytearray()
    mask_row_bytes = ((size + 31) // 32) * 4
    for row in reversed(px):
        line = bytearray()
        for x in range(0, size, 2):
            hi = row[x] if row[x] is not None else 0
            lo = row[x + 1] if row[x + 1] is not None else 0
            line.append(hi << 4 | lo)
        line.extend(b"\0" * (-len(line) % 4))
        colour += line
        bits = bytearray(mask_row_bytes)
        for x, c in enumerate(row):
            if c is None:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = header[:20] + struct.pack("<I", len(colour) + len(mask)) + header[24:]
    return header + palette + bytes(colour) + bytes(mask)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    images = [dib(32), dib(16)]
    assert [len(i) for i in images] == [744, 296]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip((32, 16), images):
        out += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    with open(sys.argv[1], "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()

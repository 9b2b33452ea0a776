#!/usr/bin/env python3
"""Converts a 24/32-bit TrueColor XWD screen dump (as `xwd -root` writes it) to PNG."""
import struct
import sys
import zlib


def convert(xwd_path, png_path):
    data = open(xwd_path, "rb").read()
    fields = struct.unpack(">25I", data[:100])
    header_size, _, _, _, width, height = fields[:6]
    byte_order, bits_per_pixel, bytes_per_line = fields[7], fields[11], fields[12]
    red_mask, green_mask, blue_mask = fields[14:17]
    ncolors = fields[19]
    if bits_per_pixel not in (24, 32):
        sys.exit("xwd_to_png: only 24- and 32-bit dumps are supported")
    pixels = data[header_size + 12 * ncolors:]
    step = bits_per_pixel // 8
    order = "<" if byte_order == 0 else ">"

    def shift(mask):
        return (mask & -mask).bit_length() - 1

    rs, gs, bs = shift(red_mask), shift(green_mask), shift(blue_mask)
    rows = bytearray()
    for y in range(height):
        rows.append(0)
        line = pixels[y * bytes_per_line:(y + 1) * bytes_per_line]
        for x in range(width):
            chunk = line[x * step:x * step + step]
            value = struct.unpack(order + "I", chunk.ljust(4, b"\0") if order == "<" else chunk.rjust(4, b"\0"))[0]
            rows += bytes(((value & red_mask) >> rs, (value & green_mask) >> gs, (value & blue_mask) >> bs))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(rows), 6)) + chunk(b"IEND", b"")
    open(png_path, "wb").write(png)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit("usage: xwd_to_png.py IN.xwd OUT.png")
    convert(sys.argv[1], sys.argv[2])

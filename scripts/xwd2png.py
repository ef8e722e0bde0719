#!/usr/bin/env python3
"""Converts a TrueColor (24 or 32 bits per pixel) XWD screen dump (from xwd) to PNG.

Usage: xwd2png.py in.xwd out.png
"""
import struct
import sys
import zlib


def shift_of(mask):
    shift = 0
    while mask and not mask & 1:
        mask >>= 1
        shift += 1
    return shift


def main():
    data = open(sys.argv[1], "rb").read()
    fields = struct.unpack(">25I", data[:100])
    header_size, _, _, _, width, height = fields[:6]
    byte_order, bits_per_pixel, bytes_per_line = fields[7], fields[11], fields[12]
    red, green, blue = fields[14:17]
    ncolors = fields[19]
    if bits_per_pixel not in (24, 32):
        sys.exit("only 24 or 32 bits per pixel are supported, not %d" % bits_per_pixel)
    size = bits_per_pixel // 8
    pixels = data[header_size + 12 * ncolors:]
    endian = "little" if byte_order == 0 else "big"
    shifts = [(m, shift_of(m)) for m in (red, green, blue)]
    rows = bytearray()
    for y in range(height):
        rows.append(0)
        line = pixels[y * bytes_per_line:y * bytes_per_line + size * width]
        for x in range(0, len(line), size):
            value = int.from_bytes(line[x:x + size], endian)
            rows.extend((value & m) >> s for m, s in shifts)

    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body
                + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(rows), 9))
    png += chunk(b"IEND", b"")
    open(sys.argv[2], "wb").write(png)


main()

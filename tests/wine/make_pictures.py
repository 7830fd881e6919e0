#!/usr/bin/env python3
"""Writes the pictures the Wine suite loads, good and bad, into one folder.

The files are written byte by byte here (no imaging library decides a bit
depth or a palette size for us), so the scripts know every answer in advance:
palette entry i of the 256-colour pictures is

    red   = (0x30 + 3 * i) mod 256
    green = (0x20 + 5 * i) mod 256
    blue  = (0x10 + 7 * i) mod 256

and entry 0 is therefore stored as the bytes 0x10, 0x20, 0x30 in a BMP file.
The 16-colour BMP uses the first 16 entries of the same rule.

Usage: make_pictures.py FOLDER
"""
import os
import struct
import sys

WIDTH, HEIGHT = 5, 3


def entry(i):
    return ((0x30 + 3 * i) & 0xFF, (0x20 + 5 * i) & 0xFF, (0x10 + 7 * i) & 0xFF)


def pixel(x, y):
    return (x * 37 + y * 11) & 0xFF


def bmp(bits, colours):
    """An uncompressed bottom-up BMP with a BITMAPINFOHEADER and its palette."""
    row_bytes = ((WIDTH * bits + 31) // 32) * 4  # rows are padded to four bytes
    rows = b""
    for y in reversed(range(HEIGHT)):  # the last picture row is stored first
        if bits == 8:
            row = bytes(pixel(x, y) for x in range(WIDTH))
        elif bits == 4:
            values = [pixel(x, y) % colours for x in range(WIDTH)] + [0]
            row = bytes((values[x] << 4) | values[x + 1] for x in range(0, WIDTH, 2))
        else:  # 24 bits: blue, green, red
            row = b"".join(bytes(reversed(entry(pixel(x, y)))) for x in range(WIDTH))
        rows += row.ljust(row_bytes, b"\0")
    palette = b"".join(bytes(reversed(entry(i))) + b"\0" for i in range(colours))
    offset = 14 + 40 + len(palette)
    file_header = b"BM" + struct.pack("<IHHI", offset + len(rows), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, bits, 0, len(rows),
                       2835, 2835, colours, 0)
    return file_header + info + palette + rows


def pcx_rle(row):
    """PCX run-length coding: a byte of 0xC0 or more always goes out as a run."""
    out = bytearray()
    i = 0
    while i < len(row):
        run = 1
        while i + run < len(row) and row[i + run] == row[i] and run < 63:
            run += 1
        if run > 1 or row[i] >= 0xC0:
            out += bytes((0xC0 | run, row[i]))
        else:
            out.append(row[i])
        i += run
    return bytes(out)


def pcx256():
    """A version 5, 8-bit, one-plane PCX file with its 256-colour palette at the end."""
    line_bytes = WIDTH + (WIDTH & 1)  # an even number of bytes per plane line
    header = struct.pack("<BBBBHHHHHH", 10, 5, 1, 8, 0, 0, WIDTH - 1, HEIGHT - 1, 72, 72)
    header += bytes(48) + struct.pack("<BBHHHH", 0, 1, line_bytes, 1, 0, 0)
    header = header.ljust(128, b"\0")
    body = b"".join(pcx_rle(bytes(pixel(x, y) for x in range(WIDTH)).ljust(line_bytes, b"\0"))
                    for y in range(HEIGHT))
    palette = b"\x0c" + b"".join(bytes(entry(i)) for i in range(256))
    return header + body + palette


def icon():
    """A real 16x16 icon file: what a file named .ico usually is."""
    image = struct.pack("<IiiHHIIiiII", 40, 16, 32, 1, 4, 0, 0, 0, 0, 16, 0)
    image += bytes(16 * 4) + bytes(16 * 8) + bytes(16 * 4)
    directory = struct.pack("<HHH", 0, 1, 1)
    directory += struct.pack("<BBBBHHII", 16, 16, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + image


def main():
    folder = sys.argv[1]
    os.makedirs(os.path.join(folder, "old.pics"), exist_ok=True)
    pal8 = bmp(8, 256)
    pcx = pcx256()
    files = {
        "pal8.bmp": pal8,
        "mixed.Bmp": pal8,
        "pal4.bmp": bmp(4, 16),
        "rgb24.bmp": bmp(24, 0),
        "truncated.bmp": pal8[:20],
        "text.bmp": b"This is not a picture at all.\r\n" * 4,
        "pal8.pcx": pcx,
        "pcxpal.ico": pcx,
        "icon.ico": icon(),
        "nopalette.pcx": pcx[:-769],
        "pal8.gif": pal8,
        "archive.bmp.gz": pal8,
        "nodot": pal8,
        os.path.join("old.pics", "pal8.bmp"): pal8,
    }
    for name, data in files.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Writes the seed corpora: small valid BMP and PCX files of every form the
readers take (depths, header kinds, run-length codings, plane layouts), each a
few hundred bytes, so the fuzzers start from files that reach the decoders.
Run from this folder; the files it writes are committed."""
import os
import struct


def put(folder, name, data):
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def pixel(x, y, colours):
    return (x * 3 + y * 5 + (x * y) // 3) % colours


# ---- BMP -------------------------------------------------------------------
def bmp(bits, w, h, rows, compression=0, core=False, top_down=False, colours=None):
    if colours is None:
        colours = 1 << bits if bits <= 8 else 0
    if core:
        header = struct.pack("<IhhHH", 12, w, h, 1, bits)
        palette = b"".join(bytes([i * 37 % 256, i * 91 % 256, i * 13 % 256]) for i in range(colours))
    else:
        header = struct.pack("<IiiHHIIiiII", 40, w, -h if top_down else h, 1, bits,
                             compression, len(rows), 2835, 2835, 0, 0)
        palette = b"".join(bytes([i * 37 % 256, i * 91 % 256, i * 13 % 256, 0]) for i in range(colours))
    off = 14 + len(header) + len(palette)
    return struct.pack("<2sIHHI", b"BM", off + len(rows), 0, 0, off) + header + palette + rows


def raw_rows(bits, w, h, top_down=False):
    out = b""
    order = range(h) if top_down else range(h - 1, -1, -1)
    for y in order:
        if bits == 24:
            row = b"".join(bytes([x * 40 % 256, y * 60 % 256, (x + y) * 20 % 256]) for x in range(w))
        else:
            vals = [pixel(x, y, 1 << bits) for x in range(w)]
            if bits == 8:
                row = bytes(vals)
            elif bits == 4:
                vals += [0] * (len(vals) % 2)
                row = bytes((vals[i] << 4) | vals[i + 1] for i in range(0, len(vals), 2))
            else:
                vals += [0] * (-len(vals) % 8)
                row = bytes(sum(vals[i + k] << (7 - k) for k in range(8)) for i in range(0, len(vals), 8))
        out += row + b"\0" * (-len(row) % 4)
    return out


# RLE8: a run, a literal run with its fill byte, end of line; end of bitmap.
rle8 = (bytes([3, 5, 0, 3, 1, 2, 3, 0, 0, 0]) + bytes([6, 9, 0, 0]) +
        bytes([2, 7, 0, 4, 1, 2, 3, 4, 0, 0]) + bytes([0, 1]))
# RLE4: a run of alternating nibbles, a literal run, end of line; end of bitmap.
rle4 = (bytes([5, 0xAB, 0, 0]) + bytes([0, 3, 0x12, 0x30, 0, 0]) +
        bytes([2, 0x77, 0, 5, 0x12, 0x34, 0x50, 0, 0, 0]) + bytes([0, 1]))

d = "bmpReader"
put(d, "1bit-13x3.bmp", bmp(1, 13, 3, raw_rows(1, 13, 3)))
put(d, "4bit-5x3.bmp", bmp(4, 5, 3, raw_rows(4, 5, 3)))
put(d, "8bit-7x4.bmp", bmp(8, 7, 4, raw_rows(8, 7, 4)))
put(d, "8bit-core-6x2.bmp", bmp(8, 6, 2, raw_rows(8, 6, 2), core=True))
put(d, "1bit-core-9x2.bmp", bmp(1, 9, 2, raw_rows(1, 9, 2), core=True))
put(d, "24bit-5x3.bmp", bmp(24, 5, 3, raw_rows(24, 5, 3)))
put(d, "24bit-topdown-3x3.bmp", bmp(24, 3, 3, raw_rows(24, 3, 3, True), top_down=True))
put(d, "rle8-6x3.bmp", bmp(8, 6, 3, rle8, compression=1))
put(d, "rle4-6x3.bmp", bmp(4, 6, 3, rle4, compression=2))
put(d, "16bit-2x2.bmp", bmp(16, 2, 2, b"\x1f\x00\xe0\x03\0\0\0\0\x00\x7c\xff\x7f\0\0\0\0"))


# ---- PCX -------------------------------------------------------------------
def rle_pcx(data):
    out = bytearray()
    i = 0
    while i < len(data):
        n = 1
        while i + n < len(data) and data[i + n] == data[i] and n < 63:
            n += 1
        if n > 1 or data[i] >= 0xC0:
            out += bytes([0xC0 | n, data[i]])
        else:
            out.append(data[i])
        i += n
    return bytes(out)


def pcx(bits, planes, w, h, version=5, trailer=False):
    bpl = ((w * bits + 7) // 8 + 1) // 2 * 2
    colour_map = bytes((i * 17) % 256 for i in range(48))
    header = struct.pack("<BBBBHHHHHH48sBBHH58s", 10, version, 1, bits, 0, 0, w - 1, h - 1,
                         72, 72, colour_map, 0, planes, bpl, 1, b"")
    body = b""
    for y in range(h):
        row = b""
        for p in range(planes):
            vals = [(pixel(x, y, 256) >> (p * bits)) & ((1 << bits) - 1) for x in range(w)]
            per = 8 // bits
            vals += [0] * (-len(vals) % per)
            line = bytes(sum(vals[i + k] << (8 - bits * (k + 1)) for k in range(per))
                         for i in range(0, len(vals), per))
            row += line + b"\0" * (bpl - len(line))
        body += rle_pcx(row)
    if trailer:
        body += b"\x0c" + bytes((i * 7) % 256 for i in range(768))
    return header + body


d = "pcxReader"
put(d, "1x1-13x3.pcx", pcx(1, 1, 13, 3))
put(d, "1x4-9x3.pcx", pcx(1, 4, 9, 3))
put(d, "1x4-v3-6x2.pcx", pcx(1, 4, 6, 2, version=3))
put(d, "2x2-7x3.pcx", pcx(2, 2, 7, 3))
put(d, "4x1-5x3.pcx", pcx(4, 1, 5, 3))
put(d, "8x1-9x4.pcx", pcx(8, 1, 9, 4, trailer=True))
put(d, "1x8-6x2.pcx", pcx(1, 8, 6, 2, trailer=True))
put(d, "8x3-5x3.pcx", pcx(8, 3, 5, 3))


# ---- dispatch ----------------------------------------------------------------
# The dispatch target reads its input as calls (see fuzz/dispatch_fuzz.cpp):
# an op byte (bit 0: the object, 0 PaletteLoader, 1 FontFile; the rest: 0 to 5
# Invoke, 6 GetIDsOfNames, 7 GetTypeInfo), then for Invoke a choice byte
# (choice % 10 - 4 is the id; odd: a flags word follows, even: a byte giving
# 1 + b % 8), a shape byte (arguments: shape % 6) and the arguments, last
# argument first, and four bytes for a second named id.
def invoke(obj, member_id, flags, args):
    choice = (member_id + 4) % 10
    if flags is None:
        head = bytes([choice + 10 * 2])          # even: flags from a byte
        head += bytes([0])                     # 1 + 0: DISPATCH_METHOD
    else:
        choice += 10 if choice % 2 == 0 else 0  # odd: a flags word
        head = bytes([choice]) + struct.pack("<H", flags)
    return bytes([obj]) + head + bytes([len(args)]) + b"".join(args) + b"\0\0\0\0"


def scalar(vt_index, value):
    return bytes([0, vt_index]) + struct.pack("<q", value)


def picture(index):
    return bytes([3, 1, index])


def text(s):
    units = s.encode("utf-16-le")
    return bytes([3, 2, len(s)]) + units


def out_ref():
    return bytes([5]) + scalar(0, 0)


LOAD, COLORS, LASTERROR, GETRGB = 1, 2, 3, 4
d = "dispatch"
put(d, "load-bmp-colours", invoke(0, LOAD, 1, [picture(0)]) + invoke(0, COLORS, 2, []) +
    invoke(0, GETRGB, 1, [out_ref(), out_ref(), out_ref(), scalar(3, 7)]))
put(d, "load-pcx-lasterror", invoke(0, LOAD, 1, [picture(4)]) + invoke(0, LASTERROR, 2, []) +
    invoke(0, GETRGB, 1, [out_ref(), out_ref(), out_ref(), text("300")]))
put(d, "load-missing", invoke(0, LOAD, 1, [text("missing.pcx")]) + invoke(0, LASTERROR, 2, []))
put(d, "font-file", invoke(1, 1, 1, [out_ref(), text("DejaVu Sans")]) + invoke(1, 2, 1, []))
put(d, "names", bytes([0 | (6 << 1), 0, 1, 6]) + bytes([1 | (6 << 1), 1, 0, 3]) +
    bytes([0 | (7 << 1), 0, 1, 0]))

#!/usr/bin/env bash
# Regenerates the pictures in tests/data/valid and tests/data/malformed and
# their reference decodes. The pictures are written by encoders that are not
# ours (netpbm's ppmtobmp and ppmtopcx, ImageMagick, Pillow); forms that none
# of them writes (RLE4, hand-made RLE8, top-down rows) are built by the
# small encoders below from the BMP layout. Every reference (NAME.ppm, a
# binary PPM) is the decode of an independent decoder: netpbm's bmptopnm
# and pcxtoppm where they read the form, Pillow otherwise.
# Usage: tests/data/make_samples.sh   (needs netpbm, imagemagick, python3-pil)
set -euo pipefail
cd "$(dirname "$0")"
python=/usr/bin/python3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
rm -f valid/* malformed/* bitfields/*
mkdir -p bitfields

# Source pictures: 2, 16 and about 200 colours, and true colour; odd widths
# so that rows need fill bytes.
"$python" - "$work" <<'PY'
import sys
from PIL import Image
work = sys.argv[1]
W, H = 37, 23
std16 = [(0,0,0),(128,0,0),(0,128,0),(128,128,0),(0,0,128),(128,0,128),(0,128,128),
         (192,192,192),(128,128,128),(255,0,0),(0,255,0),(255,255,0),(0,0,255),
         (255,0,255),(0,255,255),(255,255,255)]
def make(name, colour):
    im = Image.new('RGB', (W, H))
    px = im.load()
    for y in range(H):
        for x in range(W):
            px[x, y] = colour(x, y)
    im.save(f'{work}/{name}.ppm')
make('two', lambda x, y: (255, 255, 255) if (x // 3 + y // 2) % 2 else (0, 0, 0))
make('c16', lambda x, y: std16[(x // 3 + y // 2) % 16])
def c256(x, y):
    k = (x * 3 + y * 5) % 200
    return (k, (k * 7) % 256, 255 - k)
make('c256', c256)
make('rgb', lambda x, y: ((x * 7) & 255, (y * 11) & 255, (x * y * 3) & 255))
rgba = Image.open(f'{work}/rgb.ppm').convert('RGBA')
px = rgba.load()
for y in range(H):
    for x in range(W):
        r, g, b, a = px[x, y]
        px[x, y] = (r, g, b, (x * 13 + y * 5) & 255)
rgba.save(f'{work}/rgba.png')
PY

bmpref() { bmptopnm "$1" 2>/dev/null | ppmtoppm > "${1%.bmp}.ppm"; }
pcxref() { pcxtoppm "$1" 2>/dev/null | ppmtoppm > "${1%.pcx}.ppm"; }
pilref() {
  "$python" -c 'import sys
from PIL import Image
Image.open(sys.argv[1]).convert("RGB").save(sys.argv[2])' "$1" "${1%.*}.ppm"
}

# BMP, uncompressed, info header (-windows) and core header (-os2).
for kind in windows os2; do
  name=info; [ $kind = os2 ] && name=core
  ppmtobmp -$kind -bpp=1 "$work/two.ppm" > valid/bmp-$name-1.bmp 2>/dev/null
  ppmtobmp -$kind -bpp=4 "$work/c16.ppm" > valid/bmp-$name-4.bmp 2>/dev/null
  ppmtobmp -$kind -bpp=8 "$work/c256.ppm" > valid/bmp-$name-8.bmp 2>/dev/null
  ppmtobmp -$kind -bpp=24 "$work/rgb.ppm" > valid/bmp-$name-24.bmp 2>/dev/null
done
for f in valid/bmp-info-*.bmp valid/bmp-core-*.bmp; do bmpref "$f"; done

# RLE8 as ImageMagick writes it; a long header (BMP v5, 124 bytes).
convert-im6.q16 "$work/c256.ppm" -type palette -compress RLE bmp3:valid/bmp-rle8-im.bmp
convert-im6.q16 "$work/c256.ppm" -type palette bmp:valid/bmp-v5-8.bmp
pilref valid/bmp-rle8-im.bmp
pilref valid/bmp-v5-8.bmp

# Pillow's 8-bit writer stores only the colours in use (biClrUsed).
"$python" - <<'PY'
from PIL import Image
im = Image.new('P', (29, 17))
im.putpalette([255, 0, 0, 0, 255, 0, 0, 0, 255, 250, 200, 10, 9, 9, 9])
px = im.load()
for y in range(17):
    for x in range(29):
        px[x, y] = (x * 3 + y) % 5
im.save('valid/bmp-clrused-8.bmp')
PY
pilref valid/bmp-clrused-8.bmp

# RLE8, RLE4 and top-down rows, from the BMP layout: encoded runs, literal
# runs padded to an even number of bytes, end-of-line after each row and
# end-of-bitmap at the end.
"$python" - <<'PY'
import struct
from PIL import Image

def header(width, height, bits, compression, palette, data):
    colours = len(palette)
    off = 14 + 40 + 4 * colours
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, bits, compression,
                       len(data), 2835, 2835, colours, 0)
    pal = b''.join(bytes((b, g, r, 0)) for (r, g, b) in palette)
    return b'BM' + struct.pack('<IHHI', off + len(data), 0, 0, off) + info + pal + data

def runs(row):
    i = 0
    while i < len(row):
        j = i
        while j < len(row) and j - i < 255 and row[j] == row[i]:
            j += 1
        if j - i >= 3 or j == len(row):
            yield ('run', row[i:j]); i = j; continue
        k = i
        while k < len(row) and k - i < 255 and not (k + 2 < len(row) and row[k] == row[k+1] == row[k+2]):
            k += 1
        if k - i >= 3:
            yield ('literal', row[i:k])
        else:
            for p in row[i:k]:
                yield ('run', [p])
        i = k

def rle8(rows):
    out = bytearray()
    for row in rows:
        for kind, px in runs(row):
            if kind == 'run':
                out += bytes((len(px), px[0]))
            else:
                out += bytes((0, len(px))) + bytes(px) + (b'\0' if len(px) % 2 else b'')
        out += b'\0\0'
    return bytes(out[:-2] + b'\0\1')

def rle4(rows):
    out = bytearray()
    for row in rows:
        for kind, px in runs(row):
            if kind == 'run':
                out += bytes((len(px), px[0] << 4 | px[0]))
            else:
                packed = bytearray()
                for k in range(0, len(px), 2):
                    packed.append(px[k] << 4 | (px[k+1] if k + 1 < len(px) else 0))
                out += bytes((0, len(px))) + packed + (b'\0' if len(packed) % 2 else b'')
        out += b'\0\0'
    return bytes(out[:-2] + b'\0\1')

W, H = 45, 19
pal16 = [(i * 16, 255 - i * 16, (i * 90) % 256) for i in range(16)]
pal256 = [(i, (i * 7) % 256, 255 - i) for i in range(256)]
def pattern(x, y, n):
    if y % 5 == 0: return (x // 9) % n          # long runs
    if y % 5 == 1: return (x * 5 + y) % n        # literal stretches
    return ((x // 2) * 3 + y) % n                # short runs
# RLE4 rows of an even width: Pillow (the reference) drops the last pixel of
# odd-width RLE4 rows; the unit tests cover odd widths.
rows16 = [[pattern(x, y, 16) for x in range(W - 1)] for y in range(H)]
rows256 = [[pattern(x, y, 256) for x in range(W)] for y in range(H)]
# The file stores the bottom row first.
open('valid/bmp-rle8-hand.bmp', 'wb').write(header(W, H, 8, 1, pal256, rle8(rows256[::-1])))
open('valid/bmp-rle4-hand.bmp', 'wb').write(header(W - 1, H, 4, 2, pal16, rle4(rows16[::-1])))

# Top-down: the same rows, top row first, negative height.
stride = (W + 3) // 4 * 4
raw = b''.join(bytes(r) + b'\0' * (stride - W) for r in rows256)
open('valid/bmp-topdown-8.bmp', 'wb').write(header(W, -H, 8, 0, pal256, raw))
PY
for f in valid/bmp-rle8-hand.bmp valid/bmp-rle4-hand.bmp valid/bmp-topdown-8.bmp; do pilref "$f"; done

# 16- and 32-bit BMP as ImageMagick writes them (5-6-5, 5-5-5 and 4-4-4-4
# bitfields, 8-8-8-8 bitfields with alpha, 32-bit uncompressed), each with
# ImageMagick's and, where it reads the form, Pillow's decode. netpbm's
# bmptopnm misreads bitfields; the test allows one per channel.
im=/usr/bin/convert-im6.q16
"$im" "$work/rgb.ppm" -define bmp:subtype=RGB565 bitfields/bmp-bitfields-565.bmp
"$im" "$work/rgb.ppm" -define bmp:subtype=RGB555 bitfields/bmp-bitfields-555.bmp
"$im" "$work/rgba.png" -define bmp:subtype=ARGB4444 bitfields/bmp-bitfields-4444.bmp
"$im" "$work/rgba.png" bitfields/bmp-bitfields-8888.bmp
"$im" "$work/rgba.png" -define bmp3:alpha=true bmp3:bitfields/bmp-rgb-32.bmp
for f in bitfields/*.bmp; do
  "$im" "$f" -alpha off "ppm:${f%.bmp}.im.ppm"
  "$python" -c 'import sys
from PIL import Image
Image.open(sys.argv[1]).convert("RGB").save(sys.argv[2])' "$f" "${f%.bmp}.pil.ppm" 2>/dev/null || true
done

# PCX as ppmtopcx writes it: 1 bit x 1 plane, 1 x 4, 4 x 1 (packed), 8 x 1
# with the 256-colour trailer, 8 x 3 (true colour).
ppmtopcx "$work/two.ppm" > valid/pcx-1x1.pcx 2>/dev/null
ppmtopcx -planes=4 "$work/c16.ppm" > valid/pcx-1x4.pcx 2>/dev/null
ppmtopcx -packed "$work/c16.ppm" > valid/pcx-4x1.pcx 2>/dev/null
ppmtopcx -8bit "$work/c256.ppm" > valid/pcx-8x1.pcx 2>/dev/null
ppmtopcx -24bit "$work/rgb.ppm" > valid/pcx-8x3.pcx 2>/dev/null
for f in valid/pcx-*.pcx; do pcxref "$f"; done
# Pillow's PCX writer (8 x 1 and 8 x 3), read back by Pillow.
"$python" - <<'PY'
from PIL import Image
Image.open('valid/bmp-rle8-hand.bmp').save('valid/pcx-pil-8x1.pcx')
Image.open('valid/bmp-info-24.bmp').save('valid/pcx-pil-8x3.pcx')
PY
pilref valid/pcx-pil-8x1.pcx
pilref valid/pcx-pil-8x3.pcx

# Malformed: valid files cut short inside their pixel data. The tests
# expect the rows read whole to match the valid file's reference and the
# rest to stay black.
# BMP cuts are counted from the pixel data's offset (bfOffBits).
"$python" - <<'PY'
import struct
def cut(source, target, past_pixels):
    data = open(source, 'rb').read()
    offset = struct.unpack_from('<I', data, 10)[0]
    open(target, 'wb').write(data[:offset + past_pixels])
cut('valid/bmp-info-8.bmp', 'malformed/bmp-info-8-cut.bmp', 5 * 40 + 7)   # 5 rows and 7 bytes
cut('valid/bmp-rle8-hand.bmp', 'malformed/bmp-rle8-hand-cut.bmp', 150)
PY
head -c 400 valid/pcx-1x4.pcx > malformed/pcx-1x4-cut.pcx
head -c 1000 valid/pcx-8x3.pcx > malformed/pcx-8x3-cut.pcx
echo "regenerated $(ls valid malformed | grep -c .) files"

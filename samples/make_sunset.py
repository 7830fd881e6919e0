#!/usr/bin/python3
# Draws the bundled sample picture once: a 64 x 48 sunset with 8-bit palette
# colours, saved as samples/sunset.bmp and samples/sunset.pcx by Pillow.
import math
import os
from PIL import Image

W, H = 64, 48
im = Image.new('RGB', (W, H))
px = im.load()
for y in range(H):
    for x in range(W):
        if y < 30:  # sky: deep blue at the top to orange at the horizon
            t = y / 29
            colour = (int(40 + 215 * t), int(30 + 120 * t), int(120 - 90 * t))
            if math.hypot(x - 40, y - 27) < 8:  # the sun
                colour = (255, 220 - int(abs(y - 27) * 6), 60)
        else:  # sea, with bands of reflected light
            t = (y - 30) / 17
            glint = 40 if (x + y * 3) % 11 < 3 and abs(x - 40) < 10 - t * 4 else 0
            colour = (int(60 - 40 * t) + glint, int(40 - 20 * t) + glint, int(110 - 50 * t) + glint // 2)
        px[x, y] = colour
here = os.path.dirname(os.path.abspath(__file__))
picture = im.quantize(colors=256, method=Image.Quantize.MEDIANCUT)
picture.save(os.path.join(here, 'sunset.bmp'))
picture.save(os.path.join(here, 'sunset.pcx'))

// The picture generator: a palette-index picture from a fixed pseudo-random
// sequence, and one encoder per file form. The encoders are written for this
// purpose alone (the library's own writers write only uncompressed BMP), and
// they follow the files that common programs write: BMP rows padded to four
// bytes, RLE rows ended by an end-of-line escape, PCX plane lines of an even
// number of bytes.
#include "bench/pictureMaker.h"

#include <algorithm>
#include <cstring>

namespace benchpictures {

namespace {

// xorshift32: the same picture on every machine and run.
struct Random {
  uint32_t state = 0x9E3779B9u;
  uint32_t next() {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
  }
};

// Indexes below `colours`: mostly runs of 4 to 67 pixels, now and then a
// stretch of single pixels; each row starts from the row above and changes
// part of it, as drawings do.
std::vector<uint8_t> indexPicture(int32_t width, int32_t height, int colours) {
  std::vector<uint8_t> picture(static_cast<size_t>(width) * height);
  Random random;
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* row = picture.data() + static_cast<size_t>(y) * width;
    if (y > 0 && random.next() % 4 != 0) {
      std::memcpy(row, row - width, static_cast<size_t>(width));
      int32_t at = static_cast<int32_t>(random.next() % static_cast<uint32_t>(width));
      int32_t len = static_cast<int32_t>(random.next() % 200);
      for (int32_t x = at; x < at + len && x < width; ++x) row[x] = static_cast<uint8_t>(random.next() % colours);
      continue;
    }
    for (int32_t x = 0; x < width;) {
      const uint32_t r = random.next();
      int32_t len = (r & 7) == 0 ? 1 : 4 + static_cast<int32_t>((r >> 3) % 64);
      if ((r & 7) == 0) {
        // A stretch of single pixels.
        const int32_t count = 3 + static_cast<int32_t>((r >> 3) % 12);
        for (int32_t k = 0; k < count && x < width; ++k, ++x) row[x] = static_cast<uint8_t>(random.next() % colours);
        continue;
      }
      const uint8_t value = static_cast<uint8_t>((r >> 10) % colours);
      for (int32_t k = 0; k < len && x < width; ++k, ++x) row[x] = value;
    }
  }
  return picture;
}

void put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void put32(std::vector<uint8_t>& out, uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}

// The colour of palette index i.
void colourOf(int i, uint8_t rgb[3]) {
  rgb[0] = static_cast<uint8_t>(i * 67 + 13);
  rgb[1] = static_cast<uint8_t>(i * 151 + 101);
  rgb[2] = static_cast<uint8_t>(i * 29 + 200);
}

// ---- BMP ----------------------------------------------------------------

std::vector<uint8_t> bmpHeaders(int32_t width, int32_t height, int bits, uint32_t compression,
                                int colours) {
  std::vector<uint8_t> out;
  const uint32_t offBits = 14 + 40 + 4 * static_cast<uint32_t>(colours);
  out.push_back('B');                   // bfType
  out.push_back('M');
  put32(out, 0);                        // bfSize, set when the file is complete
  put32(out, 0);                        // bfReserved1, bfReserved2
  put32(out, offBits);                  // bfOffBits
  put32(out, 40);                       // biSize
  put32(out, static_cast<uint32_t>(width));   // biWidth
  put32(out, static_cast<uint32_t>(height));  // biHeight: rows bottom-up
  put16(out, 1);                        // biPlanes
  put16(out, static_cast<uint32_t>(bits));    // biBitCount
  put32(out, compression);              // biCompression
  put32(out, 0);                        // biSizeImage
  put32(out, 2835);                     // biXPelsPerMeter (72 dpi)
  put32(out, 2835);                     // biYPelsPerMeter
  put32(out, static_cast<uint32_t>(colours));  // biClrUsed
  put32(out, 0);                        // biClrImportant
  for (int i = 0; i < colours; ++i) {
    uint8_t rgb[3];
    colourOf(i, rgb);
    out.insert(out.end(), {rgb[2], rgb[1], rgb[0], 0});  // blue, green, red, 0
  }
  return out;
}

void finishBmp(std::vector<uint8_t>& out) {
  const uint32_t size = static_cast<uint32_t>(out.size());
  for (int k = 0; k < 4; ++k) out[2 + k] = static_cast<uint8_t>(size >> (8 * k));
}

std::vector<uint8_t> makeBmpRaw(const std::vector<uint8_t>& picture, int32_t width, int32_t height,
                                int bits) {
  std::vector<uint8_t> out = bmpHeaders(width, height, bits, 0, bits == 8 ? 256 : 0);
  const size_t rowBytes = (static_cast<size_t>(width) * (bits / 8) + 3) / 4 * 4;
  out.reserve(out.size() + rowBytes * height);
  for (int32_t y = height - 1; y >= 0; --y) {
    const uint8_t* row = picture.data() + static_cast<size_t>(y) * width;
    const size_t start = out.size();
    if (bits == 8) {
      out.insert(out.end(), row, row + width);
    } else {
      for (int32_t x = 0; x < width; ++x) {
        uint8_t rgb[3];
        colourOf(row[x], rgb);
        // A little texture, so that the colours are not all palette colours.
        out.insert(out.end(), {static_cast<uint8_t>(rgb[2] ^ (x & 3)), rgb[1], rgb[0]});
      }
    }
    out.resize(start + rowBytes, 0);
  }
  finishBmp(out);
  return out;
}

// Run-length coding of one row as Windows writes it: runs of three or more
// equal pixels are encoded runs, everything between them goes out as
// literal runs (of at least three pixels; shorter ones as encoded runs).
// RLE4 packs two pixels into each byte and repeats a pair in a run.
void encodeRleRow(std::vector<uint8_t>& out, const uint8_t* row, int32_t width, bool four) {
  auto literal = [&](int32_t from, int32_t count) {
    while (count > 0) {
      int32_t take = count > 254 ? 254 : count;
      if (take < 3) {
        for (int32_t k = 0; k < take; ++k) {
          out.push_back(1);
          out.push_back(four ? static_cast<uint8_t>(row[from + k] << 4) : row[from + k]);
        }
      } else {
        out.push_back(0);
        out.push_back(static_cast<uint8_t>(take));
        const size_t start = out.size();
        if (four) {
          for (int32_t k = 0; k < take; k += 2)
            out.push_back(static_cast<uint8_t>((row[from + k] << 4) | (k + 1 < take ? row[from + k + 1] : 0)));
        } else {
          out.insert(out.end(), row + from, row + from + take);
        }
        if ((out.size() - start) & 1) out.push_back(0);  // runs end on a word boundary
      }
      from += take;
      count -= take;
    }
  };
  int32_t pending = 0;  // start of pixels not yet written
  int32_t x = 0;
  while (x < width) {
    int32_t run = 1;
    while (x + run < width && run < 255 && row[x + run] == row[x]) ++run;
    if (run < 3) {
      x += run;
      continue;
    }
    literal(pending, x - pending);
    out.push_back(static_cast<uint8_t>(run));
    out.push_back(four ? static_cast<uint8_t>(row[x] * 0x11) : row[x]);
    x += run;
    pending = x;
  }
  literal(pending, x - pending);
  out.push_back(0);  // end of line
  out.push_back(0);
}

std::vector<uint8_t> makeBmpRle(const std::vector<uint8_t>& picture, int32_t width, int32_t height,
                                bool four) {
  std::vector<uint8_t> out = bmpHeaders(width, height, four ? 4 : 8, four ? 2 : 1, four ? 16 : 256);
  for (int32_t y = height - 1; y >= 0; --y)
    encodeRleRow(out, picture.data() + static_cast<size_t>(y) * width, width, four);
  out.push_back(0);  // end of bitmap
  out.push_back(1);
  finishBmp(out);
  return out;
}

// ---- PCX ----------------------------------------------------------------

void encodePcxLine(std::vector<uint8_t>& out, const uint8_t* line, size_t bytes) {
  for (size_t i = 0; i < bytes;) {
    size_t run = 1;
    while (i + run < bytes && run < 63 && line[i + run] == line[i]) ++run;
    if (run > 1 || line[i] >= 0xC0) out.push_back(static_cast<uint8_t>(0xC0 | run));
    out.push_back(line[i]);
    i += run;
  }
}

std::vector<uint8_t> makePcx(const std::vector<uint8_t>& picture, int32_t width, int32_t height,
                             int bitsPerPlane, int planes) {
  const int32_t bitsWide = width * bitsPerPlane;
  const uint32_t bytesPerPlaneLine = static_cast<uint32_t>(((bitsWide + 7) / 8 + 1) / 2 * 2);
  std::vector<uint8_t> out(128, 0);
  out[0] = 10;                       // manufacturer
  out[1] = 5;                        // version
  out[2] = 1;                        // encoding: run-length
  out[3] = static_cast<uint8_t>(bitsPerPlane);
  out[8] = static_cast<uint8_t>(width - 1);   // xMax
  out[9] = static_cast<uint8_t>((width - 1) >> 8);
  out[10] = static_cast<uint8_t>(height - 1);  // yMax
  out[11] = static_cast<uint8_t>((height - 1) >> 8);
  out[12] = 72;                      // hDpi
  out[14] = 72;                      // vDpi
  for (int i = 0; i < 16; ++i) colourOf(i, &out[16 + 3 * i]);  // colour map
  if (bitsPerPlane * planes == 1) {
    // Two-colour pictures are black and white, whatever the colour map says;
    // saying so in the map too keeps every decoder to the same picture.
    std::fill(&out[16], &out[19], 0);
    std::fill(&out[19], &out[22], 255);
  }
  out[65] = static_cast<uint8_t>(planes);
  out[66] = static_cast<uint8_t>(bytesPerPlaneLine);
  out[67] = static_cast<uint8_t>(bytesPerPlaneLine >> 8);
  out[68] = 1;                       // paletteInfo: colour

  std::vector<uint8_t> line(bytesPerPlaneLine);
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* row = picture.data() + static_cast<size_t>(y) * width;
    for (int p = 0; p < planes; ++p) {
      std::fill(line.begin(), line.end(), 0);
      if (bitsPerPlane == 8 && planes == 3) {
        for (int32_t x = 0; x < width; ++x) {
          uint8_t rgb[3];
          colourOf(row[x], rgb);
          line[x] = p == 0 ? static_cast<uint8_t>(rgb[0] ^ (x & 3)) : rgb[p];
        }
      } else if (bitsPerPlane == 8) {
        std::memcpy(line.data(), row, static_cast<size_t>(width));
      } else {
        // One bit of each pixel's index per plane, leftmost pixel in the
        // top bit.
        for (int32_t x = 0; x < width; ++x)
          if ((row[x] >> p) & 1) line[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
      }
      encodePcxLine(out, line.data(), line.size());
    }
  }
  if (bitsPerPlane == 8 && planes == 1) {
    out.push_back(0x0C);  // the 256-colour trailer
    for (int i = 0; i < 256; ++i) {
      uint8_t rgb[3];
      colourOf(i, rgb);
      out.insert(out.end(), rgb, rgb + 3);
    }
  }
  return out;
}

}  // namespace

const std::vector<FormInfo>& allForms() {
  static const std::vector<FormInfo> forms = {
      {Form::bmp8, "bmp-8bit", "bmp", 1},     {Form::bmp24, "bmp-24bit", "bmp", 3},
      {Form::bmpRle8, "bmp-rle8", "bmp", 1},  {Form::bmpRle4, "bmp-rle4", "bmp", 1},
      {Form::pcx1x1, "pcx-1x1", "pcx", 1},    {Form::pcx1x4, "pcx-1x4", "pcx", 1},
      {Form::pcx8x1, "pcx-8x1", "pcx", 1},    {Form::pcx8x3, "pcx-8x3", "pcx", 3},
  };
  return forms;
}

const FormInfo* findForm(const std::string& name) {
  for (const FormInfo& info : allForms())
    if (name == info.name) return &info;
  return nullptr;
}

std::vector<uint8_t> makeFile(Form form, int32_t width, int32_t height) {
  switch (form) {
    case Form::bmp8: return makeBmpRaw(indexPicture(width, height, 256), width, height, 8);
    case Form::bmp24: return makeBmpRaw(indexPicture(width, height, 256), width, height, 24);
    case Form::bmpRle8: return makeBmpRle(indexPicture(width, height, 256), width, height, false);
    case Form::bmpRle4: return makeBmpRle(indexPicture(width, height, 16), width, height, true);
    case Form::pcx1x1: return makePcx(indexPicture(width, height, 2), width, height, 1, 1);
    case Form::pcx1x4: return makePcx(indexPicture(width, height, 16), width, height, 1, 4);
    case Form::pcx8x1: return makePcx(indexPicture(width, height, 256), width, height, 8, 1);
    case Form::pcx8x3: return makePcx(indexPicture(width, height, 256), width, height, 8, 3);
  }
  return {};
}

}  // namespace benchpictures

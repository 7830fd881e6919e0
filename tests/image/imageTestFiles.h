// Helpers shared by the image library's tests: scratch files in a private
// temporary directory, UTF-16 names, and byte-exact file contents.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

#include "tests/scratchDirectory.h"

namespace testfiles {

// Numbers for generated test data: the same seed gives the same data on
// every machine and every run.
class RepeatableNumbers {
 public:
  explicit RepeatableNumbers(uint32_t seed) : state(seed) {}
  uint32_t next() {
    state = state * 1103515245u + 12345u;
    return state >> 16;
  }

 private:
  uint32_t state;
};

// A directory of this test process, made on first use.
inline const std::string& scratchDir() {
  static const std::string dir = testscratch::makeDirectory("/tmp/zolm-image-test-XXXXXX");
  return dir;
}

inline std::string scratchPath(const std::string& name) { return scratchDir() + "/" + name; }

// UTF-8 to UTF-16 for the names the library takes.
inline std::u16string wide(const std::string& utf8) {
  std::u16string out;
  for (size_t i = 0; i < utf8.size();) {
    uint32_t c = static_cast<uint8_t>(utf8[i]);
    int extra = c < 0x80 ? 0 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : 3;
    if (extra) c &= (0x3F >> extra);
    for (int k = 1; k <= extra && i + k < utf8.size(); ++k)
      c = (c << 6) | (static_cast<uint8_t>(utf8[i + k]) & 0x3F);
    i += 1 + extra;
    if (c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
  }
  return out;
}

inline void writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

template <size_t N>
inline void writeFile(const std::string& path, const uint8_t (&bytes)[N]) {
  writeFile(path, std::vector<uint8_t>(bytes, bytes + N));
}

inline std::vector<uint8_t> readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Writes bytes to a scratch file named `name` and loads it into `image`;
// returns loadFile's result.
template <typename Image, typename Bytes>
inline int32_t loadBytes(Image& image, const std::string& name, const Bytes& bytes) {
  writeFile(scratchPath(name), bytes);
  return image.loadFile(wide(scratchPath(name)).c_str());
}

inline void put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
inline void put32(std::vector<uint8_t>& out, uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}

// The 14-byte BMP file header: "BM", the file's length, two reserved words
// of zero and the offset of the pixel data.
inline std::vector<uint8_t> bmpFileHeader(uint32_t fileSize, uint32_t pixelOffset) {
  std::vector<uint8_t> out = {'B', 'M'};
  put32(out, fileSize);
  put32(out, 0);
  put32(out, pixelOffset);
  return out;
}

// A BMP file with a 40-byte info header, `colours` palette entries (entry i
// is blue i, green 2i, red 3i) and the pixel data as given.
inline std::vector<uint8_t> bmpInfoFile(int32_t width, int32_t height, uint16_t bits,
                                        uint32_t compression, uint32_t colours,
                                        const std::vector<uint8_t>& data,
                                        uint32_t clrUsed = 0) {
  const uint32_t offset = 14 + 40 + 4 * colours;
  std::vector<uint8_t> out = bmpFileHeader(offset + static_cast<uint32_t>(data.size()), offset);
  put32(out, 40);
  put32(out, static_cast<uint32_t>(width));
  put32(out, static_cast<uint32_t>(height));
  put16(out, 1);
  put16(out, bits);
  put32(out, compression);
  put32(out, static_cast<uint32_t>(data.size()));
  put32(out, 0);
  put32(out, 0);
  put32(out, clrUsed);
  put32(out, 0);
  for (uint32_t i = 0; i < colours; ++i) {
    out.push_back(static_cast<uint8_t>(i));
    out.push_back(static_cast<uint8_t>(2 * i));
    out.push_back(static_cast<uint8_t>(3 * i));
    out.push_back(0);
  }
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

// The 128-byte header of a version 5 run-coded PCX file of width x height
// pixels in `planes` planes of `bits` bits, `lineBytes` bytes a plane line;
// its colour map is black.
inline std::vector<uint8_t> pcxHeader(uint8_t bits, uint8_t planes, int32_t width, int32_t height,
                                      uint16_t lineBytes) {
  std::vector<uint8_t> out(128, 0);
  out[0] = 10;
  out[1] = 5;
  out[2] = 1;
  out[3] = bits;
  out[8] = static_cast<uint8_t>(width - 1);
  out[9] = static_cast<uint8_t>((width - 1) >> 8);
  out[10] = static_cast<uint8_t>(height - 1);
  out[11] = static_cast<uint8_t>((height - 1) >> 8);
  out[65] = planes;
  out[66] = static_cast<uint8_t>(lineBytes);
  out[67] = static_cast<uint8_t>(lineBytes >> 8);
  return out;
}

// A version 5 PCX file of width x height pixels in `planes` planes of
// `bits` bits, from its plane lines (planes x lineBytes bytes a row, rows
// from the top); repeated bytes are coded as runs, which end with the row.
// Colour map entry i is (16i, 255 - 16i, 5i).
inline std::vector<uint8_t> pcxFile(uint8_t bits, uint8_t planes, int32_t width, int32_t height,
                                    uint16_t lineBytes, const std::vector<uint8_t>& lines) {
  std::vector<uint8_t> out = pcxHeader(bits, planes, width, height, lineBytes);
  for (int i = 0; i < 16; ++i) {
    out[16 + 3 * i] = static_cast<uint8_t>(16 * i);
    out[17 + 3 * i] = static_cast<uint8_t>(255 - 16 * i);
    out[18 + 3 * i] = static_cast<uint8_t>(5 * i);
  }
  const size_t rowBytes = size_t{planes} * lineBytes;
  for (size_t start = 0; start < lines.size(); start += rowBytes) {
    for (size_t at = start; at < start + rowBytes;) {
      size_t count = 1;
      while (count < 63 && at + count < start + rowBytes && lines[at + count] == lines[at]) ++count;
      if (count > 1 || lines[at] >= 0xC0) out.push_back(static_cast<uint8_t>(0xC0 | count));
      out.push_back(lines[at]);
      at += count;
    }
  }
  return out;
}

// A binary PPM's size and pixels; false when the file is not one.
inline bool readPpm(const std::string& path, int& width, int& height, std::vector<uint8_t>& rgb) {
  std::vector<uint8_t> bytes = readFile(path);
  size_t pos = 0;
  auto token = [&]() {
    std::string text;
    while (pos < bytes.size() && isspace(bytes[pos])) ++pos;
    while (pos < bytes.size() && !isspace(bytes[pos])) text += static_cast<char>(bytes[pos++]);
    return text;
  };
  if (token() != "P6") return false;
  width = std::stoi(token());
  height = std::stoi(token());
  if (token() != "255") return false;
  ++pos;
  rgb.assign(bytes.begin() + static_cast<std::ptrdiff_t>(pos), bytes.end());
  return rgb.size() == static_cast<size_t>(width) * static_cast<size_t>(height) * 3;
}

}  // namespace testfiles

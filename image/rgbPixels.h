// The picture an image file object holds, as red, green, blue bytes per
// pixel, rows from the top: palette pictures are looked up in the object's
// palette (an index without an entry comes out black), 24-bit pictures are
// taken as they are. Used to show or compare what a reader produced.
#pragma once

#include <cstdint>
#include <vector>

class cBitmapFile;

// One row at a time, with the palette looked up once.
class cRgbRows {
 public:
  // False from ready() when the object holds no usable pixel store.
  explicit cRgbRows(const cBitmapFile& image);
  bool ready() const { return usable; }
  int32_t width() const { return columns; }
  int32_t height() const { return rows; }
  // Writes width() x 3 bytes of row `index` into out; false when out of range.
  bool row(int32_t index, uint8_t* out) const;
  // Row `index` without a copy where the store already holds it as red,
  // green, blue; otherwise mapped into scratch (width() x 3 bytes). Null
  // when out of range.
  const uint8_t* rowView(int32_t index, uint8_t* scratch) const;

 private:
  const cBitmapFile& image;
  bool usable = false;
  bool trueColour = false;
  int32_t columns = 0;
  int32_t rows = 0;
  // Entry i: red, green, blue and a spare byte, so that one 4-byte copy
  // moves a pixel.
  uint8_t colours[256][4] = {};
};

// The whole picture; false (and rgb empty) without a usable pixel store.
bool imgRgbPixels(const cBitmapFile& image, std::vector<uint8_t>& rgb);

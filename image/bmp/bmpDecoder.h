// cBmpDecoder: turns a BMP file's pixel data into rows, one byte per pixel
// (palette index) or three (red, green, blue), for uncompressed rows of 1, 4,
// 8, 16, 24 and 32 bits, for 16 and 32 bits through channel masks and for
// RLE8 and RLE4 data.
#pragma once

#include <cstdint>

#include "image/codec.h"

class cByteCursor;
struct bmpChannels;

class cBmpDecoder : public cDecoder {
 public:
  // Status values; once non-zero the status stays so.
  static constexpr int32_t statusEndOfBitmap = 1;   // RLE end-of-bitmap escape
  static constexpr int32_t statusFileError = 4;     // a file operation failed
  static constexpr int32_t statusEndOfFile = 16;    // position at or past the end
  static constexpr int32_t statusBadCompression = 64;
  static constexpr int32_t statusDelta = 128;       // RLE delta escapes are not supported

  // rowCapacity bounds every write into a row buffer, whatever the header says.
  cBmpDecoder(cBitmapFile* source, uint32_t compression, uint32_t bitsPerPixel,
              int32_t rowCapacity);

  int32_t decodeLine(uint8_t* buffer, int32_t pixelCount) override;
  int32_t getStatus() override;

  // Whether the last decodeLine delivered a whole row: all its pixel bytes
  // were read, or an RLE row ended with its end-of-line or end-of-bitmap
  // escape (or filled the row before the file ended).
  bool lastRowComplete() const { return rowComplete; }
  void setRowCapacity(int32_t bytes) { rowCapacity = bytes < 0 ? 0 : bytes; }
  // Where 16- and 32-bit pixels keep their channels (not owned); without
  // them such rows are not decoded.
  void setChannels(const bmpChannels* layout) { channels = layout; }

  int32_t status = 0;
  uint32_t compression;
  uint32_t bitsPerPixel;
  cBitmapFile* source;  // not owned

 private:
  void readRawRow(uint8_t* buffer, int32_t n);
  void readPackedRow(uint8_t* buffer, int32_t n);
  void readRaw8Row(uint8_t* buffer, int32_t n);
  void readRaw24Row(uint8_t* buffer, int32_t n);
  void readMaskedRow(uint8_t* buffer, int32_t n);
  void readRleRow(uint8_t* buffer, int32_t n);
  // Inline in the RLE loop, so that the byte cursor can stay in registers.
  inline bool readLiteral(cByteCursor& in, uint8_t* buffer, int32_t room, int32_t& x, int32_t count);
  inline bool stopsAfterRun(cByteCursor& in, int32_t room, int32_t x);
  void putRun(uint8_t* buffer, int32_t room, int32_t& x, int32_t count, uint8_t value) const;
  void putLiteral(uint8_t* buffer, int32_t room, int32_t& x, int32_t count, const uint8_t* packed) const;
  // Drops the fill bytes after a row of n pixels (rows are padded to 4 bytes).
  void skipRowFill(int32_t n);

  int32_t rowCapacity;
  bool rowComplete = false;
  uint8_t spareByte = 0;  // for the RLE reader's byte cursor
  const bmpChannels* channels = nullptr;
};

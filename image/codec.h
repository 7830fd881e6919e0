// The row codecs: a decoder turns the file's bytes into one row at a time, an
// encoder writes one row at a time. Each holds a borrowed image file object
// and does all file access through it. A status of 0 means go on; any other
// value (the codec's own) means stop. Status never becomes an error code.
#pragma once

#include <cstdint>

class cBitmapFile;

class cDecoder {
 public:
  virtual ~cDecoder() = default;
  // Reads one row of pixelCount pixels into buffer; returns getStatus().
  virtual int32_t decodeLine(uint8_t* buffer, int32_t pixelCount) = 0;
  // Called once before the first row.
  virtual int32_t begin() { return getStatus(); }
  // Called once after the last row.
  virtual int32_t finish() { return getStatus(); }
  virtual int32_t getStatus() = 0;
};

class cEncoder {
 public:
  virtual ~cEncoder() = default;
  // Writes one row of pixelCount pixels from row; returns getStatus().
  virtual int32_t encodeLine(const uint8_t* row, int32_t pixelCount) = 0;
  virtual int32_t begin() { return getStatus(); }
  virtual int32_t finish() { return getStatus(); }
  virtual int32_t getStatus() = 0;
};

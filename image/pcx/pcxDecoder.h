// cPcxDecoder: turns a PCX file's run-length coded planes into rows, one
// byte per pixel (palette index) or three (red, green, blue planes).
#pragma once

#include <cstdint>

#include "image/codec.h"

struct pcxHeader;

class cPcxDecoder : public cDecoder {
 public:
  static constexpr int32_t statusEndOfFile = 2;
  static constexpr int32_t statusFileError = 4;

  // source's file is open; header is the header read from it.
  cPcxDecoder(cBitmapFile* source, const pcxHeader& header);
  ~cPcxDecoder() override;
  cPcxDecoder(const cPcxDecoder&) = delete;
  cPcxDecoder& operator=(const cPcxDecoder&) = delete;

  int32_t decodeLine(uint8_t* buffer, int32_t pixelCount) override;
  int32_t begin() override;
  int32_t getStatus() override;

  // Obtains the plane line buffers; false when the memory cannot be had.
  // decodeLine obtains them itself when needed and, failing, stops with
  // statusFileError.
  bool reserveLines();
  // Whether the last decodeLine read every byte of the row's planes.
  bool lastRowComplete() const { return rowComplete; }
  // Every write into a row buffer stays below this many bytes.
  void setRowCapacity(int32_t bytes) { rowCapacity = bytes < 0 ? 0 : bytes; }

  uint32_t status = 0;
  uint32_t bitsPerPlane;
  uint32_t planeCount;
  uint32_t bytesPerPlaneLine;
  cBitmapFile* source;  // not owned
  uint32_t lastCode = 0;
  int32_t runCount = 0;
  uint32_t runValue = 0;
  uint32_t pixelMask;

 private:
  bool fetchRun();
  bool expandLine(uint8_t* line, uint32_t length);
  bool readBytePlanes(uint8_t* buffer, int32_t n);
  bool readBitPlanes(uint8_t* buffer, int32_t n);
  void storeBitPlane(uint8_t* buffer, uint32_t limit, const uint8_t* line) const;
  void addBitPlane(uint8_t* buffer, uint32_t limit, const uint8_t* line, uint32_t shift) const;

  int32_t rowCapacity = 0;
  bool rowComplete = false;
  // The plane lines of one row as the file holds them: all planes for byte
  // planes (they are interleaved afterwards), one for bit planes.
  uint8_t* lines = nullptr;
};

// The byte v with the order of its groups of `bits` bits reversed (1, 2 or 4
// bits; other values give v unchanged): the first pixel of a byte then sits
// in its lowest bits.
uint8_t pcxReorder(uint32_t bits, uint8_t v);

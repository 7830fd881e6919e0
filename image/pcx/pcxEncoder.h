// cPcxEncoder: writes the rows of a PCX file. Each row is split into its
// plane lines (byte planes for 8 bits per plane, packed bit planes
// otherwise), each line is padded to the header's bytes per plane line and
// run-length coded on its own, so runs never cross a line or a row.
#pragma once

#include <cstdint>

#include "image/codec.h"

class cBitmapFile;
struct pcxHeader;

class cPcxEncoder : public cEncoder {
 public:
  // Takes bits per plane, planes and bytes per plane line from the header
  // and obtains the line buffer; status 8 when it cannot be obtained.
  cPcxEncoder(cBitmapFile* source, const pcxHeader& header);
  ~cPcxEncoder() override;
  cPcxEncoder(const cPcxEncoder&) = delete;
  cPcxEncoder& operator=(const cPcxEncoder&) = delete;

  // Writes one row of pixelCount pixels (one byte each, or one byte per
  // plane for 8-bit planes) unless the status is already non-zero.
  int32_t encodeLine(const uint8_t* row, int32_t pixelCount) override;
  // Status 8 without a line buffer, else 0; then getStatus().
  int32_t begin() override;
  // 4 once the image's systemError is set (sticky); 0 good; 8 no buffer.
  int32_t getStatus() override;

  int32_t status = 0;
  int32_t bitsPerPlane = 1;
  int32_t planeCount = 1;
  int32_t bytesPerPlaneLine = 0;
  cBitmapFile* source;     // not owned
  uint8_t* lineBuffer = nullptr;  // owned, bytesPerPlaneLine bytes
  uint32_t bitMask = 0x80;
  int32_t fillIndex = 0;

 private:
  void clearLine();
  // Packs the `bits` low bits of value, most significant first.
  void pack(uint32_t value, int32_t bits);
  // pack() for a whole plane line of 1, 2 or 4 bits per plane.
  void packWhole(const uint8_t* row, int32_t pixelCount, int32_t shift);
  int32_t flushLine();
  void emit(uint8_t value) { out[outUsed++] = value; }
  void drain();

  // Coded bytes wait here and go to the image a piece at a time.
  static constexpr int32_t kOutBytes = 4096;
  uint8_t out[kOutBytes];
  int32_t outUsed = 0;
};

// The 128-byte PCX header as the file holds it, little-endian, with
// conversions from and to its exact bytes, and what the reader, the writer
// and the scaling make of its fields. Every byte is kept, also those the
// library does not interpret, so that a picture is written back with the
// header it was read with.
#pragma once

#include <cstdint>
#include <cstring>

#include "image/littleEndian.h"

struct pcxHeader {
  static constexpr int32_t size = 128;
  static constexpr uint8_t zsoftManufacturer = 10;

  uint8_t manufacturer = 0;      // 10
  uint8_t version = 0;           // 0, 2, 3 or 5
  uint8_t encoding = 0;          // 0: not run-length coded
  uint8_t bitsPerPlane = 0;      // 0 counts as 1
  uint16_t xMin = 0;             // the window, both ends inclusive
  uint16_t yMin = 0;
  uint16_t xMax = 0;
  uint16_t yMax = 0;
  uint16_t horizontalDpi = 0;
  uint16_t verticalDpi = 0;
  uint8_t colorMap[48] = {};     // 16 entries of red, green, blue
  uint8_t reserved = 0;
  uint8_t planeCount = 0;        // 0 counts as 1
  uint16_t bytesPerPlaneLine = 0;
  uint16_t paletteInfo = 0;
  uint16_t horizontalScreenSize = 0;
  uint16_t verticalScreenSize = 0;
  uint8_t filler[54] = {};

  void load(const uint8_t* p) {
    manufacturer = p[0];
    version = p[1];
    encoding = p[2];
    bitsPerPlane = p[3];
    xMin = imgGet16(p + 4);
    yMin = imgGet16(p + 6);
    xMax = imgGet16(p + 8);
    yMax = imgGet16(p + 10);
    horizontalDpi = imgGet16(p + 12);
    verticalDpi = imgGet16(p + 14);
    std::memcpy(colorMap, p + 16, sizeof colorMap);
    reserved = p[64];
    planeCount = p[65];
    bytesPerPlaneLine = imgGet16(p + 66);
    paletteInfo = imgGet16(p + 68);
    horizontalScreenSize = imgGet16(p + 70);
    verticalScreenSize = imgGet16(p + 72);
    std::memcpy(filler, p + 74, sizeof filler);
  }
  void store(uint8_t* p) const {
    p[0] = manufacturer;
    p[1] = version;
    p[2] = encoding;
    p[3] = bitsPerPlane;
    imgPut16(p + 4, xMin);
    imgPut16(p + 6, yMin);
    imgPut16(p + 8, xMax);
    imgPut16(p + 10, yMax);
    imgPut16(p + 12, horizontalDpi);
    imgPut16(p + 14, verticalDpi);
    std::memcpy(p + 16, colorMap, sizeof colorMap);
    p[64] = reserved;
    p[65] = planeCount;
    imgPut16(p + 66, bytesPerPlaneLine);
    imgPut16(p + 68, paletteInfo);
    imgPut16(p + 70, horizontalScreenSize);
    imgPut16(p + 72, verticalScreenSize);
    std::memcpy(p + 74, filler, sizeof filler);
  }

  // The bits of one plane and the number of planes as the codecs use them.
  uint32_t planeBits() const { return bitsPerPlane ? bitsPerPlane : 1u; }
  uint32_t planes() const { return planeCount ? planeCount : 1u; }
  // Bits of one pixel, all planes together.
  uint32_t pixelBits() const { return planeBits() * planes(); }

  // A file of this manufacturer, version and encoding is one the reader
  // takes (its depth and window are judged apart).
  bool isKnownKind() const {
    return manufacturer == zsoftManufacturer && encoding != 0 &&
           (version == 0 || version == 2 || version == 3 || version == 5);
  }

  // The window's size; an end before its start gives 0 or less.
  int32_t windowWidth() const { return int32_t{xMax} - xMin + 1; }
  int32_t windowHeight() const { return int32_t{yMax} - yMin + 1; }
  // The window 0, 0 to the low 16 bits of width - 1 and height - 1.
  void setWindow(int32_t width, int32_t height) {
    xMin = 0;
    yMin = 0;
    xMax = static_cast<uint16_t>(static_cast<uint16_t>(width) - 1);
    yMax = static_cast<uint16_t>(static_cast<uint16_t>(height) - 1);
  }
};

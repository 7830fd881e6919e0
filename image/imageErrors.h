// The image library's error codes. An image file object's errorCode holds 0
// or one of these; once set it is never cleared. -1 is not used.
#pragma once

#include <cstdint>

constexpr int32_t errNone = 0;
// A header or palette cannot be read (also: the writer cannot seek back).
constexpr int32_t errRead = -2;
// Not the expected format, or a form of it that is not supported.
constexpr int32_t errFormat = -3;
// The palette is missing or not supported.
constexpr int32_t errPalette = -4;
// Memory for the row buffer or the pixel store cannot be obtained, or the
// picture is larger than the readers accept.
constexpr int32_t errMemory = -5;
// The palette is there but cannot be read.
constexpr int32_t errPaletteRead = -6;
// A header or palette write failed.
constexpr int32_t errWrite = -7;

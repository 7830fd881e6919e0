// Reading the registry's font table one value at a time. The open key and
// the index of the value last read belong to one search (a FontEnumeration
// that the search keeps on its stack), so searches running at the same time
// on several threads never move each other's position or close each other's
// key.
#pragma once

#include "platform/winreg.h"

// Buffer sizes of one read: the value name in characters, the value data in
// bytes (of which one less is offered, leaving room for a terminator).
constexpr DWORD kFontNameChars = 260;
constexpr DWORD kFontDataBytes = 260;

struct FontEnumeration {
  HKEY fontsKey = nullptr;
  DWORD fontsValueIndex = 0;
};

// One step of a search; its mode follows from the arguments:
// - path given and not empty: open root\path and read value 0;
// - path given but empty, or no path and an output given: read the next value;
// - no path and no output: close the key (returns 0).
// A read without outputs still returns the registry's answer for the value.
// Outputs are NUL-terminated strings of at most kFontNameChars characters
// (nameOut) and kFontDataBytes / 2 characters (dataOut), each set empty
// first. Returns the registry's result code: 0, ERROR_MORE_DATA for a value
// that does not fit, ERROR_NO_MORE_ITEMS after the last one, or the failure
// of the open.
LONG EnumFontValue(FontEnumeration& state, HKEY root, const OLECHAR* path, OLECHAR* nameOut,
                   OLECHAR* dataOut);

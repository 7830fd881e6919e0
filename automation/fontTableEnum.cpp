// One step of a font table search: open, read the next value, or close.
// The value's data is taken as a wide string whatever its registry type, and
// is terminated within its buffer even when the registry holds it without a
// terminator.
#include "automation/fontTableEnum.h"

namespace {

void copyString(OLECHAR* out, const OLECHAR* in, size_t capacity) {
  size_t i = 0;
  for (; i + 1 < capacity && in[i]; ++i) out[i] = in[i];
  out[i] = 0;
}

}  // namespace

LONG EnumFontValue(FontEnumeration& state, HKEY root, const OLECHAR* path, OLECHAR* nameOut,
                   OLECHAR* dataOut) {
  if (path && path[0]) {
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExW(root, path, 0, KEY_READ, &key);
    if (rc != ERROR_SUCCESS) return rc;
    if (state.fontsKey) RegCloseKey(state.fontsKey);
    state.fontsKey = key;
    state.fontsValueIndex = 0;
  } else if (path || nameOut || dataOut) {
    // An empty path reads the next value like a missing one, outputs or not.
    ++state.fontsValueIndex;
  } else {
    if (state.fontsKey) RegCloseKey(state.fontsKey);
    state.fontsKey = nullptr;
    return ERROR_SUCCESS;
  }
  if (nameOut) nameOut[0] = 0;
  if (dataOut) dataOut[0] = 0;
  if (!state.fontsKey) return ERROR_INVALID_HANDLE;

  OLECHAR name[kFontNameChars];
  OLECHAR data[kFontDataBytes / sizeof(OLECHAR)];
  DWORD nameChars = kFontNameChars;
  DWORD dataBytes = kFontDataBytes - 1;
  DWORD type = 0;
  LONG rc = RegEnumValueW(state.fontsKey, state.fontsValueIndex, name, &nameChars, nullptr, &type,
                          reinterpret_cast<BYTE*>(data), &dataBytes);
  if (rc != ERROR_SUCCESS) return rc;
  name[nameChars < kFontNameChars ? nameChars : kFontNameChars - 1] = 0;
  // At most 259 bytes arrive, so the unit after the last whole character
  // is still inside the buffer.
  data[dataBytes / sizeof(OLECHAR)] = 0;
  if (nameOut) copyString(nameOut, name, kFontNameChars);
  if (dataOut) copyString(dataOut, data, kFontDataBytes / sizeof(OLECHAR));
  return ERROR_SUCCESS;
}

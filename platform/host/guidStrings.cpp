// GUIDs as text in the platform's registry form, {XXXXXXXX-XXXX-XXXX-XXXX-
// XXXXXXXXXXXX} with upper-case digits, and back.
#include "platform/host/objbase.h"

namespace {

const char kHexDigits[] = "0123456789ABCDEF";

// The 16 bytes of a GUID in the order its text shows them.
void TextBytes(REFGUID guid, BYTE bytes[16]) {
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<BYTE>(guid.Data1 >> (24 - 8 * i));
  bytes[4] = static_cast<BYTE>(guid.Data2 >> 8);
  bytes[5] = static_cast<BYTE>(guid.Data2);
  bytes[6] = static_cast<BYTE>(guid.Data3 >> 8);
  bytes[7] = static_cast<BYTE>(guid.Data3);
  for (int i = 0; i < 8; ++i) bytes[8 + i] = guid.Data4[i];
}

int HexValue(OLECHAR c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

// Positions of the dashes inside the 38 characters with braces.
bool IsDashPosition(int i) { return i == 9 || i == 14 || i == 19 || i == 24; }

}  // namespace

extern "C" {

int StringFromGUID2(REFGUID guid, LPOLESTR buffer, int capacity) {
  if (buffer == nullptr || capacity < CHARS_IN_GUID) return 0;
  BYTE bytes[16];
  TextBytes(guid, bytes);
  int out = 0;
  buffer[out++] = u'{';
  for (int i = 0; i < 16; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) buffer[out++] = u'-';
    buffer[out++] = static_cast<OLECHAR>(kHexDigits[bytes[i] >> 4]);
    buffer[out++] = static_cast<OLECHAR>(kHexDigits[bytes[i] & 0xF]);
  }
  buffer[out++] = u'}';
  buffer[out++] = 0;
  return out;
}

// Only the braced form: CLSIDFromProgID reads ProgIDs.
HRESULT CLSIDFromString(LPCOLESTR text, LPCLSID clsid) {
  if (text == nullptr || clsid == nullptr) return E_INVALIDARG;
  if (text[0] != u'{') return CO_E_CLASSSTRING;
  BYTE bytes[16];
  int byte = 0;
  for (int i = 1; i < 37; ++i) {
    if (IsDashPosition(i)) {
      if (text[i] != u'-') return CO_E_CLASSSTRING;
      continue;
    }
    const int high = HexValue(text[i]);
    if (high < 0 || text[i + 1] == 0) return CO_E_CLASSSTRING;
    const int low = HexValue(text[i + 1]);
    if (low < 0) return CO_E_CLASSSTRING;
    bytes[byte++] = static_cast<BYTE>(high << 4 | low);
    ++i;
  }
  if (text[37] != u'}' || text[38] != 0) return CO_E_CLASSSTRING;
  clsid->Data1 = static_cast<uint32_t>(bytes[0]) << 24 | static_cast<uint32_t>(bytes[1]) << 16 |
                 static_cast<uint32_t>(bytes[2]) << 8 | bytes[3];
  clsid->Data2 = static_cast<uint16_t>(bytes[4] << 8 | bytes[5]);
  clsid->Data3 = static_cast<uint16_t>(bytes[6] << 8 | bytes[7]);
  for (int i = 0; i < 8; ++i) clsid->Data4[i] = bytes[8 + i];
  return S_OK;
}

}  // extern "C"

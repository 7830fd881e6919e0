// The in-process registry's tree and handle table, behind the Reg* calls of
// platform/host/winreg.h. Every function takes the one registry lock for its
// whole run and hands back copies, so the calls stay consistent when several
// threads use the registry. Names are UTF-16; the "A" calls convert.
// Private to libzolmplatform.so.
#pragma once

#include "platform/host/wintypes.h"

#include <string>
#include <vector>

namespace zolm_platform {
namespace registry {

LONG openKey(HKEY parent, const std::u16string& path, REGSAM access, HKEY* result);
LONG createKey(HKEY parent, const std::u16string& path, REGSAM access, HKEY* result,
               DWORD* disposition);
LONG closeKey(HKEY key);
LONG deleteKey(HKEY parent, const std::u16string& path);

LONG setValue(HKEY key, const std::u16string& name, DWORD type, std::vector<BYTE> data);
LONG deleteValue(HKEY key, const std::u16string& name);
LONG valueAt(HKEY key, DWORD index, std::u16string* name, DWORD* type, std::vector<BYTE>* data);
LONG subkeyAt(HKEY key, DWORD index, std::u16string* name);
// The string value `name` (null: the default value) of the key `path` below
// `parent`, as the stand-ins that read registrations need it; false when the
// key or value is missing, is no REG_SZ or REG_EXPAND_SZ, or is longer than
// maxBytes.
bool readText(HKEY parent, const std::u16string& path, const char16_t* name, size_t maxBytes,
              std::u16string& out);
// How many subkeys and values the key has; either pointer may be null.
LONG countEntries(HKEY key, DWORD* subkeys, DWORD* values);

// Test support: empty the registry; see registryTesting.h.
void reset(bool fillFontTables);
DWORD openHandleCount();

}  // namespace registry
}  // namespace zolm_platform

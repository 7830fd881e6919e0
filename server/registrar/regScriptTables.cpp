// The script language's fixed tables: root key names, type letters,
// protected key names and hexadecimal digits. Names are compared without
// regard to case, in the order of each table.
#include "server/registrar/regScriptParser.h"

#include "platform/winnls.h"

namespace {

struct RootKeyName {
  const char* name;
  HKEY key;
};

const RootKeyName kRootKeys[] = {
    {"HKCR", HKEY_CLASSES_ROOT},
    {"HKCU", HKEY_CURRENT_USER},
    {"HKLM", HKEY_LOCAL_MACHINE},
    {"HKU", HKEY_USERS},
    {"HKPD", HKEY_PERFORMANCE_DATA},
    {"HKDD", HKEY_DYN_DATA},
    {"HKCC", HKEY_CURRENT_CONFIG},
    {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
    {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
    {"HKEY_USERS", HKEY_USERS},
    {"HKEY_PERFORMANCE_DATA", HKEY_PERFORMANCE_DATA},
    {"HKEY_DYN_DATA", HKEY_DYN_DATA},
    {"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
};

struct ValueLetter {
  const char* letter;
  VARTYPE kind;
};

const ValueLetter kValueLetters[] = {
    {"S", kValueString},
    {"M", kValueMultiString},
    {"D", kValueDword},
    {"B", kValueBinary},
};

// Keys that a forced deletion never touches, at whatever depth they stand.
const char* const kProtectedKeys[] = {
    "AppID",    "CLSID",    "Component Categories", "FileType", "Interface", "Hardware",
    "Mime",     "SAM",      "SECURITY",             "SYSTEM",   "Software",  "TypeLib",
};

}  // namespace

HKEY CRegScriptParser::RootKeyFromName(LPCSTR name) {
  for (const RootKeyName& entry : kRootKeys) {
    if (lstrcmpiA(name, entry.name) == 0) return entry.key;
  }
  return nullptr;
}

VARTYPE CRegScriptParser::ValueKindFromLetter(LPCSTR letter) {
  for (const ValueLetter& entry : kValueLetters) {
    if (lstrcmpiA(letter, entry.letter) == 0) return entry.kind;
  }
  return kValueUnknown;
}

bool CRegScriptParser::IsProtectedKeyName(LPCSTR name) {
  for (const char* entry : kProtectedKeys) {
    if (lstrcmpiA(name, entry) == 0) return true;
  }
  return false;
}

int CRegScriptParser::HexDigitValue(char ch) {
  if (ch >= '0' && ch <= '9') return ch - '0';
  if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
  if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
  return 0;
}

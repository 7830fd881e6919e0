// Applying a script to the registry or removing from the registry what it
// describes. Each entry of a block is read once by ReadEntry, which says what
// the entry is; RegisterBlock and UnregisterBlock then do what it says in
// their direction. A root block that fails while registering is taken back by
// an unregistering pass over its own text; blocks before it stay applied.
// Removal works bottom-up: a key's block is processed before the key itself,
// and a key goes only when nothing is left below it. Keys that cannot be
// opened while unregistering turn the rest of their entry into a skipping
// pass whose errors do not count.
#include "server/registrar/regScriptParser.h"

#include <cstring>

#include "platform/objbase.h"
#include "platform/oleauto.h"
#include "platform/winnls.h"
#include "server/registrar/frameStrings.h"
#include "server/registrar/regKeyHandle.h"
#include "server/registrar/textConversion.h"

namespace {

bool IsWord(const char* token, const char* word) { return lstrcmpiA(token, word) == 0; }
bool HasBackslash(const char* token) { return std::strchr(token, '\\') != nullptr; }
bool IsOpeningBrace(const char* token) { return token[0] == '{' && token[1] == '\0'; }

// Turns the "M" value text into a list of NUL-separated elements ended by two
// NULs: each backslash followed by the digit zero becomes one NUL.
void BuildMultiString(const char* text, size_t length, char* list) {
  size_t out = 0;
  for (size_t i = 0; i < length;) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (IsDBCSLeadByte(c)) {
      if (i + 1 >= length) break;  // a lead byte without its trail byte ends the copy
      list[out++] = text[i];
      list[out++] = text[i + 1];
      i += 2;
      continue;
    }
    if (c == '\\' && i + 1 < length && text[i + 1] == '0') {
      list[out++] = '\0';
      i += 2;
      continue;
    }
    list[out++] = text[i++];
  }
  list[out++] = '\0';
  list[out] = '\0';
}

}  // namespace

HRESULT CRegScriptParser::ApplyScript(LPCSTR text, bool registering) {
  LPSTR expanded = nullptr;
  HRESULT hr = ExpandReplacements(text, &expanded);
  if (FAILED(hr)) return hr;
  cursor = expanded;
  RegToken token;
  hr = S_OK;
  while (*cursor != '\0') {
    hr = ReadToken(token);
    if (FAILED(hr)) break;
    HKEY root = RootKeyFromName(token);
    if (root == nullptr) {
      hr = DISP_E_EXCEPTION;
      break;
    }
    hr = ReadToken(token);
    if (FAILED(hr)) break;
    if (token[0] != '{') {
      hr = DISP_E_EXCEPTION;
      break;
    }
    if (registering) {
      LPCSTR blockStart = cursor;
      hr = RegisterBlock(token, root, 1);
      if (FAILED(hr)) {
        // Take back what this root block wrote; its result does not count.
        cursor = blockStart;
        UnregisterBlock(token, root, false, 1);
        break;
      }
    } else {
      hr = UnregisterBlock(token, root, false, 1);
      if (FAILED(hr)) break;
    }
    SkipBlanks();
  }
  CoTaskMemFree(expanded);
  return hr;
}

// Reads the head of the entry whose first token is in token: its keywords and
// its name. On return token holds the key's name (key and deletion entries)
// or the "=" after a value's name (value entries, whose name is in
// entry.valueName).
//
// The token after "ForceRemove" or "Delete" names the key a forced deletion
// removes; it goes to removeForced the moment it is read, so the deletion
// comes before anything after it. When registering, "Delete" and that name
// are the whole head (a deletion entry); otherwise the name is read on as the
// start of an ordinary entry, so unregistering treats both keywords as
// absent.
template <class ForcedRemoval>
HRESULT CRegScriptParser::ReadEntry(RegToken& token, bool registering, RegEntry& entry,
                                    ForcedRemoval removeForced) {
  HRESULT hr = S_OK;
  const bool deletion = IsWord(token, "Delete");
  if (deletion || IsWord(token, "ForceRemove")) {
    entry.forceRemove = true;
    hr = ReadToken(token);
    if (FAILED(hr)) return hr;
    hr = removeForced(token);
    if (FAILED(hr)) return hr;
    if (registering && deletion) {
      entry.kind = RegEntryKind::deletion;
      return S_OK;
    }
  }
  if (IsWord(token, "NoRemove")) {
    entry.noRemove = true;
    hr = ReadToken(token);
    if (FAILED(hr)) return hr;
  }
  if (!IsWord(token, "Val")) {
    entry.kind = RegEntryKind::key;
    // Keys are named one level at a time, never by a path.
    return HasBackslash(token) ? DISP_E_EXCEPTION : S_OK;
  }
  entry.kind = RegEntryKind::value;
  hr = ReadToken(token);
  if (FAILED(hr)) return hr;
  // A name longer than its store is an error, never cut short.
  const size_t nameLength = std::strlen(token);
  if (nameLength >= kRegNameCapacity) return DISP_E_EXCEPTION;
  std::memcpy(entry.valueName, token, nameLength + 1);
  hr = ReadToken(token);
  if (FAILED(hr)) return hr;
  return token[0] == '=' ? S_OK : DISP_E_EXCEPTION;
}

HRESULT CRegScriptParser::RegisterBlock(RegToken& token, HKEY parentKey, int depth) {
  if (depth > kRegMaxNesting) return DISP_E_EXCEPTION;
  // The key of the latest key entry: a nested block that follows an entry
  // belongs to it.
  CRegKeyHandle current;
  // A forced deletion that fails is no failure: the key is then opened as it
  // is.
  auto removeForced = [parentKey](LPCSTR name) -> HRESULT {
    if (HasBackslash(name)) return DISP_E_EXCEPTION;
    if (!IsProtectedKeyName(name)) CBorrowedKey(parentKey).DeleteTree(name);
    return S_OK;
  };

  HRESULT hr = ReadToken(token);
  if (FAILED(hr)) return hr;
  while (token[0] != '}') {
    RegEntry entry;
    hr = ReadEntry(token, true, entry, removeForced);
    if (FAILED(hr)) return hr;
    switch (entry.kind) {
      case RegEntryKind::deletion:
        // An assignment after the name is read and ignored.
        hr = ReadToken(token);
        if (SUCCEEDED(hr)) hr = SkipValueAssignment(token);
        break;
      case RegEntryKind::value:
        hr = WriteValue(parentKey, entry.valueName, token);
        break;
      case RegEntryKind::key: {
        LONG result = current.Open(parentKey, token, KEY_READ | KEY_WRITE);
        if (result != ERROR_SUCCESS) result = current.Open(parentKey, token, KEY_READ);
        if (result != ERROR_SUCCESS) {
          result = current.Create(parentKey, token, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_READ | KEY_WRITE, nullptr, nullptr);
        }
        if (result != ERROR_SUCCESS) return HResultFromRegistry(result);
        hr = ReadToken(token);
        if (SUCCEEDED(hr) && token[0] == '=') hr = WriteValue(current.key, nullptr, token);
        break;
      }
    }
    if (FAILED(hr)) return hr;
    if (IsOpeningBrace(token)) {
      hr = RegisterBlock(token, current.key, depth + 1);
      if (FAILED(hr)) return hr;
      hr = ReadToken(token);
      if (FAILED(hr)) return hr;
    }
  }
  return S_OK;
}

HRESULT CRegScriptParser::UnregisterBlock(RegToken& token, HKEY parentKey, bool skipping,
                                          int depth) {
  if (depth > kRegMaxNesting) return DISP_E_EXCEPTION;
  // Unregistering removes nothing by force.
  auto removeNothing = [](LPCSTR) -> HRESULT { return S_OK; };

  HRESULT hr = ReadToken(token);
  if (FAILED(hr)) return hr;
  while (token[0] != '}') {
    RegEntry entry;
    hr = ReadEntry(token, false, entry, removeNothing);
    if (FAILED(hr)) return hr;
    if (entry.kind == RegEntryKind::value)
      hr = UnregisterValue(token, parentKey, entry, skipping);
    else
      hr = UnregisterKey(token, parentKey, entry, skipping, depth);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

// One key entry while unregistering, from its name to the token after it. In
// a skipping block the key counts as missing and is not asked for; a key that
// cannot be opened makes its nested block a skipping one.
HRESULT CRegScriptParser::UnregisterKey(RegToken& token, HKEY parentKey, const RegEntry& entry,
                                        bool skipping, int depth) {
  CRegKeyHandle key;
  const LONG opened = skipping ? ERROR_FILE_NOT_FOUND : key.Open(parentKey, token, KEY_READ);
  char name[kRegNameCapacity];
  FrameCopyText(name, sizeof name, token, true);

  HRESULT hr = ReadToken(token);
  if (FAILED(hr)) return hr;
  hr = SkipValueAssignment(token);
  if (FAILED(hr)) return hr;
  if (IsOpeningBrace(token)) {
    const bool skipChildren = opened != ERROR_SUCCESS;
    hr = UnregisterBlock(token, skipChildren ? nullptr : key.key, skipChildren, depth + 1);
    if (FAILED(hr) && !skipChildren) return hr;
    hr = ReadToken(token);
    if (FAILED(hr)) return hr;
  }

  if (opened == ERROR_FILE_NOT_FOUND) return S_OK;
  if (opened != ERROR_SUCCESS) return HResultFromRegistry(opened);
  const bool subkeys = HasSubkeys(key.key);
  LONG result = key.Close();
  if (result != ERROR_SUCCESS) return HResultFromRegistry(result);
  if (entry.noRemove || subkeys) return S_OK;
  result = RegDeleteKeyA(parentKey, name);
  return result == ERROR_SUCCESS ? S_OK : HResultFromRegistry(result);
}

// One value entry while unregistering, from its "=" to the token after it; a
// value that is not there is no failure. Nothing follows a value entry, not
// even a block.
HRESULT CRegScriptParser::UnregisterValue(RegToken& token, HKEY parentKey,
                                          const RegEntry& entry, bool skipping) {
  if (!skipping && !entry.noRemove) {
    CRegKeyHandle opened;
    LONG result = opened.Open(parentKey, nullptr, KEY_WRITE);
    if (result != ERROR_SUCCESS) return HResultFromRegistry(result);
    result = RegDeleteValueA(opened.key, entry.valueName);
    if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) {
      return HResultFromRegistry(result);
    }
  }
  return SkipValueAssignment(token);
}

HRESULT CRegScriptParser::WriteValue(HKEY key, LPCSTR valueName, RegToken& token) {
  HRESULT hr = ReadToken(token);
  if (FAILED(hr)) return hr;
  VARTYPE kind = ValueKindFromLetter(token);
  if (kind == kValueUnknown) return DISP_E_EXCEPTION;
  SkipBlanks();
  RegToken value;
  hr = ReadToken(value);
  if (FAILED(hr)) return hr;
  size_t length = std::strlen(value);

  CBorrowedKey target(key);
  LONG result = ERROR_SUCCESS;
  switch (kind) {
    case kValueString:
      result = target.WriteString(valueName, value, REG_SZ);
      break;
    case kValueMultiString: {
      CFrameTempBuffer<char, 256> work;
      char* list = work.TryAllocate(length + 2);
      if (list == nullptr) return E_OUTOFMEMORY;
      BuildMultiString(value, length, list);
      result = target.WriteMultiString(valueName, list);
      break;
    }
    case kValueDword: {
      CTextToUtf16 text(value);
      if (text.get() == nullptr) return E_OUTOFMEMORY;
      ULONG number = 0;
      // Text that is no unsigned 32-bit number fails the script with the
      // conversion's own code rather than writing a number nobody meant.
      // The platform declares the text non-const; it only reads it.
      hr = VarUI4FromStr(const_cast<OLECHAR*>(text.get()), 0, 0, &number);
      if (FAILED(hr)) return hr;
      result = target.WriteDword(valueName, number);
      break;
    }
    case kValueBinary: {
      if (length % 2 != 0) return E_FAIL;
      CFrameTempBuffer<BYTE, 256> work;
      BYTE* bytes = work.TryAllocate(length / 2);
      if (bytes == nullptr && length != 0) return E_FAIL;
      if (length != 0) std::memset(bytes, 0, length / 2);
      for (size_t i = 0; i < length; ++i) {
        int shift = (i % 2 == 0) ? 4 : 0;
        bytes[i / 2] = static_cast<BYTE>(bytes[i / 2] | (HexDigitValue(value[i]) << shift));
      }
      result = target.WriteBinary(valueName, bytes, static_cast<DWORD>(length / 2));
      break;
    }
    default:
      return DISP_E_EXCEPTION;
  }
  if (result != ERROR_SUCCESS) return HResultFromRegistry(result);
  return ReadToken(token);
}

HRESULT CRegScriptParser::SkipValueAssignment(RegToken& token) {
  if (token[0] != '=') return S_OK;
  HRESULT hr = ReadToken(token);
  if (FAILED(hr)) return hr;
  SkipBlanks();
  RegToken scratch;
  hr = ReadToken(scratch);
  if (FAILED(hr)) return hr;
  return ReadToken(token);
}

bool CRegScriptParser::HasSubkeys(HKEY key) {
  DWORD subkeys = 0;
  if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr,
                       nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  return subkeys > 0;
}

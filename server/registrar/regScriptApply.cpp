// Applying a script to the registry or removing from the registry what it
// describes. A root block that fails while registering is taken back by an
// unregistering pass over its own text; blocks before it stay applied.
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
      hr = ApplyBlock(token, root, true, false);
      if (FAILED(hr)) {
        // Take back what this root block wrote; its result does not count.
        cursor = blockStart;
        ApplyBlock(token, root, false, false);
        break;
      }
    } else {
      hr = ApplyBlock(token, root, false, false);
      if (FAILED(hr)) break;
    }
    SkipBlanks();
  }
  CoTaskMemFree(expanded);
  return hr;
}

HRESULT CRegScriptParser::ApplyBlock(RegToken& token, HKEY parentKey, bool registering,
                                     bool skipping, int depth) {
  if (depth > kRegMaxNesting) return DISP_E_EXCEPTION;
  CRegKeyHandle current;
  const bool blockSkipping = skipping;
  char valueName[kRegNameCapacity];

  HRESULT hr = ReadToken(token);
  if (FAILED(hr)) return hr;
  while (token[0] != '}') {
    bool keep = false;
    bool deleteEntry = false;
    bool valueEntry = false;

    if (IsWord(token, "ForceRemove") || (deleteEntry = IsWord(token, "Delete"))) {
      hr = ReadToken(token);
      if (FAILED(hr)) return hr;
      if (registering) {
        if (HasBackslash(token)) return DISP_E_EXCEPTION;
        // A failed deletion is no failure: the key is then opened as it is.
        if (!IsProtectedKeyName(token)) CBorrowedKey(parentKey).DeleteTree(token);
        if (deleteEntry) {
          hr = ReadToken(token);
          if (FAILED(hr)) return hr;
          hr = SkipValueAssignment(token);
          if (FAILED(hr)) return hr;
        }
      }
    }
    if (!(registering && deleteEntry)) {
      if (IsWord(token, "NoRemove")) {
        keep = true;
        hr = ReadToken(token);
        if (FAILED(hr)) return hr;
      }
      if (IsWord(token, "Val")) {
        valueEntry = true;
        hr = ReadToken(token);
        if (FAILED(hr)) return hr;
        // A name longer than its store is an error, never cut short.
        if (std::strlen(token) >= kRegNameCapacity) return DISP_E_EXCEPTION;
        std::memcpy(valueName, token, std::strlen(token) + 1);
        hr = ReadToken(token);
        if (FAILED(hr)) return hr;
        if (token[0] != '=') return DISP_E_EXCEPTION;
        if (registering) {
          hr = WriteValue(parentKey, valueName, token);
          if (FAILED(hr)) return hr;
        } else {
          if (!skipping && !keep) {
            CRegKeyHandle opened;
            LONG result = opened.Open(parentKey, nullptr, KEY_WRITE);
            if (result != ERROR_SUCCESS) return HResultFromRegistry(result);
            result = RegDeleteValueA(opened.key, valueName);
            if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) {
              return HResultFromRegistry(result);
            }
          }
          hr = SkipValueAssignment(token);
          if (FAILED(hr)) return hr;
          continue;
        }
      }
    }
    if (!valueEntry && !(registering && deleteEntry)) {
      if (HasBackslash(token)) return DISP_E_EXCEPTION;
      if (!registering) {
        hr = ApplyEntryUnregistering(token, parentKey, keep, skipping, blockSkipping, current,
                                     depth);
        if (FAILED(hr)) return hr;
        continue;
      }
      LONG result = current.Open(parentKey, token, KEY_READ | KEY_WRITE);
      if (result != ERROR_SUCCESS) result = current.Open(parentKey, token, KEY_READ);
      if (result != ERROR_SUCCESS) {
        result = current.Create(parentKey, token, nullptr, REG_OPTION_NON_VOLATILE,
                                KEY_READ | KEY_WRITE, nullptr, nullptr);
      }
      if (result != ERROR_SUCCESS) return HResultFromRegistry(result);
      hr = ReadToken(token);
      if (FAILED(hr)) return hr;
      if (token[0] == '=') {
        hr = WriteValue(current.key, nullptr, token);
        if (FAILED(hr)) return hr;
      }
    }
    // Registering: a nested block belongs to the entry's key.
    if (IsOpeningBrace(token)) {
      hr = ApplyBlock(token, current.key, true, false, depth + 1);
      if (FAILED(hr)) return hr;
      hr = ReadToken(token);
      if (FAILED(hr)) return hr;
    }
  }
  return S_OK;
}

// One key entry while unregistering, from its name to the token after it.
HRESULT CRegScriptParser::ApplyEntryUnregistering(RegToken& token, HKEY parentKey, bool keep,
                                                  bool& skipping, bool blockSkipping,
                                                  CRegKeyHandle& current, int depth) {
  char nameCopy[kRegNameCapacity];
  LONG opened = ERROR_FILE_NOT_FOUND;
  if (!skipping) opened = current.Open(parentKey, token, KEY_READ);
  if (opened != ERROR_SUCCESS) skipping = true;
  FrameCopyText(nameCopy, sizeof nameCopy, token, true);

  HRESULT hr = ReadToken(token);
  if (FAILED(hr)) return hr;
  hr = SkipValueAssignment(token);
  if (FAILED(hr)) return hr;
  if (IsOpeningBrace(token)) {
    HKEY child = opened == ERROR_SUCCESS ? current.key : nullptr;
    hr = ApplyBlock(token, child, false, skipping, depth + 1);
    if (FAILED(hr) && !skipping) return hr;
    hr = ReadToken(token);
    if (FAILED(hr)) return hr;
  }

  skipping = blockSkipping;
  if (opened == ERROR_FILE_NOT_FOUND) return S_OK;
  if (opened != ERROR_SUCCESS) {
    if (blockSkipping) return S_OK;
    return HResultFromRegistry(opened);
  }
  bool subkeys = HasSubkeys(current.key);
  LONG result = current.Close();
  if (result != ERROR_SUCCESS) return HResultFromRegistry(result);
  if (!keep && !subkeys) {
    result = RegDeleteKeyA(parentKey, nameCopy);
    if (result != ERROR_SUCCESS) return HResultFromRegistry(result);
  }
  return S_OK;
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

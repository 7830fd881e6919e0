// Reading a script: expanding its %NAME% replacements into a new text, then
// reading that text token by token. Blanks are exactly tab, line feed,
// carriage return and space; a token is either quoted ('It''s') or runs to the
// next blank. The text is stepped one character at a time with CharNextA so
// that a multi-byte character is never split.
#include "server/registrar/regScriptParser.h"

#include <cstring>

#include "platform/objbase.h"
#include "platform/winnls.h"
#include "server/registrar/replacements.h"
#include "server/registrar/textConversion.h"

namespace {

// Replacement names hold at most this many bytes.
const size_t kMaxReplacementName = 31;

size_t CharacterLength(LPCSTR p) { return static_cast<size_t>(CharNextA(p) - p); }

}  // namespace

HRESULT CRegScriptParser::ExpandReplacements(LPCSTR text, LPSTR* expanded) {
  if (text == nullptr || expanded == nullptr) return E_POINTER;
  *expanded = nullptr;
  CExpandBuffer buffer;
  if (!buffer.Init(std::strlen(text))) return E_OUTOFMEMORY;
  cursor = text;
  while (*cursor != '\0') {
    if (*cursor != '%') {
      size_t n = CharacterLength(cursor);
      if (!buffer.Append(cursor, n)) return E_OUTOFMEMORY;
      cursor += n;
      continue;
    }
    if (cursor[1] == '%') {
      if (!buffer.Append("%", 1)) return E_OUTOFMEMORY;
      cursor += 2;
      continue;
    }
    LPCSTR name = cursor + 1;
    LPCSTR close = name;
    while (*close != '\0' && *close != '%') close = CharNextA(close);
    if (*close == '\0') return DISP_E_EXCEPTION;
    size_t length = static_cast<size_t>(close - name);
    if (length > kMaxReplacementName) return E_FAIL;
    char wanted[kMaxReplacementName + 1];
    std::memcpy(wanted, name, length);
    wanted[length] = '\0';
    LPCOLESTR value = replacements.Lookup(wanted);
    if (value == nullptr) return DISP_E_EXCEPTION;
    CUtf16ToText converted(value);
    if (converted.get() == nullptr) return E_OUTOFMEMORY;
    if (!buffer.Append(converted.get(), std::strlen(converted.get()))) return E_OUTOFMEMORY;
    cursor = close + 1;
  }
  *expanded = buffer.Detach();
  return S_OK;
}

void CRegScriptParser::SkipBlanks() {
  while (IsBlank(*cursor)) ++cursor;
}

HRESULT CRegScriptParser::ReadToken(RegToken& token) {
  SkipBlanks();
  if (*cursor == '\0') return DISP_E_EXCEPTION;
  size_t length = 0;
  // Appends the character under the cursor and steps past it; a token keeps
  // room for its terminator and never reaches the buffer's last byte.
  auto copyCharacter = [&]() -> bool {
    size_t n = CharacterLength(cursor);
    if (length + n + 1 >= kRegTokenCapacity) return false;
    std::memcpy(token + length, cursor, n);
    length += n;
    cursor += n;
    return true;
  };

  if (*cursor == '\'') {
    ++cursor;
    for (;;) {
      if (*cursor == '\0') return DISP_E_EXCEPTION;
      if (*cursor == '\'') {
        if (cursor[1] != '\'') break;  // the closing quote
        ++cursor;                      // the first of a doubled pair
      }
      if (!copyCharacter()) return DISP_E_EXCEPTION;
    }
    token[length] = '\0';
    ++cursor;
    return S_OK;
  }

  while (*cursor != '\0' && !IsBlank(*cursor)) {
    if (!copyCharacter()) return DISP_E_EXCEPTION;
  }
  token[length] = '\0';
  return S_OK;
}

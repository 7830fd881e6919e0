// CRegScriptParser: reads and applies one registration script. A script is
// 8-bit text of root blocks ("HKCR { ... }") holding key entries, "Val" value
// entries and the keywords ForceRemove, Delete and NoRemove; %NAME% stands for
// a value from a table of replacements. The parser expands the replacements
// into a new text, then reads it token by token, registering (creating keys
// and writing values) or unregistering (removing what the script lists,
// bottom-up, sparing keys that still hold other subkeys).
#pragma once

#include "platform/winreg.h"
#include "platform/wintypes.h"

class CReplacementMap;

// The fixed buffer every token is read into: a token holds at most 4094
// bytes.
constexpr size_t kRegTokenCapacity = 4096;
typedef char RegToken[kRegTokenCapacity];

// The kinds of values a type letter selects.
constexpr VARTYPE kValueString = VT_BSTR;                    // "S": REG_SZ
constexpr VARTYPE kValueMultiString = VT_BSTR | VT_BYREF;    // "M": REG_MULTI_SZ
constexpr VARTYPE kValueDword = VT_UI4;                      // "D": REG_DWORD
constexpr VARTYPE kValueBinary = VT_UI1;                     // "B": REG_BINARY
constexpr VARTYPE kValueUnknown = VT_EMPTY;

// Blocks nest at most this deep (the root block counts as 1), as keys do in
// the platform's registry; deeper nesting is a script error, not a stack
// overflow.
constexpr int kRegMaxNesting = 512;

// The store of a "Val" entry's name: 259 bytes and the terminator.
constexpr size_t kRegNameCapacity = 260;

// What one entry of a block says, as ReadEntry finds it.
enum class RegEntryKind {
  key,       // a key name, perhaps with a default value and a nested block
  value,     // "Val" name = type text: a value of the enclosing block's key
  deletion,  // "Delete" name, registering: the key tree goes, nothing is made
};

struct RegEntry {
  RegEntryKind kind = RegEntryKind::key;
  bool forceRemove = false;  // "ForceRemove" (or "Delete") came first
  bool noRemove = false;     // "NoRemove": unregistering leaves the key or value
  char valueName[kRegNameCapacity] = {};  // the name of a value entry
};

class CRegScriptParser {
 public:
  // Expansion looks names up in `replacements`, which outlives the parser.
  explicit CRegScriptParser(const CReplacementMap& replacements) : replacements(replacements) {}

  // Expansion and reading.
  HRESULT ExpandReplacements(LPCSTR text, LPSTR* expanded);
  HRESULT ReadToken(RegToken& token);
  void SkipBlanks();
  // Puts the cursor on text (for reading a text that needs no expansion).
  void SetCursor(LPCSTR text) { cursor = text; }
  LPCSTR Cursor() const { return cursor; }

  // Application: registers or unregisters every root block of the text.
  HRESULT ApplyScript(LPCSTR text, bool registering);

  // Lookups.
  static HKEY RootKeyFromName(LPCSTR name);
  static VARTYPE ValueKindFromLetter(LPCSTR letter);
  static bool IsProtectedKeyName(LPCSTR name);
  static int HexDigitValue(char ch);
  static bool IsBlank(char ch) { return ch == '\t' || ch == '\n' || ch == '\r' || ch == ' '; }

 private:
  template <class ForcedRemoval>
  HRESULT ReadEntry(RegToken& token, bool registering, RegEntry& entry,
                    ForcedRemoval removeForced);
  HRESULT RegisterBlock(RegToken& token, HKEY parentKey, int depth);
  HRESULT UnregisterBlock(RegToken& token, HKEY parentKey, bool skipping, int depth);
  HRESULT UnregisterKey(RegToken& token, HKEY parentKey, const RegEntry& entry, bool skipping,
                        int depth);
  HRESULT UnregisterValue(RegToken& token, HKEY parentKey, const RegEntry& entry, bool skipping);
  HRESULT WriteValue(HKEY key, LPCSTR valueName, RegToken& token);
  HRESULT SkipValueAssignment(RegToken& token);
  static bool HasSubkeys(HKEY key);

  LPCSTR cursor = nullptr;
  const CReplacementMap& replacements;
};

// The IDL reader of the Linux type library service. A hand-written scanner
// and recursive-descent reader over the subset described in idlReader.h; every
// name, string, count and number is bounded before it is stored, so malformed
// or hostile text ends in TYPE_E_CANTLOADLIBRARY, never in a crash.
#include "platform/host/idlReader.h"

#include "platform/host/typelibText.h"
#include "platform/host/utf.h"

#include <new>

namespace typelib {

namespace {

constexpr size_t kMaxNameLength = 255;
constexpr size_t kMaxStringLength = 4096;
constexpr size_t kMaxArgumentLength = 64;
constexpr size_t kMaxTypes = 256;
constexpr size_t kMaxFuncs = 1024;
constexpr size_t kMaxAttributes = 32;
constexpr size_t kMaxImpls = 64;

enum class TokenKind { End, Name, Number, String, Punct };

struct Token {
  TokenKind kind = TokenKind::End;
  std::string text;
};

struct Attribute {
  std::string name;
  std::string value;  // the argument in parentheses, string quotes removed
  bool hasValue = false;
};

typedef std::vector<Attribute> Attributes;

const Attribute* findAttribute(const Attributes& attrs, const char* name) {
  for (const Attribute& a : attrs) {
    if (a.name == name) return &a;
  }
  return nullptr;
}

bool isNameStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool isNameChar(char c) { return isNameStart(c) || (c >= '0' && c <= '9'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

// Decimal or 0x hexadecimal, fitting 32 bits.
bool parseNumber(const std::string& s, uint32_t& out) {
  if (s.empty() || s.size() > 10) return false;
  uint64_t v = 0;
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    for (size_t i = 2; i < s.size(); ++i) {
      char c = s[i];
      int d = isDigit(c) ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                                   : (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
      if (d < 0) return false;
      v = v * 16 + static_cast<uint64_t>(d);
    }
  } else {
    for (char c : s) {
      if (!isDigit(c)) return false;
      v = v * 10 + static_cast<uint64_t>(c - '0');
    }
  }
  if (v > 0xFFFFFFFFu) return false;
  out = static_cast<uint32_t>(v);
  return true;
}

class Reader {
 public:
  Reader(const char* text, size_t length) : p_(text), end_(text + length) {}

  bool readFile(LibraryModel& lib) {
    bool haveLibrary = false;
    for (;;) {
      if (!peekToken()) return false;
      if (peeked_.kind == TokenKind::End) break;
      if (isWord("import")) {
        if (!skipImport()) return false;
        continue;
      }
      Attributes attrs;
      if (!readAttributes(attrs)) return false;
      Token t;
      if (!nextToken(t) || t.kind != TokenKind::Name) return false;
      if (t.text == "interface") {
        if (!readInterfaceDefinition(attrs, outside_, /*mustDefine=*/true)) return false;
      } else if (t.text == "library") {
        if (haveLibrary) return false;  // one library per text
        haveLibrary = true;
        if (!readLibrary(attrs, lib)) return false;
      } else {
        return false;
      }
    }
    return haveLibrary;
  }

 private:
  // ---- scanning ----

  bool skipSpaceAndComments() {
    for (;;) {
      while (p_ < end_ && isSpace(*p_)) ++p_;
      if (end_ - p_ >= 2 && p_[0] == '/' && p_[1] == '/') {
        while (p_ < end_ && *p_ != '\n') ++p_;
        continue;
      }
      if (end_ - p_ >= 2 && p_[0] == '/' && p_[1] == '*') {
        p_ += 2;
        while (end_ - p_ >= 2 && !(p_[0] == '*' && p_[1] == '/')) ++p_;
        if (end_ - p_ < 2) return false;  // unterminated comment
        p_ += 2;
        continue;
      }
      return true;
    }
  }

  // A string literal at p_ (the opening quote); backslash escapes the next
  // character. Bounded in length; no line breaks inside.
  bool scanString(std::string& out) {
    out.clear();
    ++p_;
    while (p_ < end_ && *p_ != '"') {
      char c = *p_++;
      if (c == '\n' || c == '\0') return false;
      if (c == '\\') {
        if (p_ >= end_) return false;
        c = *p_++;
      }
      if (out.size() >= kMaxStringLength) return false;
      out.push_back(c);
    }
    if (p_ >= end_) return false;
    ++p_;
    return true;
  }

  bool scanToken(Token& t) {
    t.text.clear();
    if (!skipSpaceAndComments()) return false;
    if (p_ >= end_) {
      t.kind = TokenKind::End;
      return true;
    }
    char c = *p_;
    if (isNameStart(c) || isDigit(c)) {
      t.kind = isDigit(c) ? TokenKind::Number : TokenKind::Name;
      while (p_ < end_ && isNameChar(*p_)) {
        if (t.text.size() >= kMaxNameLength) return false;
        t.text.push_back(*p_++);
      }
      return true;
    }
    if (c == '"') {
      t.kind = TokenKind::String;
      return scanString(t.text);
    }
    static const char kPunctuation[] = "[](){};:,*";
    for (const char* q = kPunctuation; *q; ++q) {
      if (c == *q) {
        t.kind = TokenKind::Punct;
        t.text.assign(1, c);
        ++p_;
        return true;
      }
    }
    return false;
  }

  bool peekToken() {
    if (havePeeked_) return true;
    if (!scanToken(peeked_)) return false;
    havePeeked_ = true;
    return true;
  }

  bool nextToken(Token& t) {
    if (!peekToken()) return false;
    t = std::move(peeked_);
    havePeeked_ = false;
    return true;
  }

  bool isWord(const char* word) const {
    return havePeeked_ && peeked_.kind == TokenKind::Name && peeked_.text == word;
  }
  bool isPunct(char c) const {
    return havePeeked_ && peeked_.kind == TokenKind::Punct && peeked_.text[0] == c;
  }

  bool expectPunct(char c) {
    Token t;
    return nextToken(t) && t.kind == TokenKind::Punct && t.text[0] == c;
  }

  bool expectName(std::string& out) {
    Token t;
    if (!nextToken(t) || t.kind != TokenKind::Name) return false;
    out = std::move(t.text);
    return true;
  }

  // A closing brace may be followed by a semicolon.
  bool skipOptionalSemicolon() {
    if (!peekToken()) return false;
    if (isPunct(';')) {
      Token t;
      return nextToken(t);
    }
    return true;
  }

  // import "a.idl", "b.idl";  and  importlib("x.tlb");
  bool skipImport() {
    Token t;
    if (!nextToken(t)) return false;
    for (;;) {
      if (!nextToken(t)) return false;
      if (t.kind != TokenKind::String) return false;
      if (!nextToken(t) || t.kind != TokenKind::Punct) return false;
      if (t.text[0] == ';') return true;
      if (t.text[0] != ',') return false;
    }
  }

  bool skipImportLib() {
    Token t;
    return nextToken(t) && expectPunct('(') && nextToken(t) && t.kind == TokenKind::String &&
           expectPunct(')') && expectPunct(';');
  }

  // The raw argument of an attribute: a string literal, or plain text up to
  // the closing parenthesis (a uuid, a number, a version, a name).
  bool scanAttributeArgument(std::string& out) {
    out.clear();
    while (p_ < end_ && isSpace(*p_)) ++p_;
    if (p_ < end_ && *p_ == '"') {
      if (!scanString(out)) return false;
      while (p_ < end_ && isSpace(*p_)) ++p_;
    } else {
      while (p_ < end_ && *p_ != ')') {
        char c = *p_;
        if (!(isNameChar(c) || c == '-' || c == '.')) {
          if (isSpace(c)) break;
          return false;
        }
        if (out.size() >= kMaxArgumentLength) return false;
        out.push_back(c);
        ++p_;
      }
      while (p_ < end_ && isSpace(*p_)) ++p_;
    }
    if (p_ >= end_ || *p_ != ')') return false;
    ++p_;
    return true;
  }

  bool readAttributes(Attributes& attrs) {
    attrs.clear();
    if (!peekToken()) return false;
    if (!isPunct('[')) return true;
    Token t;
    nextToken(t);
    for (;;) {
      Attribute a;
      if (!expectName(a.name)) return false;
      if (attrs.size() >= kMaxAttributes) return false;
      // The argument is read from the characters, not as tokens: a uuid is
      // no token of its own.
      if (!skipSpaceAndComments()) return false;
      if (p_ < end_ && *p_ == '(') {
        ++p_;
        if (!scanAttributeArgument(a.value)) return false;
        a.hasValue = true;
      }
      attrs.push_back(std::move(a));
      if (!nextToken(t) || t.kind != TokenKind::Punct) return false;
      if (t.text[0] == ']') return true;
      if (t.text[0] != ',') return false;
    }
  }

  // ---- definitions ----

  static bool toUtf16(const std::string& s, std::u16string& out) {
    return zolm_platform::utf8ToUtf16Strict(s.data(), s.size(), out);
  }

  static bool readGuid(const Attributes& attrs, GUID& out) {
    const Attribute* a = findAttribute(attrs, "uuid");
    return a && a->hasValue && parseGuid(a->value.data(), a->value.size(), out);
  }

  static bool readHelp(const Attributes& attrs, std::u16string& out) {
    const Attribute* a = findAttribute(attrs, "helpstring");
    if (!a) return true;
    return a->hasValue && toUtf16(a->value, out);
  }

  static TypeModel* findType(std::vector<TypeModel>& types, const std::u16string& name) {
    for (TypeModel& t : types) {
      if (t.name == name) return &t;
    }
    return nullptr;
  }

  bool nameTaken(const std::u16string& name) {
    return findType(outside_, name) || (library_ && findType(library_->types, name));
  }

  bool readParam(FuncModel& f) {
    Attributes attrs;
    if (!readAttributes(attrs)) return false;
    std::string typeName;
    if (!expectName(typeName)) return false;
    int depth = 0;
    for (;;) {
      if (!peekToken()) return false;
      if (!isPunct('*')) break;
      Token t;
      nextToken(t);
      if (++depth > 2) return false;
    }
    std::string name;
    if (!expectName(name)) return false;
    ParamModel p;
    if (!toUtf16(name, p.name)) return false;
    const bool in = findAttribute(attrs, "in") != nullptr;
    const bool out = findAttribute(attrs, "out") != nullptr;
    const bool retval = findAttribute(attrs, "retval") != nullptr;
    if (retval && !out) return false;
    if (typeName == "BSTR" && depth == 0 && in && !out) {
      p.type = ParamType::Bstr;
    } else if (typeName == "BSTR" && depth == 1 && out && !in) {
      p.type = ParamType::BstrPointer;
    } else if (typeName == "VARIANT" && depth == 1 && (in || out)) {
      p.type = ParamType::VariantPointer;
      if (in && retval) return false;
    } else if (typeName == "VARIANT_BOOL" && depth == 1 && out && !in) {
      p.type = ParamType::BoolPointer;
    } else {
      return false;
    }
    p.flags = static_cast<USHORT>((in ? PARAMFLAG_FIN : 0) | (out ? PARAMFLAG_FOUT : 0) |
                                  (retval ? PARAMFLAG_FRETVAL : 0));
    // Only the last parameter may be the return value.
    if (!f.params.empty() && (f.params.back().flags & PARAMFLAG_FRETVAL)) return false;
    if (f.params.size() >= kMaxParams) return false;
    for (const ParamModel& other : f.params) {
      if (sameNameIgnoringCase(other.name.data(), other.name.size(), p.name.data(),
                               p.name.size()))
        return false;
    }
    f.params.push_back(std::move(p));
    return true;
  }

  bool readMethod(TypeModel& type) {
    Attributes attrs;
    if (!readAttributes(attrs)) return false;
    std::string resultType, name;
    if (!expectName(resultType) || resultType != "HRESULT") return false;
    if (!expectName(name)) return false;
    FuncModel f;
    if (!toUtf16(name, f.name) || !readHelp(attrs, f.help)) return false;
    const Attribute* id = findAttribute(attrs, "id");
    uint32_t idValue = 0;
    if (!id || !id->hasValue || !parseNumber(id->value, idValue)) return false;
    f.id = static_cast<MEMBERID>(idValue);
    if (findAttribute(attrs, "propput") || findAttribute(attrs, "propputref")) return false;
    f.kind = findAttribute(attrs, "propget") ? INVOKE_PROPERTYGET : INVOKE_FUNC;
    if (!expectPunct('(')) return false;
    if (!peekToken()) return false;
    if (isWord("void")) {
      Token t;
      nextToken(t);
    } else {
      while (!isPunct(')')) {
        if (!readParam(f)) return false;
        if (!peekToken()) return false;
        if (isPunct(',')) {
          Token t;
          nextToken(t);
          if (!peekToken()) return false;
          if (isPunct(')')) return false;
        }
      }
    }
    if (!expectPunct(')') || !expectPunct(';')) return false;
    // A property read hands out exactly one value.
    if (f.kind == INVOKE_PROPERTYGET &&
        (f.params.size() != 1 || !(f.params[0].flags & PARAMFLAG_FRETVAL)))
      return false;
    for (const FuncModel& other : type.funcs) {
      if (other.id == f.id && other.kind == f.kind) return false;
      if (sameNameIgnoringCase(other.name.data(), other.name.size(), f.name.data(),
                               f.name.size()) &&
          other.kind == f.kind)
        return false;
    }
    if (type.funcs.size() >= kMaxFuncs) return false;
    f.slot = kFirstDualSlot + static_cast<int>(type.funcs.size());
    type.funcs.push_back(std::move(f));
    return true;
  }

  // After "interface": a definition "Name : IDispatch { ... };" or, where
  // allowed, a reference "Name;" to one defined before.
  bool readInterfaceDefinition(const Attributes& attrs, std::vector<TypeModel>& into,
                               bool mustDefine) {
    std::string name;
    if (!expectName(name)) return false;
    TypeModel type;
    if (!toUtf16(name, type.name)) return false;
    if (!peekToken()) return false;
    if (isPunct(';')) {
      Token t;
      nextToken(t);
      if (mustDefine) return true;  // a forward declaration outside the library
      return addReference(type.name);
    }
    if (nameTaken(type.name)) return false;
    std::string base;
    if (!expectPunct(':') || !expectName(base) || base != "IDispatch") return false;
    type.kind = TKIND_INTERFACE;
    if (!readGuid(attrs, type.guid) || !readHelp(attrs, type.help)) return false;
    type.flags = TYPEFLAG_FDISPATCHABLE;
    if (findAttribute(attrs, "dual")) type.flags |= TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION;
    if (findAttribute(attrs, "oleautomation")) type.flags |= TYPEFLAG_FOLEAUTOMATION;
    if (findAttribute(attrs, "nonextensible")) type.flags |= TYPEFLAG_FNONEXTENSIBLE;
    if (findAttribute(attrs, "hidden")) type.flags |= TYPEFLAG_FHIDDEN;
    if (!expectPunct('{')) return false;
    for (;;) {
      if (!peekToken()) return false;
      if (isPunct('}')) break;
      if (!readMethod(type)) return false;
    }
    Token t;
    nextToken(t);
    if (!skipOptionalSemicolon()) return false;
    if (into.size() >= kMaxTypes) return false;
    into.push_back(std::move(type));
    return true;
  }

  // Brings an interface defined outside the library into it (once), as the
  // library's next type. Returns its index through `index` when asked.
  bool addReference(const std::u16string& name, size_t* index = nullptr) {
    std::vector<TypeModel>& types = library_->types;
    for (size_t i = 0; i < types.size(); ++i) {
      if (types[i].name == name) {
        if (types[i].kind != TKIND_INTERFACE) return false;
        if (index) *index = i;
        return true;
      }
    }
    TypeModel* outside = findType(outside_, name);
    if (!outside || types.size() >= kMaxTypes) return false;
    types.push_back(*outside);
    if (index) *index = types.size() - 1;
    return true;
  }

  bool readCoclass(const Attributes& attrs) {
    std::string name;
    if (!expectName(name)) return false;
    TypeModel type;
    type.kind = TKIND_COCLASS;
    if (!toUtf16(name, type.name) || nameTaken(type.name)) return false;
    if (!readGuid(attrs, type.guid) || !readHelp(attrs, type.help)) return false;
    if (!findAttribute(attrs, "noncreatable")) type.flags |= TYPEFLAG_FCANCREATE;
    if (findAttribute(attrs, "hidden")) type.flags |= TYPEFLAG_FHIDDEN;
    if (!expectPunct('{')) return false;
    // The coclass goes first; interfaces it brings in follow it.
    if (library_->types.size() >= kMaxTypes) return false;
    library_->types.push_back(type);
    const size_t self = library_->types.size() - 1;
    std::vector<ImplModel> impls;
    for (;;) {
      if (!peekToken()) return false;
      if (isPunct('}')) break;
      Attributes implAttrs;
      if (!readAttributes(implAttrs)) return false;
      std::string word, interfaceName;
      if (!expectName(word) || word != "interface") return false;
      if (!expectName(interfaceName) || !expectPunct(';')) return false;
      std::u16string name16;
      if (!toUtf16(interfaceName, name16)) return false;
      ImplModel impl;
      if (!addReference(name16, &impl.typeIndex)) return false;
      if (findAttribute(implAttrs, "default")) impl.flags |= IMPLTYPEFLAG_FDEFAULT;
      if (findAttribute(implAttrs, "source")) impl.flags |= IMPLTYPEFLAG_FSOURCE;
      if (impls.size() >= kMaxImpls) return false;
      impls.push_back(impl);
    }
    Token t;
    nextToken(t);
    if (impls.empty()) return false;
    library_->types[self].impls = std::move(impls);
    return skipOptionalSemicolon();
  }

  bool readVersion(const Attributes& attrs, LibraryModel& lib) {
    const Attribute* a = findAttribute(attrs, "version");
    if (!a) return true;
    if (!a->hasValue) return false;
    const std::string& v = a->value;
    size_t dot = v.find('.');
    uint32_t major = 0, minor = 0;
    if (dot == std::string::npos) {
      if (!parseNumber(v, major)) return false;
    } else if (!parseNumber(v.substr(0, dot), major) || !parseNumber(v.substr(dot + 1), minor)) {
      return false;
    }
    if (major > 0xFFFF || minor > 0xFFFF) return false;
    lib.majorVersion = static_cast<WORD>(major);
    lib.minorVersion = static_cast<WORD>(minor);
    return true;
  }

  bool readLibrary(const Attributes& attrs, LibraryModel& lib) {
    library_ = &lib;
    std::string name;
    if (!expectName(name) || !toUtf16(name, lib.name)) return false;
    if (!readGuid(attrs, lib.guid) || !readHelp(attrs, lib.help)) return false;
    if (!readVersion(attrs, lib)) return false;
    if (const Attribute* lcid = findAttribute(attrs, "lcid")) {
      uint32_t value = 0;
      if (!lcid->hasValue || !parseNumber(lcid->value, value)) return false;
      lib.lcid = value;
    }
    if (findAttribute(attrs, "restricted")) lib.flags |= LIBFLAG_FRESTRICTED;
    if (findAttribute(attrs, "control")) lib.flags |= LIBFLAG_FCONTROL;
    if (findAttribute(attrs, "hidden")) lib.flags |= LIBFLAG_FHIDDEN;
    if (!expectPunct('{')) return false;
    for (;;) {
      if (!peekToken()) return false;
      if (isPunct('}')) break;
      if (isWord("importlib")) {
        if (!skipImportLib()) return false;
        continue;
      }
      Attributes itemAttrs;
      if (!readAttributes(itemAttrs)) return false;
      std::string word;
      if (!expectName(word)) return false;
      if (word == "coclass") {
        if (!readCoclass(itemAttrs)) return false;
      } else if (word == "interface") {
        if (!readInterfaceDefinition(itemAttrs, lib.types, /*mustDefine=*/false)) return false;
      } else {
        return false;
      }
    }
    Token t;
    nextToken(t);
    return skipOptionalSemicolon();
  }

  const char* p_;
  const char* end_;
  Token peeked_;
  bool havePeeked_ = false;
  std::vector<TypeModel> outside_;  // interfaces defined before the library
  LibraryModel* library_ = nullptr;
};

}  // namespace

HRESULT readIdlLibrary(const char* text, size_t length, LibraryModel& out) noexcept {
  if (!text || length > kMaxIdlSize) return TYPE_E_CANTLOADLIBRARY;
  try {
    LibraryModel lib;
    Reader reader(text, length);
    if (!reader.readFile(lib)) return TYPE_E_CANTLOADLIBRARY;
    out = std::move(lib);
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return TYPE_E_CANTLOADLIBRARY;
  }
}

}  // namespace typelib

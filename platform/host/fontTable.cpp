// The machine's fonts, as Windows would list them in its font table, read
// from fontconfig. Windows names an entry by the face's full name and the
// outline kind: "DejaVu Sans Bold (TrueType)", "C059 Bold (OpenType)"; the
// faces of one collection file share an entry, joined by " & ". Only
// TrueType and OpenType files are listed (Windows lists Type 1 and bitmap
// fonts elsewhere), and variable fonts' named instances are not listed apart.
//
// fontconfig is loaded when the table is first read, not with the platform
// library: most processes never list fonts, and mapping fontconfig and the
// six libraries it needs would cost each of them several milliseconds.
// Without fontconfig the table is empty, as on a machine without fonts.
#include "platform/host/fontTable.h"

#include "platform/host/utf.h"

#include <dlfcn.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <map>
#include <string>

namespace zolm_platform {
namespace {

// The fontconfig calls the table needs, from the library loaded on demand.
struct Fontconfig {
  decltype(&FcPatternCreate) patternCreate = nullptr;
  decltype(&FcPatternDestroy) patternDestroy = nullptr;
  decltype(&FcPatternGetString) patternGetString = nullptr;
  decltype(&FcPatternGetInteger) patternGetInteger = nullptr;
  decltype(&FcObjectSetBuild) objectSetBuild = nullptr;
  decltype(&FcObjectSetDestroy) objectSetDestroy = nullptr;
  decltype(&FcInitLoadConfigAndFonts) initLoadConfigAndFonts = nullptr;
  decltype(&FcConfigDestroy) configDestroy = nullptr;
  decltype(&FcFontList) fontList = nullptr;
  decltype(&FcFontSetDestroy) fontSetDestroy = nullptr;
  bool complete = false;
};

template <typename Call>
bool bind(void* library, const char* name, Call& call) {
  call = reinterpret_cast<Call>(dlsym(library, name));
  return call != nullptr;
}

Fontconfig loadFontconfig() {
  Fontconfig fc;
  // Kept for the life of the process, like a library linked at start.
  void* library = dlopen("libfontconfig.so.1", RTLD_NOW | RTLD_LOCAL);
  if (!library) return fc;
  fc.complete = bind(library, "FcPatternCreate", fc.patternCreate) &&
                bind(library, "FcPatternDestroy", fc.patternDestroy) &&
                bind(library, "FcPatternGetString", fc.patternGetString) &&
                bind(library, "FcPatternGetInteger", fc.patternGetInteger) &&
                bind(library, "FcObjectSetBuild", fc.objectSetBuild) &&
                bind(library, "FcObjectSetDestroy", fc.objectSetDestroy) &&
                bind(library, "FcInitLoadConfigAndFonts", fc.initLoadConfigAndFonts) &&
                bind(library, "FcConfigDestroy", fc.configDestroy) &&
                bind(library, "FcFontList", fc.fontList) &&
                bind(library, "FcFontSetDestroy", fc.fontSetDestroy);
  return fc;
}

const Fontconfig& fontconfig() {
  static const Fontconfig loaded = loadFontconfig();
  return loaded;
}

// The idx-th string of an object and its language, or null past the last.
const char* stringAt(FcPattern* p, const char* object, int idx) {
  FcChar8* s = nullptr;
  return fontconfig().patternGetString(p, object, idx, &s) == FcResultMatch ? reinterpret_cast<char*>(s)
                                                                 : nullptr;
}

bool isEnglish(const char* lang) { return lang && (lang[0] == 'e' && lang[1] == 'n'); }

// The English entry of a localised list, or the first one.
std::string englishString(FcPattern* p, const char* object, const char* langObject) {
  const char* first = stringAt(p, object, 0);
  for (int i = 0; const char* s = stringAt(p, object, i); ++i)
    if (isEnglish(stringAt(p, langObject, i))) return s;
  return first ? first : "";
}

bool isPlainStyle(const std::string& style) {
  return style.empty() || style == "Regular" || style == "Normal" || style == "Book" ||
         style == "Roman";
}

// The face's full name as the font itself gives it in English. Some fonts
// carry a second, PostScript-like full name ("C059-Bold" beside "C059 Bold");
// the one that starts with the family name and a blank is the display name.
std::string fullName(FcPattern* p) {
  const std::string family = englishString(p, FC_FAMILY, FC_FAMILYLANG);
  std::string firstEnglish;
  for (int i = 0; const char* s = stringAt(p, FC_FULLNAME, i); ++i) {
    if (!isEnglish(stringAt(p, FC_FULLNAMELANG, i))) continue;
    std::string name = s;
    if (firstEnglish.empty()) firstEnglish = name;
    if (!family.empty() && name.compare(0, family.size(), family) == 0 &&
        (name.size() == family.size() || name[family.size()] == ' '))
      return name;
  }
  if (!firstEnglish.empty()) return firstEnglish;
  if (const char* any = stringAt(p, FC_FULLNAME, 0)) return any;
  const std::string style = englishString(p, FC_STYLE, FC_STYLELANG);
  return isPlainStyle(style) ? family : family + " " + style;
}

struct FontFile {
  std::string kind;                         // "TrueType" or "OpenType"
  std::map<int, std::string> facesByIndex;  // collection faces in file order
};

}  // namespace

std::vector<std::pair<std::u16string, std::u16string>> installedFontFaces() {
  std::vector<std::pair<std::u16string, std::u16string>> entries;
  const Fontconfig& fc = fontconfig();
  if (!fc.complete) return entries;
  FcPattern* pattern = fc.patternCreate();
  FcObjectSet* objects = fc.objectSetBuild(FC_FILE, FC_INDEX, FC_FULLNAME, FC_FULLNAMELANG,
                                          FC_FAMILY, FC_FAMILYLANG, FC_STYLE, FC_STYLELANG,
                                          FC_FONTFORMAT, static_cast<char*>(nullptr));
  // A configuration of our own, destroyed below, so that nothing of
  // fontconfig's stays behind in the process.
  FcConfig* config = fc.initLoadConfigAndFonts();
  FcFontSet* set = (config && pattern && objects) ? fc.fontList(config, pattern, objects) : nullptr;
  std::map<std::string, FontFile> files;
  for (int i = 0; set && i < set->nfont; ++i) {
    FcPattern* p = set->fonts[i];
    const char* file = stringAt(p, FC_FILE, 0);
    const char* format = stringAt(p, FC_FONTFORMAT, 0);
    int index = 0;
    fc.patternGetInteger(p, FC_INDEX, 0, &index);
    if (!file || !format || (index >> 16) != 0) continue;  // named instances share a file
    std::string kind = std::string(format) == "TrueType" ? "TrueType"
                       : std::string(format) == "CFF"    ? "OpenType"
                                                         : "";
    if (kind.empty()) continue;
    std::string name = fullName(p);
    if (name.empty()) continue;
    FontFile& entry = files[file];
    entry.kind = kind;
    entry.facesByIndex.emplace(index & 0xFFFF, name);
  }
  for (const auto& [path, file] : files) {
    std::string name;
    for (const auto& face : file.facesByIndex) name += (name.empty() ? "" : " & ") + face.second;
    name += " (" + file.kind + ")";
    entries.emplace_back(utf8ToUtf16(name.data(), name.size()),
                         utf8ToUtf16(path.data(), path.size()));
  }
  if (set) fc.fontSetDestroy(set);
  if (objects) fc.objectSetDestroy(objects);
  if (pattern) fc.patternDestroy(pattern);
  if (config) fc.configDestroy(config);

  std::stable_sort(entries.begin(), entries.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  // Two files of one name (a font installed twice): the first path wins.
  entries.erase(std::unique(entries.begin(), entries.end(),
                            [](const auto& a, const auto& b) { return a.first == b.first; }),
                entries.end());
  return entries;
}

}  // namespace zolm_platform

// The palette loader: which reader a name's extension chooses, the palette
// answers for BMP, PCX and PCX-named-ICO files, why a load failed, and the
// in-place VT_I4 conversion of every VARIANT it reads or writes.
#include "automation/paletteLoader.h"
#include "server/comObject.h"

#include "image/imageErrors.h"
#include "tests/image/imageTestFiles.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

uint8_t entry(int i, int part) {
  static const int base[] = {0x30, 0x20, 0x10}, step[] = {3, 5, 7};
  return static_cast<uint8_t>((base[part] + step[part] * i) % 256);
}

void put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  b[at] = v & 0xFF;
  b[at + 1] = (v >> 8) & 0xFF;
}

void put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  put16(b, at, v & 0xFFFF);
  put16(b, at + 2, v >> 16);
}

// A 2 x 1 BMP of 4 or 8 bits (a full palette, stored blue, green, red) or
// of 24 bits.
std::vector<uint8_t> bmp(int bits) {
  const int colours = bits == 8 ? 256 : bits == 4 ? 16 : 0;
  const uint32_t paletteBytes = 4u * colours;
  const uint32_t rowBytes = 8;  // 2 pixels of up to 3 bytes, padded to 4
  std::vector<uint8_t> b(14 + 40 + paletteBytes + rowBytes, 0);
  b[0] = 'B';
  b[1] = 'M';
  put32(b, 2, static_cast<uint32_t>(b.size()));
  put32(b, 10, 14 + 40 + paletteBytes);
  put32(b, 14, 40);
  put32(b, 18, 2);
  put32(b, 22, 1);
  put16(b, 26, 1);
  put16(b, 28, bits);
  put32(b, 46, colours);
  for (int i = 0; i < colours; ++i) {
    b[54 + 4 * i] = entry(i, 2);
    b[54 + 4 * i + 1] = entry(i, 1);
    b[54 + 4 * i + 2] = entry(i, 0);
  }
  return b;
}

// A 2 x 1 PCX of 8 bits, with or without its 256-colour trailer.
std::vector<uint8_t> pcx(bool withPalette = true) {
  std::vector<uint8_t> b(128, 0);
  b[0] = 0x0A;  // manufacturer
  b[1] = 5;     // version
  b[2] = 1;     // run-length coded
  b[3] = 8;     // bits per plane
  put16(b, 8, 1);   // last column
  put16(b, 10, 0);  // last row
  b[65] = 1;        // planes
  put16(b, 66, 2);  // bytes per plane line
  b.push_back(0);
  b.push_back(1);
  if (!withPalette) return b;
  b.push_back(0x0C);
  for (int i = 0; i < 256; ++i)
    for (int part = 0; part < 3; ++part) b.push_back(entry(i, part));
  return b;
}

struct Var : VARIANT {
  Var() { VariantInit(this); }
  explicit Var(LONG v) {
    VariantInit(this);
    vt = VT_I4;
    lVal = v;
  }
  explicit Var(const char16_t* s) {
    VariantInit(this);
    vt = VT_BSTR;
    bstrVal = SysAllocString(s);
  }
  ~Var() { VariantClear(this); }
};

class PaletteLoader : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    using testfiles::writeFile;
    using testfiles::scratchPath;
    writeFile(scratchPath("sunset.bmp"), bmp(8));
    writeFile(scratchPath("pal16.bmp"), bmp(4));
    writeFile(scratchPath("rgb24.bmp"), bmp(24));
    writeFile(scratchPath("pal8.pcx"), pcx());
    writeFile(scratchPath("palette.ico"), pcx());
    writeFile(scratchPath("nopalette.pcx"), pcx(false));
    std::vector<uint8_t> icon = {0, 0, 1, 0, 1, 0, 16, 16, 0, 0, 1, 0, 32, 0};
    icon.resize(400, 0x40);  // a whole icon's length: the PCX header test fails, not the read
    writeFile(scratchPath("icon.ico"), icon);
    const uint8_t text[] = {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '\n', 'x', 'y',
                            'z', '1', '2', '3'};
    writeFile(scratchPath("text.bmp"), text);
    const uint8_t truncated[] = {'B', 'M', 0, 0, 0};
    writeFile(scratchPath("truncated.bmp"), truncated);
    mkdir(scratchPath("old.pics").c_str(), 0755);
    writeFile(scratchPath("old.pics/sunset.bmp"), bmp(8));
    writeFile(scratchPath("my.photo.bmp"), bmp(8));
  }

  static std::u16string path(const std::string& name) {
    return testfiles::wide(testfiles::scratchPath(name));
  }

  // load's answer for a file of the scratch directory.
  VARIANT_BOOL load(const std::string& name) { return loadPath(path(name)); }

  VARIANT_BOOL loadPath(const std::u16string& fullName) {
    BSTR name = SysAllocString(fullName.c_str());
    VARIANT_BOOL ok = 99;
    EXPECT_EQ(loader.load(name, &ok), S_OK);
    SysFreeString(name);
    return ok;
  }

  LONG colorCount() {
    Var v;
    EXPECT_EQ(loader.get_ColorCount(&v), S_OK);
    EXPECT_EQ(v.vt, VT_I4);
    return v.lVal;
  }

  LONG lastError() {
    Var v;
    EXPECT_EQ(loader.get_lastError(&v), S_OK);
    return v.lVal;
  }

  // getRGB's answer for index i, with the colours as "r,g,b".
  VARIANT_BOOL rgb(LONG i, std::string* colours = nullptr) {
    Var index(i), r, g, b;
    VARIANT_BOOL ok = 99;
    EXPECT_EQ(loader.getRGB(&index, &r, &g, &b, &ok), S_OK);
    if (colours)
      *colours = std::to_string(r.lVal) + "," + std::to_string(g.lVal) + "," +
                 std::to_string(b.lVal);
    return ok;
  }

  static std::string expected(int i) {
    return std::to_string(entry(i, 0)) + "," + std::to_string(entry(i, 1)) + "," +
           std::to_string(entry(i, 2));
  }

  CComObject<CPaletteLoader> loader;
};

}  // namespace

TEST(ImageKind, ExtensionOfTheFilesOwnNameChoosesTheReader) {
  EXPECT_EQ(ImageKindForName(u"C:\\pics\\sunset.bmp"), ImageKind::bmp);
  EXPECT_EQ(ImageKindForName(u"C:\\pics\\sunset.Bmp"), ImageKind::bmp);
  EXPECT_EQ(ImageKindForName(u"C:\\old.pics\\sunset.BMP"), ImageKind::bmp);
  EXPECT_EQ(ImageKindForName(u"/home/me/old.pics/sunset.bmp"), ImageKind::bmp);
  EXPECT_EQ(ImageKindForName(u"my.photo.bmp"), ImageKind::bmp);
  EXPECT_EQ(ImageKindForName(u"palette.ico"), ImageKind::pcx);
  EXPECT_EQ(ImageKindForName(u"PALETTE.PcX"), ImageKind::pcx);
  EXPECT_EQ(ImageKindForName(u"archive.bmp.gz"), ImageKind::none);
  EXPECT_EQ(ImageKindForName(u"picture.gif"), ImageKind::none);
  EXPECT_EQ(ImageKindForName(u"nodot"), ImageKind::none);
  EXPECT_EQ(ImageKindForName(u"C:\\old.pics\\nodot"), ImageKind::none);
  EXPECT_EQ(ImageKindForName(u"trailing."), ImageKind::none);
  EXPECT_EQ(ImageKindForName(u"x.bmpx"), ImageKind::none);
  EXPECT_EQ(ImageKindForName(u""), ImageKind::none);
  EXPECT_EQ(ImageKindForName(nullptr), ImageKind::none);
}

TEST_F(PaletteLoader, NewObjectHasNoPaletteAndNoError) {
  EXPECT_EQ(colorCount(), 0);
  EXPECT_EQ(rgb(0), VARIANT_FALSE);
  EXPECT_EQ(lastError(), 0);
}

TEST_F(PaletteLoader, EightBitBmpAnswersEveryEntry) {
  ASSERT_EQ(load("sunset.bmp"), VARIANT_TRUE);
  EXPECT_EQ(colorCount(), 256);
  EXPECT_EQ(lastError(), 0);
  std::string colours;
  EXPECT_EQ(rgb(0, &colours), VARIANT_TRUE);
  EXPECT_EQ(colours, "48,32,16");  // stored as 0x10, 0x20, 0x30
  EXPECT_EQ(rgb(255, &colours), VARIANT_TRUE);
  EXPECT_EQ(colours, expected(255));
  ASSERT_EQ(load("pal16.bmp"), VARIANT_TRUE);
  EXPECT_EQ(colorCount(), 16);
}

TEST_F(PaletteLoader, DotsInFoldersAndNamesDoNotHideTheExtension) {
  EXPECT_EQ(load("old.pics/sunset.bmp"), VARIANT_TRUE);
  EXPECT_EQ(colorCount(), 256);
  EXPECT_EQ(load("my.photo.bmp"), VARIANT_TRUE);
  EXPECT_EQ(colorCount(), 256);
}

TEST_F(PaletteLoader, PcxAlsoUnderAnIconName) {
  ASSERT_EQ(load("pal8.pcx"), VARIANT_TRUE);
  EXPECT_EQ(colorCount(), 256);
  std::string colours;
  EXPECT_EQ(rgb(77, &colours), VARIANT_TRUE);
  EXPECT_EQ(colours, expected(77));
  EXPECT_EQ(load("palette.ico"), VARIANT_TRUE);
  EXPECT_EQ(colorCount(), 256);
  EXPECT_EQ(load("icon.ico"), VARIANT_FALSE);  // a real icon fails the PCX header test
  EXPECT_EQ(lastError(), errFormat);
}

TEST_F(PaletteLoader, TrueColourPictureHasNoColoursToHandOut) {
  ASSERT_EQ(load("rgb24.bmp"), VARIANT_TRUE);
  EXPECT_EQ(colorCount(), 0);
  EXPECT_EQ(rgb(0), VARIANT_FALSE);
  EXPECT_EQ(lastError(), 0);
}

TEST_F(PaletteLoader, FailedLoadsSayWhyAndLeaveNoPalette) {
  const struct {
    const char* name;
    int32_t error;
  } cases[] = {
      {"text.bmp", errFormat},       {"truncated.bmp", errRead},
      {"nopalette.pcx", errPalette}, {"sunset.gif", errFormat},
      {"archive.bmp.gz", errFormat}, {"nodot", errFormat},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(load("sunset.bmp"), VARIANT_TRUE);
    EXPECT_EQ(load(c.name), VARIANT_FALSE) << c.name;
    EXPECT_EQ(lastError(), c.error) << c.name;
    EXPECT_EQ(colorCount(), 0) << c.name;
    EXPECT_EQ(rgb(0), VARIANT_FALSE) << c.name;
  }
  ASSERT_EQ(load("sunset.bmp"), VARIANT_TRUE);
  EXPECT_EQ(lastError(), 0);  // a success clears the reason
}

TEST_F(PaletteLoader, FileThatCannotBeOpenedIsAFailedLoad) {
  ASSERT_EQ(load("sunset.bmp"), VARIANT_TRUE);
  EXPECT_EQ(load("missing.bmp"), VARIANT_FALSE);
  EXPECT_EQ(lastError(), static_cast<LONG>(0x80070002u));  // ERROR_FILE_NOT_FOUND
  EXPECT_EQ(colorCount(), 0);
  BSTR none = nullptr;
  VARIANT_BOOL ok = VARIANT_TRUE;
  EXPECT_EQ(loader.load(none, &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_FALSE);
  EXPECT_EQ(lastError(), errFormat);
  EXPECT_EQ(loader.load(none, nullptr), E_POINTER);
}

TEST_F(PaletteLoader, StringIndexIsConvertedInPlace) {
  ASSERT_EQ(load("sunset.bmp"), VARIANT_TRUE);
  Var index(u"3"), r, g, b;
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(loader.getRGB(&index, &r, &g, &b, &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);
  EXPECT_EQ(index.vt, VT_I4);
  EXPECT_EQ(index.lVal, 3);
  EXPECT_EQ(r.vt, VT_I4);  // empty out-parameters became integers
  EXPECT_EQ(r.lVal, entry(3, 0));
  EXPECT_EQ(g.lVal, entry(3, 1));
  EXPECT_EQ(b.lVal, entry(3, 2));

  Var letters(u"abc");
  ok = VARIANT_TRUE;
  EXPECT_EQ(loader.getRGB(&letters, &r, &g, &b, &ok), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(ok, VARIANT_FALSE);
  EXPECT_EQ(letters.vt, VT_BSTR);
}

TEST_F(PaletteLoader, IndexOutOfRangeLeavesTheColoursAlone) {
  ASSERT_EQ(load("pal16.bmp"), VARIANT_TRUE);
  Var index(16), r(u"7"), g(u"8"), b(u"9");
  VARIANT_BOOL ok = VARIANT_TRUE;
  ASSERT_EQ(loader.getRGB(&index, &r, &g, &b, &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_FALSE);
  EXPECT_EQ(r.vt, VT_BSTR);  // not even converted
  EXPECT_EQ(std::u16string(b.bstrVal), u"9");

  Var minus(-1), er, eg, eb;
  ok = VARIANT_TRUE;
  ASSERT_EQ(loader.getRGB(&minus, &er, &eg, &eb, &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_FALSE);
  EXPECT_EQ(er.vt, VT_I4);  // converted, but no colour
  EXPECT_EQ(er.lVal, 0);
  EXPECT_EQ(eb.vt, VT_I4);
}

TEST_F(PaletteLoader, UnconvertibleOutParametersFailTheCall) {
  ASSERT_EQ(load("sunset.bmp"), VARIANT_TRUE);
  Var index(1), r, g(u"green"), b;
  VARIANT_BOOL ok = VARIANT_TRUE;
  EXPECT_EQ(loader.getRGB(&index, &r, &g, &b, &ok), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(ok, VARIANT_FALSE);
  EXPECT_EQ(r.vt, VT_I4);   // converted before green failed
  EXPECT_EQ(b.vt, VT_EMPTY);  // never reached
  Var count(u"many");
  EXPECT_EQ(loader.get_ColorCount(&count), DISP_E_TYPEMISMATCH);
  Var big(u"99999999999");
  EXPECT_EQ(loader.get_lastError(&big), DISP_E_OVERFLOW);
}

TEST_F(PaletteLoader, GetRgbBeforeAnyLoadStillConvertsTheIndex) {
  Var index(u"5"), r, g, b;
  VARIANT_BOOL ok = VARIANT_TRUE;
  ASSERT_EQ(loader.getRGB(&index, &r, &g, &b, &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_FALSE);
  EXPECT_EQ(index.vt, VT_I4);
  EXPECT_EQ(r.vt, VT_EMPTY);
}

TEST_F(PaletteLoader, AGifAfterAPaletteLeavesNone) {
  ASSERT_EQ(load("sunset.bmp"), VARIANT_TRUE);
  EXPECT_EQ(load("sunset.gif"), VARIANT_FALSE);
  EXPECT_EQ(colorCount(), 0);
}

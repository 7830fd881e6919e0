// The font file object's two operations. A search walks the font table with
// EnumFontValue, keeping its place on its own stack. A value whose name or
// data does not fit the search's buffers is passed over, so one long entry
// cannot hide the fonts after it.
#include "automation/fontFile.h"

#include "automation/fontTableEnum.h"
#include "automation/windowsVersion.h"
#include "platform/sysinfoapi.h"

#include <cstring>

namespace {

// Caller buffers of the search, twice what one read can deliver.
constexpr size_t kSearchBufferChars = 520;

// The Windows directory's buffer: 260 characters offered, two spare.
constexpr UINT kWindowsDirChars = 260;
constexpr size_t kDirectoryBufferChars = 262;

OLECHAR upperAscii(OLECHAR c) {
  return (c >= 'a' && c <= 'z') ? static_cast<OLECHAR>(c - 'a' + 'A') : c;
}

size_t textLength(const OLECHAR* s, size_t limit) {
  size_t n = 0;
  while (n < limit && s[n]) ++n;
  return n;
}

}  // namespace

bool FontNameMatches(const OLECHAR* valueName, const OLECHAR* fontName, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    if (!valueName[i]) return false;  // the value name is shorter
    if (upperAscii(valueName[i]) != upperAscii(fontName[i])) return false;
  }
  return true;
}

const OLECHAR* FontTablePath(int versionCode) {
  if (versionCode >= 101 && versionCode <= 199)
    return OLESTR("Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts");
  return OLESTR("Software\\Microsoft\\Windows\\CurrentVersion\\Fonts");
}

HRESULT STDMETHODCALLTYPE CFontFile::GetFileName(BSTR FontName, VARIANT* pFileName,
                                                 VARIANT_BOOL* pRetVal) {
  if (!pRetVal || !pFileName) return E_POINTER;
  *pRetVal = VARIANT_FALSE;
  // The name ends at its first NUL, as the comparison reads it.
  const size_t n = FontName ? textLength(FontName, SysStringLen(FontName)) : 0;
  if (n == 0) return S_OK;

  FontEnumeration search;
  OLECHAR name[kSearchBufferChars];
  OLECHAR data[kSearchBufferChars];
  const OLECHAR* path = FontTablePath(GetWindowsVersionCode());
  HRESULT hr = S_OK;
  LONG rc = EnumFontValue(search, HKEY_LOCAL_MACHINE, path, name, data);
  while (rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA) {
    if (rc == ERROR_SUCCESS && FontNameMatches(name, FontName, n)) {
      BSTR file = SysAllocString(data);
      if (!file) {
        hr = E_OUTOFMEMORY;
        break;
      }
      VariantClear(pFileName);
      pFileName->vt = VT_BSTR;
      pFileName->bstrVal = file;
      *pRetVal = VARIANT_TRUE;
      break;
    }
    rc = EnumFontValue(search, HKEY_LOCAL_MACHINE, nullptr, name, data);
  }
  EnumFontValue(search, HKEY_LOCAL_MACHINE, nullptr, nullptr, nullptr);
  return hr;
}

HRESULT STDMETHODCALLTYPE CFontFile::GetFontDirectory(BSTR* pFontDirectory) {
  if (!pFontDirectory) return E_POINTER;
  *pFontDirectory = nullptr;
  OLECHAR buffer[kDirectoryBufferChars];
  buffer[0] = 0;
  const UINT length = GetWindowsDirectoryW(buffer, kWindowsDirChars);
  static const OLECHAR kSuffix[] = ZOLM_FONTS_SUBDIRECTORY;
  const size_t suffixLength = sizeof kSuffix / sizeof kSuffix[0] - 1;
  // No directory, or one that does not fit with the suffix: an empty string
  // rather than a wrong or truncated path.
  if (length == 0 || length >= kWindowsDirChars || length + suffixLength >= kDirectoryBufferChars)
    buffer[0] = 0;
  else
    std::memcpy(buffer + length, kSuffix, (suffixLength + 1) * sizeof(OLECHAR));
  *pFontDirectory = SysAllocString(buffer);
  return *pFontDirectory ? S_OK : E_OUTOFMEMORY;
}

// BSTR allocation on Linux: one heap block holding the 4-byte byte length,
// the UTF-16 text and a terminating NUL. The BSTR points just past the length
// word, so it reads as an ordinary NUL-terminated string too.
#include "platform/host/oleauto.h"

#include <cstdlib>

namespace {

// Length word plus terminator; the largest byte length leaves room for both.
constexpr size_t kOverhead = sizeof(DWORD) + sizeof(OLECHAR);
constexpr UINT kMaxBytes = 0x7FFFFFF0u;

BSTR allocBytes(const void* data, UINT byteLen) {
  if (byteLen > kMaxBytes) return nullptr;
  char* block = static_cast<char*>(std::malloc(kOverhead + byteLen));
  if (!block) return nullptr;
  DWORD len = byteLen;
  std::memcpy(block, &len, sizeof len);
  char* text = block + sizeof(DWORD);
  if (data)
    std::memcpy(text, data, byteLen);
  else
    std::memset(text, 0, byteLen);
  std::memset(text + byteLen, 0, sizeof(OLECHAR));
  return reinterpret_cast<BSTR>(text);
}

size_t textLength(const OLECHAR* psz) {
  size_t n = 0;
  while (psz[n]) ++n;
  return n;
}

}  // namespace

extern "C" {

BSTR WINAPI SysAllocString(const OLECHAR* psz) {
  if (!psz) return nullptr;
  size_t n = textLength(psz);
  if (n > kMaxBytes / sizeof(OLECHAR)) return nullptr;
  return allocBytes(psz, static_cast<UINT>(n * sizeof(OLECHAR)));
}

BSTR WINAPI SysAllocStringLen(const OLECHAR* strIn, UINT ui) {
  if (ui > kMaxBytes / sizeof(OLECHAR)) return nullptr;
  return allocBytes(strIn, ui * static_cast<UINT>(sizeof(OLECHAR)));
}

void WINAPI SysFreeString(BSTR bstrString) {
  if (!bstrString) return;
  std::free(reinterpret_cast<char*>(bstrString) - sizeof(DWORD));
}

UINT WINAPI SysStringLen(BSTR pbstr) {
  if (!pbstr) return 0;
  DWORD len;
  std::memcpy(&len, reinterpret_cast<const char*>(pbstr) - sizeof(DWORD), sizeof len);
  return len / static_cast<UINT>(sizeof(OLECHAR));
}

}  // extern "C"

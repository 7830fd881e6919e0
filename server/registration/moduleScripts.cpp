// Applying one of the module's registration scripts: the registrar receives
// the module's own path (quote-doubled, so that it can stand inside a quoted
// token) and applies the "REGISTRY" resource read from the module's file.
#include "server/registration/selfRegistration.h"

#include <cstring>

#include "platform/fileapi.h"
#include "platform/libloaderapi.h"
#include "server/registrar/regObject.h"
#include "server/registrar/textConversion.h"

namespace {

// The module path buffer; a path that fills it whole is refused.
const DWORD kPathCapacity = MAX_PATH;
// The quote-doubled path: a path of up to 259 characters always fits.
const size_t kDoubledCapacity = 520;
// The doubled path between double quotes.
const size_t kQuotedCapacity = 524;
const HRESULT kInsufficientBuffer = static_cast<HRESULT>(0x8007007A);

size_t TextLength(const OLECHAR* text) {
  size_t n = 0;
  while (text[n] != 0) ++n;
  return n;
}

}  // namespace

HRESULT HResultFromLastError() {
  DWORD code = GetLastError();
  if (code == 0) return E_FAIL;
  return static_cast<HRESULT>((code & 0xFFFFu) | 0x80070000u);
}

void DoubleSingleQuotes(OLECHAR* dest, size_t capacity, const OLECHAR* path) {
  if (dest == nullptr || capacity == 0) return;
  size_t position = 0;
  if (path != nullptr) {
    while (position < capacity - 1 && *path != 0) {
      OLECHAR c = *path++;
      dest[position] = c;
      if (c == '\'') {
        ++position;
        if (position < capacity - 1) dest[position] = '\'';
      }
      ++position;
    }
  }
  // A quote on the last free place leaves position one past it.
  dest[position < capacity ? position : capacity - 1] = 0;
}

HRESULT ApplyModuleScript(CRegObject& registrar, HINSTANCE moduleInstance, UINT resourceId,
                          LPCSTR resourceName, bool registering) {
  char path[kPathCapacity];
  DWORD length = GetModuleFileNameA(moduleInstance, path, kPathCapacity);
  if (length == 0) return HResultFromLastError();
  if (length == kPathCapacity) return kInsufficientBuffer;
  CTextToUtf16 widePath(path);
  if (widePath.get() == nullptr) return E_OUTOFMEMORY;

  OLECHAR raw[kDoubledCapacity];
  DoubleSingleQuotes(raw, kDoubledCapacity, widePath.get());
  OLECHAR quoted[kQuotedCapacity];
  const OLECHAR* moduleValue = raw;
  // A program file rather than a library is named between double quotes.
  if (moduleInstance == nullptr || moduleInstance == GetModuleHandleA(nullptr)) {
    size_t rawLength = TextLength(raw);
    if (rawLength + 3 > kQuotedCapacity) return E_FAIL;
    quoted[0] = '"';
    std::memcpy(quoted + 1, raw, rawLength * sizeof(OLECHAR));
    quoted[rawLength + 1] = '"';
    quoted[rawLength + 2] = 0;
    moduleValue = quoted;
  }
  HRESULT hr = registrar.SetReplacement(OLESTR("Module"), moduleValue);
  if (FAILED(hr)) return hr;
  hr = registrar.SetReplacement(OLESTR("Module_Raw"), raw);
  if (FAILED(hr)) return hr;

  // The script is read from the module's own file, named without doubling.
  if (resourceName != nullptr) {
    CTextToUtf16 name(resourceName);
    if (name.get() == nullptr) return E_OUTOFMEMORY;
    return registering
               ? registrar.RegisterResourceByName(widePath.get(), name.get(), OLESTR("REGISTRY"))
               : registrar.UnregisterResourceByName(widePath.get(), name.get(),
                                                    OLESTR("REGISTRY"));
  }
  return registering
             ? registrar.RegisterResource(widePath.get(), resourceId, OLESTR("REGISTRY"))
             : registrar.UnregisterResource(widePath.get(), resourceId, OLESTR("REGISTRY"));
}

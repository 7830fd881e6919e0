// Fuzz target: the registration script language applied to the host
// registry, registering and then unregistering the same text, with %NAME%
// replacements set as self-registration sets them. Whatever the text, the
// registrar must answer an HRESULT and close every key it opened.
#include <string>

#include "fuzz/fuzzSupport.h"
#include "platform/host/registryTesting.h"
#include "server/registrar/regObject.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Real scripts are a few hundred bytes; tokens stop at 4094.
  if (size < 1 || size > 16 * 1024) return 0;
  const uint8_t mode = data[0];
  const std::string script(reinterpret_cast<const char*>(data + 1), size - 1);

  ZolmRegistryReset(FALSE);
  const DWORD handlesBefore = ZolmRegistryOpenHandles();
  {
    CRegObject registrar;
    if (mode & 1) {
      registrar.SetReplacement(u"MODULE", u"/usr/lib/zolmcom/libzolmcom.so");
      registrar.SetReplacement(u"CLSID", u"{74FCDF8C-45F4-4BAC-BDE0-68453741E8D2}");
    }
    // The text ends at its first zero byte, as a resource's text does.
    if (mode & 2) registrar.ApplyScriptText(script.c_str(), true);
    registrar.ApplyScriptText(script.c_str(), false);
    if (mode & 4) registrar.ApplyScriptText(script.c_str(), true);
  }
  FUZZ_CHECK(ZolmRegistryOpenHandles() == handlesBefore);
  return 0;
}

// The Reg* calls' argument checks and buffer filling, written once for both
// forms of each call. The UTF-16 ("W") and the 8-bit ("A") calls differ only
// in how names and text data cross to the caller, which a form says
// (WideForm, Utf8Form); registryW.cpp and registryA.cpp forward to these.
// Private to libzolmplatform.so.
#pragma once

#include "platform/host/registryBuffers.h"
#include "platform/host/registryStore.h"
#include "platform/host/utf.h"
#include "platform/host/wintypes.h"

#include <string>
#include <utility>
#include <vector>

namespace zolm_platform {
namespace registry {

// UTF-16 names and data pass as they are kept.
struct WideForm {
  using Char = WCHAR;
  static constexpr bool kUtf8Lengths = false;
  static std::u16string nameIn(const Char* name) { return wideName(name); }
  static std::u16string nameOut(std::u16string name) { return name; }
  static std::vector<BYTE> dataIn(DWORD, const BYTE* data, DWORD size) {
    return bytesOf(data, size);
  }
  static std::vector<BYTE> dataOut(DWORD, std::vector<BYTE> data) { return data; }
};

// UTF-8 names and text data; the lengths and sizes told count the UTF-8 form.
struct Utf8Form {
  using Char = CHAR;
  static constexpr bool kUtf8Lengths = true;
  static std::u16string nameIn(const Char* name) { return utf8ToUtf16(name); }
  static std::string nameOut(const std::u16string& name) {
    return utf16ToUtf8(name.data(), name.size());
  }
  static std::vector<BYTE> dataIn(DWORD type, const BYTE* data, DWORD size) {
    return isTextType(type) ? textDataFromUtf8(data, size) : bytesOf(data, size);
  }
  static std::vector<BYTE> dataOut(DWORD type, std::vector<BYTE> data) {
    return isTextType(type) ? textDataToUtf8(data) : data;
  }
};

template <typename Form>
LONG openKeyCall(HKEY key, const typename Form::Char* subKey, REGSAM access, HKEY* result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  return openKey(key, Form::nameIn(subKey), access, result);
}

template <typename Form>
LONG createKeyCall(HKEY key, const typename Form::Char* subKey, REGSAM access, HKEY* result,
                   DWORD* disposition) {
  if (!result || !subKey) return ERROR_INVALID_PARAMETER;
  return createKey(key, Form::nameIn(subKey), access, result, disposition);
}

template <typename Form>
LONG deleteKeyCall(HKEY key, const typename Form::Char* subKey) {
  if (!subKey) return ERROR_INVALID_PARAMETER;
  return deleteKey(key, Form::nameIn(subKey));
}

template <typename Form>
LONG setValueCall(HKEY key, const typename Form::Char* name, DWORD type, const BYTE* data,
                  DWORD size) {
  if (!data && size) return ERROR_INVALID_PARAMETER;
  return setValue(key, Form::nameIn(name), type, Form::dataIn(type, data, size));
}

template <typename Form>
LONG queryValueCall(HKEY key, const typename Form::Char* name, DWORD* typeOut, BYTE* buffer,
                    DWORD* size) {
  if (buffer && !size) return ERROR_INVALID_PARAMETER;
  DWORD type;
  std::vector<BYTE> data;
  LONG rc = queryValue(key, Form::nameIn(name), &type, &data);
  if (rc != ERROR_SUCCESS) return rc;
  if (typeOut) *typeOut = type;
  return copyData(Form::dataOut(type, std::move(data)), buffer, size);
}

template <typename Form>
LONG deleteValueCall(HKEY key, const typename Form::Char* name) {
  return deleteValue(key, Form::nameIn(name));
}

template <typename Form>
LONG enumValueCall(HKEY key, DWORD index, typename Form::Char* nameBuffer, DWORD* nameCapacity,
                   DWORD* typeOut, BYTE* buffer, DWORD* size) {
  if (!nameBuffer || !nameCapacity || (buffer && !size)) return ERROR_INVALID_PARAMETER;
  std::u16string name;
  DWORD type;
  std::vector<BYTE> data;
  LONG rc = valueAt(key, index, &name, &type, &data);
  if (rc != ERROR_SUCCESS) return rc;
  rc = copyName(Form::nameOut(std::move(name)), nameBuffer, nameCapacity);
  if (rc != ERROR_SUCCESS) return rc;
  if (typeOut) *typeOut = type;
  return copyData(Form::dataOut(type, std::move(data)), buffer, size);
}

template <typename Form>
LONG enumKeyCall(HKEY key, DWORD index, typename Form::Char* nameBuffer, DWORD* nameCapacity,
                 typename Form::Char* classBuffer, DWORD* classCapacity, FILETIME* lastWrite) {
  if (!nameBuffer || !nameCapacity) return ERROR_INVALID_PARAMETER;
  std::u16string name;
  LONG rc = subkeyAt(key, index, &name);
  if (rc != ERROR_SUCCESS) return rc;
  rc = copyName(Form::nameOut(std::move(name)), nameBuffer, nameCapacity);
  if (rc != ERROR_SUCCESS) return rc;
  if (classBuffer && classCapacity && *classCapacity) {  // keys here have no class
    classBuffer[0] = 0;
    *classCapacity = 0;
  }
  if (lastWrite) *lastWrite = FILETIME{0, 0};
  return ERROR_SUCCESS;
}

template <typename Form>
LONG queryInfoCall(HKEY key, typename Form::Char* classBuffer, DWORD* classCapacity,
                   DWORD* subkeys, DWORD* maxSubkeyName, DWORD* maxClassName, DWORD* values,
                   DWORD* maxValueName, DWORD* maxValueData, DWORD* securityDescriptorSize,
                   FILETIME* lastWrite) {
  KeyInfo info;
  LONG rc = queryInfo(key, Form::kUtf8Lengths, &info);
  if (rc != ERROR_SUCCESS) return rc;
  if (classBuffer && classCapacity && *classCapacity) classBuffer[0] = 0;
  if (classCapacity) *classCapacity = 0;
  if (subkeys) *subkeys = info.subkeys;
  if (maxSubkeyName) *maxSubkeyName = info.maxSubkeyName;
  if (maxClassName) *maxClassName = 0;
  if (values) *values = info.values;
  if (maxValueName) *maxValueName = info.maxValueName;
  if (maxValueData) *maxValueData = info.maxValueData;
  if (securityDescriptorSize) *securityDescriptorSize = 0;
  if (lastWrite) *lastWrite = FILETIME{0, 0};
  return ERROR_SUCCESS;
}

}  // namespace registry
}  // namespace zolm_platform

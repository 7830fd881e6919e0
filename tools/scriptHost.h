// The command's script-host side: objects created by ProgID through the
// platform's activation and called by name through IDispatch, exactly as a
// script host does (GetIDsOfNames, then Invoke with the arguments in reverse
// order and out-parameters as by-reference VARIANTs).
#pragma once

#include <string>

#include "platform/objbase.h"
#include "platform/oleauto.h"
#include "platform/wintypes.h"

class ScriptObject {
 public:
  ScriptObject() = default;
  ~ScriptObject();
  ScriptObject(const ScriptObject&) = delete;
  ScriptObject& operator=(const ScriptObject&) = delete;

  // CLSIDFromProgID, then CoCreateInstance for IDispatch.
  HRESULT Create(LPCOLESTR progId);

  // Calls the member `name` with `arguments` in the order a script writes
  // them; `flags` tells a method call from a property read.
  HRESULT Call(LPCOLESTR name, WORD flags, VARIANT* arguments, UINT count, VARIANT* result);

 private:
  IDispatch* dispatch = nullptr;
};

// A VARIANT that clears itself.
class ScopedVariant {
 public:
  ScopedVariant() { VariantInit(&value); }
  ~ScopedVariant() { VariantClear(&value); }
  ScopedVariant(const ScopedVariant&) = delete;
  ScopedVariant& operator=(const ScopedVariant&) = delete;
  VARIANT* get() { return &value; }

 private:
  VARIANT value;
};

// The value of a result or out-parameter as text, for printing: a string
// as it is, anything else converted as the platform converts it to a string.
std::string VariantText(VARIANT* value);

// A short message for a failed call, with its HRESULT in hex.
std::string FailureText(const std::string& what, HRESULT hr);

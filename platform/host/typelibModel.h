// The description of a type library as the Linux type library service holds
// it: the library's identity, its types in order, and for each interface its
// functions with dispatch ids, invoke kinds, slots and parameters. It is
// loaded from the bytes resources/generate_from_idl.py makes of the library's
// interface definitions (typelibLoad.h) and served through ITypeLib and
// ITypeInfo (typeLib.h).
#pragma once

#include "platform/host/oaidl.h"

#include <string>
#include <vector>

namespace typelib {

// The parameter types of automation interfaces that the service can describe
// and call. Every one of them is passed as one pointer-sized value.
enum class ParamType {
  Bstr,            // BSTR, in
  BstrPointer,     // BSTR*, out
  VariantPointer,  // VARIANT*, in or out
  BoolPointer,     // VARIANT_BOOL*, out
};

struct ParamModel {
  std::u16string name;
  ParamType type = ParamType::Bstr;
  USHORT flags = 0;  // PARAMFLAG_*
};

struct FuncModel {
  std::u16string name;
  std::u16string help;
  MEMBERID id = 0;
  INVOKEKIND kind = INVOKE_FUNC;
  int slot = 0;  // position in the operation table, IUnknown's QueryInterface being 0
  std::vector<ParamModel> params;
};

struct ImplModel {
  size_t typeIndex = 0;  // the interface, as an index into LibraryModel::types
  INT flags = 0;         // IMPLTYPEFLAG_*
};

struct TypeModel {
  TYPEKIND kind = TKIND_INTERFACE;
  std::u16string name;
  std::u16string help;
  GUID guid = {};
  WORD flags = 0;                 // TYPEFLAG_*
  std::vector<FuncModel> funcs;   // interfaces: their own functions in slot order
  std::vector<ImplModel> impls;   // coclasses: the interfaces they implement
};

struct LibraryModel {
  std::u16string name;
  std::u16string help;
  GUID guid = {};
  WORD majorVersion = 0;
  WORD minorVersion = 0;
  LCID lcid = 0;
  WORD flags = 0;  // LIBFLAG_*
  std::vector<TypeModel> types;
};

// The slot of an interface's first own function: IDispatch's seven come first.
constexpr int kFirstDualSlot = 7;
// At most this many parameters per function: the call through the slot
// passes them as that many pointer-sized arguments.
constexpr size_t kMaxParams = 8;

}  // namespace typelib

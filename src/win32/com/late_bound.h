// Late binding: calling the members of an Outlook or Office object through IDispatch by their
// published names, the way a script or a VB client does. This needs no type library of the host
// and works with every Outlook version and with the simulated Outlook alike.
//
// Names are resolved with GetIDsOfNames once and remembered: per interface type (the type GUID
// of the object's ITypeInfo, shared by every object of that type in the process) when the
// object describes itself, otherwise per object. Every failing call throws zormint::ZError with
// the HRESULT the host returned (or the code of the exception it raised) and its description.
#pragma once

#include <oaidl.h>
#include <windows.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "win32/com/com_ref.h"
#include "win32/com/failure.h"
#include "win32/com/variant.h"

namespace zormint::win32 {

// The arguments of a call, in the order the member declares them. An omitted optional argument
// is sent as VT_ERROR / DISP_E_PARAMNOTFOUND, as COM clients mark "not given"; omitted
// arguments at the end of the list are left off altogether.
class Arguments {
 public:
  Arguments& Int(int32_t value);
  Arguments& Bool(bool value);
  Arguments& String(const std::string& utf8);
  Arguments& Object(IDispatch* object);  // adds a reference of its own
  Arguments& Missing();
  Arguments& Int(const std::optional<int32_t>& value) { return value ? Int(*value) : Missing(); }
  Arguments& Bool(const std::optional<bool>& value) { return value ? Bool(*value) : Missing(); }
  Arguments& String(const std::optional<std::string>& utf8) {
    return utf8 ? String(*utf8) : Missing();
  }

  size_t Count() const noexcept { return values_.size(); }
  // The arguments as DISPPARAMS wants them: last argument first. The VARIANTs stay owned here.
  std::vector<VARIANT> Reversed() const;

 private:
  std::vector<Variant> values_;
};

// One object reached through IDispatch ----------------------------------------------------

class LateBound {
 public:
  // `kind` names the object in error descriptions ("Explorer"). It must outlive the object (a
  // string literal).
  LateBound(ComRef<IDispatch> object, const char* kind) noexcept
      : object_(std::move(object)), kind_(kind) {}

  IDispatch* Raw() const noexcept { return object_.Get(); }
  const char* Kind() const noexcept { return kind_; }
  std::string What(const wchar_t* member) const;

  // The DISPID of `name`, resolved once.
  DISPID IdOf(const wchar_t* name);

  // Reads a property, or calls a member without arguments that returns a value (Outlook
  // publishes some of these, ActiveExplorer and IsWordMail, as methods): DISPATCH_PROPERTYGET
  // together with DISPATCH_METHOD, as VB clients call them.
  Variant Get(const wchar_t* name);
  // Calls a method (DISPATCH_METHOD, or the flags given) and returns its result.
  Variant Call(const wchar_t* name, const Arguments& args, WORD flags = DISPATCH_METHOD);
  // Sets a property: DISPATCH_PROPERTYPUT with the value as the named argument
  // DISPID_PROPERTYPUT.
  void Put(const wchar_t* name, const Arguments& value);
  // Sets an object-valued property (a button's Picture). Office declares Picture as a plain
  // put of an IPictureDisp, so DISPATCH_PROPERTYPUT goes first; a host that only knows the
  // by-reference form (DISP_E_MEMBERNOTFOUND) gets DISPATCH_PROPERTYPUTREF.
  void PutObject(const wchar_t* name, IDispatch* value);

  // Calls by DISPID (_NewEnum has a fixed one). `what` names the member in errors.
  Variant Invoke(DISPID id, WORD flags, const Arguments& args, const std::string& what);

  // Typed reads.
  int32_t GetInt32(const wchar_t* name) { return ToInt32(Get(name).Get(), What(name)); }
  bool GetBool(const wchar_t* name) { return ToBool(Get(name).Get(), What(name)); }
  std::string GetUtf8(const wchar_t* name) { return ToUtf8(Get(name).Get(), What(name)); }
  // An object, or an empty reference when the host answers "none".
  ComRef<IDispatch> GetObjectOrNone(const wchar_t* name) {
    return ToObject(Get(name).Get(), What(name));
  }
  // An object that must be there: "none" fails like a reference that is not set.
  ComRef<IDispatch> GetObject(const wchar_t* name);

 private:
  Variant InvokeNamed(const wchar_t* name, WORD flags, const Arguments& args, bool put);
  Variant InvokeRaw(DISPID id, WORD flags, const Arguments& args, bool put, const std::string& what,
                    HRESULT* failure);

  ComRef<IDispatch> object_;
  const char* kind_;
  // Whether the object's interface type has been looked at, and what it was.
  bool typeLooked_ = false;
  std::optional<GUID> type_;
  // The names of an object that does not tell its type.
  std::map<std::wstring, DISPID> ownNames_;
};

// The object must be there: "none" fails like a reference that is not set.
ComRef<IDispatch> RequireObject(ComRef<IDispatch> object, const std::string& what);

}  // namespace zormint::win32

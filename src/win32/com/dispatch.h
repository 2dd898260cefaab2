// IDispatch for objects whose interfaces are described by the type library embedded in the
// module this code is linked into (resource TYPELIB 1): ZORMINT.dll's own for the add-in object,
// the simulated Outlook's for its objects. Names and dispatch ids come from the library, and
// Invoke calls the vtable through DispInvoke, so the two ways in cannot drift apart.
//
// A member that fails reports it as Automation does: through the vtable it returns the
// failure's HRESULT and sets IErrorInfo; through Invoke, Invoke returns DISP_E_EXCEPTION with the
// HRESULT in EXCEPINFO.scode, except failures of the call itself (RPC_E_*), which it returns as
// they are.
#pragma once

#include <oaidl.h>
#include <windows.h>

#include <string>

#include "win32/com/com_ref.h"
#include "win32/com/failure.h"
#include "win32/com/object.h"

namespace zormint::win32 {

// Loads the type library embedded in the module (resource TYPELIB 1) anew, without registering
// it.
HRESULT LoadModuleTypeLibrary(ComRef<ITypeLib>& library) noexcept;

// Lets go of the type library and the descriptions kept for the objects (loaded on first use);
// the next use loads them again. Called when nothing of the library is in use any more, before
// Windows unloads it.
void ReleaseTypeInfoCache() noexcept;

// Whether a failure belongs to the call itself (RPC_E_*) rather than to the member called.
bool IsCallFailure(HRESULT hr) noexcept;

// Turns the exception in flight into the HRESULT a member returns; sets IErrorInfo with
// `source` and the failure's description, and hands both to the Invoke running on this thread.
// Call only from a catch block.
HRESULT ReportMemberFailure(const wchar_t* source) noexcept;

// Runs the body of a member of an Automation object; a failure becomes its HRESULT.
template <class F>
HRESULT AutomationMember(const wchar_t* source, F&& body) noexcept {
  try {
    body();
    return S_OK;
  } catch (...) {
    return ReportMemberFailure(source);
  }
}

// The four members of IDispatch for the interface `iid` of `vtableObject`.
HRESULT TypedGetTypeInfo(REFIID iid, UINT index, ITypeInfo** info) noexcept;
HRESULT TypedGetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, DISPID* ids) noexcept;
HRESULT TypedInvoke(void* vtableObject, REFIID iid, DISPID member, WORD flags, DISPPARAMS* params,
                    VARIANT* result, EXCEPINFO* exception, UINT* badArgument) noexcept;

// A VARIANT_BOOL argument (Cancel, CancelDefault): the callee sees its value, and when the
// caller passed it by reference (VT_BOOL | VT_BYREF, or a VT_BOOL in a VARIANT passed by
// reference) whatever the callee leaves in it goes back to the caller. A flag passed by value is
// only read; one that was not sent reads false.
class FlagArgument {
 public:
  explicit FlagArgument(VARIANT* argument) noexcept;
  bool& Value() noexcept { return value_; }
  void WriteBack() const noexcept {
    if (target_) *target_ = value_ ? VARIANT_TRUE : VARIANT_FALSE;
  }
  // Sets the flag and hands it back at once.
  void Set(bool value) noexcept {
    value_ = value;
    WriteBack();
  }

 private:
  VARIANT_BOOL* target_ = nullptr;
  bool value_ = false;
};

// The arguments an Invoke received, read by their place in the member's declaration (0 = the
// first), however the caller sent them: DISPPARAMS holds the named arguments first, each with
// its place in rgdispidNamedArgs, then the positional ones, the last one first. Every reading
// goes through one level of reference; an argument that was not sent, or is not of the kind
// read, reads as none or the empty text.
class InvokeArguments {
 public:
  explicit InvokeArguments(const DISPPARAMS* params) noexcept : params_(params) {}

  // The argument at `position` as the caller sent it; nullptr when it was not sent.
  VARIANT* At(UINT position) const noexcept;
  // An object (the new window, the clicked button, the browser's frame); empty when none.
  ComRef<IDispatch> Object(UINT position) const noexcept;
  std::string Text(UINT position) const;
  FlagArgument Flag(UINT position) const noexcept { return FlagArgument(At(position)); }

 private:
  const DISPPARAMS* params_;
};

// IDispatch's type members for an object (or a part of one, ComPart) that describes no type: an
// event sink, an object called through a member table of its own. Callers reach it by dispatch
// id or by name, never by type.
template <class Base>
class WithoutTypeInfo : public Base {
 public:
  using Base::Base;
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) noexcept override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) noexcept override {
    if (info) *info = nullptr;
    return DISP_E_BADINDEX;
  }
};
template <class Derived, class Interface = IDispatch, class... More>
using UntypedDispatch = WithoutTypeInfo<ComObject<Derived, Interface, More...>>;

// A COM object whose primary interface `Dual` is a dual interface of the module's type library
// (with the IID *DualIid), answering IDispatch through that library.
template <class Derived, class Dual, const IID* DualIid, class... More>
class DualObject : public ComObject<Derived, Dual, More...> {
 public:
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) noexcept override {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) noexcept override {
    return TypedGetTypeInfo(*DualIid, index, info);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) noexcept override {
    if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    return TypedGetIDsOfNames(*DualIid, names, count, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception,
                                   UINT* badArgument) noexcept override {
    if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    // The object stays alive for the length of the call, whatever the member does.
    ComRef<Dual> self = ComRef<Dual>::Share(static_cast<Dual*>(this));
    return TypedInvoke(static_cast<Dual*>(this), *DualIid, member, flags, params, result, exception,
                       badArgument);
  }
};

}  // namespace zormint::win32

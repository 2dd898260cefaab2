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

#include "win32/com/com_ref.h"
#include "win32/com/failure.h"
#include "win32/com/object.h"

namespace zormint::win32 {

// The module's type library (loaded on first use, kept until ReleaseTypeInfoCache). The caller
// owns the reference.
HRESULT ModuleTypeLibrary(ITypeLib** library) noexcept;

// The two descriptions of the interface `iid` in the module's type library: the one clients
// see (for a dual interface, its dispatch half) and the one DispInvoke calls through (its
// vtable half). Either out parameter may be null.
HRESULT InterfaceTypeInfo(REFIID iid, ITypeInfo** dispatchInfo, ITypeInfo** vtableInfo) noexcept;

// Lets go of the type library and the descriptions kept for the objects; the next use loads them
// again. Called when nothing of the library is in use any more, before Windows unloads it.
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

// IDispatch of an object that describes no type (an event sink, an object called through a
// member table of its own): callers reach it by dispatch id or by name, never by type.
template <class Derived, class Interface = IDispatch, class... More>
class UntypedDispatch : public ComObject<Derived, Interface, More...> {
 public:
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

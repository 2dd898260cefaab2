#include "win32/com/dispatch.h"

#include <oleauto.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "win32/com/module.h"
#include "win32/com/text.h"
#include "win32/com/variant.h"

namespace zormint::win32 {

namespace {

// Where a failing member leaves its failure while an Invoke is running, so that Invoke can hand
// it on in the form Automation uses.
struct PendingFailure {
  bool set = false;
  HRESULT hr = S_OK;
  std::wstring description;
  const wchar_t* source = L"";
};

// The failure slot of the Invoke running on this thread (none outside an Invoke).
thread_local PendingFailure* tPending = nullptr;

void SetErrorInfoFor(const wchar_t* source, const std::wstring& description) noexcept {
  ComRef<ICreateErrorInfo> create;
  if (FAILED(CreateErrorInfo(create.Out())) || !create) return;
  create->SetSource(const_cast<LPOLESTR>(source));
  create->SetDescription(const_cast<LPOLESTR>(description.c_str()));
  ComRef<IErrorInfo> info;
  if (SUCCEEDED(create.QueryTo(info))) SetErrorInfo(0, info.Get());
}

// The type library and the interfaces' descriptions, loaded on first use and kept until the
// library may unload (ReleaseTypeInfoCache). Objects of any thread may ask: one lock guards both.
struct TypeInfoPair {
  GUID iid;
  ComRef<ITypeInfo> dispatch;
  ComRef<ITypeInfo> vtable;
};
std::mutex gTypeInfoLock;
ComRef<ITypeLib> gLibrary;
std::vector<TypeInfoPair> gInfos;

}  // namespace

HRESULT LoadModuleTypeLibrary(ComRef<ITypeLib>& library) noexcept {
  std::wstring path;
  try {
    path = ThisModulePath();
  } catch (...) {
    return E_OUTOFMEMORY;
  }
  if (path.empty()) return E_FAIL;
  return LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.Out());
}

namespace {

// The two descriptions of the interface `iid` in the module's type library: the one clients
// see (for a dual interface, its dispatch half) and the one DispInvoke calls through (its
// vtable half).
HRESULT InterfaceTypeInfo(REFIID iid, TypeInfoPair& info) noexcept {
  try {
    std::lock_guard<std::mutex> lock(gTypeInfoLock);
    auto found = gInfos.begin();
    while (found != gInfos.end() && !IsEqualGUID(found->iid, iid))
      ++found;
    if (found == gInfos.end()) {
      HRESULT hr = gLibrary ? S_OK : LoadModuleTypeLibrary(gLibrary);
      if (FAILED(hr)) return hr;
      ComRef<ITypeInfo> dispatch;
      hr = gLibrary->GetTypeInfoOfGuid(iid, dispatch.Out());
      if (FAILED(hr)) return hr;
      // A dual interface is described twice; DispInvoke must call through the vtable half.
      ComRef<ITypeInfo> vtable = dispatch;
      TYPEATTR* attr = nullptr;
      hr = dispatch->GetTypeAttr(&attr);
      if (FAILED(hr)) return hr;
      const bool dual = attr->typekind == TKIND_DISPATCH && (attr->wTypeFlags & TYPEFLAG_FDUAL);
      dispatch->ReleaseTypeAttr(attr);
      if (dual) {
        HREFTYPE ref = 0;
        hr = dispatch->GetRefTypeOfImplType(-1, &ref);
        if (SUCCEEDED(hr)) hr = dispatch->GetRefTypeInfo(ref, vtable.Out());
        if (FAILED(hr)) return hr;
      }
      gInfos.push_back({iid, std::move(dispatch), std::move(vtable)});
      found = gInfos.end() - 1;
    }
    info = *found;
    return S_OK;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace

void ReleaseTypeInfoCache() noexcept {
  std::vector<TypeInfoPair> infos;
  ComRef<ITypeLib> library;
  {
    std::lock_guard<std::mutex> lock(gTypeInfoLock);
    infos.swap(gInfos);
    library = std::move(gLibrary);
  }
  // Released outside the lock: a release runs oleaut32's code, never ours.
}

bool IsCallFailure(HRESULT hr) noexcept {
  return FAILED(hr) && HRESULT_FACILITY(hr) == FACILITY_RPC;
}

HRESULT ReportMemberFailure(const wchar_t* source) noexcept {
  const HresultFailure failure = DescribeCaught();
  std::wstring description;
  try {
    description = Widen(failure.description);
  } catch (...) {
  }
  SetErrorInfoFor(source, description);
  if (tPending && !tPending->set) {
    tPending->set = true;
    tPending->hr = failure.hr;
    tPending->source = source;
    tPending->description.swap(description);
  }
  return failure.hr;
}

HRESULT TypedGetTypeInfo(REFIID iid, UINT index, ITypeInfo** info) noexcept {
  if (!info) return E_POINTER;
  *info = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  TypeInfoPair pair;
  const HRESULT hr = InterfaceTypeInfo(iid, pair);
  if (SUCCEEDED(hr)) *info = pair.dispatch.Detach();
  return hr;
}

HRESULT TypedGetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, DISPID* ids) noexcept {
  TypeInfoPair info;
  const HRESULT hr = InterfaceTypeInfo(iid, info);
  if (FAILED(hr)) return hr;
  return DispGetIDsOfNames(info.dispatch.Get(), names, count, ids);
}

HRESULT TypedInvoke(void* vtableObject, REFIID iid, DISPID member, WORD flags, DISPPARAMS* params,
                    VARIANT* result, EXCEPINFO* exception, UINT* badArgument) noexcept {
  TypeInfoPair pair;
  HRESULT hr = InterfaceTypeInfo(iid, pair);
  if (FAILED(hr)) return hr;
  ITypeInfo* const info = pair.vtable.Get();
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  if (!params) params = &none;

  PendingFailure failure;
  PendingFailure* outer = std::exchange(tPending, &failure);
  ExceptionInfo scratch;
  hr = DispInvoke(vtableObject, info, member, flags, params, result, scratch.Ptr(), badArgument);
  // Automation callers combine DISPATCH_METHOD and DISPATCH_PROPERTYGET freely for members that
  // take no value (VB's "x.Count" and "x.Item(1)"); one of the two alone reaches either kind.
  if (hr == DISP_E_MEMBERNOTFOUND && !failure.set &&
      (flags == DISPATCH_METHOD || flags == DISPATCH_PROPERTYGET)) {
    hr = DispInvoke(vtableObject, info, member, DISPATCH_METHOD | DISPATCH_PROPERTYGET, params,
                    result, scratch.Ptr(), badArgument);
  }
  tPending = outer;
  if (!failure.set) {
    // The dispatch layer's own answer (unknown member, bad argument count or type ...).
    if (hr == DISP_E_EXCEPTION && exception) scratch.MoveTo(*exception);
    return hr;
  }
  scratch.Clear();
  if (IsCallFailure(failure.hr)) return failure.hr;
  if (exception) {
    *exception = EXCEPINFO{};
    exception->bstrSource = SysAllocString(failure.source);
    exception->bstrDescription = SysAllocString(failure.description.c_str());
    exception->scode = failure.hr;
  }
  return DISP_E_EXCEPTION;
}

// ---- The arguments of an Invoke -----------------------------------------------------------------

namespace {

// The value a VARIANT passed by reference stands for; the argument itself otherwise.
const VARIANT* Direct(const VARIANT* argument) noexcept {
  if (argument && V_VT(argument) == (VT_VARIANT | VT_BYREF)) return V_VARIANTREF(argument);
  return argument;
}

}  // namespace

FlagArgument::FlagArgument(VARIANT* argument) noexcept {
  if (!argument) return;
  // A VARIANT passed by reference is the caller's own: a flag in it is written back too.
  const bool referenced = V_VT(argument) == (VT_VARIANT | VT_BYREF);
  if (referenced) argument = V_VARIANTREF(argument);
  if (!argument) return;
  if (V_VT(argument) == (VT_BOOL | VT_BYREF)) {
    target_ = V_BOOLREF(argument);
  } else if (V_VT(argument) == VT_BOOL) {
    if (referenced) target_ = &V_BOOL(argument);
    value_ = V_BOOL(argument) != VARIANT_FALSE;
  }
  if (target_) value_ = *target_ != VARIANT_FALSE;
}

VARIANT* InvokeArguments::At(UINT position) const noexcept {
  if (!params_ || !params_->rgvarg) return nullptr;
  const UINT named = std::min(params_->cNamedArgs, params_->cArgs);
  for (UINT i = 0; params_->rgdispidNamedArgs && i < named; ++i) {
    if (params_->rgdispidNamedArgs[i] == static_cast<DISPID>(position)) return &params_->rgvarg[i];
  }
  if (position >= params_->cArgs - named) return nullptr;
  return &params_->rgvarg[params_->cArgs - 1 - position];
}

ComRef<IDispatch> InvokeArguments::Object(UINT position) const noexcept {
  const VARIANT* argument = At(position);
  if (!argument) return nullptr;
  try {
    return ToObject(*argument, "argument");
  } catch (...) {
    return nullptr;
  }
}

std::string InvokeArguments::Text(UINT position) const {
  const VARIANT* argument = Direct(At(position));
  if (!argument) return std::string();
  if (V_VT(argument) == VT_BSTR) return FromBstr(V_BSTR(argument));
  if (V_VT(argument) == (VT_BSTR | VT_BYREF) && V_BSTRREF(argument))
    return FromBstr(*V_BSTRREF(argument));
  return std::string();
}

}  // namespace zormint::win32

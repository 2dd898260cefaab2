#include "win32/com/dispatch.h"

#include <oleauto.h>

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "win32/com/module.h"
#include "win32/com/text.h"

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
  if (SUCCEEDED(create.QueryTo(IID_IErrorInfo, info))) SetErrorInfo(0, info.Get());
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

// Loads the library's type library once; the caller holds gTypeInfoLock.
HRESULT LoadedTypeLibrary() noexcept {
  if (gLibrary) return S_OK;
  std::wstring path;
  try {
    path = ThisModulePath();
  } catch (...) {
    return E_OUTOFMEMORY;
  }
  if (path.empty()) return E_FAIL;
  return LoadTypeLibEx(path.c_str(), REGKIND_NONE, gLibrary.Out());
}

}  // namespace

HRESULT ModuleTypeLibrary(ITypeLib** library) noexcept {
  if (!library) return E_POINTER;
  *library = nullptr;
  std::lock_guard<std::mutex> lock(gTypeInfoLock);
  const HRESULT hr = LoadedTypeLibrary();
  if (FAILED(hr)) return hr;
  *library = ComRef<ITypeLib>(gLibrary).Detach();
  return S_OK;
}

HRESULT InterfaceTypeInfo(REFIID iid, ITypeInfo** dispatchInfo, ITypeInfo** vtableInfo) noexcept {
  try {
    std::lock_guard<std::mutex> lock(gTypeInfoLock);
    auto found = gInfos.begin();
    while (found != gInfos.end() && !IsEqualGUID(found->iid, iid))
      ++found;
    if (found == gInfos.end()) {
      HRESULT hr = LoadedTypeLibrary();
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
    if (dispatchInfo) *dispatchInfo = ComRef<ITypeInfo>(found->dispatch).Detach();
    if (vtableInfo) *vtableInfo = ComRef<ITypeInfo>(found->vtable).Detach();
    return S_OK;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

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
  return InterfaceTypeInfo(iid, info, nullptr);
}

HRESULT TypedGetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, DISPID* ids) noexcept {
  ComRef<ITypeInfo> info;
  const HRESULT hr = InterfaceTypeInfo(iid, info.Out(), nullptr);
  if (FAILED(hr)) return hr;
  return DispGetIDsOfNames(info.Get(), names, count, ids);
}

HRESULT TypedInvoke(void* vtableObject, REFIID iid, DISPID member, WORD flags, DISPPARAMS* params,
                    VARIANT* result, EXCEPINFO* exception, UINT* badArgument) noexcept {
  ComRef<ITypeInfo> info;
  HRESULT hr = InterfaceTypeInfo(iid, nullptr, info.Out());
  if (FAILED(hr)) return hr;
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  if (!params) params = &none;

  PendingFailure failure;
  PendingFailure* outer = std::exchange(tPending, &failure);
  ExceptionInfo scratch;
  hr = DispInvoke(vtableObject, info.Get(), member, flags, params, result, scratch.Ptr(),
                  badArgument);
  // Automation callers combine DISPATCH_METHOD and DISPATCH_PROPERTYGET freely for members that
  // take no value (VB's "x.Count" and "x.Item(1)"); one of the two alone reaches either kind.
  if (hr == DISP_E_MEMBERNOTFOUND && !failure.set &&
      (flags == DISPATCH_METHOD || flags == DISPATCH_PROPERTYGET)) {
    hr = DispInvoke(vtableObject, info.Get(), member, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                    params, result, scratch.Ptr(), badArgument);
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

}  // namespace zormint::win32

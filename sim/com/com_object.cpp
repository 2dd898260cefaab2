// Defines the GUIDs of outlook_sim_idl.h (once, here).
#include <initguid.h>

#include "sim/com/com_object.h"

#include <new>
#include <vector>

#include "win32/com/text.h"

namespace zormint::sim::com {

namespace {

// The failure slot of the Invoke running on this thread (none outside an Invoke).
thread_local PendingFailure* tPending = nullptr;

using win32::Widen;

void SetErrorInfoFor(const wchar_t* source, const std::wstring& description) noexcept {
  ICreateErrorInfo* create = nullptr;
  if (FAILED(CreateErrorInfo(&create))) return;
  create->SetSource(const_cast<LPOLESTR>(source));
  create->SetDescription(const_cast<LPOLESTR>(description.c_str()));
  IErrorInfo* info = nullptr;
  if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)))) {
    SetErrorInfo(0, info);
    info->Release();
  }
  create->Release();
}

struct TypeInfoPair {
  ITypeInfo* dispatch = nullptr;
  ITypeInfo* vtable = nullptr;
};

// The type library and the interfaces' type information stay loaded for the whole process:
// the objects that use them may outlive any owner one could give them.
ITypeLib* gLibrary = nullptr;
std::vector<std::pair<GUID, TypeInfoPair>> gInfos;

HMODULE ThisModule() noexcept {
  HMODULE module = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&ThisModule), &module);
  return module;
}

}  // namespace

HRESULT HresultOf(int32_t code) noexcept {
  if (code < 0) return static_cast<HRESULT>(code);
  switch (code) {
    case 0:
      return E_FAIL;  // a failure without a code is still a failure
    case err::kInvalidCall:
      return E_INVALIDARG;
    case err::kOverflow:
      return DISP_E_OVERFLOW;
    case err::kSubscriptOutOfRange:
      return DISP_E_BADINDEX;
    case err::kTypeMismatch:
      return DISP_E_TYPEMISMATCH;
    case err::kFileNotFound:
      return STG_E_FILENOTFOUND;
    case err::kPermissionDenied:
      return E_ACCESSDENIED;
    case err::kPathFileAccess:
      return STG_E_ACCESSDENIED;
    case err::kPathNotFound:
      return STG_E_PATHNOTFOUND;
    default:
      return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, code & 0xFFFF);
  }
}

bool IsCallFailure(HRESULT hr) noexcept {
  return FAILED(hr) && HRESULT_FACILITY(hr) == FACILITY_RPC;
}

HRESULT ReportCaughtFailure(const wchar_t* source) noexcept {
  HRESULT hr = E_FAIL;
  std::wstring description;
  try {
    try {
      throw;
    } catch (const ZError& e) {
      hr = HresultOf(e.Code());
      description = Widen(e.Description());
    } catch (const std::bad_alloc&) {
      hr = E_OUTOFMEMORY;
      description = L"Out of memory";
    } catch (const std::exception& e) {
      description = Widen(e.what());
    } catch (...) {
      description = L"Unknown failure";
    }
  } catch (...) {
    hr = E_OUTOFMEMORY;
  }
  SetErrorInfoFor(source, description);
  if (tPending && !tPending->set) {
    tPending->set = true;
    tPending->hr = hr;
    tPending->source = source;
    try {
      tPending->description = description;
    } catch (...) {
    }
  }
  return hr;
}

// ---- Arguments ----------------------------------------------------------------------------------

bool Omitted(const VARIANT& value) noexcept {
  return V_VT(&value) == VT_EMPTY ||
         (V_VT(&value) == VT_ERROR && V_ERROR(&value) == DISP_E_PARAMNOTFOUND);
}

namespace {

// The value of an argument as `type`, by-reference arguments followed.
VARIANT Converted(const VARIANT& value, VARTYPE type) {
  VARIANT direct;
  VariantInit(&direct);
  HRESULT hr = VariantCopyInd(&direct, const_cast<VARIANT*>(&value));
  VARIANT converted;
  VariantInit(&converted);
  if (SUCCEEDED(hr)) hr = VariantChangeType(&converted, &direct, 0, type);
  VariantClear(&direct);
  if (FAILED(hr)) Fail(static_cast<int32_t>(DISP_E_TYPEMISMATCH), "Type mismatch");
  return converted;
}

}  // namespace

int32_t LongArgument(const VARIANT& value) {
  VARIANT converted = Converted(value, VT_I4);
  return V_I4(&converted);
}

std::optional<int32_t> OptionalLong(const VARIANT& value) {
  if (Omitted(value)) return std::nullopt;
  return LongArgument(value);
}

std::optional<bool> OptionalBool(const VARIANT& value) {
  if (Omitted(value)) return std::nullopt;
  VARIANT converted = Converted(value, VT_BOOL);
  return V_BOOL(&converted) != VARIANT_FALSE;
}

std::optional<std::string> OptionalText(const VARIANT& value) {
  if (Omitted(value)) return std::nullopt;
  VARIANT converted = Converted(value, VT_BSTR);
  std::string text = Text(V_BSTR(&converted));
  VariantClear(&converted);
  return text;
}

std::string Text(BSTR text) {
  return win32::FromBstr(text);
}

BSTR NewBstr(const std::string& utf8) {
  BSTR text = win32::ToBstr(utf8);
  if (!text) throw std::bad_alloc();
  return text;
}

// ---- Type information ---------------------------------------------------------------------------

HRESULT LoadSimTypeLibrary(ITypeLib** library) noexcept {
  if (!library) return E_POINTER;
  *library = nullptr;
  if (!gLibrary) {
    std::vector<wchar_t> path(32768);
    const DWORD length =
        GetModuleFileNameW(ThisModule(), path.data(), static_cast<DWORD>(path.size()));
    if (length == 0 || length >= path.size()) return E_FAIL;
    HRESULT hr = LoadTypeLibEx(path.data(), REGKIND_NONE, &gLibrary);
    if (FAILED(hr)) return hr;
  }
  gLibrary->AddRef();
  *library = gLibrary;
  return S_OK;
}

HRESULT InterfaceTypeInfo(REFIID iid, ITypeInfo** dispatchInfo, ITypeInfo** vtableInfo) noexcept {
  try {
    auto found = gInfos.begin();
    while (found != gInfos.end() && !IsEqualGUID(found->first, iid))
      ++found;
    if (found == gInfos.end()) {
      Ref<ITypeLib> library;
      HRESULT hr = LoadSimTypeLibrary(library.Out());
      if (FAILED(hr)) return hr;
      Ref<ITypeInfo> dispatch;
      hr = library->GetTypeInfoOfGuid(iid, dispatch.Out());
      if (FAILED(hr)) return hr;
      // A dual interface is described twice; DispInvoke must call through the vtable half.
      Ref<ITypeInfo> vtable = dispatch;
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
      gInfos.emplace_back(iid, TypeInfoPair{dispatch.Detach(), vtable.Detach()});
      found = gInfos.end() - 1;
    }
    if (dispatchInfo) {
      found->second.dispatch->AddRef();
      *dispatchInfo = found->second.dispatch;
    }
    if (vtableInfo) {
      found->second.vtable->AddRef();
      *vtableInfo = found->second.vtable;
    }
    return S_OK;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

HRESULT DispatchGetTypeInfo(REFIID iid, UINT index, ITypeInfo** info) noexcept {
  if (!info) return E_POINTER;
  *info = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  return InterfaceTypeInfo(iid, info, nullptr);
}

HRESULT DispatchGetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, DISPID* ids) noexcept {
  Ref<ITypeInfo> info;
  HRESULT hr = InterfaceTypeInfo(iid, info.Out(), nullptr);
  if (FAILED(hr)) return hr;
  return DispGetIDsOfNames(info.Get(), names, count, ids);
}

HRESULT DispatchInvoke(void* vtableObject, REFIID iid, DISPID member, WORD flags,
                       DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                       UINT* badArgument) noexcept {
  Ref<ITypeInfo> info;
  HRESULT hr = InterfaceTypeInfo(iid, nullptr, info.Out());
  if (FAILED(hr)) return hr;
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  if (!params) params = &none;

  PendingFailure failure;
  PendingFailure* outer = std::exchange(tPending, &failure);
  EXCEPINFO scratch = {};
  hr = DispInvoke(vtableObject, info.Get(), member, flags, params, result, &scratch, badArgument);
  // Automation callers combine DISPATCH_METHOD and DISPATCH_PROPERTYGET freely for members that
  // take no value (VB's "x.Count" and "x.Item(1)"); one of the two alone reaches either kind.
  if (hr == DISP_E_MEMBERNOTFOUND && !failure.set &&
      (flags == DISPATCH_METHOD || flags == DISPATCH_PROPERTYGET)) {
    hr = DispInvoke(vtableObject, info.Get(), member, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                    params, result, &scratch, badArgument);
  }
  tPending = outer;
  if (!failure.set) {
    // The dispatch layer's own answer (unknown member, bad argument count or type ...).
    if (hr == DISP_E_EXCEPTION && exception) {
      *exception = scratch;
      return hr;
    }
  }
  SysFreeString(scratch.bstrSource);
  SysFreeString(scratch.bstrDescription);
  SysFreeString(scratch.bstrHelpFile);
  if (!failure.set) return hr;
  if (IsCallFailure(failure.hr)) return failure.hr;
  if (exception) {
    *exception = EXCEPINFO{};
    exception->bstrSource = SysAllocString(failure.source);
    exception->bstrDescription = SysAllocString(failure.description.c_str());
    exception->scode = failure.hr;
  }
  return DISP_E_EXCEPTION;
}

}  // namespace zormint::sim::com

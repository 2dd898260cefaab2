#include "win32/dispatch_object.h"

#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>

#include "common/error.h"
#include "win32/text.h"

namespace zormint::win32 {

namespace {

// Names are asked for in English whatever the user's language: Outlook's names are not
// localised, but some Office hosts read names in the caller's locale.
constexpr LCID kLocale = MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT);

struct GuidLess {
  bool operator()(const GUID& a, const GUID& b) const noexcept {
    return std::memcmp(&a, &b, sizeof(GUID)) < 0;
  }
};

// The names resolved per interface type, shared by every object of the process.
class TypeNameCache {
 public:
  std::optional<DISPID> Find(const GUID& type, const std::wstring& name) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto names = types_.find(type);
    if (names == types_.end()) return std::nullopt;
    auto found = names->second.find(name);
    if (found == names->second.end()) return std::nullopt;
    return found->second;
  }
  void Store(const GUID& type, const std::wstring& name, DISPID id) {
    std::lock_guard<std::mutex> lock(mutex_);
    types_[type][name] = id;
  }

 private:
  std::mutex mutex_;
  std::map<GUID, std::map<std::wstring, DISPID>, GuidLess> types_;
};

TypeNameCache& TypeNames() {
  static TypeNameCache cache;
  return cache;
}

// The GUID of the interface type `object` describes itself with, if it does.
std::optional<GUID> TypeOf(IDispatch* object) noexcept {
  UINT count = 0;
  if (FAILED(object->GetTypeInfoCount(&count)) || count == 0) return std::nullopt;
  ComRef<ITypeInfo> info;
  if (FAILED(object->GetTypeInfo(0, kLocale, info.Out())) || !info) return std::nullopt;
  TYPEATTR* attributes = nullptr;
  if (FAILED(info->GetTypeAttr(&attributes)) || !attributes) return std::nullopt;
  const GUID type = attributes->guid;
  info->ReleaseTypeAttr(attributes);
  if (IsEqualGUID(type, GUID_NULL)) return std::nullopt;
  return type;
}

// The strings an EXCEPINFO carries, freed when the call is done with, whatever the outcome.
class ExceptionInfo {
 public:
  ExceptionInfo() noexcept { std::memset(&info_, 0, sizeof info_); }
  ExceptionInfo(const ExceptionInfo&) = delete;
  ExceptionInfo& operator=(const ExceptionInfo&) = delete;
  ~ExceptionInfo() {
    SysFreeString(info_.bstrSource);
    SysFreeString(info_.bstrDescription);
    SysFreeString(info_.bstrHelpFile);
  }
  EXCEPINFO* Ptr() noexcept { return &info_; }

 private:
  EXCEPINFO info_;
};

std::string Hex(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
  return text;
}

// The system's text for `hr`, without the line end; empty when there is none.
std::string SystemMessage(HRESULT hr) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  if (length == 0 || !buffer) return std::string();
  std::wstring text(buffer, length);
  LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
    text.pop_back();
  }
  return Narrow(text);
}

// A copy of `value` without VT_BYREF, converted to `type`; throws a type mismatch when it does
// not convert.
Variant Converted(const VARIANT& value, VARTYPE type, const std::string& what) {
  Variant out;
  HRESULT hr = VariantChangeType(out.Out(), const_cast<VARIANT*>(&value), 0, type);
  if (FAILED(hr)) ThrowCallFailure(hr, what);
  return out;
}

}  // namespace

// ---- Arguments ------------------------------------------------------------------------------

Arguments& Arguments::Int(int32_t value) {
  Variant v;
  V_VT(v.Ptr()) = VT_I4;
  V_I4(v.Ptr()) = value;
  values_.push_back(std::move(v));
  return *this;
}

Arguments& Arguments::Bool(bool value) {
  Variant v;
  V_VT(v.Ptr()) = VT_BOOL;
  V_BOOL(v.Ptr()) = value ? VARIANT_TRUE : VARIANT_FALSE;
  values_.push_back(std::move(v));
  return *this;
}

Arguments& Arguments::String(const std::string& utf8) {
  Variant v;
  BSTR text = ToBstr(utf8);
  if (!text) throw std::bad_alloc();
  V_VT(v.Ptr()) = VT_BSTR;
  V_BSTR(v.Ptr()) = text;
  values_.push_back(std::move(v));
  return *this;
}

Arguments& Arguments::Object(IDispatch* object) {
  Variant v;
  V_VT(v.Ptr()) = VT_DISPATCH;
  V_DISPATCH(v.Ptr()) = ComRef<IDispatch>::Share(object).Detach();
  values_.push_back(std::move(v));
  return *this;
}

Arguments& Arguments::Missing() {
  Variant v;
  V_VT(v.Ptr()) = VT_ERROR;
  V_ERROR(v.Ptr()) = DISP_E_PARAMNOTFOUND;
  values_.push_back(std::move(v));
  return *this;
}

std::vector<VARIANT> Arguments::Reversed() const {
  // Trailing omitted arguments are not sent at all.
  size_t count = values_.size();
  while (count > 0 && values_[count - 1].Type() == VT_ERROR &&
         V_ERROR(&values_[count - 1].Get()) == DISP_E_PARAMNOTFOUND) {
    --count;
  }
  std::vector<VARIANT> reversed;
  reversed.reserve(count);
  for (size_t i = count; i > 0; --i)
    reversed.push_back(values_[i - 1].Get());
  return reversed;
}

// ---- Failures -------------------------------------------------------------------------------

void ThrowCallFailure(HRESULT hr, const std::string& what, EXCEPINFO* exception) {
  int32_t code = static_cast<int32_t>(hr);
  std::string description;
  if (exception && hr == DISP_E_EXCEPTION) {
    if (exception->pfnDeferredFillIn) {
      exception->pfnDeferredFillIn(exception);
      exception->pfnDeferredFillIn = nullptr;
    }
    if (FAILED(exception->scode)) {
      code = static_cast<int32_t>(exception->scode);
    } else if (exception->wCode != 0) {
      code = exception->wCode;
    }
    description = FromBstr(exception->bstrDescription);
  }
  if (description.empty()) {
    description = what + " failed with " + Hex(static_cast<HRESULT>(code));
    const std::string system = SystemMessage(static_cast<HRESULT>(code));
    if (!system.empty()) description += ": " + system;
  }
  throw ZError(code, description);
}

// ---- Conversions ----------------------------------------------------------------------------

int32_t ToInt32(const VARIANT& value, const std::string& what) {
  return V_I4(&Converted(value, VT_I4, what).Get());
}

bool ToBool(const VARIANT& value, const std::string& what) {
  return V_BOOL(&Converted(value, VT_BOOL, what).Get()) != VARIANT_FALSE;
}

std::string ToUtf8(const VARIANT& value, const std::string& what) {
  return FromBstr(V_BSTR(&Converted(value, VT_BSTR, what).Get()));
}

ComRef<IDispatch> ToObject(const VARIANT& value, const std::string& what) {
  switch (V_VT(&value)) {
    case VT_EMPTY:
      return nullptr;
    case VT_DISPATCH:
      return ComRef<IDispatch>::Share(V_DISPATCH(&value));
    case VT_DISPATCH | VT_BYREF:
      return V_DISPATCHREF(&value) ? ComRef<IDispatch>::Share(*V_DISPATCHREF(&value)) : nullptr;
    case VT_VARIANT | VT_BYREF:
      if (V_VARIANTREF(&value)) return ToObject(*V_VARIANTREF(&value), what);
      break;
    case VT_UNKNOWN:
    case VT_UNKNOWN | VT_BYREF: {
      IUnknown* unknown = V_VT(&value) == VT_UNKNOWN
                              ? V_UNKNOWN(&value)
                              : (V_UNKNOWNREF(&value) ? *V_UNKNOWNREF(&value) : nullptr);
      if (!unknown) return nullptr;
      ComRef<IDispatch> object;
      HRESULT hr = ComRef<IUnknown>::Share(unknown).QueryTo(IID_IDispatch, object);
      if (FAILED(hr)) break;
      return object;
    }
    default:
      break;
  }
  ThrowCallFailure(DISP_E_TYPEMISMATCH, what);
}

ComRef<IDispatch> RequireObject(ComRef<IDispatch> object, const std::string& what) {
  if (!object) Fail(err::kObjectNotSet, "Object variable not set: " + what);
  return object;
}

// ---- DispatchObject -------------------------------------------------------------------------

std::string DispatchObject::What(const wchar_t* member) const {
  return std::string(kind_) + "." + Narrow(member);
}

DISPID DispatchObject::IdOf(const wchar_t* name) {
  if (!object_) Fail(err::kObjectNotSet, "Object variable not set: " + What(name));
  if (!typeLooked_) {
    type_ = TypeOf(object_.Get());
    typeLooked_ = true;
  }
  const std::wstring key(name);
  if (type_) {
    if (std::optional<DISPID> id = TypeNames().Find(*type_, key)) return *id;
  } else if (auto found = ownNames_.find(key); found != ownNames_.end()) {
    return found->second;
  }
  // The cache is not locked during the call: the host may run other code of ours meanwhile.
  DISPID id = DISPID_UNKNOWN;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  HRESULT hr = object_->GetIDsOfNames(IID_NULL, names, 1, kLocale, &id);
  if (FAILED(hr)) ThrowCallFailure(hr, What(name));
  if (type_) {
    TypeNames().Store(*type_, key, id);
  } else {
    ownNames_[key] = id;
  }
  return id;
}

ComRef<IDispatch> DispatchObject::GetObject(const wchar_t* name) {
  return RequireObject(GetObjectOrNone(name), What(name));
}

Variant DispatchObject::Get(const wchar_t* name) {
  return InvokeNamed(name, DISPATCH_PROPERTYGET | DISPATCH_METHOD, Arguments(), false);
}

Variant DispatchObject::Call(const wchar_t* name, const Arguments& args, WORD flags) {
  return InvokeNamed(name, flags, args, false);
}

void DispatchObject::Put(const wchar_t* name, const Arguments& value) {
  InvokeNamed(name, DISPATCH_PROPERTYPUT, value, true);
}

void DispatchObject::PutObject(const wchar_t* name, IDispatch* value) {
  Arguments args;
  args.Object(value);
  const DISPID id = IdOf(name);
  HRESULT failure = S_OK;
  InvokeRaw(id, DISPATCH_PROPERTYPUT, args, true, What(name), &failure);
  if (failure == DISP_E_MEMBERNOTFOUND) {
    InvokeRaw(id, DISPATCH_PROPERTYPUTREF, args, true, What(name), nullptr);
  }
}

Variant DispatchObject::Invoke(DISPID id, WORD flags, const Arguments& args,
                               const std::string& what) {
  if (!object_) Fail(err::kObjectNotSet, "Object variable not set: " + what);
  return InvokeRaw(id, flags, args, false, what, nullptr);
}

Variant DispatchObject::InvokeNamed(const wchar_t* name, WORD flags, const Arguments& args,
                                    bool put) {
  const DISPID id = IdOf(name);
  return InvokeRaw(id, flags, args, put, What(name), nullptr);
}

// Calls the member. A failure throws, except that with `failure` given a DISP_E_MEMBERNOTFOUND
// is only reported there, for the caller to try another way.
Variant DispatchObject::InvokeRaw(DISPID id, WORD flags, const Arguments& args, bool put,
                                  const std::string& what, HRESULT* failure) {
  std::vector<VARIANT> reversed = args.Reversed();
  DISPID putId = DISPID_PROPERTYPUT;
  DISPPARAMS params = {};
  params.rgvarg = reversed.empty() ? nullptr : reversed.data();
  params.cArgs = static_cast<UINT>(reversed.size());
  if (put) {
    params.rgdispidNamedArgs = &putId;
    params.cNamedArgs = 1;
  }
  Variant result;
  ExceptionInfo exception;
  UINT badArgument = 0;
  // A put has no result, as a VB client sends it.
  const HRESULT hr = object_->Invoke(id, IID_NULL, kLocale, flags, &params,
                                     put ? nullptr : result.Out(), exception.Ptr(), &badArgument);
  if (SUCCEEDED(hr)) return result;
  if (failure && hr == DISP_E_MEMBERNOTFOUND) {
    *failure = hr;
    return Variant();
  }
  ThrowCallFailure(hr, what, exception.Ptr());
}

}  // namespace zormint::win32

#include "win32/com/late_bound.h"

#include <cstring>
#include <mutex>

#include "common/error.h"
#include "win32/com/text.h"

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

}  // namespace

// ---- Arguments ------------------------------------------------------------------------------

Arguments& Arguments::Int(int32_t value) {
  values_.push_back(Variant::Int(value));
  return *this;
}

Arguments& Arguments::Bool(bool value) {
  values_.push_back(Variant::Bool(value));
  return *this;
}

Arguments& Arguments::String(const std::string& utf8) {
  values_.push_back(Variant::Text(utf8));
  return *this;
}

Arguments& Arguments::Object(IDispatch* object) {
  values_.push_back(Variant::Object(object));
  return *this;
}

Arguments& Arguments::Missing() {
  values_.push_back(Variant::Missing());
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

ComRef<IDispatch> RequireObject(ComRef<IDispatch> object, const std::string& what) {
  if (!object) Fail(err::kObjectNotSet, "Object variable not set: " + what);
  return object;
}

// ---- LateBound -------------------------------------------------------------------------

std::string LateBound::What(const wchar_t* member) const {
  return std::string(kind_) + "." + Narrow(member);
}

DISPID LateBound::IdOf(const wchar_t* name) {
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
  ThrowIfFailed(hr, What(name));
  if (type_) {
    TypeNames().Store(*type_, key, id);
  } else {
    ownNames_[key] = id;
  }
  return id;
}

ComRef<IDispatch> LateBound::GetObject(const wchar_t* name) {
  return RequireObject(GetObjectOrNone(name), What(name));
}

Variant LateBound::Get(const wchar_t* name) {
  return InvokeNamed(name, DISPATCH_PROPERTYGET | DISPATCH_METHOD, Arguments(), false);
}

Variant LateBound::Call(const wchar_t* name, const Arguments& args, WORD flags) {
  return InvokeNamed(name, flags, args, false);
}

void LateBound::Put(const wchar_t* name, const Arguments& value) {
  InvokeNamed(name, DISPATCH_PROPERTYPUT, value, true);
}

void LateBound::PutObject(const wchar_t* name, IDispatch* value) {
  Arguments args;
  args.Object(value);
  const DISPID id = IdOf(name);
  HRESULT failure = S_OK;
  InvokeRaw(id, DISPATCH_PROPERTYPUT, args, true, What(name), &failure);
  if (failure == DISP_E_MEMBERNOTFOUND) {
    InvokeRaw(id, DISPATCH_PROPERTYPUTREF, args, true, What(name), nullptr);
  }
}

Variant LateBound::Invoke(DISPID id, WORD flags, const Arguments& args, const std::string& what) {
  if (!object_) Fail(err::kObjectNotSet, "Object variable not set: " + what);
  return InvokeRaw(id, flags, args, false, what, nullptr);
}

Variant LateBound::InvokeNamed(const wchar_t* name, WORD flags, const Arguments& args, bool put) {
  const DISPID id = IdOf(name);
  return InvokeRaw(id, flags, args, put, What(name), nullptr);
}

// Calls the member. A failure throws, except that with `failure` given a DISP_E_MEMBERNOTFOUND
// is only reported there, for the caller to try another way.
Variant LateBound::InvokeRaw(DISPID id, WORD flags, const Arguments& args, bool put,
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

#include "win32/com/variant.h"

#include <new>

#include "win32/com/failure.h"
#include "win32/com/text.h"

namespace zormint::win32 {

// ---- Variant ------------------------------------------------------------------------------------

Variant Variant::Int(int32_t value, VARTYPE type) noexcept {
  Variant v;
  V_VT(v.Ptr()) = type;
  switch (type) {
    case VT_I2:
      V_I2(v.Ptr()) = static_cast<SHORT>(value);
      break;
    case VT_UI1:
      V_UI1(v.Ptr()) = static_cast<BYTE>(value);
      break;
    default:
      V_VT(v.Ptr()) = VT_I4;
      V_I4(v.Ptr()) = value;
      break;
  }
  return v;
}

Variant Variant::Bool(bool value) noexcept {
  Variant v;
  V_VT(v.Ptr()) = VT_BOOL;
  V_BOOL(v.Ptr()) = value ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}

Variant Variant::Text(const std::string& utf8) {
  Variant v;
  V_BSTR(v.Ptr()) = Bstr(utf8).Detach();
  V_VT(v.Ptr()) = VT_BSTR;
  return v;
}

Variant Variant::Text(const wchar_t* text) {
  Variant v;
  V_BSTR(v.Ptr()) = Bstr(text).Detach();
  V_VT(v.Ptr()) = VT_BSTR;
  return v;
}

Variant Variant::Object(IDispatch* object) noexcept {
  Variant v;
  V_VT(v.Ptr()) = VT_DISPATCH;
  V_DISPATCH(v.Ptr()) = ComRef<IDispatch>::Share(object).Detach();
  return v;
}

Variant Variant::Unknown(IUnknown* object) noexcept {
  Variant v;
  V_VT(v.Ptr()) = VT_UNKNOWN;
  V_UNKNOWN(v.Ptr()) = ComRef<IUnknown>::Share(object).Detach();
  return v;
}

Variant Variant::Missing() noexcept {
  Variant v;
  V_VT(v.Ptr()) = VT_ERROR;
  V_ERROR(v.Ptr()) = DISP_E_PARAMNOTFOUND;
  return v;
}

Variant Variant::Copy(const VARIANT& value) {
  Variant v;
  const HRESULT hr = VariantCopy(v.Ptr(), const_cast<VARIANT*>(&value));
  if (hr == E_OUTOFMEMORY) throw std::bad_alloc();
  ThrowIfFailed(hr, "VariantCopy");
  return v;
}

// ---- Bstr ---------------------------------------------------------------------------------------

Bstr::Bstr(const std::string& utf8) : text_(ToBstr(utf8)) {
  if (!text_) throw std::bad_alloc();
}

Bstr::Bstr(const wchar_t* text) : text_(SysAllocString(text ? text : L"")) {
  if (!text_) throw std::bad_alloc();
}

std::string Bstr::Utf8() const {
  return FromBstr(text_);
}

// ---- Readings -----------------------------------------------------------------------------------

namespace {

// A copy of `value` without VT_BYREF, converted to `type`; throws when it does not convert.
Variant Converted(const VARIANT& value, VARTYPE type, const std::string& what) {
  Variant direct;
  HRESULT hr = VariantCopyInd(direct.Ptr(), const_cast<VARIANT*>(&value));
  Variant out;
  if (SUCCEEDED(hr)) hr = VariantChangeType(out.Out(), direct.Ptr(), 0, type);
  ThrowIfFailed(hr, what);
  return out;
}

}  // namespace

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
      if (FAILED(ComRef<IUnknown>::Share(unknown).QueryTo(object))) break;
      return object;
    }
    default:
      break;
  }
  ThrowCallFailure(DISP_E_TYPEMISMATCH, what);
}

bool Omitted(const VARIANT& value) noexcept {
  return V_VT(&value) == VT_EMPTY ||
         (V_VT(&value) == VT_ERROR && V_ERROR(&value) == DISP_E_PARAMNOTFOUND);
}

}  // namespace zormint::win32

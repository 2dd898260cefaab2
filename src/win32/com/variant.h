// Owners of the COM value types: a VARIANT that clears itself, a BSTR that frees itself and a
// SAFEARRAY that destroys itself, each exactly once; and the readings of a VARIANT that
// Automation clients and servers make (numbers, flags, texts and objects, converted the way a
// VB client converts them).
#pragma once

#include <oaidl.h>
#include <oleauto.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>

#include "win32/com/com_ref.h"

namespace zormint::win32 {

class Variant {
 public:
  Variant() noexcept { VariantInit(&v_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  Variant(Variant&& other) noexcept : v_(other.v_) { VariantInit(&other.v_); }
  Variant& operator=(Variant&& other) noexcept {
    if (this != &other) {
      VariantClear(&v_);
      v_ = other.v_;
      VariantInit(&other.v_);
    }
    return *this;
  }
  ~Variant() { VariantClear(&v_); }

  // New values. Text and Copy throw std::bad_alloc when there is no memory for them.
  static Variant Int(int32_t value, VARTYPE type = VT_I4) noexcept;  // VT_I4, VT_I2 or VT_UI1
  static Variant Bool(bool value) noexcept;
  static Variant Text(const std::string& utf8);
  static Variant Text(const wchar_t* text);
  static Variant Object(IDispatch* object) noexcept;  // adds a reference of its own
  static Variant Unknown(IUnknown* object) noexcept;  // VT_UNKNOWN, a reference of its own
  // An optional argument left out, as COM clients mark it: VT_ERROR DISP_E_PARAMNOTFOUND.
  static Variant Missing() noexcept;
  static Variant Copy(const VARIANT& value);

  // For an [out] VARIANT: clears what was held and lets the callee fill it in.
  VARIANT* Out() noexcept {
    VariantClear(&v_);
    return &v_;
  }
  VARIANT* Ptr() noexcept { return &v_; }
  const VARIANT& Get() const noexcept { return v_; }
  VARTYPE Type() const noexcept { return V_VT(&v_); }
  // Hands the value to the caller (an [out] VARIANT of our own), leaving this one empty.
  VARIANT Detach() noexcept {
    VARIANT out = v_;
    VariantInit(&v_);
    return out;
  }

 private:
  VARIANT v_;
};

class Bstr {
 public:
  Bstr() noexcept = default;
  // A copy of `utf8`; throws std::bad_alloc when there is no memory for it.
  explicit Bstr(const std::string& utf8);
  explicit Bstr(const wchar_t* text);
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  Bstr(Bstr&& other) noexcept : text_(std::exchange(other.text_, nullptr)) {}
  Bstr& operator=(Bstr&& other) noexcept {
    if (this != &other) {
      SysFreeString(text_);
      text_ = std::exchange(other.text_, nullptr);
    }
    return *this;
  }
  ~Bstr() { SysFreeString(text_); }

  // Takes over a BSTR the caller owns.
  static Bstr Adopt(BSTR text) noexcept {
    Bstr owned;
    owned.text_ = text;
    return owned;
  }
  BSTR Get() const noexcept { return text_; }
  BSTR* Out() noexcept {
    SysFreeString(std::exchange(text_, nullptr));
    return &text_;
  }
  BSTR Detach() noexcept { return std::exchange(text_, nullptr); }
  std::string Utf8() const;

 private:
  BSTR text_ = nullptr;
};

class SafeArray {
 public:
  SafeArray() noexcept = default;
  SafeArray(const SafeArray&) = delete;
  SafeArray& operator=(const SafeArray&) = delete;
  SafeArray(SafeArray&& other) noexcept : array_(std::exchange(other.array_, nullptr)) {}
  SafeArray& operator=(SafeArray&& other) noexcept {
    if (this != &other) {
      Reset();
      array_ = std::exchange(other.array_, nullptr);
    }
    return *this;
  }
  ~SafeArray() { Reset(); }

  static SafeArray Adopt(SAFEARRAY* array) noexcept {
    SafeArray owned;
    owned.array_ = array;
    return owned;
  }
  void Reset() noexcept {
    if (SAFEARRAY* array = std::exchange(array_, nullptr)) SafeArrayDestroy(array);
  }
  SAFEARRAY* Get() const noexcept { return array_; }
  SAFEARRAY** Out() noexcept {
    Reset();
    return &array_;
  }
  SAFEARRAY* Detach() noexcept { return std::exchange(array_, nullptr); }

 private:
  SAFEARRAY* array_ = nullptr;
};

// An empty array of VARIANT passed by reference (SAFEARRAY**), as the `custom` argument of the
// add-in events: the callee may change the pointer it is handed; the array made here is
// destroyed here.
class EmptyVariantArray {
 public:
  SAFEARRAY** Get() noexcept { return &pointer_; }

 private:
  SafeArray array_ = SafeArray::Adopt(SafeArrayCreateVector(VT_VARIANT, 0, 0));
  SAFEARRAY* pointer_ = array_.Get();
};

// Readings of a value. Numbers, flags and texts convert as a VB client converts them
// (VariantChangeType, through one level of reference), so a host answering VT_I2 where VT_I4
// was expected is read all the same. A value that does not convert fails with the conversion's
// HRESULT (a type mismatch, an overflow), described as a failure of `what`.
int32_t ToInt32(const VARIANT& value, const std::string& what);
bool ToBool(const VARIANT& value, const std::string& what);
std::string ToUtf8(const VARIANT& value, const std::string& what);
// An object, or an empty reference for "none" (VT_EMPTY, or a null VT_DISPATCH/VT_UNKNOWN).
// Anything that is neither is a type mismatch.
ComRef<IDispatch> ToObject(const VARIANT& value, const std::string& what);
// Whether an optional argument was left out: VT_ERROR DISP_E_PARAMNOTFOUND, or VT_EMPTY.
bool Omitted(const VARIANT& value) noexcept;

}  // namespace zormint::win32

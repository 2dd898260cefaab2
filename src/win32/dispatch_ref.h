// Owning holders for the two kinds of COM resources the binding to Outlook passes around: an
// interface reference (released exactly once) and a VARIANT (cleared exactly once).
#pragma once

#include <oaidl.h>
#include <oleauto.h>
#include <windows.h>

#include <cstddef>
#include <utility>

namespace zormint::win32 {

// One counted reference to a COM interface.
template <class T>
class ComRef {
 public:
  ComRef() noexcept = default;
  ComRef(std::nullptr_t) noexcept {}  // NOLINT: a null reference reads naturally
  ComRef(const ComRef& other) noexcept : p_(other.p_) {
    if (p_) p_->AddRef();
  }
  ComRef(ComRef&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComRef& operator=(ComRef other) noexcept {
    std::swap(p_, other.p_);
    return *this;
  }
  ~ComRef() { Reset(); }

  // Takes over a reference the caller already owns (an [out] parameter).
  static ComRef Adopt(T* p) noexcept {
    ComRef ref;
    ref.p_ = p;
    return ref;
  }
  // Takes a reference of its own to a borrowed pointer (an [in] parameter).
  static ComRef Share(T* p) noexcept {
    if (p) p->AddRef();
    return Adopt(p);
  }

  void Reset() noexcept {
    if (T* p = std::exchange(p_, nullptr)) p->Release();
  }
  T* Get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }
  // For an [out] parameter: releases what was held and lets the callee fill it in.
  T** Out() noexcept {
    Reset();
    return &p_;
  }
  void** OutVoid() noexcept { return reinterpret_cast<void**>(Out()); }
  T* Detach() noexcept { return std::exchange(p_, nullptr); }

  // The interface `iid` of the same object, as `U`; the HRESULT of QueryInterface.
  template <class U>
  HRESULT QueryTo(REFIID iid, ComRef<U>& out) const noexcept {
    if (!p_) {
      out.Reset();
      return E_POINTER;
    }
    HRESULT hr = p_->QueryInterface(iid, out.OutVoid());
    if (FAILED(hr)) out.Reset();  // a callee may leave garbage behind on failure
    return hr;
  }

 private:
  T* p_ = nullptr;
};

// A VARIANT that clears itself (releasing an object, freeing a string) when it goes.
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

  // For an [out] VARIANT: clears what was held and lets the callee fill it in.
  VARIANT* Out() noexcept {
    VariantClear(&v_);
    return &v_;
  }
  VARIANT* Ptr() noexcept { return &v_; }
  const VARIANT& Get() const noexcept { return v_; }
  VARTYPE Type() const noexcept { return V_VT(&v_); }

 private:
  VARIANT v_;
};

}  // namespace zormint::win32

// One counted reference to a COM interface, released exactly once: the one interface pointer of
// the Windows layer, the simulated Outlook and the Windows tests.
#pragma once

#include <unknwn.h>

#include <cstddef>
#include <utility>

namespace zormint::win32 {

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

  // Takes over a reference the caller already owns (an [out] parameter, a new object).
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
  // Hands the reference to the caller (an [out] parameter of our own).
  T* Detach() noexcept { return std::exchange(p_, nullptr); }
  // Fills an [out] parameter with a reference of its own; S_OK, or E_POINTER without a place.
  HRESULT CopyTo(T** out) const noexcept {
    if (!out) return E_POINTER;
    *out = Share(p_).Detach();
    return S_OK;
  }

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
  // The interface `U` of the same object, by its own number (__uuidof).
  template <class U>
  HRESULT QueryTo(ComRef<U>& out) const noexcept {
    return QueryTo(__uuidof(U), out);
  }
  // The same, empty when the object does not answer it.
  template <class U>
  ComRef<U> Query() const noexcept {
    ComRef<U> out;
    QueryTo(out);
    return out;
  }

 private:
  T* p_ = nullptr;
};

// COM identity: whether two interface pointers are of one object (it answers IUnknown with the
// same pointer through both). False when either is null.
inline bool SameObject(IUnknown* first, IUnknown* second) noexcept {
  if (!first || !second) return false;
  ComRef<IUnknown> one = ComRef<IUnknown>::Share(first).Query<IUnknown>();
  return one && one.Get() == ComRef<IUnknown>::Share(second).Query<IUnknown>().Get();
}

}  // namespace zormint::win32

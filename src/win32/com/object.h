// The IUnknown of every COM object the library implements: one reference count per object,
// whatever number of interfaces it has, QueryInterface answering each of them (and IUnknown
// with the first), and one use of the module for as long as the object lives, so that COM does
// not unload the library under it.
//
//   class Sink final : public ComObject<Sink, IDispatch> { ... };
//   ComRef<Sink> sink = Sink::Make(arguments...);
//
// An object that answers interface ids known only at run time (an event interface) or the
// ids of base interfaces (a dual interface's own base) says so in QueryMore.
#pragma once

#include <unknwn.h>

#include <atomic>
#include <new>
#include <type_traits>
#include <utility>

#include "win32/com/com_ref.h"
#include "win32/com/module.h"

namespace zormint::win32 {

template <class Derived, class Primary, class... More>
class ComObject : public Primary, public More... {
 public:
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  // A new object with one reference, the caller's. Throws std::bad_alloc.
  template <class... Args>
  static ComRef<Derived> Make(Args&&... args) {
    return ComRef<Derived>::Adopt(new Derived(std::forward<Args>(args)...));
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) noexcept override {
    if (!object) return E_POINTER;
    *object = Find(riid);
    if (!*object) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() noexcept override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() noexcept override {
    const ULONG left = --references_;
    if (left == 0) delete static_cast<Derived*>(this);
    return left;
  }

 protected:
  ComObject() noexcept = default;
  virtual ~ComObject() = default;

  // Interfaces besides Primary and More (none by default); the pointer, not yet counted.
  void* QueryMore(REFIID) noexcept { return nullptr; }
  ULONG References() const noexcept { return references_.load(); }

 private:
  template <class I>
  void* Match(REFIID riid) noexcept {
    if (IsEqualIID(riid, __uuidof(I))) return static_cast<I*>(static_cast<Derived*>(this));
    if constexpr (std::is_base_of_v<IDispatch, I>) {
      if (IsEqualIID(riid, IID_IDispatch)) return static_cast<I*>(static_cast<Derived*>(this));
    }
    return nullptr;
  }
  void* Find(REFIID riid) noexcept {
    if (IsEqualIID(riid, IID_IUnknown)) return static_cast<Primary*>(static_cast<Derived*>(this));
    void* found = Match<Primary>(riid);
    ((found = found ? found : Match<More>(riid)), ...);
    return found ? found : static_cast<Derived*>(this)->QueryMore(riid);
  }

  std::atomic<ULONG> references_{1};
  ModuleUse module_;
};

// A part of an object that answers one more interface under the object's own identity and
// count (an in-place frame beside a client site, an events sink inside a control's host), where
// the interface cannot be a base of the object itself because its members would clash.
template <class Outer, class Interface>
class ComPart : public Interface {
 public:
  explicit ComPart(Outer& outer) noexcept : outer_(outer) {}
  ComPart(const ComPart&) = delete;
  ComPart& operator=(const ComPart&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) noexcept override {
    return outer_.QueryInterface(riid, object);
  }
  ULONG STDMETHODCALLTYPE AddRef() noexcept override { return outer_.AddRef(); }
  ULONG STDMETHODCALLTYPE Release() noexcept override { return outer_.Release(); }

 protected:
  Outer& Owner() const noexcept { return outer_; }

 private:
  Outer& outer_;
};

}  // namespace zormint::win32

// The common part of the simulated Outlook's COM objects: reference counting, QueryInterface,
// IDispatch through the type library, ISupportErrorInfo, and the turning of model failures
// into HRESULTs and EXCEPINFO.
#pragma once

#include <cguid.h>
#include <ocidl.h>
#include <ole2.h>
#include <olectl.h>
#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "common/error.h"
#include "outlook_sim_idl.h"
#include "sim/com/com_events.h"
#include "sim/com/com_face.h"

namespace zormint::sim::com {

// A counted COM reference.
template <class T>
class Ref {
 public:
  Ref() = default;
  // Takes over a reference the caller owns.
  static Ref Adopt(T* p) {
    Ref ref;
    ref.p_ = p;
    return ref;
  }
  // Adds a reference of its own.
  static Ref Share(T* p) {
    if (p) p->AddRef();
    return Adopt(p);
  }
  Ref(const Ref& other) : p_(other.p_) {
    if (p_) p_->AddRef();
  }
  Ref(Ref&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  Ref& operator=(Ref other) noexcept {
    std::swap(p_, other.p_);
    return *this;
  }
  ~Ref() { Reset(); }
  void Reset() {
    if (T* p = std::exchange(p_, nullptr)) p->Release();
  }
  T** Out() {
    Reset();
    return &p_;
  }
  void** OutVoid() { return reinterpret_cast<void**>(Out()); }
  T* Detach() { return std::exchange(p_, nullptr); }
  T* Get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  T* p_ = nullptr;
};

// Where a failing member reports its failure while an Invoke is running, so that Invoke can
// hand it on in the form Automation uses (see com_face.h).
struct PendingFailure {
  bool set = false;
  HRESULT hr = S_OK;
  std::wstring description;
  const wchar_t* source = L"";
};

// Turns the exception in flight into the HRESULT a member returns; sets IErrorInfo and fills
// the running Invoke's pending failure. Call only from a catch block.
HRESULT ReportCaughtFailure(const wchar_t* source) noexcept;

// Runs a member body; a failure becomes its HRESULT.
template <class F>
HRESULT Guard(const wchar_t* source, F&& body) noexcept {
  try {
    body();
    return S_OK;
  } catch (...) {
    return ReportCaughtFailure(source);
  }
}

// An out parameter that must be there.
template <class T>
T& Out(T* p) {
  if (!p) Fail(static_cast<int32_t>(E_POINTER), "No place for the result");
  return *p;
}

// ---- Arguments ----------------------------------------------------------------------------------

// An optional argument the caller left out: VT_ERROR DISP_E_PARAMNOTFOUND as COM passes it, or
// VT_EMPTY.
bool Omitted(const VARIANT& value) noexcept;
int32_t LongArgument(const VARIANT& value);  // fails with DISP_E_TYPEMISMATCH
std::optional<int32_t> OptionalLong(const VARIANT& value);
std::optional<bool> OptionalBool(const VARIANT& value);
std::optional<std::string> OptionalText(const VARIANT& value);
std::string Text(BSTR text);
BSTR NewBstr(const std::string& utf8);

// ---- Type information ---------------------------------------------------------------------------

// The two type descriptions of a dual interface: the dispatch one that clients see
// (GetTypeInfo, GetIDsOfNames) and the vtable one that DispInvoke calls through.
HRESULT InterfaceTypeInfo(REFIID iid, ITypeInfo** dispatchInfo, ITypeInfo** vtableInfo) noexcept;

// The IDispatch part of an object whose primary dual interface is `Interface` (with IID *Iid),
// driven by the type library.
HRESULT DispatchInvoke(void* vtableObject, REFIID iid, DISPID member, WORD flags,
                       DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                       UINT* badArgument) noexcept;
HRESULT DispatchGetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, DISPID* ids) noexcept;
HRESULT DispatchGetTypeInfo(REFIID iid, UINT index, ITypeInfo** info) noexcept;

// The reference counting, QueryInterface and IDispatch of one object. `Interface` is the
// object's primary dual interface (with the IID *PrimaryIid); Derived may answer its base
// interfaces through IsBaseInterface. An event source names its event interface in kEvents
// and hands out its EventSource through Events(); it then answers IConnectionPointContainer.
template <class Derived, class Interface, const IID* PrimaryIid>
class DispatchObject : public Interface,
                       public ISupportErrorInfo,
                       public IConnectionPointContainer {
 public:
  DispatchObject() = default;
  DispatchObject(const DispatchObject&) = delete;
  DispatchObject& operator=(const DispatchObject&) = delete;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == *PrimaryIid ||
        static_cast<Derived*>(this)->IsBaseInterface(riid)) {
      *object = static_cast<Interface*>(this);
    } else if (riid == IID_ISupportErrorInfo) {
      *object = static_cast<ISupportErrorInfo*>(this);
    } else if (riid == IID_IConnectionPointContainer && *Derived::kEvents != GUID_NULL) {
      *object = static_cast<IConnectionPointContainer*>(this);
    }
    if (!*object) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete static_cast<Derived*>(this);
    return left;
  }

  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
    return DispatchGetTypeInfo(*PrimaryIid, index, info);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    return DispatchGetIDsOfNames(*PrimaryIid, names, count, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception,
                                   UINT* badArgument) override {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    // The object stays alive for the length of the call, whatever the member does.
    Ref<Interface> self = Ref<Interface>::Share(static_cast<Interface*>(this));
    return DispatchInvoke(static_cast<Interface*>(this), *PrimaryIid, member, flags, params, result,
                          exception, badArgument);
  }

  // ISupportErrorInfo
  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) override {
    return riid == *PrimaryIid || static_cast<Derived*>(this)->IsBaseInterface(riid) ? S_OK
                                                                                     : S_FALSE;
  }

  // IConnectionPointContainer: one connection point, for kEvents.
  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** points) override {
    if (points) *points = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** point) override {
    if (!point) return E_POINTER;
    *point = nullptr;
    if (*Derived::kEvents == GUID_NULL || riid != *Derived::kEvents) return CONNECT_E_NOCONNECTION;
    std::shared_ptr<EventSource> source;
    try {
      source = static_cast<Derived*>(this)->Events();
    } catch (...) {
      return E_OUTOFMEMORY;
    }
    return NewConnectionPoint(this, riid, std::move(source), point);
  }

  // Defaults that Derived may hide.
  bool IsBaseInterface(REFIID) const { return false; }
  static constexpr const IID* kEvents = &GUID_NULL;  // none
  std::shared_ptr<EventSource> Events() { return nullptr; }

 protected:
  virtual ~DispatchObject() = default;

 private:
  ULONG references_ = 1;
};

}  // namespace zormint::sim::com

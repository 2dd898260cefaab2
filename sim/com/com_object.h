// The base of the simulated Outlook's COM objects: IUnknown and IDispatch from the COM toolkit
// (IDispatch through the type library built from outlook_sim.idl), ISupportErrorInfo, the host
// proxy the object stands for, and, for an object that fires events, the connection-point
// container of its one event interface.
#pragma once

#include <cguid.h>
#include <ocidl.h>
#include <olectl.h>
#include <windows.h>

#include <cstdint>
#include <memory>
#include <utility>

#include "common/error.h"
#include "outlook_sim_idl.h"
#include "sim/com/com_events.h"
#include "win32/com/dispatch.h"

namespace zormint::sim::com {

// An object over `Proxy` whose primary interface is the dual interface `Dual` (with the IID
// *DualIid). Derived answers base interfaces of `Dual` in a public QueryMore.
template <class Derived, class Dual, const IID* DualIid, class Proxy, class... More>
class SimObject : public win32::DualObject<Derived, Dual, DualIid, ISupportErrorInfo, More...> {
 public:
  explicit SimObject(std::shared_ptr<Proxy> proxy) noexcept : proxy_(std::move(proxy)) {}

  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) noexcept override {
    return IsEqualIID(riid, *DualIid) || static_cast<Derived*>(this)->QueryMore(riid) ? S_OK
                                                                                      : S_FALSE;
  }
  void* QueryMore(REFIID) noexcept { return nullptr; }

 protected:
  std::shared_ptr<Proxy> proxy_;
};

// An object that fires the events of the event interface *Events: a connection-point container
// with one connection point, over the proxy's events.
template <class Derived, class Dual, const IID* DualIid, class Proxy, const IID* Events>
class EventObject : public SimObject<Derived, Dual, DualIid, Proxy, IConnectionPointContainer> {
 public:
  using SimObject<Derived, Dual, DualIid, Proxy, IConnectionPointContainer>::SimObject;

  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** points) noexcept override {
    if (points) *points = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid,
                                                IConnectionPoint** point) noexcept override {
    if (!point) return E_POINTER;
    *point = nullptr;
    if (!IsEqualIID(riid, *Events)) return CONNECT_E_NOCONNECTION;
    return win32::ComEntry("FindConnectionPoint", [&] {
      *point = NewConnectionPoint(this, riid, EventSourceOf<typename Proxy::Events>(this->proxy_))
                   .Detach();
    });
  }
};

// Who reports a member's failure: Outlook for its own objects, Office for the command bars.
inline constexpr wchar_t kOutlook[] = L"Microsoft Outlook";
inline constexpr wchar_t kOffice[] = L"Microsoft Office";
using win32::AutomationMember;

// An out parameter that must be there.
template <class T>
T& Out(T* p) {
  if (!p) Fail(static_cast<int32_t>(E_POINTER), "No place for the result");
  return *p;
}

// The body of a member that hands out an object or a text (a ComRef or a Bstr): `out` is none
// until the body's result is there, and stays none when the body fails.
template <class T, class F>
HRESULT HandOut(const wchar_t* source, T** out, F&& body) noexcept {
  if (!out) return E_POINTER;
  *out = nullptr;
  return AutomationMember(source, [&] { *out = body().Detach(); });
}

}  // namespace zormint::sim::com

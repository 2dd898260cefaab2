#include "sim/com/com_events.h"

#include <string>
#include <utility>

#include "common/error.h"
#include "outlook_sim_idl.h"
#include "sim/com/com_object.h"
#include "sim/com/com_objects.h"
#include "win32/com/failure.h"
#include "win32/com/variant.h"

namespace zormint::sim::com {

namespace {

using win32::ComRef;
using win32::Variant;

// ---- Calling a COM sink -------------------------------------------------------------------------

// The COM sink behind one host-side sink. Outlook ignores what a sink's Invoke returns; the
// model counts a failure (other than "no such member", which a sink may answer for events it
// does not handle) as an escape, since an add-in should never report one.
class ComSink {
 public:
  explicit ComSink(IDispatch* sink) : sink_(ComRef<IDispatch>::Share(sink)) {}

 protected:
  // `args` in reverse order, as COM passes them.
  void Call(DISPID member, VARIANT* args, UINT count) {
    ComRef<IDispatch> sink = sink_;  // held for the call, whatever the sink does meanwhile
    DISPPARAMS params = {args, nullptr, count, 0};
    win32::ExceptionInfo exception;
    UINT badArgument = 0;
    const HRESULT hr = sink->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                                    nullptr, exception.Ptr(), &badArgument);
    if (FAILED(hr) && hr != DISP_E_MEMBERNOTFOUND) {
      Fail(static_cast<int32_t>(hr),
           "The event sink failed in Invoke of dispatch id " + std::to_string(member));
    }
  }
  void Call(DISPID member) { Call(member, nullptr, 0); }

  // A call with one object argument.
  void CallWithObject(DISPID member, IDispatch* object) {
    Variant arg = Variant::Object(object);
    Call(member, arg.Ptr(), 1);
  }

  // A call whose arguments end with a by-reference Cancel flag (the first of `args`, which
  // are in reverse order), which the sink may set.
  void CallWithCancel(DISPID member, bool& cancel, VARIANT* args, UINT count) {
    VARIANT_BOOL flag = cancel ? VARIANT_TRUE : VARIANT_FALSE;
    V_VT(&args[0]) = VT_BOOL | VT_BYREF;
    V_BOOLREF(&args[0]) = &flag;
    try {
      Call(member, args, count);
    } catch (...) {
      cancel = flag != VARIANT_FALSE;
      throw;
    }
    cancel = flag != VARIANT_FALSE;
  }
  void CallWithCancel(DISPID member, bool& cancel) {
    VARIANT arg;
    CallWithCancel(member, cancel, &arg, 1);
  }

 private:
  ComRef<IDispatch> sink_;
};

constexpr DISPID kNewWindow = 0xF001;
constexpr DISPID kActivate = 0xF001;
constexpr DISPID kFolderSwitch = 0xF002;
constexpr DISPID kViewSwitch = 0xF004;
constexpr DISPID kDeactivate = 0xF006;
constexpr DISPID kSelectionChange = 0xF007;
constexpr DISPID kClose = 0xF008;
constexpr DISPID kAttachmentSelectionChange = 0xFC79;
constexpr DISPID kItemRead = 0xF001;
constexpr DISPID kItemWrite = 0xF002;
constexpr DISPID kItemOpen = 0xF003;
constexpr DISPID kItemClose = 0xF004;
constexpr DISPID kClick = 1;

// The host-side sink of each event interface.
template <class Events>
class Sink;

template <>
class Sink<host::ExplorersEvents> final : public host::ExplorersEvents, ComSink {
 public:
  using ComSink::ComSink;
  void NewExplorer(std::shared_ptr<host::Explorer> explorer) override {
    CallWithObject(kNewWindow, com::NewExplorer(std::move(explorer)).Get());
  }
};

template <>
class Sink<host::InspectorsEvents> final : public host::InspectorsEvents, ComSink {
 public:
  using ComSink::ComSink;
  void NewInspector(std::shared_ptr<host::Inspector> inspector) override {
    CallWithObject(kNewWindow, com::NewInspector(std::move(inspector)).Get());
  }
};

// The events of every Outlook window, which ExplorerEvents_10 and InspectorEvents_10 give the
// same ids.
template <class Events>
class WindowSink : public Events, protected ComSink {
 public:
  using ComSink::ComSink;
  void Activate() override { Call(kActivate); }
  void Deactivate() override { Call(kDeactivate); }
  void Close() override { Call(kClose); }
  void AttachmentSelectionChange() override { Call(kAttachmentSelectionChange); }
};

template <>
class Sink<host::ExplorerEvents> final : public WindowSink<host::ExplorerEvents> {
 public:
  using WindowSink::WindowSink;
  void FolderSwitch() override { Call(kFolderSwitch); }
  void ViewSwitch() override { Call(kViewSwitch); }
  void SelectionChange() override { Call(kSelectionChange); }
};

template <>
class Sink<host::InspectorEvents> final : public WindowSink<host::InspectorEvents> {
 public:
  using WindowSink::WindowSink;
};

template <>
class Sink<host::ItemEvents> final : public host::ItemEvents, ComSink {
 public:
  using ComSink::ComSink;
  void Read() override { Call(kItemRead); }
  void Write(bool& cancel) override { CallWithCancel(kItemWrite, cancel); }
  void Open(bool& cancel) override { CallWithCancel(kItemOpen, cancel); }
  void Close(bool& cancel) override { CallWithCancel(kItemClose, cancel); }
};

template <>
class Sink<host::CommandBarButtonEvents> final : public host::CommandBarButtonEvents, ComSink {
 public:
  using ComSink::ComSink;
  // Click(Ctrl, CancelDefault): CancelDefault comes first in the reversed arguments.
  void Click(std::shared_ptr<host::CommandBarButton> ctrl, bool& cancelDefault) override {
    Variant button = Variant::Object(NewButton(std::move(ctrl)).Get());
    VARIANT args[2] = {{}, button.Get()};
    CallWithCancel(kClick, cancelDefault, args, 2);
  }
};

// ---- Event sources ------------------------------------------------------------------------------

template <class Events>
class ProxyEventSource final : public EventSource {
 public:
  explicit ProxyEventSource(ProxyOf<Events> source) : source_(std::move(source)) {}
  host::Cookie Connect(IDispatch* sink) override {
    return source_->Advise(std::make_shared<Sink<Events>>(sink));
  }
  void Disconnect(host::Cookie cookie) override { source_->Unadvise(cookie); }

 private:
  ProxyOf<Events> source_;
};

// ---- Connection point ---------------------------------------------------------------------------

class ConnectionPoint final : public win32::ComObject<ConnectionPoint, IConnectionPoint> {
 public:
  ConnectionPoint(IConnectionPointContainer* container, REFIID diid,
                  std::shared_ptr<EventSource> source)
      : container_(ComRef<IConnectionPointContainer>::Share(container)),
        diid_(diid),
        source_(std::move(source)) {}

  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) noexcept override {
    if (!iid) return E_POINTER;
    *iid = diid_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE
  GetConnectionPointContainer(IConnectionPointContainer** container) noexcept override {
    return container_.CopyTo(container);
  }
  // The sink must answer the event interface; the connection holds it until Unadvise.
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) noexcept override {
    if (!cookie) return E_POINTER;
    *cookie = 0;
    if (!sink) return E_POINTER;
    ComRef<IDispatch> events;
    if (FAILED(ComRef<IUnknown>::Share(sink).QueryTo(diid_, events)) || !events) {
      return CONNECT_E_CANNOTCONNECT;
    }
    return AutomationMember(kOutlook, [&] { *cookie = source_->Connect(events.Get()); });
  }
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) noexcept override {
    return AutomationMember(kOutlook, [&] { source_->Disconnect(cookie); });
  }
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** connections) noexcept override {
    if (connections) *connections = nullptr;
    return E_NOTIMPL;
  }

 private:
  ComRef<IConnectionPointContainer> container_;
  IID diid_;
  std::shared_ptr<EventSource> source_;
};

}  // namespace

template <class Events>
std::shared_ptr<EventSource> EventSourceOf(ProxyOf<Events> source) {
  return std::make_shared<ProxyEventSource<Events>>(std::move(source));
}
template std::shared_ptr<EventSource> EventSourceOf(ProxyOf<host::ExplorersEvents>);
template std::shared_ptr<EventSource> EventSourceOf(ProxyOf<host::InspectorsEvents>);
template std::shared_ptr<EventSource> EventSourceOf(ProxyOf<host::ExplorerEvents>);
template std::shared_ptr<EventSource> EventSourceOf(ProxyOf<host::InspectorEvents>);
template std::shared_ptr<EventSource> EventSourceOf(ProxyOf<host::ItemEvents>);
template std::shared_ptr<EventSource> EventSourceOf(ProxyOf<host::CommandBarButtonEvents>);

ComRef<IConnectionPoint> NewConnectionPoint(IConnectionPointContainer* container, REFIID diid,
                                            std::shared_ptr<EventSource> source) {
  return ComRef<IConnectionPoint>::Adopt(
      ConnectionPoint::Make(container, diid, std::move(source)).Detach());
}

}  // namespace zormint::sim::com

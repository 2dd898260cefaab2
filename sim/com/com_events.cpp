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
 protected:
  explicit ComSink(IDispatch* sink) : sink_(ComRef<IDispatch>::Share(sink)) {}

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

class ExplorersSink final : public host::ExplorersEvents, ComSink {
 public:
  explicit ExplorersSink(IDispatch* sink) : ComSink(sink) {}
  void NewExplorer(std::shared_ptr<host::Explorer> explorer) override {
    CallWithObject(kNewWindow, com::NewExplorer(std::move(explorer)).Get());
  }
};

class InspectorsSink final : public host::InspectorsEvents, ComSink {
 public:
  explicit InspectorsSink(IDispatch* sink) : ComSink(sink) {}
  void NewInspector(std::shared_ptr<host::Inspector> inspector) override {
    CallWithObject(kNewWindow, com::NewInspector(std::move(inspector)).Get());
  }
};

class ExplorerSink final : public host::ExplorerEvents, ComSink {
 public:
  explicit ExplorerSink(IDispatch* sink) : ComSink(sink) {}
  void Activate() override { Call(kActivate); }
  void FolderSwitch() override { Call(kFolderSwitch); }
  void ViewSwitch() override { Call(kViewSwitch); }
  void Deactivate() override { Call(kDeactivate); }
  void SelectionChange() override { Call(kSelectionChange); }
  void Close() override { Call(kClose); }
  void AttachmentSelectionChange() override { Call(kAttachmentSelectionChange); }
};

class InspectorSink final : public host::InspectorEvents, ComSink {
 public:
  explicit InspectorSink(IDispatch* sink) : ComSink(sink) {}
  void Activate() override { Call(kActivate); }
  void Deactivate() override { Call(kDeactivate); }
  void Close() override { Call(kClose); }
  void AttachmentSelectionChange() override { Call(kAttachmentSelectionChange); }
};

class ItemSink final : public host::ItemEvents, ComSink {
 public:
  explicit ItemSink(IDispatch* sink) : ComSink(sink) {}
  void Read() override { Call(kItemRead); }
  void Write(bool& cancel) override { CallWithCancel(kItemWrite, cancel); }
  void Open(bool& cancel) override { CallWithCancel(kItemOpen, cancel); }
  void Close(bool& cancel) override { CallWithCancel(kItemClose, cancel); }
};

class ButtonSink final : public host::CommandBarButtonEvents, ComSink {
 public:
  explicit ButtonSink(IDispatch* sink) : ComSink(sink) {}
  // Click(Ctrl, CancelDefault): CancelDefault comes first in the reversed arguments.
  void Click(std::shared_ptr<host::CommandBarButton> ctrl, bool& cancelDefault) override {
    Variant button = Variant::Object(NewButton(std::move(ctrl)).Get());
    VARIANT args[2] = {{}, button.Get()};
    CallWithCancel(kClick, cancelDefault, args, 2);
  }
};

// ---- Event sources ------------------------------------------------------------------------------

template <class Source, class Sink>
class ProxyEventSource final : public EventSource {
 public:
  explicit ProxyEventSource(std::shared_ptr<Source> source) : source_(std::move(source)) {}
  host::Cookie Connect(IDispatch* sink) override {
    return source_->Advise(std::make_shared<Sink>(sink));
  }
  void Disconnect(host::Cookie cookie) override { source_->Unadvise(cookie); }

 private:
  std::shared_ptr<Source> source_;
};

template <class Source, class Sink>
std::shared_ptr<EventSource> MakeSource(std::shared_ptr<Source> source) {
  return std::make_shared<ProxyEventSource<Source, Sink>>(std::move(source));
}

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

std::shared_ptr<EventSource> ExplorersEventSource(std::shared_ptr<host::Explorers> explorers) {
  return MakeSource<host::Explorers, ExplorersSink>(std::move(explorers));
}
std::shared_ptr<EventSource> InspectorsEventSource(std::shared_ptr<host::Inspectors> inspectors) {
  return MakeSource<host::Inspectors, InspectorsSink>(std::move(inspectors));
}
std::shared_ptr<EventSource> ExplorerEventSource(std::shared_ptr<host::Explorer> explorer) {
  return MakeSource<host::Explorer, ExplorerSink>(std::move(explorer));
}
std::shared_ptr<EventSource> InspectorEventSource(std::shared_ptr<host::Inspector> inspector) {
  return MakeSource<host::Inspector, InspectorSink>(std::move(inspector));
}
std::shared_ptr<EventSource> ItemEventSource(std::shared_ptr<host::Item> item) {
  return MakeSource<host::Item, ItemSink>(std::move(item));
}
std::shared_ptr<EventSource> ButtonEventSource(std::shared_ptr<host::CommandBarButton> button) {
  return MakeSource<host::CommandBarButton, ButtonSink>(std::move(button));
}

ComRef<IConnectionPoint> NewConnectionPoint(IConnectionPointContainer* container, REFIID diid,
                                            std::shared_ptr<EventSource> source) {
  return ComRef<IConnectionPoint>::Adopt(
      ConnectionPoint::Make(container, diid, std::move(source)).Detach());
}

}  // namespace zormint::sim::com

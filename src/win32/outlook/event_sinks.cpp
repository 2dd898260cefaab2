#include "win32/outlook/event_sinks.h"

#include <algorithm>
#include <atomic>
#include <utility>

#include "common/error.h"
#include "win32/com/dispatch.h"
#include "win32/com/failure.h"
#include "win32/com/late_bound.h"
#include "win32/com/object.h"
#include "win32/outlook/adapters.h"

namespace zormint::win32 {

namespace {

std::atomic<long> gLiveSinks{0};

// ---- What each event interface does with an Invoke ----------------------------------------------
// Events of the interface that the add-in does not handle are accepted and ignored.

template <class Events>
struct Dispatcher;

template <>
struct Dispatcher<host::ExplorersEvents> {
  static constexpr const IID& kEvents = events::kExplorersEvents;
  static void Invoke(host::ExplorersEvents& sink, DISPID id, const InvokeArguments& args) {
    if (id != events::kNewWindow) return;
    ComRef<IDispatch> explorer = args.Object(0);
    sink.NewExplorer(explorer ? WrapExplorer(explorer.Get()) : nullptr);
  }
};

template <>
struct Dispatcher<host::InspectorsEvents> {
  static constexpr const IID& kEvents = events::kInspectorsEvents;
  static void Invoke(host::InspectorsEvents& sink, DISPID id, const InvokeArguments& args) {
    if (id != events::kNewWindow) return;
    ComRef<IDispatch> inspector = args.Object(0);
    sink.NewInspector(inspector ? WrapInspector(inspector.Get()) : nullptr);
  }
};

// The events of every Outlook window, which ExplorerEvents_10 and InspectorEvents_10 give the
// same ids.
void WindowEvent(host::WindowEvents& sink, DISPID id) {
  switch (id) {
    case events::kActivate:
      return sink.Activate();
    case events::kDeactivate:
      return sink.Deactivate();
    case events::kClose:
      return sink.Close();
    case events::kAttachmentSelectionChange:
      return sink.AttachmentSelectionChange();
    default:
      return;
  }
}

template <>
struct Dispatcher<host::ExplorerEvents> {
  static constexpr const IID& kEvents = events::kExplorerEvents10;
  static void Invoke(host::ExplorerEvents& sink, DISPID id, const InvokeArguments&) {
    switch (id) {
      case events::kFolderSwitch:
        return sink.FolderSwitch();
      case events::kViewSwitch:
        return sink.ViewSwitch();
      case events::kSelectionChange:
        return sink.SelectionChange();
      default:
        return WindowEvent(sink, id);
    }
  }
};

template <>
struct Dispatcher<host::InspectorEvents> {
  static constexpr const IID& kEvents = events::kInspectorEvents10;
  static void Invoke(host::InspectorEvents& sink, DISPID id, const InvokeArguments&) {
    WindowEvent(sink, id);
  }
};

template <>
struct Dispatcher<host::ItemEvents> {
  static constexpr const IID& kEvents = events::kItemEvents10;
  static void Invoke(host::ItemEvents& sink, DISPID id, const InvokeArguments& args) {
    if (id == events::kItemRead) return sink.Read();
    void (host::ItemEvents::*handler)(bool&) = nullptr;
    switch (id) {
      case events::kItemWrite:
        handler = &host::ItemEvents::Write;
        break;
      case events::kItemOpen:
        handler = &host::ItemEvents::Open;
        break;
      case events::kItemClose:
        handler = &host::ItemEvents::Close;
        break;
      default:
        return;
    }
    FlagArgument cancel = args.Flag(0);
    (sink.*handler)(cancel.Value());
    cancel.WriteBack();
  }
};

template <>
struct Dispatcher<host::CommandBarButtonEvents> {
  static constexpr const IID& kEvents = events::kCommandBarButtonEvents;
  static void Invoke(host::CommandBarButtonEvents& sink, DISPID id, const InvokeArguments& args) {
    if (id != events::kClick) return;
    ComRef<IDispatch> ctrl = args.Object(0);
    FlagArgument cancelDefault = args.Flag(1);
    sink.Click(ctrl ? WrapCommandBarButton(ctrl.Get()) : nullptr, cancelDefault.Value());
    cancelDefault.WriteBack();
  }
};

// ---- The sink object ------------------------------------------------------------------------

template <class Events>
class EventSink final : public UntypedDispatch<EventSink<Events>> {
 public:
  explicit EventSink(std::shared_ptr<Events> events) noexcept : events_(std::move(events)) {
    ++gLiveSinks;
  }
  ~EventSink() override { --gLiveSinks; }

  // Besides IUnknown and IDispatch, a sink answers its event interface.
  void* QueryMore(REFIID riid) noexcept {
    return IsEqualIID(riid, Dispatcher<Events>::kEvents) ? static_cast<IDispatch*>(this) : nullptr;
  }

  // Hosts call a sink by DISPID only.
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID,
                                          DISPID* ids) noexcept override {
    if (ids) std::fill(ids, ids + count, DISPID_UNKNOWN);
    return DISP_E_UNKNOWNNAME;
  }

  // Every event is answered S_OK, whatever the handler did: nothing reaches the host. The
  // handler may disconnect this very sink (a window's Close cleans its toolbar up), so the sink
  // and the add-in's sink are held until the handler has returned.
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                   EXCEPINFO*, UINT*) noexcept override {
    ComRef<IDispatch> self = ComRef<IDispatch>::Share(this);
    std::shared_ptr<Events> events = events_;
    ComEntry("EventSink.Invoke", [&] {
      if (events) Dispatcher<Events>::Invoke(*events, id, InvokeArguments(params));
    });
    return S_OK;
  }

 private:
  const std::shared_ptr<Events> events_;
};

}  // namespace

long LiveSinkCount() noexcept {
  return gLiveSinks.load();
}

template <class Events>
ComRef<IUnknown> NewEventSink(std::shared_ptr<Events> events) {
  if (!events) Fail(err::kInvalidCall, "No event sink to connect");
  return ComRef<IUnknown>::Adopt(EventSink<Events>::Make(std::move(events)).Detach());
}
template ComRef<IUnknown> NewEventSink(std::shared_ptr<host::ExplorersEvents>);
template ComRef<IUnknown> NewEventSink(std::shared_ptr<host::InspectorsEvents>);
template ComRef<IUnknown> NewEventSink(std::shared_ptr<host::ExplorerEvents>);
template ComRef<IUnknown> NewEventSink(std::shared_ptr<host::InspectorEvents>);
template ComRef<IUnknown> NewEventSink(std::shared_ptr<host::ItemEvents>);
template ComRef<IUnknown> NewEventSink(std::shared_ptr<host::CommandBarButtonEvents>);

// ---- Connections ----------------------------------------------------------------------------

namespace {

ComRef<IConnectionPoint> FindPoint(IDispatch* source, REFIID events, const std::string& what) {
  if (!source) Fail(err::kObjectNotSet, "Object variable not set: " + what);
  ComRef<IConnectionPointContainer> container;
  HRESULT hr = ComRef<IDispatch>::Share(source).QueryTo(container);
  ThrowIfFailed(hr, what + " has no events");
  ComRef<IConnectionPoint> point;
  hr = container->FindConnectionPoint(events, point.Out());
  ThrowIfFailed(hr, what + ": FindConnectionPoint");
  if (!point) ThrowCallFailure(E_POINTER, what + ": FindConnectionPoint");
  return point;
}

}  // namespace

host::Cookie Connections::Advise(IDispatch* source, REFIID events, IUnknown* sink,
                                 const std::string& what) {
  ComRef<IConnectionPoint> point = FindPoint(source, events, what);
  DWORD cookie = 0;
  HRESULT hr = point->Advise(sink, &cookie);
  ThrowIfFailed(hr, what + ": Advise");
  points_[cookie] = std::move(point);
  return cookie;
}

void Connections::Unadvise(IDispatch* source, REFIID events, host::Cookie cookie,
                           const std::string& what) {
  auto held = points_.find(cookie);
  ComRef<IConnectionPoint> point =
      held != points_.end() ? held->second : FindPoint(source, events, what);
  HRESULT hr = point->Unadvise(cookie);
  ThrowIfFailed(hr, what + ": Unadvise");
  // Looked up again: the host may have run code of ours during the call.
  points_.erase(cookie);
}

}  // namespace zormint::win32

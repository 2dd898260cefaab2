#include "win32/outlook/adapters.h"

#include <atomic>
#include <string>
#include <utility>

#include "common/error.h"
#include "win32/com/late_bound.h"
#include "win32/outlook/event_sinks.h"
#include "win32/services/resources.h"

namespace zormint::win32 {

namespace {

std::atomic<long> gLiveAdapters{0};

// Office's _CommandBarButton: what a control must be to be handled as a button.
constexpr IID kCommandBarButton = events::OfficeGuid(0x000C030E);

// Every adapter is counted while it exists.
class Counted {
 protected:
  Counted() noexcept { ++gLiveAdapters; }
  ~Counted() { --gLiveAdapters; }
  Counted(const Counted&) = delete;
  Counted& operator=(const Counted&) = delete;
};

// The common part of the adapters: the object, called late-bound, and its event connections.
class Adapter : Counted {
 protected:
  Adapter(ComRef<IDispatch> object, const char* kind) noexcept : object_(std::move(object), kind) {}

  // The item at a 1-based `index` of a collection. Outlook's collections do not publish Item
  // as their default member, so it is called by name.
  ComRef<IDispatch> ItemAt(int32_t index) {
    Arguments args;
    args.Int(index);
    const std::string what = object_.What(L"Item");
    Variant item = object_.Call(L"Item", args, DISPATCH_METHOD | DISPATCH_PROPERTYGET);
    return RequireObject(ToObject(item.Get(), what), what);
  }

  host::Cookie AdviseSink(REFIID events, ComRef<IUnknown> sink) {
    return connections_.Advise(object_.Raw(), events, sink.Get(), object_.Kind());
  }
  void UnadviseSink(REFIID events, host::Cookie cookie) {
    connections_.Unadvise(object_.Raw(), events, cookie, object_.Kind());
  }

  // The window of an Explorer or Inspector, through its IOleWindow (Outlook's windows answer
  // it): 0 when the object has no such interface or the handle is no window; a failing
  // GetWindow fails.
  host::WindowHandle WindowOf() {
    if (!object_.Raw()) return 0;
    ComRef<IOleWindow> ole = ComRef<IDispatch>::Share(object_.Raw()).Query<IOleWindow>();
    if (!ole) return 0;
    HWND window = nullptr;
    const HRESULT hr = ole->GetWindow(&window);
    if (FAILED(hr)) Fail(static_cast<int32_t>(hr), object_.What(L"GetWindow") + " failed");
    if (!window || !IsWindow(window)) return 0;
    return reinterpret_cast<host::WindowHandle>(window);
  }

  LateBound object_;
  Connections connections_;
};

template <class T>
std::shared_ptr<T> Make(ComRef<IDispatch> object) {
  return std::make_shared<T>(std::move(object));
}

// An adapter of `Interface`, for the templates below.
template <class Interface>
class AdapterOf : public Interface, protected Adapter {
 protected:
  using Adapter::Adapter;
};

// An object that fires the events of the event interface `kEvents`.
template <class Interface, const IID& kEvents>
class EventAdapter : public AdapterOf<Interface> {
 public:
  host::Cookie Advise(std::shared_ptr<typename Interface::Events> sink) override {
    return this->AdviseSink(kEvents, NewEventSink(std::move(sink)));
  }
  void Unadvise(host::Cookie cookie) override { this->UnadviseSink(kEvents, cookie); }

 protected:
  using AdapterOf<Interface>::AdapterOf;
};

// A collection (over AdapterOf or EventAdapter) whose elements are adapters `Element`.
template <class Base, class Element>
class CollectionAdapter : public Base {
 public:
  int32_t Count() override { return this->object_.GetInt32(L"Count"); }
  std::shared_ptr<typename Base::Element> Item(int32_t index) override {
    return Make<Element>(this->ItemAt(index));
  }

 protected:
  using Base::Base;
};

// ---- Mailbox objects ----------------------------------------------------------------------------

class FolderAdapter final : public host::Folder, Adapter {
 public:
  explicit FolderAdapter(ComRef<IDispatch> object) noexcept
      : Adapter(std::move(object), "MAPIFolder") {}
  int32_t DefaultItemType() override { return object_.GetInt32(L"DefaultItemType"); }
};

class ItemAdapter;

class PropertyAccessorAdapter final : public host::PropertyAccessor, Adapter {
 public:
  explicit PropertyAccessorAdapter(ComRef<IDispatch> object) noexcept
      : Adapter(std::move(object), "PropertyAccessor") {}
  host::PropertyValue GetProperty(const std::string& schemaName) override {
    Arguments args;
    args.String(schemaName);
    Variant value = object_.Call(L"GetProperty", args);
    const VARIANT& v = value.Get();
    const std::string what = object_.What(L"GetProperty");
    switch (V_VT(&v)) {
      case VT_BSTR:
        return ToUtf8(v, what);
      case VT_BOOL:
        return ToBool(v, what);
      case VT_I2:
      case VT_I4:
      case VT_UI1:
      case VT_UI2:
      case VT_INT:
        return ToInt32(v, what);
      default:
        return std::monostate();  // binary, dates and the like: nothing the add-in reads
    }
  }
};

class AttachmentAdapter final : public host::Attachment, Adapter {
 public:
  explicit AttachmentAdapter(ComRef<IDispatch> object) noexcept
      : Adapter(std::move(object), "Attachment") {}
  std::string FileName() override { return object_.GetUtf8(L"FileName"); }
  int32_t Type() override { return object_.GetInt32(L"Type"); }
  void SaveAsFile(const std::string& path) override {
    Arguments args;
    args.String(path);
    object_.Call(L"SaveAsFile", args);
  }
  std::shared_ptr<host::Item> Parent() override;
  std::shared_ptr<host::PropertyAccessor> PropertyAccessor() override {
    return Make<PropertyAccessorAdapter>(object_.GetObject(L"PropertyAccessor"));
  }
};

class AttachmentsAdapter final
    : public CollectionAdapter<AdapterOf<host::Attachments>, AttachmentAdapter> {
 public:
  explicit AttachmentsAdapter(ComRef<IDispatch> object) noexcept
      : CollectionAdapter(std::move(object), "Attachments") {}
};

class ItemAdapter final : public EventAdapter<host::Item, events::kItemEvents10> {
 public:
  explicit ItemAdapter(ComRef<IDispatch> object) noexcept
      : EventAdapter(std::move(object), "Item") {}
  int32_t Class() override { return object_.GetInt32(L"Class"); }
  bool Saved() override { return object_.GetBool(L"Saved"); }
  std::string EntryID() override { return object_.GetUtf8(L"EntryID"); }
  std::shared_ptr<host::Attachments> Attachments() override {
    return Make<AttachmentsAdapter>(object_.GetObject(L"Attachments"));
  }
  // COM identity: the IUnknown of both objects.
  bool IsSameObject(host::Item& other) noexcept override {
    auto* adapter = dynamic_cast<ItemAdapter*>(&other);
    return adapter && SameObject(object_.Raw(), adapter->object_.Raw());
  }
};

std::shared_ptr<host::Item> AttachmentAdapter::Parent() {
  return Make<ItemAdapter>(object_.GetObject(L"Parent"));
}

class AttachmentSelectionAdapter final
    : public CollectionAdapter<AdapterOf<host::AttachmentSelection>, AttachmentAdapter> {
 public:
  explicit AttachmentSelectionAdapter(ComRef<IDispatch> object) noexcept
      : CollectionAdapter(std::move(object), "AttachmentSelection") {}
  int32_t Class() override { return object_.GetInt32(L"Class"); }
};

class SelectionAdapter final : public CollectionAdapter<AdapterOf<host::Selection>, ItemAdapter> {
 public:
  explicit SelectionAdapter(ComRef<IDispatch> object) noexcept
      : CollectionAdapter(std::move(object), "Selection") {}
};

// ---- Command bars -------------------------------------------------------------------------------

class CommandBarButtonAdapter final
    : public EventAdapter<host::CommandBarButton, events::kCommandBarButtonEvents> {
 public:
  explicit CommandBarButtonAdapter(ComRef<IDispatch> object) noexcept
      : EventAdapter(std::move(object), "CommandBarButton") {}

  void SetCaption(const std::string& caption) override { PutText(L"Caption", caption); }
  void SetTag(const std::string& tag) override { PutText(L"Tag", tag); }
  void SetTooltipText(const std::string& text) override { PutText(L"TooltipText", text); }
  void SetOnAction(const std::string& action) override { PutText(L"OnAction", action); }
  void SetBeginGroup(bool beginGroup) override { PutBool(L"BeginGroup", beginGroup); }
  void SetEnabled(bool enabled) override { PutBool(L"Enabled", enabled); }
  void SetStyle(int32_t style) override {
    Arguments value;
    value.Int(style);
    object_.Put(L"Style", value);
  }
  void SetPicture(std::shared_ptr<host::Picture> picture) override {
    IPictureDisp* face = nullptr;
    if (picture) {
      // Only a picture of the Windows services is a COM picture the host can take.
      auto* com = dynamic_cast<ComPicture*>(picture.get());
      if (!com) ThrowCallFailure(DISP_E_TYPEMISMATCH, object_.What(L"Picture"));
      face = com->Get();
    }
    object_.PutObject(L"Picture", face);
  }
  void Delete(std::optional<bool> temporary) override {
    Arguments args;
    args.Bool(temporary);
    object_.Call(L"Delete", args);
  }

 private:
  void PutText(const wchar_t* name, const std::string& text) {
    Arguments value;
    value.String(text);
    object_.Put(name, value);
  }
  void PutBool(const wchar_t* name, bool flag) {
    Arguments value;
    value.Bool(flag);
    object_.Put(name, value);
  }
};

class CommandBarControlsAdapter final : public host::CommandBarControls, Adapter {
 public:
  explicit CommandBarControlsAdapter(ComRef<IDispatch> object) noexcept
      : Adapter(std::move(object), "CommandBarControls") {}
  std::shared_ptr<host::CommandBarButton> Add(const host::ControlAddArgs& args) override {
    Arguments call;
    call.Int(args.type).Int(args.id).String(args.parameter).Int(args.before).Bool(args.temporary);
    const std::string what = object_.What(L"Add");
    ComRef<IDispatch> control =
        RequireObject(ToObject(object_.Call(L"Add", call).Get(), what), what);
    // The control is on the bar now, whatever its kind; only a button is handed back, as a
    // client holding it in a CommandBarButton variable takes it.
    ComRef<IDispatch> button;
    if (FAILED(control.QueryTo(kCommandBarButton, button)) || !button) {
      Fail(err::kDispTypeMismatch, "Type mismatch: the control " + what + " made is not a button");
    }
    return Make<CommandBarButtonAdapter>(std::move(button));
  }
};

class CommandBarAdapter final : public host::CommandBar, Adapter {
 public:
  explicit CommandBarAdapter(ComRef<IDispatch> object) noexcept
      : Adapter(std::move(object), "CommandBar") {}
  std::string Name() override { return object_.GetUtf8(L"Name"); }
  std::shared_ptr<host::CommandBarControls> Controls() override {
    return Make<CommandBarControlsAdapter>(object_.GetObject(L"Controls"));
  }
};

class CommandBarsEnumAdapter final : public host::CommandBarsEnum, Counted {
 public:
  explicit CommandBarsEnumAdapter(ComRef<IEnumVARIANT> elements) noexcept
      : elements_(std::move(elements)) {}

  std::shared_ptr<host::CommandBar> Next() override {
    static const std::string what = "CommandBars._NewEnum";
    Variant element;
    ULONG fetched = 0;
    const HRESULT hr = elements_->Next(1, element.Out(), &fetched);
    ThrowIfFailed(hr, what);
    if (hr == S_FALSE || fetched == 0) return nullptr;
    // The enumerator has moved past the element even when it is not a command bar.
    ComRef<IDispatch> bar = ToObject(element.Get(), what);
    if (!bar) ThrowCallFailure(DISP_E_TYPEMISMATCH, what);
    return Make<CommandBarAdapter>(std::move(bar));
  }

 private:
  ComRef<IEnumVARIANT> elements_;
};

class CommandBarsAdapter final : public host::CommandBars, Adapter {
 public:
  explicit CommandBarsAdapter(ComRef<IDispatch> object) noexcept
      : Adapter(std::move(object), "CommandBars") {}
  std::shared_ptr<host::CommandBarsEnum> Enumerate() override {
    const std::string what = object_.What(L"_NewEnum");
    Variant result =
        object_.Invoke(DISPID_NEWENUM, DISPATCH_METHOD | DISPATCH_PROPERTYGET, Arguments(), what);
    IUnknown* unknown = nullptr;
    if (result.Type() == VT_UNKNOWN) unknown = V_UNKNOWN(&result.Get());
    if (result.Type() == VT_DISPATCH) unknown = V_DISPATCH(&result.Get());
    if (!unknown) ThrowCallFailure(DISP_E_TYPEMISMATCH, what);
    ComRef<IEnumVARIANT> elements;
    const HRESULT hr = ComRef<IUnknown>::Share(unknown).QueryTo(elements);
    ThrowIfFailed(hr, what);
    return std::make_shared<CommandBarsEnumAdapter>(std::move(elements));
  }
};

// ---- Windows ------------------------------------------------------------------------------------

// What an Explorer and an Inspector have alike.
template <class Interface, const IID& kEvents>
class WindowAdapter : public EventAdapter<Interface, kEvents> {
 public:
  int32_t Class() override { return this->object_.GetInt32(L"Class"); }
  std::shared_ptr<host::CommandBars> CommandBars() override {
    return Make<CommandBarsAdapter>(this->object_.GetObject(L"CommandBars"));
  }
  host::WindowHandle Window() override { return this->WindowOf(); }

 protected:
  using EventAdapter<Interface, kEvents>::EventAdapter;
};

class ExplorerAdapter final : public WindowAdapter<host::Explorer, events::kExplorerEvents10> {
 public:
  explicit ExplorerAdapter(ComRef<IDispatch> object) noexcept
      : WindowAdapter(std::move(object), "Explorer") {}
  std::shared_ptr<host::Folder> CurrentFolder() override {
    return Make<FolderAdapter>(object_.GetObject(L"CurrentFolder"));
  }
  std::shared_ptr<host::Selection> Selection() override {
    return Make<SelectionAdapter>(object_.GetObject(L"Selection"));
  }
};

class InspectorAdapter final : public WindowAdapter<host::Inspector, events::kInspectorEvents10> {
 public:
  explicit InspectorAdapter(ComRef<IDispatch> object) noexcept
      : WindowAdapter(std::move(object), "Inspector") {}
  // An Inspector may show no item: that is "none", not a failure.
  std::shared_ptr<host::Item> CurrentItem() override {
    ComRef<IDispatch> item = object_.GetObjectOrNone(L"CurrentItem");
    return item ? Make<ItemAdapter>(std::move(item)) : nullptr;
  }
  bool IsWordMail() override { return object_.GetBool(L"IsWordMail"); }
};

// The open windows of a kind: a collection that fires NewExplorer or NewInspector.
template <class Interface, class Element, const IID& kEvents>
using WindowsAdapter = CollectionAdapter<EventAdapter<Interface, kEvents>, Element>;

class ExplorersAdapter final
    : public WindowsAdapter<host::Explorers, ExplorerAdapter, events::kExplorersEvents> {
 public:
  explicit ExplorersAdapter(ComRef<IDispatch> object) noexcept
      : CollectionAdapter(std::move(object), "Explorers") {}
};

class InspectorsAdapter final
    : public WindowsAdapter<host::Inspectors, InspectorAdapter, events::kInspectorsEvents> {
 public:
  explicit InspectorsAdapter(ComRef<IDispatch> object) noexcept
      : CollectionAdapter(std::move(object), "Inspectors") {}
};

class ApplicationAdapter final : public host::Application, Adapter {
 public:
  explicit ApplicationAdapter(ComRef<IDispatch> object) noexcept
      : Adapter(std::move(object), "Application") {}
  std::shared_ptr<host::Explorers> Explorers() override {
    return Make<ExplorersAdapter>(object_.GetObject(L"Explorers"));
  }
  std::shared_ptr<host::Inspectors> Inspectors() override {
    return Make<InspectorsAdapter>(object_.GetObject(L"Inspectors"));
  }
  // Outlook without an Explorer window (started for a mail form, or by automation) has no
  // active Explorer: "none".
  std::shared_ptr<host::Explorer> ActiveExplorer() override {
    ComRef<IDispatch> explorer = object_.GetObjectOrNone(L"ActiveExplorer");
    return explorer ? Make<ExplorerAdapter>(std::move(explorer)) : nullptr;
  }
  std::string Version() override { return object_.GetUtf8(L"Version"); }
};

// ---- The ribbon ---------------------------------------------------------------------------------

// A ribbon control's Context: one object of Outlook's, taken as what its Class says.
class RibbonContextAdapter final : public host::RibbonContext, Adapter {
 public:
  explicit RibbonContextAdapter(ComRef<IDispatch> object) noexcept
      : Adapter(std::move(object), "Context") {}
  int32_t Class() override { return object_.GetInt32(L"Class"); }
  std::shared_ptr<host::Explorer> AsExplorer() override { return As<ExplorerAdapter>(); }
  std::shared_ptr<host::Inspector> AsInspector() override { return As<InspectorAdapter>(); }
  std::shared_ptr<host::AttachmentSelection> AsAttachmentSelection() override {
    return As<AttachmentSelectionAdapter>();
  }

 private:
  template <class T>
  std::shared_ptr<T> As() {
    return Make<T>(ComRef<IDispatch>::Share(object_.Raw()));
  }
};

class RibbonControlAdapter final : public host::RibbonControl, Adapter {
 public:
  explicit RibbonControlAdapter(ComRef<IDispatch> object) noexcept
      : Adapter(std::move(object), "IRibbonControl") {}
  std::string Id() override { return object_.GetUtf8(L"Id"); }
  std::shared_ptr<host::RibbonContext> Context() override {
    ComRef<IDispatch> context = object_.GetObjectOrNone(L"Context");
    return context ? Make<RibbonContextAdapter>(std::move(context)) : nullptr;
  }
  std::string Tag() override { return object_.GetUtf8(L"Tag"); }
};

class RibbonUIAdapter final : public host::RibbonUI, Adapter {
 public:
  explicit RibbonUIAdapter(ComRef<IDispatch> object) noexcept
      : Adapter(std::move(object), "IRibbonUI") {}
  void Invalidate() override { object_.Call(L"Invalidate", Arguments()); }
  void InvalidateControl(const std::string& controlId) override {
    Arguments args;
    args.String(controlId);
    object_.Call(L"InvalidateControl", args);
  }
};

template <class T>
std::shared_ptr<T> Wrap(IDispatch* object) {
  if (!object) return nullptr;
  return Make<T>(ComRef<IDispatch>::Share(object));
}

}  // namespace

std::shared_ptr<host::Application> WrapApplication(IDispatch* application) {
  return Wrap<ApplicationAdapter>(application);
}

std::shared_ptr<host::Explorer> WrapExplorer(IDispatch* explorer) {
  return Wrap<ExplorerAdapter>(explorer);
}

std::shared_ptr<host::Inspector> WrapInspector(IDispatch* inspector) {
  return Wrap<InspectorAdapter>(inspector);
}

std::shared_ptr<host::CommandBarButton> WrapCommandBarButton(IDispatch* button) {
  return Wrap<CommandBarButtonAdapter>(button);
}

std::shared_ptr<host::RibbonControl> WrapRibbonControl(IDispatch* control) {
  return Wrap<RibbonControlAdapter>(control);
}

std::shared_ptr<host::RibbonUI> WrapRibbonUI(IDispatch* ribbon) {
  return Wrap<RibbonUIAdapter>(ribbon);
}

long LiveAdapterCount() noexcept {
  return gLiveAdapters.load();
}

}  // namespace zormint::win32

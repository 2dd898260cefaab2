// The host objects the add-in holds: one fresh, counted proxy per hand-out, over the model.
//
// Every call first enters the fault plan with the member's published name ("Explorer.Selection",
// "CommandBarButton.Caption" for a property put), then looks up what the proxy stands for, so a
// call on a closed window or a deleted control fails with a ZError instead of touching freed
// state. Unadvise works on any object the model still knows, closed or deleted, so that the
// add-in can always disconnect.
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/paths.h"
#include "sim/model/sim_model.h"

namespace zormint::sim {

namespace {

// The counting part of every proxy: the model learns of its birth and death.
class Proxy {
 protected:
  Proxy(Model& model, const char* kind) : model_(model.Weak()), kind_(kind) {
    model.ProxyCreated(kind_);
  }
  ~Proxy() {
    if (auto model = model_.lock()) model->ProxyDestroyed(kind_);
  }
  Proxy(const Proxy&) = delete;
  Proxy& operator=(const Proxy&) = delete;

  // Records the call (and fails it when planned); the model is held for the call.
  std::shared_ptr<Model> Enter(const std::string& member) const {
    std::shared_ptr<Model> model = model_.lock();
    if (!model) Fail(kRpcDisconnected, "The host has exited: " + member);
    model->Faults().Enter(member);
    return model;
  }
  // The published name of a member of this kind of object ("Explorer.Class").
  std::string Member(const char* name) const { return std::string(kind_) + "." + name; }

 private:
  std::weak_ptr<Model> model_;
  const char* kind_;
};

template <class Sink>
host::Cookie Connect(Model& model, SinkList<Sink>& list, std::shared_ptr<Sink> sink) {
  if (!sink) Fail(err::kInvalidCall, "No sink to connect");
  host::Cookie cookie = model.NextCookie();
  list.Add(cookie, std::move(sink));
  return cookie;
}

// The sink comes back to the caller, who releases it after the list is consistent again.
template <class Sink>
[[nodiscard]] std::shared_ptr<Sink> Disconnect(SinkList<Sink>& list, host::Cookie cookie) {
  std::shared_ptr<Sink> sink = list.Remove(cookie);
  if (!sink) Fail(kConnectNoConnection, "The cookie is not connected");
  return sink;
}

void CheckIndex(int32_t index, size_t count) {
  if (index < 1 || static_cast<size_t>(index) > count) {
    Fail(err::kSubscriptOutOfRange, "Array index out of bounds");
  }
}

// ---- Mailbox objects ----------------------------------------------------------------------------

class FolderProxy final : public host::Folder, Proxy {
 public:
  FolderProxy(Model& model, FolderId id) : Proxy(model, "Folder"), id_(id) {}
  int32_t DefaultItemType() override {
    return Enter("Folder.DefaultItemType")->KnownFolder(id_).defaultItemType;
  }

 private:
  FolderId id_;
};

std::shared_ptr<host::Item> NewItemProxy(Model& model, ItemId id);

// MAPI's "not found" (MAPI_E_NOT_FOUND), which Outlook raises for a property an object lacks.
constexpr int32_t kMapiNotFound = static_cast<int32_t>(0x8004010Fu);

// An attachment's MAPI properties, as much of them as the model keeps: the content id, the
// hidden mark and the flags. A property that is not set is not there.
class PropertyAccessorProxy final : public host::PropertyAccessor, Proxy {
 public:
  PropertyAccessorProxy(Model& model, ItemId item, int32_t position)
      : Proxy(model, "PropertyAccessor"), item_(item), position_(position) {}

  host::PropertyValue GetProperty(const std::string& schemaName) override {
    auto model = Enter("PropertyAccessor.GetProperty");
    const AttachmentSpec& a =
        model->KnownItem(item_).contents.attachments.at(static_cast<size_t>(position_ - 1));
    const std::string tag = schemaName.substr(schemaName.rfind('/') + 1);
    if ((tag == "0x3712001F" || tag == "0x3712001f") && !a.contentId.empty()) return a.contentId;
    if ((tag == "0x7FFE000B" || tag == "0x7ffe000b") && a.hidden) return true;
    if (tag == "0x37140003" && a.flags != 0) return a.flags;
    Fail(kMapiNotFound, "The property \"" + schemaName + "\" is unknown or cannot be found.");
  }

 private:
  ItemId item_;
  int32_t position_;
};

class AttachmentProxy final : public host::Attachment, Proxy {
 public:
  AttachmentProxy(Model& model, ItemId item, int32_t position)
      : Proxy(model, "Attachment"), item_(item), position_(position) {}

  std::string FileName() override { return Contents(*Enter("Attachment.FileName")).fileName; }
  int32_t Type() override { return Contents(*Enter("Attachment.Type")).type; }

  void SaveAsFile(const std::string& path) override {
    auto model = Enter("Attachment.SaveAsFile");
    const AttachmentSpec& contents = Contents(*model);
    if (path.empty()) Fail(err::kInvalidCall, "Cannot save the attachment: no file name");
    if (model->KnownItem(item_).contents.saveRefused)
      Fail(err::kPathFileAccess, "Cannot save the attachment: the item is protected");
    // Only a file stored in the item can be written out.
    if (contents.type != host::kOlByValue)
      Fail(err::kInvalidCall, "Cannot save an attachment that holds no file: " + path);
    namespace fs = std::filesystem;
    fs::path target = platform::ToFsPath(path);
    std::error_code ec;
    if (target.has_parent_path() && !fs::is_directory(target.parent_path(), ec)) {
      Fail(err::kPathNotFound, "Cannot save the attachment. Path does not exist: " + path);
    }
    if (fs::is_directory(target, ec)) {
      Fail(err::kPathFileAccess, "Cannot save the attachment over a folder: " + path);
    }
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    if (!out) Fail(err::kPathFileAccess, "Cannot save the attachment: " + path);
    out.write(contents.bytes.data(), static_cast<std::streamsize>(contents.bytes.size()));
    out.close();
    if (!out) Fail(err::kPathFileAccess, "Cannot write the attachment: " + path);
  }

  std::shared_ptr<host::Item> Parent() override {
    auto model = Enter("Attachment.Parent");
    model->KnownItem(item_);
    return NewItemProxy(*model, item_);
  }

  std::shared_ptr<host::PropertyAccessor> PropertyAccessor() override {
    auto model = Enter("Attachment.PropertyAccessor");
    Contents(*model);
    // Outlook 2003 (11) and earlier have no PropertyAccessor.
    if (std::atoi(model->Version().c_str()) < 12) {
      Fail(err::kDispUnknownName, "Unknown name: Attachment.PropertyAccessor");
    }
    return std::make_shared<PropertyAccessorProxy>(*model, item_, position_);
  }

 private:
  const AttachmentSpec& Contents(Model& model) const {
    return model.KnownItem(item_).contents.attachments.at(static_cast<size_t>(position_ - 1));
  }
  ItemId item_;
  int32_t position_;
};

class AttachmentsProxy final : public host::Attachments, Proxy {
 public:
  AttachmentsProxy(Model& model, ItemId item) : Proxy(model, "Attachments"), item_(item) {}
  int32_t Count() override {
    return static_cast<int32_t>(
        Enter("Attachments.Count")->KnownItem(item_).contents.attachments.size());
  }
  std::shared_ptr<host::Attachment> Item(int32_t position) override {
    auto model = Enter("Attachments.Item");
    CheckIndex(position, model->KnownItem(item_).contents.attachments.size());
    return std::make_shared<AttachmentProxy>(*model, item_, position);
  }

 private:
  ItemId item_;
};

class ItemProxy final : public host::Item, Proxy {
 public:
  ItemProxy(Model& model, ItemId id) : Proxy(model, "Item"), id_(id) {}
  int32_t Class() override { return Enter("Item.Class")->KnownItem(id_).contents.itemClass; }
  bool Saved() override { return Enter("Item.Saved")->KnownItem(id_).contents.saved; }
  std::string EntryID() override { return Enter("Item.EntryID")->KnownItem(id_).contents.entryId; }
  std::shared_ptr<host::Attachments> Attachments() override {
    auto model = Enter("Item.Attachments");
    model->KnownItem(id_);
    return std::make_shared<AttachmentsProxy>(*model, id_);
  }
  host::Cookie Advise(std::shared_ptr<host::ItemEvents> sink) override {
    auto model = Enter("Item.Advise");
    return Connect(*model, model->KnownItem(id_).sinks, std::move(sink));
  }
  void Unadvise(host::Cookie cookie) override {
    auto model = Enter("Item.Unadvise");
    auto released = Disconnect(model->KnownItem(id_).sinks, cookie);
  }
  // Outlook hands out one object per open item, whichever way it is reached.
  bool IsSameObject(host::Item& other) noexcept override {
    const auto* same = dynamic_cast<const ItemProxy*>(&other);
    return same && same->id_ == id_;
  }

 private:
  ItemId id_;
};

// A snapshot of the items selected when Explorer.Selection was read.
class SelectionProxy final : public host::Selection, Proxy {
 public:
  SelectionProxy(Model& model, std::vector<ItemId> items)
      : Proxy(model, "Selection"), items_(std::move(items)) {}
  int32_t Count() override {
    Enter("Selection.Count");
    return static_cast<int32_t>(items_.size());
  }
  std::shared_ptr<host::Item> Item(int32_t index) override {
    auto model = Enter("Selection.Item");
    CheckIndex(index, items_.size());
    return std::make_shared<ItemProxy>(*model, items_[static_cast<size_t>(index - 1)]);
  }

 private:
  std::vector<ItemId> items_;
};

// A snapshot of the attachments selected when the ribbon control's Context was read.
class AttachmentSelectionProxy final : public host::AttachmentSelection, Proxy {
 public:
  AttachmentSelectionProxy(Model& model, ItemId item, std::vector<int32_t> positions)
      : Proxy(model, "AttachmentSelection"), item_(item), positions_(std::move(positions)) {}
  int32_t Class() override {
    Enter("AttachmentSelection.Class");
    return host::kOlAttachmentSelection;
  }
  int32_t Count() override {
    Enter("AttachmentSelection.Count");
    return static_cast<int32_t>(positions_.size());
  }
  std::shared_ptr<host::Attachment> Item(int32_t index) override {
    auto model = Enter("AttachmentSelection.Item");
    CheckIndex(index, positions_.size());
    return std::make_shared<AttachmentProxy>(*model, item_,
                                             positions_[static_cast<size_t>(index - 1)]);
  }

 private:
  ItemId item_;
  std::vector<int32_t> positions_;
};

std::shared_ptr<host::Item> NewItemProxy(Model& model, ItemId id) {
  return std::make_shared<ItemProxy>(model, id);
}

// ---- The ribbon (Office's objects) --------------------------------------------------------------

// A control's Context: the window, or the window's attachment selection.
class RibbonContextProxy final : public host::RibbonContext, Proxy {
 public:
  RibbonContextProxy(Model& model, WindowRef window, bool onAttachments)
      : Proxy(model, "RibbonContext"),
        model_(model.Weak()),
        window_(window),
        onAttachments_(onAttachments) {}
  // What the object itself answers.
  int32_t Class() override {
    if (onAttachments_) return AsAttachmentSelection()->Class();
    if (window_.kind == WindowRef::kExplorer) return AsExplorer()->Class();
    return AsInspector()->Class();
  }
  std::shared_ptr<host::Explorer> AsExplorer() override {
    auto model = Held();
    if (onAttachments_ || window_.kind != WindowRef::kExplorer) return nullptr;
    return NewExplorerProxy(*model, window_.id);
  }
  std::shared_ptr<host::Inspector> AsInspector() override {
    auto model = Held();
    if (onAttachments_ || window_.kind != WindowRef::kInspector) return nullptr;
    return NewInspectorProxy(*model, window_.id);
  }
  std::shared_ptr<host::AttachmentSelection> AsAttachmentSelection() override {
    auto model = Held();
    if (!onAttachments_) return nullptr;
    const ItemId item = model->ShownItem(window_);
    std::vector<int32_t> positions = model->OpenWindow(window_).selectedAttachments;
    return std::make_shared<AttachmentSelectionProxy>(*model, item, std::move(positions));
  }

 private:
  // The model, without entering the fault plan: the As forms are no host calls.
  std::shared_ptr<Model> Held() const {
    std::shared_ptr<Model> model = model_.lock();
    if (!model) Fail(kRpcDisconnected, "The host has exited: RibbonContext");
    return model;
  }

  std::weak_ptr<Model> model_;
  WindowRef window_;
  bool onAttachments_;
};

class RibbonControlProxy final : public host::RibbonControl, Proxy {
 public:
  RibbonControlProxy(Model& model, WindowRef window, std::string id, std::string tag,
                     bool onAttachments)
      : Proxy(model, "IRibbonControl"),
        window_(window),
        id_(std::move(id)),
        tag_(std::move(tag)),
        onAttachments_(onAttachments) {}
  std::string Id() override {
    Enter("IRibbonControl.Id");
    return id_;
  }
  std::shared_ptr<host::RibbonContext> Context() override {
    auto model = Enter("IRibbonControl.Context");
    return std::make_shared<RibbonContextProxy>(*model, window_, onAttachments_);
  }
  std::string Tag() override {
    Enter("IRibbonControl.Tag");
    return tag_;
  }

 private:
  WindowRef window_;
  std::string id_, tag_;
  bool onAttachments_;
};

class RibbonUIProxy final : public host::RibbonUI, Proxy {
 public:
  RibbonUIProxy(Model& model, std::string ribbonId)
      : Proxy(model, "IRibbonUI"), ribbonId_(std::move(ribbonId)) {}
  void Invalidate() override { Enter("IRibbonUI.Invalidate")->RecordInvalidation(ribbonId_, "*"); }
  void InvalidateControl(const std::string& controlId) override {
    Enter("IRibbonUI.InvalidateControl")->RecordInvalidation(ribbonId_, controlId);
  }

 private:
  std::string ribbonId_;
};

// ---- Command bars -------------------------------------------------------------------------------

class ButtonProxy final : public host::CommandBarButton, Proxy {
 public:
  ButtonProxy(Model& model, ControlId id) : Proxy(model, "CommandBarButton"), id_(id) {}

  void SetCaption(const std::string& caption) override {
    Put("CommandBarButton.Caption", [&](ControlView& view) { view.caption = caption; });
  }
  void SetTag(const std::string& tag) override {
    Put("CommandBarButton.Tag", [&](ControlView& view) { view.tag = tag; });
  }
  void SetTooltipText(const std::string& text) override {
    Put("CommandBarButton.TooltipText", [&](ControlView& view) { view.tooltipText = text; });
  }
  void SetOnAction(const std::string& action) override {
    Put("CommandBarButton.OnAction", [&](ControlView& view) { view.onAction = action; });
  }
  void SetBeginGroup(bool beginGroup) override {
    Put("CommandBarButton.BeginGroup", [&](ControlView& view) { view.beginGroup = beginGroup; });
  }
  void SetEnabled(bool enabled) override {
    Put("CommandBarButton.Enabled", [&](ControlView& view) { view.enabled = enabled; });
  }
  void SetStyle(int32_t style) override {
    Put("CommandBarButton.Style", [&](ControlView& view) {
      // msoButtonStyle: automatic, icon, caption, icon and caption, wrap caption, and the
      // caption-below forms.
      switch (style) {
        case 0:
        case 1:
        case 2:
        case 3:
        case 7:
        case 14:
        case 15:
        case 19:
          view.style = style;
          return;
        default:
          Fail(err::kInvalidCall, "Invalid button style");
      }
    });
  }
  void SetPicture(std::shared_ptr<host::Picture> picture) override {
    Put("CommandBarButton.Picture", [&](ControlView& view) {
      if (!picture) Fail(err::kInvalidCall, "No picture");
      view.picture = std::move(picture);
    });
  }
  void Delete(std::optional<bool> /*temporary*/) override {
    auto model = Enter("CommandBarButton.Delete");
    model->LiveButton(id_);
    model->DeleteControl(id_);
  }
  host::Cookie Advise(std::shared_ptr<host::CommandBarButtonEvents> sink) override {
    auto model = Enter("CommandBarButton.Advise");
    return Connect(*model, model->LiveButton(id_).sinks, std::move(sink));
  }
  void Unadvise(host::Cookie cookie) override {
    auto model = Enter("CommandBarButton.Unadvise");
    auto released = Disconnect(model->KnownControl(id_).sinks, cookie);
  }

 private:
  // A property put: enters the plan, then changes the control while the model is held.
  template <class Change>
  void Put(const char* member, Change change) {
    auto model = Enter(member);
    change(model->LiveButton(id_).view);
  }
  ControlId id_;
};

class ControlsProxy final : public host::CommandBarControls, Proxy {
 public:
  ControlsProxy(Model& model, WindowRef window, int bar)
      : Proxy(model, "CommandBarControls"), window_(window), bar_(bar) {}
  std::shared_ptr<host::CommandBarButton> Add(const host::ControlAddArgs& args) override {
    auto model = Enter("CommandBarControls.Add");
    int32_t type = args.type.value_or(host::kMsoControlButton);
    ControlId id =
        model->AddControl(window_, bar_, type, args.before, args.temporary.value_or(false), true);
    // The control is on the bar now, whatever its type; only a button can be handed back.
    if (type != host::kMsoControlButton) Fail(err::kTypeMismatch, "Type mismatch");
    return NewButtonProxy(*model, id);
  }

 private:
  WindowRef window_;
  int bar_;
};

class CommandBarProxy final : public host::CommandBar, Proxy {
 public:
  CommandBarProxy(Model& model, WindowRef window, int bar)
      : Proxy(model, "CommandBar"), window_(window), bar_(bar) {}
  std::string Name() override { return Enter("CommandBar.Name")->OpenBar(window_, bar_).name; }
  std::shared_ptr<host::CommandBarControls> Controls() override {
    auto model = Enter("CommandBar.Controls");
    model->OpenBar(window_, bar_);
    return std::make_shared<ControlsProxy>(*model, window_, bar_);
  }

 private:
  WindowRef window_;
  int bar_;
};

// The enumerator of _NewEnum: an element that is not a command bar fails the conversion with a
// type mismatch; the enumerator has moved past it all the same.
class CommandBarsEnumProxy final : public host::CommandBarsEnum, Proxy {
 public:
  CommandBarsEnumProxy(Model& model, WindowRef window)
      : Proxy(model, "CommandBarsEnum"), window_(window) {}
  std::shared_ptr<host::CommandBar> Next() override {
    auto model = Enter("CommandBarsEnum.Next");
    const WindowData& window = model->OpenWindow(window_);
    if (next_ >= window.bars.size()) return nullptr;
    size_t index = next_++;
    if (window.bars[index].name.empty()) Fail(err::kTypeMismatch, "Type mismatch");
    return std::make_shared<CommandBarProxy>(*model, window_, static_cast<int>(index));
  }

 private:
  WindowRef window_;
  size_t next_ = 0;
};

class CommandBarsProxy final : public host::CommandBars, Proxy {
 public:
  CommandBarsProxy(Model& model, WindowRef window) : Proxy(model, "CommandBars"), window_(window) {}
  std::shared_ptr<host::CommandBarsEnum> Enumerate() override {
    auto model = Enter("CommandBars._NewEnum");
    model->OpenWindow(window_);
    return std::make_shared<CommandBarsEnumProxy>(*model, window_);
  }

 private:
  WindowRef window_;
};

// ---- Windows ------------------------------------------------------------------------------------

// What the proxies of an Explorer and an Inspector have alike, over the window's data in the
// model (ExplorerData, InspectorData).
template <class Interface, WindowRef::Kind kKind>
class WindowProxy : public Interface, protected Proxy {
  static constexpr bool kExplorer = kKind == WindowRef::kExplorer;

 public:
  int32_t Class() override {
    Open(*Enter(Member("Class")));
    return kExplorer ? host::kOlExplorer : host::kOlInspector;
  }
  std::shared_ptr<host::CommandBars> CommandBars() override {
    auto model = Enter(Member("CommandBars"));
    Open(*model);
    return std::make_shared<CommandBarsProxy>(*model, WindowRef{kKind, id_});
  }
  host::Cookie Advise(std::shared_ptr<typename Interface::Events> sink) override {
    auto model = Enter(Member("Advise"));
    return Connect(*model, Open(*model).sinks, std::move(sink));
  }
  void Unadvise(host::Cookie cookie) override {
    auto model = Enter(Member("Unadvise"));
    if constexpr (kExplorer) {
      auto released = Disconnect(model->KnownExplorer(id_).sinks, cookie);
    } else {
      auto released = Disconnect(model->KnownInspector(id_).sinks, cookie);
    }
  }
  host::WindowHandle Window() override { return Open(*Enter(Member("GetWindow"))).handle; }

 protected:
  WindowProxy(Model& model, int id) : Proxy(model, kExplorer ? "Explorer" : "Inspector"), id_(id) {}
  auto& Open(Model& model) const {
    if constexpr (kExplorer)
      return model.OpenExplorerData(id_);
    else
      return model.OpenInspectorData(id_);
  }
  const int id_;
};

class ExplorerProxy final : public WindowProxy<host::Explorer, WindowRef::kExplorer> {
 public:
  ExplorerProxy(Model& model, ExplorerId id) : WindowProxy(model, id) {}
  std::shared_ptr<host::Folder> CurrentFolder() override {
    auto model = Enter("Explorer.CurrentFolder");
    return std::make_shared<FolderProxy>(*model, Open(*model).folder);
  }
  std::shared_ptr<host::Selection> Selection() override {
    auto model = Enter("Explorer.Selection");
    return std::make_shared<SelectionProxy>(*model, Open(*model).selection);
  }
};

class InspectorProxy final : public WindowProxy<host::Inspector, WindowRef::kInspector> {
 public:
  InspectorProxy(Model& model, InspectorId id) : WindowProxy(model, id) {}
  std::shared_ptr<host::Item> CurrentItem() override {
    auto model = Enter("Inspector.CurrentItem");
    return std::make_shared<ItemProxy>(*model, Open(*model).item);
  }
  bool IsWordMail() override { return Open(*Enter("Inspector.IsWordMail")).wordMail; }
};

// ---- Collections and the application ------------------------------------------------------------

// The open windows of a kind, in the order of their opening.
template <class Interface, WindowRef::Kind kKind>
class WindowsProxy final : public Interface, Proxy {
  static constexpr bool kExplorers = kKind == WindowRef::kExplorer;

 public:
  explicit WindowsProxy(Model& model) : Proxy(model, kExplorers ? "Explorers" : "Inspectors") {}
  int32_t Count() override { return static_cast<int32_t>(Order(*Enter(Member("Count"))).size()); }
  std::shared_ptr<typename Interface::Element> Item(int32_t index) override {
    auto model = Enter(Member("Item"));
    CheckIndex(index, Order(*model).size());
    const int id = Order(*model)[static_cast<size_t>(index - 1)];
    if constexpr (kExplorers)
      return NewExplorerProxy(*model, id);
    else
      return NewInspectorProxy(*model, id);
  }
  host::Cookie Advise(std::shared_ptr<typename Interface::Events> sink) override {
    auto model = Enter(Member("Advise"));
    return Connect(*model, Sinks(*model), std::move(sink));
  }
  void Unadvise(host::Cookie cookie) override {
    auto model = Enter(Member("Unadvise"));
    auto released = Disconnect(Sinks(*model), cookie);
  }

 private:
  static const std::vector<int>& Order(Model& model) {
    if constexpr (kExplorers)
      return model.ExplorerOrder();
    else
      return model.InspectorOrder();
  }
  static auto& Sinks(Model& model) {
    if constexpr (kExplorers)
      return model.ExplorersSinks();
    else
      return model.InspectorsSinks();
  }
};

class ApplicationProxy final : public host::Application, Proxy {
 public:
  explicit ApplicationProxy(Model& model) : Proxy(model, "Application") {}
  std::shared_ptr<host::Explorers> Explorers() override {
    return std::make_shared<WindowsProxy<host::Explorers, WindowRef::kExplorer>>(
        *Enter("Application.Explorers"));
  }
  std::shared_ptr<host::Inspectors> Inspectors() override {
    return std::make_shared<WindowsProxy<host::Inspectors, WindowRef::kInspector>>(
        *Enter("Application.Inspectors"));
  }
  std::string Version() override { return Enter("Application.Version")->Version(); }
  // None (a null reference) while no Explorer is open, as in Outlook.
  std::shared_ptr<host::Explorer> ActiveExplorer() override {
    auto model = Enter("Application.ActiveExplorer");
    ExplorerId id = model->ActiveExplorerId();
    if (id == 0) return nullptr;
    return NewExplorerProxy(*model, id);
  }
};

}  // namespace

std::shared_ptr<host::Application> NewApplicationProxy(Model& model) {
  return std::make_shared<ApplicationProxy>(model);
}

std::shared_ptr<host::Explorer> NewExplorerProxy(Model& model, ExplorerId id) {
  return std::make_shared<ExplorerProxy>(model, id);
}

std::shared_ptr<host::Inspector> NewInspectorProxy(Model& model, InspectorId id) {
  return std::make_shared<InspectorProxy>(model, id);
}

std::shared_ptr<host::CommandBarButton> NewButtonProxy(Model& model, ControlId id) {
  return std::make_shared<ButtonProxy>(model, id);
}

std::shared_ptr<host::RibbonControl> NewRibbonControlProxy(Model& model, WindowRef window,
                                                           std::string id, std::string tag,
                                                           bool onAttachments) {
  return std::make_shared<RibbonControlProxy>(model, window, std::move(id), std::move(tag),
                                              onAttachments);
}

std::shared_ptr<host::RibbonUI> NewRibbonUIProxy(Model& model, std::string ribbonId) {
  return std::make_shared<RibbonUIProxy>(model, std::move(ribbonId));
}

}  // namespace zormint::sim

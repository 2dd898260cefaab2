// The host interface: a typed C++ view of the Outlook and Office command-bar objects the add-in
// uses, with their events.
//
// Every host object is a counted reference (std::shared_ptr). Each call that returns a host
// object hands out a new reference, as a COM call would; the add-in releases it by dropping the
// pointer. Every call may fail by throwing zormint::ZError.
//
// Events follow COM connection points: Advise hands the host a strong reference to a sink and
// returns a cookie; the host keeps the sink (and whatever the sink keeps alive) until Unadvise.
// Strings are UTF-8.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "host/picture.h"

namespace zormint::host {

using Cookie = uint32_t;

// A window on the screen, as an opaque value (the system's window handle); 0 for none.
using WindowHandle = uintptr_t;

// Outlook's item classes (OlObjectClass) that the add-in looks at.
constexpr int32_t kOlMail = 43;
constexpr int32_t kOlPost = 45;
// Folder default item types (OlItemType).
constexpr int32_t kOlMailItem = 0;
constexpr int32_t kOlPostItem = 6;
// Attachment types (OlAttachmentType): only an attachment by value holds a file of its own.
constexpr int32_t kOlByValue = 1;
constexpr int32_t kOlByReference = 4;  // also a link to a cloud file
constexpr int32_t kOlEmbeddeditem = 5;
constexpr int32_t kOlOLE = 6;
// The classes (OlObjectClass) of what a ribbon control's Context can be.
constexpr int32_t kOlExplorer = 34;
constexpr int32_t kOlInspector = 35;
constexpr int32_t kOlAttachmentSelection = 169;
// Office command-bar constants.
constexpr int32_t kMsoControlButton = 1;
constexpr int32_t kMsoButtonIcon = 1;

class Explorer;
class Inspector;
class Item;
class CommandBarButton;

// ---- Events ---------------------------------------------------------------------------------

class ExplorersEvents {
 public:
  virtual ~ExplorersEvents() = default;
  virtual void NewExplorer(std::shared_ptr<Explorer> explorer) = 0;
};

class InspectorsEvents {
 public:
  virtual ~InspectorsEvents() = default;
  virtual void NewInspector(std::shared_ptr<Inspector> inspector) = 0;
};

// The events of every Outlook window, an Explorer's and an Inspector's alike.
class WindowEvents {
 public:
  virtual ~WindowEvents() = default;
  virtual void Activate() {}
  virtual void Deactivate() {}
  virtual void Close() {}
  virtual void AttachmentSelectionChange() {}  // Outlook 2010 and later
};

class ExplorerEvents : public WindowEvents {
 public:
  virtual void FolderSwitch() {}
  virtual void ViewSwitch() {}
  virtual void SelectionChange() {}
};

class InspectorEvents : public WindowEvents {};

class ItemEvents {
 public:
  virtual ~ItemEvents() = default;
  virtual void Read() {}
  virtual void Write(bool& /*cancel*/) {}
  virtual void Open(bool& /*cancel*/) {}
  virtual void Close(bool& /*cancel*/) {}
};

class CommandBarButtonEvents {
 public:
  virtual ~CommandBarButtonEvents() = default;
  virtual void Click(std::shared_ptr<CommandBarButton> ctrl, bool& cancelDefault) = 0;
};

// An object that fires `E`: Advise hands the host a sink and returns the connection's cookie.
template <class E>
class EventSource {
 public:
  using Events = E;
  virtual ~EventSource() = default;
  virtual Cookie Advise(std::shared_ptr<Events> sink) = 0;
  virtual void Unadvise(Cookie cookie) = 0;
};

// One of Outlook's collections: how many, and the element at a 1-based position.
template <class E>
class Collection {
 public:
  using Element = E;
  virtual ~Collection() = default;
  virtual int32_t Count() = 0;
  virtual std::shared_ptr<Element> Item(int32_t index) = 0;  // 1-based
};

// ---- Objects --------------------------------------------------------------------------------

// A MAPI property's value as Attachment.PropertyAccessor reads it: text (PT_UNICODE), a flag
// (PT_BOOLEAN), a number (PT_LONG), or something else (empty).
using PropertyValue = std::variant<std::monostate, std::string, bool, int32_t>;

// Reads MAPI properties by their schema name ("http://schemas.microsoft.com/mapi/proptag/
// 0x3712001F"); Outlook 2007 and later. GetProperty fails for a property the object does not
// have.
class PropertyAccessor {
 public:
  virtual ~PropertyAccessor() = default;
  virtual PropertyValue GetProperty(const std::string& schemaName) = 0;
};

class Attachment {
 public:
  virtual ~Attachment() = default;
  virtual std::string FileName() = 0;
  // How the attachment is held (OlAttachmentType): kOlByValue for a file stored in the item.
  virtual int32_t Type() = 0;
  // Writes the attachment to the full path given, replacing an existing file.
  virtual void SaveAsFile(const std::string& path) = 0;
  // The item the attachment belongs to.
  virtual std::shared_ptr<host::Item> Parent() = 0;
  // Its MAPI properties (Outlook 2007 and later; fails before).
  virtual std::shared_ptr<host::PropertyAccessor> PropertyAccessor() = 0;
};

class Attachments : public Collection<Attachment> {};

// Any Outlook item (mail, post, contact, appointment ...). Class tells which kind it is; the
// add-in takes an item "as a mail item" only when Class is 43 (or 45 for a post).
class Item : public EventSource<ItemEvents> {  // ItemEvents_10
 public:
  virtual int32_t Class() = 0;
  virtual bool Saved() = 0;
  virtual std::string EntryID() = 0;
  virtual std::shared_ptr<host::Attachments> Attachments() = 0;
  // Whether `other` is this same Outlook object, told by object identity without calling any of
  // the host's members; false whenever it cannot be told. Never fails.
  virtual bool IsSameObject(Item& other) noexcept = 0;
};

class Selection : public Collection<host::Item> {};

// The attachments selected in a window's attachment well (Outlook 2010 and later).
class AttachmentSelection : public Collection<Attachment> {
 public:
  virtual int32_t Class() = 0;  // kOlAttachmentSelection
};

class Folder {
 public:
  virtual ~Folder() = default;
  virtual int32_t DefaultItemType() = 0;
};

class CommandBarControl {
 public:
  virtual ~CommandBarControl() = default;
};

class CommandBarButton : public EventSource<CommandBarButtonEvents> {
 public:
  virtual void SetCaption(const std::string& caption) = 0;
  virtual void SetTag(const std::string& tag) = 0;
  virtual void SetTooltipText(const std::string& text) = 0;
  virtual void SetOnAction(const std::string& action) = 0;
  virtual void SetBeginGroup(bool beginGroup) = 0;
  virtual void SetEnabled(bool enabled) = 0;
  virtual void SetStyle(int32_t style) = 0;
  virtual void SetPicture(std::shared_ptr<Picture> picture) = 0;
  virtual void Delete(std::optional<bool> temporary = std::nullopt) = 0;
};

struct ControlAddArgs {
  std::optional<int32_t> type;
  std::optional<int32_t> id;
  std::optional<std::string> parameter;
  std::optional<int32_t> before;
  std::optional<bool> temporary;
};

class CommandBarControls {
 public:
  virtual ~CommandBarControls() = default;
  // Adds a control at the end of the bar (or before `before`). A control of type 1 is a
  // button; it fails with a type mismatch when the new control is not a button.
  virtual std::shared_ptr<CommandBarButton> Add(const ControlAddArgs& args) = 0;
};

class CommandBar {
 public:
  virtual ~CommandBar() = default;
  virtual std::string Name() = 0;  // the internal, not the localised, name
  virtual std::shared_ptr<CommandBarControls> Controls() = 0;
};

// The enumeration of a window's command bars (_NewEnum), in the host's order.
class CommandBarsEnum {
 public:
  virtual ~CommandBarsEnum() = default;
  // The next bar, or nullptr at the end. Throws a type mismatch for an element that is not a
  // command bar.
  virtual std::shared_ptr<CommandBar> Next() = 0;
};

class CommandBars {
 public:
  virtual ~CommandBars() = default;
  virtual std::shared_ptr<CommandBarsEnum> Enumerate() = 0;
};

// What an Explorer and an Inspector have alike: a window of Outlook's with command bars.
template <class Events>
class OutlookWindow : public EventSource<Events> {
 public:
  virtual int32_t Class() = 0;  // kOlExplorer, kOlInspector
  virtual std::shared_ptr<host::CommandBars> CommandBars() = 0;
  // The window on the screen, as the object's IOleWindow gives it; 0 when it has none (no such
  // interface, a handle that is no window). A failing GetWindow fails.
  virtual WindowHandle Window() = 0;
};

class Explorer : public OutlookWindow<ExplorerEvents> {  // ExplorerEvents_10
 public:
  virtual std::shared_ptr<Folder> CurrentFolder() = 0;
  virtual std::shared_ptr<host::Selection> Selection() = 0;
};

class Inspector : public OutlookWindow<InspectorEvents> {  // InspectorEvents_10
 public:
  virtual std::shared_ptr<Item> CurrentItem() = 0;
  virtual bool IsWordMail() = 0;
};

// The open windows of a kind, and the event of a new one.
class Explorers : public Collection<Explorer>, public EventSource<ExplorersEvents> {};
class Inspectors : public Collection<Inspector>, public EventSource<InspectorsEvents> {};

class Application {
 public:
  virtual ~Application() = default;
  virtual std::shared_ptr<host::Explorers> Explorers() = 0;
  virtual std::shared_ptr<host::Inspectors> Inspectors() = 0;
  virtual std::shared_ptr<Explorer> ActiveExplorer() = 0;
  virtual std::string Version() = 0;  // "16.0.0.17928": the major version first
};

// ---- The ribbon (Office's objects) ----------------------------------------------------------

// What a ribbon control acts on: the Explorer or Inspector whose ribbon shows it, or the
// attachments a context menu was opened on. Class tells which; the As forms make no host call
// and give none for another kind.
class RibbonContext {
 public:
  virtual ~RibbonContext() = default;
  virtual int32_t Class() = 0;
  virtual std::shared_ptr<Explorer> AsExplorer() = 0;
  virtual std::shared_ptr<Inspector> AsInspector() = 0;
  virtual std::shared_ptr<host::AttachmentSelection> AsAttachmentSelection() = 0;
};

// The control a ribbon callback is made for.
class RibbonControl {
 public:
  virtual ~RibbonControl() = default;
  virtual std::string Id() = 0;
  virtual std::shared_ptr<RibbonContext> Context() = 0;  // none for a control without one
  virtual std::string Tag() = 0;
};

// The add-in's ribbon as Office hands it to the onLoad callback: asks Office to query the
// callbacks of the add-in's controls again.
class RibbonUI {
 public:
  virtual ~RibbonUI() = default;
  virtual void Invalidate() = 0;
  virtual void InvalidateControl(const std::string& controlId) = 0;
};

}  // namespace zormint::host

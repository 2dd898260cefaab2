// The simulated Outlook: an in-memory model of the Outlook objects the add-in uses, faithful to
// the published object model, for tests and for the simulated Outlook program.
//
// The model is driven by the test (open windows, switch folders, select, click, close ...) and
// fires the events Outlook would fire. The add-in sees the model only through host::
// interfaces: every host object handed to the add-in is a fresh counted proxy, and every call
// through a proxy enters the FaultPlan (record and fault injection). The model counts the
// proxies alive (the references the add-in holds) and the event sinks connected, so that a test
// can check that none is left after the add-in has disconnected.
//
// Windows, folders and items are named by small ids that the model hands out.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/host.h"
#include "sim/model/fault_plan.h"

namespace zormint::sim {

using FolderId = int;
using ItemId = int;
using ExplorerId = int;
using InspectorId = int;

struct AttachmentSpec {
  std::string fileName;
  std::string bytes;                // what SaveAsFile writes
  int32_t type = host::kOlByValue;  // Attachment.Type
  // What Attachment.PropertyAccessor reads (MAPI): PR_ATTACH_CONTENT_ID (none when empty),
  // PR_ATTACHMENT_HIDDEN and PR_ATTACH_FLAGS.
  std::string contentId;
  bool hidden = false;
  int32_t flags = 0;
};

struct ItemSpec {
  int32_t itemClass = host::kOlMail;  // 43 mail, 45 post, 40 contact, 26 appointment ...
  bool saved = true;
  std::string entryId;  // generated when empty
  std::string subject;
  // A protected (rights-managed or encrypted) item: every SaveAsFile of its attachments fails.
  bool saveRefused = false;
  std::vector<AttachmentSpec> attachments;
};

// A picture object as the simulated host receives it (what a button face was set to).
class SimPicture : public host::Picture {
 public:
  SimPicture(int32_t width, int32_t height, int32_t bitsPerPixel)
      : width(width), height(height), bitsPerPixel(bitsPerPixel) {}
  int32_t width, height, bitsPerPixel;
};

// What a user (or a test) can see of one control on a command bar.
struct ControlView {
  bool addedByAddIn = false;  // false for the host's own controls
  int32_t type = host::kMsoControlButton;
  bool temporary = false;
  std::string caption, tag, tooltipText, onAction;
  bool beginGroup = false;
  bool enabled = true;
  bool visible = true;
  int32_t style = 0;                       // 0 = host default (msoButtonAutomatic)
  std::shared_ptr<host::Picture> picture;  // none when no face was set
};

// Which window a command bar belongs to.
struct WindowRef {
  enum Kind { kExplorer, kInspector } kind;
  int id;
};

class Outlook : public std::enable_shared_from_this<Outlook> {
 public:
  static std::shared_ptr<Outlook> Create();
  virtual ~Outlook() = default;

  virtual FaultPlan& Faults() = 0;

  // The application object, as Outlook hands it to an add-in (a counted reference).
  virtual std::shared_ptr<host::Application> Application() = 0;

  // ---- Mailbox ------------------------------------------------------------------------------
  virtual FolderId AddFolder(const std::string& name, int32_t defaultItemType) = 0;
  virtual ItemId AddItem(FolderId folder, ItemSpec contents) = 0;
  virtual void SetSaved(ItemId item, bool saved) = 0;
  virtual std::string EntryIdOf(ItemId item) const = 0;

  // ---- Explorers ----------------------------------------------------------------------------
  // Opens an Explorer on a folder: it becomes the last item of Explorers (index Count) and the
  // active Explorer, then NewExplorer fires. Every window gets the command bars "Menu Bar",
  // "Standard" (with three host buttons) and "Advanced" unless SetNewWindowBars says otherwise.
  virtual ExplorerId OpenExplorer(FolderId folder) = 0;
  virtual void SwitchFolder(ExplorerId explorer, FolderId folder) = 0;  // FolderSwitch
  virtual void Select(ExplorerId explorer,
                      const std::vector<ItemId>& items) = 0;  // SelectionChange
  virtual void ActivateExplorer(ExplorerId explorer) = 0;     // Activate; becomes ActiveExplorer
  virtual void SwitchView(ExplorerId explorer) = 0;           // ViewSwitch
  virtual void CloseExplorer(ExplorerId explorer) = 0;        // Close, then removed from Explorers

  // ---- Inspectors ---------------------------------------------------------------------------
  // Opens an Inspector on an item: it becomes the last item of Inspectors, NewInspector fires,
  // then Activate. Unless told, it is what Outlook opens: a window edited by Word (IsWordMail,
  // EditorType olEditorWord) from Outlook 2007 (version 12) on.
  virtual InspectorId OpenInspector(ItemId item, std::optional<bool> wordMail = std::nullopt) = 0;
  // The window moves on to another item (the Next/Previous buttons): CurrentItem changes, the
  // previous item's Close fires, then the window's Activate.
  virtual void MoveInspector(InspectorId inspector, ItemId item) = 0;
  virtual void ActivateInspector(InspectorId inspector) = 0;
  virtual void DeactivateInspector(InspectorId inspector) = 0;
  // The shown item's Close fires, then the window's Close, then it leaves Inspectors.
  virtual void CloseInspector(InspectorId inspector) = 0;
  // Fires only the shown item's events.
  virtual void FireItemClose(InspectorId inspector) = 0;
  virtual void FireItemOpen(InspectorId inspector) = 0;
  virtual void FireItemRead(InspectorId inspector) = 0;
  virtual void FireItemWrite(InspectorId inspector) = 0;

  // ---- Command bars -------------------------------------------------------------------------
  // The bar names (in order) that windows opened from now on get. A name of "" stands for an
  // element of the CommandBars collection that is not a command bar.
  virtual void SetNewWindowBars(const std::vector<std::string>& names) = 0;
  virtual std::vector<std::string> BarNames(WindowRef window) const = 0;
  virtual std::vector<ControlView> Controls(WindowRef window, const std::string& barName) const = 0;
  // The controls the add-in added to the window's bars.
  virtual std::vector<ControlView> AddInControls(WindowRef window) const = 0;
  // A user's click on the control with this tag in this window. Like Outlook, the host fires
  // Click on every button (of any window) whose tag equals the clicked one's. Returns false
  // when there is no such control or it is disabled (nothing fires then).
  virtual bool Click(WindowRef window, const std::string& tag) = 0;

  // The window on the screen that the window's IOleWindow gives (the simulated Outlook in
  // windows sets its real window; a test a plain value); 0, as at the opening: it gives none.
  virtual void SetWindowHandle(WindowRef window, host::WindowHandle handle) = 0;

  // ---- Attachments and the ribbon -----------------------------------------------------------
  // What Application.Version answers ("16.0.0.17928" unless set).
  virtual void SetVersion(const std::string& version) = 0;
  // The user selects attachments (1-based positions) of the item the window shows (an
  // Explorer: its first selected item); AttachmentSelectionChange fires. A new selection of
  // items, or a message window moving on, empties it.
  virtual void SelectAttachments(WindowRef window, const std::vector<int32_t>& positions) = 0;
  // A ribbon control of the window as Office hands it to a callback: its Context is the window,
  // or, with `onAttachments`, the window's attachment selection (the attachment menu).
  virtual std::shared_ptr<host::RibbonControl> RibbonControl(WindowRef window,
                                                             const std::string& id,
                                                             const std::string& tag,
                                                             bool onAttachments = false) = 0;
  // The ribbon of one customUI document (one per ribbon id: "Microsoft.Outlook.Explorer" for
  // every main window, "Microsoft.Outlook.Mail.Read" for every read-message window) as Office
  // hands it to that document's onLoad, and the control ids invalidated so far ("*" for
  // Invalidate), oldest first: through every document's ribbon, or through one document's.
  virtual std::shared_ptr<host::RibbonUI> RibbonUI(const std::string& ribbonId) = 0;
  virtual std::vector<std::string> Invalidations() const = 0;
  virtual std::vector<std::string> Invalidations(const std::string& ribbonId) const = 0;
  virtual void ClearInvalidations() = 0;
  // Office keeps a control's getEnabled answer per window until an invalidation through the
  // ribbon of that window's document names the control: the answer kept, or none when Office
  // has to ask again.
  virtual std::optional<bool> KeptAnswer(WindowRef window, const std::string& controlId) const = 0;
  virtual void KeepAnswer(WindowRef window, const std::string& controlId, bool enabled) = 0;
  // The ribbon id of a window's customUI document.
  static std::string RibbonIdOf(WindowRef window) {
    return window.kind == WindowRef::kExplorer ? "Microsoft.Outlook.Explorer"
                                               : "Microsoft.Outlook.Mail.Read";
  }

  // ---- Host shutdown ------------------------------------------------------------------------
  // Outlook discards temporary controls when it exits.
  virtual void DiscardTemporaryControls() = 0;

  // ---- What the add-in holds ----------------------------------------------------------------
  virtual int LiveReferences() const = 0;  // host proxies alive
  virtual int ConnectedSinks() const = 0;  // event sinks connected on all objects
  // A description of the live proxies by object kind, for test failure messages.
  virtual std::string DescribeLiveReferences() const = 0;
  // Exceptions that escaped from event sinks. Like Outlook, which ignores a failed event call,
  // the host swallows them and goes on with the next sink; the add-in should never let one out.
  virtual int EscapedExceptions() const = 0;

  // ---- Looking at the windows ---------------------------------------------------------------
  virtual std::vector<ExplorerId> OpenExplorers() const = 0;    // in the order of Explorers
  virtual std::vector<InspectorId> OpenInspectors() const = 0;  // in the order of Inspectors
};

}  // namespace zormint::sim

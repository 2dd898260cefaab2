#include "toolbars/inspector_toolbar.h"

#include "pictures/pic_attachments.h"
#include "windows/acted_item.h"

namespace zormint::toolbars {

// ---- Sinks --------------------------------------------------------------------------------------

void InspectorSink::Activate() {
  if (auto toolbar = Target()) toolbar->mispExisting_Activate();
}
void InspectorSink::Deactivate() {
  if (auto toolbar = Target()) toolbar->mispExisting_Deactivate();
}
void InspectorSink::Close() {
  if (auto toolbar = Target()) toolbar->mispExisting_Close();
}
void InspectorSink::AttachmentSelectionChange() {
  if (auto toolbar = Target()) toolbar->mispExisting_AttachmentSelectionChange();
}

void MailItemSink::Read() {
  if (auto toolbar = Target()) toolbar->mlUnderlying_Read();
}
void MailItemSink::Write(bool& cancel) {
  if (auto toolbar = Target()) toolbar->mlUnderlying_Write(cancel);
}
void MailItemSink::Open(bool& cancel) {
  if (auto toolbar = Target()) toolbar->mlUnderlying_Open(cancel);
}
void MailItemSink::Close(bool& cancel) {
  if (auto toolbar = Target()) toolbar->mlUnderlying_Close(cancel);
}

// ---- Set-up -------------------------------------------------------------------------------------

void CInspectorToolbar::ExistingMailInspector(const std::shared_ptr<host::Inspector>& ispExisting) {
  mispExisting.Connect(ispExisting,
                       std::make_shared<InspectorSink>(
                           std::static_pointer_cast<CInspectorToolbar>(shared_from_this())));
  BindItem(mispExisting->CurrentItem());
}

// Takes the item as a mail message and connects to its events, replacing the item bound so far
// only once the new connection stands.
void CInspectorToolbar::BindItem(const std::shared_ptr<host::Item>& item) {
  if (!item) Fail(err::kObjectNotSet, "Object variable not set: CurrentItem");
  if (!windows::IsMailMessage(item->Class())) Fail(err::kTypeMismatch, "Type mismatch");
  EventConnection<host::Item, MailItemSink> fresh;
  fresh.Connect(item, std::make_shared<MailItemSink>(
                          std::static_pointer_cast<CInspectorToolbar>(shared_from_this())));
  mlUnderlying = std::move(fresh);
}

void CInspectorToolbar::Initialize() noexcept {
  auto self = KeepAlive();
  bool noBar = false;
  // A failure while finding the bar, adding the buttons or deciding their enabling still lets
  // the time stamp and the EntryID be recorded.
  Attempt("CInspectorToolbar.Initialize: buttons", [&] {
    std::shared_ptr<host::CommandBar> target;
    SkipTypeMismatch("CInspectorToolbar.Initialize: CommandBars",
                     [&] { target = FindStandardBar(mispExisting->CommandBars()); });
    if (!target) {
      noBar = true;
      return;
    }
    AddButtons(target);
    // The buttons are added enabled; they stay so only when the message has a picture.
    bool present = false;
    LookAtPictures("CInspectorToolbar.Initialize: pictures", mlUnderlying.Get(), present);
    if (!present) SetButtonsEnabled(false);
  });
  if (noBar) return;
  Attempt("CInspectorToolbar.Initialize: time stamp and EntryID", [&] {
    msWorkingFolderSuffix = TimeStamp(mlUnderlying.Get());
    msEntryID = mlUnderlying->EntryID();
  });
}

// ---- Events -------------------------------------------------------------------------------------

void CInspectorToolbar::Rebind() noexcept {
  std::shared_ptr<host::Item> current;
  // Nothing changes unless the window shows another mail message; also not when that cannot be
  // told.
  Attempt("CInspectorToolbar.Rebind: current item", [&] {
    std::shared_ptr<host::Item> item = mispExisting->CurrentItem();
    if (!item || !windows::IsMailMessage(item->Class())) return;
    if (item->EntryID() == msEntryID) return;
    current = std::move(item);
  });
  if (!current) return;
  Attempt("CInspectorToolbar.Rebind: item events", [&] { BindItem(current); });
  current.reset();
  bool enable = false;
  LookAtPictures("CInspectorToolbar.Rebind: pictures", mlUnderlying.Get(), enable);
  SetButtonsEnabled(enable);
  Attempt("CInspectorToolbar.Rebind: time stamp",
          [&] { msWorkingFolderSuffix = TimeStamp(mlUnderlying.Get()); });
  Attempt("CInspectorToolbar.Rebind: EntryID", [&] { msEntryID = mlUnderlying->EntryID(); });
}

void CInspectorToolbar::mispExisting_Activate() noexcept {
  auto self = KeepAlive();
  Rebind();
}

void CInspectorToolbar::mispExisting_Close() noexcept {
  Cleanup();
}

void CInspectorToolbar::mlUnderlying_Close(bool& /*Cancel*/) noexcept {
  auto self = KeepAlive();
  // The window moves on to another message: the bound one closes. A message closing with
  // unsaved changes is still the one shown.
  bool saved = false;
  Attempt("CInspectorToolbar.mlUnderlying_Close: Saved", [&] { saved = mlUnderlying->Saved(); });
  if (saved) Rebind();
}

void CInspectorToolbar::btnOptions_Click(std::shared_ptr<host::CommandBarButton> /*Ctrl*/,
                                         bool& /*CancelDefault*/) noexcept {
  auto self = KeepAlive();
  // The dialog is owned by this window; without its handle, by none.
  host::WindowHandle window = 0;
  Attempt("btnOptions_Click: window", [&] { window = mispExisting->Window(); });
  ChooseAndShowPictures(mlUnderlying.Get(), window);
}

void CInspectorToolbar::btnZormint_Click(std::shared_ptr<host::CommandBarButton> /*Ctrl*/,
                                         bool& /*CancelDefault*/) noexcept {
  auto self = KeepAlive();
  ShowAllPictures(mlUnderlying.Get());
}

// ---- Clean-up -----------------------------------------------------------------------------------

void CInspectorToolbar::Cleanup() noexcept {
  auto self = KeepAlive();
  Attempt("CInspectorToolbar.Cleanup: delete buttons", [&] {
    std::shared_ptr<ToolbarTracker> parent = mclsParent.lock();
    if (!parent) Fail(err::kObjectNotSet, "Object variable not set: mclsParent");
    parent->RemoveInspectorToolbar(mlUniqueIndex);
    mclsParent.reset();
    DeleteButtons();
  });
  ReleaseHostReferences();
}

void CInspectorToolbar::ReleaseHostReferences() noexcept {
  mbCleanedUp = true;
  mclsParent.reset();
  ReleaseButtons();
  mlUnderlying.Disconnect();
  mispExisting.Disconnect();
}

}  // namespace zormint::toolbars

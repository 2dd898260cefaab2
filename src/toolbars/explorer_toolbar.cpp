#include "toolbars/explorer_toolbar.h"

#include "pictures/pic_attachments.h"
#include "windows/acted_item.h"

namespace zormint::toolbars {

// ---- Sink ---------------------------------------------------------------------------------------

void ExplorerSink::Activate() {
  if (auto toolbar = Target()) toolbar->mxplOpened_Activate();
}
void ExplorerSink::FolderSwitch() {
  if (auto toolbar = Target()) toolbar->mxplOpened_FolderSwitch();
}
void ExplorerSink::ViewSwitch() {
  if (auto toolbar = Target()) toolbar->mxplOpened_ViewSwitch();
}
void ExplorerSink::SelectionChange() {
  if (auto toolbar = Target()) toolbar->mxplOpened_SelectionChange();
}
void ExplorerSink::Close() {
  if (auto toolbar = Target()) toolbar->mxplOpened_Close();
}
void ExplorerSink::AttachmentSelectionChange() {
  if (auto toolbar = Target()) toolbar->mxplOpened_AttachmentSelectionChange();
}

// ---- Set-up -------------------------------------------------------------------------------------

void CExplorerToolbar::OpenedExplorer(const std::shared_ptr<host::Explorer>& xplNew) {
  mxplOpened.Connect(xplNew, std::make_shared<ExplorerSink>(
                                 std::static_pointer_cast<CExplorerToolbar>(shared_from_this())));
}

void CExplorerToolbar::Initialize(bool bDuringStartup) noexcept {
  auto self = KeepAlive();
  Attempt("CExplorerToolbar.Initialize: buttons", [&] {
    std::shared_ptr<host::CommandBar> target;
    SkipTypeMismatch("CExplorerToolbar.Initialize: CommandBars",
                     [&] { target = FindStandardBar(mxplOpened->CommandBars()); });
    if (!target) return;
    AddButtons(target);
    if (bDuringStartup) {
      // The start-up window shows its buttons disabled until its first selection change or
      // folder switch.
      Attempt("CExplorerToolbar.Initialize: folder kind", [&] { ReadFolderKind(); });
      SetButtonsEnabled(false);
      Attempt("CExplorerToolbar.Initialize: DoEvents", [&] { LetHostProcessMessages(); });
    }
  });
}

void CExplorerToolbar::ReadFolderKind() {
  const int32_t type = mxplOpened->CurrentFolder()->DefaultItemType();
  mbMailFolder = windows::IsMailOrPostFolder(type);
}

// ---- Enabling -----------------------------------------------------------------------------------

void CExplorerToolbar::RefreshButtons() noexcept {
  bool enable = false;
  Attempt("CExplorerToolbar.RefreshButtons: selection count",
          [&] { enable = mxplOpened->Selection()->Count() == 1 && mbMailFolder; });
  if (enable) {
    // Only a mail message or a post is taken; for anything else (a meeting request, a report,
    // or an item that cannot be read) the toolbar forgets its earlier item, so that a click
    // can never act on a message the user no longer has selected.
    std::shared_ptr<host::Item> item;
    Attempt("CExplorerToolbar.RefreshButtons: selected item", [&] {
      std::shared_ptr<host::Item> candidate = mxplOpened->Selection()->Item(1);
      const int32_t itemClass = candidate->Class();
      if (windows::IsMailOrPost(itemClass)) item = std::move(candidate);
    });
    mlSelected = std::move(item);
    enable = false;
    if (mlSelected) LookAtPictures("CExplorerToolbar.RefreshButtons: pictures", mlSelected, enable);
    if (enable)
      Attempt("CExplorerToolbar.RefreshButtons: time stamp",
              [&] { msWorkingFolderSuffix = TimeStamp(mlSelected); });
  }
  SetButtonsEnabled(enable);
  Attempt("CExplorerToolbar.RefreshButtons: DoEvents", [&] { LetHostProcessMessages(); });
}

// ---- Events -------------------------------------------------------------------------------------

void CExplorerToolbar::mxplOpened_FolderSwitch() noexcept {
  auto self = KeepAlive();
  if (mbInitializeLater) {
    // The deferred set-up is tried once, whether or not it finds the "Standard" bar.
    Initialize(false);
    mbInitializeLater = false;
  }
  Attempt("CExplorerToolbar.FolderSwitch: folder kind", [&] { ReadFolderKind(); });
  RefreshButtons();
}

void CExplorerToolbar::mxplOpened_SelectionChange() noexcept {
  auto self = KeepAlive();
  RefreshButtons();
}

void CExplorerToolbar::mxplOpened_Close() noexcept {
  Cleanup();
}

void CExplorerToolbar::btnOptions_Click(std::shared_ptr<host::CommandBarButton> /*Ctrl*/,
                                        bool& /*CancelDefault*/) noexcept {
  auto self = KeepAlive();
  // The dialog is owned by this window; without its handle, by none.
  host::WindowHandle window = 0;
  Attempt("btnOptions_Click: window", [&] { window = mxplOpened->Window(); });
  ChooseAndShowPictures(mlSelected, window);
}

void CExplorerToolbar::btnZormint_Click(std::shared_ptr<host::CommandBarButton> /*Ctrl*/,
                                        bool& /*CancelDefault*/) noexcept {
  auto self = KeepAlive();
  ShowAllPictures(mlSelected);
}

// ---- Clean-up -----------------------------------------------------------------------------------

void CExplorerToolbar::Cleanup() noexcept {
  auto self = KeepAlive();
  Attempt("CExplorerToolbar.Cleanup: delete buttons", [&] {
    std::shared_ptr<ToolbarTracker> parent = mclsParent.lock();
    if (!parent) Fail(err::kObjectNotSet, "Object variable not set: mclsParent");
    parent->RemoveExplorerToolbar(mlUniqueIndex);
    mclsParent.reset();
    DeleteButtons();
  });
  ReleaseHostReferences();
}

void CExplorerToolbar::ReleaseHostReferences() noexcept {
  mbCleanedUp = true;
  mclsParent.reset();
  ReleaseButtons();
  mlSelected.reset();
  mxplOpened.Disconnect();
}

}  // namespace zormint::toolbars

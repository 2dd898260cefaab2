// CExplorerToolbar: the two buttons on one Outlook main window (an Explorer). They are enabled
// exactly while the window shows a mail or post folder and its selection is one mail message
// (or post) with at least one picture attachment; their clicks run the picture engine on that
// item. When the window closes the toolbar deletes its buttons and tells the tracker it is gone.
#pragma once

#include <cstdint>
#include <memory>

#include "context/globals.h"
#include "host/host.h"
#include "toolbars/toolbar_buttons.h"
#include "toolbars/toolbar_tracker.h"
#include "windows/event_connection.h"

namespace zormint::toolbars {

class CExplorerToolbar;

class ExplorerSink : public host::ExplorerEvents, public SinkOf<CExplorerToolbar> {
 public:
  using SinkOf::SinkOf;
  void Activate() override;
  void FolderSwitch() override;
  void ViewSwitch() override;
  void SelectionChange() override;
  void Close() override;
  void AttachmentSelectionChange() override;
};

class CExplorerToolbar final : public CToolbarButtons {
 public:
  explicit CExplorerToolbar(std::shared_ptr<Globals> globals)
      : CToolbarButtons(std::move(globals), "EXPLORER") {}

  // Property sets; a failure goes to the caller (the tracker abandons the toolbar then).
  // The window: from now on its events reach this object.
  void OpenedExplorer(const std::shared_ptr<host::Explorer>& xplNew);
  void ParentApp(const std::shared_ptr<ToolbarTracker>& clsZormint) { mclsParent = clsZormint; }

  // For an Explorer opened after start-up: the buttons are added at its first folder switch.
  void InitializeLater() noexcept { mbInitializeLater = true; }
  // Adds the buttons to the window's "Standard" bar; for the window open at start-up also reads
  // the folder kind and starts with both buttons disabled.
  void Initialize(bool bDuringStartup) noexcept;
  void Cleanup() noexcept override;
  void ReleaseHostReferences() noexcept override;

  // Event handlers.
  void mxplOpened_Activate() noexcept {}
  void mxplOpened_ViewSwitch() noexcept {}
  void mxplOpened_FolderSwitch() noexcept;
  void mxplOpened_SelectionChange() noexcept;
  void mxplOpened_Close() noexcept;
  void mxplOpened_AttachmentSelectionChange() noexcept {}
  void btnOptions_Click(std::shared_ptr<host::CommandBarButton> Ctrl,
                        bool& CancelDefault) noexcept override;
  void btnZormint_Click(std::shared_ptr<host::CommandBarButton> Ctrl,
                        bool& CancelDefault) noexcept override;

  // ---- Looking inside (tests) ----------------------------------------------------------------
  bool IsWaitingForFolderSwitch() const { return mbInitializeLater; }
  bool IsMailFolder() const { return mbMailFolder; }
  const std::shared_ptr<host::Item>& SelectedItem() const { return mlSelected; }
  bool HoldsWindow() const { return static_cast<bool>(mxplOpened); }

 private:
  // Sets the enabling from the current selection.
  void RefreshButtons() noexcept;
  // mbMailFolder from the default item type of the window's current folder.
  void ReadFolderKind();

  EventConnection<host::Explorer, ExplorerSink> mxplOpened;
  std::weak_ptr<ToolbarTracker> mclsParent;
  std::shared_ptr<host::Item> mlSelected;
  bool mbInitializeLater = false;
  bool mbMailFolder = false;
};

}  // namespace zormint::toolbars

// CInspectorToolbar: the two buttons on one Outlook window that shows a saved mail message (an
// Inspector). The buttons act on the message the window shows; they are enabled exactly while
// that message has at least one picture attachment, and the toolbar follows the window when it
// moves on to another message. When the window closes the toolbar deletes its buttons and tells
// the tracker it is gone.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "context/globals.h"
#include "host/host.h"
#include "toolbars/toolbar_buttons.h"
#include "toolbars/toolbar_tracker.h"
#include "windows/event_connection.h"

namespace zormint::toolbars {

class CInspectorToolbar;

class InspectorSink : public host::InspectorEvents, public SinkOf<CInspectorToolbar> {
 public:
  using SinkOf::SinkOf;
  void Activate() override;
  void Deactivate() override;
  void Close() override;
  void AttachmentSelectionChange() override;
};

class MailItemSink : public host::ItemEvents, public SinkOf<CInspectorToolbar> {
 public:
  using SinkOf::SinkOf;
  void Read() override;
  void Write(bool& cancel) override;
  void Open(bool& cancel) override;
  void Close(bool& cancel) override;
};

class CInspectorToolbar final : public CToolbarButtons {
 public:
  explicit CInspectorToolbar(std::shared_ptr<Globals> globals)
      : CToolbarButtons(std::move(globals), "INSPECTOR") {}

  // Property sets; a failure goes to the caller (the tracker abandons the toolbar then).
  // The window and the mail message it shows: from now on the events of both reach this object.
  // Fails with a type mismatch when the window does not show a mail message.
  void ExistingMailInspector(const std::shared_ptr<host::Inspector>& ispExisting);
  void ParentApp(const std::shared_ptr<ToolbarTracker>& clsZormint) { mclsParent = clsZormint; }

  // Adds the buttons, sets their enabling for the message shown, takes the time stamp and
  // remembers the message's EntryID.
  void Initialize() noexcept;
  void Cleanup() noexcept override;
  void ReleaseHostReferences() noexcept override;

  // Event handlers.
  void mispExisting_Activate() noexcept;
  void mispExisting_Deactivate() noexcept {}
  void mispExisting_Close() noexcept;
  void mispExisting_AttachmentSelectionChange() noexcept {}
  void mlUnderlying_Close(bool& Cancel) noexcept;
  void mlUnderlying_Open(bool& /*Cancel*/) noexcept {}
  void mlUnderlying_Read() noexcept {}
  void mlUnderlying_Write(bool& /*Cancel*/) noexcept {}
  void btnOptions_Click(std::shared_ptr<host::CommandBarButton> Ctrl,
                        bool& CancelDefault) noexcept override;
  void btnZormint_Click(std::shared_ptr<host::CommandBarButton> Ctrl,
                        bool& CancelDefault) noexcept override;

  // ---- Looking inside (tests) ----------------------------------------------------------------
  const std::string& EntryID() const { return msEntryID; }
  const std::shared_ptr<host::Item>& UnderlyingItem() const { return mlUnderlying.Get(); }
  bool HoldsWindow() const { return static_cast<bool>(mispExisting); }

 private:
  // Binds to the window's current item when it is another mail message, and renews the
  // enabling, the time stamp and the EntryID for it.
  void Rebind() noexcept;
  void BindItem(const std::shared_ptr<host::Item>& item);

  EventConnection<host::Inspector, InspectorSink> mispExisting;
  EventConnection<host::Item, MailItemSink> mlUnderlying;
  std::weak_ptr<ToolbarTracker> mclsParent;
  std::string msEntryID;
};

}  // namespace zormint::toolbars

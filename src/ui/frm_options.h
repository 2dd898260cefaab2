// frmOptions: the modal dialog "Select Picture Attachments". It lists the message's picture
// attachments, lets the user choose which to open and which image viewer to use, stores the
// viewer choice on "&Open" and leaves the chosen index list in gsSelAttachmentIndexes.
#pragma once

#include <memory>

#include "common/globals.h"
#include "platform/list_box.h"

namespace zormint::ui {

class frmOptions : public std::enable_shared_from_this<frmOptions> {
 public:
  // The process-wide dialog instance (Globals::gfrmOptions), created on first use; it is
  // forgotten when it unloads, so the next use creates a fresh one.
  static std::shared_ptr<frmOptions> Instance(Globals& globals);

  // The picture list. Reaching it loads the dialog (Form_Load) if it is not loaded yet.
  std::shared_ptr<platform::ListBox> lstPicAttachments();
  // Shows the dialog modally, without an owner; returns when it has been unloaded.
  void Show();

};

}  // namespace zormint::ui

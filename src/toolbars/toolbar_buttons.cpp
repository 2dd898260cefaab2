#include "toolbars/toolbar_buttons.h"

#include <cctype>
#include <cstdio>
#include <utility>

#include "pictures/pic_attachments.h"
#include "ui/frm_options.h"

namespace zormint::toolbars {

namespace {

std::string Upper(std::string text) {
  for (char& c : text)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

void ButtonClickSink::Click(std::shared_ptr<host::CommandBarButton> ctrl, bool& cancelDefault) {
  std::shared_ptr<CToolbarButtons> toolbar = Target();
  if (!toolbar) return;
  if (which_ == kOptions) {
    toolbar->btnOptions_Click(std::move(ctrl), cancelDefault);
  } else {
    toolbar->btnZormint_Click(std::move(ctrl), cancelDefault);
  }
}

std::string CToolbarButtons::Tag(int button) const {
  return std::string(kind_) + std::to_string(mlUniqueIndex) + std::to_string(button);
}

std::shared_ptr<host::CommandBar> CToolbarButtons::FindStandardBar(
    const std::shared_ptr<host::CommandBars>& commandBars) {
  if (!commandBars) Fail(err::kObjectNotSet, "Object variable not set: CommandBars");
  const std::string target = Upper(kStandardBarName);
  std::shared_ptr<host::CommandBarsEnum> bars = commandBars->Enumerate();
  for (;;) {
    std::shared_ptr<host::CommandBar> bar;
    try {
      bar = bars->Next();
    } catch (const ZError& e) {
      if (!e.IsTypeMismatch()) throw;
      // Not a command bar: the search ends here.
      trace::Skipped("FindStandardBar: CommandBars element", e.Code(), e.Description());
      return nullptr;
    }
    if (!bar) return nullptr;
    bool found = false;
    SkipTypeMismatch("FindStandardBar: CommandBar.Name",
                     [&] { found = Upper(bar->Name()) == target; });
    if (found) return bar;
  }
}

std::shared_ptr<host::CommandBarButton> CToolbarButtons::AddButton(
    const std::shared_ptr<host::CommandBar>& bar) {
  host::ControlAddArgs args;
  args.type = host::kMsoControlButton;
  args.temporary = true;
  std::shared_ptr<host::CommandBarButton> button = bar->Controls()->Add(args);
  if (!button) Fail(err::kTypeMismatch, "Type mismatch");
  return button;
}

void CToolbarButtons::AddButtons(const std::shared_ptr<host::CommandBar>& bar) noexcept {
  Attempt("CToolbarButtons.AddButtons", [&] {
    std::shared_ptr<CToolbarButtons> self = shared_from_this();
    btnOptions.Connect(AddButton(bar),
                       std::make_shared<ButtonClickSink>(self, ButtonClickSink::kOptions));
    btnOptions->SetBeginGroup(true);
    btnOptions->SetStyle(host::kMsoButtonIcon);
    btnOptions->SetPicture(
        Require(g_.services.resources, "Resources")->LoadBitmapPicture(mlPictureBMPResId));
    btnOptions->SetTooltipText(kOptionsTooltip);
    btnOptions->SetTag(Tag(1));
    btnOptions->SetOnAction(kOnAction);

    btnZormint.Connect(AddButton(bar),
                       std::make_shared<ButtonClickSink>(self, ButtonClickSink::kZormint));
    btnZormint->SetCaption(kZormintCaption);
    btnZormint->SetTooltipText(kZormintTooltip);
    btnZormint->SetTag(Tag(2));
    btnZormint->SetOnAction(kOnAction);
  });
}

void CToolbarButtons::SetButtonsEnabled(bool bEnabled) noexcept {
  Attempt("btnOptions.Enabled", [&] { btnOptions->SetEnabled(bEnabled); });
  Attempt("btnZormint.Enabled", [&] { btnZormint->SetEnabled(bEnabled); });
}

void CToolbarButtons::DeleteButtons() {
  btnOptions->Delete();
  btnZormint->Delete();
}

void CToolbarButtons::ReleaseButtons() noexcept {
  btnOptions.Disconnect();
  btnZormint.Disconnect();
}

std::string CToolbarButtons::TimeStamp() const {
  const platform::LocalTime now = Require(g_.services.clock, "Clock")->Now();
  char text[32];
  std::snprintf(text, sizeof text, "%02d%02d%02d%02d%02d%02d", now.day, now.month,
                ((now.year % 100) + 100) % 100, now.hour, now.minute, now.second);
  return text;
}

void CToolbarButtons::LetHostProcessMessages() const {
  Require(g_.services.messagePump, "MessagePump")->DoEvents();
}

void CToolbarButtons::ShowAllPictures(std::shared_ptr<host::Item> item) noexcept {
  if (!item) return;  // no mail item to act on
  Attempt("btnZormint_Click: ExtractAllNShow", [&] {
    Require(g_.gclsPicAttachments, "gclsPicAttachments")
        ->ExtractAllNShow(item, msWorkingFolderSuffix);
  });
}

// The options dialog lists the pictures of `item`; the pictures the user ticks are extracted
// from that same item, even when the window moved on to another message while the dialog was
// open (the dialog has no owner, so the windows stay usable): the index list only means
// something for the message it was made from. Nothing is extracted once the toolbar has been
// cleaned up meanwhile (its window closed, or the add-in disconnected, which also closes the
// dialog).
void CToolbarButtons::ChooseAndShowPictures(std::shared_ptr<host::Item> item) noexcept {
  std::shared_ptr<ui::frmOptions> dialog;
  Attempt("btnOptions_Click: frmOptions", [&] { dialog = ui::frmOptions::Instance(g_); });
  // Outlook's windows stay usable while the dialog is open: a click meanwhile leaves the open
  // dialog's list alone, since it belongs to the message it was opened for, and brings the
  // dialog to the front (it has no owner and may sit behind Outlook or be minimised).
  if (dialog && dialog->IsShown()) {
    Attempt("btnOptions_Click: BringToFront", [&] { dialog->BringToFront(); });
    return;
  }
  Attempt("btnOptions_Click: Populate", [&] {
    std::shared_ptr<platform::ListBox> list = Require(dialog, "frmOptions")->lstPicAttachments();
    Require(g_.gclsPicAttachments, "gclsPicAttachments")->Populate(item, list);
  });
  Attempt("btnOptions_Click: Show", [&] { Require(dialog, "frmOptions")->Show(); });
  dialog.reset();
  // A toolbar cleaned up meanwhile (its window closed, the add-in switched off or Outlook
  // shutting down) does nothing more.
  if (mbCleanedUp) {
    g_.gsSelAttachmentIndexes.clear();
    return;
  }
  Attempt("btnOptions_Click: DoEvents", [&] { LetHostProcessMessages(); });
  // The list is taken, not just read: a list left from an earlier dialog must never be applied
  // to another message when this click's dialog failed to open.
  const std::string indexes = std::exchange(g_.gsSelAttachmentIndexes, std::string());
  if (indexes.empty() || mbCleanedUp || !item) return;
  Attempt("btnOptions_Click: ExtractSelectedNShow", [&] {
    Require(g_.gclsPicAttachments, "gclsPicAttachments")
        ->ExtractSelectedNShow(item, indexes, msWorkingFolderSuffix);
  });
}

}  // namespace zormint::toolbars

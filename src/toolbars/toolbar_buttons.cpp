#include "toolbars/toolbar_buttons.h"

#include <cctype>
#include <utility>

#include "commands/picture_commands.h"
#include "common/trace.h"
#include "pictures/pic_attachments.h"

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

std::string CToolbarButtons::TimeStamp(const std::shared_ptr<host::Item>& item) const {
  return commands::TimeStamp(g_, item);
}

void CToolbarButtons::LetHostProcessMessages() const {
  commands::LetHostProcessMessages(g_);
}

void CToolbarButtons::LookAtPictures(const char* step, const std::shared_ptr<host::Item>& item,
                                     bool& present) noexcept {
  const uint64_t skipped = trace::SkippedCount();
  const bool looked = Attempt(step, [&] {
    present = Require(gclsPicAttachments(g_), "gclsPicAttachments")->AtLeastOnePresent(item);
  });
  if (looked && item && trace::SkippedCount() == skipped) g_.gLastPictureLook = {item, present};
}

namespace {
const commands::StepNames kClickSteps = {"btnZormint_Click: ExtractAllNShow",
                                         "btnOptions_Click: frmOptions",
                                         "btnOptions_Click: BringToFront",
                                         "btnOptions_Click: Populate",
                                         "btnOptions_Click: Show",
                                         "btnOptions_Click: DoEvents",
                                         "btnOptions_Click: ExtractSelectedNShow"};
}  // namespace

void CToolbarButtons::ShowAllPictures(std::shared_ptr<host::Item> item) noexcept {
  commands::ShowAllPictures(g_, std::move(item), msWorkingFolderSuffix, kClickSteps);
}

// The options dialog lists the pictures of `item`; the pictures the user ticks are extracted
// from that same item. Nothing is extracted once the toolbar has been cleaned up meanwhile (its
// window closed, or the add-in disconnected, which also closes the dialog).
void CToolbarButtons::ChooseAndShowPictures(std::shared_ptr<host::Item> item,
                                            host::WindowHandle window) noexcept {
  commands::ChooseAndShowPictures(
      g_, std::move(item), msWorkingFolderSuffix, window, [this] { return mbCleanedUp; },
      kClickSteps);
}

}  // namespace zormint::toolbars

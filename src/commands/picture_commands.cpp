#include "commands/picture_commands.h"

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

#include "pictures/pic_attachments.h"
#include "ui/frm_options.h"
#include "ui/options_layout.h"

namespace zormint::commands {

std::string TimeStamp(Globals& g, const std::shared_ptr<host::Item>& item) {
  const platform::LocalTime now = Require(g.services.clock, "Clock")->Now();
  char text[32];
  std::snprintf(text, sizeof text, "%02d%02d%02d%02d%02d%02d", now.day, now.month,
                ((now.year % 100) + 100) % 100, now.hour, now.minute, now.second);
  if (g.gsLastTimeStamp != text) {
    g.gsLastTimeStamp = text;
    g.gcolStampedMessages.clear();
  }
  // A message whose EntryID cannot be read is still known by its identity while it is held.
  std::string entryId;
  if (item) Attempt("TimeStamp: EntryID", [&] { entryId = item->EntryID(); });
  std::vector<Globals::StampedMessage>& stamped = g.gcolStampedMessages;
  auto isThisMessage = [&](const Globals::StampedMessage& earlier) {
    if (!entryId.empty() && earlier.entryId == entryId) return true;
    std::shared_ptr<host::Item> held = earlier.item.lock();
    return held && held->IsSameObject(*item);
  };
  // Without an item there is nothing to know it by again: a number of its own.
  const size_t number =
      item ? std::find_if(stamped.begin(), stamped.end(), isThisMessage) - stamped.begin()
           : stamped.size();
  if (number == stamped.size()) {
    stamped.push_back({entryId, item});
  } else {
    // Whatever tells the message next time is kept: its EntryID once it has one, a reference
    // someone still holds.
    if (!entryId.empty()) stamped[number].entryId = entryId;
    if (stamped[number].item.expired()) stamped[number].item = item;
  }
  return number == 0 ? std::string(text) : std::string(text) + "-" + std::to_string(number + 1);
}

void LetHostProcessMessages(Globals& g) {
  Require(g.services.messagePump, "MessagePump")->DoEvents();
}

namespace {

// Pictures were asked for and none could be saved: the user is told, rather than left with
// nothing happening (or a viewer on a file that does not exist).
void TellNothingSaved(Globals& g, Extraction outcome) noexcept {
  if (outcome != Extraction::kNoneSaved) return;
  Attempt("commands: nothing saved box", [&] {
    Require(g.services.dialogs, "dialogs")
        ->MsgBox(ui::kMsgNothingSaved.text, ui::kValidationBoxStyle, ui::kMsgNothingSaved.title);
  });
}

}  // namespace

void ShowAllPictures(Globals& g, std::shared_ptr<host::Item> item, const std::string& suffix,
                     const StepNames& names) noexcept {
  if (!item) return;  // no mail item to act on
  Extraction outcome = Extraction::kNoPictures;
  Attempt(names.extractAll, [&] {
    outcome = Require(gclsPicAttachments(g), "gclsPicAttachments")->ExtractAllNShow(item, suffix);
  });
  TellNothingSaved(g, outcome);
}

void ChooseAndShowPictures(Globals& g, std::shared_ptr<host::Item> item, const std::string& suffix,
                           host::WindowHandle owner, const std::function<bool()>& gone,
                           const StepNames& names) noexcept {
  std::shared_ptr<ui::frmOptions> dialog;
  Attempt(names.dialog, [&] { dialog = ui::frmOptions::Instance(g); });
  // Outlook's windows take no input while the dialog is open; a click that still reaches the
  // add-in leaves the open dialog's list alone, since it belongs to the message it was opened
  // for, and brings the dialog to the front (it may sit behind another window or be minimised).
  if (dialog && dialog->IsShown()) {
    Attempt(names.bringToFront, [&] { dialog->BringToFront(); });
    return;
  }
  Attempt(names.populate, [&] { Require(dialog, "frmOptions")->ListPicturesOf(item); });
  Attempt(names.show, [&] { Require(dialog, "frmOptions")->Show(owner); });
  dialog.reset();
  // A caller gone meanwhile (its window closed, the add-in switched off or Outlook shutting
  // down) does nothing more.
  if (gone()) {
    g.gsSelAttachmentIndexes.clear();
    return;
  }
  Attempt(names.doEvents, [&] { LetHostProcessMessages(g); });
  // The list is taken, not just read: a list left from an earlier dialog must never be applied
  // to another message when this click's dialog failed to open.
  const std::string indexes = std::exchange(g.gsSelAttachmentIndexes, std::string());
  if (indexes.empty() || gone() || !item) return;
  Extraction outcome = Extraction::kNoPictures;
  Attempt(names.extractSelected, [&] {
    outcome = Require(gclsPicAttachments(g), "gclsPicAttachments")
                  ->ExtractSelectedNShow(item, indexes, suffix);
  });
  TellNothingSaved(g, outcome);
}

}  // namespace zormint::commands

// The two things a user asks of ZORMINT for one message, whichever button was pressed (a
// command-bar button or a ribbon control): view all its pictures, or choose pictures in the
// "Select Picture Attachments" dialog and view those. Each surface names the steps in its own
// trace lines, so that a skipped step says which button it came from.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "context/globals.h"
#include "host/host.h"

namespace zormint::commands {

// The trace names of the steps, string literals of the calling surface.
struct StepNames {
  const char* extractAll;       // ExtractAllNShow
  const char* dialog;           // the dialog instance
  const char* bringToFront;     // an open dialog brought to the front
  const char* populate;         // the dialog's list of pictures
  const char* show;             // the dialog shown (modal)
  const char* doEvents;         // the host's pending messages after the dialog
  const char* extractSelected;  // ExtractSelectedNShow
};

// The working folder's suffix for `item`: the current local date and time as "ddMMyyHHnnss",
// followed by "-2", "-3", ... when another message was given a folder in the same second, so
// that a working folder belongs to one message alone. The same message stamped again in that
// second (another click, the other button of its window, its ribbon control) gets the same
// suffix, and its folder is emptied and filled again. Without an item, a suffix of its own.
std::string TimeStamp(Globals& g, const std::shared_ptr<host::Item>& item);

// Lets the host process its pending window messages once. Any window's events may run inside.
void LetHostProcessMessages(Globals& g);

// Both hold their own reference to the item for their length: a window's event inside them may
// drop the one their caller had.

// Saves every picture attachment of `item` into the working folder of `suffix` and opens the
// first one saved in the viewer; when there were pictures and not one could be saved, a
// message box says so. Nothing happens without an item.
void ShowAllPictures(Globals& g, std::shared_ptr<host::Item> item, const std::string& suffix,
                     const StepNames& names) noexcept;

// Opens the dialog on the pictures of `item`, owned by the window that was clicked (`owner`, 0
// when it gave none), or brings an open one to the front and does nothing more; the pictures
// the user ticks are extracted from that same item, even when the window moved on meanwhile.
// Nothing is extracted once `gone` says the caller went away while the dialog was open (its
// window closed, the add-in disconnected).
void ChooseAndShowPictures(Globals& g, std::shared_ptr<host::Item> item, const std::string& suffix,
                           host::WindowHandle owner, const std::function<bool()>& gone,
                           const StepNames& names) noexcept;

}  // namespace zormint::commands

// CToolbarButtons: what the Explorer and the Inspector toolbars share. The two buttons on a
// window's "Standard" command bar with their fixed properties, finding that bar, enabling and
// deleting the buttons, the working-folder time stamp, the click sinks, and the two click
// sequences (view all pictures; choose pictures in the options dialog and view them, shared with
// the ribbon in commands/).
//
// The two toolbars differ only in the window they follow and in how they decide which mail item
// the buttons act on; each derives from this class and says which item that is.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "context/globals.h"
#include "host/host.h"
#include "windows/event_connection.h"

namespace zormint::toolbars {

using windows::EventConnection;
using windows::SinkOf;

// The button conventions.
inline constexpr const char* kStandardBarName = "Standard";
inline constexpr const char* kOptionsTooltip = "View ZORMINT Options";
inline constexpr const char* kZormintCaption = "Zormint";
inline constexpr const char* kZormintTooltip = "View All Picture Attachments";
inline constexpr const char* kOnAction = "!<ZORMINT.dsrWrapper>";
inline constexpr int32_t kButtonFaceResId = 101;

class CToolbarButtons;

// Delivers a button's Click to its toolbar.
class ButtonClickSink : public host::CommandBarButtonEvents, public SinkOf<CToolbarButtons> {
 public:
  enum Which { kOptions, kZormint };
  ButtonClickSink(std::shared_ptr<CToolbarButtons> owner, Which which)
      : SinkOf(std::move(owner)), which_(which) {}
  void Click(std::shared_ptr<host::CommandBarButton> ctrl, bool& cancelDefault) override;

 private:
  Which which_;
};

class CToolbarButtons : public std::enable_shared_from_this<CToolbarButtons> {
 public:
  virtual ~CToolbarButtons() = default;
  CToolbarButtons(const CToolbarButtons&) = delete;
  CToolbarButtons& operator=(const CToolbarButtons&) = delete;

  // Property lets; they only store their argument.
  void UniqueIndex(int32_t lNewValue) { mlUniqueIndex = lNewValue; }
  void PictureBMPResId(int32_t lNewResId) { mlPictureBMPResId = lNewResId; }

  // Detaches from the tracker, deletes the two buttons and releases everything. Never fails.
  virtual void Cleanup() noexcept = 0;
  // Disconnects every event connection and releases every host reference, leaving the buttons
  // where they are (they are temporary controls that the host discards when it exits). This is
  // what the tracker does with its toolbars when the host shuts down; it is also the last step
  // of Cleanup. Never fails.
  virtual void ReleaseHostReferences() noexcept = 0;

  // The Click handlers. Both arguments are ignored; CancelDefault is never set.
  virtual void btnOptions_Click(std::shared_ptr<host::CommandBarButton> Ctrl,
                                bool& CancelDefault) noexcept = 0;
  virtual void btnZormint_Click(std::shared_ptr<host::CommandBarButton> Ctrl,
                                bool& CancelDefault) noexcept = 0;

  // ---- Looking inside (tests) ----------------------------------------------------------------
  int32_t Index() const { return mlUniqueIndex; }
  const std::string& WorkingFolderSuffix() const { return msWorkingFolderSuffix; }
  bool HasButtons() const { return static_cast<bool>(btnOptions) || static_cast<bool>(btnZormint); }
  bool IsCleanedUp() const { return mbCleanedUp; }
  // The tag of button 1 (options) or 2 (view all): the kind, the index, the button number.
  std::string Tag(int button) const;

 protected:
  using ButtonRef = EventConnection<host::CommandBarButton, ButtonClickSink>;

  CToolbarButtons(std::shared_ptr<Globals> globals, const char* kind)
      : globals_(std::move(globals)), g_(*globals_), kind_(kind) {}

  // The first of the window's command bars, in the host's order, whose internal name equals
  // "Standard" in any letter case; none when there is none. An element that cannot be taken as
  // a command bar ends the search; a bar whose name cannot be read as text is passed over. Any
  // other failure goes to the caller.
  static std::shared_ptr<host::CommandBar> FindStandardBar(
      const std::shared_ptr<host::CommandBars>& commandBars);
  // Adds the options button, then the view-all button, at the end of the bar, with their
  // properties in their fixed order. Stops at the first failure and keeps what it did.
  void AddButtons(const std::shared_ptr<host::CommandBar>& bar) noexcept;
  // Sets Enabled of the options button, then of the view-all button; each independently.
  void SetButtonsEnabled(bool bEnabled) noexcept;
  // Deletes the options button, then the view-all button; the first failure goes to the caller.
  void DeleteButtons();
  // Disconnects and releases both buttons (they stay on the bar).
  void ReleaseButtons() noexcept;

  // The working-folder suffix for the message `item` (commands::TimeStamp).
  std::string TimeStamp(const std::shared_ptr<host::Item>& item) const;
  // Lets the host process its pending window messages once. Any window's events may run inside,
  // including this toolbar's own Close.
  void LetHostProcessMessages() const;

  // Whether the item has a picture attachment (the picture engine's look, as the step `step`);
  // a whole answer is left for the other controls of the same message (gLastPictureLook).
  void LookAtPictures(const char* step, const std::shared_ptr<host::Item>& item,
                      bool& present) noexcept;

  // The click sequences, on the mail item the toolbar acts on; the dialog is owned by `window`
  // (the toolbar's window, 0 when it gave no handle).
  void ShowAllPictures(std::shared_ptr<host::Item> item) noexcept;
  void ChooseAndShowPictures(std::shared_ptr<host::Item> item, host::WindowHandle window) noexcept;

  // A strong reference to this toolbar for the length of a handler (none when the toolbar is
  // not owned by a shared_ptr, which only happens while it is being destroyed).
  std::shared_ptr<CToolbarButtons> KeepAlive() noexcept { return weak_from_this().lock(); }

  // Kept while the toolbar lives: its click handlers run on after a disconnection that happens
  // inside them (the dialog's modal loop), and must find the process-wide objects (released
  // ones as "none") rather than freed memory.
  const std::shared_ptr<Globals> globals_;
  Globals& g_;
  ButtonRef btnOptions;
  ButtonRef btnZormint;
  int32_t mlUniqueIndex = 0;
  int32_t mlPictureBMPResId = 0;
  std::string msWorkingFolderSuffix;
  bool mbCleanedUp = false;

 private:
  std::shared_ptr<host::CommandBarButton> AddButton(const std::shared_ptr<host::CommandBar>& bar);

  const char* kind_;  // "EXPLORER" or "INSPECTOR": the start of the button tags
};

// Runs a step of an operation whose failures end it, except a type mismatch (an object of an
// unexpected kind), which skips only this step.
template <class F>
void SkipTypeMismatch(const char* name, F&& step) {
  try {
    step();
  } catch (const ZError& e) {
    if (!e.IsTypeMismatch()) throw;
    trace::Skipped(name, e.Code(), e.Description());
  }
}

}  // namespace zormint::toolbars

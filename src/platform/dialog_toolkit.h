// The dialog toolkit, a platform service: forms built from layout data, their controls,
// file-open dialogs and message boxes, and the events that flow back to the form's logic.
//
// The form logic (frmOptions, in ui/) is portable: it sees windows only through these
// interfaces. The Windows build implements them over real windows (win32/dialog/); native tests
// use the scriptable headless toolkit in sim/fakes/headless_dialogs.h.
//
// How a form lives:
//   CreateForm(layout, events)   an unloaded form; nothing is on screen yet
//   Load()                       creates the window hidden, every control in its start state
//                                from the layout, then raises OnLoad
//   ShowModal(owner)             loads if needed, shows the window modally, owned by and
//                                centred on the window `owner` (none: no owner, centred on
//                                the screen; the thread's other windows take no input until it
//                                has gone, and the owner gets the activation back), raises
//                                OnActivate when it becomes the active window, and runs the
//                                modal loop until the form has been unloaded
//   Unload()                     unload by code: OnQueryUnload(mode 1), OnUnload, then the window
//                                and its controls go away and ShowModal returns
//   the user's close box or system-menu Close runs the same sequence with unload mode 0.
// Either handler may cancel the unload; the form stays then as it was.
//
// Every call may fail by throwing zormint::ZError (a control that does not exist, a form that is
// not loaded, a platform failure). Events are delivered through FormEvents, whose methods never
// throw; the toolkit holds the receiver weakly, so a form never keeps its logic alive.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/list_box.h"
#include "platform/web_browser.h"

namespace zormint::platform {

// ---- Constants the form logic passes to the toolkit -----------------------------------------

// Unload modes of OnQueryUnload.
inline constexpr int32_t vbFormControlMenu = 0;  // close box or system menu
inline constexpr int32_t vbFormCode = 1;         // Unload() called by code

// Message box styles (the same bits as the Win32 MB_ values) and results.
inline constexpr uint32_t vbOKOnly = 0x0;
inline constexpr uint32_t vbExclamation = 0x30;  // the warning icon
inline constexpr int32_t vbOK = 1;

// File-open dialog flags (the Win32 OFN_ values).
inline constexpr uint32_t cdlOFNHideReadOnly = 0x4;
inline constexpr uint32_t cdlOFNPathMustExist = 0x800;
inline constexpr uint32_t cdlOFNFileMustExist = 0x1000;
inline constexpr uint32_t cdlOFNExplorer = 0x80000;
inline constexpr uint32_t cdlOFNLongNames = 0x200000;

// Run-time error raised when a form that is already shown is shown modally again.
inline constexpr int32_t kErrFormAlreadyShown = 400;

// Lengths in layouts are twips: 1440 per inch, 15 per pixel at 96 dots per inch.
inline constexpr int32_t TwipsToPixels(int32_t twips, int32_t dpi = 96) {
  return (twips * dpi + 720) / 1440;
}

// ---- Layout data ----------------------------------------------------------------------------

enum class ControlKind {
  kWebBrowser,     // embedded web browser
  kListBox,        // list box, extended multiple selection when multiSelectExtended
  kFrame,          // frame with a caption; controls name it as their parent
  kOptionButton,   // option buttons with the same parent form one group
  kCheckBox,       // a box ticked or not, on its own
  kTextBox,        // single-line text box
  kCommandButton,  // push button
  kLine,           // separator line from (left, top) to (x2, y2)
  kFileDialog,     // common file-open dialog: no area on the form
};

struct ControlLayout {
  std::string name;
  ControlKind kind = ControlKind::kCommandButton;
  std::string caption;  // the text shown; a frame's title; a file dialog's title
  int32_t left = 0, top = 0, width = 0, height = 0;  // twips, relative to the parent
  int32_t x2 = 0, y2 = 0;                            // a line's end point (twips)
  std::string parent;                // name of the containing frame; empty for the form itself
  int32_t tabIndex = -1;             // place in the tab order; -1 for controls outside it
  bool enabled = true;               // start state
  bool value = false;                // an option button's or check box's start state
  std::string text;                  // a text box's start text
  bool isDefault = false;            // the button that Enter clicks
  bool isCancel = false;             // the button that Esc clicks
  bool multiSelectExtended = false;  // click, Ctrl+click, Shift+click selection
  std::string filter;                // a file dialog's filter, "description|pattern" pairs
};

struct FormLayout {
  std::string name;
  std::string caption;
  int32_t clientWidth = 0, clientHeight = 0;  // twips
  std::string fontName;
  double fontSize = 0;  // points
  bool fontBold = false;
  bool ownIcon = true;      // the window shows the add-in's icon, not a generic one
  bool fixedBorder = true;  // the user cannot resize the window
  bool minButton = false, maxButton = false;
  std::vector<ControlLayout> controls;  // in creation order; parents before their children

  const ControlLayout* Find(const std::string& controlName) const {
    for (const ControlLayout& c : controls) {
      if (c.name == controlName) return &c;
    }
    return nullptr;
  }
};

// ---- Controls -------------------------------------------------------------------------------

class Control {
 public:
  virtual ~Control() = default;
  virtual std::string Name() = 0;
  virtual bool Enabled() = 0;
  virtual void SetEnabled(bool enabled) = 0;
};

// The list box. Its entries, item data and selection are the ListBox that the picture engine
// fills.
class ListBoxControl : public Control, public ListBox {};

class OptionButton : public Control {
 public:
  virtual bool Value() = 0;
  // Selecting a button deselects the others of its group and, when it was not selected,
  // raises OnClick for it, as a user's click would. Deselecting raises nothing.
  virtual void SetValue(bool value) = 0;
};

class CheckBox : public Control {
 public:
  virtual bool Value() = 0;
  // Ticks or clears the box by code: raises nothing (a user's click toggles it and raises
  // OnClick).
  virtual void SetValue(bool value) = 0;
};

class TextBox : public Control {
 public:
  virtual std::string Text() = 0;
  virtual void SetText(const std::string& text) = 0;
};

class CommandButton : public Control {};

// The common file-open dialog. It belongs to its form and starts with an empty file name each
// time the form is loaded.
class FileDialog {
 public:
  virtual ~FileDialog() = default;
  virtual uint32_t Flags() = 0;
  virtual void SetFlags(uint32_t flags) = 0;
  virtual std::string DialogTitle() = 0;
  virtual std::string Filter() = 0;
  // The name of the last file picked (the dialog's start name for the next showing).
  virtual std::string FileName() = 0;
  // Shows the dialog modally with its title, filter and flags. Returns the full path of the
  // picked file, or the empty text when the user cancelled. Cancelling is no error.
  virtual std::string ShowOpen() = 0;
};

// ---- Form and its events ----------------------------------------------------------------------

class FormEvents {
 public:
  virtual ~FormEvents() = default;
  virtual void OnLoad() noexcept = 0;
  virtual void OnActivate() noexcept = 0;
  // A push button was clicked (by the mouse, Enter on the default button, Esc on the cancel
  // button), an option button became selected, or the user ticked or cleared a check box.
  virtual void OnClick(const std::string& control) noexcept = 0;
  virtual void OnQueryUnload(bool& cancel, int32_t unloadMode) noexcept = 0;
  virtual void OnUnload(bool& cancel) noexcept = 0;
  // A web browser control finished loading a document.
  virtual void OnDocumentComplete(const std::string& control, const void* pDisp,
                                  const std::string& URL) noexcept = 0;
};

class Form {
 public:
  virtual ~Form() = default;

  virtual void Load() = 0;  // does nothing when loaded
  virtual bool Loaded() = 0;
  // Fails with kErrFormAlreadyShown while the form is shown. `owner` is an opaque window handle
  // (host::WindowHandle): 0, or one that is no window of this thread, shows the form without an
  // owner.
  virtual void ShowModal(uintptr_t owner = 0) = 0;
  virtual void Unload() = 0;  // does nothing when not loaded

  // The controls, by name. Fail when the form is not loaded or has no such control of that kind.
  virtual std::shared_ptr<Control> GetControl(const std::string& name) = 0;
  virtual std::shared_ptr<ListBoxControl> GetListBox(const std::string& name) = 0;
  virtual std::shared_ptr<OptionButton> GetOptionButton(const std::string& name) = 0;
  virtual std::shared_ptr<CheckBox> GetCheckBox(const std::string& name) = 0;
  virtual std::shared_ptr<TextBox> GetTextBox(const std::string& name) = 0;
  virtual std::shared_ptr<CommandButton> GetCommandButton(const std::string& name) = 0;
  virtual std::shared_ptr<FileDialog> GetFileDialog(const std::string& name) = 0;
  virtual std::shared_ptr<WebBrowser> GetWebBrowser(const std::string& name) = 0;

  // Moves the keyboard focus to a control. Fails when the control is disabled or cannot take
  // the focus.
  virtual void SetFocus(const std::string& control) = 0;
  // Brings a shown form to the front: restored when minimised, activated, the focus where it
  // was. Does nothing when the form is not shown.
  virtual void BringToFront() = 0;
  // A message box modal to this form; returns the button pressed (vbOK).
  virtual int32_t MsgBox(const std::string& prompt, uint32_t buttons, const std::string& title) = 0;
  // Runs `work` on a thread of its own, so that the form's thread never waits for it, and hands
  // its answer to `answered` on the form's thread, from the form's message queue (never from
  // the worker). An answer that arrives after the form has unloaded is dropped. Nobody waits
  // for the worker: it ends on its own, and the library stays loaded until it has. `work` must
  // touch nothing of the form's thread; it must not throw. Fails when the form is not loaded.
  virtual void RunBeside(std::function<bool()> work, std::function<void(bool)> answered) = 0;
};

class DialogToolkit {
 public:
  virtual ~DialogToolkit() = default;
  // A new, unloaded form that will be built from the layout and report to `events`.
  virtual std::shared_ptr<Form> CreateForm(const FormLayout& layout,
                                           std::weak_ptr<FormEvents> events) = 0;
  // A message box of no form, modal to the host's windows of this thread; returns the button
  // pressed (vbOK).
  virtual int32_t MsgBox(const std::string& prompt, uint32_t buttons, const std::string& title) = 0;
};

}  // namespace zormint::platform

// A form of the Win32 dialog toolkit: one top-level dialog window and its child controls, built
// from the layout when the form loads and destroyed when it unloads. Internal to the toolkit
// (form.cpp, controls.cpp); the rest of the add-in sees only platform::Form.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/dialog_toolkit.h"
#include "win32/com/module.h"
#include "win32/dialog/browser_host.h"
#include "win32/dialog/look.h"

namespace zormint::win32 {

// What the toolkit keeps of one control while its form is loaded. The control objects the
// form hands out point here; `dead` tells them the window has gone.
struct DialogControl {
  platform::ControlLayout layout;
  int id = 0;  // child-window id; 0 for the file dialog, which has no window
  HWND hwnd = nullptr;
  bool enabled = true;    // the control's own state (a frame's controls also follow the frame)
  bool checked = false;   // an option button's state as last reported
  int32_t newIndex = -1;  // a list box's entry appended last
  uint32_t flags = 0;     // a file dialog's flags
  std::string fileName;   // a file dialog's last pick
  std::shared_ptr<BrowserHost> browser;
  bool dead = false;
};

// The first child-window id; a control's id is this plus its place in the layout.
inline constexpr int kFirstControlId = 100;

class DialogForm final : public platform::Form, public std::enable_shared_from_this<DialogForm> {
 public:
  DialogForm(platform::FormLayout layout, std::weak_ptr<platform::FormEvents> events,
             std::shared_ptr<FormIcons> icons);
  ~DialogForm() override;
  DialogForm(const DialogForm&) = delete;
  DialogForm& operator=(const DialogForm&) = delete;

  // ---- platform::Form ----
  void Load() override;
  bool Loaded() override { return loaded_; }
  void ShowModal(uintptr_t owner = 0) override;
  void Unload() override;
  std::shared_ptr<platform::Control> GetControl(const std::string& name) override;
  std::shared_ptr<platform::ListBoxControl> GetListBox(const std::string& name) override;
  std::shared_ptr<platform::OptionButton> GetOptionButton(const std::string& name) override;
  std::shared_ptr<platform::CheckBox> GetCheckBox(const std::string& name) override;
  std::shared_ptr<platform::TextBox> GetTextBox(const std::string& name) override;
  std::shared_ptr<platform::CommandButton> GetCommandButton(const std::string& name) override;
  std::shared_ptr<platform::FileDialog> GetFileDialog(const std::string& name) override;
  std::shared_ptr<platform::WebBrowser> GetWebBrowser(const std::string& name) override;
  void SetFocus(const std::string& control) override;
  int32_t MsgBox(const std::string& prompt, uint32_t buttons, const std::string& title) override;
  void BringToFront() override;
  void RunBeside(std::function<bool()> work, std::function<void(bool)> answered) override;

  // ---- For the control objects (controls.cpp) ----
  HWND Window() const { return hwnd_; }
  // Applies every control's own enabled state and its frame's to the windows.
  void ApplyEnabled();
  // Selects an option button as code does: the others of its group lose the selection, and
  // OnClick is raised when it was not selected.
  void SelectOption(DialogControl& option);
  // Reads the check state of every option button of `option`'s group from the windows and
  // raises OnClick for `option` when it has just become selected.
  void OptionClicked(DialogControl& option);
  void Raise(const std::function<void(platform::FormEvents&)>& fire);

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void OnCommand(int id, int code, HWND control);

  void CreateWindows();
  DialogControl& Find(const std::string& name);
  DialogControl& FindKind(const std::string& name, platform::ControlKind kind);
  DialogControl* ById(int id);
  bool EffectiveEnabled(const DialogControl& c) const;
  bool Focusable(const DialogControl& c) const;
  // The first control in tab order that can take the focus, if any.
  DialogControl* FirstInTabOrder();
  void UpdateRadioTabStops();

  // The unload sequence: OnQueryUnload(mode), OnUnload, then the windows go. Returns false when
  // a handler cancelled it or the form was not loaded.
  bool UnloadWith(int32_t mode);
  // Takes the windows down without events.
  void Destroy();
  void RunModalLoop();
  // While the form is shown modally, the thread's other top-level windows (Outlook's) take no
  // input: those that were enabled are disabled, and enabled again on every way out, before the
  // form's window goes, the owner (else the window that was active before) getting the
  // activation back.
  void DisableThreadWindows();
  void EnableThreadWindows();
  // Makes `owner` (when it is a window of this thread; its top-level window) the owner of the
  // form's window, or leaves it without one, and places the form centred on it.
  void TakeOwner(HWND owner);

  platform::FormLayout layout_;
  std::weak_ptr<platform::FormEvents> events_;
  std::shared_ptr<FormIcons> icons_;
  HWND hwnd_ = nullptr;
  HFONT font_ = nullptr;
  std::vector<std::shared_ptr<DialogControl>> controls_;
  std::map<std::string, std::shared_ptr<DialogControl>> byName_;
  bool loaded_ = false;
  bool shown_ = false;
  bool unloading_ = false;
  bool destroying_ = false;
  std::vector<HWND> disabled_;   // the windows DisableThreadWindows disabled
  HWND activeBefore_ = nullptr;  // the active window when the form was shown
  HWND owner_ = nullptr;         // the window that owns the shown form
  // Work running beside the form, by its number, waiting for its answer (see RunBeside).
  std::map<uintptr_t, std::function<void(bool)>> awaited_;
  // The library stays loaded while a form of it exists: its window procedure is in it.
  ModuleUse module_;
};

}  // namespace zormint::win32

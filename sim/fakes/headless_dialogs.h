// A dialog toolkit without windows, for tests.
//
// Forms are built from their layout data with every control in its start state. A modal
// showing runs the next script the test queued (OnNextShow): the script gets the shown form and
// acts on it as a user would (select list entries, click option and push buttons, type, press
// Enter or Esc, use the close box), and reads what the user would see. Disabled controls do
// not react. When the script returns and the form is still shown, the form is closed with its
// close box, as an impatient user would, and that is counted (LeftOpen); a showing with no
// script queued is closed the same way at once (UnscriptedShows).
//
// Message boxes are recorded and answered OK at once; file dialogs take the answers the test
// queued (AnswerFileDialog), in order, and are cancelled when none is left. Every user action
// is recorded with the focus it left behind. Each web browser control is a FakeBrowser, kept
// in Browsers() after its form has gone.
//
// Calls from the add-in enter the fault plan when one is given: "Form.Load", "Form.ShowModal",
// "Form.Unload", "Form.MsgBox", "Dialogs.MsgBox" (a message box of no form), "Form.SetFocus",
// "Form.BringToFront", "Form.RunBeside", "ListBox.<member>", "OptionButton.Value",
// "CheckBox.Value", "TextBox.Text", "Control.Enabled", "FileDialog.Flags", "FileDialog.ShowOpen" (a
// property put enters under the property's name).
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/dialog_toolkit.h"
#include "sim/fakes/fake_browser.h"
#include "sim/model/fault_plan.h"

namespace zormint::sim {

class HeadlessForm;
using DialogScript = std::function<void(HeadlessForm&)>;

struct MessageBoxRecord {
  std::string formCaption;  // the form it was modal to; empty for a box of no form
  std::string title;
  std::string text;
  uint32_t style = 0;
  bool warningIcon = false;  // the exclamation icon
  bool okOnly = false;       // a single OK button
  bool whileModal = false;   // the form was shown modally at the time
  std::string focusBefore;   // the control that had the focus when it appeared
};

struct FileDialogRecord {
  std::string title;
  std::string filter;
  uint32_t flags = 0;
  std::string startName;  // the dialog's file name when it opened
  bool answered = false;  // false: the test queued no answer, the dialog was cancelled
  std::string result;     // what ShowOpen returned ("" for Cancel)
};

struct ActionRecord {
  std::string action;  // such as "Click cmdOpen", "PressEsc", "CtrlClickItem 2"
  bool done = false;   // false when the control was disabled or the form not shown
  std::string focusAfter;
  size_t messageBoxesAfter = 0;  // message boxes recorded so far
};

struct ListEntry {
  std::string text;
  int32_t itemData = 0;
  bool selected = false;
};

struct ControlState {
  std::string name;
  platform::ControlKind kind = platform::ControlKind::kCommandButton;
  bool enabled = true;  // the control's own state (a frame's controls also follow the frame)
  bool value = false;   // option buttons
  std::string text;     // text boxes
  std::vector<ListEntry> entries;  // list boxes
};

class HeadlessDialogs : public platform::DialogToolkit {
 public:
  explicit HeadlessDialogs(FaultPlan* faults = nullptr);
  ~HeadlessDialogs() override;

  std::shared_ptr<platform::Form> CreateForm(const platform::FormLayout& layout,
                                             std::weak_ptr<platform::FormEvents> events) override;
  int32_t MsgBox(const std::string& prompt, uint32_t buttons, const std::string& title) override;

  // ---- Scripting ----
  void OnNextShow(DialogScript script);
  size_t PendingScripts() const;
  // The next file dialog picks this path; nullopt cancels it.
  void AnswerFileDialog(std::optional<std::string> path);
  // Work handed to RunBeside. Unheld (the default), it runs at once and its answer is posted
  // to the form, which takes it from its queue as soon as its handler returns. Held, it waits
  // for AnswerHeldWork: the dialog is shown and used meanwhile, as with a slow server.
  void HoldWork(bool hold);
  size_t HeldWork() const;
  // Runs the held work now, in order, and posts each answer to its form; a form that is shown
  // takes it at once, one that has unloaded drops it.
  void AnswerHeldWork();
  // Answers dropped because their form had unloaded.
  int DroppedAnswers() const;

  // ---- What happened ----
  const std::vector<MessageBoxRecord>& MessageBoxes() const;
  const std::vector<FileDialogRecord>& FileDialogs() const;
  const std::vector<ActionRecord>& Actions() const;
  // Unload modes in order (0 close box, 1 by code), one per completed unload.
  const std::vector<int32_t>& Unloads() const;
  const std::vector<std::shared_ptr<FakeBrowser>>& Browsers() const;
  size_t FormsCreated() const;
  std::shared_ptr<HeadlessForm> LastForm() const;  // none once it has been released
  int ModalShows() const;
  // The window handed to each modal showing as its owner (0: none), in order.
  const std::vector<uintptr_t>& Owners() const;
  int UnscriptedShows() const;
  int LeftOpen() const;
  // True while some form is shown modally.
  bool Modal() const;

  struct State;

 private:
  std::shared_ptr<State> state_;
};

class HeadlessForm : public platform::Form, public std::enable_shared_from_this<HeadlessForm> {
 public:
  HeadlessForm(std::shared_ptr<HeadlessDialogs::State> state, platform::FormLayout layout,
               std::weak_ptr<platform::FormEvents> events);
  ~HeadlessForm() override;

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
  // Posts an answer to the form's queue and, while the form is shown, takes it.
  void PostAnswer(std::function<void(bool)> answered, bool answer);

  // ---- The user, while the form is shown. Each returns false when nothing happened. ----
  bool ClickItem(int32_t index);       // selects this entry only
  bool CtrlClickItem(int32_t index);   // toggles this entry
  bool ShiftClickItem(int32_t index);  // selects the range from the last clicked entry
  // Selects exactly these entries (none: deselects all), by Ctrl+clicks on the entries whose
  // state differs.
  bool SelectOnly(const std::vector<int32_t>& indexes);
  bool ClickOption(const std::string& name);
  bool TypeText(const std::string& name, const std::string& text);  // replaces the text
  bool Click(const std::string& name);  // a push button, option button or check box
  bool PressEnter();                    // the focused push button, else the default button
  bool PressEsc();                      // the cancel button
  bool CloseBox();                      // the window's close box
  bool Reactivate();                    // the user comes back to the dialog from another window
  bool Minimize();  // the window's minimise command: the dialog goes to the task bar

  // ---- What the user sees ----
  bool Shown() const { return shown_; }
  bool Minimized() const { return minimized_; }
  // How often the add-in brought the shown form to the front.
  int BroughtToFront() const { return broughtToFront_; }
  const platform::FormLayout& Layout() const { return layout_; }
  std::string Focus() const { return focus_; }
  ControlState State(const std::string& name) const;
  std::vector<ControlState> States() const;
  // Effective enabled state: the control's and its frame's.
  bool IsEnabled(const std::string& name) const;
  std::string Text(const std::string& name) const;
  bool OptionValue(const std::string& name) const;
  std::vector<ListEntry> Entries(const std::string& list) const;
  // The controls as they were when the form last unloaded.
  const std::vector<ControlState>& StatesAtUnload() const { return statesAtUnload_; }
  std::shared_ptr<FakeBrowser> Browser(const std::string& name) const;

  struct ControlData;

 private:
  friend class HeadlessControlAccess;

  void Enter(const std::string& member);
  ControlData& Find(const std::string& name, bool wantKind, platform::ControlKind kind);
  const ControlData* FindConst(const std::string& name) const;
  ControlData& RequireKind(const std::string& name, platform::ControlKind kind);
  bool EffectiveEnabled(const ControlData& d) const;
  bool Focusable(const ControlData& d) const;
  void SelectOption(ControlData& d);  // selects, deselects its group, raises OnClick
  void Raise(const std::function<void(platform::FormEvents&)>& fire);
  bool UnloadWith(int32_t mode);
  void Destroy();
  bool Act(const std::string& action, const std::function<bool()>& step);
  ControlState Snapshot(const ControlData& d) const;
  ControlData* TheList();
  // Hands the queued answers to their handlers, as the modal loop does with its messages.
  void TakePosted();

  std::shared_ptr<HeadlessDialogs::State> state_;
  platform::FormLayout layout_;
  std::weak_ptr<platform::FormEvents> events_;
  std::vector<std::shared_ptr<ControlData>> controls_;
  std::map<std::string, std::shared_ptr<ControlData>> byName_;
  std::vector<std::pair<std::function<void(bool)>, bool>> posted_;
  bool loaded_ = false;
  bool shown_ = false;
  bool unloading_ = false;
  bool minimized_ = false;
  int broughtToFront_ = 0;
  std::string focus_;
  std::vector<ControlState> statesAtUnload_;
};

}  // namespace zormint::sim

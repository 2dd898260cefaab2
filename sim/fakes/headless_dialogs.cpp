#include "sim/fakes/headless_dialogs.h"

#include <algorithm>
#include <utility>

namespace zormint::sim {

namespace {

// What a message box showed, as the user saw it.
MessageBoxRecord BoxRecord(const std::string& prompt, uint32_t buttons, const std::string& title,
                           int modalDepth) {
  MessageBoxRecord record;
  record.title = title;
  record.text = prompt;
  record.style = buttons;
  record.warningIcon = (buttons & 0xF0) == platform::vbExclamation;
  record.okOnly = (buttons & 0x0F) == platform::vbOKOnly;
  record.whileModal = modalDepth > 0;
  return record;
}

constexpr int32_t kErrInvalidPropertyIndex = 381;  // a list index out of range
constexpr int32_t kErrControlNotFound = 730;

using platform::ControlKind;

const char* KindName(ControlKind kind) {
  switch (kind) {
    case ControlKind::kWebBrowser:
      return "WebBrowser";
    case ControlKind::kListBox:
      return "ListBox";
    case ControlKind::kFrame:
      return "Frame";
    case ControlKind::kOptionButton:
      return "OptionButton";
    case ControlKind::kCheckBox:
      return "CheckBox";
    case ControlKind::kTextBox:
      return "TextBox";
    case ControlKind::kCommandButton:
      return "CommandButton";
    case ControlKind::kLine:
      return "Line";
    case ControlKind::kFileDialog:
      return "FileDialog";
  }
  return "Control";
}

}  // namespace

// ---- Shared record ------------------------------------------------------------------------------

struct HeadlessDialogs::State {
  FaultPlan* faults = nullptr;
  std::deque<DialogScript> scripts;
  std::deque<std::optional<std::string>> fileAnswers;
  std::vector<MessageBoxRecord> messageBoxes;
  std::vector<FileDialogRecord> fileDialogs;
  std::vector<ActionRecord> actions;
  std::vector<int32_t> unloads;
  std::vector<std::shared_ptr<FakeBrowser>> browsers;
  std::weak_ptr<HeadlessForm> lastForm;
  size_t formsCreated = 0;
  int modalShows = 0;
  std::vector<uintptr_t> owners;
  int unscriptedShows = 0;
  int leftOpen = 0;
  int modalDepth = 0;
  struct Held {
    std::function<bool()> work;
    std::function<void(bool)> answered;
    std::weak_ptr<HeadlessForm> form;
  };
  bool holdWork = false;
  std::deque<Held> held;
  int droppedAnswers = 0;
};

HeadlessDialogs::HeadlessDialogs(FaultPlan* faults) : state_(std::make_shared<State>()) {
  state_->faults = faults;
}

HeadlessDialogs::~HeadlessDialogs() = default;

std::shared_ptr<platform::Form> HeadlessDialogs::CreateForm(
    const platform::FormLayout& layout, std::weak_ptr<platform::FormEvents> events) {
  auto form = std::make_shared<HeadlessForm>(state_, layout, std::move(events));
  state_->lastForm = form;
  ++state_->formsCreated;
  return form;
}

void HeadlessDialogs::HoldWork(bool hold) {
  state_->holdWork = hold;
}

size_t HeadlessDialogs::HeldWork() const {
  return state_->held.size();
}

void HeadlessDialogs::AnswerHeldWork() {
  while (!state_->held.empty()) {
    State::Held held = std::move(state_->held.front());
    state_->held.pop_front();
    const bool answer = held.work();
    std::shared_ptr<HeadlessForm> form = held.form.lock();
    if (form && form->Loaded()) {
      form->PostAnswer(std::move(held.answered), answer);
    } else {
      ++state_->droppedAnswers;
    }
  }
}

int HeadlessDialogs::DroppedAnswers() const {
  return state_->droppedAnswers;
}

int32_t HeadlessDialogs::MsgBox(const std::string& prompt, uint32_t buttons,
                                const std::string& title) {
  if (state_->faults) state_->faults->Enter("Dialogs.MsgBox");
  MessageBoxRecord record = BoxRecord(prompt, buttons, title, state_->modalDepth);
  state_->messageBoxes.push_back(record);
  return platform::vbOK;
}

void HeadlessDialogs::OnNextShow(DialogScript script) {
  state_->scripts.push_back(std::move(script));
}
size_t HeadlessDialogs::PendingScripts() const {
  return state_->scripts.size();
}
void HeadlessDialogs::AnswerFileDialog(std::optional<std::string> path) {
  state_->fileAnswers.push_back(std::move(path));
}
const std::vector<MessageBoxRecord>& HeadlessDialogs::MessageBoxes() const {
  return state_->messageBoxes;
}
const std::vector<FileDialogRecord>& HeadlessDialogs::FileDialogs() const {
  return state_->fileDialogs;
}
const std::vector<ActionRecord>& HeadlessDialogs::Actions() const {
  return state_->actions;
}
const std::vector<int32_t>& HeadlessDialogs::Unloads() const {
  return state_->unloads;
}
const std::vector<std::shared_ptr<FakeBrowser>>& HeadlessDialogs::Browsers() const {
  return state_->browsers;
}
size_t HeadlessDialogs::FormsCreated() const {
  return state_->formsCreated;
}
std::shared_ptr<HeadlessForm> HeadlessDialogs::LastForm() const {
  return state_->lastForm.lock();
}
int HeadlessDialogs::ModalShows() const {
  return state_->modalShows;
}

const std::vector<uintptr_t>& HeadlessDialogs::Owners() const {
  return state_->owners;
}
int HeadlessDialogs::UnscriptedShows() const {
  return state_->unscriptedShows;
}
int HeadlessDialogs::LeftOpen() const {
  return state_->leftOpen;
}
bool HeadlessDialogs::Modal() const {
  return state_->modalDepth > 0;
}

// ---- Controls -----------------------------------------------------------------------------------

struct HeadlessForm::ControlData {
  platform::ControlLayout layout;
  bool enabled = true;
  bool value = false;
  std::string text;
  std::vector<ListEntry> entries;
  int32_t newIndex = -1;
  int32_t anchor = -1;  // the entry clicked last, where a Shift+click range starts
  uint32_t flags = 0;
  std::string fileName;
  std::shared_ptr<FakeBrowser> browser;
  bool dead = false;  // the control's window went away with its form
};

// What the control objects may do with their form.
class HeadlessControlAccess {
 public:
  static void Enter(HeadlessForm& form, const std::string& member) { form.Enter(member); }
  static void SelectOption(HeadlessForm& form, HeadlessForm::ControlData& d) {
    form.SelectOption(d);
  }
  static void DisabledLosesFocus(HeadlessForm& form, const HeadlessForm::ControlData& d) {
    if (!form.focus_.empty() && form.focus_ == d.layout.name && !d.enabled) form.focus_.clear();
  }
  static HeadlessDialogs::State& State(HeadlessForm& form) { return *form.state_; }
  static const std::string& Caption(HeadlessForm& form) { return form.layout_.caption; }
};

namespace {

using Data = HeadlessForm::ControlData;

// The part every control object shares: its form, its data, and the check that both are alive.
class Handle {
 public:
  Handle(std::weak_ptr<HeadlessForm> form, std::shared_ptr<Data> data)
      : form_(std::move(form)), data_(std::move(data)) {}

 protected:
  // Enters the fault plan and checks that the control still exists.
  Data& Live(const std::string& member) {
    std::shared_ptr<HeadlessForm> form = form_.lock();
    if (form) HeadlessControlAccess::Enter(*form, member);
    if (!form || data_->dead) Fail(err::kObjectNotSet, "The control's form was unloaded");
    return *data_;
  }
  std::shared_ptr<HeadlessForm> Form() {
    std::shared_ptr<HeadlessForm> form = form_.lock();
    if (!form) Fail(err::kObjectNotSet, "The control's form is gone");
    return form;
  }
  std::string Member(const char* name) const {
    return std::string(KindName(data_->layout.kind)) + "." + name;
  }

  std::weak_ptr<HeadlessForm> form_;
  std::shared_ptr<Data> data_;
};

template <class Base>
class ControlHandle : public Base, protected Handle {
 public:
  using Handle::Handle;
  std::string Name() override { return Live(Member("Name")).layout.name; }
  bool Enabled() override {
    Live("Control.Enabled");
    return data_->enabled;
  }
  void SetEnabled(bool enabled) override {
    Data& d = Live("Control.Enabled");
    d.enabled = enabled;
    std::shared_ptr<HeadlessForm> form = Form();
    HeadlessControlAccess::DisabledLosesFocus(*form, d);
  }
};

class ListBoxHandle : public ControlHandle<platform::ListBoxControl> {
 public:
  using ControlHandle::ControlHandle;
  void Clear() override {
    Data& d = Live("ListBox.Clear");
    d.entries.clear();
    d.newIndex = -1;
    d.anchor = -1;
  }
  void AddItem(const std::string& text) override {
    Data& d = Live("ListBox.AddItem");
    d.entries.push_back({text, 0, false});
    d.newIndex = static_cast<int32_t>(d.entries.size()) - 1;
  }
  int32_t ListCount() override {
    return static_cast<int32_t>(Live("ListBox.ListCount").entries.size());
  }
  int32_t NewIndex() override { return Live("ListBox.NewIndex").newIndex; }
  std::string ItemText(int32_t index) override { return At(Live("ListBox.List"), index).text; }
  void SetItemData(int32_t index, int32_t data) override {
    At(Live("ListBox.ItemData"), index).itemData = data;
  }
  int32_t ItemData(int32_t index) override { return At(Live("ListBox.ItemData"), index).itemData; }
  void SetSelected(int32_t index, bool selected) override {
    At(Live("ListBox.Selected"), index).selected = selected;
  }
  bool Selected(int32_t index) override { return At(Live("ListBox.Selected"), index).selected; }

 private:
  static ListEntry& At(Data& d, int32_t index) {
    if (index < 0 || index >= static_cast<int32_t>(d.entries.size())) {
      Fail(kErrInvalidPropertyIndex, "Invalid property array index");
    }
    return d.entries[static_cast<size_t>(index)];
  }
};

class OptionButtonHandle : public ControlHandle<platform::OptionButton> {
 public:
  using ControlHandle::ControlHandle;
  bool Value() override { return Live("OptionButton.Value").value; }
  void SetValue(bool value) override {
    Data& d = Live("OptionButton.Value");
    if (!value) {
      d.value = false;
      return;
    }
    std::shared_ptr<HeadlessForm> form = Form();
    HeadlessControlAccess::SelectOption(*form, d);
  }
};

class CheckBoxHandle : public ControlHandle<platform::CheckBox> {
 public:
  using ControlHandle::ControlHandle;
  bool Value() override { return Live("CheckBox.Value").value; }
  void SetValue(bool value) override { Live("CheckBox.Value").value = value; }
};

class TextBoxHandle : public ControlHandle<platform::TextBox> {
 public:
  using ControlHandle::ControlHandle;
  std::string Text() override { return Live("TextBox.Text").text; }
  void SetText(const std::string& text) override { Live("TextBox.Text").text = text; }
};

class CommandButtonHandle : public ControlHandle<platform::CommandButton> {
 public:
  using ControlHandle::ControlHandle;
};

class GenericHandle : public ControlHandle<platform::Control> {
 public:
  using ControlHandle::ControlHandle;
};

class FileDialogHandle : public platform::FileDialog, protected Handle {
 public:
  using Handle::Handle;
  uint32_t Flags() override { return Live("FileDialog.Flags").flags; }
  void SetFlags(uint32_t flags) override { Live("FileDialog.Flags").flags = flags; }
  std::string DialogTitle() override { return Live("FileDialog.DialogTitle").layout.caption; }
  std::string Filter() override { return Live("FileDialog.Filter").layout.filter; }
  std::string FileName() override { return Live("FileDialog.FileName").fileName; }
  std::string ShowOpen() override {
    Data& d = Live("FileDialog.ShowOpen");
    std::shared_ptr<HeadlessForm> form = Form();
    HeadlessDialogs::State& state = HeadlessControlAccess::State(*form);
    FileDialogRecord record{d.layout.caption, d.layout.filter, d.flags, d.fileName, false, ""};
    if (!state.fileAnswers.empty()) {
      std::optional<std::string> answer = std::move(state.fileAnswers.front());
      state.fileAnswers.pop_front();
      record.answered = true;
      if (answer) {
        d.fileName = *answer;
        record.result = *answer;
      }
    }
    state.fileDialogs.push_back(record);
    return record.result;
  }
};

}  // namespace

// ---- Form ---------------------------------------------------------------------------------------

HeadlessForm::HeadlessForm(std::shared_ptr<HeadlessDialogs::State> state,
                           platform::FormLayout layout, std::weak_ptr<platform::FormEvents> events)
    : state_(std::move(state)), layout_(std::move(layout)), events_(std::move(events)) {}

HeadlessForm::~HeadlessForm() {
  // A form released while loaded takes its controls with it, without events.
  if (loaded_) Destroy();
}

void HeadlessForm::Enter(const std::string& member) {
  if (state_->faults) state_->faults->Enter(member);
}

void HeadlessForm::Raise(const std::function<void(platform::FormEvents&)>& fire) {
  if (std::shared_ptr<platform::FormEvents> events = events_.lock()) fire(*events);
}

void HeadlessForm::Load() {
  Enter("Form.Load");
  if (loaded_) return;
  std::shared_ptr<HeadlessForm> self = shared_from_this();
  controls_.clear();
  byName_.clear();
  for (const platform::ControlLayout& layout : layout_.controls) {
    auto d = std::make_shared<ControlData>();
    d->layout = layout;
    d->enabled = layout.enabled;
    d->value = layout.value;
    d->text = layout.text;
    if (layout.kind == ControlKind::kWebBrowser) {
      d->browser = std::make_shared<FakeBrowser>(state_->faults);
      std::weak_ptr<HeadlessForm> weak = self;
      const std::string name = layout.name;
      d->browser->SetDocumentCompleteHandler(
          [weak, name](const void* pDisp, const std::string& url) {
            if (std::shared_ptr<HeadlessForm> form = weak.lock()) {
              form->Raise([&](platform::FormEvents& e) { e.OnDocumentComplete(name, pDisp, url); });
            }
          });
      state_->browsers.push_back(d->browser);
    }
    controls_.push_back(d);
    byName_[layout.name] = d;
  }
  focus_.clear();
  loaded_ = true;
  Raise([](platform::FormEvents& e) { e.OnLoad(); });
}

void HeadlessForm::ShowModal(uintptr_t owner) {
  Enter("Form.ShowModal");
  std::shared_ptr<HeadlessForm> self = shared_from_this();
  if (shown_) Fail(platform::kErrFormAlreadyShown, "Form already displayed; can't show modally");
  if (!loaded_) Load();
  if (!loaded_) return;  // its load handler unloaded it again

  shown_ = true;
  ++state_->modalDepth;
  ++state_->modalShows;
  state_->owners.push_back(owner);
  struct ModalScope {
    HeadlessDialogs::State& state;
    ~ModalScope() { --state.modalDepth; }
  } scope{*state_};

  // The first control in tab order that can take the focus gets it.
  std::vector<const ControlData*> order;
  for (const auto& d : controls_) {
    if (d->layout.tabIndex >= 0 && Focusable(*d)) order.push_back(d.get());
  }
  std::sort(order.begin(), order.end(), [](const ControlData* a, const ControlData* b) {
    return a->layout.tabIndex < b->layout.tabIndex;
  });
  if (!order.empty()) focus_ = order.front()->layout.name;

  Raise([](platform::FormEvents& e) { e.OnActivate(); });
  TakePosted();
  if (!shown_) return;

  if (!state_->scripts.empty()) {
    DialogScript script = std::move(state_->scripts.front());
    state_->scripts.pop_front();
    script(*this);
    if (shown_) ++state_->leftOpen;
  } else {
    ++state_->unscriptedShows;
  }
  // The modal loop only ends with an unload: close the window the way a user would, and if a
  // handler refuses even that, take the window down without asking.
  if (shown_ && !UnloadWith(platform::vbFormControlMenu) && loaded_) Destroy();
}

void HeadlessForm::Unload() {
  Enter("Form.Unload");
  UnloadWith(platform::vbFormCode);
}

bool HeadlessForm::UnloadWith(int32_t mode) {
  if (!loaded_ || unloading_) return false;
  std::shared_ptr<HeadlessForm> self = shared_from_this();
  unloading_ = true;
  bool cancel = false;
  Raise([&](platform::FormEvents& e) { e.OnQueryUnload(cancel, mode); });
  if (!cancel) Raise([&](platform::FormEvents& e) { e.OnUnload(cancel); });
  unloading_ = false;
  if (cancel) return false;
  state_->unloads.push_back(mode);
  Destroy();
  return true;
}

void HeadlessForm::RunBeside(std::function<bool()> work, std::function<void(bool)> answered) {
  Enter("Form.RunBeside");
  if (!loaded_) Fail(err::kObjectNotSet, "The form is not loaded");
  if (state_->holdWork) {
    state_->held.push_back({std::move(work), std::move(answered), weak_from_this()});
    return;
  }
  const bool answer = work();
  posted_.emplace_back(std::move(answered), answer);
}

void HeadlessForm::PostAnswer(std::function<void(bool)> answered, bool answer) {
  posted_.emplace_back(std::move(answered), answer);
  if (shown_) TakePosted();
}

void HeadlessForm::TakePosted() {
  std::shared_ptr<HeadlessForm> self = shared_from_this();
  while (!posted_.empty() && loaded_) {
    auto [answered, answer] = std::move(posted_.front());
    posted_.erase(posted_.begin());
    answered(answer);
  }
}

void HeadlessForm::Destroy() {
  state_->droppedAnswers += static_cast<int>(posted_.size());
  posted_.clear();
  statesAtUnload_ = States();
  for (const auto& d : controls_) {
    d->dead = true;
    if (d->browser) d->browser->Destroy();
  }
  loaded_ = false;
  shown_ = false;
  focus_.clear();
}

HeadlessForm::ControlData& HeadlessForm::Find(const std::string& name, bool wantKind,
                                              ControlKind kind) {
  if (!loaded_) Fail(err::kObjectNotSet, "The form is not loaded");
  auto it = byName_.find(name);
  if (it == byName_.end() || (wantKind && it->second->layout.kind != kind)) {
    Fail(kErrControlNotFound, "Control not found: " + name);
  }
  return *it->second;
}

const HeadlessForm::ControlData* HeadlessForm::FindConst(const std::string& name) const {
  auto it = byName_.find(name);
  return it == byName_.end() ? nullptr : it->second.get();
}

HeadlessForm::ControlData& HeadlessForm::RequireKind(const std::string& name, ControlKind kind) {
  return Find(name, true, kind);
}

std::shared_ptr<platform::Control> HeadlessForm::GetControl(const std::string& name) {
  Enter("Form.Controls");
  Find(name, false, ControlKind::kFrame);
  return std::make_shared<GenericHandle>(weak_from_this(), byName_[name]);
}

std::shared_ptr<platform::ListBoxControl> HeadlessForm::GetListBox(const std::string& name) {
  RequireKind(name, ControlKind::kListBox);
  return std::make_shared<ListBoxHandle>(weak_from_this(), byName_[name]);
}

std::shared_ptr<platform::OptionButton> HeadlessForm::GetOptionButton(const std::string& name) {
  RequireKind(name, ControlKind::kOptionButton);
  return std::make_shared<OptionButtonHandle>(weak_from_this(), byName_[name]);
}

std::shared_ptr<platform::CheckBox> HeadlessForm::GetCheckBox(const std::string& name) {
  RequireKind(name, ControlKind::kCheckBox);
  return std::make_shared<CheckBoxHandle>(weak_from_this(), byName_[name]);
}

std::shared_ptr<platform::TextBox> HeadlessForm::GetTextBox(const std::string& name) {
  RequireKind(name, ControlKind::kTextBox);
  return std::make_shared<TextBoxHandle>(weak_from_this(), byName_[name]);
}

std::shared_ptr<platform::CommandButton> HeadlessForm::GetCommandButton(const std::string& name) {
  RequireKind(name, ControlKind::kCommandButton);
  return std::make_shared<CommandButtonHandle>(weak_from_this(), byName_[name]);
}

std::shared_ptr<platform::FileDialog> HeadlessForm::GetFileDialog(const std::string& name) {
  RequireKind(name, ControlKind::kFileDialog);
  return std::make_shared<FileDialogHandle>(weak_from_this(), byName_[name]);
}

std::shared_ptr<platform::WebBrowser> HeadlessForm::GetWebBrowser(const std::string& name) {
  return RequireKind(name, ControlKind::kWebBrowser).browser;
}

bool HeadlessForm::EffectiveEnabled(const ControlData& d) const {
  if (!d.enabled) return false;
  if (d.layout.parent.empty()) return true;
  const ControlData* parent = FindConst(d.layout.parent);
  return !parent || EffectiveEnabled(*parent);
}

bool HeadlessForm::Focusable(const ControlData& d) const {
  switch (d.layout.kind) {
    case ControlKind::kListBox:
    case ControlKind::kOptionButton:
    case ControlKind::kCheckBox:
    case ControlKind::kTextBox:
    case ControlKind::kCommandButton:
      return !d.dead && EffectiveEnabled(d);
    default:
      return false;
  }
}

void HeadlessForm::BringToFront() {
  Enter("Form.BringToFront");
  if (!shown_) return;
  minimized_ = false;
  ++broughtToFront_;
}

void HeadlessForm::SetFocus(const std::string& control) {
  Enter("Form.SetFocus");
  ControlData& d = Find(control, false, ControlKind::kFrame);
  // As on a real form: only a visible form's enabled controls can take the focus.
  if (!shown_ || !Focusable(d)) Fail(err::kInvalidCall, "Invalid procedure call or argument");
  focus_ = control;
}

int32_t HeadlessForm::MsgBox(const std::string& prompt, uint32_t buttons,
                             const std::string& title) {
  Enter("Form.MsgBox");
  MessageBoxRecord record = BoxRecord(prompt, buttons, title, state_->modalDepth);
  record.formCaption = layout_.caption;
  record.focusBefore = focus_;
  state_->messageBoxes.push_back(record);
  // Answered at once; the focus returns where it was.
  return platform::vbOK;
}

void HeadlessForm::SelectOption(ControlData& d) {
  const bool wasSelected = d.value;
  for (const auto& other : controls_) {
    if (other.get() != &d && other->layout.kind == ControlKind::kOptionButton &&
        other->layout.parent == d.layout.parent) {
      other->value = false;
    }
  }
  d.value = true;
  if (!wasSelected) {
    const std::string name = d.layout.name;
    Raise([&](platform::FormEvents& e) { e.OnClick(name); });
  }
}

// ---- The user -----------------------------------------------------------------------------------

bool HeadlessForm::Act(const std::string& action, const std::function<bool()>& step) {
  std::shared_ptr<HeadlessForm> self = shared_from_this();
  TakePosted();
  const bool done = shown_ && step();
  state_->actions.push_back({action, done, focus_, state_->messageBoxes.size()});
  return done;
}

HeadlessForm::ControlData* HeadlessForm::TheList() {
  for (const auto& d : controls_) {
    if (d->layout.kind == ControlKind::kListBox) return d.get();
  }
  return nullptr;
}

bool HeadlessForm::ClickItem(int32_t index) {
  return Act("ClickItem " + std::to_string(index), [&] {
    ControlData* list = TheList();
    if (!list || !Focusable(*list)) return false;
    if (index < 0 || index >= static_cast<int32_t>(list->entries.size())) return false;
    focus_ = list->layout.name;
    for (ListEntry& e : list->entries)
      e.selected = false;
    list->entries[static_cast<size_t>(index)].selected = true;
    list->anchor = index;
    return true;
  });
}

bool HeadlessForm::CtrlClickItem(int32_t index) {
  return Act("CtrlClickItem " + std::to_string(index), [&] {
    ControlData* list = TheList();
    if (!list || !Focusable(*list)) return false;
    if (index < 0 || index >= static_cast<int32_t>(list->entries.size())) return false;
    focus_ = list->layout.name;
    ListEntry& e = list->entries[static_cast<size_t>(index)];
    e.selected = !e.selected;
    list->anchor = index;
    return true;
  });
}

bool HeadlessForm::ShiftClickItem(int32_t index) {
  return Act("ShiftClickItem " + std::to_string(index), [&] {
    ControlData* list = TheList();
    if (!list || !Focusable(*list)) return false;
    if (index < 0 || index >= static_cast<int32_t>(list->entries.size())) return false;
    focus_ = list->layout.name;
    const int32_t from = list->anchor < 0 ? index : list->anchor;
    const int32_t lo = std::min(from, index), hi = std::max(from, index);
    for (int32_t i = 0; i < static_cast<int32_t>(list->entries.size()); ++i) {
      list->entries[static_cast<size_t>(i)].selected = (i >= lo && i <= hi);
    }
    return true;
  });
}

bool HeadlessForm::SelectOnly(const std::vector<int32_t>& indexes) {
  ControlData* list = TheList();
  if (!shown_ || !list) return Act("SelectOnly", [] { return false; });
  bool done = true;
  for (int32_t i = 0; i < static_cast<int32_t>(list->entries.size()); ++i) {
    const bool want = std::find(indexes.begin(), indexes.end(), i) != indexes.end();
    if (list->entries[static_cast<size_t>(i)].selected != want) done = CtrlClickItem(i) && done;
  }
  return done;
}

bool HeadlessForm::ClickOption(const std::string& name) {
  return Act("ClickOption " + name, [&] {
    const ControlData* found = FindConst(name);
    if (!found || found->layout.kind != ControlKind::kOptionButton || !Focusable(*found)) {
      return false;
    }
    focus_ = name;
    SelectOption(*byName_[name]);
    return true;
  });
}

bool HeadlessForm::TypeText(const std::string& name, const std::string& text) {
  return Act("TypeText " + name, [&] {
    const ControlData* found = FindConst(name);
    if (!found || found->layout.kind != ControlKind::kTextBox || !Focusable(*found)) return false;
    focus_ = name;
    byName_[name]->text = text;
    return true;
  });
}

bool HeadlessForm::Click(const std::string& name) {
  return Act("Click " + name, [&] {
    const ControlData* found = FindConst(name);
    if (!found || !Focusable(*found)) return false;
    if (found->layout.kind == ControlKind::kOptionButton) {
      focus_ = name;
      SelectOption(*byName_[name]);
      return true;
    }
    if (found->layout.kind == ControlKind::kCheckBox) {
      // A click toggles the box, takes the focus and tells the form.
      focus_ = name;
      byName_[name]->value = !byName_[name]->value;
      Raise([&](platform::FormEvents& e) { e.OnClick(name); });
      return true;
    }
    if (found->layout.kind != ControlKind::kCommandButton) return false;
    focus_ = name;  // a push button takes the focus as it is pressed
    Raise([&](platform::FormEvents& e) { e.OnClick(name); });
    return true;
  });
}

bool HeadlessForm::PressEnter() {
  return Act("PressEnter", [&] {
    std::string target;
    const ControlData* focused = FindConst(focus_);
    if (focused && focused->layout.kind == ControlKind::kCommandButton) {
      target = focus_;
    } else {
      for (const auto& d : controls_) {
        if (d->layout.isDefault) target = d->layout.name;
      }
    }
    const ControlData* button = FindConst(target);
    if (!button || !Focusable(*button)) return false;
    Raise([&](platform::FormEvents& e) { e.OnClick(target); });
    return true;
  });
}

bool HeadlessForm::PressEsc() {
  return Act("PressEsc", [&] {
    std::string target;
    for (const auto& d : controls_) {
      if (d->layout.isCancel) target = d->layout.name;
    }
    const ControlData* button = FindConst(target);
    if (!button || !Focusable(*button)) return false;
    Raise([&](platform::FormEvents& e) { e.OnClick(target); });
    return true;
  });
}

bool HeadlessForm::CloseBox() {
  return Act("CloseBox", [&] { return UnloadWith(platform::vbFormControlMenu); });
}

bool HeadlessForm::Reactivate() {
  return Act("Reactivate", [&] {
    Raise([](platform::FormEvents& e) { e.OnActivate(); });
    return true;
  });
}

bool HeadlessForm::Minimize() {
  return Act("Minimize", [&] {
    minimized_ = true;
    return true;
  });
}

// ---- What the user sees
// ---------------------------------------------------------------------------

ControlState HeadlessForm::Snapshot(const ControlData& d) const {
  return {d.layout.name, d.layout.kind, d.enabled, d.value, d.text, d.entries};
}

ControlState HeadlessForm::State(const std::string& name) const {
  const ControlData* d = FindConst(name);
  if (!d) Fail(kErrControlNotFound, "Control not found: " + name);
  return Snapshot(*d);
}

std::vector<ControlState> HeadlessForm::States() const {
  std::vector<ControlState> states;
  for (const auto& d : controls_)
    states.push_back(Snapshot(*d));
  return states;
}

bool HeadlessForm::IsEnabled(const std::string& name) const {
  const ControlData* d = FindConst(name);
  return d && EffectiveEnabled(*d);
}

std::string HeadlessForm::Text(const std::string& name) const {
  return State(name).text;
}

bool HeadlessForm::OptionValue(const std::string& name) const {
  return State(name).value;
}

std::vector<ListEntry> HeadlessForm::Entries(const std::string& list) const {
  return State(list).entries;
}

std::shared_ptr<FakeBrowser> HeadlessForm::Browser(const std::string& name) const {
  const ControlData* d = FindConst(name);
  return d ? d->browser : nullptr;
}

}  // namespace zormint::sim

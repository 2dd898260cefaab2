// The control objects a DialogForm hands out, each over its window's messages, and the
// toolkit that creates the forms.
#include <windows.h>

#include <commdlg.h>

#include <mutex>
#include <vector>

#include "common/error.h"
#include "win32/com/module.h"
#include "win32/com/text.h"
#include "win32/dialog/form.h"
#include "win32/dialog/toolkit.h"

namespace zormint::win32 {

namespace {

constexpr int32_t kErrInvalidPropertyIndex = 381;  // a list index out of range

using platform::ControlKind;

// What every control object shares: its form and its data, and the check that both are alive.
class Handle {
 public:
  Handle(std::weak_ptr<DialogForm> form, std::shared_ptr<DialogControl> data)
      : form_(std::move(form)), data_(std::move(data)) {}

 protected:
  DialogControl& Live() {
    if (data_->dead || form_.expired()) Fail(err::kObjectNotSet, "The control's form was unloaded");
    return *data_;
  }
  HWND Window() {
    DialogControl& c = Live();
    if (!c.hwnd) Fail(err::kObjectNotSet, "The control has no window");
    return c.hwnd;
  }
  std::shared_ptr<DialogForm> Form() {
    std::shared_ptr<DialogForm> form = form_.lock();
    if (!form) Fail(err::kObjectNotSet, "The control's form is gone");
    return form;
  }

  std::weak_ptr<DialogForm> form_;
  std::shared_ptr<DialogControl> data_;
};

template <class Base>
class ControlHandle : public Base, protected Handle {
 public:
  using Handle::Handle;
  std::string Name() override { return Live().layout.name; }
  bool Enabled() override { return Live().enabled; }
  void SetEnabled(bool enabled) override {
    Live().enabled = enabled;
    Form()->ApplyEnabled();
  }
};

class ListBoxHandle final : public ControlHandle<platform::ListBoxControl> {
 public:
  using ControlHandle::ControlHandle;

  void Clear() override {
    SendMessageW(Window(), LB_RESETCONTENT, 0, 0);
    data_->newIndex = -1;
  }
  void AddItem(const std::string& text) override {
    const std::wstring wide = Widen(text);
    const LRESULT index =
        SendMessageW(Window(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    if (index == LB_ERR || index == LB_ERRSPACE) Fail(7, "Out of memory");
    data_->newIndex = static_cast<int32_t>(index);
  }
  int32_t ListCount() override {
    return static_cast<int32_t>(SendMessageW(Window(), LB_GETCOUNT, 0, 0));
  }
  int32_t NewIndex() override { return Live().newIndex; }
  std::string ItemText(int32_t index) override {
    HWND list = At(index);
    const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == LB_ERR) Fail(kErrInvalidPropertyIndex, "Invalid property array index");
    std::vector<wchar_t> text(static_cast<size_t>(length) + 1, L'\0');
    const LRESULT got = SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index),
                                     reinterpret_cast<LPARAM>(text.data()));
    return Narrow(text.data(), got > 0 ? static_cast<size_t>(got) : 0);
  }
  void SetItemData(int32_t index, int32_t data) override {
    SendMessageW(At(index), LB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(data));
  }
  int32_t ItemData(int32_t index) override {
    // In range, LB_ERR is a value like any other.
    return static_cast<int32_t>(
        SendMessageW(At(index), LB_GETITEMDATA, static_cast<WPARAM>(index), 0));
  }
  void SetSelected(int32_t index, bool selected) override {
    HWND list = At(index);
    if (GetWindowLongPtrW(list, GWL_STYLE) & (LBS_EXTENDEDSEL | LBS_MULTIPLESEL)) {
      SendMessageW(list, LB_SETSEL, selected ? TRUE : FALSE, static_cast<LPARAM>(index));
    } else if (selected) {
      SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    } else if (SendMessageW(list, LB_GETCURSEL, 0, 0) == index) {
      SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    }
  }
  bool Selected(int32_t index) override {
    return SendMessageW(At(index), LB_GETSEL, static_cast<WPARAM>(index), 0) > 0;
  }

 private:
  // The list's window, after checking that the entry exists.
  HWND At(int32_t index) {
    HWND list = Window();
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    if (index < 0 || index >= count) Fail(kErrInvalidPropertyIndex, "Invalid property array index");
    return list;
  }
};

class OptionButtonHandle final : public ControlHandle<platform::OptionButton> {
 public:
  using ControlHandle::ControlHandle;
  bool Value() override { return SendMessageW(Window(), BM_GETCHECK, 0, 0) == BST_CHECKED; }
  void SetValue(bool value) override {
    HWND button = Window();
    if (value) {
      Form()->SelectOption(*data_);
      return;
    }
    SendMessageW(button, BM_SETCHECK, BST_UNCHECKED, 0);
    data_->checked = false;
  }
};

class CheckBoxHandle final : public ControlHandle<platform::CheckBox> {
 public:
  using ControlHandle::ControlHandle;
  bool Value() override { return SendMessageW(Window(), BM_GETCHECK, 0, 0) == BST_CHECKED; }
  void SetValue(bool value) override {
    SendMessageW(Window(), BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
    data_->checked = value;
  }
};

class TextBoxHandle final : public ControlHandle<platform::TextBox> {
 public:
  using ControlHandle::ControlHandle;
  std::string Text() override {
    HWND box = Window();
    const int length = GetWindowTextLengthW(box);
    std::vector<wchar_t> text(static_cast<size_t>(length) + 1, L'\0');
    const int got = GetWindowTextW(box, text.data(), length + 1);
    return Narrow(text.data(), got > 0 ? static_cast<size_t>(got) : 0);
  }
  void SetText(const std::string& text) override {
    if (!SetWindowTextW(Window(), Widen(text).c_str()))
      Fail(err::kEFail, "Setting the text failed");
  }
};

class CommandButtonHandle final : public ControlHandle<platform::CommandButton> {
 public:
  using ControlHandle::ControlHandle;
};

class GenericHandle final : public ControlHandle<platform::Control> {
 public:
  using ControlHandle::ControlHandle;
};

// "description|pattern|description|pattern" as the file dialog wants it: each part ended by a
// NUL, the whole by a second NUL.
std::wstring FilterList(const std::string& filter) {
  std::wstring list = Widen(filter);
  for (wchar_t& c : list) {
    if (c == L'|') c = L'\0';
  }
  list.push_back(L'\0');
  list.push_back(L'\0');
  return list;
}

class FileDialogHandle final : public platform::FileDialog, protected Handle {
 public:
  using Handle::Handle;
  uint32_t Flags() override { return Live().flags; }
  void SetFlags(uint32_t flags) override { Live().flags = flags; }
  std::string DialogTitle() override { return Live().layout.caption; }
  std::string Filter() override { return Live().layout.filter; }
  std::string FileName() override { return Live().fileName; }

  std::string ShowOpen() override {
    DialogControl& d = Live();
    std::shared_ptr<DialogForm> form = Form();
    const std::wstring filter = FilterList(d.layout.filter);
    const std::wstring title = Widen(d.layout.caption);
    // Long paths fit: the buffer holds the longest path Windows knows.
    std::vector<wchar_t> file(32768, L'\0');
    const std::wstring start = Widen(d.fileName);
    if (start.size() < file.size()) std::copy(start.begin(), start.end(), file.begin());

    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = form->Window();
    dialog.lpstrFilter = d.layout.filter.empty() ? nullptr : filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrTitle = title.empty() ? nullptr : title.c_str();
    dialog.Flags = d.flags;
    if (GetOpenFileNameW(&dialog)) {
      d.fileName = Narrow(file.data(), wcsnlen(file.data(), file.size()));
      return d.fileName;
    }
    const DWORD error = CommDlgExtendedError();
    if (error == 0) return std::string();  // cancelled
    Fail(err::kEFail, "The file dialog failed with error " + std::to_string(error));
  }
};

class Toolkit final : public platform::DialogToolkit {
 public:
  explicit Toolkit(HMODULE resources) : resources_(resources) {}

  std::shared_ptr<platform::Form> CreateForm(const platform::FormLayout& layout,
                                             std::weak_ptr<platform::FormEvents> events) override {
    // The icons are drawn on first use, never while the library is being loaded.
    std::call_once(iconsOnce_, [this] { icons_ = MakeFormIcons(resources_); });
    return std::make_shared<DialogForm>(layout, std::move(events), icons_);
  }

  int32_t MsgBox(const std::string& prompt, uint32_t buttons, const std::string& title) override {
    // No form is open: the box is modal to the thread's windows (Outlook's), as a form's
    // message box is to its form, and comes to the front.
    const int answer = MessageBoxW(nullptr, Widen(prompt).c_str(), Widen(title).c_str(),
                                   static_cast<UINT>(buttons) | MB_TASKMODAL | MB_SETFOREGROUND);
    if (answer == 0) {
      Fail(static_cast<int32_t>(HRESULT_FROM_WIN32(GetLastError())), "The message box failed");
    }
    return answer;
  }

 private:
  HMODULE resources_;
  std::once_flag iconsOnce_;
  std::shared_ptr<FormIcons> icons_;
};

}  // namespace

// ---- The form's control accessors
// ----------------------------------------------------------------

std::shared_ptr<platform::Control> DialogForm::GetControl(const std::string& name) {
  return std::make_shared<GenericHandle>(weak_from_this(), byName_.at(Find(name).layout.name));
}

std::shared_ptr<platform::ListBoxControl> DialogForm::GetListBox(const std::string& name) {
  FindKind(name, ControlKind::kListBox);
  return std::make_shared<ListBoxHandle>(weak_from_this(), byName_.at(name));
}

std::shared_ptr<platform::OptionButton> DialogForm::GetOptionButton(const std::string& name) {
  FindKind(name, ControlKind::kOptionButton);
  return std::make_shared<OptionButtonHandle>(weak_from_this(), byName_.at(name));
}

std::shared_ptr<platform::CheckBox> DialogForm::GetCheckBox(const std::string& name) {
  FindKind(name, ControlKind::kCheckBox);
  return std::make_shared<CheckBoxHandle>(weak_from_this(), byName_.at(name));
}

std::shared_ptr<platform::TextBox> DialogForm::GetTextBox(const std::string& name) {
  FindKind(name, ControlKind::kTextBox);
  return std::make_shared<TextBoxHandle>(weak_from_this(), byName_.at(name));
}

std::shared_ptr<platform::CommandButton> DialogForm::GetCommandButton(const std::string& name) {
  FindKind(name, ControlKind::kCommandButton);
  return std::make_shared<CommandButtonHandle>(weak_from_this(), byName_.at(name));
}

std::shared_ptr<platform::FileDialog> DialogForm::GetFileDialog(const std::string& name) {
  FindKind(name, ControlKind::kFileDialog);
  return std::make_shared<FileDialogHandle>(weak_from_this(), byName_.at(name));
}

std::shared_ptr<platform::WebBrowser> DialogForm::GetWebBrowser(const std::string& name) {
  DialogControl& c = FindKind(name, ControlKind::kWebBrowser);
  if (!c.browser) Fail(err::kObjectNotSet, "The web browser is not available");
  return c.browser;
}

// ---- The toolkit --------------------------------------------------------------------------------

std::shared_ptr<platform::DialogToolkit> MakeDialogToolkit(HMODULE resources) {
  return std::make_shared<Toolkit>(resources ? resources : ThisModule());
}

int DialogControlId(const platform::FormLayout& layout, const std::string& name) {
  for (size_t i = 0; i < layout.controls.size(); ++i) {
    if (layout.controls[i].name == name) {
      return layout.controls[i].kind == ControlKind::kFileDialog
                 ? 0
                 : kFirstControlId + static_cast<int>(i);
    }
  }
  return 0;
}

}  // namespace zormint::win32

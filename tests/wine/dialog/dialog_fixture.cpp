#include "dialog/dialog_fixture.h"

#include <filesystem>
#include <fstream>

namespace zormint::wine_test {

namespace {

std::wstring MakeFolder() {
  wchar_t temp[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH, temp);
  std::wstring folder = std::wstring(temp) + L"zormint-dialog-" +
                        std::to_wstring(GetCurrentProcessId()) + L"-" +
                        std::to_wstring(GetTickCount());
  CreateDirectoryW(folder.c_str(), nullptr);
  return folder;
}

}  // namespace

HRESULT RaiseDocumentComplete(IDispatch* sink, IDispatch* pDisp, const wchar_t* url,
                              DISPID member) {
  win32::Variant address = win32::Variant::Text(url);
  VARIANT args[2];
  args[0].vt = VT_BYREF | VT_VARIANT;
  args[0].pvarVal = address.Ptr();
  args[1].vt = VT_DISPATCH;
  args[1].pdispVal = pDisp;
  DISPPARAMS params = {args, nullptr, 2, 0};
  return sink->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr,
                      nullptr, nullptr);
}

DialogTest::DialogTest() : ole_(OleInitialize(nullptr)), folder_(MakeFolder()) {
  g.services.dialogs = win32::MakeDialogToolkit();
  g.services.settingsStore = store;
  g.services.messagePump = std::make_shared<ThreadMessagePump>();
  g.services.internet = internet;  // no connection reported
  g.services.eventLog = eventLog;
  g.services.fileSystem = std::make_shared<platform::PortableFileSystem>();
  g.gfsoFileSystem = g.services.fileSystem;
  gclsInternet(g) = std::make_shared<CInternet>(g);
}

DialogTest::~DialogTest() {
  gfrmOptions(g).reset();
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
  if (SUCCEEDED(ole_)) OleUninitialize();
}

std::string DialogTest::MakeProgram(const std::string& name) {
  const std::wstring path = folder_ + L"\\" + Widen(name);
  std::ofstream(std::filesystem::path(path), std::ios::binary) << "MZ";
  return Narrow(path);
}

void DialogTest::Open(const std::vector<ListedPicture>& pictures) {
  if (!gclsSettings(g)) LoadSettings();
  user.Start();
  test::ShowOptions(g, pictures);
}

HWND DialogTest::Control(const char* name) {
  return GetDlgItem(Form(), win32::DialogControlId(ui::OptionsLayout(), name));
}

std::string DialogTest::Focus() {
  HWND focus = GetFocus();
  HWND form = Form();
  if (!focus || !form || GetParent(focus) != form) return std::string();
  const int id = GetDlgCtrlID(focus);
  for (const platform::ControlLayout& c : ui::OptionsLayout().controls) {
    if (win32::DialogControlId(ui::OptionsLayout(), c.name) == id) return c.name;
  }
  return std::string();
}

bool DialogTest::Ready() {
  HWND form = Form();
  return form && IsWindowEnabled(form) && gfrmOptions(g) && gfrmOptions(g)->ActivatedOnce() &&
         GetFocus() && IsChild(form, GetFocus());
}

void DialogTest::WhenUp(const std::string& what) {
  user.When(what, [this] { return Ready(); });
}

void DialogTest::AnswerWarning(const std::string& title, const std::string& text) {
  const std::wstring caption = Widen(title);
  user.When(
      "the warning \"" + title + "\"",
      [caption] { return FindOwnedDialog(Form(), caption) != nullptr; },
      [caption, title, text] {
        HWND box = FindOwnedDialog(Form(), caption);
        EXPECT_EQ(Narrow(MessageBoxText(box)), text) << title;
        // Modal to the form: the form is disabled while the box is up.
        EXPECT_FALSE(IsWindowEnabled(Form())) << title;
        // The warning icon and a single OK button.
        int buttons = 0, okButtons = 0;
        HICON icon = nullptr;
        for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
          wchar_t kind[16] = {};
          GetClassNameW(child, kind, 16);
          const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
          if (_wcsicmp(kind, L"Button") == 0 && IsWindowVisible(child)) {
            ++buttons;
            if (GetDlgCtrlID(child) == IDOK) ++okButtons;
          } else if (_wcsicmp(kind, L"Static") == 0 && (style & SS_TYPEMASK) == SS_ICON) {
            icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
          }
        }
        EXPECT_EQ(buttons, 1) << title;
        EXPECT_EQ(okButtons, 1) << title;
        EXPECT_EQ(icon, LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_EXCLAMATION))) << title;
        PressKey(VK_RETURN);
      });
  user.When("the warning \"" + title + "\" has gone",
            [caption] { return !FindOwnedDialog(Form(), caption) && IsWindowEnabled(Form()); });
}

void DialogTest::ExpectFocus(const char* control) {
  user.When(std::string("the focus on ") + control, [control] { return Focus() == control; });
}

void DialogTest::WhenClosed(const std::string& how) {
  user.When("the dialog closed by " + how, [] { return Form() == nullptr; });
}

}  // namespace zormint::wine_test

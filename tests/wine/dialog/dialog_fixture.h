// The "Select Picture Attachments" dialog on real windows: the form logic over the Win32 dialog
// toolkit, a settings store, file system and probe from the portable side, a real message pump,
// and a User who works the dialog with the keyboard and the mouse.
#pragma once

#include <gtest/gtest.h>
#include <ole2.h>
#include <windows.h>

#include <dlgs.h>

#include <memory>
#include <string>
#include <vector>

#include "context/globals.h"
#include "dialog/dialog_user.h"
#include "net/internet.h"
#include "platform/portable_file_system.h"
#include "sim/fakes/fake_net.h"
#include "sim/fakes/fakes.h"
#include "tests/support/options_dialog.h"
#include "ui/options_layout.h"
#include "win32/com/text.h"
#include "win32/com/variant.h"
#include "win32/dialog/toolkit.h"

namespace zormint::wine_test {

using test::ListedPicture;
using win32::Narrow;
using win32::Widen;

// Four pictures at attachment positions 2, 3, 5 and 6; one name is not plain ASCII.
inline const std::vector<ListedPicture> kPictures = {{"beach.jpg", 2},
                                                     {"Stra\xc3\x9f"
                                                      "e.GIF",
                                                      3},
                                                     {"dog.bmp", 5},
                                                     {"scan.tiff", 6}};
inline const char* const kAllPictures = "2,3,5,6";
inline const wchar_t* const kCaption = L"Select Picture Attachments";

// DoEvents over the thread's real message queue.
class ThreadMessagePump : public platform::MessagePump {
 public:
  void DoEvents() override {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(msg.wParam));
        return;
      }
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
};

// DocumentComplete(pDisp, URL) as the web browser raises it at its event sink: the arguments
// last first, the URL a reference to a VARIANT holding the address.
HRESULT RaiseDocumentComplete(IDispatch* sink, IDispatch* pDisp, const wchar_t* url,
                              DISPID member = 259);

class DialogTest : public ::testing::Test {
 protected:
  DialogTest();
  ~DialogTest() override;

  // What a toolbar does: take the dialog, fill its list (every entry selected) and show it
  // modally; the user's steps run while it is up. Returns when the dialog has been unloaded.
  void Open(const std::vector<ListedPicture>& pictures = kPictures);

  // The settings as the connection loads them (Open does it when nothing has yet).
  void LoadSettings() { test::LoadSettings(g); }
  // An existing program file in this test's folder, as path text.
  std::string MakeProgram(const std::string& name);

  // ---- What the user sees ----
  static HWND Form() { return FindTopLevel(kCaption); }
  static HWND Control(const char* name);
  // The control that has the keyboard focus, by name ("" when none of the form's has it).
  static std::string Focus();
  // The dialog is up, its first activation done, the focus in it.
  bool Ready();

  // ---- Steps of the user ----
  // Waits for the form to be up and ready.
  void WhenUp(const std::string& what = "the dialog is up");
  // Waits for a warning box of the form with this title, checks it (text, icon, one OK
  // button, the form disabled behind it) and answers it with Enter.
  void AnswerWarning(const std::string& title, const std::string& text);
  // Waits until the focus is on `control` (as the form logic leaves it).
  void ExpectFocus(const char* control);
  // Waits until the form has gone.
  void WhenClosed(const std::string& how);

  HRESULT ole_;
  std::wstring folder_;  // this test's own folder
  Globals g;
  std::shared_ptr<sim::MemorySettingsStore> store = std::make_shared<sim::MemorySettingsStore>();
  // The viewer choice in the store (as an earlier run left it, or as the dialog saved it).
  test::StoredViewer stored{*store};
  std::shared_ptr<sim::FakeInternet> internet = std::make_shared<sim::FakeInternet>();
  std::shared_ptr<sim::FakeEventLog> eventLog = std::make_shared<sim::FakeEventLog>();
  User user;
};

}  // namespace zormint::wine_test

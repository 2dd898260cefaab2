// The toolkit's own contract, under a recording receiver instead of the form logic: events and
// their order, unload modes and cancelled unloads, calls that must fail, the controls from code.
#include <algorithm>

#include "dialog/dialog_fixture.h"
#include "win32/dialog/browser_host.h"

namespace zormint::wine_test {
namespace {

using namespace platform;
using namespace ui;

class Recorder : public FormEvents {
 public:
  std::vector<std::string> events;
  int cancelQueries = 0;  // the next this many OnQueryUnload calls cancel
  std::function<void(const std::string&)> onClick;

  void OnLoad() noexcept override { events.push_back("Load"); }
  void OnActivate() noexcept override { events.push_back("Activate"); }
  void OnClick(const std::string& control) noexcept override {
    events.push_back("Click " + control);
    if (onClick) onClick(control);
  }
  void OnQueryUnload(bool& cancel, int32_t mode) noexcept override {
    events.push_back("QueryUnload " + std::to_string(mode));
    if (cancelQueries > 0) {
      --cancelQueries;
      cancel = true;
    }
  }
  void OnUnload(bool&) noexcept override { events.push_back("Unload"); }
  void OnDocumentComplete(const std::string& control, const void*,
                          const std::string& URL) noexcept override {
    events.push_back("DocumentComplete " + control + " " + URL);
  }
  size_t Count(const std::string& event) const {
    return static_cast<size_t>(std::count(events.begin(), events.end(), event));
  }
};

class FormTest : public DialogTest {
 protected:
  FormTest() { form = g.services.dialogs->CreateForm(OptionsLayout(), recorder); }
  std::shared_ptr<Recorder> recorder = std::make_shared<Recorder>();
  std::shared_ptr<platform::Form> form;
};

bool FormUp() {
  HWND form = FindTopLevel(kCaption);
  return form && IsWindowEnabled(form) && GetFocus() && IsChild(form, GetFocus());
}

int32_t ErrorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const ZError& e) {
    return e.Code();
  }
  return 0;
}

TEST_F(FormTest, ControlsFromCodeBeforeTheFormIsShown) {
  EXPECT_EQ(ErrorOf([&] { form->GetListBox(kLstPicAttachments); }), err::kObjectNotSet);
  form->Load();
  EXPECT_TRUE(form->Loaded());
  EXPECT_EQ(recorder->events, std::vector<std::string>{"Load"});
  EXPECT_EQ(Form(), nullptr);  // loaded hidden
  EXPECT_EQ(ErrorOf([&] { form->SetFocus(kCmdOpen); }), err::kInvalidCall);

  // The list: texts through UTF-16 and back, item data of any sign, selection, bounds.
  std::shared_ptr<ListBoxControl> list = form->GetListBox(kLstPicAttachments);
  EXPECT_EQ(list->NewIndex(), -1);
  for (const char* name : {"a.jpg", "\xe6\x97\xa5\xe6\x9c\xac.png", "c.gif"})
    list->AddItem(name);
  EXPECT_EQ(list->ListCount(), 3);
  EXPECT_EQ(list->NewIndex(), 2);
  EXPECT_EQ(list->ItemText(1), "\xe6\x97\xa5\xe6\x9c\xac.png");
  list->SetItemData(0, -1);
  list->SetItemData(2, 0x7FFFFFFF);
  EXPECT_EQ(list->ItemData(0), -1);
  EXPECT_EQ(list->ItemData(2), 0x7FFFFFFF);
  list->SetSelected(0, true);
  list->SetSelected(2, true);
  list->SetSelected(0, false);
  EXPECT_FALSE(list->Selected(0));
  EXPECT_FALSE(list->Selected(1));
  EXPECT_TRUE(list->Selected(2));
  EXPECT_EQ(ErrorOf([&] { list->ItemData(3); }), 381);
  EXPECT_EQ(ErrorOf([&] { list->SetSelected(-1, true); }), 381);
  list->Clear();
  EXPECT_EQ(list->ListCount(), 0);
  EXPECT_EQ(list->NewIndex(), -1);

  // Option buttons: selecting from code raises the click once, deselecting raises nothing.
  std::shared_ptr<OptionButton> custom = form->GetOptionButton(kOptCustomViewer);
  std::shared_ptr<OptionButton> standard = form->GetOptionButton(kOptDefaultViewer);
  custom->SetValue(true);
  custom->SetValue(true);
  EXPECT_EQ(recorder->Count("Click optCustomViewer"), 1u);
  EXPECT_FALSE(standard->Value());
  custom->SetValue(false);
  EXPECT_FALSE(custom->Value());
  EXPECT_FALSE(standard->Value());
  EXPECT_EQ(recorder->events.size(), 2u);

  // A frame's controls follow it; their own state stays what it was.
  std::shared_ptr<platform::Control> frame = form->GetControl(kFraImageViewer);
  frame->SetEnabled(false);
  EXPECT_TRUE(standard->Enabled());
  frame->SetEnabled(true);

  std::shared_ptr<TextBox> box = form->GetTextBox(kTxtCustomViewer);
  EXPECT_FALSE(box->Enabled());
  box->SetText(
      "C:\\Programme\\\xc3\x9c"
      "bersicht.exe");
  EXPECT_EQ(box->Text(),
            "C:\\Programme\\\xc3\x9c"
            "bersicht.exe");

  std::shared_ptr<FileDialog> dialog = form->GetFileDialog(kDlgViewer);
  EXPECT_EQ(dialog->DialogTitle(), "Select Custom Image Viewer");
  EXPECT_EQ(dialog->Filter(), "Image Viewers (*.exe)|*.exe");
  EXPECT_EQ(dialog->FileName(), "");

  // A control asked for as the wrong kind, or one that does not exist.
  EXPECT_EQ(ErrorOf([&] { form->GetTextBox(kLstPicAttachments); }), 730);
  EXPECT_EQ(ErrorOf([&] { form->GetControl("nothing"); }), 730);

  // Unloading by code: mode 1, then every control object is dead.
  form->Unload();
  EXPECT_FALSE(form->Loaded());
  EXPECT_EQ(recorder->events.back(), "Unload");
  EXPECT_EQ(recorder->Count("QueryUnload 1"), 1u);
  EXPECT_EQ(ErrorOf([&] { list->ListCount(); }), err::kObjectNotSet);
  EXPECT_EQ(ErrorOf([&] { box->Text(); }), err::kObjectNotSet);
  EXPECT_EQ(ErrorOf([&] { dialog->ShowOpen(); }), err::kObjectNotSet);
}

TEST_F(FormTest, UnloadModesCancelledUnloadsAndAShowingInsideAShowing) {
  recorder->cancelQueries = 1;
  recorder->onClick = [this](const std::string& control) {
    if (control == kCmdOpen) form->Unload();
  };
  user.When("the form is up", FormUp, [this] {
    EXPECT_EQ(ErrorOf([&] { form->ShowModal(); }), kErrFormAlreadyShown);
    EXPECT_EQ(ErrorOf([&] { form->SetFocus(kTxtCustomViewer); }), err::kInvalidCall);
    EXPECT_EQ(ErrorOf([&] { form->SetFocus(kFraImageViewer); }), err::kInvalidCall);
    form->SetFocus(kCmdClose);
    EXPECT_EQ(Focus(), kCmdClose);
    // The close box, refused by the receiver: the form stays.
    PostMessageW(Form(), WM_SYSCOMMAND, SC_CLOSE, 0);
  });
  user.When(
      "the refused close", [this] { return recorder->Count("QueryUnload 0") == 1; },
      [this] {
        EXPECT_NE(Form(), nullptr);
        EXPECT_EQ(recorder->Count("Unload"), 0u);
        // Esc clicks the cancel button, and that is all it does.
        PressKey(VK_ESCAPE);
      });
  user.When(
      "the cancel button's click", [this] { return recorder->Count("Click cmdClose") == 1; },
      [this] {
        EXPECT_NE(Form(), nullptr);
        Click(Control(kCmdOpen));  // its receiver unloads the form by code
      });
  WhenClosed("code");
  user.Start();
  form->ShowModal();
  EXPECT_TRUE(user.Finished()) << user.Report();
  EXPECT_FALSE(form->Loaded());
  const std::vector<std::string> tail(recorder->events.end() - 3, recorder->events.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"Click cmdOpen", "QueryUnload 1", "Unload"}));
  EXPECT_EQ(recorder->events.front(), "Load");
  EXPECT_GE(recorder->Count("Activate"), 1u);

  // The same form shown again loads afresh, and the close box now unloads it (mode 0).
  recorder->events.clear();
  user.When("the form is up again", FormUp);
  user.Do("the close box", [] { PostMessageW(Form(), WM_SYSCOMMAND, SC_CLOSE, 0); });
  WhenClosed("the close box");
  form->ShowModal();
  EXPECT_TRUE(user.Finished()) << user.Report();
  EXPECT_EQ(recorder->events.front(), "Load");
  const std::vector<std::string> end(recorder->events.end() - 2, recorder->events.end());
  EXPECT_EQ(end, (std::vector<std::string>{"QueryUnload 0", "Unload"}));
}

TEST_F(FormTest, AQuitOrALostWindowEndsTheShowing) {
  // The host quitting while the form is up: the form closes as with its close box, and the
  // quit is left for the host's own message loop.
  user.When("the form is up", FormUp, [] { PostQuitMessage(3); });
  user.Start();
  form->ShowModal();
  EXPECT_FALSE(form->Loaded());
  const std::vector<std::string> end(recorder->events.end() - 2, recorder->events.end());
  EXPECT_EQ(end, (std::vector<std::string>{"QueryUnload 0", "Unload"}));
  MSG quit = {};
  EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(quit.wParam, 3u);

  // Its window destroyed under it (its thread's windows going away): the showing ends without
  // events, and the form is unloaded.
  recorder->events.clear();
  user.When("the form is up again", FormUp, [] { DestroyWindow(FindTopLevel(kCaption)); });
  form->ShowModal();
  EXPECT_TRUE(user.Finished()) << user.Report();
  EXPECT_FALSE(form->Loaded());
  EXPECT_EQ(recorder->Count("Unload"), 0u);
  EXPECT_EQ(ErrorOf([&] { form->GetListBox(kLstPicAttachments); }), err::kObjectNotSet);
}

TEST_F(FormTest, TheBannersDocumentCompleteReachesTheReceiverWithTheControlsName) {
  form->Load();
  std::shared_ptr<WebBrowser> banner = form->GetWebBrowser(kWbrAdBanner);
  auto* host = dynamic_cast<win32::BrowserHost*>(banner.get());
  ASSERT_NE(host, nullptr);
  ASSERT_TRUE(host->Available()) << std::hex << host->CreationResult();
  IDispatch* sink = host->EventSink();
  EXPECT_EQ(RaiseDocumentComplete(sink, sink, L"res://ZORMINT/%2323/%23102"), S_OK);
  EXPECT_EQ(recorder->events.back(), "DocumentComplete wbrAdBanner res://ZORMINT/%2323/%23102");
  form->Unload();
  // The browser went with its form.
  EXPECT_FALSE(host->Available());
  EXPECT_EQ(ErrorOf([&] { banner->Navigate2("about:blank", 0); }), err::kObjectNotSet);
}

}  // namespace
}  // namespace zormint::wine_test

// The dialog as a user works it: real keys and clicks on the real windows, what the form logic
// makes of them, and what it hands back and stores.
#include "dialog/dialog_fixture.h"
#include "pictures/pic_attachments.h"
#include "sim/model/outlook_sim.h"

namespace zormint::wine_test {
namespace {

using namespace ui;

constexpr const char* kNoExeText = "Please enter fully qualified name of Image viewer EXE.";

std::wstring BoxText(const char* control) {
  return WindowText(
      GetDlgItem(FindTopLevel(kCaption), win32::DialogControlId(OptionsLayout(), control)));
}

bool Checked(const char* option) {
  HWND button = GetDlgItem(FindTopLevel(kCaption), win32::DialogControlId(OptionsLayout(), option));
  return SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

using DialogStory = DialogTest;

// The picture-types box on the real dialog: a click ticks it, the setting is kept at once and
// the list shows the message's pictures under the new rule; a second click goes back.
TEST_F(DialogStory, ThePictureTypesBoxSwitchesTheSettingAndTheListFollowsAtOnce) {
  std::shared_ptr<sim::Outlook> outlook = sim::Outlook::Create();
  const sim::FolderId inbox = outlook->AddFolder("Inbox", host::kOlMailItem);
  sim::ItemSpec contents;
  sim::AttachmentSpec logo{"logo.jpg", "logo"};
  logo.contentId = "image001.jpg@01DA0000";
  logo.flags = 4;
  contents.attachments = {{"shot.png", "shot"}, {"beach.jpg", "beach"}, logo};
  const sim::ItemId id = outlook->AddItem(inbox, contents);
  outlook->Select(outlook->OpenExplorer(inbox), {id});
  std::shared_ptr<host::Item> item = outlook->Application()->ActiveExplorer()->Selection()->Item(1);
  LoadSettings();
  gclsPicAttachments(g) = std::make_shared<CPicAttachments>(g);

  auto listed = [this] {
    HWND list = Control(kLstPicAttachments);
    std::vector<std::string> names;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      wchar_t text[64] = {};
      SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
      names.push_back(Narrow(text) + "#" +
                      std::to_string(SendMessageW(list, LB_GETITEMDATA, i, 0)));
    }
    return names;
  };
  WhenUp();
  user.Do("look at the list and tick the box", [&] {
    EXPECT_EQ(listed(), (std::vector<std::string>{"beach.jpg#2", "logo.jpg#3"}));
    EXPECT_FALSE(Checked(kChkMorePictureTypes));
    Click(Control(kChkMorePictureTypes));
  });
  user.When("the list shows the PNG and not the logo", [&] {
    return listed() == std::vector<std::string>{"shot.png#1", "beach.jpg#2"};
  });
  user.Do("check the box and the setting, and clear the box", [&] {
    EXPECT_TRUE(Checked(kChkMorePictureTypes));
    EXPECT_EQ(store->Peek("ZORMINT", "Startup", "More Picture Types"), "1");
    EXPECT_EQ(SendMessageW(Control(kLstPicAttachments), LB_GETSELCOUNT, 0, 0), 2);
    Click(Control(kChkMorePictureTypes));
  });
  user.When("the list is as it was", [&] {
    return listed() == std::vector<std::string>{"beach.jpg#2", "logo.jpg#3"};
  });
  user.Do("Esc", [] { PressKey(VK_ESCAPE); });
  WhenClosed("Esc");
  user.Start();
  frmOptions::Instance(g)->ListPicturesOf(item);
  frmOptions::Instance(g)->Show();
  EXPECT_TRUE(user.Finished()) << user.Report();
  EXPECT_EQ(store->Peek("ZORMINT", "Startup", "More Picture Types"), "0");
  EXPECT_EQ(gfrmOptions(g), nullptr);
  item.reset();
  gclsPicAttachments(g).reset();
  EXPECT_EQ(outlook->LiveReferences(), 0) << outlook->DescribeLiveReferences();
}

TEST_F(DialogStory, OpenWithEveryPictureAndTheDefaultViewerHandsBackTheWholeList) {
  const std::string viewer = MakeProgram("viewer.exe");
  stored.Put("1", viewer);
  g.gsSelAttachmentIndexes = "stale";
  WhenUp();
  user.Do("check the list and click &Open", [this] {
    HWND list = Control(kLstPicAttachments);
    EXPECT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 4);
    EXPECT_EQ(SendMessageW(list, LB_GETSELCOUNT, 0, 0), 4);
    wchar_t text[64] = {};
    SendMessageW(list, LB_GETTEXT, 1, reinterpret_cast<LPARAM>(text));
    EXPECT_EQ(Narrow(text), kPictures[1].name);  // UTF-16 in the window, UTF-8 in the core
    EXPECT_EQ(SendMessageW(list, LB_GETITEMDATA, 3, 0), 6);
    EXPECT_TRUE(Checked(kOptDefaultViewer));
    EXPECT_EQ(Focus(), kLstPicAttachments);
    Click(Control(kCmdOpen));
  });
  WhenClosed("&Open");
  Open();
  EXPECT_TRUE(user.Finished()) << user.Report();
  EXPECT_EQ(g.gsSelAttachmentIndexes, kAllPictures);
  EXPECT_EQ(stored.Choice(), "1");
  EXPECT_EQ(stored.Path(), viewer);  // the default viewer leaves the custom path alone
  EXPECT_EQ(gfrmOptions(g), nullptr);
}

TEST_F(DialogStory, NothingSelectedWarnsFocusesTheListAndStoresNothing) {
  WhenUp();
  user.Do("Ctrl+click every entry", [this] {
    HWND list = Control(kLstPicAttachments);
    for (int i = 0; i < 4; ++i) {
      RECT item = {};
      SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
      POINT centre = {(item.left + item.right) / 2, (item.top + item.bottom) / 2};
      ClientToScreen(list, &centre);
      ClickAt(centre, {VK_CONTROL});
    }
  });
  user.When(
      "nothing selected",
      [this] { return SendMessageW(Control(kLstPicAttachments), LB_GETSELCOUNT, 0, 0) == 0; },
      [] { PressKey(VK_RETURN); });  // Enter in the list presses "&Open"
  LoadSettings();
  const size_t writes = store->writes.size();
  AnswerWarning("NO Pictures Selected", "Please select at least Picture in order to proceed.");
  ExpectFocus(kLstPicAttachments);
  user.Do("click &Open again", [this] { Click(Control(kCmdOpen)); });
  AnswerWarning("NO Pictures Selected", "Please select at least Picture in order to proceed.");
  ExpectFocus(kLstPicAttachments);
  user.Do("press Esc", [] { PressKey(VK_ESCAPE); });
  WhenClosed("Esc");
  Open();
  EXPECT_TRUE(user.Finished()) << user.Report();
  EXPECT_EQ(store->writes.size(), writes);
  EXPECT_EQ(g.gsSelAttachmentIndexes, "");
}

TEST_F(DialogStory, CustomViewerPathsThatCannotBeUsedKeepTheDialogOpen) {
  const std::string missing = Narrow(L"C:\\nowhere\\view.EXE");
  WhenUp();
  user.Do("Alt+C", [] { PressKey('C', {VK_MENU}); });
  user.When(
      "the path box and Bro&wse... enabled",
      [this] {
        return Checked(kOptCustomViewer) && IsWindowEnabled(Control(kTxtCustomViewer)) &&
               IsWindowEnabled(Control(kCmdBrowse));
      },
      [this] { Click(Control(kTxtCustomViewer)); });

  struct Case {
    std::wstring typed;
    bool clickOpen;  // else Enter in the path box, which presses "&Open"
    std::string title, text;
    std::wstring boxAfter;  // the user sees the trimmed text
  };
  const std::vector<Case> cases = {
      {L"     ", false, "NO Image Viewer EXE", kNoExeText, L""},
      {L"  C:\\Tools\\view.bat ", true, "NO Image Viewer EXE", kNoExeText, L"C:\\Tools\\view.bat"},
      {L" " + Widen(missing) + L"  ", true, "INVALID Image Viewer",
       "Please enter Valid Image viewer EXE.\r\n" + missing + " does NOT exist.", Widen(missing)},
  };
  for (const Case& c : cases) {
    user.When(
        "the path box focused", [] { return Focus() == kTxtCustomViewer; },
        [c] { ReplaceText(c.typed); });
    user.When(
        "the path box shows \"" + Narrow(c.typed) + "\"",
        [c] { return BoxText(kTxtCustomViewer) == c.typed; },
        [this, c] {
          if (c.clickOpen) {
            Click(Control(kCmdOpen));
          } else {
            PressKey(VK_RETURN);
          }
        });
    AnswerWarning(c.title, c.text);
    ExpectFocus(kTxtCustomViewer);  // also after "&Open" took the focus with its click
    user.Do("read the path box", [c] { EXPECT_EQ(BoxText(kTxtCustomViewer), c.boxAfter); });
  }
  user.Do("click Clo&se", [this] { Click(Control(kCmdClose)); });
  WhenClosed("Clo&se");
  Open();
  EXPECT_TRUE(user.Finished()) << user.Report();
  EXPECT_EQ(stored.Choice(), "1");
  EXPECT_EQ(stored.Path(), "");
  EXPECT_EQ(g.gsSelAttachmentIndexes, "");
}

TEST_F(DialogStory, AValidCustomViewerIsStoredAndTheNextShowingStartsFromIt) {
  const std::string viewer = MakeProgram("my viewer.exe");
  // First showing: the custom viewer, typed with blanks around it.
  WhenUp("the first showing is up");
  user.Do("click &Custom Image Viewer", [this] { Click(Control(kOptCustomViewer)); });
  user.When(
      "the path box enabled", [this] { return IsWindowEnabled(Control(kTxtCustomViewer)); },
      [this] { Click(Control(kTxtCustomViewer)); });
  ExpectFocus(kTxtCustomViewer);
  user.Do("type the path", [viewer] { ReplaceText(L"  " + Widen(viewer) + L" "); });
  user.When(
      "the path typed",
      [viewer] { return BoxText(kTxtCustomViewer) == L"  " + Widen(viewer) + L" "; },
      [this] { Click(Control(kCmdOpen)); });
  WhenClosed("&Open");
  Open();
  EXPECT_TRUE(user.Finished()) << user.Report();
  EXPECT_EQ(stored.Choice(), "2");
  EXPECT_EQ(stored.Path(), viewer);
  EXPECT_EQ(g.gsSelAttachmentIndexes, kAllPictures);

  // Second showing: a fresh dialog that starts from the stored choice and path.
  WhenUp("the second showing is up");
  user.Do("look at the viewer choice", [viewer] {
    EXPECT_TRUE(Checked(kOptCustomViewer));
    EXPECT_FALSE(Checked(kOptDefaultViewer));
    EXPECT_EQ(BoxText(kTxtCustomViewer), Widen(viewer));
    HWND form = FindTopLevel(kCaption);
    EXPECT_TRUE(IsWindowEnabled(
        GetDlgItem(form, win32::DialogControlId(OptionsLayout(), kTxtCustomViewer))));
    EXPECT_TRUE(
        IsWindowEnabled(GetDlgItem(form, win32::DialogControlId(OptionsLayout(), kCmdBrowse))));
  });
  user.Do("Alt+D", [] { PressKey('D', {VK_MENU}); });
  user.When(
      "the path box disabled, its text kept",
      [this, viewer] {
        return Checked(kOptDefaultViewer) && !IsWindowEnabled(Control(kTxtCustomViewer)) &&
               !IsWindowEnabled(Control(kCmdBrowse)) && BoxText(kTxtCustomViewer) == Widen(viewer);
      },
      [] { PressKey(VK_RETURN); });  // on an option button Enter presses "&Open"
  WhenClosed("Enter");
  Open();
  EXPECT_TRUE(user.Finished()) << user.Report();
  EXPECT_EQ(stored.Choice(), "1");
  EXPECT_EQ(stored.Path(), viewer);
  EXPECT_EQ(g.gsSelAttachmentIndexes, kAllPictures);
}

TEST_F(DialogStory, EveryWayOfClosingHandsBackNothing) {
  struct Way {
    std::string name;
    std::function<void(HWND form, HWND close)> act;
  };
  const std::vector<Way> ways = {
      {"clicking Clo&se", [](HWND, HWND close) { Click(close); }},
      {"Esc", [](HWND, HWND) { PressKey(VK_ESCAPE); }},
      {"Alt+S", [](HWND, HWND) { PressKey('S', {VK_MENU}); }},
      {"the close box",
       [](HWND form, HWND) {
         // The close box is where the window says its close button is.
         RECT frame = {};
         GetWindowRect(form, &frame);
         for (LONG y = frame.top; y < frame.top + 40; ++y) {
           for (LONG x = frame.right - 1; x > frame.right - 60; --x) {
             if (SendMessageW(form, WM_NCHITTEST, 0, MAKELPARAM(x, y)) == HTCLOSE) {
               ClickAt({x, y});
               return;
             }
           }
         }
         ADD_FAILURE() << "no close box on the caption";
       }},
      {"Alt+F4", [](HWND, HWND) { PressKey(VK_F4, {VK_MENU}); }},
  };
  LoadSettings();
  const size_t writes = store->writes.size();
  for (const Way& way : ways) {
    SCOPED_TRACE(way.name);
    g.gsSelAttachmentIndexes = "2";  // what an earlier "&Open" left
    WhenUp();
    user.Do(way.name, [this, &way] { way.act(Form(), Control(kCmdClose)); });
    WhenClosed(way.name);
    Open();
    EXPECT_TRUE(user.Finished()) << user.Report();
    EXPECT_EQ(g.gsSelAttachmentIndexes, "");
    EXPECT_EQ(gfrmOptions(g), nullptr);
  }
  EXPECT_EQ(store->writes.size(), writes);
}

TEST_F(DialogStory, BrowsePutsThePickedProgramIntoThePathBoxAndCancelLeavesIt) {
  const std::string viewer = MakeProgram("pick.exe");
  const std::wstring title = L"Select Custom Image Viewer";
  WhenUp();
  user.Do("Alt+C", [] { PressKey('C', {VK_MENU}); });
  user.When(
      "Bro&wse... enabled", [this] { return IsWindowEnabled(Control(kCmdBrowse)); },
      [] { PressKey('W', {VK_MENU}); });
  user.When(
      "the file dialog", [title] { return FindOwnedDialog(Form(), title) != nullptr; },
      [title, viewer] {
        HWND dialog = FindOwnedDialog(Form(), title);
        EXPECT_FALSE(IsWindowEnabled(Form()));
        // The one filter of the layout, in the file type box.
        HWND types = GetDlgItem(dialog, cmb1);
        ASSERT_NE(types, nullptr);
        EXPECT_EQ(SendMessageW(types, CB_GETCOUNT, 0, 0), 1);
        EXPECT_EQ(WindowText(types), L"Image Viewers (*.exe)");
        // The name typed into the file name box, then Enter.
        HWND name = GetDlgItem(dialog, cmb13);
        if (!name) name = GetDlgItem(dialog, edt1);
        ASSERT_NE(name, nullptr);
        SetWindowTextW(name, Widen(viewer).c_str());
        PressKey(VK_RETURN);
      });
  user.When(
      "the picked path in the box", [viewer] { return BoxText(kTxtCustomViewer) == Widen(viewer); },
      [] { PressKey('W', {VK_MENU}); });
  user.When(
      "the file dialog again", [title] { return FindOwnedDialog(Form(), title) != nullptr; },
      [] { PressKey(VK_ESCAPE); });
  user.When("the file dialog cancelled",
            [title] { return !FindOwnedDialog(Form(), title) && IsWindowEnabled(Form()); });
  user.Do("read the path box", [viewer] { EXPECT_EQ(BoxText(kTxtCustomViewer), Widen(viewer)); });
  user.Do("click &Open", [this] { Click(Control(kCmdOpen)); });
  WhenClosed("&Open");
  Open();
  EXPECT_TRUE(user.Finished()) << user.Report();
  EXPECT_EQ(stored.Choice(), "2");
  EXPECT_EQ(stored.Path(), viewer);
}

}  // namespace
}  // namespace zormint::wine_test

// Whole stories of the "Select Picture Attachments" dialog, driven through the headless toolkit
// the way a user works it.

#include <optional>

#include "tests/ui/dialog_fixture.h"

namespace zormint::test {
namespace {

using sim::HeadlessForm;
using namespace platform;
using namespace ui;

constexpr const char* kNoExeText = "Please enter fully qualified name of Image viewer EXE.";

// ---- Validation -------------------------------------------------------------------------------

TEST_F(DialogTest, NothingSelectedWarnsFocusesTheListAndStoresNothing) {
  LoadSettings();
  const size_t writes = env.settingsStore->writes.size();
  Open(kPictures, [&](HeadlessForm& f) {
    EXPECT_EQ(f.Entries(kLstPicAttachments).size(), 4u);
    EXPECT_TRUE(f.SelectOnly({}));
    // The viewer input is wrong too, but the first failing check ends the validation.
    f.ClickOption(kOptCustomViewer);
    f.TypeText(kTxtCustomViewer, "viewer.bat");
    EXPECT_TRUE(f.Click(kCmdOpen));
    ASSERT_EQ(dialogs->MessageBoxes().size(), 1u);
    ExpectBox(0, "NO Pictures Selected", "Please select at least Picture in order to proceed.");
    EXPECT_EQ(f.Focus(), kLstPicAttachments);
    EXPECT_TRUE(f.Shown());
    // Enter in the list presses the default button: the same warning again.
    EXPECT_TRUE(f.PressEnter());
    EXPECT_EQ(dialogs->MessageBoxes().size(), 2u);
    EXPECT_EQ(f.Focus(), kLstPicAttachments);
    f.PressEsc();
  });
  EXPECT_EQ(env.settingsStore->writes.size(), writes);
  EXPECT_EQ(g.gsSelAttachmentIndexes, "");
  EXPECT_EQ(dialogs->LeftOpen(), 0);
}

TEST_F(DialogTest, CustomPathsThatAreNotUsableKeepTheDialogOpen) {
  const std::string missing = env.Path("Programs/view.EXE");
  struct Case {
    std::string typed, title, text, boxAfter;
  };
  const std::vector<Case> cases = {
      {"     ", "NO Image Viewer EXE", kNoExeText, ""},
      {"  C:\\Tools\\view.bat ", "NO Image Viewer EXE", kNoExeText, "C:\\Tools\\view.bat"},
      {" " + missing + "  ", "INVALID Image Viewer",
       "Please enter Valid Image viewer EXE.\r\n" + missing + " does NOT exist.", missing},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(c.typed);
    Open(kPictures, [&](HeadlessForm& f) {
      f.ClickOption(kOptCustomViewer);
      f.TypeText(kTxtCustomViewer, c.typed);
      f.Click(kCmdOpen);
      ExpectBox(i, c.title, c.text);
      EXPECT_EQ(f.Text(kTxtCustomViewer), c.boxAfter);  // the user sees the trimmed text
      EXPECT_EQ(f.Focus(), kTxtCustomViewer);
      EXPECT_TRUE(f.Shown());
      f.Click(kCmdClose);
    });
    EXPECT_EQ(dialogs->MessageBoxes().size(), i + 1);
    EXPECT_EQ(stored.Choice(), "1");
    EXPECT_EQ(g.gsSelAttachmentIndexes, "");
  }
}

TEST_F(DialogTest, NeitherOptionReadableAsksForAViewer) {
  Open(kPictures, [&](HeadlessForm& f) {
    env.faults.FailMember("OptionButton.Value");
    f.Click(kCmdOpen);
    env.faults.ClearFaults();
    ExpectBox(0, "NO Image Viewer Chosen",
              "Please select Image viewer option in order to proceed.");
    EXPECT_EQ(f.Focus(), kOptDefaultViewer);
    f.Click(kCmdClose);
  });
  EXPECT_EQ(g.gsSelAttachmentIndexes, "");
}

TEST_F(DialogTest, AViewerWhoseExistenceCannotBeCheckedIsNotAccepted) {
  const std::string viewer = Exe("view.exe");
  Open(kPictures, [&](HeadlessForm& f) {
    f.ClickOption(kOptCustomViewer);
    f.TypeText(kTxtCustomViewer, viewer);
    env.faults.FailMember("FileSystem.FileExists");
    f.Click(kCmdOpen);
    env.faults.ClearFaults();
    ExpectBox(0, "INVALID Image Viewer",
              "Please enter Valid Image viewer EXE.\r\n" + viewer + " does NOT exist.");
    EXPECT_TRUE(f.Shown());
    f.CloseBox();
  });
  EXPECT_EQ(stored.Choice(), "1");
}

// ---- Open -------------------------------------------------------------------------------------

TEST_F(DialogTest, OpenWithTheDefaultViewerKeepsTheStoredCustomPath) {
  const std::string viewer = Exe("view.exe");
  stored.Put("2", viewer);
  Open(kPictures, [&](HeadlessForm& f) {
    f.ClickOption(kOptDefaultViewer);
    f.PressEnter();  // Enter on an option button presses the default button
  });
  EXPECT_EQ(g.gsSelAttachmentIndexes, "2,3,5,6");
  EXPECT_EQ(stored.Choice(), "1");
  EXPECT_EQ(stored.Path(), viewer);
  EXPECT_TRUE(dialogs->MessageBoxes().empty());
  EXPECT_EQ(dialogs->Unloads(), std::vector<int32_t>{vbFormCode});
  EXPECT_EQ(gfrmOptions(g), nullptr);
}

TEST_F(DialogTest, TheIndexListFollowsTheSelectionInListOrder) {
  struct Case {
    std::function<void(HeadlessForm&)> select;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {[](HeadlessForm& f) { f.ClickItem(3), f.CtrlClickItem(1); }, "3,6"},
      {[](HeadlessForm& f) { f.ClickItem(0), f.ShiftClickItem(2); }, "2,3,5"},
      {[](HeadlessForm& f) { f.ClickItem(3), f.ShiftClickItem(1); }, "3,5,6"},
      {[](HeadlessForm& f) { f.CtrlClickItem(0); }, "3,5,6"},
      {[](HeadlessForm& f) { f.ClickItem(2); }, "5"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    Open(kPictures, [&](HeadlessForm& f) {
      c.select(f);
      f.Click(kCmdOpen);
    });
    EXPECT_EQ(g.gsSelAttachmentIndexes, c.expected);
  }
  EXPECT_TRUE(dialogs->MessageBoxes().empty());
}

TEST_F(DialogTest, OpenWithACustomViewerStoresTheTrimmedPath) {
  const std::string viewer = Exe("Viewer.exe");  // "exe" in lower case is accepted
  Open(kPictures, [&](HeadlessForm& f) {
    EXPECT_FALSE(f.TypeText(kTxtCustomViewer, "x"));  // disabled until custom is chosen
    EXPECT_TRUE(f.ClickOption(kOptCustomViewer));
    EXPECT_TRUE(f.IsEnabled(kTxtCustomViewer));
    EXPECT_TRUE(f.IsEnabled(kCmdBrowse));
    f.TypeText(kTxtCustomViewer, "   " + viewer + " ");
    f.ClickItem(1);
    f.Click(kCmdOpen);
  });
  EXPECT_TRUE(dialogs->MessageBoxes().empty());
  EXPECT_EQ(g.gsSelAttachmentIndexes, "3");
  EXPECT_EQ(stored.Choice(), "2");
  EXPECT_EQ(stored.Path(), viewer);
  EXPECT_EQ(gclsSettings(g)->Value(rvUserImageApp), viewer);
}

TEST_F(DialogTest, TheStoredCustomChoiceOpensWithTheCustomOptionEvenWithoutAPath) {
  stored.Put("2", "");
  Open(kPictures, [&](HeadlessForm& f) {
    EXPECT_TRUE(f.OptionValue(kOptCustomViewer));
    EXPECT_FALSE(f.OptionValue(kOptDefaultViewer));
    EXPECT_EQ(f.Text(kTxtCustomViewer), "");
    EXPECT_TRUE(f.IsEnabled(kTxtCustomViewer));
    EXPECT_TRUE(f.IsEnabled(kCmdBrowse));
    f.Click(kCmdOpen);
    ExpectBox(0, "NO Image Viewer EXE", kNoExeText);
    f.Click(kCmdClose);
  });
}

TEST_F(DialogTest, SwitchingBackToTheDefaultKeepsTheTypedPathButIgnoresIt) {
  const std::string viewer = Exe("view.exe");
  stored.Put("2", viewer);
  Open(kPictures, [&](HeadlessForm& f) {
    EXPECT_EQ(f.Text(kTxtCustomViewer), viewer);
    f.TypeText(kTxtCustomViewer, "not a program");
    f.ClickOption(kOptDefaultViewer);
    EXPECT_EQ(f.Text(kTxtCustomViewer), "not a program");
    EXPECT_FALSE(f.IsEnabled(kTxtCustomViewer));
    EXPECT_FALSE(f.Click(kCmdBrowse));  // disabled: nothing happens
    f.Click(kCmdOpen);
  });
  EXPECT_TRUE(dialogs->MessageBoxes().empty());
  EXPECT_TRUE(dialogs->FileDialogs().empty());
  EXPECT_EQ(stored.Choice(), "1");
  EXPECT_EQ(stored.Path(), viewer);
}

TEST_F(DialogTest, BrowsePutsThePickedProgramInTheBoxAndCancelKeepsIt) {
  const std::string viewer = Exe("pick.exe");
  dialogs->AnswerFileDialog(viewer);
  dialogs->AnswerFileDialog(std::nullopt);
  Open(kPictures, [&](HeadlessForm& f) {
    f.ClickOption(kOptCustomViewer);
    f.Click(kCmdBrowse);
    EXPECT_EQ(f.Text(kTxtCustomViewer), viewer);
    f.Click(kCmdBrowse);
    EXPECT_EQ(f.Text(kTxtCustomViewer), viewer);
    f.Click(kCmdOpen);
  });
  const auto& shown = dialogs->FileDialogs();
  ASSERT_EQ(shown.size(), 2u);
  for (const sim::FileDialogRecord& d : shown) {
    EXPECT_EQ(d.title, "Select Custom Image Viewer");
    EXPECT_EQ(d.filter, "Image Viewers (*.exe)|*.exe");
    EXPECT_EQ(d.flags, 0x281804u);
  }
  EXPECT_EQ(shown[0].startName, "");
  EXPECT_EQ(shown[1].startName, viewer);
  EXPECT_EQ(shown[1].result, "");
  EXPECT_EQ(stored.Path(), viewer);
}

// ---- Closing without "&Open" --------------------------------------------------------------------

TEST_F(DialogTest, CloseEscAndTheCloseBoxHandBackNothing) {
  const std::string viewer = Exe("view.exe");
  const std::vector<std::pair<std::function<bool(HeadlessForm&)>, int32_t>> ways = {
      {[](HeadlessForm& f) { return f.Click(kCmdClose); }, vbFormCode},
      {[](HeadlessForm& f) { return f.PressEsc(); }, vbFormCode},
      {[](HeadlessForm& f) { return f.CloseBox(); }, vbFormControlMenu},
  };
  for (size_t i = 0; i < ways.size(); ++i) {
    SCOPED_TRACE(i);
    Open(kPictures, [&](HeadlessForm& f) {
      f.ClickOption(kOptCustomViewer);
      f.TypeText(kTxtCustomViewer, viewer);
      g.gsSelAttachmentIndexes = "2,3";  // a list left from an earlier dialog
      EXPECT_TRUE(ways[i].first(f));
    });
    EXPECT_EQ(g.gsSelAttachmentIndexes, "");
    EXPECT_EQ(dialogs->Unloads().back(), ways[i].second);
    EXPECT_EQ(gfrmOptions(g), nullptr);
  }
  EXPECT_EQ(stored.Choice(), "1");
  EXPECT_EQ(dialogs->LeftOpen(), 0);
}

TEST_F(DialogTest, ASecondOpeningStartsFromTheSavedSettings) {
  const std::string viewer = Exe("view.exe");
  std::weak_ptr<frmOptions> first;
  Open(kPictures, [&](HeadlessForm& f) {
    first = gfrmOptions(g);
    f.ClickOption(kOptCustomViewer);
    f.TypeText(kTxtCustomViewer, viewer);
    f.Click(kCmdOpen);
  });
  EXPECT_TRUE(first.expired());  // nothing of the first dialog survives its unload
  Open(kPictures, [&](HeadlessForm& f) {
    EXPECT_TRUE(f.OptionValue(kOptCustomViewer));
    EXPECT_EQ(f.Text(kTxtCustomViewer), viewer);
    EXPECT_EQ(g.gsSelAttachmentIndexes, "");  // emptied by the load
    f.ClickOption(kOptDefaultViewer);
    f.Click(kCmdClose);  // the switch back is not saved
  });
  Open(kPictures, [&](HeadlessForm& f) {
    EXPECT_TRUE(f.OptionValue(kOptCustomViewer));
    f.CloseBox();
  });
  EXPECT_EQ(dialogs->FormsCreated(), 3u);
}

// ---- Failures and lifetime
// ------------------------------------------------------------------------

TEST_F(DialogTest, WithoutTheSettingsStoreTheDialogOpensWithTheDefaultViewer) {
  stored.Put("2", Exe("view.exe"));
  withSettings = false;
  Open(kPictures, [&](HeadlessForm& f) {
    EXPECT_TRUE(f.OptionValue(kOptDefaultViewer));
    EXPECT_EQ(f.Text(kTxtCustomViewer), "");
    // "&Open" cannot store the choice: the dialog stays and hands back nothing.
    f.Click(kCmdOpen);
    EXPECT_TRUE(f.Shown());
    EXPECT_EQ(g.gsSelAttachmentIndexes, "");
    f.Click(kCmdClose);
  });
  ASSERT_FALSE(dialogs->Browsers().empty());
  EXPECT_EQ(Banner()->Navigations().size(), 1u);  // the banner still loads
}

TEST_F(DialogTest, TheDialogOutlivesEveryOtherReferenceWhileItIsShown) {
  std::weak_ptr<frmOptions> dialog;
  Open(kPictures, [&](HeadlessForm& f) {
    dialog = gfrmOptions(g);
    // Another click while the dialog is up finds it already shown.
    EXPECT_THROW(frmOptions::Instance(g)->Show(), ZError);
    EXPECT_TRUE(f.Shown());
    gfrmOptions(g).reset();  // as if the add-in let go of it meanwhile
    f.ClickItem(0);
    f.Click(kCmdOpen);
    EXPECT_FALSE(f.Shown());
  });
  EXPECT_EQ(g.gsSelAttachmentIndexes, "2");
  EXPECT_TRUE(dialog.expired());
}

}  // namespace
}  // namespace zormint::test

namespace zormint::test {
namespace {

// Fails each call of a whole "&Open" story in turn (toolkit, browser, store, file system,
// probe): the dialog always ends its modal showing, nothing escapes, and a list is handed back
// only together with the viewer choice it was confirmed with, and only as the user left it.
TEST_F(DialogTest, AFailureAnywhereInTheStoryLeavesNothingHalfDone) {
  const std::string viewer = Exe("view.exe");
  internet->SetConnected(true);
  std::shared_ptr<HeadlessForm> shown;
  const auto story = [&] {
    shown.reset();
    stored.Put("1", "");
    gclsSettings(g).reset();
    gfrmOptions(g).reset();
    g.gsSelAttachmentIndexes.clear();
    dialogs = std::make_shared<sim::HeadlessDialogs>(&env.faults);
    g.services.dialogs = dialogs;
    LoadSettings();
    dialogs->OnNextShow([&](HeadlessForm& f) {
      shown = f.shared_from_this();
      f.ClickOption(kOptCustomViewer);
      f.TypeText(kTxtCustomViewer, viewer);
      f.Click(kCmdOpen);
    });
    // As the toolbar does it: each step on its own.
    std::shared_ptr<frmOptions> dialog;
    Attempt("frmOptions", [&] { dialog = frmOptions::Instance(g); });
    Attempt("Populate", [&] {
      std::shared_ptr<platform::ListBox> list = Require(dialog, "frmOptions")->lstPicAttachments();
      for (const ListedPicture& p : kPictures) {
        list->AddItem(p.name);
        list->SetItemData(list->NewIndex(), p.position);
        list->SetSelected(list->NewIndex(), true);
      }
    });
    Attempt("Show", [&] { Require(dialog, "frmOptions")->Show(); });
  };

  env.faults.ClearCalls();
  story();
  ASSERT_EQ(g.gsSelAttachmentIndexes, "2,3,5,6");
  const size_t calls = env.faults.Calls().size();
  for (size_t n = 1; n <= calls; ++n) {
    env.faults.ClearFaults();
    env.faults.ClearCalls();
    env.faults.FailCallNumber(n);
    story();
    env.faults.ClearFaults();
    SCOPED_TRACE("failed call " + std::to_string(n) + ": " + env.faults.Calls()[n - 1]);
    EXPECT_FALSE(dialogs->Modal());
    const std::string list = g.gsSelAttachmentIndexes;
    if (list.empty()) continue;
    ASSERT_TRUE(shown);
    std::string selected;
    for (const sim::ControlState& c : shown->StatesAtUnload()) {
      for (const sim::ListEntry& e : c.entries) {
        if (e.selected) selected += (selected.empty() ? "" : ",") + std::to_string(e.itemData);
      }
    }
    EXPECT_EQ(list, selected);
    EXPECT_EQ(gclsSettings(g)->Value(rvImageViewer), "2");
  }
  EXPECT_EQ(env.faults.InjectedCount(), calls);
}

}  // namespace
}  // namespace zormint::test

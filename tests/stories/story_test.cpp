// A whole session on the simulated Outlook, from connection to disconnection, then the same
// session with each of its host and platform calls failing in turn.
#include <gtest/gtest.h>

#include <iostream>

#include "tests/stories/outlook_story.h"
#include "ui/options_layout.h"

namespace zormint::test {
namespace {

// What the user saw of one session.
struct Seen {
  bool startUpDisabled = false;
  bool enabledOnPictures = false;
  bool laterExplorerButtons = false;
  bool inspectorButtons = false;
  size_t viewerLaunches = 0;
  bool linkEnablesNothing = false;
  bool sameNamesKept = false;
  std::vector<std::string> messageBoxes;  // titles
};

// Connect, browse, click both buttons in an Explorer and an Inspector, follow the Inspector to
// another message, close windows, disconnect.
// With `morePictureTypes` the user has the more recent picture types switched on: every picture
// then has its MAPI properties read as well.
Seen RunSession(OutlookStory& s, int32_t removeMode, bool morePictureTypes = false) {
  Seen seen;
  if (morePictureTypes) {
    s.env.settingsStore->Put("ZORMINT", "Startup", "More Picture Types", "1");
    // Outlook 2007, the first with the attachments' MAPI properties; its message windows are
    // opened as Outlook's own below, so that they keep their buttons.
    s.outlook.SetVersion("12.0.0.6300");
  }
  s.Connect();
  WindowRef main = Xpl(s.mainExplorer);
  ItemId pictures = s.Mail({"notes.pdf", "beach.jpg", "chart.GIF"});
  ItemId plain = s.Mail({"notes.pdf"});
  ItemId post = s.Mail({"scan.tif"}, s.posts, host::kOlPost);
  std::vector<ControlView> buttons = s.Buttons(main);
  seen.startUpDisabled = buttons.size() == 2 && !buttons[0].enabled && !buttons[1].enabled;

  s.outlook.Select(s.mainExplorer, {plain});
  s.outlook.Select(s.mainExplorer, {pictures});
  buttons = s.Buttons(main);
  seen.enabledOnPictures = buttons.size() == 2 && buttons[0].enabled && buttons[1].enabled;
  s.ClickZormint(main);
  s.dialogs->OnNextShow([](sim::HeadlessForm& form) {
    form.SelectOnly({1});
    form.Click("cmdOpen");
  });
  s.ClickOptions(main);

  ExplorerId second = s.outlook.OpenExplorer(s.inbox);
  s.outlook.SwitchFolder(second, s.posts);
  s.outlook.Select(second, {post});
  seen.laterExplorerButtons = s.Buttons(Xpl(second)).size() == 2;
  s.ClickZormint(Xpl(second));

  InspectorId inspector = s.outlook.OpenInspector(pictures, false);
  seen.inspectorButtons = s.Buttons(Isp(inspector)).size() == 2;
  s.ClickZormint(Isp(inspector));
  s.dialogs->OnNextShow([](sim::HeadlessForm& form) { form.Click("cmdClose"); });
  s.ClickOptions(Isp(inspector));
  s.outlook.MoveInspector(inspector, plain);
  s.outlook.MoveInspector(inspector, pictures);
  s.outlook.OpenInspector(plain, false);  // stays open until the disconnection
  s.outlook.CloseInspector(inspector);
  s.outlook.CloseExplorer(second);

  // Mail as it comes today: a link to a cloud file named like a picture is no picture; two
  // photos of one name are both kept; a protected message saves nothing, and the user is told.
  ItemId link = s.Mail({{"album.jpg", "", host::kOlByReference}, {"notes.pdf", "pdf"}}, false);
  sim::AttachmentSpec logo{"logo.png", "logo"};  // shown in the text: left out or no picture
  logo.contentId = "image001.png@01DA0000";
  logo.hidden = true;
  ItemId twins = s.Mail({{"image.jpg", "one"}, logo, {"IMAGE.JPG", "two"}}, false);
  ItemId locked = s.Mail({{"site.jpg", "site"}}, true);
  s.outlook.Select(s.mainExplorer, {link});
  seen.linkEnablesNothing =
      s.Buttons(main).size() == 2 && !s.Buttons(main)[0].enabled && !s.RibbonEnabled(main);
  s.outlook.Select(s.mainExplorer, {twins});
  s.ClickZormint(main);
  // The twins' folder is the one the viewer was just started in (its stamp is numbered: other
  // messages were viewed in the same second).
  const std::string viewed = s.Shown().empty() ? std::string() : s.Shown().back();
  const size_t stamp = viewed.find("ZORMINT$");
  const std::string twinsStamp =
      stamp == std::string::npos ? std::string()
                                 : viewed.substr(stamp + 8, viewed.find('\\', stamp) - stamp - 8);
  seen.sameNamesKept = !twinsStamp.empty() && s.Saved(twinsStamp, "image.jpg") &&
                       s.Saved(twinsStamp, "IMAGE (2).JPG");
  s.outlook.Select(s.mainExplorer, {locked});
  s.ClickZormint(main);
  s.dialogs->OnNextShow([](sim::HeadlessForm& form) { form.Click("cmdOpen"); });
  s.ClickOptions(main);
  for (const sim::MessageBoxRecord& box : s.dialogs->MessageBoxes())
    seen.messageBoxes.push_back(box.title);

  s.Disconnect(removeMode);
  seen.viewerLaunches = s.Shown().size();
  return seen;
}

size_t AddInButtonsLeft(OutlookStory& s) {
  size_t left = 0;
  for (ExplorerId id = 1; id <= 2; ++id)
    left += s.Buttons(Xpl(id)).size();
  for (InspectorId id = 1; id <= 2; ++id)
    left += s.Buttons(Isp(id)).size();
  return left;
}

TEST(Story, ASessionEndedByTheUser) {
  OutlookStory s;
  Seen seen = RunSession(s, ext_dm_UserClosed);
  EXPECT_TRUE(seen.startUpDisabled);
  EXPECT_TRUE(seen.enabledOnPictures);
  EXPECT_TRUE(seen.laterExplorerButtons);
  EXPECT_TRUE(seen.inspectorButtons);
  EXPECT_TRUE(seen.linkEnablesNothing);
  EXPECT_TRUE(seen.sameNamesKept);
  // The protected message, by either button: told twice, shown nothing.
  EXPECT_EQ(seen.messageBoxes,
            (std::vector<std::string>{"NO Pictures Saved", "NO Pictures Saved"}));
  ASSERT_EQ(seen.viewerLaunches, 5u);
  // All in one second: each message has a working folder of its own, which its window in the
  // main window and its own message window share, and a click for another message never empties
  // the folder a viewer was started on. (The message window's move to the message without
  // pictures gave that one "-3"; the link enabled nothing and got none.)
  const std::string folder = s.WorkingFolder("071226210509");
  EXPECT_EQ(s.Shown(), (std::vector<std::string>{folder + "beach.jpg", folder + "chart.GIF",
                                                 s.WorkingFolder("071226210509-2") + "scan.tif",
                                                 folder + "beach.jpg",
                                                 s.WorkingFolder("071226210509-4") + "image.jpg"}));
  EXPECT_TRUE(s.Saved("071226210509", "chart.GIF"));
  EXPECT_FALSE(s.Saved("071226210509", "scan.tif"));
  EXPECT_EQ(AddInButtonsLeft(s), 0u);
  s.ExpectNothingHeld();
}

TEST(Story, ASessionEndedByTheHostShuttingDown) {
  OutlookStory s;
  Seen seen = RunSession(s, ext_dm_HostShutdown);
  EXPECT_EQ(seen.viewerLaunches, 5u);
  // The start-up Explorer and the Inspector still open keep their buttons for the host.
  EXPECT_EQ(s.Buttons(Xpl(s.mainExplorer)).size(), 2u);
  EXPECT_EQ(AddInButtonsLeft(s), 4u);
  s.ExpectNothingHeld();
}

// The picture-types box of the dialog: off by default; ticked, the setting is kept at once and
// the list follows (PNG counts, the logo the text shows goes); the buttons follow the setting;
// the next opening shows the box ticked.
TEST(Story, TheDialogsBoxSwitchesTheMorePictureTypesAndTheListFollowsAtOnce) {
  OutlookStory s;
  s.outlook.SetVersion("16.0.0.4266");  // the attachments' MAPI properties are there
  s.Connect();
  sim::AttachmentSpec logo{"logo.jpg", "logo"};
  logo.contentId = "image001.jpg@01DA0000";
  logo.hidden = true;
  const ItemId mail = s.Mail(
      {{"shot.png", "shot"}, {"beach.jpg", "beach"}, logo, {"album.jpg", "", host::kOlByReference}},
      false);
  const ItemId screenshots = s.Mail({{"screen.PNG", "screen"}}, false);
  const WindowRef main = Xpl(s.mainExplorer);
  s.outlook.Select(s.mainExplorer, {screenshots});
  EXPECT_FALSE(s.Enabled(main));
  s.outlook.Select(s.mainExplorer, {mail});

  auto names = [](sim::HeadlessForm& f) {
    std::vector<std::string> listed;
    for (const sim::ListEntry& entry : f.Entries(ui::kLstPicAttachments))
      listed.push_back(entry.text + "#" + std::to_string(entry.itemData));
    return listed;
  };
  std::vector<std::vector<std::string>> seen;
  std::vector<std::string> storedAfterClick;
  s.dialogs->OnNextShow([&](sim::HeadlessForm& f) {
    EXPECT_FALSE(f.OptionValue(ui::kChkMorePictureTypes));
    seen.push_back(names(f));
    EXPECT_TRUE(f.Click(ui::kChkMorePictureTypes));
    EXPECT_TRUE(f.OptionValue(ui::kChkMorePictureTypes));
    storedAfterClick.push_back(
        s.env.settingsStore->Peek("ZORMINT", "Startup", "More Picture Types"));
    seen.push_back(names(f));
    f.Click(ui::kChkMorePictureTypes);
    seen.push_back(names(f));
    f.Click(ui::kChkMorePictureTypes);
    f.Click(ui::kCmdOpen);
  });
  ASSERT_TRUE(s.ClickOptions(main));
  EXPECT_EQ(seen, (std::vector<std::vector<std::string>>{{"beach.jpg#2", "logo.jpg#3"},
                                                         {"shot.png#1", "beach.jpg#2"},
                                                         {"beach.jpg#2", "logo.jpg#3"}}));
  EXPECT_EQ(storedAfterClick, std::vector<std::string>{"1"});
  const std::string folder = s.WorkingFolder("071226210509");
  EXPECT_EQ(s.Shown(), std::vector<std::string>{folder + "shot.png"});
  EXPECT_TRUE(s.Saved("071226210509", "beach.jpg"));
  EXPECT_FALSE(s.Saved("071226210509", "logo.jpg"));

  // The buttons follow the setting: a message of PNG pictures alone now has pictures.
  s.outlook.Select(s.mainExplorer, {screenshots});
  EXPECT_TRUE(s.Enabled(main));
  // The next opening shows the box ticked; closing keeps what the box says.
  s.dialogs->OnNextShow([&](sim::HeadlessForm& f) {
    EXPECT_TRUE(f.OptionValue(ui::kChkMorePictureTypes));
    f.Click(ui::kChkMorePictureTypes);
    f.Click(ui::kCmdClose);
  });
  ASSERT_TRUE(s.ClickOptions(main));
  EXPECT_EQ(s.env.settingsStore->Peek("ZORMINT", "Startup", "More Picture Types"), "0");
  s.DisconnectAndExpectNothingHeld(ext_dm_UserClosed);
}

// Every call the session makes to the host and the platform fails once, in its own run. The
// add-in may do less, but nothing escapes to the host, and after the disconnection nothing of
// Outlook is held or connected; when the user switched the add-in off, no button is left unless
// the failed call was a button's deletion.
void SweepFaults(int32_t removeMode, bool morePictureTypes = false) {
  size_t calls = 0;
  {
    OutlookStory s;
    const Seen seen = RunSession(s, removeMode, morePictureTypes);
    EXPECT_TRUE(seen.sameNamesKept);
    calls = s.env.faults.Calls().size();
    if (morePictureTypes) {
      EXPECT_GT(s.env.faults.CallCount("PropertyAccessor.GetProperty"), 0u);
    }
  }
  ASSERT_GT(calls, 100u);
  size_t injected = 0;
  for (size_t i = 1; i <= calls; ++i) {
    OutlookStory s;
    s.env.faults.FailCallNumber(i);
    EXPECT_NO_THROW(RunSession(s, removeMode, morePictureTypes)) << "call " << i;
    const sim::FaultPlan& faults = s.env.faults;
    const std::string failed = i <= faults.Calls().size() ? faults.Calls()[i - 1] : "(none)";
    injected += faults.InjectedCount();
    EXPECT_EQ(s.outlook.EscapedExceptions(), 0) << "call " << i << ": " << failed;
    EXPECT_EQ(s.outlook.LiveReferences(), 0)
        << "call " << i << ": " << failed << " left " << s.outlook.DescribeLiveReferences();
    EXPECT_EQ(s.outlook.ConnectedSinks(), 0) << "call " << i << ": " << failed;
    EXPECT_FALSE(s.addin->Tracker()) << "call " << i << ": " << failed;
    if (removeMode == ext_dm_UserClosed && failed != "CommandBarButton.Delete") {
      EXPECT_EQ(AddInButtonsLeft(s), 0u) << "call " << i << ": " << failed;
    }
  }
  // Nearly every run met its failure (a run that fails early makes fewer calls).
  EXPECT_GT(injected, calls * 9 / 10);
  std::cout << "[ SWEPT    ] " << calls << " calls, " << injected << " failures injected\n";
  ::testing::Test::RecordProperty("calls_swept", static_cast<int>(calls));
}

TEST(FaultSweep, EveryCallOfASessionEndedByTheUserFailsOnce) {
  SweepFaults(ext_dm_UserClosed);
}

TEST(FaultSweep, EveryCallOfASessionEndedByTheHostFailsOnce) {
  SweepFaults(ext_dm_HostShutdown);
}

TEST(FaultSweep, EveryCallOfASessionWithTheMorePictureTypesFailsOnce) {
  SweepFaults(ext_dm_UserClosed, true);
}

}  // namespace
}  // namespace zormint::test

// A whole session on the simulated Outlook, from connection to disconnection, then the same
// session with each of its host and platform calls failing in turn.
#include <gtest/gtest.h>

#include <iostream>

#include "tests/stories/outlook_story.h"

namespace zormint::test {
namespace {

// What the user saw of one session.
struct Seen {
  bool startUpDisabled = false;
  bool enabledOnPictures = false;
  bool laterExplorerButtons = false;
  bool inspectorButtons = false;
  size_t viewerLaunches = 0;
};

// Connect, browse, click both buttons in an Explorer and an Inspector, follow the Inspector to
// another message, close windows, disconnect.
Seen RunSession(OutlookStory& s, int32_t removeMode) {
  Seen seen;
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

  InspectorId inspector = s.outlook.OpenInspector(pictures);
  seen.inspectorButtons = s.Buttons(Isp(inspector)).size() == 2;
  s.ClickZormint(Isp(inspector));
  s.dialogs->OnNextShow([](sim::HeadlessForm& form) { form.Click("cmdClose"); });
  s.ClickOptions(Isp(inspector));
  s.outlook.MoveInspector(inspector, plain);
  s.outlook.MoveInspector(inspector, pictures);
  s.outlook.OpenInspector(plain);  // stays open until the disconnection
  s.outlook.CloseInspector(inspector);
  s.outlook.CloseExplorer(second);

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
  ASSERT_EQ(seen.viewerLaunches, 4u);
  // All in one second: each message's window has a working folder of its own, and a click for
  // another message never empties the folder a viewer was started on.
  const std::string folder = s.WorkingFolder("071226210509");
  EXPECT_EQ(s.Shown(), (std::vector<std::string>{folder + "beach.jpg", folder + "chart.GIF",
                                                 s.WorkingFolder("071226210509-2") + "scan.tif",
                                                 s.WorkingFolder("071226210509-3") + "beach.jpg"}));
  EXPECT_TRUE(s.Saved("071226210509", "chart.GIF"));
  EXPECT_FALSE(s.Saved("071226210509", "scan.tif"));
  EXPECT_EQ(AddInButtonsLeft(s), 0u);
  s.ExpectNothingHeld();
}

TEST(Story, ASessionEndedByTheHostShuttingDown) {
  OutlookStory s;
  Seen seen = RunSession(s, ext_dm_HostShutdown);
  EXPECT_EQ(seen.viewerLaunches, 4u);
  // The start-up Explorer and the Inspector still open keep their buttons for the host.
  EXPECT_EQ(s.Buttons(Xpl(s.mainExplorer)).size(), 2u);
  EXPECT_EQ(AddInButtonsLeft(s), 4u);
  s.ExpectNothingHeld();
}

// Every call the session makes to the host and the platform fails once, in its own run. The
// add-in may do less, but nothing escapes to the host, and after the disconnection nothing of
// Outlook is held or connected; when the user switched the add-in off, no button is left unless
// the failed call was a button's deletion.
void SweepFaults(int32_t removeMode) {
  size_t calls = 0;
  {
    OutlookStory s;
    RunSession(s, removeMode);
    calls = s.env.faults.Calls().size();
  }
  ASSERT_GT(calls, 100u);
  size_t injected = 0;
  for (size_t i = 1; i <= calls; ++i) {
    OutlookStory s;
    s.env.faults.FailCallNumber(i);
    EXPECT_NO_THROW(RunSession(s, removeMode)) << "call " << i;
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

}  // namespace
}  // namespace zormint::test

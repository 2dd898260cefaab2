// Windows that close (and toolbars that clean up) while a toolbar's own handler is running:
// inside the message pump, inside the modal dialog, and windows that open meanwhile. Run under
// the sanitizers, a handler that touched what the clean-up released would fail here.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <utility>

#include "net/internet.h"
#include "pictures/pic_attachments.h"
#include "tests/stories/outlook_story.h"

namespace zormint::test {
namespace {

// Runs `action` at the next DoEvents only; the flag tells whether it ran.
std::shared_ptr<bool> AtNextDoEvents(OutlookStory& s, std::function<void()> action) {
  auto pending = std::make_shared<std::function<void()>>(std::move(action));
  auto ran = std::make_shared<bool>(false);
  s.env.messagePump->onDoEvents = [pending, ran] {
    if (auto run = std::exchange(*pending, nullptr)) {
      *ran = true;
      run();
    }
  };
  return ran;
}

TEST(Reentrancy, AnExplorerClosingInsideItsOwnRefresh) {
  OutlookStory s;
  s.Connect();
  ExplorerId second = s.OpenExplorer();
  auto ran = AtNextDoEvents(s, [&] { s.outlook.CloseExplorer(second); });
  s.outlook.Select(second, {s.Mail({"a.jpg"})});
  EXPECT_TRUE(*ran);

  EXPECT_EQ(s.Tracker().ExplorerKeys(), std::vector<std::string>{"1UNT"});
  EXPECT_TRUE(s.Buttons(Xpl(second)).empty());
  EXPECT_EQ(s.outlook.EscapedExceptions(), 0);
  s.DisconnectAndExpectNothingHeld(ext_dm_UserClosed);
}

TEST(Reentrancy, TheStartUpExplorerClosingInsideTheConnection) {
  OutlookStory s;
  auto ran = AtNextDoEvents(s, [&] { s.outlook.CloseExplorer(s.mainExplorer); });
  s.Connect();
  EXPECT_TRUE(*ran);
  EXPECT_TRUE(s.Tracker().ExplorerKeys().empty());
  EXPECT_TRUE(gclsPicAttachments(s.G()));
  EXPECT_TRUE(gclsInternet(s.G()));
  s.DisconnectAndExpectNothingHeld(ext_dm_UserClosed);
}

// An Explorer opening while the start-up Explorer's set-up lets messages run finds index 1
// already taken.
TEST(Reentrancy, AnExplorerOpeningInsideTheStartUpSetUpGetsItsOwnIndex) {
  OutlookStory s;
  ExplorerId opened = 0;
  AtNextDoEvents(s, [&] { opened = s.outlook.OpenExplorer(s.inbox); });
  s.Connect();
  ASSERT_NE(opened, 0);
  EXPECT_EQ(s.Tracker().ExplorerKeys(), (std::vector<std::string>{"1UNT", "2UNT"}));
  s.outlook.SwitchFolder(opened, s.inbox);
  EXPECT_EQ(s.Buttons(Xpl(opened))[0].tag, "EXPLORER21");
  s.DisconnectAndExpectNothingHeld(ext_dm_UserClosed);
}

TEST(Reentrancy, AnExplorerClosingWhileItsOptionsDialogIsOpen) {
  OutlookStory s;
  s.Connect();
  ExplorerId second = s.OpenExplorer();
  s.outlook.Select(second, {s.Mail({"a.jpg", "b.jpg"})});
  s.dialogs->OnNextShow([&](sim::HeadlessForm& form) {
    s.outlook.CloseExplorer(second);
    form.Click("cmdOpen");
  });
  EXPECT_TRUE(s.ClickOptions(Xpl(second)));

  EXPECT_EQ(s.dialogs->ModalShows(), 1);
  EXPECT_TRUE(s.Shown().empty());  // its window is gone: nothing is extracted
  EXPECT_EQ(s.G().gsSelAttachmentIndexes, "");
  EXPECT_EQ(s.Tracker().ExplorerKeys(), std::vector<std::string>{"1UNT"});
  s.DisconnectAndExpectNothingHeld(ext_dm_UserClosed);
}

TEST(Reentrancy, AnExplorerClosingInTheMessagesRunAfterItsDialog) {
  OutlookStory s;
  s.Connect();
  ExplorerId second = s.OpenExplorer();
  s.outlook.Select(second, {s.Mail({"a.jpg"})});
  std::shared_ptr<bool> closed;
  s.dialogs->OnNextShow([&](sim::HeadlessForm& form) {
    form.Click("cmdOpen");
    closed = AtNextDoEvents(s, [&] { s.outlook.CloseExplorer(second); });
  });
  EXPECT_TRUE(s.ClickOptions(Xpl(second)));
  ASSERT_TRUE(closed);
  EXPECT_TRUE(*closed);
  EXPECT_TRUE(s.Shown().empty());
  EXPECT_EQ(s.Tracker().ExplorerKeys(), std::vector<std::string>{"1UNT"});
  s.DisconnectAndExpectNothingHeld(ext_dm_HostShutdown);
}

TEST(Reentrancy, AnInspectorClosingWhileItsOptionsDialogIsOpen) {
  OutlookStory s;
  s.Connect();
  InspectorId id = s.outlook.OpenInspector(s.Mail({"a.jpg"}));
  s.dialogs->OnNextShow([&](sim::HeadlessForm& form) {
    s.outlook.CloseInspector(id);
    form.Click("cmdOpen");
  });
  EXPECT_TRUE(s.ClickOptions(Isp(id)));
  EXPECT_TRUE(s.Shown().empty());
  EXPECT_EQ(s.Tracker().InspectorCount(), 0);
  s.DisconnectAndExpectNothingHeld(ext_dm_UserClosed);
}

TEST(Reentrancy, AnInspectorMovingOnWhileItsDialogIsOpenShowsThePicturesListed) {
  OutlookStory s;
  s.Connect();
  ItemId listed = s.Mail({"listed.jpg"});
  InspectorId id = s.outlook.OpenInspector(listed);
  s.dialogs->OnNextShow([&](sim::HeadlessForm& form) {
    s.outlook.MoveInspector(id, s.Mail({"notes.pdf", "next.jpg"}));
    form.Click("cmdOpen");
  });
  EXPECT_TRUE(s.ClickOptions(Isp(id)));
  ASSERT_EQ(s.Shown().size(), 1u);
  EXPECT_EQ(std::filesystem::path(platform::ToFsPath(s.Shown()[0])).filename(), "listed.jpg");
  s.DisconnectAndExpectNothingHeld(ext_dm_UserClosed);
}

}  // namespace
}  // namespace zormint::test

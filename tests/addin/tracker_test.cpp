// The window tracker: which windows get toolbars, their indexes, keys and tags, and the two
// teardowns.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "tests/stories/outlook_story.h"

namespace zormint::test {
namespace {

using Keys = std::vector<std::string>;

std::string OptionsTag(OutlookStory& s, WindowRef window) {
  std::vector<ControlView> buttons = s.Buttons(window);
  return buttons.empty() ? "" : buttons[0].tag;
}

// Every add-in button of every open window has its own tag.
void ExpectUniqueTags(OutlookStory& s) {
  std::set<std::string> tags;
  size_t count = 0;
  for (ExplorerId id : s.outlook.OpenExplorers()) {
    for (const ControlView& b : s.Buttons(Xpl(id)))
      tags.insert(b.tag), ++count;
  }
  for (InspectorId id : s.outlook.OpenInspectors()) {
    for (const ControlView& b : s.Buttons(Isp(id)))
      tags.insert(b.tag), ++count;
  }
  EXPECT_EQ(tags.size(), count);
}

TEST(Tracker, AtConnectionOnlyTheActiveExplorerIsWrapped) {
  OutlookStory s;
  ExplorerId other = s.outlook.OpenExplorer(s.inbox);
  InspectorId inspector = s.outlook.OpenInspector(s.Mail({"a.jpg"}));
  s.outlook.ActivateExplorer(s.mainExplorer);
  s.Connect();

  EXPECT_EQ(s.Tracker().ExplorerKeys(), Keys{"1UNT"});
  EXPECT_EQ(OptionsTag(s, Xpl(s.mainExplorer)), "EXPLORER11");
  EXPECT_TRUE(s.Tracker().InspectorKeys().empty());
  s.outlook.SwitchFolder(other, s.inbox);
  s.outlook.ActivateInspector(inspector);
  EXPECT_TRUE(s.Buttons(Xpl(other)).empty());
  EXPECT_TRUE(s.Buttons(Isp(inspector)).empty());
  s.DisconnectAndExpectNothingHeld(ext_dm_UserClosed);
}

TEST(Tracker, EachKindCountsItsOwnIndexesAndTagsFollowThem) {
  OutlookStory s;
  s.Connect();
  ItemId mail = s.Mail({"a.jpg"});
  InspectorId i1 = s.outlook.OpenInspector(mail);
  ExplorerId e2 = s.OpenExplorer();
  InspectorId i2 = s.outlook.OpenInspector(mail);
  ExplorerId e3 = s.OpenExplorer();

  EXPECT_EQ(s.Tracker().ExplorerKeys(), (Keys{"1UNT", "2UNT", "3UNT"}));
  EXPECT_EQ(s.Tracker().InspectorKeys(), (Keys{"1UNT", "2UNT"}));
  EXPECT_EQ(s.Tracker().ExplorerCount(), 3);
  EXPECT_EQ(s.Tracker().InspectorCount(), 2);
  EXPECT_EQ(OptionsTag(s, Xpl(e2)), "EXPLORER21");
  EXPECT_EQ(s.Buttons(Xpl(e3))[1].tag, "EXPLORER32");
  EXPECT_EQ(OptionsTag(s, Isp(i1)), "INSPECTOR11");
  EXPECT_EQ(s.Buttons(Isp(i2))[1].tag, "INSPECTOR22");
  ExpectUniqueTags(s);
  s.DisconnectAndExpectNothingHeld(ext_dm_HostShutdown);
}

TEST(Tracker, WindowsClosedInReverseOrderGiveTheirIndexesBackFromOne) {
  OutlookStory s;
  s.Connect();
  ExplorerId e2 = s.OpenExplorer();
  s.outlook.CloseExplorer(e2);
  s.outlook.CloseExplorer(s.mainExplorer);
  EXPECT_TRUE(s.Tracker().ExplorerKeys().empty());
  EXPECT_EQ(s.Tracker().ExplorerCount(), 0);
  ExplorerId next = s.OpenExplorer();
  EXPECT_EQ(OptionsTag(s, Xpl(next)), "EXPLORER11");
  EXPECT_EQ(s.Tracker().ExplorerKeys(), Keys{"1UNT"});
  s.DisconnectAndExpectNothingHeld(ext_dm_UserClosed);
}

// Closing the first of two windows and opening a third: the third takes the free index 1, not
// the index of the second window, which is still open; each close removes exactly its own
// entry, and the buttons of the window left keep working.
TEST(Tracker, WindowsClosedOutOfOrderNeverLeaveTwoLiveToolbarsWithOneIndex) {
  OutlookStory s;
  s.Connect();
  ItemId mail = s.Mail({"a.jpg"});

  ExplorerId e2 = s.OpenExplorer();
  s.outlook.CloseExplorer(s.mainExplorer);
  EXPECT_EQ(s.Tracker().ExplorerKeys(), Keys{"2UNT"});
  ExplorerId e3 = s.OpenExplorer();
  EXPECT_EQ(OptionsTag(s, Xpl(e3)), "EXPLORER11");
  EXPECT_EQ(s.Tracker().ExplorerCount(), 2);
  ExpectUniqueTags(s);
  s.outlook.CloseExplorer(e3);
  EXPECT_EQ(s.Tracker().ExplorerKeys(), Keys{"2UNT"});
  s.outlook.Select(e2, {mail});
  EXPECT_TRUE(s.ClickZormint(Xpl(e2)));
  EXPECT_EQ(s.Shown().size(), 1u);

  InspectorId i1 = s.outlook.OpenInspector(mail);
  InspectorId i2 = s.outlook.OpenInspector(mail);
  InspectorId i3 = s.outlook.OpenInspector(mail);
  s.outlook.CloseInspector(i1);
  s.outlook.CloseInspector(i2);
  EXPECT_EQ(s.Tracker().InspectorKeys(), Keys{"3UNT"});
  InspectorId i4 = s.outlook.OpenInspector(mail);
  InspectorId i5 = s.outlook.OpenInspector(mail);
  EXPECT_EQ(OptionsTag(s, Isp(i4)), "INSPECTOR11");
  EXPECT_EQ(OptionsTag(s, Isp(i5)), "INSPECTOR21");
  EXPECT_EQ(s.Tracker().InspectorCount(), 3);
  ExpectUniqueTags(s);
  s.outlook.CloseInspector(i4);
  EXPECT_EQ(s.Tracker().InspectorKeys(), (Keys{"3UNT", "2UNT"}));
  EXPECT_TRUE(s.ClickZormint(Isp(i3)));
  EXPECT_EQ(s.Shown().size(), 2u);
  s.outlook.CloseInspector(i3);
  s.outlook.CloseInspector(i5);
  EXPECT_TRUE(s.Tracker().InspectorKeys().empty());
  EXPECT_EQ(s.Tracker().InspectorCount(), 0);

  s.outlook.CloseExplorer(e2);
  EXPECT_TRUE(s.Tracker().ExplorerKeys().empty());
  EXPECT_EQ(s.Tracker().ExplorerCount(), 0);
  s.DisconnectAndExpectNothingHeld(ext_dm_UserClosed);
}

TEST(Tracker, OnlySavedMailMessagesOutsideTheWordEditorGetAnInspectorToolbar) {
  OutlookStory s;
  s.Connect();
  struct Case {
    const char* what;
    ItemId item;
    bool wordMail;
  } refused[] = {
      {"a new message being composed", s.Mail({"a.jpg"}, 0, host::kOlMail, false), false},
      {"a contact", s.Mail({"a.jpg"}, s.contacts, 40), false},
      {"an appointment", s.Mail({"a.jpg"}, 0, 26), false},
      {"a post", s.Mail({"a.jpg"}, s.posts, host::kOlPost), false},
      {"a message in the word-processor editor", s.Mail({"a.jpg"}), true},
  };
  for (const Case& c : refused) {
    InspectorId id = s.outlook.OpenInspector(c.item, c.wordMail);
    EXPECT_TRUE(s.Buttons(Isp(id)).empty()) << c.what;
    EXPECT_EQ(s.Tracker().InspectorCount(), 0) << c.what;
  }
  InspectorId accepted = s.outlook.OpenInspector(s.Mail({"a.jpg"}));
  EXPECT_EQ(OptionsTag(s, Isp(accepted)), "INSPECTOR11");
  for (InspectorId id : s.outlook.OpenInspectors())
    s.outlook.CloseInspector(id);
  EXPECT_EQ(s.Tracker().InspectorCount(), 0);
  s.DisconnectAndExpectNothingHeld(ext_dm_UserClosed);
}

TEST(Tracker, AnInspectorThatCannotBeWrappedIsLetGoOfCompletely) {
  OutlookStory s;
  s.Connect();
  ItemId mail = s.Mail({"a.jpg"});
  // The window's events are connected, then connecting to its message fails.
  s.env.faults.FailMember("Item.Advise", 1);
  InspectorId refused = s.outlook.OpenInspector(mail);
  EXPECT_TRUE(s.Buttons(Isp(refused)).empty());
  EXPECT_EQ(s.Tracker().InspectorCount(), 0);
  s.outlook.CloseInspector(refused);
  InspectorId next = s.outlook.OpenInspector(mail);
  EXPECT_EQ(OptionsTag(s, Isp(next)), "INSPECTOR11");
  s.outlook.CloseInspector(next);
  s.outlook.CloseExplorer(s.mainExplorer);
  // Nothing is held any more, even before the disconnection: the closed windows' toolbars are
  // gone and only the tracker's own references remain.
  EXPECT_EQ(s.outlook.ConnectedSinks(), 2);  // NewExplorer, NewInspector
  s.DisconnectAndExpectNothingHeld(ext_dm_UserClosed);
}

// The toolbars are cleaned up in index order, inspectors first: failing the nth button
// deletion leaves the buttons of the toolbar that was cleaned up nth/2-th.
TEST(Tracker, SwitchingOffCleansUpInspectorsFirstEachKindInIndexOrder) {
  struct Expected {
    int failedDelete;
    const char* window;
  } cases[] = {{1, "i4"}, {3, "i2"}, {5, "i3"}, {7, "main"}, {9, "e2"}};
  for (const Expected& expected : cases) {
    OutlookStory s;
    s.Connect();
    ItemId mail = s.Mail({"a.jpg"});
    std::map<std::string, WindowRef> windows;
    windows["main"] = Xpl(s.mainExplorer);
    windows["e2"] = Xpl(s.OpenExplorer());
    InspectorId i1 = s.outlook.OpenInspector(mail);
    windows["i2"] = Isp(s.outlook.OpenInspector(mail));
    windows["i3"] = Isp(s.outlook.OpenInspector(mail));
    s.outlook.CloseInspector(i1);
    windows["i4"] = Isp(s.outlook.OpenInspector(mail));  // index 1, opened last
    EXPECT_EQ(OptionsTag(s, windows["i4"]), "INSPECTOR11");

    s.env.faults.FailMember("CommandBarButton.Delete", expected.failedDelete);
    s.Disconnect(ext_dm_UserClosed);
    for (const auto& [name, window] : windows) {
      EXPECT_EQ(s.Buttons(window).size(), name == expected.window ? 2u : 0u)
          << "failed delete " << expected.failedDelete << ", window " << name;
    }
    s.ExpectNothingHeld();
  }
}

TEST(Tracker, SwitchingOffEmptiesBothCollectionsAndLowersBothCounters) {
  OutlookStory s;
  s.Connect();
  ItemId mail = s.Mail({"a.jpg"});
  for (int i = 0; i < 3; ++i)
    s.outlook.OpenInspector(mail);
  s.OpenExplorer();
  EXPECT_EQ(s.Tracker().InspectorCount(), 3);
  EXPECT_EQ(s.Tracker().ExplorerCount(), 2);
  s.Tracker().Cleanup4UserShutdown();
  EXPECT_EQ(s.Tracker().InspectorCount(), 0);
  EXPECT_EQ(s.Tracker().ExplorerCount(), 0);
  EXPECT_EQ(s.env.faults.CallCount("CommandBarButton.Delete"), 10u);
  EXPECT_FALSE(s.Tracker().HoldsHostReferences());
  s.ExpectNothingHeld();
  s.Disconnect(ext_dm_UserClosed);
}

TEST(Tracker, HostShutdownDropsTheToolbarsWithoutTheirCleanup) {
  OutlookStory s;
  s.Connect();
  ExplorerId e2 = s.OpenExplorer();
  InspectorId i1 = s.outlook.OpenInspector(s.Mail({"a.jpg"}));
  std::shared_ptr<CExplorerToolbar> toolbar = s.Tracker().ExplorerToolbar(2);
  ASSERT_TRUE(toolbar);

  s.Tracker().Cleanup();
  EXPECT_EQ(s.env.faults.CallCount("CommandBarButton.Delete"), 0u);
  EXPECT_EQ(s.Buttons(Xpl(e2)).size(), 2u);
  EXPECT_EQ(s.Buttons(Isp(i1)).size(), 2u);
  EXPECT_TRUE(s.Tracker().ExplorerKeys().empty());
  EXPECT_TRUE(s.Tracker().InspectorKeys().empty());
  EXPECT_FALSE(s.Tracker().HoldsHostReferences());
  // The dropped toolbar holds nothing of the host either.
  EXPECT_TRUE(toolbar->IsCleanedUp());
  EXPECT_FALSE(toolbar->HoldsWindow());
  EXPECT_FALSE(toolbar->HasButtons());
  toolbar.reset();
  s.ExpectNothingHeld();
  // Windows opened now are not tracked.
  ExplorerId later = s.OpenExplorer();
  EXPECT_TRUE(s.Buttons(Xpl(later)).empty());
  s.DisconnectAndExpectNothingHeld(ext_dm_HostShutdown);
}

}  // namespace
}  // namespace zormint::test

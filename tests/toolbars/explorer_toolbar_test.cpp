// The buttons of an Explorer window: where they are and what they look like, when they are
// enabled, and what their clicks do.
#include <gtest/gtest.h>

#include "tests/stories/outlook_story.h"

namespace zormint::test {
namespace {

const char* const kStamp = "071226210509";  // 7 December 2026, 21:05:09

void ExpectOptionsButton(const ControlView& b, const std::string& tag) {
  EXPECT_TRUE(b.addedByAddIn);
  EXPECT_EQ(b.type, host::kMsoControlButton);
  EXPECT_TRUE(b.temporary);
  EXPECT_TRUE(b.beginGroup);
  EXPECT_EQ(b.style, host::kMsoButtonIcon);
  auto face = std::dynamic_pointer_cast<sim::SimPicture>(b.picture);
  ASSERT_TRUE(face);
  EXPECT_EQ(face->width, 32);
  EXPECT_EQ(face->height, 32);
  EXPECT_EQ(b.caption, "");
  EXPECT_EQ(b.tooltipText, "View ZORMINT Options");
  EXPECT_EQ(b.tag, tag);
  EXPECT_EQ(b.onAction, "!<ZORMINT.dsrWrapper>");
}

void ExpectViewAllButton(const ControlView& b, const std::string& tag) {
  EXPECT_TRUE(b.addedByAddIn);
  EXPECT_EQ(b.type, host::kMsoControlButton);
  EXPECT_TRUE(b.temporary);
  EXPECT_FALSE(b.beginGroup);
  EXPECT_EQ(b.style, 0);
  EXPECT_FALSE(b.picture);
  EXPECT_EQ(b.caption, "Zormint");
  EXPECT_EQ(b.tooltipText, "View All Picture Attachments");
  EXPECT_EQ(b.tag, tag);
  EXPECT_EQ(b.onAction, "!<ZORMINT.dsrWrapper>");
}

TEST(ExplorerButtons, StartUpWindowGetsBothButtonsAfterTheHostsOwnDisabledUntilASelection) {
  OutlookStory s;
  s.Connect();
  WindowRef main = Xpl(s.mainExplorer);
  std::vector<ControlView> standard = s.outlook.Controls(main, "Standard");
  ASSERT_EQ(standard.size(), 5u);
  for (int i = 0; i < 3; ++i)
    EXPECT_FALSE(standard[i].addedByAddIn);
  ExpectOptionsButton(standard[3], "EXPLORER11");
  ExpectViewAllButton(standard[4], "EXPLORER12");
  EXPECT_FALSE(standard[3].enabled);
  EXPECT_FALSE(standard[4].enabled);
  EXPECT_TRUE(s.outlook.Controls(main, "Menu Bar").empty());
  EXPECT_TRUE(s.outlook.Controls(main, "Advanced").empty());
  // Properties are set in their fixed order, options button first.
  std::vector<std::string> puts;
  for (const std::string& call : s.env.faults.Calls()) {
    if (call.rfind("CommandBarButton.", 0) == 0 || call == "CommandBarControls.Add") {
      puts.push_back(call);
    }
  }
  std::vector<std::string> expected = {
      "CommandBarControls.Add",  "CommandBarButton.Advise",   "CommandBarButton.BeginGroup",
      "CommandBarButton.Style",  "CommandBarButton.Picture",  "CommandBarButton.TooltipText",
      "CommandBarButton.Tag",    "CommandBarButton.OnAction", "CommandBarControls.Add",
      "CommandBarButton.Advise", "CommandBarButton.Caption",  "CommandBarButton.TooltipText",
      "CommandBarButton.Tag",    "CommandBarButton.OnAction", "CommandBarButton.Enabled",
      "CommandBarButton.Enabled"};
  EXPECT_EQ(puts, expected);
  EXPECT_EQ(s.env.messagePump->calls, 1);

  s.outlook.Select(s.mainExplorer, {s.Mail({"a.jpg"})});
  EXPECT_TRUE(s.Enabled(main));
  s.DisconnectAndExpectNothingHeld(ext_dm_UserClosed);
}

TEST(ExplorerButtons, TheStandardBarIsFoundInAnyLetterCaseFirstOneWins) {
  OutlookStory s;
  s.outlook.SetNewWindowBars({"Menu Bar", "STANDARD", "standard", "Advanced"});
  ExplorerId other = s.outlook.OpenExplorer(s.inbox);  // the active Explorer at connection
  s.Connect();
  EXPECT_EQ(s.outlook.Controls(Xpl(other), "STANDARD").size(), 2u);
  EXPECT_TRUE(s.outlook.Controls(Xpl(other), "standard").empty());
  s.DisconnectAndExpectNothingHeld(ext_dm_UserClosed);
}

TEST(ExplorerButtons, AnElementThatIsNotACommandBarEndsTheSearch) {
  OutlookStory s;
  s.Connect();
  s.outlook.SetNewWindowBars({"Menu Bar", "", "Standard"});
  ExplorerId later = s.OpenExplorer();
  EXPECT_TRUE(s.Buttons(Xpl(later)).empty());
  s.outlook.SetNewWindowBars({"Standard", "", "Advanced"});
  ExplorerId found = s.OpenExplorer();
  EXPECT_EQ(s.Buttons(Xpl(found)).size(), 2u);
  s.DisconnectAndExpectNothingHeld(ext_dm_UserClosed);
}

TEST(ExplorerButtons, ALaterExplorerGetsItsButtonsAtItsFirstFolderSwitch) {
  OutlookStory s;
  s.Connect();
  ItemId picture = s.Mail({"a.jpg"});
  ExplorerId later = s.outlook.OpenExplorer(s.inbox);
  s.outlook.Select(later, {picture});
  s.outlook.SwitchView(later);
  s.outlook.ActivateExplorer(later);
  EXPECT_TRUE(s.Buttons(Xpl(later)).empty());

  s.outlook.SwitchFolder(later, s.inbox);
  ASSERT_EQ(s.Buttons(Xpl(later)).size(), 2u);
  ExpectOptionsButton(s.Buttons(Xpl(later))[0], "EXPLORER21");
  EXPECT_FALSE(s.Enabled(Xpl(later)));  // a folder switch leaves nothing selected
  s.outlook.Select(later, {picture});
  EXPECT_TRUE(s.Enabled(Xpl(later)));
  s.outlook.SwitchFolder(later, s.inbox);
  EXPECT_EQ(s.Buttons(Xpl(later)).size(), 2u);  // added once
  s.DisconnectAndExpectNothingHeld(ext_dm_UserClosed);
}

TEST(ExplorerButtons, ALaterExplorerWithoutAStandardBarNeverGetsButtons) {
  OutlookStory s;
  s.Connect();
  s.outlook.SetNewWindowBars({"Menu Bar", "Advanced"});
  ExplorerId later = s.outlook.OpenExplorer(s.inbox);
  const size_t before = s.env.faults.CallCount("Explorer.CommandBars");
  s.outlook.SwitchFolder(later, s.inbox);
  const size_t lookups = s.env.faults.CallCount("Explorer.CommandBars");
  EXPECT_EQ(lookups, before + 1);
  s.outlook.SwitchFolder(later, s.inbox);
  s.outlook.Select(later, {s.Mail({"a.jpg"})});
  EXPECT_EQ(s.env.faults.CallCount("Explorer.CommandBars"), lookups);  // not tried again
  EXPECT_TRUE(s.Buttons(Xpl(later)).empty());
  s.outlook.CloseExplorer(later);
  EXPECT_EQ(s.Tracker().ExplorerKeys(), std::vector<std::string>{"1UNT"});
  s.DisconnectAndExpectNothingHeld(ext_dm_UserClosed);
}

TEST(ExplorerButtons, AnExplorerClosedBeforeItsFirstFolderSwitchIsDroppedQuietly) {
  OutlookStory s;
  s.Connect();
  ExplorerId later = s.outlook.OpenExplorer(s.inbox);
  EXPECT_EQ(s.Tracker().ExplorerCount(), 2);
  s.outlook.CloseExplorer(later);
  EXPECT_EQ(s.Tracker().ExplorerKeys(), std::vector<std::string>{"1UNT"});
  EXPECT_EQ(s.env.faults.CallCount("CommandBarButton.Delete"), 0u);
  s.DisconnectAndExpectNothingHeld(ext_dm_HostShutdown);
}

TEST(ExplorerButtons, EnablingFollowsTheSelectionTheFolderKindAndThePictures) {
  OutlookStory s;
  s.Connect();
  WindowRef main = Xpl(s.mainExplorer);
  ExplorerId id = s.mainExplorer;
  ItemId picture = s.Mail({"notes.pdf", "beach.JPEG"});
  ItemId other = s.Mail({"b.gif"});
  ItemId noPictures = s.Mail({"notes.pdf", "photo.png"});
  ItemId bare = s.Mail({});
  ItemId post = s.Mail({"scan.tif"}, s.posts, host::kOlPost);
  ItemId meeting = s.Mail({"a.jpg"}, 0, 53);
  ItemId contact = s.Mail({"a.jpg"}, s.contacts, 40);
  auto toolbar = s.Tracker().ExplorerToolbar(1);
  ASSERT_TRUE(toolbar);

  s.outlook.Select(id, {picture});
  EXPECT_TRUE(s.Enabled(main));
  s.outlook.Select(id, {});
  EXPECT_FALSE(s.Enabled(main));
  s.outlook.Select(id, {picture, other});
  EXPECT_FALSE(s.Enabled(main));
  s.outlook.Select(id, {noPictures});
  EXPECT_FALSE(s.Enabled(main));
  s.outlook.Select(id, {bare});
  EXPECT_FALSE(s.Enabled(main));
  s.outlook.Select(id, {other});
  EXPECT_TRUE(s.Enabled(main));

  // Something other than a mail message or a post: disabled, and the earlier message is
  // forgotten.
  s.outlook.Select(id, {meeting});
  EXPECT_FALSE(s.Enabled(main));
  EXPECT_FALSE(toolbar->SelectedItem());

  // A folder of posts works like a mail folder.
  s.outlook.SwitchFolder(id, s.posts);
  EXPECT_TRUE(toolbar->IsMailFolder());
  s.outlook.Select(id, {post});
  EXPECT_TRUE(s.Enabled(main));

  // In a contacts folder nothing is ever enabled, whatever is selected.
  s.outlook.SwitchFolder(id, s.contacts);
  EXPECT_FALSE(toolbar->IsMailFolder());
  s.outlook.Select(id, {contact});
  EXPECT_FALSE(s.Enabled(main));
  s.outlook.Select(id, {picture});
  EXPECT_FALSE(s.Enabled(main));
  EXPECT_EQ(s.env.faults.CallCount("Item.Attachments"), 5u);  // only where it matters

  s.outlook.SwitchFolder(id, s.inbox);
  s.outlook.Select(id, {picture});
  EXPECT_TRUE(s.Enabled(main));
  s.DisconnectAndExpectNothingHeld(ext_dm_UserClosed);
}

TEST(ExplorerButtons, TheTimeStampIsTakenWhenPicturesAreFoundAndKeptBetweenClicks) {
  OutlookStory s;
  s.Connect();
  ItemId picture = s.Mail({"a.jpg"});
  s.outlook.Select(s.mainExplorer, {picture});
  auto toolbar = s.Tracker().ExplorerToolbar(1);
  EXPECT_EQ(toolbar->WorkingFolderSuffix(), kStamp);

  s.env.clock->now = {2027, 1, 2, 3, 4, 5};
  s.outlook.Select(s.mainExplorer, {s.Mail({"notes.txt"})});  // no pictures: unchanged
  EXPECT_EQ(toolbar->WorkingFolderSuffix(), kStamp);
  s.outlook.Select(s.mainExplorer, {picture});
  EXPECT_EQ(toolbar->WorkingFolderSuffix(), "020127030405");

  s.env.clock->now = {2027, 1, 2, 9, 9, 9};
  EXPECT_TRUE(s.ClickZormint(Xpl(s.mainExplorer)));
  EXPECT_TRUE(s.ClickZormint(Xpl(s.mainExplorer)));
  ASSERT_EQ(s.Shown().size(), 2u);
  EXPECT_EQ(s.Shown()[0], s.WorkingFolder("020127030405") + "a.jpg");
  EXPECT_EQ(s.Shown()[1], s.Shown()[0]);

  // Within one second a working folder belongs to one message: another message gets the next
  // number, the first one its own folder back.
  const ItemId other = s.Mail({"b.gif"});
  s.outlook.Select(s.mainExplorer, {other});
  EXPECT_EQ(toolbar->WorkingFolderSuffix(), "020127090909");
  s.outlook.Select(s.mainExplorer, {picture});
  EXPECT_EQ(toolbar->WorkingFolderSuffix(), "020127090909-2");
  s.outlook.Select(s.mainExplorer, {other});
  EXPECT_EQ(toolbar->WorkingFolderSuffix(), "020127090909");
  // A message whose EntryID cannot be read is known by its identity while the window holds it.
  s.env.faults.FailMember("Item.EntryID");
  s.outlook.Select(s.mainExplorer, {s.Mail({"c.jpg"})});
  EXPECT_EQ(toolbar->WorkingFolderSuffix(), "020127090909-3");
  s.RibbonLoad();
  s.RibbonClick(Xpl(s.mainExplorer));
  EXPECT_EQ(s.Shown().back(), s.WorkingFolder("020127090909-3") + "c.jpg");
  s.DisconnectAndExpectNothingHeld(ext_dm_UserClosed);
}

TEST(ExplorerClicks, ViewAllSavesEveryPictureAndOpensTheFirst) {
  OutlookStory s;
  s.Connect();
  s.outlook.Select(s.mainExplorer, {s.Mail({"notes.pdf", "beach.jpg", "chart.GIF"})});
  EXPECT_TRUE(s.ClickZormint(Xpl(s.mainExplorer)));
  EXPECT_TRUE(s.Saved(kStamp, "beach.jpg"));
  EXPECT_TRUE(s.Saved(kStamp, "chart.GIF"));
  EXPECT_FALSE(s.Saved(kStamp, "notes.pdf"));
  EXPECT_EQ(TestEnv::ReadFile(s.WorkingFolder(kStamp) + "beach.jpg"), "bytes of beach.jpg");
  ASSERT_EQ(s.env.launcher->shellExecutes.size(), 1u);
  EXPECT_EQ(s.env.launcher->shellExecutes[0].verb, "open");
  EXPECT_EQ(s.Shown()[0], s.WorkingFolder(kStamp) + "beach.jpg");
  EXPECT_EQ(s.dialogs->ModalShows(), 0);
  s.DisconnectAndExpectNothingHeld(ext_dm_UserClosed);
}

TEST(ExplorerClicks, OptionsListsThePicturesAndOpenShowsOnlyTheTickedOnes) {
  OutlookStory s;
  s.Connect();
  s.outlook.Select(s.mainExplorer, {s.Mail({"notes.pdf", "beach.jpg", "chart.GIF"})});
  std::vector<sim::ListEntry> listed;
  s.dialogs->OnNextShow([&](sim::HeadlessForm& form) {
    listed = form.Entries("lstPicAttachments");
    form.SelectOnly({1});
    form.Click("cmdOpen");
  });
  EXPECT_TRUE(s.ClickOptions(Xpl(s.mainExplorer)));

  ASSERT_EQ(listed.size(), 2u);
  EXPECT_EQ(listed[0].text, "beach.jpg");
  EXPECT_EQ(listed[0].itemData, 2);
  EXPECT_TRUE(listed[0].selected);
  EXPECT_EQ(listed[1].text, "chart.GIF");
  EXPECT_EQ(listed[1].itemData, 3);
  EXPECT_FALSE(s.Saved(kStamp, "beach.jpg"));
  EXPECT_TRUE(s.Saved(kStamp, "chart.GIF"));
  EXPECT_EQ(s.Shown(), std::vector<std::string>{s.WorkingFolder(kStamp) + "chart.GIF"});
  EXPECT_EQ(s.G().gsSelAttachmentIndexes, "");  // taken by the click
  EXPECT_EQ(s.dialogs->LeftOpen(), 0);
  s.DisconnectAndExpectNothingHeld(ext_dm_UserClosed);
}

TEST(ExplorerClicks, OptionsClosedWithoutOpenExtractsNothing) {
  OutlookStory s;
  s.Connect();
  s.outlook.Select(s.mainExplorer, {s.Mail({"beach.jpg"})});
  s.dialogs->OnNextShow([](sim::HeadlessForm& form) { form.Click("cmdClose"); });
  EXPECT_TRUE(s.ClickOptions(Xpl(s.mainExplorer)));
  s.dialogs->OnNextShow([](sim::HeadlessForm& form) { form.CloseBox(); });
  EXPECT_TRUE(s.ClickOptions(Xpl(s.mainExplorer)));
  EXPECT_EQ(s.dialogs->ModalShows(), 2);
  EXPECT_TRUE(s.Shown().empty());
  EXPECT_FALSE(std::filesystem::exists(platform::ToFsPath(s.WorkingFolder(kStamp))));
  s.DisconnectAndExpectNothingHeld(ext_dm_UserClosed);
}

// The dialog has no owner: the user can select another message while it is open. "&Open"
// still shows the pictures ticked in the list, from the message they were listed for.
TEST(ExplorerClicks, OptionsExtractsFromTheListedMessageEvenWhenTheSelectionMovedOn) {
  OutlookStory s;
  s.Connect();
  ItemId first = s.Mail({"one.jpg", "two.jpg"});
  ItemId second = s.Mail({"notes.pdf", "other.jpg"});
  s.outlook.Select(s.mainExplorer, {first});
  s.dialogs->OnNextShow([&](sim::HeadlessForm& form) {
    s.env.clock->now = {2027, 5, 6, 7, 8, 9};
    s.outlook.Select(s.mainExplorer, {second});
    form.SelectOnly({1});
    form.Click("cmdOpen");
  });
  EXPECT_TRUE(s.ClickOptions(Xpl(s.mainExplorer)));
  // The working folder is the one of the last refresh.
  EXPECT_EQ(s.Shown(), std::vector<std::string>{s.WorkingFolder("060527070809") + "two.jpg"});
  EXPECT_FALSE(s.Saved("060527070809", "other.jpg"));
  s.DisconnectAndExpectNothingHeld(ext_dm_UserClosed);
}

// A list left by an earlier dialog is never applied when this click's dialog cannot open.
TEST(ExplorerClicks, AnOptionsDialogThatFailsToOpenExtractsNothing) {
  OutlookStory s;
  s.Connect();
  s.outlook.Select(s.mainExplorer, {s.Mail({"a.jpg", "b.jpg"})});
  s.dialogs->OnNextShow([](sim::HeadlessForm& form) { form.Click("cmdOpen"); });
  EXPECT_TRUE(s.ClickOptions(Xpl(s.mainExplorer)));
  EXPECT_EQ(s.Shown().size(), 1u);

  s.outlook.Select(s.mainExplorer, {s.Mail({"c.jpg", "d.jpg"})});
  s.env.faults.FailMember("Form.Load");
  s.env.faults.FailMember("Form.ShowModal");
  EXPECT_TRUE(s.ClickOptions(Xpl(s.mainExplorer)));
  EXPECT_EQ(s.Shown().size(), 1u);
  s.env.faults.ClearFaults();
  s.DisconnectAndExpectNothingHeld(ext_dm_UserClosed);
}

TEST(ExplorerClicks, ClosingTheWindowRemovesItsButtonsAndItsToolbar) {
  OutlookStory s;
  s.Connect();
  ExplorerId second = s.OpenExplorer();
  ASSERT_EQ(s.Buttons(Xpl(second)).size(), 2u);
  s.outlook.CloseExplorer(second);
  EXPECT_TRUE(s.Buttons(Xpl(second)).empty());
  EXPECT_EQ(s.outlook.Controls(Xpl(second), "Standard").size(), 3u);
  EXPECT_EQ(s.Tracker().ExplorerKeys(), std::vector<std::string>{"1UNT"});
  s.DisconnectAndExpectNothingHeld(ext_dm_UserClosed);
}

// Outlook delivers a click to every button with the clicked one's tag; each window's buttons
// have their own tags, so one click acts on one window. Two messages selected in the same second
// get working folders of their own: the second click leaves the first viewer's pictures alone.
TEST(ExplorerClicks, AClickReachesOnlyTheWindowThatWasClicked) {
  OutlookStory s;
  s.Connect();
  ExplorerId second = s.OpenExplorer();
  s.outlook.CloseExplorer(s.mainExplorer);
  ExplorerId third = s.OpenExplorer();
  s.outlook.Select(second, {s.Mail({"second.jpg"})});
  s.outlook.Select(third, {s.Mail({"third.jpg"})});
  s.env.clock->now = {2027, 1, 1, 0, 0, 1};

  EXPECT_TRUE(s.ClickZormint(Xpl(third)));
  ASSERT_EQ(s.Shown().size(), 1u);
  EXPECT_EQ(s.Shown()[0], s.WorkingFolder(std::string(kStamp) + "-2") + "third.jpg");
  EXPECT_TRUE(s.ClickZormint(Xpl(second)));
  ASSERT_EQ(s.Shown().size(), 2u);
  EXPECT_EQ(s.Shown()[1], s.WorkingFolder(kStamp) + "second.jpg");
  EXPECT_TRUE(s.Saved(std::string(kStamp) + "-2", "third.jpg"));
  EXPECT_FALSE(s.Saved(kStamp, "third.jpg"));
  s.DisconnectAndExpectNothingHeld(ext_dm_UserClosed);
}

}  // namespace
}  // namespace zormint::test

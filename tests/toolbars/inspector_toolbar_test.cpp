// The buttons of a window that shows one mail message: enabling for the message shown, following
// the window to another message, and the clicks.
#include <gtest/gtest.h>

#include "tests/stories/outlook_story.h"

namespace zormint::test {
namespace {

const char* const kStamp = "071226210509";

class InspectorButtons : public ::testing::Test {
 protected:
  void SetUp() override { s.Connect(); }
  void TearDown() override { s.DisconnectAndExpectNothingHeld(ext_dm_UserClosed); }
  std::shared_ptr<CInspectorToolbar> Toolbar(int32_t index = 1) {
    return s.Tracker().InspectorToolbar(index);
  }
  OutlookStory s;
};

TEST_F(InspectorButtons, AppearOnTheStandardBarEnabledOnlyForAMessageWithPictures) {
  InspectorId withPictures = s.outlook.OpenInspector(s.Mail({"notes.pdf", "a.bmp"}));
  InspectorId without = s.outlook.OpenInspector(s.Mail({"notes.pdf"}));

  std::vector<ControlView> standard = s.outlook.Controls(Isp(withPictures), "Standard");
  ASSERT_EQ(standard.size(), 5u);
  EXPECT_EQ(standard[3].tag, "INSPECTOR11");
  EXPECT_EQ(standard[3].tooltipText, "View ZORMINT Options");
  EXPECT_EQ(standard[3].style, host::kMsoButtonIcon);
  EXPECT_TRUE(standard[3].beginGroup);
  EXPECT_TRUE(standard[3].temporary);
  EXPECT_TRUE(standard[3].picture);
  EXPECT_EQ(standard[4].tag, "INSPECTOR12");
  EXPECT_EQ(standard[4].caption, "Zormint");
  EXPECT_EQ(standard[4].tooltipText, "View All Picture Attachments");
  EXPECT_EQ(standard[4].onAction, "!<ZORMINT.dsrWrapper>");
  EXPECT_TRUE(s.Enabled(Isp(withPictures)));
  EXPECT_FALSE(s.Enabled(Isp(without)));
  // The time stamp is taken at set-up, with or without pictures; no messages are pumped. The
  // second message, stamped in the same second, gets a working folder of its own.
  EXPECT_EQ(Toolbar(1)->WorkingFolderSuffix(), kStamp);
  EXPECT_EQ(Toolbar(2)->WorkingFolderSuffix(), std::string(kStamp) + "-2");
  EXPECT_EQ(s.env.messagePump->calls, 1);  // the start-up Explorer's only
}

TEST_F(InspectorButtons, ViewAllAndOptionsActOnTheMessageShown) {
  InspectorId id = s.outlook.OpenInspector(s.Mail({"a.jpg", "notes.pdf", "b.gif"}));
  s.env.clock->now = {2027, 1, 1, 1, 1, 1};
  EXPECT_TRUE(s.ClickZormint(Isp(id)));
  EXPECT_TRUE(s.Saved(kStamp, "a.jpg"));
  EXPECT_TRUE(s.Saved(kStamp, "b.gif"));
  EXPECT_EQ(s.Shown(), std::vector<std::string>{s.WorkingFolder(kStamp) + "a.jpg"});

  s.dialogs->OnNextShow([](sim::HeadlessForm& form) {
    form.SelectOnly({1});
    form.Click("cmdOpen");
  });
  EXPECT_TRUE(s.ClickOptions(Isp(id)));
  ASSERT_EQ(s.Shown().size(), 2u);
  EXPECT_EQ(s.Shown()[1], s.WorkingFolder(kStamp) + "b.gif");
  EXPECT_FALSE(s.Saved(kStamp, "a.jpg"));  // the folder was emptied for the new set

  s.dialogs->OnNextShow([](sim::HeadlessForm& form) { form.Click("cmdClose"); });
  EXPECT_TRUE(s.ClickOptions(Isp(id)));
  EXPECT_EQ(s.Shown().size(), 2u);
}

TEST_F(InspectorButtons, ActivatingTheWindowOnTheSameMessageChangesNothing) {
  InspectorId id = s.outlook.OpenInspector(s.Mail({"a.jpg"}));
  s.env.clock->now = {2027, 1, 1, 1, 1, 1};
  s.outlook.DeactivateInspector(id);
  s.outlook.ActivateInspector(id);
  s.outlook.FireItemOpen(id);
  s.outlook.FireItemRead(id);
  s.outlook.FireItemWrite(id);
  EXPECT_EQ(Toolbar()->WorkingFolderSuffix(), kStamp);
  EXPECT_TRUE(s.Enabled(Isp(id)));
  EXPECT_EQ(s.env.faults.CallCount("Item.Advise"), 1u);
}

TEST_F(InspectorButtons, MovingToAnotherMessageRebindsEnablingStampAndClicks) {
  ItemId first = s.Mail({"first.jpg"});
  ItemId plain = s.Mail({"notes.pdf"});
  ItemId second = s.Mail({"second.jpg"});
  InspectorId id = s.outlook.OpenInspector(first);
  EXPECT_EQ(Toolbar()->EntryID(), s.outlook.EntryIdOf(first));

  s.outlook.MoveInspector(id, plain);
  EXPECT_FALSE(s.Enabled(Isp(id)));
  EXPECT_EQ(Toolbar()->EntryID(), s.outlook.EntryIdOf(plain));

  s.env.clock->now = {2027, 2, 3, 4, 5, 6};
  s.outlook.MoveInspector(id, second);
  EXPECT_TRUE(s.Enabled(Isp(id)));
  EXPECT_EQ(Toolbar()->WorkingFolderSuffix(), "030227040506");
  EXPECT_TRUE(s.ClickZormint(Isp(id)));
  EXPECT_EQ(s.Shown(), std::vector<std::string>{s.WorkingFolder("030227040506") + "second.jpg"});
  // Only the message now shown is connected: the collections, the Explorer and its buttons,
  // the Inspector, its message and its buttons.
  EXPECT_EQ(s.outlook.ConnectedSinks(), 2 + 3 + 4);
  s.outlook.CloseInspector(id);
  EXPECT_EQ(s.outlook.ConnectedSinks(), 2 + 3);
}

TEST_F(InspectorButtons, TheBoundMessageClosingRebindsOnlyWhenItIsSaved) {
  ItemId first = s.Mail({"first.jpg"});
  InspectorId id = s.outlook.OpenInspector(first);
  const size_t lookups = s.env.faults.CallCount("Inspector.CurrentItem");

  s.outlook.SetSaved(first, false);
  s.outlook.FireItemClose(id);
  EXPECT_EQ(s.env.faults.CallCount("Inspector.CurrentItem"), lookups);

  s.outlook.SetSaved(first, true);
  s.outlook.FireItemClose(id);
  EXPECT_EQ(s.env.faults.CallCount("Inspector.CurrentItem"), lookups + 1);
  EXPECT_EQ(Toolbar()->EntryID(), s.outlook.EntryIdOf(first));
}

// Moving on from a message with unsaved changes: its close re-binds nothing, the activation
// that follows does.
TEST_F(InspectorButtons, AnActivationRebindsWhenTheMessageLeftWasUnsaved) {
  ItemId first = s.Mail({"notes.pdf"});
  ItemId second = s.Mail({"second.jpg"});
  InspectorId id = s.outlook.OpenInspector(first);
  EXPECT_FALSE(s.Enabled(Isp(id)));
  s.outlook.SetSaved(first, false);
  const size_t lookups = s.env.faults.CallCount("Inspector.CurrentItem");
  s.outlook.MoveInspector(id, second);
  EXPECT_EQ(s.env.faults.CallCount("Inspector.CurrentItem"), lookups + 1);
  EXPECT_TRUE(s.Enabled(Isp(id)));
  EXPECT_EQ(Toolbar()->EntryID(), s.outlook.EntryIdOf(second));
}

TEST_F(InspectorButtons, MovingToSomethingOtherThanAMailMessageChangesNothing) {
  ItemId mail = s.Mail({"mail.jpg"});
  InspectorId id = s.outlook.OpenInspector(mail);
  s.env.clock->now = {2027, 1, 1, 1, 1, 1};
  s.outlook.MoveInspector(id, s.Mail({"card.jpg"}, s.contacts, 40));
  s.outlook.MoveInspector(id, s.Mail({"post.jpg"}, s.posts, host::kOlPost));
  EXPECT_TRUE(s.Enabled(Isp(id)));
  EXPECT_EQ(Toolbar()->EntryID(), s.outlook.EntryIdOf(mail));
  EXPECT_EQ(Toolbar()->WorkingFolderSuffix(), kStamp);
  EXPECT_TRUE(s.ClickZormint(Isp(id)));
  EXPECT_EQ(s.Shown(), std::vector<std::string>{s.WorkingFolder(kStamp) + "mail.jpg"});
}

TEST_F(InspectorButtons, AWindowWithoutAStandardBarGetsNoButtonsButFollowsItsMessage) {
  s.outlook.SetNewWindowBars({"Menu Bar"});
  ItemId mail = s.Mail({"a.jpg"});
  s.env.clock->now = {2027, 1, 1, 1, 1, 1};
  InspectorId id = s.outlook.OpenInspector(mail);  // NewInspector, then Activate
  EXPECT_TRUE(s.Buttons(Isp(id)).empty());
  auto toolbar = Toolbar();
  ASSERT_TRUE(toolbar);
  EXPECT_FALSE(toolbar->HasButtons());
  // The set-up recorded nothing; the activation that follows the opening found the EntryID
  // empty, re-bound to the message and recorded both.
  EXPECT_EQ(s.env.faults.CallCount("Item.Advise"), 2u);
  EXPECT_EQ(toolbar->EntryID(), s.outlook.EntryIdOf(mail));
  EXPECT_EQ(toolbar->WorkingFolderSuffix(), "010127010101");
  EXPECT_EQ(s.env.faults.CallCount("CommandBarButton.Enabled"), 2u);  // the Explorer's only
  s.outlook.ActivateInspector(id);
  EXPECT_EQ(s.env.faults.CallCount("Item.Advise"), 2u);
}

TEST_F(InspectorButtons, ClosingTheWindowRemovesItsButtonsAndItsToolbar) {
  InspectorId id = s.outlook.OpenInspector(s.Mail({"a.jpg"}));
  EXPECT_EQ(s.Tracker().InspectorCount(), 1);
  s.outlook.CloseInspector(id);
  EXPECT_TRUE(s.Buttons(Isp(id)).empty());
  EXPECT_EQ(s.outlook.Controls(Isp(id), "Standard").size(), 3u);
  EXPECT_EQ(s.Tracker().InspectorCount(), 0);
  EXPECT_TRUE(s.Tracker().InspectorKeys().empty());
}

}  // namespace
}  // namespace zormint::test

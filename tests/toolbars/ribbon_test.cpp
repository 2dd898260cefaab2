// The ribbon's controls, as Office calls their callbacks: which customisation each ribbon gets,
// enabling by the rule of the command-bar buttons for the control's window or attachments, the
// two commands, and the invalidations that make Office ask again.
#include <gtest/gtest.h>

#include "resources/resources.h"
#include "ribbon/ribbon.h"
#include "tests/stories/outlook_story.h"

namespace zormint::test {
namespace {

const char* const kStamp = "071226210509";
const char* const kLater = "010127010101";

class RibbonControls : public ::testing::Test {
 protected:
  void SetUp() override {
    s.Connect();
    s.RibbonLoad();
  }
  void TearDown() override {
    s.Disconnect(ext_dm_UserClosed);
    s.ExpectNothingHeld();
  }
  size_t Calls() const { return s.env.faults.Calls().size(); }
  OutlookStory s;
};

TEST_F(RibbonControls, EachRibbonGetsItsCustomisationForTheOutlookVersion) {
  EXPECT_EQ(s.addin->Ribbon_GetCustomUI("Microsoft.Outlook.Explorer"),
            resources::kRibbonExplorerId);
  EXPECT_EQ(s.addin->Ribbon_GetCustomUI("Microsoft.Outlook.Mail.Read"), resources::kRibbonReadId);
  for (const char* other : {"Microsoft.Outlook.Mail.Compose", "Microsoft.Outlook.Post.Read",
                            "microsoft.outlook.explorer", ""}) {
    EXPECT_EQ(s.addin->Ribbon_GetCustomUI(other), 0) << other;
  }

  // Outlook 2007: message windows only, in the older schema; an unreadable version is taken as
  // the newest.
  s.Disconnect(ext_dm_UserClosed);
  s.outlook.SetVersion("12.0.0.6672");
  s.Connect();
  EXPECT_EQ(s.G().gclsRibbon->OutlookVersion(), 12);
  EXPECT_EQ(s.addin->Ribbon_GetCustomUI("Microsoft.Outlook.Explorer"), 0);
  EXPECT_EQ(s.addin->Ribbon_GetCustomUI("Microsoft.Outlook.Mail.Read"),
            resources::kRibbonRead2007Id);
  s.Disconnect(ext_dm_UserClosed);
  s.env.faults.FailMember("Application.Version");
  s.Connect();
  EXPECT_EQ(s.G().gclsRibbon->OutlookVersion(), 0);
  EXPECT_EQ(s.addin->Ribbon_GetCustomUI("Microsoft.Outlook.Explorer"),
            resources::kRibbonExplorerId);
  EXPECT_TRUE(s.env.trace->Find("Application.Version"));
}

TEST_F(RibbonControls, AnExplorersControlsFollowTheRuleOfTheButtons) {
  const WindowRef main = Xpl(s.mainExplorer);
  const ItemId pictures = s.Mail({"notes.pdf", "beach.JPG"});
  const ItemId plain = s.Mail({"notes.pdf"});
  const ItemId meeting = s.Mail({"a.jpg"}, 0, 53);
  const ItemId post = s.Mail({"scan.tif"}, s.posts, host::kOlPost);
  const ItemId contact = s.Mail({"face.jpg"}, s.contacts, 40);

  EXPECT_FALSE(s.RibbonEnabled(main));  // nothing selected
  s.outlook.Select(s.mainExplorer, {pictures});
  EXPECT_TRUE(s.RibbonEnabled(main));
  EXPECT_TRUE(s.RibbonEnabled(main, "options"));
  s.outlook.Select(s.mainExplorer, {pictures, plain});
  EXPECT_FALSE(s.RibbonEnabled(main));
  for (ItemId item : {plain, meeting}) {
    s.outlook.Select(s.mainExplorer, {item});
    EXPECT_FALSE(s.RibbonEnabled(main));
  }
  s.outlook.SwitchFolder(s.mainExplorer, s.posts);
  s.outlook.Select(s.mainExplorer, {post});
  EXPECT_TRUE(s.RibbonEnabled(main));
  s.outlook.SwitchFolder(s.mainExplorer, s.contacts);
  s.outlook.Select(s.mainExplorer, {contact});
  EXPECT_FALSE(s.RibbonEnabled(main));
}

TEST_F(RibbonControls, AMessageWindowsControlsWorkInWordMailWindowsWithoutButtons) {
  const InspectorId word = s.outlook.OpenInspector(s.Mail({"a.jpg", "b.gif"}), true);
  const InspectorId plain = s.outlook.OpenInspector(s.Mail({"notes.pdf"}), true);
  EXPECT_TRUE(s.Buttons(Isp(word)).empty());
  EXPECT_TRUE(s.RibbonEnabled(Isp(word)));
  EXPECT_FALSE(s.RibbonEnabled(Isp(plain)));

  // Each click takes the time of its own, and a working folder of its own within one second.
  s.env.clock->now = {2027, 1, 1, 1, 1, 1};
  s.RibbonClick(Isp(word));
  EXPECT_TRUE(s.Saved(kLater, "a.jpg"));
  EXPECT_TRUE(s.Saved(kLater, "b.gif"));
  EXPECT_EQ(s.Shown(), std::vector<std::string>{s.WorkingFolder(kLater) + "a.jpg"});
  s.RibbonClick(Isp(plain));
  EXPECT_EQ(s.Shown().size(), 1u);

  s.dialogs->OnNextShow([](sim::HeadlessForm& form) {
    form.SelectOnly({1});
    form.Click("cmdOpen");
  });
  s.RibbonClick(Isp(word), "options");
  EXPECT_EQ(s.Shown().back(), s.WorkingFolder(std::string(kLater) + "-3") + "b.gif");
  EXPECT_TRUE(s.Saved(kLater, "a.jpg"));  // the first viewer's pictures stay
  EXPECT_EQ(s.dialogs->ModalShows(), 1);
}

TEST_F(RibbonControls, TheAttachmentMenuActsOnTheMessageTheAttachmentsBelongTo) {
  const ItemId pictures = s.Mail({"notes.pdf", "a.jpg"});
  const ItemId plain = s.Mail({"notes.pdf"});
  const WindowRef main = Xpl(s.mainExplorer);
  s.outlook.Select(s.mainExplorer, {pictures});
  EXPECT_FALSE(s.RibbonEnabled(main, "zormint", true));  // no attachment selected
  s.outlook.SelectAttachments(main, {1});
  EXPECT_TRUE(s.RibbonEnabled(main, "zormint", true));
  s.RibbonClick(main, "zormint", true);
  // The Explorer's buttons took the second's first stamp at the selection.
  EXPECT_EQ(s.Shown(),
            std::vector<std::string>{s.WorkingFolder(std::string(kStamp) + "-2") + "a.jpg"});

  s.outlook.Select(s.mainExplorer, {plain});
  s.outlook.SelectAttachments(main, {1});
  EXPECT_FALSE(s.RibbonEnabled(main, "zormint", true));

  const InspectorId window = s.outlook.OpenInspector(pictures, true);
  s.outlook.SelectAttachments(Isp(window), {2, 1});
  EXPECT_TRUE(s.RibbonEnabled(Isp(window), "zormint", true));
}

TEST_F(RibbonControls, TheControlsAreQueriedAgainWhenTheButtonsWouldRefresh) {
  const std::vector<std::string> all(std::begin(ribbon::kControlIds),
                                     std::end(ribbon::kControlIds));
  s.outlook.ClearInvalidations();
  s.outlook.Select(s.mainExplorer, {s.Mail({"a.jpg"})});
  EXPECT_EQ(s.outlook.Invalidations(), all);
  s.outlook.ClearInvalidations();
  s.outlook.SelectAttachments(Xpl(s.mainExplorer), {1});
  EXPECT_EQ(s.outlook.Invalidations(), all);

  const InspectorId window = s.outlook.OpenInspector(s.Mail({"a.jpg"}));
  s.outlook.ClearInvalidations();
  s.outlook.MoveInspector(window, s.Mail({"b.gif"}));
  EXPECT_EQ(s.outlook.Invalidations(), all);
  s.outlook.ClearInvalidations();
  s.outlook.ActivateInspector(window);  // the same message: nothing changes
  EXPECT_TRUE(s.outlook.Invalidations().empty());

  // A failing invalidation skips that control only.
  s.env.faults.FailMember("IRibbonUI.InvalidateControl", 2);
  s.outlook.SelectAttachments(Isp(window), {1});
  EXPECT_EQ(s.outlook.Invalidations().size(), all.size() - 1);
  EXPECT_TRUE(s.env.trace->Find("IRibbonUI.InvalidateControl"));
}

TEST_F(RibbonControls, FailingCallsDisableAndClickNothingAndNameTheirStep) {
  const WindowRef main = Xpl(s.mainExplorer);
  s.outlook.Select(s.mainExplorer, {s.Mail({"a.jpg"})});
  s.outlook.SelectAttachments(main, {1});
  for (const char* member :
       {"IRibbonControl.Context", "Explorer.Class", "Explorer.Selection", "Item.Class",
        "Attachment.FileName", "AttachmentSelection.Item", "Attachment.Parent"}) {
    const std::string failing = member;
    const bool onAttachments =
        failing.find("Attachment") != std::string::npos && failing != "Attachment.FileName";
    s.env.faults.FailMember(failing, 0, err::kCallRejected);
    const size_t traced = s.env.trace->Entries().size();
    EXPECT_FALSE(s.RibbonEnabled(main, "zormint", onAttachments)) << failing;
    s.RibbonClick(main, "zormint", onAttachments);
    s.env.faults.ClearFaults();
    EXPECT_TRUE(s.Shown().empty()) << failing;
    // Both callbacks skipped their step and said which.
    ASSERT_GE(s.env.trace->Entries().size(), traced + 2) << failing;
    EXPECT_EQ(s.env.trace->Entries()[traced].code, err::kCallRejected) << failing;
    EXPECT_TRUE(s.RibbonEnabled(main, "zormint", onAttachments)) << failing;
  }
}

TEST_F(RibbonControls, EnablingReadsOneNameWhenTheFirstOfManyAttachmentsIsAPicture) {
  std::vector<std::string> names{"first.jpg"};
  for (int i = 2; i <= 1000; ++i)
    names.push_back("file" + std::to_string(i) + ".pdf");
  const ItemId big = s.Mail(names);
  const InspectorId window = s.outlook.OpenInspector(big, true);
  s.env.faults.ClearCalls();
  EXPECT_TRUE(s.RibbonEnabled(Isp(window)));
  EXPECT_EQ(s.env.faults.CallCount("Attachment.FileName"), 1u);
  EXPECT_EQ(s.env.faults.CallCount("Attachments.Item"), 1u);
}

TEST_F(RibbonControls, PicturesComeFromTheLibraryByTag) {
  const WindowRef main = Xpl(s.mainExplorer);
  for (const char* tag : {"zormint", "options"}) {
    auto picture = std::dynamic_pointer_cast<sim::SimPicture>(
        s.addin->Ribbon_GetImage(s.outlook.RibbonControl(main, "ZormintTabView", tag)));
    ASSERT_TRUE(picture) << tag;
    EXPECT_EQ(picture->bitsPerPixel, 32);
    EXPECT_GE(picture->width, 64);  // sharp at 200 % display scaling
  }
  s.env.faults.FailMember("Resources.LoadAlphaPicture");
  EXPECT_FALSE(
      s.addin->Ribbon_GetImage(s.outlook.RibbonControl(main, "ZormintTabView", "zormint")));
  ASSERT_FALSE(s.env.trace->Entries().empty());
  EXPECT_EQ(s.env.trace->Entries().back().step, "CRibbon.GetImage");
}

// Office may call any callback after the add-in let go of it: each answers without a call.
TEST(RibbonDisconnected, CallbacksAnswerNothingWithoutTouchingOutlookAndTheRibbonIsReleased) {
  OutlookStory s;
  const WindowRef main = Xpl(s.mainExplorer);
  s.outlook.Select(s.mainExplorer, {s.Mail({"a.jpg"})});
  EXPECT_EQ(s.addin->Ribbon_GetCustomUI("Microsoft.Outlook.Explorer"), 0);  // not connected yet
  s.Connect();
  s.RibbonLoad();
  EXPECT_TRUE(s.G().gclsRibbon->HoldsRibbon());
  EXPECT_TRUE(s.RibbonEnabled(main));
  s.Disconnect(ext_dm_UserClosed);
  s.ExpectNothingHeld();

  auto control = s.outlook.RibbonControl(main, "ZormintTabView", "zormint");
  s.env.faults.ClearCalls();
  EXPECT_FALSE(s.addin->Ribbon_GetEnabled(control));
  s.addin->Ribbon_OnAction(control);
  EXPECT_FALSE(s.addin->Ribbon_GetImage(control));
  s.addin->Ribbon_OnLoad(s.outlook.RibbonUI());
  EXPECT_EQ(s.addin->Ribbon_GetCustomUI("Microsoft.Outlook.Explorer"), 0);
  EXPECT_TRUE(s.env.faults.Calls().empty());
  EXPECT_TRUE(s.Shown().empty());
  control.reset();
  s.ExpectNothingHeld();

  // Switched on again in the same process: the new connection serves a new onLoad.
  s.Connect();
  s.RibbonLoad();
  EXPECT_TRUE(s.RibbonEnabled(main));
  s.Disconnect(ext_dm_HostShutdown);
  s.ExpectNothingHeld();
}

// The options dialog from the ribbon is open when the add-in is switched off (or Outlook
// closes): the click ends without extracting anything and nothing is held.
TEST(RibbonDisconnected, AClickPendingInTheDialogEndsQuietlyWhenTheAddinGoes) {
  for (int32_t mode : {ext_dm_UserClosed, ext_dm_HostShutdown}) {
    OutlookStory s;
    s.Connect();
    s.RibbonLoad();
    const InspectorId window = s.outlook.OpenInspector(s.Mail({"a.jpg", "b.gif"}), true);
    s.dialogs->OnNextShow([&](sim::HeadlessForm& form) {
      form.SelectOnly({1});
      s.Disconnect(mode);
      form.Click("cmdOpen");
    });
    s.RibbonClick(Isp(window), "options");
    EXPECT_EQ(s.dialogs->ModalShows(), 1);
    EXPECT_TRUE(s.Shown().empty());
    EXPECT_TRUE(s.G().gsSelAttachmentIndexes.empty());
    s.ExpectNothingHeld();
  }
}

}  // namespace
}  // namespace zormint::test

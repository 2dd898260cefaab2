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
    s.outlook.SetVersion("16.0.0.17928");
    s.Connect();
    s.RibbonLoad();
  }
  void TearDown() override { s.DisconnectAndExpectNothingHeld(ext_dm_UserClosed); }
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
  EXPECT_EQ(gclsRibbon(s.G())->OutlookVersion(), 12);
  EXPECT_EQ(s.addin->Ribbon_GetCustomUI("Microsoft.Outlook.Explorer"), 0);
  EXPECT_EQ(s.addin->Ribbon_GetCustomUI("Microsoft.Outlook.Mail.Read"),
            resources::kRibbonRead2007Id);
  s.Disconnect(ext_dm_UserClosed);
  s.env.faults.FailMember("Application.Version");
  s.Connect();
  EXPECT_EQ(gclsRibbon(s.G())->OutlookVersion(), 0);
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
  const ItemId pictures = s.Mail({"a.jpg", "b.gif"});
  const InspectorId word = s.outlook.OpenInspector(pictures);  // as Outlook
  const InspectorId plain = s.outlook.OpenInspector(s.Mail({"notes.pdf"}), true);
  EXPECT_TRUE(s.Buttons(Isp(word)).empty());
  EXPECT_TRUE(s.RibbonEnabled(Isp(word)));
  EXPECT_FALSE(s.RibbonEnabled(Isp(plain)));

  // Each click takes the time of its own; within one second, each message has a working folder
  // of its own, and a click for the same message fills its folder again.
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
  EXPECT_EQ(s.Shown().back(), s.WorkingFolder(kLater) + "b.gif");
  EXPECT_FALSE(s.Saved(kLater, "a.jpg"));  // emptied and filled again
  EXPECT_FALSE(s.Saved(std::string(kLater) + "-2", "b.gif"));
  EXPECT_EQ(s.dialogs->ModalShows(), 1);

  // The message shown in another window, in the same second: still its one folder.
  const InspectorId again = s.outlook.OpenInspector(pictures, true);
  s.RibbonClick(Isp(again));
  EXPECT_EQ(s.Shown().back(), s.WorkingFolder(kLater) + "a.jpg");
  s.outlook.CloseInspector(again);
}

// The options' dialog is owned by the window whose button or ribbon control was clicked, as its
// IOleWindow gives it; a window that gives none, or whose call fails, leaves it without one.
TEST_F(RibbonControls, TheDialogIsOwnedByTheWindowThatWasClicked) {
  const ItemId mail = s.Mail({"a.jpg"});
  const WindowRef main = Xpl(s.mainExplorer);
  s.outlook.SetWindowHandle(main, 0x1234);
  s.outlook.Select(s.mainExplorer, {mail});
  const InspectorId buttons = s.outlook.OpenInspector(mail, false);
  s.outlook.SetWindowHandle(Isp(buttons), 0x5678);
  const InspectorId word = s.outlook.OpenInspector(mail, true);  // gives none
  EXPECT_TRUE(s.ClickOptions(main));
  s.RibbonClick(main, "options");
  EXPECT_TRUE(s.ClickOptions(Isp(buttons)));
  s.RibbonClick(Isp(buttons), "options");
  s.RibbonClick(Isp(word), "options");
  s.env.faults.FailMember("Explorer.GetWindow");
  s.RibbonClick(main, "options");
  EXPECT_TRUE(s.ClickOptions(main));
  EXPECT_EQ(s.dialogs->Owners(), (std::vector<uintptr_t>{0x1234, 0x1234, 0x5678, 0x5678, 0, 0, 0}));
  // "Zormint" asks no window.
  const size_t asked = s.env.faults.CallCount("Inspector.GetWindow");
  s.RibbonClick(Isp(buttons));
  EXPECT_TRUE(s.ClickZormint(Isp(buttons)));
  EXPECT_EQ(s.env.faults.CallCount("Inspector.GetWindow"), asked);
  s.outlook.CloseInspector(word);
  s.outlook.CloseInspector(buttons);
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
  // The Explorer's buttons stamped this message at the selection, in the same second: the
  // ribbon's click and the buttons' share its one folder.
  EXPECT_EQ(s.Shown(), std::vector<std::string>{s.WorkingFolder(kStamp) + "a.jpg"});
  EXPECT_TRUE(s.ClickZormint(main));
  EXPECT_EQ(s.Shown().back(), s.WorkingFolder(kStamp) + "a.jpg");

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
  const ItemId mail = s.Mail({"a.jpg"});
  for (const char* member :
       {"IRibbonControl.Context", "Explorer.Class", "Explorer.Selection", "Item.Class",
        "Attachment.FileName", "AttachmentSelection.Item", "Attachment.Parent"}) {
    const std::string failing = member;
    const bool onAttachments =
        failing.find("Attachment") != std::string::npos && failing != "Attachment.FileName";
    s.env.faults.FailMember(failing, 0, err::kCallRejected);
    const size_t traced = s.env.trace->Entries().size();
    // A new selection each time, failing too: the answer is decided anew after each change only.
    s.outlook.Select(s.mainExplorer, {mail});
    s.outlook.SelectAttachments(main, {1});
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

TEST_F(RibbonControls, PicturesComeFromTheLibraryByTagOncePerConnection) {
  const WindowRef main = Xpl(s.mainExplorer);
  auto image = [&](const char* tag) {
    return s.addin->Ribbon_GetImage(s.outlook.RibbonControl(main, "ZormintTabView", tag));
  };
  // A picture that cannot be loaded is none, and is tried again at the next question.
  s.env.faults.FailMember("Resources.LoadAlphaPicture");
  EXPECT_FALSE(image("zormint"));
  ASSERT_FALSE(s.env.trace->Entries().empty());
  EXPECT_EQ(s.env.trace->Entries().back().step, "CRibbon.GetImage");
  s.env.faults.ClearFaults();
  s.env.faults.ClearCalls();
  for (int round = 0; round < 3; ++round) {
    for (const char* tag : {"zormint", "options"}) {
      auto picture = std::dynamic_pointer_cast<sim::SimPicture>(image(tag));
      ASSERT_TRUE(picture) << tag;
      EXPECT_EQ(picture->bitsPerPixel, 32);
      EXPECT_GE(picture->width, 64);  // sharp at 200 % display scaling
    }
  }
  EXPECT_EQ(s.env.faults.CallCount("Resources.LoadAlphaPicture"), 2u);
  EXPECT_NE(image("zormint"), image("options"));
}

// ---- The ribbon as Office shows it --------------------------------------------------------------
// Office loads the main windows' customisation at connection and the message windows' when the
// first message window opens, each with its own ribbon; it keeps every answer until an
// invalidation through the ribbon of that window's customisation names the control.

class RibbonAsShown : public ::testing::Test {
 protected:
  void TearDown() override { s.DisconnectAndExpectNothingHeld(ext_dm_UserClosed); }
  void SetUp() override { s.outlook.SetVersion("16.0.0.17928"); }  // Microsoft 365
  void Start() {
    s.Connect();
    mailReadLoaded_ = false;
    s.RibbonLoad(ribbon::kExplorerRibbon);
  }
  // A message window as Outlook opens it (WordMail); the first loads its customisation.
  InspectorId Open(ItemId item) {
    const InspectorId window = s.outlook.OpenInspector(item);
    if (!mailReadLoaded_) mailReadLoaded_ = s.RibbonLoad(ribbon::kMailReadRibbon);
    return window;
  }
  // Every control of the window's own tab shows the same.
  bool Shown(WindowRef window) {
    const bool view = s.RibbonShown(window);
    EXPECT_EQ(s.RibbonShown(window, "options"), view);
    return view;
  }

  OutlookStory s;
  ItemId pictures = s.Mail({"notes.pdf", "a.jpg"});
  ItemId morePictures = s.Mail({"b.gif"});
  ItemId plain = s.Mail({"notes.pdf"});
  bool mailReadLoaded_ = false;
};

TEST_F(RibbonAsShown, TheHomeTabFollowsTheMainWindowAfterAMessageWindowOpenedAndClosed) {
  Start();
  const WindowRef main = Xpl(s.mainExplorer);
  s.outlook.Select(s.mainExplorer, {pictures});
  EXPECT_TRUE(Shown(main));
  const InspectorId window = Open(pictures);
  EXPECT_TRUE(Shown(Isp(window)));
  EXPECT_TRUE(gclsRibbon(s.G())->HoldsRibbon(ribbon::kExplorerRibbon));
  EXPECT_TRUE(gclsRibbon(s.G())->HoldsRibbon(ribbon::kMailReadRibbon));

  s.outlook.ClearInvalidations();
  s.outlook.Select(s.mainExplorer, {plain});
  EXPECT_FALSE(Shown(main));
  s.outlook.Select(s.mainExplorer, {morePictures});
  EXPECT_TRUE(Shown(main));
  // The message window's ribbon was not touched: its answers stand.
  EXPECT_TRUE(s.outlook.Invalidations(ribbon::kMailReadRibbon).empty());
  EXPECT_EQ(s.outlook.KeptAnswer(Isp(window), "ZormintTabView"), true);

  // The message window goes; the main window's invalidations still reach the main window.
  s.outlook.CloseInspector(window);
  s.outlook.Select(s.mainExplorer, {plain});
  EXPECT_FALSE(Shown(main));
  s.outlook.SwitchFolder(s.mainExplorer, s.posts);
  s.outlook.Select(s.mainExplorer, {s.Mail({"scan.tif"}, s.posts, host::kOlPost)});
  EXPECT_TRUE(Shown(main));
}

TEST_F(RibbonAsShown, ASecondMainWindowOpenAtConnectionRefreshesItsGroup) {
  // The window opened last is the active one; the add-in's toolbar goes only there.
  const ExplorerId second = s.outlook.OpenExplorer(s.inbox);
  Start();
  for (ExplorerId explorer : {s.mainExplorer, second}) {
    SCOPED_TRACE(explorer);
    s.outlook.Select(explorer, {pictures});
    EXPECT_TRUE(Shown(Xpl(explorer)));
    s.outlook.Select(explorer, {plain});
    EXPECT_FALSE(Shown(Xpl(explorer)));
    s.outlook.Select(explorer, {pictures});
    s.outlook.SelectAttachments(Xpl(explorer), {2});
    EXPECT_TRUE(s.RibbonShown(Xpl(explorer), "zormint", true));
  }
  // A main window opened later is followed too, and one that closes is let go.
  const ExplorerId third = s.outlook.OpenExplorer(s.inbox);
  s.outlook.Select(third, {pictures});
  EXPECT_TRUE(Shown(Xpl(third)));
  s.outlook.Select(third, {plain});
  EXPECT_FALSE(Shown(Xpl(third)));
  EXPECT_EQ(s.addin->Watcher()->WatchedExplorers(), 3);
  s.outlook.CloseExplorer(third);
  EXPECT_EQ(s.addin->Watcher()->WatchedExplorers(), 2);
}

TEST_F(RibbonAsShown, AWordMailWindowFollowsTheMessageItShowsAndItsAttachmentSelection) {
  Start();
  const InspectorId window = Open(pictures);
  EXPECT_TRUE(s.Buttons(Isp(window)).empty());  // no toolbar: WordMail
  EXPECT_TRUE(Shown(Isp(window)));
  s.outlook.MoveInspector(window, plain);  // the next message, without pictures
  EXPECT_FALSE(Shown(Isp(window)));
  s.outlook.MoveInspector(window, morePictures);  // the previous one, with
  EXPECT_TRUE(Shown(Isp(window)));
  s.RibbonClick(Isp(window));
  EXPECT_EQ(s.Shown(), std::vector<std::string>{s.WorkingFolder(kStamp) + "b.gif"});

  // The attachment menu of the message window.
  s.outlook.MoveInspector(window, pictures);
  EXPECT_FALSE(s.RibbonShown(Isp(window), "zormint", true));  // nothing selected
  s.outlook.SelectAttachments(Isp(window), {1});
  EXPECT_TRUE(s.RibbonShown(Isp(window), "zormint", true));
  s.outlook.MoveInspector(window, plain);
  s.outlook.SelectAttachments(Isp(window), {1});
  EXPECT_FALSE(s.RibbonShown(Isp(window), "zormint", true));
  // The main window's ribbon was never asked to refresh for it.
  EXPECT_TRUE(s.outlook.Invalidations(ribbon::kExplorerRibbon).empty());
}

TEST_F(RibbonAsShown, SwitchedOffAndOnTheAddinServesTheNewRibbonsAndReleasedTheOld) {
  Start();
  const WindowRef main = Xpl(s.mainExplorer);
  const InspectorId window = Open(pictures);
  s.outlook.Select(s.mainExplorer, {pictures});
  EXPECT_TRUE(Shown(main));
  s.DisconnectAndExpectNothingHeld(
      ext_dm_UserClosed);  // both ribbons, every window and every answer let go
  EXPECT_FALSE(s.addin->Watcher());

  s.Connect();
  s.RibbonLoad();  // Office loads both customisations again, with new ribbons
  s.outlook.Select(s.mainExplorer, {plain});
  EXPECT_FALSE(Shown(main));
  s.outlook.MoveInspector(window, plain);
  EXPECT_FALSE(Shown(Isp(window)));
  s.outlook.MoveInspector(window, morePictures);
  EXPECT_TRUE(Shown(Isp(window)));  // a window open before the connection is followed too
}

TEST_F(RibbonAsShown, Outlook2007sMessageWindowsRefreshTheirOwnTwoControls) {
  s.outlook.SetVersion("12.0.0.6672");
  Start();
  EXPECT_FALSE(gclsRibbon(s.G())->HoldsRibbon(ribbon::kExplorerRibbon));  // no ribbon there
  const InspectorId window = Open(pictures);
  EXPECT_TRUE(s.Buttons(Isp(window)).empty());  // Word edits it: no toolbar
  EXPECT_TRUE(Shown(Isp(window)));
  s.outlook.ClearInvalidations();
  s.outlook.MoveInspector(window, plain);
  EXPECT_EQ(s.outlook.Invalidations(ribbon::kMailReadRibbon),
            (std::vector<std::string>{"ZormintTabView", "ZormintTabOptions"}));
  EXPECT_FALSE(Shown(Isp(window)));
  s.outlook.Select(s.mainExplorer, {plain});  // the main window has toolbar buttons only
  EXPECT_TRUE(s.outlook.Invalidations(ribbon::kExplorerRibbon).empty());
}

TEST_F(RibbonAsShown, AWindowClosedWhileItsControlsAreAskedAnswersDisabled) {
  Start();
  const InspectorId window = Open(pictures);
  auto control = s.outlook.RibbonControl(Isp(window), "ZormintTabView", "zormint");
  auto menu = s.outlook.RibbonControl(Isp(window), "ZormintMenuView", "zormint", true);
  s.outlook.SelectAttachments(Isp(window), {2});
  EXPECT_TRUE(s.addin->Ribbon_GetEnabled(control));
  // Office asks the controls again while the window is going (its Close runs first).
  s.outlook.CloseInspector(window);
  s.outlook.ClearInvalidations();
  EXPECT_FALSE(s.addin->Ribbon_GetEnabled(control));
  EXPECT_FALSE(s.addin->Ribbon_GetEnabled(menu));
  s.addin->Ribbon_OnAction(control);
  EXPECT_TRUE(s.Shown().empty());
  EXPECT_EQ(s.addin->Watcher()->WatchedInspectors(), 0);
  control.reset();
  menu.reset();
}

// One look at the attachments per change, however many controls Office asks: in a main window
// the toolbar's look serves the ribbon too; a WordMail window's ribbon looks once.
TEST_F(RibbonAsShown, AChangeCostsOneLookAtTheAttachments) {
  std::vector<std::string> names;
  for (int i = 1; i <= 1000; ++i)
    names.push_back("file" + std::to_string(i) + ".pdf");
  const ItemId big = s.Mail(names);
  const ItemId bigToo = s.Mail(names);
  Start();
  auto askAll = [&](WindowRef window) {
    for (const char* id : ribbon::kControlIds) {
      const std::string control = id;
      const bool menu = control == "ZormintMenuView";
      const std::string tag = control.find("Options") != std::string::npos ? "options" : "zormint";
      EXPECT_FALSE(s.addin->Ribbon_GetEnabled(s.outlook.RibbonControl(window, control, tag, menu)));
      EXPECT_TRUE(s.addin->Ribbon_GetImage(s.outlook.RibbonControl(window, control, tag, menu)));
    }
  };
  const WindowRef main = Xpl(s.mainExplorer);
  s.env.faults.ClearCalls();
  s.outlook.Select(s.mainExplorer, {big});
  s.outlook.SelectAttachments(main, {1});
  askAll(main);
  EXPECT_EQ(s.env.faults.CallCount("Attachment.FileName"), 1000u);

  const InspectorId window = Open(big);
  s.env.faults.ClearCalls();
  s.outlook.MoveInspector(window, bigToo);
  s.outlook.SelectAttachments(Isp(window), {1});
  askAll(Isp(window));
  EXPECT_EQ(s.env.faults.CallCount("Attachment.FileName"), 1000u);
  // The pictures were loaded once for the connection.
  EXPECT_EQ(s.env.faults.CallCount("Resources.LoadAlphaPicture"), 0u);
}

// Office may call any callback after the add-in let go of it: each answers without a call.
TEST(RibbonDisconnected, CallbacksAnswerNothingWithoutTouchingOutlookAndTheRibbonIsReleased) {
  OutlookStory s;
  const WindowRef main = Xpl(s.mainExplorer);
  s.outlook.Select(s.mainExplorer, {s.Mail({"a.jpg"})});
  EXPECT_EQ(s.addin->Ribbon_GetCustomUI("Microsoft.Outlook.Explorer"), 0);  // not connected yet
  s.Connect();
  s.RibbonLoad();
  EXPECT_TRUE(gclsRibbon(s.G())->HoldsRibbon());
  EXPECT_TRUE(s.RibbonEnabled(main));
  s.DisconnectAndExpectNothingHeld(ext_dm_UserClosed);

  auto control = s.outlook.RibbonControl(main, "ZormintTabView", "zormint");
  s.env.faults.ClearCalls();
  EXPECT_FALSE(s.addin->Ribbon_GetEnabled(control));
  s.addin->Ribbon_OnAction(control);
  EXPECT_FALSE(s.addin->Ribbon_GetImage(control));
  s.addin->Ribbon_OnLoad("Microsoft.Outlook.Explorer",
                         s.outlook.RibbonUI("Microsoft.Outlook.Explorer"));
  EXPECT_EQ(s.addin->Ribbon_GetCustomUI("Microsoft.Outlook.Explorer"), 0);
  EXPECT_TRUE(s.env.faults.Calls().empty());
  EXPECT_TRUE(s.Shown().empty());
  control.reset();
  s.ExpectNothingHeld();

  // Switched on again in the same process: the new connection serves a new onLoad.
  s.Connect();
  s.RibbonLoad();
  EXPECT_TRUE(s.RibbonEnabled(main));
  s.DisconnectAndExpectNothingHeld(ext_dm_HostShutdown);
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

// What the user sees when particular Outlook calls fail: the outcome the add-in's failure
// handling names for that call, with the real add-in in the simulated Outlook.
#include <windows.h>

#include "hardening_fixture.h"

namespace zormint::wine_test::hardening {
namespace {

const char kViewAll[] = "\"View All Picture Attachments\"";

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class FaultOutcome : public HardeningStory {
 protected:
  std::string Click(const std::string& window) { return "click " + window + " " + kViewAll; }

  // The viewer started once, on `picture` (of `bytes` bytes, when given), with `saved` in the
  // picture's folder.
  void ExpectOneViewerOn(const char* picture, const std::vector<std::wstring>& saved,
                         const char* bytes = nullptr) {
    std::vector<std::string> starts = ViewerStarts();
    ASSERT_EQ(starts.size(), 1u) << Text();
    EXPECT_EQ(ShownPicture(starts[0]).filename(), picture) << starts[0];
    if (bytes) {
      EXPECT_NE(starts[0].find(std::string("\t") + bytes + " bytes"), std::string::npos)
          << starts[0];
    }
    EXPECT_EQ(FilesBeside(ShownPicture(starts[0])), saved);
  }
};

// The selection cannot be read: the buttons are disabled, whatever was selected before, and
// come back once it can be read again.
TEST_F(FaultOutcome, AnUnreadableSelectionDisablesTheButtons) {
  struct Case {
    const char* member;
    const char* code;
  };
  for (const Case& c :
       {Case{"Explorer.Selection", "E_FAIL"}, Case{"Selection.Count", "RPC_E_CALL_REJECTED"},
        // The selected item cannot be taken: the message selected before (with pictures too)
        // must not stand in for it.
        Case{"Selection.Item", "DISP_E_EXCEPTION"}}) {
    SCOPED_TRACE(c.member);
    NewStory();
    Run({"open-explorer Inbox", "start", "select holiday"});
    ASSERT_TRUE(Enabled(Xpl(1))) << Text();
    Run({std::string("fail ") + c.member + " " + c.code, "select drawings"});
    EXPECT_EQ(Buttons(Xpl(1)).size(), 2u);
    EXPECT_FALSE(Enabled(Xpl(1))) << Text();
    Run({"select holiday"});
    EXPECT_FALSE(Enabled(Xpl(1)));
    Run({Click("explorer1")});
    EXPECT_TRUE(Contains(Text(), "is disabled: nothing happens")) << Text();
    Run({"clear-faults", "select holiday"});
    EXPECT_TRUE(Enabled(Xpl(1))) << Text();
    ExpectNothingHeld();
  }
}

// A picture that cannot be saved is passed over: the others are still saved, and the viewer is
// still started on the first picture's path.
TEST_F(FaultOutcome, APictureThatCannotBeSavedIsPassedOver) {
  // The second picture fails: the first is shown with the viewer Windows associates.
  NewStory();
  story->SetViewerWait(10000);
  Run({"open-explorer Inbox", "start", "select holiday", "fail Attachment.SaveAsFile E_FAIL 2",
       Click("explorer1")});
  ExpectOneViewerOn("beach.jpg", {L"beach.jpg", L"route-map.gif"}, "2560");
  ExpectNothingHeld();

  // The first picture fails: the custom viewer gets the first picture that was saved.
  UseCustomViewer();
  NewStory();
  story->SetViewerWait(10000);
  Run({"open-explorer Inbox", "start", "select holiday",
       "fail Attachment.SaveAsFile DISP_E_EXCEPTION 1", Click("explorer1")});
  ExpectOneViewerOn("harbour.jpeg", {L"harbour.jpeg", L"route-map.gif"}, "2684");
  EXPECT_TRUE(Contains(ViewerStarts().at(0), "viewer-recorder.exe\"  \"")) << Text();
  ExpectNothingHeld();

  // No picture can be saved: the folder stays empty, no viewer starts, and a warning says so.
  NewStory();
  story->SetViewerWait(1000);
  Run({"open-explorer Inbox", "start", "select holiday",
       "fail Attachment.SaveAsFile RPC_E_CALL_REJECTED", Click("explorer1")});
  EXPECT_TRUE(ViewerStarts().empty()) << Text();
  EXPECT_TRUE(Contains(Text(), "message box \"NO Pictures Saved\"")) << Text();
  EXPECT_EQ(Model().Faults().CallCount("Attachment.SaveAsFile"), 3u) << "each picture is tried";
  ExpectNothingHeld();
}

// An attachment whose file name cannot be read is skipped: it is not saved and does not
// become the first picture.
TEST_F(FaultOutcome, AnAttachmentWithoutAReadableNameIsSkipped) {
  UseCustomViewer();
  NewStory();
  story->SetViewerWait(10000);
  // The selection read the first name already; the click reads each name once, in order.
  Run({"open-explorer Inbox", "start", "select holiday", "fail Attachment.FileName E_FAIL 1",
       Click("explorer1")});
  ExpectOneViewerOn("harbour.jpeg", {L"harbour.jpeg", L"route-map.gif"}, "2684");
  ExpectNothingHeld();

  // In an Inspector the same: the message's third attachment (harbour.jpeg) is skipped.
  NewStory();
  story->SetViewerWait(10000);
  Run({"open-explorer Inbox", "start", "open-inspector holiday",
       "fail Attachment.FileName RPC_E_CALL_REJECTED 3", Click("inspector1")});
  ExpectOneViewerOn("beach.jpg", {L"beach.jpg", L"route-map.gif"});
  Run({"close inspector1"});
  ExpectNothingHeld();
}

// The command bars cannot be enumerated: no window gets buttons, and everything else goes on.
TEST_F(FaultOutcome, CommandBarsThatCannotBeEnumeratedGiveNoButtons) {
  for (const char* fault :
       {"fail CommandBarsEnum.Next E_FAIL", "fail CommandBars._NewEnum DISP_E_EXCEPTION",
        "fail Explorer.CommandBars RPC_E_CALL_REJECTED"}) {
    SCOPED_TRACE(fault);
    NewStory();
    Run({fault, "open-explorer Inbox", "start", "select holiday", Click("explorer1"),
         "open-explorer Inbox", "switch-folder explorer2 Inbox", "select explorer2 drawings",
         "open-inspector holiday", "move-inspector inspector1 drawings"});
    EXPECT_TRUE(Buttons(Xpl(1)).empty());
    EXPECT_TRUE(Buttons(Xpl(2)).empty());
    if (std::string(fault).find("Explorer.") == std::string::npos) {
      EXPECT_TRUE(Buttons(Isp(1)).empty());
    } else {
      EXPECT_TRUE(Enabled(Isp(1))) << "an Inspector's bars are not an Explorer's";
    }
    EXPECT_TRUE(Contains(Text(), "has no button")) << Text();
    Run({"close inspector1", "close explorer2", "switch-off"});
    ExpectNothingHeld();
  }
}

// The Explorers cannot be counted at connection: the add-in stays dormant.
TEST_F(FaultOutcome, ExplorersThatCannotBeCountedLeaveTheAddinDormant) {
  for (const char* fault :
       {"fail Explorers.Count E_FAIL 1", "fail Application.Explorers RPC_E_CALL_REJECTED 1"}) {
    SCOPED_TRACE(fault);
    NewStory();
    Run({fault, "open-explorer Inbox"});
    const int outlooksOwn = Model().LiveReferences();  // the host's Application object
    Run({"start"});
    EXPECT_EQ(Model().ConnectedSinks(), 0) << "a dormant add-in follows no window";
    EXPECT_EQ(Model().LiveReferences(), outlooksOwn) << Model().DescribeLiveReferences();
    Run({"select holiday", "open-explorer Inbox", "switch-folder explorer2 Inbox",
         "open-inspector holiday"});
    EXPECT_TRUE(Buttons(Xpl(1)).empty());
    EXPECT_TRUE(Buttons(Xpl(2)).empty());
    EXPECT_TRUE(Buttons(Isp(1)).empty());
    Run({"switch-off"});
    ExpectNothingHeld();
  }
}

// The second button cannot be added: the first stays, complete, and the add-in goes on; the
// next window gets both.
TEST_F(FaultOutcome, AButtonThatCannotBeAddedEndsTheSetUpOfThatBarOnly) {
  NewStory();
  Run({"open-explorer Inbox", "fail CommandBarControls.Add E_FAIL 2", "start"});
  std::vector<sim::ControlView> buttons = Buttons(Xpl(1));
  ASSERT_EQ(buttons.size(), 1u) << Text();
  EXPECT_EQ(buttons[0].tooltipText, "View ZORMINT Options");
  EXPECT_EQ(buttons[0].tag, "EXPLORER11");
  Run({"select holiday"});
  EXPECT_TRUE(Buttons(Xpl(1))[0].enabled) << "the button that is there follows the selection";
  Run({"open-explorer Inbox", "switch-folder explorer2 Inbox", "select explorer2 holiday"});
  EXPECT_TRUE(Enabled(Xpl(2))) << Text();
  Run({"switch-off"});
  EXPECT_TRUE(Buttons(Xpl(1)).empty());
  EXPECT_TRUE(Buttons(Xpl(2)).empty());
  ExpectNothingHeld();
}

}  // namespace
}  // namespace zormint::wine_test::hardening

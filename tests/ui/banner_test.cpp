// The banner strip of the dialog: embedded page on load, one probe at the first activation,
// the maker's page when the server answers, scroll bars off on completed documents.

#include <algorithm>

#include "tests/ui/dialog_fixture.h"

namespace zormint::test {
namespace {

using sim::FakeBrowser;
using sim::HeadlessForm;
using namespace platform;
using namespace ui;

const std::string kEmbedded = "res://ZORMINT/%2323/%23102";

std::vector<std::pair<std::string, int32_t>> Navigations(const FakeBrowser& browser) {
  std::vector<std::pair<std::string, int32_t>> out;
  for (const auto& n : browser.Navigations())
    out.emplace_back(n.url, n.flags);
  return out;
}

size_t Position(const std::vector<std::string>& calls, const std::string& member) {
  return static_cast<size_t>(std::find(calls.begin(), calls.end(), member) - calls.begin());
}

TEST_F(DialogTest, OfflineTheBannerKeepsTheEmbeddedPage) {
  Open(kPictures, [&](HeadlessForm& f) {
    FakeBrowser& banner = *f.Browser(kWbrAdBanner);
    EXPECT_EQ(Navigations(banner), (std::vector<std::pair<std::string, int32_t>>{{kEmbedded, 2}}));
    // Outlook's messages are never run for the probe: it runs beside the dialog.
    const auto& calls = env.faults.Calls();
    EXPECT_EQ(Position(calls, "MessagePump.DoEvents"), calls.size());
    EXPECT_LT(Position(calls, "Form.RunBeside"), Position(calls, "Internet.GetConnectedState"));
    EXPECT_TRUE(banner.CompletePending());
    EXPECT_TRUE(banner.ScrollChanges().empty());
    f.Reactivate();
    f.Click(kCmdClose);
  });
  EXPECT_EQ(internet->CallCount("GetConnectedState"), 1u);
  EXPECT_EQ(internet->CallCount("OpenUrl"), 0u);
  EXPECT_EQ(Banner()->Navigations().size(), 1u);
}

TEST_F(DialogTest, OnlineTheMakersPageReplacesTheEmbeddedOneWithoutScrollBars) {
  internet->SetConnected(true);
  Open(kPictures, [&](HeadlessForm& f) {
    FakeBrowser& banner = *f.Browser(kWbrAdBanner);
    EXPECT_EQ(Navigations(banner),
              (std::vector<std::pair<std::string, int32_t>>{{kEmbedded, 2}, {kBannerUrl, 6}}));
    EXPECT_TRUE(banner.CompletePending());
    EXPECT_EQ(banner.DocumentUrl(), kBannerUrl);
    EXPECT_EQ(banner.BodyScroll(), "no");
    // Completed frames are not told apart from the page.
    banner.CompleteFrame("http://www.zormint.com/frame.htm");
    EXPECT_EQ(banner.ScrollChanges().size(), 2u);
    // Later activations neither probe nor navigate.
    f.Reactivate();
    f.Reactivate();
    EXPECT_EQ(banner.Navigations().size(), 2u);
    f.Click(kCmdClose);
  });
  EXPECT_EQ(internet->CallCount("GetConnectedState"), 1u);
  EXPECT_TRUE(Banner()->Destroyed());
}

TEST_F(DialogTest, EachOpeningStartsEmbeddedAndProbesAgain) {
  internet->SetConnected(true);
  dialogs->HoldWork(true);
  Open(kPictures, [&](HeadlessForm& f) {
    // The embedded page completes while the probe is still out: no answer has come yet.
    EXPECT_TRUE(Banner()->CompletePending());
    EXPECT_TRUE(Banner()->ScrollChanges().empty());
    dialogs->AnswerHeldWork();
    EXPECT_EQ(Navigations(*Banner()),
              (std::vector<std::pair<std::string, int32_t>>{{kEmbedded, 2}, {kBannerUrl, 6}}));
    f.Click(kCmdClose);
  });
  internet->SetConnected(false);
  Open(kPictures, [&](HeadlessForm& f) {
    FakeBrowser& banner = *f.Browser(kWbrAdBanner);
    EXPECT_TRUE(banner.CompletePending());
    // The last answer (online) was still current when the embedded page completed.
    ASSERT_EQ(banner.ScrollChanges().size(), 1u);
    EXPECT_EQ(banner.ScrollChanges()[0].documentUrl, kEmbedded);
    dialogs->AnswerHeldWork();
    EXPECT_EQ(Navigations(banner), (std::vector<std::pair<std::string, int32_t>>{{kEmbedded, 2}}));
    EXPECT_FALSE(gclsInternet(g)->IsConnected());
    f.Click(kCmdClose);
  });
  EXPECT_EQ(internet->CallCount("GetConnectedState"), 2u);
  EXPECT_EQ(dialogs->Browsers().size(), 2u);
  EXPECT_EQ(dialogs->DroppedAnswers(), 0);
}

TEST_F(DialogTest, FailingBannerStepsLeaveAWorkingDialogThatProbesOnce) {
  internet->SetConnected(true);
  env.faults.FailMember("WebBrowser.Navigate2");
  env.faults.FailMember("MessagePump.DoEvents");
  Open(kPictures, [&](HeadlessForm& f) {
    EXPECT_TRUE(Banner()->Navigations().empty());
    EXPECT_TRUE(frmOptions::Instance(g)->ActivatedOnce());
    f.Reactivate();
    f.Click(kCmdOpen);
  });
  EXPECT_EQ(internet->CallCount("GetConnectedState"), 1u);
  EXPECT_EQ(g.gsSelAttachmentIndexes, "2,3,5,6");
}

// A server that is slow to answer never holds the dialog: it is shown and used while the probe
// is out, and an answer that comes after the dialog has closed changes nothing.
TEST_F(DialogTest, TheDialogIsUsedBeforeTheProbeAnswersAndALateAnswerIsDropped) {
  internet->SetConnected(true);
  dialogs->HoldWork(true);
  Open(kPictures, [&](HeadlessForm& f) {
    EXPECT_EQ(dialogs->HeldWork(), 1u);
    EXPECT_EQ(internet->CallCount("GetConnectedState"), 0u);  // the probe has not run yet
    EXPECT_TRUE(f.ClickItem(1));
    EXPECT_TRUE(f.Click(kOptCustomViewer));
    EXPECT_EQ(Navigations(*Banner()),
              (std::vector<std::pair<std::string, int32_t>>{{kEmbedded, 2}}));
    f.CloseBox();
  });
  EXPECT_EQ(gfrmOptions(g), nullptr);
  dialogs->AnswerHeldWork();  // the worker ends on its own, after the dialog
  EXPECT_EQ(internet->CallCount("GetConnectedState"), 1u);
  EXPECT_EQ(internet->OpenHandleCount(), 0u);
  EXPECT_EQ(dialogs->DroppedAnswers(), 1);
  EXPECT_EQ(Banner()->Navigations().size(), 1u);
  EXPECT_FALSE(gclsInternet(g)->IsConnected());  // the dropped answer is not kept either
  EXPECT_EQ(dialogs->Unloads(), std::vector<int32_t>{vbFormControlMenu});
}

}  // namespace
}  // namespace zormint::test

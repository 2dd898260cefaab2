// The banner strip of the dialog: embedded page on load, one probe at the first activation,
// the maker's page when the server answers, scroll bars off on completed documents.

#include <algorithm>

#include "tests/ui/dialog_fixture.h"

namespace zormint::test {
namespace {

using sim::FakeBrowser;
using sim::HeadlessForm;
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
    // The dialog drew itself before the probe blocked.
    const auto& calls = env.faults.Calls();
    EXPECT_LT(Position(calls, "MessagePump.DoEvents"),
              Position(calls, "Internet.GetConnectedState"));
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
  // The embedded page completes while the dialog draws itself, before the probe.
  env.messagePump->onDoEvents = [&] { Banner()->CompletePending(); };
  Open(kPictures, [&](HeadlessForm& f) {
    EXPECT_TRUE(Banner()->ScrollChanges().empty());  // no probe has answered yet
    f.Click(kCmdClose);
  });
  internet->SetConnected(false);
  Open(kPictures, [&](HeadlessForm& f) {
    FakeBrowser& banner = *f.Browser(kWbrAdBanner);
    EXPECT_EQ(Navigations(banner), (std::vector<std::pair<std::string, int32_t>>{{kEmbedded, 2}}));
    // The last answer (online) was still current when the embedded page completed.
    ASSERT_EQ(banner.ScrollChanges().size(), 1u);
    EXPECT_EQ(banner.ScrollChanges()[0].documentUrl, kEmbedded);
    f.Click(kCmdClose);
  });
  EXPECT_EQ(internet->CallCount("GetConnectedState"), 2u);
  EXPECT_EQ(dialogs->Browsers().size(), 2u);
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

TEST_F(DialogTest, ClosingWhileTheDialogDrawsItselfSkipsTheProbe) {
  internet->SetConnected(true);
  env.messagePump->onDoEvents = [&] { dialogs->LastForm()->CloseBox(); };
  Open(kPictures, [](HeadlessForm&) { ADD_FAILURE() << "the dialog was closed before"; });
  EXPECT_EQ(internet->CallCount("GetConnectedState"), 0u);
  EXPECT_EQ(Banner()->Navigations().size(), 1u);
  EXPECT_EQ(dialogs->Unloads(), std::vector<int32_t>{vbFormControlMenu});
  EXPECT_EQ(g.gfrmOptions, nullptr);
  EXPECT_EQ(dialogs->PendingScripts(), 1u);
}

}  // namespace
}  // namespace zormint::test

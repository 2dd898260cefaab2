// The probe and banner story swept: the options dialog opens three times; the maker's server
// answers the first time, cannot be reached the second time, answers again the third time
// (when the user also leaves the dialog and comes back to it). Every host and platform call
// fails once, in its own run; then the whole sweep again with the event log failing too.
#include "net/internet.h"
#include "tests/hardening/sweep.h"
#include "ui/frm_options.h"
#include "ui/options_layout.h"

namespace zormint::test {
namespace {

class BannerStory : public SweepStory {
 public:
  explicit BannerStory(bool eventLogFails) : eventLogFails_(eventLogFails) {}

  std::unique_ptr<OutlookStory> Setup() override {
    auto s = std::make_unique<OutlookStory>();
    s->internet->SetConnected(true);
    mail_ = s->Mail({"p.jpg"});
    seen_.clear();
    return s;
  }

  void PlanStandingFaults(sim::FaultPlan& faults) override {
    if (eventLogFails_) faults.FailMember("EventLog.ReportError");
  }

  void Run(OutlookStory& s, Phases& phases) override {
    const WindowRef main = Xpl(s.mainExplorer);
    phases.Begin("connect");
    s.Connect();
    phases.Begin("select");
    s.outlook.Select(s.mainExplorer, {mail_});
    for (int opening = 1; opening <= 3; ++opening) {
      const std::string phase = "open" + std::to_string(opening);
      phases.Begin(phase);
      s.internet->SetOpenUrlAnswer(opening == 2 ? 0 : 0x2000);
      const size_t browsers = s.dialogs->Browsers().size();
      const size_t entries = s.eventLog->Entries().size();
      const size_t probes = s.internet->CallCount("GetConnectedState");
      // One script at a time, acting on whatever dialog shows next.
      opening_ = opening;
      if (s.dialogs->PendingScripts() == 0) {
        s.dialogs->OnNextShow([this](sim::HeadlessForm& form) {
          if (opening_ == 3) form.Reactivate();
          if (auto banner = form.Browser(ui::kWbrAdBanner)) {
            banner->CompletePending();
            if (opening_ == 1) banner->CompleteFrame("http://www.zormint.com/frame.htm");
          }
          form.PressEsc();
        });
      }
      s.ClickOptions(main);
      Opening o;
      for (size_t b = browsers; b < s.dialogs->Browsers().size(); ++b) {
        for (const auto& n : s.dialogs->Browsers()[b]->Navigations()) {
          o.navigations.push_back(n.url);
          EXPECT_EQ(n.flags, n.url == kBannerUrl ? 6 : 2) << n.url;
        }
        o.scroll = s.dialogs->Browsers()[b]->BodyScroll();
      }
      o.logged = s.eventLog->Entries().size() - entries;
      o.probes = s.internet->CallCount("GetConnectedState") - probes;
      seen_.push_back(o);
    }
    phases.Begin("disconnect");
    s.Disconnect(ext_dm_HostShutdown);
  }

  bool Check(OutlookStory& s, const CallSite* failed) override {
    std::vector<Opening> e(3);
    e[0] = {{ui::kEmbeddedBannerUrl, kBannerUrl}, "no", 0, 1};
    e[1] = {{ui::kEmbeddedBannerUrl}, "", 0, 1};
    e[2] = {{ui::kEmbeddedBannerUrl, kBannerUrl}, "no", 0, 1};
    if (failed && !Name(*failed, e)) return false;
    EXPECT_EQ(seen_.size(), 3u);
    for (size_t i = 0; i < seen_.size() && i < 3; ++i) {
      SCOPED_TRACE("opening " + std::to_string(i + 1));
      EXPECT_EQ(seen_[i].navigations, e[i].navigations);
      EXPECT_EQ(seen_[i].scroll, e[i].scroll);
      EXPECT_EQ(seen_[i].logged, eventLogFails_ ? 0u : e[i].logged);
      EXPECT_EQ(seen_[i].probes, e[i].probes);
    }
    for (const std::string& entry : s.eventLog->Entries()) {
      EXPECT_TRUE(entry.rfind("A run-time error has occurred in CInternet.Refresh.\r\n", 0) == 0 ||
                  entry.rfind("A run-time error has occurred in CInternet.TryToOpenURL.\r\n", 0) ==
                      0)
          << entry;
    }
    return true;
  }

 private:
  struct Opening {
    std::vector<std::string> navigations;
    std::string scroll;
    size_t logged = 0;  // event log entries written
    size_t probes = 0;  // connection states asked
  };

  bool Name(const CallSite& f, std::vector<Opening>& e) const {
    if (f.Is("Application.Explorers", "connect", 1) || f.Is("Explorers.Count", "connect", 1)) {
      e.assign(3, Opening{});  // dormant: no buttons, no dialog
      return true;
    }
    if (f.In("connect") || f.In("select") || f.In("disconnect")) {
      // Failures before the dialogs either leave the window without usable buttons (then no
      // dialog opens at all) or change nothing the banner shows.
      if (seen_.size() == 3 && seen_[0].navigations.empty() && seen_[1].navigations.empty() &&
          seen_[2].navigations.empty()) {
        e.assign(3, Opening{});
      }
      return true;
    }
    const int k = f.phase.size() == 5 && f.phase.rfind("open", 0) == 0 ? f.phase[4] - '1' : -1;
    if (k < 0) return false;
    Opening& o = e[static_cast<size_t>(k)];
    if (f.MemberStartsWith("Internet.")) {
      // The probe fails: the entry names the operation, the banner keeps the embedded page.
      o.navigations = {ui::kEmbeddedBannerUrl};
      o.scroll = "";
      o.logged = 1;
      if (f.member == "Internet.GetConnectedState") o.probes = 1;
      return true;
    }
    if (f.Is("WebBrowser.Navigate2", f.phase, 1)) {
      o.navigations.erase(o.navigations.begin());  // no embedded page: only the maker's page
      if (k == 1) o.scroll = "";
      return true;
    }
    if (f.Is("WebBrowser.Navigate2", f.phase, 2)) {
      // The embedded page completes while the probe says "reachable": its scroll bars go too.
      o.navigations = {ui::kEmbeddedBannerUrl};
      return true;
    }
    if (f.member == "WebBrowser.SetBodyScroll") {
      if (k == 2) o.scroll = "";  // the first opening's frame sets it once more
      return true;
    }
    if (f.member == "Form.RunBeside") {
      // No probe starts: the banner keeps the embedded page, and the answer of the opening
      // before (the second opening follows an online one) still decides its scroll bars.
      o = {{ui::kEmbeddedBannerUrl}, k == 1 ? "no" : "", 0, 0};
      return true;
    }
    if (f.member == "Form.ShowModal") {
      // Loaded, never shown: the embedded page is asked for, no probe is made.
      o = {{ui::kEmbeddedBannerUrl}, "", 0, 0};
      return true;
    }
    // Everything else (the list, the form's loading, messages running) leaves the banner alone.
    return true;
  }

  bool eventLogFails_;
  sim::ItemId mail_ = 0;
  int opening_ = 0;
  std::vector<Opening> seen_;
};

TEST(FaultSweep, TheProbeAndBannerStory) {
  BannerStory story(false);
  const SweepFigures figures = Sweep(story);
  EXPECT_GT(figures.calls, 100u);
  EXPECT_EQ(figures.injected, figures.calls);
  Report("banner_story", figures);
}

TEST(FaultSweep, TheProbeAndBannerStoryWithTheEventLogFailingToo) {
  BannerStory story(true);
  const SweepFigures figures = Sweep(story);
  EXPECT_GT(figures.calls, 100u);
  EXPECT_GE(figures.injected, figures.calls);
  Report("banner_story_event_log_failing", figures);
}

}  // namespace
}  // namespace zormint::test

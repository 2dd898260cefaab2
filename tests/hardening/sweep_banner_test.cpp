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

  Outcome Observe(OutlookStory&) override { return Render(seen_); }

  Outcomes Acceptable() const override {
    Outcomes outcomes;
    auto add = [&](const std::string& name,
                   const std::function<void(std::vector<Opening>&)>& change) {
      std::vector<Opening> e = Clean();
      change(e);
      outcomes.emplace_back(name, Render(e));
    };
    add("clean", [](std::vector<Opening>&) {});
    // No buttons to use, or the add-in dormant: no dialog at all.
    add("no dialog", [](std::vector<Opening>& e) { e.assign(3, Opening{}); });
    for (size_t k = 0; k < 3; ++k) {
      const std::string opening = " at opening " + std::to_string(k + 1);
      // The probe fails: the entry names the operation, the banner keeps the embedded page.
      add("the probe failed" + opening, [&](std::vector<Opening>& e) {
        e[k] = {{ui::kEmbeddedBannerUrl}, "", 1, 1};
      });
      // No embedded page: only the maker's page.
      if (k == 1) {
        add("no page" + opening, [&](std::vector<Opening>& e) { e[k].navigations.clear(); });
      } else {
        add("the maker's page alone" + opening,
            [&](std::vector<Opening>& e) { e[k].navigations.erase(e[k].navigations.begin()); });
      }
      // The embedded page completes while the probe says "reachable": its scroll bars go too.
      if (k != 1) {
        add("the embedded page alone" + opening,
            [&](std::vector<Opening>& e) { e[k].navigations = {ui::kEmbeddedBannerUrl}; });
      }
      // The first opening's frame sets the scroll bars once more.
      if (k == 2) {
        add("the scroll bars kept" + opening, [&](std::vector<Opening>& e) { e[k].scroll = ""; });
      }
      // No probe starts: the banner keeps the embedded page, and the answer of the opening
      // before (the second opening follows an online one) still decides its scroll bars.
      add("no probe" + opening, [&](std::vector<Opening>& e) {
        e[k] = {{ui::kEmbeddedBannerUrl}, k == 1 ? "no" : "", 0, 0};
      });
      // Loaded, never shown: the embedded page is asked for, no probe is made.
      add("the dialog never shown" + opening, [&](std::vector<Opening>& e) {
        e[k] = {{ui::kEmbeddedBannerUrl}, "", 0, 0};
      });
    }
    return outcomes;
  }

  // Whatever failed: every entry of the event log names the probe's operation.
  void ExpectAlways(OutlookStory& s) override {
    EXPECT_EQ(seen_.size(), 3u);
    for (const std::string& entry : s.eventLog->Entries()) {
      EXPECT_TRUE(entry.rfind("A run-time error has occurred in CInternet.Refresh.\r\n", 0) == 0 ||
                  entry.rfind("A run-time error has occurred in CInternet.TryToOpenURL.\r\n", 0) ==
                      0)
          << entry;
    }
  }

 private:
  struct Opening {
    std::vector<std::string> navigations;
    std::string scroll;
    size_t logged = 0;  // event log entries written
    size_t probes = 0;  // connection states asked
  };

  static std::vector<Opening> Clean() {
    std::vector<Opening> e(3);
    e[0] = {{ui::kEmbeddedBannerUrl, kBannerUrl}, "no", 0, 1};
    e[1] = {{ui::kEmbeddedBannerUrl}, "", 0, 1};
    e[2] = {{ui::kEmbeddedBannerUrl, kBannerUrl}, "no", 0, 1};
    return e;
  }

  Outcome Render(const std::vector<Opening>& openings) const {
    Outcome outcome;
    for (size_t i = 0; i < openings.size(); ++i) {
      const Opening& o = openings[i];
      outcome["opening " + std::to_string(i + 1)] =
          Joined(o.navigations) + ", scroll " + o.scroll + ", " +
          std::to_string(eventLogFails_ ? 0 : o.logged) + " logged, " + std::to_string(o.probes) +
          " probes";
    }
    return outcome;
  }

  bool eventLogFails_;
  sim::ItemId mail_ = 0;
  int opening_ = 0;
  std::vector<Opening> seen_;
};

TEST(FaultSweep, TheProbeAndBannerStory) {
  BannerStory story(false);
  SweepAndReport(story, "banner_story", 100);
}

TEST(FaultSweep, TheProbeAndBannerStoryWithTheEventLogFailingToo) {
  BannerStory story(true);
  SweepAndReport(story, "banner_story_event_log_failing", 100);
}

}  // namespace
}  // namespace zormint::test

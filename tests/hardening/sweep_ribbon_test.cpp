// The ribbon story swept: Office loads the add-in's ribbon, the user selects a message with
// pictures, Office asks whether the Home tab's "Zormint" is enabled and the user clicks it, then
// the attachment menu on a selected attachment, then the options of a WordMail message window
// (chosen and opened), and the add-in is switched off, after which Office still asks. Every
// call fails once: a failing Context, selection or attachment call answers "disabled" and its
// click does nothing.
#include "tests/hardening/sweep.h"

namespace zormint::test {
namespace {

class RibbonStory : public SweepStory {
 public:
  std::unique_ptr<OutlookStory> Setup() override {
    auto s = std::make_unique<OutlookStory>();
    mail_ = s->Mail({"a.jpg", "notes.txt", "b.gif"});
    seen_ = Seen{};
    return s;
  }

  void Run(OutlookStory& s, Phases& phases) override {
    const WindowRef main = Xpl(s.mainExplorer);
    phases.Begin("connect");
    s.Connect();
    s.RibbonLoad();

    phases.Begin("select");
    s.outlook.ClearInvalidations();
    s.outlook.Select(s.mainExplorer, {mail_});
    seen_.invalidated = s.outlook.Invalidations().size();

    phases.Begin("home-enabled");
    seen_.homeEnabled = s.RibbonEnabled(main);
    phases.Begin("home-click");
    seen_.homeShown = Launches(s, [&] { s.RibbonClick(main); });

    phases.Begin("attachment-select");
    s.outlook.SelectAttachments(main, {3});
    phases.Begin("menu-enabled");
    seen_.menuEnabled = s.RibbonEnabled(main, "zormint", true);
    phases.Begin("menu-click");
    seen_.menuShown = Launches(s, [&] { s.RibbonClick(main, "zormint", true); });

    phases.Begin("wordmail-open");
    const InspectorId window = s.outlook.OpenInspector(mail_, true);
    phases.Begin("wordmail-enabled");
    seen_.wordMailEnabled = s.RibbonEnabled(Isp(window), "options");
    phases.Begin("wordmail-options");
    if (s.dialogs->PendingScripts() == 0) {
      s.dialogs->OnNextShow([](sim::HeadlessForm& form) {
        form.SelectOnly({1});
        form.Click("cmdOpen");
      });
    }
    seen_.optionsShown = Launches(s, [&] { s.RibbonClick(Isp(window), "options"); });

    phases.Begin("disconnect");
    s.Disconnect(ext_dm_UserClosed);
    phases.Begin("after");
    const size_t before = s.env.faults.Calls().size();
    seen_.enabledAfter = s.RibbonEnabled(main);
    s.RibbonClick(main);
    seen_.callsAfter = s.env.faults.Calls().size() - before;
    s.outlook.CloseInspector(window);
  }

  Outcome Observe(OutlookStory&) override { return Render(seen_); }

  Outcomes Acceptable() const override {
    Outcomes outcomes;
    auto add = [&](const std::string& name, const std::function<void(Seen&)>& change) {
      Seen e;
      e.invalidated = 5;
      e.homeEnabled = e.menuEnabled = e.wordMailEnabled = true;
      e.homeShown = {"a.jpg"};
      e.menuShown = {"a.jpg"};
      e.optionsShown = {"b.gif"};
      change(e);
      outcomes.emplace_back(name, Render(e));
    };
    add("clean", [](Seen&) {});
    add("dormant: no ribbon", [](Seen& e) { e = Seen{}; });
    // A failing Context, selection or attachment call answers "disabled", and its click does
    // nothing.
    add("the Home tab's button disabled", [](Seen& e) { e.homeEnabled = false; });
    add("the Home tab's click showing nothing", [](Seen& e) { e.homeShown = {}; });
    // The first picture cannot be saved: the viewer gets the second.
    add("the Home tab's click showing b.gif", [](Seen& e) { e.homeShown = {"b.gif"}; });
    add("the attachment menu's click showing b.gif", [](Seen& e) { e.menuShown = {"b.gif"}; });
    add("the attachment menu disabled", [](Seen& e) { e.menuEnabled = false; });
    add("the attachment menu's click showing nothing", [](Seen& e) { e.menuShown = {}; });
    add("the message window's options disabled", [](Seen& e) { e.wordMailEnabled = false; });
    add("the message window's options showing nothing", [](Seen& e) { e.optionsShown = {}; });
    // The selection change reaches the add-in without one invalidation, or not at all.
    add("one control not invalidated", [](Seen& e) { e.invalidated = 4; });
    add("the selection change not followed", [](Seen& e) { e.invalidated = 0; });
    return outcomes;
  }

  // Whatever failed: Office's calls after the disconnection reach nothing, and every picture
  // shown is one of the message's.
  void ExpectAlways(OutlookStory& s) override {
    EXPECT_FALSE(seen_.enabledAfter);
    EXPECT_EQ(seen_.callsAfter, 0u);
    for (const sim::ShellExecuteCall& call : s.env.launcher->shellExecutes) {
      const std::string name = call.file.substr(call.file.find_last_of('\\') + 1);
      EXPECT_TRUE(name == "a.jpg" || name == "b.gif") << call.file;
    }
  }

 private:
  struct Seen {
    size_t invalidated = 0;
    bool homeEnabled = false, menuEnabled = false, wordMailEnabled = false;
    std::vector<std::string> homeShown, menuShown, optionsShown;
    bool enabledAfter = true;
    size_t callsAfter = 99;
  };

  static Outcome Render(const Seen& e) {
    auto control = [](bool enabled, const std::vector<std::string>& shown) {
      return std::string(enabled ? "enabled" : "disabled") + ", shown " + Joined(shown);
    };
    return {{"invalidated", std::to_string(e.invalidated)},
            {"home", control(e.homeEnabled, e.homeShown)},
            {"menu", control(e.menuEnabled, e.menuShown)},
            {"message window", control(e.wordMailEnabled, e.optionsShown)}};
  }

  // The names of the pictures a click had the viewer open.
  template <class Click>
  static std::vector<std::string> Launches(OutlookStory& s, Click click) {
    const size_t before = s.env.launcher->shellExecutes.size();
    click();
    std::vector<std::string> names;
    for (size_t i = before; i < s.env.launcher->shellExecutes.size(); ++i) {
      const std::string& file = s.env.launcher->shellExecutes[i].file;
      names.push_back(file.substr(file.find_last_of('\\') + 1));
    }
    return names;
  }

  sim::ItemId mail_ = 0;
  Seen seen_;
};

TEST(FaultSweep, TheRibbonsCallbacks) {
  RibbonStory story;
  SweepAndReport(story, "ribbon_story", 60);
}

}  // namespace
}  // namespace zormint::test

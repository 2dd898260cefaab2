// The ribbon story swept: Office loads the add-in's ribbon, the user selects a message with
// pictures, Office asks whether the Home tab's "Zormint" is enabled and the user clicks it, then
// the attachment menu on a selected attachment, then the options of a WordMail message window
// (chosen and opened), and the add-in is switched off, after which Office still asks. Every
// call fails once: a failing Context, selection or attachment call answers "disabled" and its
// click does nothing.
#include "tests/hardening/sweep.h"

namespace zormint::test {
namespace {

// The calls that find the message a control acts on, and whether it has a picture.
bool FindsTheMessage(const CallSite& f) {
  static const std::set<std::string> members = {"IRibbonControl.Context",
                                                "Explorer.Class",
                                                "Inspector.Class",
                                                "Explorer.CurrentFolder",
                                                "Folder.DefaultItemType",
                                                "Explorer.Selection",
                                                "Selection.Count",
                                                "Selection.Item",
                                                "Item.Class",
                                                "Inspector.CurrentItem",
                                                "AttachmentSelection.Class",
                                                "AttachmentSelection.Count",
                                                "AttachmentSelection.Item",
                                                "Attachment.Parent"};
  return members.count(f.member) > 0;
}

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

  bool Check(OutlookStory& s, const CallSite* failed) override {
    // Whatever failed: Office's calls after the disconnection reach nothing, and every picture
    // shown is one of the message's.
    EXPECT_FALSE(seen_.enabledAfter);
    EXPECT_EQ(seen_.callsAfter, 0u);
    for (const sim::ShellExecuteCall& call : s.env.launcher->shellExecutes) {
      const std::string name = call.file.substr(call.file.find_last_of('\\') + 1);
      EXPECT_TRUE(name == "a.jpg" || name == "b.gif") << call.file;
    }
    Seen e;  // the clean run
    e.invalidated = 5;
    e.homeEnabled = e.menuEnabled = e.wordMailEnabled = true;
    e.homeShown = {"a.jpg"};
    e.menuShown = {"a.jpg"};
    e.optionsShown = {"b.gif"};
    bool invalidationsKnown = true;
    if (failed) {
      const CallSite& f = *failed;
      if (f.Is("Application.Explorers", "connect", 1) || f.Is("Explorers.Count", "connect", 1)) {
        // Without its first call the add-in stays dormant: no ribbon either.
        e = Seen{};
      } else if (f.In("connect")) {
        // The window tracker's start-up: the ribbon does not depend on it, but whether the
        // selection change reaches the add-in does.
        invalidationsKnown = false;
      } else if (f.Is("IRibbonUI.InvalidateControl", "select")) {
        e.invalidated = 4;  // that control only
      } else if (f.In("select") || f.In("attachment-select") || f.In("wordmail-open")) {
        // The command-bar buttons' own calls: the ribbon is as in the clean run.
      } else if (f.In("home-enabled") && FindsTheMessage(f)) {
        e.homeEnabled = false;
      } else if (f.In("home-click") && (FindsTheMessage(f) || f.member == "IRibbonControl.Tag")) {
        e.homeShown = {};
      } else if (f.In("menu-enabled") && FindsTheMessage(f)) {
        e.menuEnabled = false;
      } else if (f.In("menu-click") && (FindsTheMessage(f) || f.member == "IRibbonControl.Tag")) {
        e.menuShown = {};
      } else if (f.In("wordmail-enabled") && FindsTheMessage(f)) {
        e.wordMailEnabled = false;
      } else if (f.In("wordmail-options") &&
                 (FindsTheMessage(f) || f.member == "IRibbonControl.Tag")) {
        e.optionsShown = {};
      } else if (f.In("disconnect") || f.In("after") ||
                 (f.In("connect") && f.member == "Application.Version")) {
        // Nothing the user sees depends on these.
      } else {
        return false;
      }
    }
    if (invalidationsKnown) {
      EXPECT_EQ(seen_.invalidated, e.invalidated);
    }
    EXPECT_EQ(seen_.homeEnabled, e.homeEnabled);
    EXPECT_EQ(seen_.homeShown, e.homeShown);
    EXPECT_EQ(seen_.menuEnabled, e.menuEnabled);
    EXPECT_EQ(seen_.menuShown, e.menuShown);
    EXPECT_EQ(seen_.wordMailEnabled, e.wordMailEnabled);
    EXPECT_EQ(seen_.optionsShown, e.optionsShown);
    return true;
  }

 private:
  struct Seen {
    size_t invalidated = 0;
    bool homeEnabled = false, menuEnabled = false, wordMailEnabled = false;
    std::vector<std::string> homeShown, menuShown, optionsShown;
    bool enabledAfter = true;
    size_t callsAfter = 99;
  };

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
  const SweepFigures figures = Sweep(story);
  EXPECT_GT(figures.calls, 60u);
  EXPECT_EQ(figures.injected, figures.calls);
  // Most failures have a named outcome: the message found or not, the click run or not.
  EXPECT_GT(figures.named, figures.calls / 2);
  Report("ribbon_story", figures);
}

}  // namespace
}  // namespace zormint::test

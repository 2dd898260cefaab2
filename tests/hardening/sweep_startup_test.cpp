// The start-up story swept: the add-in is switched on while Outlook runs (connect mode
// AfterStartup) with two Explorers and a message window open, working folders of earlier runs
// under the temporary folder (one read-only inside, one a link to the user's own folder) and a
// stored custom viewer. The user views the pictures of a message, opens a third Explorer and
// views them there, closes it and switches the add-in off. Every call fails once.
#include <optional>

#include "tests/hardening/sweep.h"

namespace zormint::test {
namespace {

namespace fs = std::filesystem;

class StartupStory : public SweepStory {
 public:
  static constexpr const char* kSuffix = "071226210509";

  std::unique_ptr<OutlookStory> Setup() override {
    auto s = std::make_unique<OutlookStory>();
    const fs::path dir = s->env.dir.Path();
    const fs::path temp = dir / "Temp";
    fs::create_directories(temp / "ZORMINT$071226000001" / "sub");
    TestEnv::WriteFile(platform::FromFsPath(temp / "ZORMINT$071226000001" / "a.jpg"), "old");
    TestEnv::WriteFile(platform::FromFsPath(temp / "ZORMINT$071226000001" / "sub" / "b.jpg"),
                       "old");
    fs::create_directories(temp / "zormint$old" / "ro");
    TestEnv::WriteFile(platform::FromFsPath(temp / "zormint$old" / "c.gif"), "old");
    TestEnv::WriteFile(platform::FromFsPath(temp / "zormint$old" / "ro" / "d.bmp"), "old");
    fs::permissions(temp / "zormint$old" / "c.gif", fs::perms::owner_read);
    fs::permissions(temp / "zormint$old" / "ro" / "d.bmp", fs::perms::owner_read);
    fs::permissions(temp / "zormint$old" / "ro", fs::perms::owner_read | fs::perms::owner_exec);
    fs::create_directories(dir / "Precious");
    TestEnv::WriteFile(platform::FromFsPath(dir / "Precious" / "e.jpg"), "the user's own");
    fs::create_directory_symlink(dir / "Precious", temp / "ZORMINT$link");
    TestEnv::WriteFile(platform::FromFsPath(temp / "ZORMINT$notes"), "my notes");
    fs::create_directories(temp / "Other");
    TestEnv::WriteFile(platform::FromFsPath(temp / "Other" / "f.jpg"), "other");

    viewer_ = s->env.Path("My Apps/view.exe");
    fs::create_directories(dir / "My Apps");
    TestEnv::WriteFile(viewer_, "MZ");
    s->env.settingsStore->Put("ZORMINT", "Startup", "Image Viewer", " 2 ");
    s->env.settingsStore->Put("ZORMINT", "Startup", "User Image App", viewer_);

    mail_ = s->Mail({"p.jpg", "q.gif"});
    secondExplorer_ = s->outlook.OpenExplorer(s->inbox);
    s->outlook.ActivateExplorer(s->mainExplorer);
    inspector_ = s->outlook.OpenInspector(s->Mail({"r.jpg"}));
    seen_ = Seen{};
    return s;
  }

  void Run(OutlookStory& s, Phases& phases) override {
    const WindowRef main = Xpl(s.mainExplorer);
    phases.Begin("connect");
    s.addin->AddinInstance_OnConnection(s.outlook.Application(), ext_cm_AfterStartup);
    s.addin->AddinInstance_OnStartupComplete();
    seen_.leftovers = Leftovers(s);
    seen_.buttons = {s.Buttons(main).size(), s.Buttons(Xpl(secondExplorer_)).size(),
                     s.Buttons(Isp(inspector_)).size()};

    phases.Begin("select");
    s.outlook.Select(s.mainExplorer, {mail_});
    phases.Begin("viewall");
    s.ClickZormint(main);

    phases.Begin("third-explorer");
    const ExplorerId third = s.outlook.OpenExplorer(s.inbox);
    s.outlook.SwitchFolder(third, s.inbox);
    s.outlook.Select(third, {mail_});
    seen_.buttons.push_back(s.Buttons(Xpl(third)).size());
    phases.Begin("third-viewall");
    s.ClickZormint(Xpl(third));
    phases.Begin("third-close");
    s.outlook.CloseExplorer(third);

    phases.Begin("disconnect");
    s.addin->AddinInstance_OnBeginShutdown();
    s.Disconnect(ext_dm_UserClosed);
  }

  Outcome Observe(OutlookStory& s) override {
    std::vector<std::string> buttons;
    for (size_t count : seen_.buttons)
      buttons.push_back(std::to_string(count));
    return {{"leftovers", Joined(seen_.leftovers)},
            {"buttons", Joined(buttons)},
            {"shown", Shown(s)},
            {"saved", Saved(s, {kSuffix, ""})}};
  }

  Outcomes Acceptable() const override {
    Outcomes outcomes;
    const std::string p = "ZORMINT$" + std::string(kSuffix) + "\\p.jpg";
    const std::string q = "ZORMINT$" + std::string(kSuffix) + "\\q.gif";
    auto add = [&](const std::string& name, const std::function<void(Expected&)>& change) {
      Expected e;
      e.launches = {p, p};
      change(e);
      outcomes.emplace_back(name, Render(e));
    };
    const Names all{"ZORMINT$071226000001", "zormint$old", "ZORMINT$link"};
    add("clean", [](Expected&) {});
    add("dormant", [&](Expected& e) {
      e.leftovers = all;  // nothing is created, nothing deleted, nothing shown
      e.buttons = {0, 0, 0, 0};
      e.launches.clear();
      e.mainSaved = e.thirdSaved = {};
    });
    // No temporary folder reported: the Windows folder's "Temp" is the root, and the folders
    // under the other one are not looked at.
    add("the Windows folder's Temp", [&](Expected& e) {
      e.leftovers = all;
      e.root = "Windows\\";
    });
    // No clean-up thread, or the root cannot be read: the clean-up ends.
    add("no clean-up", [&](Expected& e) { e.leftovers = all; });
    for (const std::string& left : all) {
      add(left + " left for the next connection", [&](Expected& e) { e.leftovers = {left}; });
    }
    add("the default viewer", [](Expected& e) { e.viewer.reset(); });
    add("the stored path refused", [](Expected& e) { e.viewer = ""; });
    add("later Explorers not followed", [&](Expected& e) {
      e.buttons = {2, 0, 0, 0};
      e.launches = {p};
      e.thirdSaved = {};
      e.thirdReached = false;
    });
    // Each Explorer that shows pictures: its set-up ends without buttons, or with one
    // unfinished button; its view-all cannot be used; its clock fails; its pictures are not saved
    // or not shown.
    for (const bool main : {true, false}) {
      const std::string window = main ? "the start-up Explorer" : "the third Explorer";
      auto pictures = [main](Expected& e) -> Names& { return main ? e.mainSaved : e.thirdSaved; };
      auto launch = [main](Expected& e) -> std::string& { return e.launches[main ? 0 : 1]; };
      for (size_t buttons : {0, 1}) {
        add(window + " with " + std::to_string(buttons) + " buttons", [&](Expected& e) {
          e.buttons[main ? 0 : 3] = buttons;
          e.launches = {p};
          pictures(e) = {};
          if (!main) e.thirdReached = false;
        });
      }
      add(window + "'s view-all unusable", [&](Expected& e) {
        e.launches = {p};
        pictures(e) = {};
        if (!main) e.thirdReached = false;
      });
      add(window + "'s viewer not started", [&](Expected& e) { e.launches = {p}; });
      add(window + "'s empty stamp", [&](Expected& e) {
        launch(e) = "ZORMINT$\\p.jpg";
        (main ? e.mainStamp : e.thirdStamp) = "";
      });
      add(window + ": p.jpg not saved, q.gif shown", [&](Expected& e) {
        launch(e) = q;
        pictures(e) = {"q.gif"};
      });
      add(window + ": q.gif not saved", [&](Expected& e) { pictures(e) = {"p.jpg"}; });
    }
    // The third Explorer's view-all empties the message's folder and then cannot look at the
    // attachments: nothing saved, nothing shown.
    add("the third Explorer's view-all emptied the folder", [&](Expected& e) {
      e.launches = {p};
      e.thirdSaved = {};
    });
    return outcomes;
  }

  std::set<std::string> Pinned(const CallSite& f) const override {
    if (f.Is("SettingsStore.GetSetting", "connect")) {
      // The picture types read as "off", as they are in this story.
      return {"the default viewer", "the stored path refused", "clean"};
    }
    if (f.Is("FileSystem.GetSpecialFolder", "connect")) return {"the Windows folder's Temp"};
    if (f.member == "Clock.Now") {
      return {"the start-up Explorer's empty stamp", "the third Explorer's empty stamp"};
    }
    return {};
  }

  // Whatever failed: the user's notes beside the working folders and the folder a link pointed
  // to are untouched (the rest outside the working folders is checked for every run).
  void ExpectAlways(OutlookStory& s) override {
    EXPECT_EQ(TestEnv::ReadFile(s.env.Path("Temp/ZORMINT$notes")), "my notes");
    EXPECT_EQ(TestEnv::ReadFile(s.env.Path("Precious/e.jpg")), "the user's own");
  }

 private:
  struct Seen {
    Names leftovers;
    std::vector<size_t> buttons;  // main, second, inspector, third
  };
  struct Expected {
    Names leftovers;
    // Only the active Explorer at connection gets buttons, and the one opened later.
    std::vector<size_t> buttons{2, 0, 0, 2};
    std::optional<std::string> viewer = "view.exe";  // none: the associated viewer
    std::string root;                                // "Windows\\" for the Windows folder's Temp
    std::vector<std::string> launches;               // the pictures shown, in order
    std::string mainStamp = kSuffix, thirdStamp = kSuffix;
    Names mainSaved{"p.jpg", "q.gif"}, thirdSaved{"p.jpg", "q.gif"};
    // Both Explorers show the same message: in the same second they share its folder, which the
    // third Explorer's view-all empties and fills again when it gets that far.
    bool thirdReached = true;
  };

  // Which of the earlier runs' working folders (and the link) are still there.
  static Names Leftovers(OutlookStory& s) {
    Names left;
    for (const char* name : {"ZORMINT$071226000001", "zormint$old", "ZORMINT$link"}) {
      if (fs::exists(fs::symlink_status(s.env.dir.Path() / "Temp" / name))) left.insert(name);
    }
    return left;
  }

  static Outcome Render(const Expected& e) {
    std::vector<std::string> buttons, shown;
    for (size_t count : e.buttons)
      buttons.push_back(std::to_string(count));
    for (const std::string& picture : e.launches)
      shown.push_back((!e.viewer           ? "-"
                       : e.viewer->empty() ? "\"\""
                                           : *e.viewer) +
                      " " + e.root + picture);
    // The pictures of each window's view-all, in the folders of their stamps.
    std::map<std::string, std::multiset<std::string>> folders;
    for (const auto& [stamp, files] :
         {std::pair{e.mainStamp, e.mainSaved}, {e.thirdStamp, e.thirdSaved}}) {
      if (!files.empty()) folders[stamp].insert("{" + Joined(files) + "}");
    }
    if (e.mainStamp == e.thirdStamp) {
      const Names& last = e.thirdReached ? e.thirdSaved : e.mainSaved;
      folders.erase(e.mainStamp);
      if (!last.empty()) folders[e.mainStamp].insert("{" + Joined(last) + "}");
    }
    std::string saved;
    for (const std::string& stamp : {std::string(kSuffix), std::string()}) {
      if (!folders.count(stamp)) continue;
      saved += (saved.empty() ? "" : "; ") + e.root + "ZORMINT$" + stamp;
      for (const std::string& set : folders[stamp])
        saved += " " + set;
    }
    return {{"leftovers", Joined(e.leftovers)},
            {"buttons", Joined(buttons)},
            {"shown", Joined(shown)},
            {"saved", saved}};
  }

  std::string viewer_;
  sim::ItemId mail_ = 0;
  ExplorerId secondExplorer_ = 0;
  InspectorId inspector_ = 0;
  Seen seen_;
};

TEST(FaultSweep, SwitchingTheAddInOnWhileOutlookRuns) {
  StartupStory story;
  SweepAndReport(story, "startup_story", 100);
}

}  // namespace
}  // namespace zormint::test

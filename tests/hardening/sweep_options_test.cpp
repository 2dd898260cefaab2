// The options story swept: in the start-up Explorer the user selects a message, opens "View
// ZORMINT Options" (the banner goes online), unticks one picture, picks a new custom viewer with
// "Bro&wse...", confirms with "&Open", then clicks "View All Picture Attachments"; then switches
// the add-in off. Every host and platform call of it fails once, in its own run.
#include <optional>

#include "net/internet.h"
#include "tests/hardening/sweep.h"
#include "ui/frm_options.h"
#include "ui/options_layout.h"

namespace zormint::test {
namespace {

class OptionsStory : public SweepStory {
 public:
  static constexpr const char* kSuffix = "071226210509";

  std::unique_ptr<OutlookStory> Setup() override {
    auto s = std::make_unique<OutlookStory>();
    oldViewer_ = s->env.Path("Apps/Old Viewer.exe");
    newViewer_ = s->env.Path("Apps/New Viewer.exe");
    std::filesystem::create_directory(s->env.dir.Path() / "Apps");
    TestEnv::WriteFile(oldViewer_, "MZ");
    TestEnv::WriteFile(newViewer_, "MZ");
    s->env.settingsStore->Put("ZORMINT", "Startup", "Image Viewer", "2");
    s->env.settingsStore->Put("ZORMINT", "Startup", "User Image App", oldViewer_);
    s->internet->SetConnected(true);
    mail_ = s->Mail({"notes.pdf", "beach.jpg", "chart.GIF", "dog.bmp"});
    seen_ = Seen{};
    return s;
  }

  void Run(OutlookStory& s, Phases& phases) override {
    const WindowRef main = Xpl(s.mainExplorer);
    phases.Begin("connect");
    s.Connect();
    seen_.buttonsAfterConnect = s.Buttons(main).size();
    std::vector<std::string> writes;
    for (const sim::SettingWrite& w : s.env.settingsStore->writes)
      writes.push_back(FileName(w.value));
    seen_.connectWrites = Joined(writes);

    phases.Begin("select");
    s.outlook.Select(s.mainExplorer, {mail_});

    phases.Begin("options");
    s.dialogs->AnswerFileDialog(newViewer_);
    s.dialogs->OnNextShow([](sim::HeadlessForm& form) {
      if (auto banner = form.Browser(ui::kWbrAdBanner)) banner->CompletePending();
      // The user ticks the pictures by their names, whatever the list holds.
      std::vector<int32_t> ticked;
      const std::vector<sim::ListEntry> entries = form.Entries(ui::kLstPicAttachments);
      for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].text == "beach.jpg" || entries[i].text == "dog.bmp") {
          ticked.push_back(static_cast<int32_t>(i));
        }
      }
      form.SelectOnly(ticked);
      form.ClickOption(ui::kOptCustomViewer);
      form.Click(ui::kCmdBrowse);
      form.Click(ui::kCmdOpen);
    });
    s.ClickOptions(main);
    seen_.afterOptions = Pictures(s);

    phases.Begin("viewall");
    s.ClickZormint(main);

    phases.Begin("disconnect");
    s.Disconnect(ext_dm_UserClosed);
  }

  Outcome Observe(OutlookStory& s) override {
    std::vector<std::string> boxes;
    for (const sim::MessageBoxRecord& box : s.dialogs->MessageBoxes())
      boxes.push_back(box.title);
    std::vector<std::string> logged;
    for (const std::string& entry : s.eventLog->Entries()) {
      const std::string head = "A run-time error has occurred in ";
      const size_t end = entry.find(".\r\nat Line : 0\r\nError Number : ");
      logged.push_back(entry.rfind(head, 0) == 0 && end != std::string::npos
                           ? entry.substr(head.size(), end - head.size())
                           : entry);
    }
    return {{"buttons", std::to_string(seen_.buttonsAfterConnect) + ", left " +
                            std::to_string(s.Buttons(Xpl(s.mainExplorer)).size())},
            {"shown", Shown(s)},
            {"ticked", Joined(seen_.afterOptions)},
            {"saved", Saved(s, {kSuffix, ""})},
            {"stored", Stored(s, "Image Viewer") + " " + FileName(Stored(s, "User Image App"))},
            {"connect writes", seen_.connectWrites},
            {"banner", Joined(Navigations(s)) + ", scroll " + Scroll(s)},
            {"logged", Joined(logged)},
            {"boxes", Joined(boxes)}};
  }

  Outcomes Acceptable() const override {
    Outcomes outcomes;
    auto add = [&](const std::string& name, const std::function<void(Expected&)>& change) {
      Expected e = Clean();
      change(e);
      outcomes.emplace_back(name, Render(e));
    };
    // The options dialog hands nothing back: nothing is stored and the view-all click uses the
    // viewer stored before.
    auto noOptionsResult = [&](Expected& e) {
      e.options.reset();
      e.afterOptions = {};
      e.viewAll = Launch({oldViewer_, "beach.jpg"});
      e.storedPath = oldViewer_;
    };
    // Nothing to click: nothing comes out, nothing is stored.
    auto nothingToClick = [&](Expected& e) {
      noOptionsResult(e);
      e.viewAll.reset();
      e.final = {};
      e.navigations.clear();
      e.scroll = "";
    };
    auto without = [](Names names, const std::string& name) {
      names.erase(name);
      return names;
    };
    add("clean", [](Expected&) {});

    // ---- Connection ----
    add("dormant", [&](Expected& e) {
      nothingToClick(e);
      e.buttonsAfterConnect = 0;
      e.connectWrites = "";
    });
    add("the default viewer", [](Expected& e) { e.connectWrites = "1; Old Viewer.exe; 0"; });
    add("the stored path refused", [](Expected& e) { e.connectWrites = "2; ; 0"; });
    for (const std::string kept : {"Old Viewer.exe; 0", "2; 0", "2; Old Viewer.exe"})
      add("a setting not written at connection", [&](Expected& e) { e.connectWrites = kept; });
    add("the Windows folder's Temp", [](Expected& e) { e.folder = "Windows\\" + e.folder; });
    // The set-up of the buttons ends at the failure and keeps what it did: without both
    // buttons there is nothing a user can use.
    for (size_t buttons : {0, 1}) {
      add(std::to_string(buttons) + " buttons", [&](Expected& e) {
        nothingToClick(e);
        e.buttonsAfterConnect = buttons;
      });
    }
    add("the view-all button unusable", [](Expected& e) {
      e.viewAll.reset();
      e.final = e.afterOptions;
    });
    add("the buttons disabled", [&](Expected& e) { nothingToClick(e); });

    // ---- Selection ----
    add("the empty stamp's folder", [](Expected& e) { e.folder = "ZORMINT$\\"; });
    add("the options button disabled", [&](Expected& e) {
      noOptionsResult(e);
      e.navigations.clear();
      e.scroll = "";
    });

    // ---- The options dialog ----
    add("the dialog never shown", [&](Expected& e) {
      noOptionsResult(e);
      e.navigations = {ui::kEmbeddedBannerUrl};  // loaded, never shown
      e.scroll = "";
    });
    add("the stored viewer confirmed", [&](Expected& e) {
      e.options = e.viewAll = Launch({oldViewer_, "beach.jpg"});
      e.storedPath = oldViewer_;
    });
    // A picture the list could not take is not offered; the viewer gets the first one saved.
    add("beach.jpg not offered", [&](Expected& e) {
      e.afterOptions = {"dog.bmp"};
      e.options = Launch({newViewer_, "dog.bmp"});
    });
    add("dog.bmp not offered", [&](Expected& e) { e.afterOptions = {"beach.jpg"}; });
    add("nothing offered", [&](Expected& e) { noOptionsResult(e); });
    for (const std::string box : {ui::kMsgNoPictures.title, ui::kMsgNoViewerChosen.title,
                                  ui::kMsgNoViewerExe.title, ui::kMsgInvalidViewerTitle}) {
      add("told: " + box, [&](Expected& e) {
        noOptionsResult(e);
        e.boxes = {box};
      });
    }
    add("closed after storing the choice", [](Expected& e) {
      e.options.reset();
      e.afterOptions = {};
    });
    for (const char* operation : {"CInternet.Refresh", "CInternet.TryToOpenURL"}) {
      add(std::string("the probe failed in ") + operation, [&](Expected& e) {
        e.navigations = {ui::kEmbeddedBannerUrl};
        e.scroll = "";
        e.logged = operation;
      });
    }
    add("no probe", [](Expected& e) {
      e.navigations = {ui::kEmbeddedBannerUrl};
      e.scroll = "";
    });
    add("the maker's page alone", [](Expected& e) { e.navigations = {kBannerUrl}; });
    add("the embedded page alone", [](Expected& e) { e.navigations = {ui::kEmbeddedBannerUrl}; });
    add("the scroll bars kept", [](Expected& e) { e.scroll = ""; });
    add("the new path not stored", [&](Expected& e) { e.storedPath = oldViewer_; });
    add("the viewer path refused", [](Expected& e) {
      e.options = e.viewAll = Launch({"", "beach.jpg"});
      e.storedPath = "";
    });
    add("nothing saved from the dialog", [](Expected& e) {
      e.options.reset();
      e.afterOptions = {};
      e.boxes = {ui::kMsgNothingSaved.title};
    });
    add("the dialog's viewer not started", [](Expected& e) { e.options.reset(); });

    // ---- View all ----
    // A picture whose save fails is missing; the viewer is sent to the first picture saved.
    for (const std::string name : {"beach.jpg", "chart.GIF", "dog.bmp"}) {
      add(name + " not saved", [&](Expected& e) {
        e.final = without(e.final, name);
        if (name == "beach.jpg") e.viewAll = Launch({newViewer_, "chart.GIF"});
      });
    }
    add("the message unusable for view-all", [](Expected& e) {
      e.viewAll.reset();  // the folder was emptied before the message turned out unusable
      e.final = {};
    });
    add("view-all's viewer not started", [](Expected& e) { e.viewAll.reset(); });
    add("the view-all folder not made sure of", [](Expected& e) {
      e.viewAll.reset();
      e.final = e.afterOptions;
      e.boxes = {ui::kMsgNothingSaved.title};
    });

    // ---- Switching off ----
    for (size_t left : {1, 2})
      add(std::to_string(left) + " buttons left", [&](Expected& e) { e.buttonsLeft = left; });
    return outcomes;
  }

  std::set<std::string> Pinned(const CallSite& f) const override {
    if (f.Is("SettingsStore.GetSetting", "connect")) {
      // The picture types read as "off", as they are in this story.
      return {"the default viewer", "the stored path refused", "clean"};
    }
    if (f.member == "Clock.Now") return {"the empty stamp's folder"};
    if (f.Is("FileSystem.GetSpecialFolder", "connect")) return {"the Windows folder's Temp"};
    return {};
  }

 private:
  // A showing by the custom viewer: the viewer's path and the picture's name.
  using Launch = std::optional<std::pair<std::string, std::string>>;

  struct Seen {
    size_t buttonsAfterConnect = 0;
    std::string connectWrites;
    Names afterOptions;
  };

  struct Expected {
    size_t buttonsAfterConnect = 2;
    std::string folder = "ZORMINT$" + std::string(kSuffix) + "\\";
    Launch options, viewAll;
    Names afterOptions, final;
    std::string storedPath, connectWrites;
    std::vector<std::string> navigations{ui::kEmbeddedBannerUrl, kBannerUrl};
    std::string scroll = "no";
    std::string logged;  // the operation named by the one event log entry, "" for none
    std::vector<std::string> boxes;
    size_t buttonsLeft = 0;
  };

  Expected Clean() const {
    Expected e;
    e.options = Launch({newViewer_, "beach.jpg"});
    e.viewAll = Launch({newViewer_, "beach.jpg"});
    e.afterOptions = Names{"beach.jpg", "dog.bmp"};
    e.final = {"beach.jpg", "chart.GIF", "dog.bmp"};
    e.storedPath = newViewer_;
    e.connectWrites = "2; Old Viewer.exe; 0";
    return e;
  }

  Outcome Render(const Expected& e) const {
    std::vector<std::string> shown;
    for (const Launch& launch : {e.options, e.viewAll}) {
      if (launch) {
        const std::string viewer = launch->first.empty() ? "\"\"" : FileName(launch->first);
        shown.push_back(viewer + " " + e.folder + launch->second);
      }
    }
    const std::string folder = e.folder.substr(0, e.folder.size() - 1);
    return {{"buttons",
             std::to_string(e.buttonsAfterConnect) + ", left " + std::to_string(e.buttonsLeft)},
            {"shown", Joined(shown)},
            {"ticked", Joined(e.afterOptions)},
            {"saved", e.final.empty() ? "" : folder + " {" + Joined(e.final) + "}"},
            {"stored", "2 " + FileName(e.storedPath)},
            {"connect writes", e.connectWrites},
            {"banner", Joined(e.navigations) + ", scroll " + e.scroll},
            {"logged", e.logged},
            {"boxes", Joined(e.boxes)}};
  }

  static std::string FileName(const std::string& path) {
    return path.substr(path.find_last_of("\\/") + 1);
  }
  static std::string Stored(OutlookStory& s, const std::string& key) {
    return s.env.settingsStore->Peek("ZORMINT", "Startup", key);
  }
  static std::vector<std::string> Navigations(OutlookStory& s) {
    std::vector<std::string> urls;
    for (const auto& browser : s.dialogs->Browsers()) {
      for (const auto& n : browser->Navigations())
        urls.push_back(n.url);
    }
    return urls;
  }
  static std::string Scroll(OutlookStory& s) {
    return s.dialogs->Browsers().empty() ? "" : s.dialogs->Browsers().back()->BodyScroll();
  }
  static Names Pictures(OutlookStory& s) {
    Names names;
    for (const std::string& folder :
         {s.WorkingFolder(kSuffix), s.WorkingFolder(""),
          s.env.windowsFolder + "\\Temp\\ZORMINT$" + std::string(kSuffix) + "\\"}) {
      for (const std::string& name : FilesIn(folder))
        names.insert(name);
    }
    return names;
  }

  std::string oldViewer_, newViewer_;
  sim::ItemId mail_ = 0;
  Seen seen_;
};

TEST(FaultSweep, TheOptionsStoryThroughTheExplorer) {
  OptionsStory story;
  SweepAndReport(story, "options_story", 150);
}

}  // namespace
}  // namespace zormint::test

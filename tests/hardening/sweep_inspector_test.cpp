// The Inspector story swept: a message window opens on a message with pictures, the user views
// them all, the window moves on to a message without pictures and then to one with a picture,
// the options dialog is dismissed with Esc and then confirmed with "&Open", the shown message
// gets unsaved changes and its close is cancelled, the pictures are viewed once more, the
// window closes, and Outlook shuts down. Every host and platform call of it fails once.
#include <optional>

#include "tests/hardening/sweep.h"
#include "ui/options_layout.h"

namespace zormint::test {
namespace {

class InspectorStory : public SweepStory {
 public:
  std::unique_ptr<OutlookStory> Setup() override {
    auto s = std::make_unique<OutlookStory>();
    a_ = s->Mail({"a1.jpg", "notes.txt", "a2.gif"});
    b_ = s->Mail({"b.pdf"});
    c_ = s->Mail({"c.tif"});
    seen_ = Seen{};
    return s;
  }

  void Run(OutlookStory& s, Phases& phases) override {
    phases.Begin("connect");
    s.Connect();

    phases.Begin("open");
    At(s, 9);
    const InspectorId window = s.outlook.OpenInspector(a_);
    const WindowRef w = Isp(window);
    seen_.afterOpen = State(s, w);

    phases.Begin("viewall-a");
    s.ClickZormint(w);

    phases.Begin("move-b");
    At(s, 10);
    s.outlook.MoveInspector(window, b_);
    seen_.afterB = State(s, w);

    phases.Begin("move-c");
    At(s, 11);
    s.outlook.MoveInspector(window, c_);
    seen_.afterC = State(s, w);

    phases.Begin("options-esc");
    Intend(s, "esc");
    s.ClickOptions(w);

    phases.Begin("options-open");
    Intend(s, "open");
    s.ClickOptions(w);

    phases.Begin("unsaved-close");
    At(s, 12);
    s.outlook.SetSaved(c_, false);
    s.outlook.FireItemClose(window);
    s.outlook.SetSaved(c_, true);

    phases.Begin("viewall-c");
    s.ClickZormint(w);

    phases.Begin("close");
    s.outlook.CloseInspector(window);
    seen_.buttonsAfterClose = s.Buttons(w).size();

    phases.Begin("disconnect");
    s.Disconnect(ext_dm_HostShutdown);
  }

  Outcome Observe(OutlookStory& s) override {
    return {{"buttons", seen_.afterOpen + ", " + seen_.afterB + ", " + seen_.afterC + ", left " +
                            std::to_string(seen_.buttonsAfterClose)},
            {"shown", Shown(s)},
            {"saved", Saved(s, {Stamp(9), Stamp(10), Stamp(11), ""})}};
  }

  Outcomes Acceptable() const override {
    Outcomes outcomes;
    const std::string a = "ZORMINT$" + Stamp(9) + "\\", c = "ZORMINT$" + Stamp(11) + "\\";
    auto add = [&](const std::string& name, const std::function<void(Expected&)>& change) {
      Expected e = Clean();
      change(e);
      outcomes.emplace_back(name, Render(e));
    };
    add("clean", [](Expected&) {});
    add("the Windows folder's Temp", [](Expected& e) { e.windowsTemp = true; });
    // The window is not followed or not wrapped, or its buttons are never added; or the set-up
    // of the buttons ends with one unfinished button: nothing to use.
    for (const std::string state : {"none", "one"}) {
      add("the window with " + state + " button", [&](Expected& e) {
        e.afterOpen = e.afterB = e.afterC = state;
        e.shown.clear();
        e.folderA.clear();
        e.folderC.clear();
      });
    }
    add("the view-all button unusable", [&](Expected& e) {
      e.shown = {c + "c.tif"};  // the options button works
      e.folderA.clear();
    });
    add("the first message's pictures not told", [&](Expected& e) {
      // The buttons go disabled; the window moving on re-decides them.
      e.afterOpen = "disabled";
      e.shown = {c + "c.tif", c + "c.tif"};
      e.folderA.clear();
    });
    add("nothing of the first message saved", [](Expected& e) {
      e.shown.erase(e.shown.begin());
      e.folderA.clear();
    });
    add("a1.jpg not saved: a2.gif shown", [&](Expected& e) {
      e.shown[0] = a + "a2.gif";
      e.folderA = {"a2.gif"};
    });
    add("a2.gif not saved", [](Expected& e) { e.folderA = {"a1.jpg"}; });
    add("the first message's viewer not started",
        [](Expected& e) { e.shown.erase(e.shown.begin()); });
    add("one button keeps the state of the message before",
        [](Expected& e) { e.afterB = "mixed"; });
    add("one button of the third message disabled", [&](Expected& e) {
      e.afterC = "mixed";  // only the options button can be used
      e.shown = {a + "a1.jpg", c + "c.tif"};
    });
    add("the third message's pictures not told", [&](Expected& e) {
      e.afterC = "disabled";
      e.shown = {a + "a1.jpg"};
      e.folderC.clear();
    });
    add("the stamp kept on moving on", [&](Expected& e) {
      // The third message's pictures go to the folder of the second message's time.
      const std::string b = "ZORMINT$" + Stamp(10) + "\\";
      e.shown = {a + "a1.jpg", b + "c.tif", b + "c.tif"};
      e.folderB = {"c.tif"};
      e.folderC.clear();
    });
    add("one showing of the third message missing", [&](Expected& e) {
      e.shown = {a + "a1.jpg", c + "c.tif"};
    });
    add("the third message unusable for the last view-all", [&](Expected& e) {
      e.shown = {a + "a1.jpg", c + "c.tif"};  // the folder was emptied first
      e.folderC.clear();
    });
    for (size_t left : {1, 2}) {
      add(std::to_string(left) + " buttons left on closing",
          [&](Expected& e) { e.buttonsAfterClose = left; });
    }
    return outcomes;
  }

  std::set<std::string> Pinned(const CallSite& f) const override {
    if (f.Is("FileSystem.GetSpecialFolder", "connect")) return {"the Windows folder's Temp"};
    // A message whose attachments cannot be looked at when its window shows it may have
    // pictures or not: its buttons go disabled rather than offer what may not be there.
    const bool firstLook =
        (f.member == "Item.Attachments" || f.member == "Attachments.Count") && f.occurrence == 1;
    if (firstLook && f.Is(f.member, "open")) return {"the first message's pictures not told"};
    if (firstLook && f.Is(f.member, "move-c")) return {"the third message's pictures not told"};
    return {};
  }

 private:
  // The buttons of the window: "none", "one", "enabled", "disabled" or "mixed".
  static std::string State(OutlookStory& s, WindowRef w) {
    const std::vector<ControlView> buttons = s.Buttons(w);
    if (buttons.empty()) return "none";
    if (buttons.size() == 1) return "one";
    if (buttons[0].enabled != buttons[1].enabled) return "mixed";
    return buttons[0].enabled ? "enabled" : "disabled";
  }
  // What the user will do in the next dialog that shows. One script is queued at a time, and
  // it acts on whatever dialog appears next.
  void Intend(OutlookStory& s, const std::string& intent) {
    intent_ = intent;
    if (s.dialogs->PendingScripts() > 0) return;
    s.dialogs->OnNextShow([this](sim::HeadlessForm& form) {
      if (intent_ == "esc") {
        form.PressEsc();
      } else {
        form.Click(ui::kCmdOpen);
      }
    });
  }
  static void At(OutlookStory& s, int second) { s.env.clock->now = {2026, 12, 7, 21, 5, second}; }
  static std::string Stamp(int second) {
    return "0712262105" + std::to_string(second + 100).substr(1);
  }

  struct Seen {
    std::string afterOpen, afterB, afterC;
    size_t buttonsAfterClose = 0;
  };
  struct Expected {
    std::string afterOpen = "enabled", afterB = "disabled", afterC = "enabled";
    std::vector<std::string> shown;
    Names folderA, folderB, folderC;
    size_t buttonsAfterClose = 0;
    bool windowsTemp = false;  // the working folders lie in the Windows folder's "Temp"
  };

  Expected Clean() const {
    Expected e;
    const std::string a = "ZORMINT$" + Stamp(9) + "\\", c = "ZORMINT$" + Stamp(11) + "\\";
    e.shown = {a + "a1.jpg", c + "c.tif", c + "c.tif"};
    e.folderA = {"a1.jpg", "a2.gif"};
    e.folderC = {"c.tif"};
    return e;
  }

  Outcome Render(const Expected& e) const {
    const std::string root = e.windowsTemp ? "Windows\\" : "";
    std::vector<std::string> shown, saved;
    for (const std::string& picture : e.shown)
      shown.push_back("- " + root + picture);
    for (const auto& [second, files] :
         {std::pair<int, Names>{9, e.folderA}, {10, e.folderB}, {11, e.folderC}}) {
      if (!files.empty())
        saved.push_back(root + "ZORMINT$" + Stamp(second) + " {" + Joined(files) + "}");
    }
    return {{"buttons", e.afterOpen + ", " + e.afterB + ", " + e.afterC + ", left " +
                            std::to_string(e.buttonsAfterClose)},
            {"shown", Joined(shown)},
            {"saved", Joined(saved)}};
  }

  sim::ItemId a_ = 0, b_ = 0, c_ = 0;
  std::string intent_;
  Seen seen_;
};

TEST(FaultSweep, TheInspectorStory) {
  InspectorStory story;
  SweepAndReport(story, "inspector_story", 150);
}

}  // namespace
}  // namespace zormint::test

// Outlook's own habits: the add-in switched on while Outlook runs (connect mode AfterStartup),
// let go of while its dialog is open, and Outlook's fast shutdown, which ends the process
// without calling OnDisconnection.
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "addin/zormint.h"
#include "sim/fakes/fake_net.h"
#include "tests/hardening/hardening.h"
#include "tests/stories/outlook_story.h"
#include "ui/options_layout.h"

namespace zormint::test {
namespace {

namespace fs = std::filesystem;

// What one connection did, as seen from outside: every call it made to Outlook and the platform,
// the buttons of every window, the files, the viewers started and the settings written.
struct Outcome {
  std::vector<std::string> calls;
  std::vector<size_t> buttons;
  std::vector<bool> enabled;
  Tree files;
  std::vector<std::string> shown;
  std::vector<std::string> writes;
  bool operator==(const Outcome&) const = default;
};

// Outlook running with two Explorers (the first active) and a message window open, a working
// folder left by an earlier run, and a stored choice of the associated viewer.
Outcome ConnectAndUse(int32_t connectMode) {
  OutlookStory s;
  fs::create_directories(s.env.dir.Path() / "Temp" / "ZORMINT$010101000000");
  s.env.settingsStore->Put("ZORMINT", "Startup", "Image Viewer", "1");
  const ItemId mail = s.Mail({"notes.pdf", "beach.jpg"});
  const ExplorerId second = s.outlook.OpenExplorer(s.inbox);
  s.outlook.ActivateExplorer(s.mainExplorer);
  const InspectorId window = s.outlook.OpenInspector(mail);
  s.env.faults.ClearCalls();

  s.addin->AddinInstance_OnConnection(s.outlook.Application(), connectMode);
  if (connectMode == ext_cm_Startup) s.addin->AddinInstance_OnStartupComplete();
  s.outlook.Select(s.mainExplorer, {mail});
  s.ClickZormint(Xpl(s.mainExplorer));
  s.dialogs->OnNextShow([](sim::HeadlessForm& form) { form.Click(ui::kCmdOpen); });
  s.ClickOptions(Xpl(s.mainExplorer));
  const ExplorerId third = s.OpenExplorer();

  Outcome o;
  for (const WindowRef w : {Xpl(s.mainExplorer), Xpl(second), Xpl(third), Isp(window)}) {
    const std::vector<ControlView> buttons = s.Buttons(w);
    o.buttons.push_back(buttons.size());
    for (const ControlView& b : buttons)
      o.enabled.push_back(b.enabled);
  }
  s.DisconnectAndExpectNothingHeld(ext_dm_UserClosed);
  o.calls = s.env.faults.Calls();
  // Paths are compared relative to each run's own test directory.
  o.files = ReadTree(s.env.dir.Path());
  for (const auto& call : s.env.launcher->shellExecutes)
    o.shown.push_back(call.file.substr(s.env.dir.Text().size()));
  for (const auto& w : s.env.settingsStore->writes)
    o.writes.push_back(w.key + "=" + w.value);
  return o;
}

TEST(OutlookHabits, SwitchingTheAddInOnWhileOutlookRunsWorksLikeStartUp) {
  const Outcome startUp = ConnectAndUse(ext_cm_Startup);
  const Outcome afterStartUp = ConnectAndUse(ext_cm_AfterStartup);
  // Only the active Explorer is wrapped at once; the Explorer opened afterwards gets its buttons
  // at its folder switch; the windows already open get none.
  EXPECT_EQ(startUp.buttons, (std::vector<size_t>{2, 0, 2, 0}));
  EXPECT_EQ(startUp.shown.size(), 2u);
  EXPECT_FALSE(startUp.files.count("Temp/ZORMINT$010101000000/"));
  // The same calls in the same order, the same windows, files, viewers and settings.
  EXPECT_EQ(afterStartUp.calls, startUp.calls);
  EXPECT_TRUE(afterStartUp == startUp);
}

// ---- Let go of inside the dialog -----------------------------------------------------------

// Outlook lets go of the add-in while its dialog is open: the user switches it off in the COM
// Add-ins dialog (OnDisconnection with mode 1, then the object is released), Outlook shuts down
// (mode 0, then released), or a fast shutdown just releases it. The dialog's modal loop is what
// runs it, so the handler that opened the dialog is still on the stack: afterwards nothing freed
// is touched, the dialog is closed, nothing is extracted, started, written or stored, no
// Outlook object is called, and the add-in can be switched on again.
TEST(OutlookHabits, TheAddInLetGoOfInsideItsDialog) {
  enum class Ending { kSwitchedOff, kHostShutdown, kReleasedOnly };
  for (const bool inInspector : {false, true}) {
    for (const Ending ending :
         {Ending::kSwitchedOff, Ending::kHostShutdown, Ending::kReleasedOnly}) {
      SCOPED_TRACE(std::string(inInspector ? "Inspector" : "Explorer") + ", ending " +
                   std::to_string(static_cast<int>(ending)));
      OutlookStory s;
      s.Connect();
      const ItemId mail = s.Mail({"a.jpg", "b.jpg"});
      s.outlook.Select(s.mainExplorer, {mail});
      const InspectorId id = inInspector ? s.outlook.OpenInspector(mail) : 0;
      const WindowRef window = inInspector ? Isp(id) : Xpl(s.mainExplorer);
      const Tree before = ReadTree(s.env.dir.Path());
      size_t callsAtRelease = 0, writesAtRelease = 0;
      bool stillShown = true;
      s.dialogs->OnNextShow([&](sim::HeadlessForm& form) {
        form.SelectOnly({1});
        if (ending != Ending::kReleasedOnly) {
          s.Disconnect(ending == Ending::kSwitchedOff ? ext_dm_UserClosed : ext_dm_HostShutdown);
        }
        s.addin.reset();
        callsAtRelease = s.env.faults.Calls().size();
        writesAtRelease = s.env.settingsStore->writes.size();
        stillShown = form.Shown();
        form.Click("cmdOpen");  // too late: the dialog closed with the add-in
      });
      EXPECT_TRUE(s.ClickOptions(window));
      EXPECT_FALSE(stillShown);
      EXPECT_FALSE(s.dialogs->Modal());
      EXPECT_EQ(s.env.faults.Calls().size(), callsAtRelease);
      EXPECT_TRUE(s.Shown().empty());
      EXPECT_EQ(s.env.settingsStore->writes.size(), writesAtRelease);
      EXPECT_EQ(ReadTree(s.env.dir.Path()), before);
      s.ExpectNothingHeld();
      // The buttons go when the user switches the add-in off; Outlook discards them otherwise.
      EXPECT_EQ(s.Buttons(window).size(), ending == Ending::kSwitchedOff ? 0u : 2u);

      // Switched on again in the same process, it works as at start-up.
      if (ending != Ending::kSwitchedOff) continue;
      s.addin = std::make_unique<dsrWrapper>(s.env.globals.services);
      s.addin->AddinInstance_OnConnection(s.outlook.Application(), ext_cm_AfterStartup);
      s.outlook.Select(s.mainExplorer, {mail});
      EXPECT_TRUE(s.Enabled(Xpl(s.mainExplorer)));
      EXPECT_TRUE(s.ClickZormint(Xpl(s.mainExplorer)));
      EXPECT_EQ(s.Shown().size(), 1u);
      s.DisconnectAndExpectNothingHeld(ext_dm_UserClosed);
    }
  }
}

// ---- Fast shutdown ----------------------------------------------------------------------------

// Outlook 2010 and later may end without calling OnDisconnection: the add-in object is released
// while connected, perhaps after Outlook's objects are gone already.
TEST(OutlookHabits, ReleasedWithoutDisconnectionTheAddInLetsGoOfEverything) {
  OutlookStory s;
  s.Connect();
  InspectorId window = s.outlook.OpenInspector(s.Mail({"a.jpg"}));
  s.outlook.Select(s.mainExplorer, {s.Mail({"b.jpg"})});
  s.ClickZormint(Xpl(s.mainExplorer));
  EXPECT_GT(s.outlook.LiveReferences(), 0);

  s.addin.reset();  // no OnDisconnection
  s.ExpectNothingHeld();
  // Like a host shutdown: the temporary buttons are left for Outlook to discard.
  EXPECT_EQ(s.Buttons(Xpl(s.mainExplorer)).size(), 2u);
  EXPECT_EQ(s.Buttons(Isp(window)).size(), 2u);
}

// The platform services without a fault plan, so that they outlive the simulated Outlook.
struct Platform {
  TempDir dir;
  Services services;
  std::shared_ptr<sim::FakeLauncher> launcher = std::make_shared<sim::FakeLauncher>();
  Platform() {
    fs::create_directory(dir.Path() / "Temp");
    services.fileSystem =
        std::make_shared<platform::PortableFileSystem>(platform::FromFsPath(dir.Path() / "Temp"));
    services.launcher = launcher;
    services.settingsStore = std::make_shared<sim::MemorySettingsStore>();
    services.clock = std::make_shared<sim::FakeClock>();
    services.scriptShell = std::make_shared<sim::FakeScriptShellFactory>();
    services.messagePump = std::make_shared<sim::FakeMessagePump>();
    services.resources = std::make_shared<sim::FakeResources>();
    services.internet = std::make_shared<sim::FakeInternet>();
    services.eventLog = std::make_shared<sim::FakeEventLog>();
    services.dialogs = std::make_shared<sim::HeadlessDialogs>();
    services.background = std::make_shared<sim::FakeBackground>();
  }
};

// Connects an add-in to a fresh Outlook with one Explorer on a message with a picture, and
// views it.
std::shared_ptr<sim::Outlook> ConnectedOutlook(dsrWrapper& addin) {
  std::shared_ptr<sim::Outlook> outlook = sim::Outlook::Create();
  const sim::FolderId inbox = outlook->AddFolder("Inbox", host::kOlMailItem);
  sim::ItemSpec contents;
  contents.attachments.push_back({"a.jpg", "bytes"});
  const sim::ItemId mail = outlook->AddItem(inbox, contents);
  const sim::ExplorerId explorer = outlook->OpenExplorer(inbox);
  addin.AddinInstance_OnConnection(outlook->Application(), ext_cm_Startup);
  outlook->Select(explorer, {mail});
  const std::vector<ControlView> buttons = outlook->AddInControls({WindowRef::kExplorer, explorer});
  if (buttons.size() == 2) outlook->Click({WindowRef::kExplorer, explorer}, buttons[1].tag);
  return outlook;
}

TEST(OutlookHabits, OutlookGoneFirstThenTheAddInReleasedWithoutDisconnection) {
  Platform platform;
  auto addin = std::make_unique<dsrWrapper>(platform.services);
  std::shared_ptr<sim::Outlook> outlook = ConnectedOutlook(*addin);
  EXPECT_EQ(platform.launcher->shellExecutes.size(), 1u);
  std::weak_ptr<CZormint> tracker = addin->Tracker();
  outlook.reset();  // Outlook's objects are gone: every call now fails as disconnected
  addin.reset();
  EXPECT_TRUE(tracker.expired());
}

// The process ends while the add-in is connected, and nothing was disconnected: each way of
// ending runs in a child process, which must exit normally (a crash, a hang or a sanitizer
// report makes it exit otherwise).
enum class Ending { kOutlookFirst, kAddInFirst, kWithoutDestructors };

int EndTheProcess(Ending ending) {
  Platform platform;  // made here, so that this process removes its directory
  const pid_t child = fork();
  if (child == 0) {
    alarm(60);  // a hang ends the child with SIGALRM
    // Objects with static storage are destroyed in the reverse order of their construction.
    if (ending == Ending::kAddInFirst) {
      static std::shared_ptr<sim::Outlook> outlook;
      static std::unique_ptr<dsrWrapper> addin;
      addin = std::make_unique<dsrWrapper>(platform.services);
      outlook = ConnectedOutlook(*addin);
    } else {
      static std::unique_ptr<dsrWrapper> addin;
      static std::shared_ptr<sim::Outlook> outlook;
      addin = std::make_unique<dsrWrapper>(platform.services);
      outlook = ConnectedOutlook(*addin);
      if (ending == Ending::kWithoutDestructors) _exit(0);
    }
    std::exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return status;
}

TEST(OutlookHabits, TheProcessEndingWithoutDisconnectionEndsCleanly) {
  for (Ending ending : {Ending::kOutlookFirst, Ending::kAddInFirst, Ending::kWithoutDestructors}) {
    const int status = EndTheProcess(ending);
    EXPECT_TRUE(WIFEXITED(status))
        << "ending " << static_cast<int>(ending) << ": status " << status;
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 0)
        << "ending " << static_cast<int>(ending);
  }
}

}  // namespace
}  // namespace zormint::test

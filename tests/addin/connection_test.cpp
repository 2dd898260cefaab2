// The add-in's connection and disconnection on the simulated Outlook, as a user would see them.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "net/internet.h"
#include "pictures/pic_attachments.h"
#include "settings/settings.h"
#include "tests/stories/outlook_story.h"

namespace zormint::test {
namespace {

namespace fs = std::filesystem;

// The position of the first call of a member in the call record, or the record's size.
size_t FirstCall(const sim::FaultPlan& faults, const std::string& prefix) {
  const auto& calls = faults.Calls();
  auto it = std::find_if(calls.begin(), calls.end(),
                         [&](const std::string& c) { return c.rfind(prefix, 0) == 0; });
  return static_cast<size_t>(it - calls.begin());
}

// The connection's objects of the rooms above `context`: one per class, whichever room asks, and
// when their Globals goes, the last made goes first and may still reach those made before it.
TEST(Connection, TheRoomsObjectsGoTheLastMadeFirst) {
  std::vector<std::string> gone;
  struct First {
    explicit First(std::vector<std::string>& log) : log_(log) {}
    ~First() { log_.push_back("first"); }
    std::vector<std::string>& log_;
  };
  struct Second {
    Second(Globals& g, std::vector<std::string>& log) : g_(g), log_(log) {}
    ~Second() { log_.push_back(g_.objects.Of<First>() ? "second, first kept" : "second alone"); }
    Globals& g_;
    std::vector<std::string>& log_;
  };
  {
    auto g = std::make_unique<Globals>();
    g->objects.Of<First>() = std::make_shared<First>(gone);
    g->objects.Of<Second>() = std::make_shared<Second>(*g, gone);
    EXPECT_EQ(g->objects.Of<First>().get(), g->objects.Of<First>().get());
    EXPECT_NE(static_cast<void*>(g->objects.Of<First>().get()),
              static_cast<void*>(g->objects.Of<Second>().get()));
  }
  EXPECT_EQ(gone, (std::vector<std::string>{"second, first kept", "first"}));
}

TEST(Connection, WithoutAnExplorerTheAddInStaysDormantUntilDisconnected) {
  OutlookStory s(/*openExplorer=*/false);
  fs::create_directory(s.env.dir.Path() / "Temp" / "ZORMINT$010101000000");
  s.Connect();

  Globals& g = s.G();
  EXPECT_FALSE(s.addin->Tracker());
  EXPECT_FALSE(g.gfsoFileSystem);
  EXPECT_FALSE(gclsPicAttachments(g));
  EXPECT_FALSE(gclsSettings(g));
  EXPECT_FALSE(gclsInternet(g));
  EXPECT_TRUE(fs::exists(s.env.dir.Path() / "Temp" / "ZORMINT$010101000000"));
  EXPECT_EQ(s.env.settingsStore->reads, 0);

  // An Explorer opened later is not tracked at all.
  ExplorerId later = s.OpenExplorer();
  s.outlook.Select(later, {s.Mail({"a.jpg"})});
  EXPECT_TRUE(s.Buttons(Xpl(later)).empty());

  const size_t calls = s.env.faults.Calls().size();
  s.Disconnect(ext_dm_UserClosed);
  EXPECT_EQ(s.env.faults.Calls().size(), calls);  // quietly: nothing is asked of anyone
  s.ExpectNothingHeld();
  EXPECT_TRUE(fs::exists(s.env.dir.Path() / "Temp" / "ZORMINT$010101000000"));
}

TEST(Connection, AnExplorersCountThatCannotBeReadCountsAsNoExplorer) {
  OutlookStory s;
  s.env.faults.FailMember("Explorers.Count");
  s.Connect();
  EXPECT_FALSE(s.addin->Tracker());
  EXPECT_FALSE(gclsPicAttachments(s.G()));
  EXPECT_TRUE(s.Buttons(Xpl(s.mainExplorer)).empty());
  s.DisconnectAndExpectNothingHeld(ext_dm_HostShutdown);
}

TEST(Connection, CreatesTheObjectsInOrderAndDeletesEarlierWorkingFoldersAfterTheTrackerRuns) {
  OutlookStory s;
  fs::create_directory(s.env.dir.Path() / "Temp" / "ZORMINT$010101000000");
  fs::create_directory(s.env.dir.Path() / "Temp" / "Other");
  s.Connect();

  Globals& g = s.G();
  EXPECT_EQ(g.gfsoFileSystem, s.env.fileSystem);
  ASSERT_TRUE(gclsPicAttachments(g));
  EXPECT_EQ(gclsPicAttachments(g)->TempRoot(), s.env.temporaryFolder + "\\");
  ASSERT_TRUE(gclsSettings(g));
  EXPECT_EQ(gclsSettings(g)->Value(rvImageViewer), "1");
  ASSERT_TRUE(gclsInternet(g));
  EXPECT_FALSE(gclsInternet(g)->IsConnected());
  EXPECT_TRUE(s.internet->Calls().empty());  // nothing is probed at connection

  EXPECT_FALSE(fs::exists(s.env.dir.Path() / "Temp" / "ZORMINT$010101000000"));
  EXPECT_TRUE(fs::exists(s.env.dir.Path() / "Temp" / "Other"));

  // The tracker (and the start-up Explorer's buttons) come before the picture engine touches
  // the disk, and the settings are read after that.
  const auto& faults = s.env.faults;
  EXPECT_LT(FirstCall(faults, "Explorers.Count"), FirstCall(faults, "Application.Inspectors"));
  EXPECT_LT(FirstCall(faults, "CommandBarControls.Add"), FirstCall(faults, "FileSystem."));
  EXPECT_LT(FirstCall(faults, "FileSystem."), FirstCall(faults, "SettingsStore."));
  EXPECT_LT(FirstCall(faults, "SettingsStore."), faults.Calls().size());

  EXPECT_EQ(s.Tracker().ExplorerKeys(), std::vector<std::string>{"1UNT"});
  EXPECT_FALSE(s.Enabled(Xpl(s.mainExplorer)));
  s.DisconnectAndExpectNothingHeld(ext_dm_UserClosed);
}

// The clean-up of earlier runs' working folders runs beside Outlook: the connection only starts
// it. A folder this connection has begun to use (an earlier run's in the same second bore its
// name) is left alone; a disconnection stops the clean-up, and the next connection goes on.
TEST(Connection, EarlierWorkingFoldersAreDeletedBesideOutlookNeverThisConnectionsOwn) {
  OutlookStory s;
  const fs::path temp = s.env.dir.Path() / "Temp";
  for (const char* name : {"ZORMINT$010101000000", "ZORMINT$071226210509", "ZORMINT$x-2"}) {
    fs::create_directory(temp / name);
    TestEnv::WriteFile(platform::FromFsPath(temp / name / "old.jpg"), "old");
  }
  s.env.background->holdWork = true;
  s.Connect();
  EXPECT_EQ(s.env.background->starts, 1);
  EXPECT_EQ(s.env.faults.CallCount("FileSystem.FolderContents"), 0u);  // not on Outlook's thread
  EXPECT_TRUE(fs::exists(temp / "ZORMINT$010101000000" / "old.jpg"));

  s.outlook.Select(s.mainExplorer, {s.Mail({"new.jpg"})});
  s.ClickZormint(Xpl(s.mainExplorer));
  s.env.background->RunPending();
  EXPECT_FALSE(fs::exists(temp / "ZORMINT$010101000000"));
  EXPECT_FALSE(fs::exists(temp / "ZORMINT$x-2"));
  EXPECT_TRUE(s.Saved("071226210509", "new.jpg"));
  // Once the clean-up has ended, a later click's folder is no longer kept from it.
  s.outlook.Select(s.mainExplorer, {s.Mail({"later.jpg"})});
  s.ClickZormint(Xpl(s.mainExplorer));
  s.DisconnectAndExpectNothingHeld(ext_dm_UserClosed);

  // Switched off before the clean-up got its turn: it deletes nothing; the next connection does.
  fs::create_directory(temp / "ZORMINT$020202000000");
  s.Connect();
  EXPECT_EQ(s.env.background->Pending(), 1u);
  s.Disconnect(ext_dm_UserClosed);
  EXPECT_EQ(s.env.background->Pending(), 0u);  // waited for at the disconnection
  EXPECT_TRUE(fs::exists(temp / "ZORMINT$020202000000"));
  s.env.background->holdWork = false;
  s.Connect();
  EXPECT_FALSE(fs::exists(temp / "ZORMINT$020202000000"));
  EXPECT_FALSE(fs::exists(temp / "ZORMINT$071226210509"));
  s.DisconnectAndExpectNothingHeld(ext_dm_UserClosed);

  // No thread to be had: the folders wait for the next connection, and nothing else changes.
  fs::create_directory(temp / "ZORMINT$030303000000");
  s.env.faults.FailMember("Background.Start");
  s.Connect();
  EXPECT_TRUE(fs::exists(temp / "ZORMINT$030303000000"));
  EXPECT_TRUE(s.env.trace->Find("Background.Start"));
  EXPECT_TRUE(gclsSettings(s.G()));
  s.DisconnectAndExpectNothingHeld(ext_dm_UserClosed);
}

TEST(Connection, AFailingStepIsSkippedAndTheNextOneRuns) {
  OutlookStory s;
  // The tracker cannot wrap the active Explorer; the other objects are still created.
  s.env.faults.FailMember("Application.ActiveExplorer");
  s.Connect();
  EXPECT_TRUE(s.addin->Tracker());
  EXPECT_TRUE(s.Tracker().ExplorerKeys().empty());
  EXPECT_TRUE(gclsPicAttachments(s.G()));
  EXPECT_TRUE(gclsSettings(s.G()));
  EXPECT_TRUE(gclsInternet(s.G()));
  EXPECT_TRUE(s.Buttons(Xpl(s.mainExplorer)).empty());
  // New windows are still tracked: the collections' events were connected.
  ExplorerId later = s.OpenExplorer();
  EXPECT_EQ(s.Buttons(Xpl(later)).size(), 2u);
  s.DisconnectAndExpectNothingHeld(ext_dm_HostShutdown);
}

TEST(Connection, TheOtherAddInEventsChangeNothing) {
  OutlookStory s;
  s.addin->AddinInstance_OnStartupComplete();
  EXPECT_TRUE(s.env.faults.Calls().empty());
  s.Connect();
  const size_t calls = s.env.faults.Calls().size();
  s.addin->AddinInstance_OnStartupComplete();
  s.addin->AddinInstance_OnAddInsUpdate();
  s.addin->AddinInstance_OnBeginShutdown();
  EXPECT_EQ(s.env.faults.Calls().size(), calls);
  EXPECT_EQ(s.Buttons(Xpl(s.mainExplorer)).size(), 2u);
  s.Disconnect(ext_dm_UserClosed);
  s.addin->AddinInstance_OnBeginShutdown();
  s.ExpectNothingHeld();
}

// A session with buttons on two Explorers and an Inspector.
struct ThreeWindows {
  explicit ThreeWindows(OutlookStory& s) {
    s.Connect();
    second = s.OpenExplorer();
    ItemId mail = s.Mail({"a.jpg"});
    s.outlook.Select(s.mainExplorer, {mail});
    inspector = s.outlook.OpenInspector(mail);
    EXPECT_EQ(s.Buttons(Xpl(s.mainExplorer)).size(), 2u);
    EXPECT_EQ(s.Buttons(Xpl(second)).size(), 2u);
    EXPECT_EQ(s.Buttons(Isp(inspector)).size(), 2u);
  }
  ExplorerId second = 0;
  InspectorId inspector = 0;
};

TEST(Disconnection, SwitchingTheAddInOffRemovesTheButtonsFromEveryWindow) {
  OutlookStory s;
  ThreeWindows w(s);
  s.Disconnect(ext_dm_UserClosed);

  EXPECT_TRUE(s.Buttons(Xpl(s.mainExplorer)).empty());
  EXPECT_TRUE(s.Buttons(Xpl(w.second)).empty());
  EXPECT_TRUE(s.Buttons(Isp(w.inspector)).empty());
  // The host's own controls stay.
  EXPECT_EQ(s.outlook.Controls(Xpl(s.mainExplorer), "Standard").size(), 3u);
  EXPECT_FALSE(s.addin->Tracker());
  EXPECT_FALSE(s.G().gfsoFileSystem);
  EXPECT_FALSE(gclsPicAttachments(s.G()));
  EXPECT_FALSE(gclsSettings(s.G()));
  EXPECT_FALSE(gclsInternet(s.G()));
  s.ExpectNothingHeld();

  // Windows opened afterwards get nothing.
  ExplorerId later = s.OpenExplorer();
  EXPECT_TRUE(s.Buttons(Xpl(later)).empty());
}

TEST(Disconnection, AtHostShutdownTheButtonsAreLeftButNothingIsHeld) {
  OutlookStory s;
  ThreeWindows w(s);
  s.Disconnect(ext_dm_HostShutdown);

  EXPECT_EQ(s.Buttons(Xpl(s.mainExplorer)).size(), 2u);
  EXPECT_EQ(s.Buttons(Xpl(w.second)).size(), 2u);
  EXPECT_EQ(s.Buttons(Isp(w.inspector)).size(), 2u);
  EXPECT_FALSE(s.addin->Tracker());
  s.ExpectNothingHeld();
  // A click on a left button reaches nobody.
  EXPECT_TRUE(s.ClickZormint(Xpl(s.mainExplorer)));
  EXPECT_TRUE(s.Shown().empty());
  // They were temporary controls: the host discards them itself.
  s.outlook.DiscardTemporaryControls();
  EXPECT_TRUE(s.Buttons(Xpl(s.mainExplorer)).empty());
  EXPECT_TRUE(s.Buttons(Isp(w.inspector)).empty());
}

TEST(Disconnection, AnyOtherRemoveModeIsAHostShutdownAndReleasingTheAddInDisconnectsIt) {
  OutlookStory s;
  ThreeWindows w(s);
  s.Disconnect(7);
  EXPECT_EQ(s.Buttons(Xpl(w.second)).size(), 2u);
  s.ExpectNothingHeld();

  OutlookStory t;
  ThreeWindows u(t);
  t.addin.reset();  // released while connected
  EXPECT_EQ(t.Buttons(Isp(u.inspector)).size(), 2u);
  t.ExpectNothingHeld();
}

TEST(Disconnection, ARejectedUnadviseIsTriedAgain) {
  OutlookStory s;
  ThreeWindows w(s);
  s.env.faults.FailMember("Explorer.Unadvise", 1, err::kCallRejected);
  s.env.faults.FailMember("Explorers.Unadvise", 1, err::kCallRejected);
  s.env.faults.FailMember("CommandBarButton.Unadvise", 2, err::kCallRejected);
  s.Disconnect(ext_dm_HostShutdown);
  EXPECT_EQ(s.env.faults.InjectedCount(), 3u);
  s.ExpectNothingHeld();
}

TEST(Disconnection, ConnectingAgainAfterSwitchingOffStartsAfresh) {
  OutlookStory s;
  ThreeWindows w(s);
  s.Disconnect(ext_dm_UserClosed);
  s.Connect();  // the active Explorer is the last one opened
  EXPECT_EQ(s.Tracker().ExplorerKeys(), std::vector<std::string>{"1UNT"});
  EXPECT_EQ(s.Buttons(Xpl(w.second))[0].tag, "EXPLORER11");
  EXPECT_TRUE(s.Buttons(Xpl(s.mainExplorer)).empty());
  s.DisconnectAndExpectNothingHeld(ext_dm_UserClosed);
}

}  // namespace
}  // namespace zormint::test

// Long runs of the real add-in in one process: a hundred connections and disconnections, and a
// long session with thousands of selections and clicks and windows opened and closed in every
// order. What the process holds (handles, GDI and USER objects, private memory, heap bytes)
// and what the add-in holds of Outlook's stay flat. Also the time the connection takes with a
// crowded temporary folder (printed, not asserted).
#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <numeric>

#include "hardening_fixture.h"
#include "process_counters.h"

namespace zormint::wine_test::hardening {
namespace {

const wchar_t kProgId[] = L"ZORMINT.dsrWrapper";
const char kViewAll[] = " \"View All Picture Attachments\"";

void PrintFigures(const char* what, const ProcessCounters& before, const ProcessCounters& after) {
  std::printf("[ figures  ] %s\n[ figures  ]   before: %s\n[ figures  ]   after:  %s\n", what,
              before.Text().c_str(), after.Text().c_str());
}

// The growth allowed between two counts after a warm-up: a few handles or objects that Wine or
// the C runtime create on their own at some point, and memory for caches and heap
// fragmentation, far below what a leak per cycle, selection, click or window would add up to.
void ExpectFlat(const ProcessCounters& before, const ProcessCounters& after, size_t heapSlack) {
  EXPECT_LE(after.handles, before.handles + 8) << "handles grow";
  EXPECT_LE(after.gdiObjects, before.gdiObjects + 4) << "GDI objects grow";
  EXPECT_LE(after.userObjects, before.userObjects + 2) << "USER objects grow";
  EXPECT_LE(after.privateBytes, before.privateBytes + (4u << 20)) << "private memory grows";
  EXPECT_LE(after.heapBytes, before.heapBytes + heapSlack) << "the heaps grow";
}

class Endurance : public HardeningStory {
 protected:
  // The host's own references (its Application object) while a story runs.
  int OutlooksOwn() { return Model().LiveReferences(); }

  // What the add-in holds beyond the host's own: nothing, once disconnected.
  void ExpectDisconnectedCleanly(int outlooksOwn) {
    EXPECT_EQ(Model().LiveReferences(), outlooksOwn) << Model().DescribeLiveReferences();
    EXPECT_EQ(Model().ConnectedSinks(), 0);
    EXPECT_EQ(Model().EscapedExceptions(), 0);
    EXPECT_EQ(dll.CanUnloadNow(), S_OK) << "ZORMINT.dll still has live objects";
    ExpectEveryEventAnsweredOk();
  }

  // A user's few minutes with the add-in connected: the viewer is started once.
  void SmallStory(int explorer) {
    const std::string xpl = "explorer" + std::to_string(explorer);
    Run({"select " + xpl + " holiday", "click " + xpl + kViewAll, "select " + xpl + " lunch",
         "open-inspector holiday"});
    const std::string inspector = "inspector" + std::to_string(Model().OpenInspectors().back());
    Run({"move-inspector " + inspector + " drawings", "close " + inspector,
         "select " + xpl + " drawings"});
    EXPECT_TRUE(Enabled(Xpl(explorer))) << Text();
  }
};

// The counters move with what they count, with the real system calls or their fallbacks.
TEST_F(Endurance, TheProcessCountersSeeWhatTheyCount) {
  const ProcessCounters before = ProcessCounters::Now();
  std::printf("[ counters ] %s\n[ counters ] %s\n", before.Text().c_str(), before.sources.c_str());
  std::array<HANDLE, 8> events{};
  std::array<HBITMAP, 8> bitmaps{};
  std::array<HWND, 3> windows{};
  for (HANDLE& event : events)
    event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  for (HBITMAP& bitmap : bitmaps)
    bitmap = CreateBitmap(4, 4, 1, 32, nullptr);
  for (HWND& window : windows)
    window =
        CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 1, 1, HWND_MESSAGE, nullptr, nullptr, nullptr);
  const size_t size = 8u << 20;
  auto* block = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, size));
  ASSERT_NE(block, nullptr);
  std::fill(block, block + size, 'z');
  const ProcessCounters during = ProcessCounters::Now();
  EXPECT_GE(during.handles, before.handles + 8);
  EXPECT_GE(during.gdiObjects, before.gdiObjects + 8);
  EXPECT_GE(during.userObjects, before.userObjects + 3);
  EXPECT_GE(during.privateBytes, before.privateBytes + size);
  EXPECT_GE(during.heapBytes, before.heapBytes + size);

  HeapFree(GetProcessHeap(), 0, block);
  for (HWND window : windows)
    DestroyWindow(window);
  for (HBITMAP bitmap : bitmaps)
    DeleteObject(bitmap);
  for (HANDLE event : events)
    CloseHandle(event);
  const ProcessCounters after = ProcessCounters::Now();
  EXPECT_LE(after.handles, before.handles + 1);
  EXPECT_LE(after.gdiObjects, before.gdiObjects + 1);
  EXPECT_LE(after.userObjects, before.userObjects);
  EXPECT_LT(after.heapBytes, before.heapBytes + size / 8);
}

// A hundred connections and disconnections of the real add-in in one process, each with a
// small story: Outlook starts, the add-in connects at start-up; the user switches it off
// (RemoveMode 1) and on again (connect mode AfterStartup); Outlook exits (RemoveMode 0) and
// the next Outlook starts. After a warm-up, nothing grows.
TEST_F(Endurance, AHundredConnectionsInOneProcessLeaveNothingBehind) {
  constexpr int kCycles = 100, kWarmUp = 10;
  ProcessCounters afterWarmUp, halfway;
  int cycles = 0, viewerStarts = 0;
  for (int outlook = 0; outlook < kCycles / 2; ++outlook) {
    SCOPED_TRACE("Outlook " + std::to_string(outlook + 1));
    NewStory();
    story->SetViewerWait(10000);
    Run({"open-explorer Inbox"});
    const int own = OutlooksOwn();

    // Start-up, a small story, switched off by the user.
    Run({"start"});
    SmallStory(1);
    ASSERT_TRUE(story->Host().SwitchOff(kProgId));
    ++cycles;
    EXPECT_TRUE(Buttons(Xpl(1)).empty());
    ExpectDisconnectedCleanly(own);
    Run({"select explorer1 holiday"});  // Outlook without the add-in

    // Switched on again while Outlook runs, a small story, Outlook exits.
    story->Host().Start(ext_cm_AfterStartup);
    SmallStory(1);
    story->Host().Shutdown();
    ++cycles;
    EXPECT_EQ(Buttons(Xpl(1)).size(), 2u) << "the buttons are left to Outlook";
    ExpectDisconnectedCleanly(own);
    viewerStarts += static_cast<int>(ViewerStarts().size());
    ExpectNothingHeld();
    if (HasFailure()) return;
    story.reset();  // this Outlook ends
    ClearTranscript();

    if (cycles == kWarmUp) afterWarmUp = ProcessCounters::Now();
    if (cycles == kCycles / 2) halfway = ProcessCounters::Now();
  }
  const ProcessCounters last = ProcessCounters::Now();
  char what[160];
  std::snprintf(what, sizeof what,
                "%d connect/disconnect cycles (counted after cycle %d, %d and %d), %d viewer "
                "starts recorded",
                cycles, kWarmUp, kCycles / 2, kCycles, viewerStarts);
  PrintFigures(what, afterWarmUp, last);
  std::printf("[ figures  ]   halfway: %s\n", halfway.Text().c_str());
  ExpectFlat(afterWarmUp, last, 256u << 10);
  EXPECT_EQ(viewerStarts, kCycles) << "a click per cycle started the viewer";
}

// One long session: 10,000 selection changes, 1,000 clicks on "View All Picture Attachments"
// on the same message (its working folder refilled each time), and Explorers and Inspectors
// opened and closed in every order. Nothing of Outlook's is kept for a window that closed, the
// process's counts stay flat, and once the session is over nothing of it is left in memory.
TEST_F(Endurance, ALongSessionKeepsEverythingFlat) {
  constexpr int kSelections = 10000, kClicks = 1000;
  UseNoViewer();  // a thousand viewers would only add processes; the shell is still asked
  const char* const selections[] = {"select lunch",   "select drawings", "select holiday",
                                    "select invoice", "select",          "select holiday drawings"};
  int clicks = 0, clicksTaken = 0;
  auto countClicksTaken = [&] {
    const std::string text = Text();
    for (size_t at = 0; (at = text.find("clicked \"EXPLORER12\"", at)) != std::string::npos; ++at)
      ++clicksTaken;
    ClearTranscript();
  };
  // Selections in explorer1; every tenth is the message with pictures, and is clicked.
  auto selectAndClick = [&](int count) {
    for (int i = 0; i < count; ++i) {
      if (i % 10 == 9) {
        ASSERT_TRUE(story->Command("select explorer1 holiday")) << Text();
        ASSERT_TRUE(story->Command("click explorer1" + std::string(kViewAll))) << Text();
        ++clicks;
      } else {
        ASSERT_TRUE(story->Command(std::string(selections[i % 6]))) << Text();
      }
      if (i % 500 == 499) {
        Model().Faults().ClearCalls();
        countClicksTaken();
      }
    }
  };
  // Two Explorers and two Inspectors, opened in one order and closed in each of the 24 orders.
  int windows = 0, rounds = 0;
  int baseReferences = 0, baseConnections = 0;
  auto openAndCloseInEveryOrder = [&](bool reverse) {
    std::array<int, 4> order = {0, 1, 2, 3};
    do {
      std::array<std::string, 4> names;
      for (int k = 0; k < 4; ++k) {
        const int which = reverse ? 3 - k : k;
        if (which < 2) {
          Run({"open-explorer Inbox"});
          const int id = Model().OpenExplorers().back();
          names[which] = "explorer" + std::to_string(id);
          Run({"switch-folder " + names[which] + " Inbox", "select " + names[which] + " holiday"});
          EXPECT_TRUE(Enabled(Xpl(id))) << Text();
        } else {
          Run({which == 2 ? "open-inspector holiday" : "open-inspector drawings"});
          const int id = Model().OpenInspectors().back();
          names[which] = "inspector" + std::to_string(id);
          EXPECT_TRUE(Enabled(Isp(id))) << Text();
        }
        ++windows;
      }
      Run({"click " + names[0] + kViewAll, "click " + names[2] + kViewAll,
           "move-inspector " + names[3] + " lunch", "select " + names[1] + " lunch"});
      for (int which : order)
        Run({"close " + names[which], "activate explorer1", "select explorer1 holiday"});
      ++rounds;
      // Everything of the closed windows is let go of; the first window still works.
      EXPECT_EQ(Model().LiveReferences(), baseReferences) << Model().DescribeLiveReferences();
      EXPECT_EQ(Model().ConnectedSinks(), baseConnections);
      EXPECT_TRUE(Enabled(Xpl(1))) << Text();
      Model().Faults().ClearCalls();
      ClearTranscript();
      if (HasFailure()) return;
    } while (std::next_permutation(order.begin(), order.end()));
  };

  // A short session first: what is loaded or cached once per process is in place.
  // (The add-in keeps the last message selected with pictures, and the ribbon of message
  // windows that Office hands over when the first one opens: the base is taken with both.)
  NewStory();
  Run({"open-explorer Inbox", "start", "select explorer1 holiday", "open-inspector drawings",
       "close inspector1"});
  baseReferences = Model().LiveReferences();
  baseConnections = Model().ConnectedSinks();
  selectAndClick(1000);
  openAndCloseInEveryOrder(false);
  Run({"switch-off"});
  ExpectNothingHeld();
  story.reset();
  ClearTranscript();
  const ProcessCounters beforeSession = ProcessCounters::Now();

  NewStory();
  Run({"open-explorer Inbox", "start", "select explorer1 holiday", "open-inspector drawings",
       "close inspector1"});
  baseReferences = Model().LiveReferences();
  baseConnections = Model().ConnectedSinks();
  selectAndClick(1000);  // the simulated Outlook's record of calls reaches its size
  clicks = clicksTaken = windows = rounds = 0;
  const ProcessCounters start = ProcessCounters::Now();
  selectAndClick(kSelections);
  EXPECT_EQ(clicks, kClicks);
  EXPECT_EQ(clicksTaken, kClicks) << "each click reached the add-in's enabled button";
  EXPECT_EQ(Model().LiveReferences(), baseReferences) << Model().DescribeLiveReferences();
  EXPECT_EQ(Model().ConnectedSinks(), baseConnections);
  const ProcessCounters afterClicks = ProcessCounters::Now();

  openAndCloseInEveryOrder(false);
  openAndCloseInEveryOrder(true);
  const ProcessCounters afterWindows = ProcessCounters::Now();
  Run({"switch-off"});
  ExpectNothingHeld();
  story.reset();
  ClearTranscript();
  const ProcessCounters afterSession = ProcessCounters::Now();

  char what[160];
  std::snprintf(what, sizeof what, "long session: %d selections and %d clicks", kSelections,
                kClicks);
  PrintFigures(what, start, afterClicks);
  std::snprintf(what, sizeof what, "long session: %d windows opened and closed in %d rounds",
                windows, rounds);
  PrintFigures(what, afterClicks, afterWindows);
  PrintFigures("long session: before it began and after it ended", beforeSession, afterSession);
  ExpectFlat(start, afterClicks, 64u << 10);
  // The simulated Outlook keeps a record of every window it opened (its bars, controls and
  // connections) until it ends: some KiB a window that are Outlook's, not the add-in's.
  ExpectFlat(afterClicks, afterWindows, static_cast<size_t>(windows) * (8u << 10));
  ExpectFlat(beforeSession, afterSession, 64u << 10);
}

// How long the connection takes when the temporary folder is crowded: 10,000 entries, files
// and folders, among them working folders of earlier runs, which a thread started by the
// connection deletes while Outlook goes on. Three states: working folders of many runs left
// behind; the usual one, where only the last session's working folder is left; and none left
// at all. The connection should cost the same in all three.
TEST_F(Endurance, ConnectingWithACrowdedTemporaryFolder) {
  namespace fs = std::filesystem;
  // For comparison: the test prefix's own, nearly empty, temporary folder.
  NewStory();
  Run({"open-explorer Inbox", "start"});
  const double ordinaryMs = story->Host().Addins().at(0).connectionMs;
  Run({"switch-off"});
  ExpectNothingHeld();

  const fs::path crowded = fs::path(TempPath()) / L"zormint-crowded";
  std::error_code ec;
  fs::remove_all(crowded, ec);
  ASSERT_TRUE(fs::create_directories(crowded));
  auto makeFile = [](const fs::path& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
  };
  constexpr int kEntries = 10000, kFiles = 9400, kOtherFolders = 500, kWorkingFolders = 100;
  wchar_t name[64];
  for (int i = 0; i < kFiles; ++i) {
    swprintf(name, 64, L"~tmp%05d.tmp", i);
    ASSERT_TRUE(makeFile(crowded / name));
  }
  for (int i = 0; i < kOtherFolders; ++i) {
    swprintf(name, 64, L"Folder%03d", i);
    ASSERT_TRUE(CreateDirectoryW((crowded / name).c_str(), nullptr));
  }
  for (int i = 0; i < kWorkingFolders; ++i) {
    swprintf(name, 64, L"ZORMINT$0101%02d%02d%04d", i / 100, (i / 10) % 10, i);
    ASSERT_TRUE(CreateDirectoryW((crowded / name).c_str(), nullptr));
    ASSERT_TRUE(makeFile(crowded / name / L"beach.jpg"));
  }

  // The add-in finds its temporary folder where Windows says it is.
  wchar_t oldTmp[MAX_PATH] = {}, oldTemp[MAX_PATH] = {};
  GetEnvironmentVariableW(L"TMP", oldTmp, MAX_PATH);
  GetEnvironmentVariableW(L"TEMP", oldTemp, MAX_PATH);
  SetEnvironmentVariableW(L"TMP", crowded.c_str());
  SetEnvironmentVariableW(L"TEMP", crowded.c_str());
  // The connection's time; the clean-up beside it is given up to 20 s before the add-in is
  // switched off (which would stop it).
  double cleanUpMs = 0;
  auto connect = [&] {
    NewStory();
    Run({"open-explorer Inbox", "start"});
    const double ms = story->Host().Addins().at(0).connectionMs;
    const ULONGLONG started = GetTickCount64();
    for (bool left = true; left && GetTickCount64() - started < 20000;) {
      left = false;
      for (const auto& entry : fs::directory_iterator(crowded))
        left = left || entry.path().filename().wstring().rfind(L"ZORMINT$", 0) == 0;
      if (left) Sleep(5);
    }
    cleanUpMs = std::max(cleanUpMs, static_cast<double>(GetTickCount64() - started));
    Run({"switch-off"});
    ExpectNothingHeld();
    return ms;
  };
  struct Left {
    size_t entries = 0, workingFolders = 0;
  };
  auto count = [&] {
    Left left;
    for (const auto& entry : fs::directory_iterator(crowded)) {
      ++left.entries;
      if (entry.path().filename().wstring().rfind(L"ZORMINT$", 0) == 0) ++left.workingFolders;
    }
    return left;
  };

  const double manyMs = connect();
  const Left afterMany = count();

  // The usual state: the last session's working folder with its pictures, 10,000 entries again.
  const fs::path last = crowded / L"ZORMINT$091226103000";
  ASSERT_TRUE(CreateDirectoryW(last.c_str(), nullptr));
  for (const wchar_t* picture : {L"beach.jpg", L"harbour.jpeg", L"route-map.gif"})
    ASSERT_TRUE(makeFile(last / picture));
  for (int i = static_cast<int>(afterMany.entries) + 1; i < kEntries; ++i) {
    swprintf(name, 64, L"~new%05d.tmp", i);
    ASSERT_TRUE(makeFile(crowded / name));
  }
  const size_t usualEntries = count().entries;
  const double usualMs = connect();
  const Left afterUsual = count();
  const double noneMs = connect();
  const Left afterNone = count();

  SetEnvironmentVariableW(L"TMP", oldTmp[0] ? oldTmp : nullptr);
  SetEnvironmentVariableW(L"TEMP", oldTemp[0] ? oldTemp : nullptr);
  fs::remove_all(crowded, ec);

  EXPECT_EQ(afterMany.workingFolders, 0u) << "the working folders of earlier runs are deleted";
  EXPECT_EQ(afterMany.entries, static_cast<size_t>(kFiles + kOtherFolders)) << "and nothing else";
  EXPECT_EQ(usualEntries, static_cast<size_t>(kEntries));
  EXPECT_EQ(afterUsual.workingFolders, 0u);
  EXPECT_EQ(afterUsual.entries, static_cast<size_t>(kEntries - 1));
  EXPECT_EQ(afterNone.entries, afterUsual.entries);
  std::printf(
      "[ figures  ] OnConnection with %d entries in the temporary folder: %.1f ms with %d working "
      "folders of earlier runs to delete (%d files, %d folders); %.1f ms with the last session's "
      "working folder (3 pictures) to delete; %.1f ms with none (%zu entries); with an ordinary "
      "temporary folder: %.1f ms; the clean-up beside Outlook ended within %.0f ms\n",
      kEntries, manyMs, kWorkingFolders, kFiles, kOtherFolders, usualMs, noneMs, afterUsual.entries,
      ordinaryMs, cleanUpMs);
}

}  // namespace
}  // namespace zormint::wine_test::hardening

// Outlook's own habits with the real add-in: switching it on while Outlook runs (connect mode
// AfterStartup) and Outlook's fast shutdown, which ends without disconnecting its add-ins.
#include <windows.h>

#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>

#include "hardening_fixture.h"

namespace zormint::wine_test::hardening {
namespace {

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class OutlookHabits : public HardeningStory {
 protected:
  // Every add-in button of every open window, as a user and Outlook see it.
  std::string AllButtons() {
    std::ostringstream out;
    auto describe = [&](sim::WindowRef window, const char* kind, int id) {
      out << kind << id << ":";
      for (const sim::ControlView& b : Buttons(window)) {
        const auto* face = dynamic_cast<const sim::SimPicture*>(b.picture.get());
        out << " [" << b.tag << "|" << b.caption << "|" << b.tooltipText << "|" << b.onAction
            << "|style " << b.style << (b.beginGroup ? "|group" : "")
            << (b.temporary ? "|temporary" : "") << (b.enabled ? "|enabled" : "|disabled")
            << (face ? "|face " + std::to_string(face->width) : std::string()) << "]";
      }
      out << "\n";
    };
    for (int id : Model().OpenExplorers())
      describe(Xpl(id), "explorer", id);
    for (int id : Model().OpenInspectors())
      describe(Isp(id), "inspector", id);
    return out.str();
  }

  std::vector<std::string> Events() {
    std::vector<std::string> events;
    for (const auto& [event, answer] : story->Host().Addins().at(0).answers)
      events.push_back(event);
    return events;
  }
};

// Switched on while Outlook runs with several windows open, the add-in does what it does at
// start-up: the same buttons on the same windows, the same enabling afterwards, and the
// working folders of earlier runs are deleted.
TEST_F(OutlookHabits, ConnectingAfterStartUpWorksLikeStartUp) {
  const std::vector<std::string> before = {
      "open-explorer Inbox",    "open-explorer Inbox", "switch-folder explorer2 \"Team posts\"",
      "open-inspector holiday", "activate explorer1",  "select explorer1 holiday"};
  const std::vector<std::string> after = {
      "select explorer1 drawings",       "switch-folder explorer2 Inbox",
      "select explorer2 holiday",        "open-inspector drawings",
      "move-inspector inspector1 lunch", "open-explorer Inbox",
      "switch-folder explorer3 Inbox",   "select explorer3 lunch"};
  std::string buttonsAtConnection[2], buttonsAfter[2];
  const char* starts[2] = {"start", "start after-startup"};
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(starts[i]);
    const std::wstring earlier = TempPath() + L"ZORMINT$010203040506";
    ASSERT_TRUE(CreateDirectoryW(earlier.c_str(), nullptr) ||
                GetLastError() == ERROR_ALREADY_EXISTS);
    NewStory();
    Run(before);
    Run({starts[i]});
    buttonsAtConnection[i] = AllButtons();
    // Deleted beside Outlook, by a thread of the add-in's own.
    for (int wait = 0;
         wait < 1000 && GetFileAttributesW(earlier.c_str()) != INVALID_FILE_ATTRIBUTES; ++wait) {
      Sleep(10);
    }
    EXPECT_EQ(GetFileAttributesW(earlier.c_str()), INVALID_FILE_ATTRIBUTES)
        << "the working folder of an earlier run is left";
    Run(after);
    buttonsAfter[i] = AllButtons();
    Run({"switch-off"});
    // Start-up complete is told only at start-up.
    if (i == 0) {
      EXPECT_EQ(Events(),
                (std::vector<std::string>{"OnConnection", "OnStartupComplete", "OnDisconnection"}));
    } else {
      EXPECT_EQ(Events(), (std::vector<std::string>{"OnConnection", "OnDisconnection"}));
    }
    ExpectNothingHeld();
  }
  EXPECT_EQ(buttonsAtConnection[1], buttonsAtConnection[0]);
  EXPECT_EQ(buttonsAfter[1], buttonsAfter[0]);
  // And what start-up does: buttons on the active Explorer only, the later windows as they
  // come.
  EXPECT_TRUE(Contains(buttonsAtConnection[0], "explorer1: [EXPLORER11|"))
      << buttonsAtConnection[0];
  EXPECT_TRUE(Contains(buttonsAtConnection[0], "explorer2:\n")) << buttonsAtConnection[0];
  EXPECT_TRUE(Contains(buttonsAfter[0], "explorer3: [EXPLORER")) << buttonsAfter[0];
  EXPECT_TRUE(Contains(buttonsAfter[0], "|enabled")) << buttonsAfter[0];
}

// A fast shutdown in which the host lets go of the add-in without disconnecting it: the add-in
// lets go of everything of Outlook's itself, leaves its buttons to Outlook (they are
// temporary) and no object of the library stays.
TEST_F(OutlookHabits, AnAddinReleasedWithoutDisconnectionLetsGoOfEverything) {
  NewStory();
  Run({"open-explorer Inbox", "start", "select holiday", "open-inspector holiday",
       "open-explorer Inbox", "switch-folder explorer2 Inbox", "fast-shutdown release"});
  EXPECT_EQ(Events(), (std::vector<std::string>{"OnConnection", "OnStartupComplete"}));
  EXPECT_EQ(Model().LiveReferences(), 0) << Model().DescribeLiveReferences();
  EXPECT_EQ(Model().ConnectedSinks(), 0);
  EXPECT_EQ(Model().EscapedExceptions(), 0);
  EXPECT_EQ(Buttons(Xpl(1)).size(), 2u);
  EXPECT_EQ(Buttons(Isp(1)).size(), 2u);
  EXPECT_EQ(dll.CanUnloadNow(), S_OK);
  ExpectEveryEventAnsweredOk();
}

// outlook-sim.exe through a story that ends in a fast shutdown; returns its exit code (or -1
// when it does not end within two minutes) and its output.
int RunOutlookProgram(const std::string& script, std::string& output) {
  const std::wstring scriptPath = TempPath() + L"zormint-hardening-story.txt";
  {
    std::ofstream out{std::filesystem::path(scriptPath)};
    out << script;
  }
  CapturedProcess program(L"\"" + BinFolder() + L"\\outlook-sim.exe\" \"" +
                          SampleMailbox().wstring() + L"\" \"" + scriptPath + L"\"");
  const std::optional<DWORD> code = program.Wait(120000);
  output = program.Output();
  DeleteFileW(scriptPath.c_str());
  return code ? static_cast<int>(*code) : -1;
}

const char kBusyStory[] =
    "open-explorer Inbox\nstart\nselect holiday\nclick explorer1 \"View All Picture "
    "Attachments\"\nopen-inspector holiday\nopen-explorer Inbox\nswitch-folder explorer2 "
    "Inbox\nselect explorer2 drawings\n";

// Outlook ends its process at once with the add-in connected, windows open and events
// connected: the library is told of the process's end and the process ends normally.
TEST_F(OutlookHabits, TheProcessEndsWithTheAddinConnected) {
  std::string output;
  const int code = RunOutlookProgram(std::string(kBusyStory) + "fast-shutdown exit\n", output);
  EXPECT_EQ(code, 0) << output;
  EXPECT_TRUE(Contains(output, "the process ends with its add-ins loaded")) << output;
  EXPECT_FALSE(Contains(output, "OnDisconnection")) << output;
  EXPECT_TRUE(Contains(output, "viewer started:")) << output;
}

// Outlook lets go of the add-in without disconnecting it and the process unloads the library:
// COM may unload it at once (no object of it is left) and nothing hangs or fails at unload.
TEST_F(OutlookHabits, TheLibraryUnloadsAfterAFastShutdown) {
  std::string output;
  const int code = RunOutlookProgram(std::string(kBusyStory) + "fast-shutdown release\n", output);
  EXPECT_EQ(code, 0) << output;
  EXPECT_FALSE(Contains(output, "OnDisconnection")) << output;
  EXPECT_TRUE(Contains(output,
                       "they still hold 0 references to Outlook objects and 0 event "
                       "connections"))
      << output;
  EXPECT_TRUE(Contains(output, "unloaded by CoFreeUnusedLibraries: ")) << output;
  EXPECT_TRUE(Contains(output, "ZORMINT.dll")) << output;
  EXPECT_TRUE(Contains(output, "not loaded after CoUninitialize")) << output;
}

}  // namespace
}  // namespace zormint::wine_test::hardening

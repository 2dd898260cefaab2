#include "hardening_fixture.h"

#include <windows.h>

#include <algorithm>
#include <fstream>
#include <iterator>

namespace zormint::wine_test::hardening {

namespace {

const wchar_t kSettingsKey[] = L"Software\\VB and VBA Program Settings\\ZORMINT";

}  // namespace

std::wstring BinFolder() {
  const std::wstring dll = DllPath();
  return dll.substr(0, dll.find_last_of(L'\\'));
}

std::wstring TempFolder() {
  wchar_t buffer[MAX_PATH + 1] = {};
  return std::wstring(buffer, GetTempPathW(MAX_PATH + 1, buffer));
}

std::filesystem::path SampleMailbox() {
  return std::filesystem::path(ZORMINT_SAMPLES_DIR) / "mailbox.txt";
}

void HardeningStory::SetUp() {
  ASSERT_EQ(apartment.Result(), S_OK);
  ASSERT_TRUE(dll.Loaded());
  ASSERT_EQ(dll.Register(), S_OK);
  MirrorClassesToMachine();
  DeleteTree(HKEY_CURRENT_USER, kSettingsKey);
  // Windows opens a picture with the recorder, which reports to the viewer log.
  pictures.emplace(L"ZormintSim.TestPicture",
                   L"\"" + BinFolder() + L"\\viewer-recorder.exe\" \"%1\"");
  viewerLog = TempFolder() + L"zormint-hardening-viewer.log";
  DeleteFileW(viewerLog.c_str());
  SetEnvironmentVariableW(L"ZORMINT_VIEWER_LOG", viewerLog.c_str());
}

void HardeningStory::TearDown() {
  if (story) story->Finish();
  story.reset();
  CoFreeUnusedLibraries();
  pictures.reset();
  DeleteTree(HKEY_CURRENT_USER, kSettingsKey);
  RemoveMachineMirror();
  dll.Unregister();
  DeleteFileW(viewerLog.c_str());
}

void HardeningStory::NewStory(const std::filesystem::path& manifest) {
  if (story) story->Finish();
  story.reset();
  ClearTranscript();
  DeleteFileW(viewerLog.c_str());
  story = std::make_unique<sim::com::Story>(transcript, manifest);
  story->SetViewerWait(0);
}

void HardeningStory::ClearTranscript() {
  std::ostringstream empty;
  transcript.swap(empty);
}

void HardeningStory::Run(const std::vector<std::string>& lines) {
  for (const std::string& line : lines)
    ASSERT_TRUE(story->Command(line)) << Text();
}

bool HardeningStory::RunChecked(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    if (!story->Command(line)) {
      ADD_FAILURE() << "the story stopped at \"" << line << "\"\n" << Text();
      return false;
    }
  }
  return true;
}

void HardeningStory::UseNoViewer() {
  // The shell is still asked, and fails: the program Windows would open a picture with is
  // missing.
  if (pictures) pictures->SetCommand(L"\"" + BinFolder() + L"\\no-such-viewer.exe\" \"%1\"");
}

void HardeningStory::UseCustomViewer() {
  const std::wstring startup = std::wstring(kSettingsKey) + L"\\Startup";
  SetText(HKEY_CURRENT_USER, startup, L"Image Viewer", L"2");
  SetText(HKEY_CURRENT_USER, startup, L"User Image App", BinFolder() + L"\\viewer-recorder.exe");
}

bool HardeningStory::Enabled(sim::WindowRef window) {
  const std::vector<sim::ControlView> buttons = Buttons(window);
  return buttons.size() == 2 && buttons[0].enabled && buttons[1].enabled;
}

void HardeningStory::ExpectEveryEventAnsweredOk() {
  for (const sim::com::HostedAddin& addin : story->Host().Addins()) {
    EXPECT_EQ(addin.created, S_OK);
    for (const auto& [event, answer] : addin.answers)
      EXPECT_EQ(answer, S_OK) << event << " answered a failure";
  }
}

void HardeningStory::ExpectNothingHeld() {
  EXPECT_EQ(story->Finish(), 0) << Text();
  ExpectEveryEventAnsweredOk();
  EXPECT_EQ(Model().LiveReferences(), 0) << Model().DescribeLiveReferences();
  EXPECT_EQ(Model().ConnectedSinks(), 0);
  EXPECT_EQ(Model().EscapedExceptions(), 0) << "an add-in event sink reported a failure";
  // The host let go of the add-in object: no object of the library may outlive it (an event
  // sink or toolbar kept alive by a lost reference would).
  EXPECT_EQ(dll.CanUnloadNow(), S_OK) << "ZORMINT.dll still has live objects";
}

void HardeningStory::ExpectOnlyRefusedConnectionsLeft(int refused) {
  story->Finish();
  ExpectEveryEventAnsweredOk();
  EXPECT_EQ(Model().LiveReferences(), 0) << Model().DescribeLiveReferences();
  EXPECT_LE(Model().ConnectedSinks(), refused) << Text();
  EXPECT_EQ(Model().EscapedExceptions(), 0) << "an add-in event sink reported a failure";
  story.reset();
  EXPECT_EQ(dll.CanUnloadNow(), S_OK) << "ZORMINT.dll keeps objects that Outlook let go of";
}

std::filesystem::path HardeningStory::ShownPicture(const std::string& start) {
  const std::string commandLine = start.substr(0, start.find('\t'));
  const size_t close = commandLine.rfind('"');
  if (close == std::string::npos || close == 0) return {};
  const size_t open = commandLine.rfind('"', close - 1);
  if (open == std::string::npos) return {};
  const std::string path = commandLine.substr(open + 1, close - open - 1);
  return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

std::vector<std::wstring> HardeningStory::FilesBeside(const std::filesystem::path& picture) {
  namespace fs = std::filesystem;
  std::vector<std::wstring> files;
  std::error_code ec;
  for (fs::directory_iterator it(picture.parent_path(), ec), end; !ec && it != end;
       it.increment(ec))
    files.push_back(it->path().filename().wstring());
  std::sort(files.begin(), files.end());
  return files;
}

std::vector<std::string> HardeningStory::ViewerStarts() {
  std::ifstream in{std::filesystem::path(viewerLog)};
  std::vector<std::string> starts;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) starts.push_back(line);
  }
  return starts;
}

}  // namespace zormint::wine_test::hardening

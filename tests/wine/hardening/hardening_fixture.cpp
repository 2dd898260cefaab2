#include "hardening_fixture.h"

#include <windows.h>

#include <algorithm>
#include <fstream>
#include <iterator>

namespace zormint::wine_test::hardening {

namespace {

const wchar_t kSettingsKey[] = L"Software\\VB and VBA Program Settings\\ZORMINT";

}  // namespace

void HardeningStory::SetUp() {
  RegisteredAddin::SetUp();
  DeleteTree(HKEY_CURRENT_USER, kSettingsKey);
}

void HardeningStory::TearDown() {
  if (story) story->Finish();
  story.reset();
  RegisteredAddin::TearDown();
  DeleteTree(HKEY_CURRENT_USER, kSettingsKey);
}

void HardeningStory::NewStory(const std::filesystem::path& manifest) {
  if (story) story->Finish();
  story.reset();
  ClearTranscript();
  DeleteFileW(viewerLog.c_str());
  story = std::make_unique<sim::Story>(transcript, manifest);
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
  for (const sim::HostedAddin& addin : story->Host().Addins()) {
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

}  // namespace zormint::wine_test::hardening

#include "support/addin_fixture.h"

#include <atomic>
#include <fstream>
#include <iterator>

namespace zormint::wine_test {

std::wstring BinFolder() {
  const std::wstring dll = DllPath();
  return dll.substr(0, dll.find_last_of(L'\\'));
}

std::wstring TempPath() {
  wchar_t buffer[MAX_PATH + 1] = {};
  return std::wstring(buffer, GetTempPathW(MAX_PATH + 1, buffer));
}

std::filesystem::path SampleMailbox() {
  return std::filesystem::path(ZORMINT_SAMPLES_DIR) / "mailbox.txt";
}

CapturedProcess::CapturedProcess(const std::wstring& commandLine) {
  static std::atomic<int> runs{0};
  outputPath_ = TempPath() + L"zormint-program-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                std::to_wstring(++runs) + L".out";
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE file = CreateFileW(outputPath_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = file;
  startup.hStdError = file;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  std::wstring line = commandLine;
  PROCESS_INFORMATION process = {};
  if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                     &process)) {
    CloseHandle(process.hThread);
    process_ = process.hProcess;
  }
  CloseHandle(file);
}

CapturedProcess::~CapturedProcess() {
  if (process_) {
    Wait(0);
    CloseHandle(process_);
  }
  DeleteFileW(outputPath_.c_str());
}

std::optional<DWORD> CapturedProcess::Wait(DWORD milliseconds) {
  if (!process_) return std::nullopt;
  if (WaitForSingleObject(process_, milliseconds) != WAIT_OBJECT_0) {
    TerminateProcess(process_, 99);
    WaitForSingleObject(process_, 10000);
    return std::nullopt;
  }
  DWORD code = 99;
  GetExitCodeProcess(process_, &code);
  return code;
}

std::string CapturedProcess::Output() const {
  std::ifstream in{std::filesystem::path(outputPath_)};
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void RegisteredAddin::SetUp() {
  ASSERT_EQ(apartment.Result(), S_OK);
  ASSERT_TRUE(dll.Loaded());
  ASSERT_EQ(dll.Register(), S_OK);
  MirrorClassesToMachine();
  // Windows opens a picture with the recorder, which reports to the viewer log.
  pictures.emplace(L"ZormintSim.TestPicture",
                   L"\"" + BinFolder() + L"\\viewer-recorder.exe\" \"%1\"");
  viewerLog = TempPath() + L"zormint-test-viewer.log";
  DeleteFileW(viewerLog.c_str());
  SetEnvironmentVariableW(L"ZORMINT_VIEWER_LOG", viewerLog.c_str());
}

void RegisteredAddin::TearDown() {
  CoFreeUnusedLibraries();
  pictures.reset();
  RemoveMachineMirror();
  dll.Unregister();
  DeleteFileW(viewerLog.c_str());
}

std::vector<std::string> RegisteredAddin::ViewerStarts() const {
  std::ifstream in{std::filesystem::path(viewerLog)};
  std::vector<std::string> starts;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) starts.push_back(line);
  }
  return starts;
}

void RegisteredAddin::UseNoViewer() {
  if (pictures) pictures->SetCommand(L"\"" + BinFolder() + L"\\no-such-viewer.exe\" \"%1\"");
}

}  // namespace zormint::wine_test

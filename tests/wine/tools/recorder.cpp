// A stand-in viewer for the Windows tests: records how it was started and ends at once.
//
// It writes three lines, UTF-8, to the file that the environment variable ZORMINT_RECORDER_OUT
// names: its command line exactly as it received it, its current directory, and the show
// command it was given (or "-" when none was given). The file appears whole or not at all (it is
// written beside and then renamed), so a test that waits for it never reads half of it.
#include <windows.h>

#include <string>
#include <vector>

namespace {

std::string Utf8(const std::wstring& wide) {
  if (wide.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), size,
                      nullptr, nullptr);
  return text;
}

std::wstring Variable(const wchar_t* name) {
  std::vector<wchar_t> buffer(32768);
  const DWORD length =
      GetEnvironmentVariableW(name, buffer.data(), static_cast<DWORD>(buffer.size()));
  return length < buffer.size() ? std::wstring(buffer.data(), length) : std::wstring();
}

std::wstring CurrentDirectory() {
  std::vector<wchar_t> buffer(32768);
  const DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
  return length < buffer.size() ? std::wstring(buffer.data(), length) : std::wstring();
}

}  // namespace

int main() {
  const std::wstring target = Variable(L"ZORMINT_RECORDER_OUT");
  if (target.empty()) return 2;

  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  GetStartupInfoW(&startup);
  const std::string show = (startup.dwFlags & STARTF_USESHOWWINDOW)
                               ? std::to_string(startup.wShowWindow)
                               : std::string("-");
  const std::string record =
      Utf8(GetCommandLineW()) + "\n" + Utf8(CurrentDirectory()) + "\n" + show + "\n";

  const std::wstring partial = target + L".partial";
  HANDLE file = CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 3;
  DWORD written = 0;
  const BOOL ok =
      WriteFile(file, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
  CloseHandle(file);
  if (!ok || written != record.size()) return 4;
  return MoveFileExW(partial.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 5;
}

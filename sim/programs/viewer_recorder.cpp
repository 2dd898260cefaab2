// viewer-recorder.exe: stands in for the picture viewer that Windows starts. It writes down how
// it was started, UTF-8, and ends at once:
//   - with ZORMINT_RECORDER_OUT naming a file, three lines into it: its command line exactly as
//     it received it, its current folder, and the show command it was given ("-" when none).
//     The file appears whole or not at all (written beside and then renamed), so a test that
//     waits for it never reads half of it. The shell tests start it as recorder.exe;
//   - with ZORMINT_VIEWER_LOG naming a file, one line appended to it: its command line, tab, its
//     current folder, tab, the size of the file it was asked to show. Several viewers may start
//     at once: each appends its line whole. The simulated Outlook reads these lines.
#include <windows.h>

#include <string>
#include <vector>

namespace {

std::string Utf8(const std::wstring& wide) {
  if (wide.empty()) return std::string();
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

std::string FileSize(const wchar_t* path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path, GetFileExInfoStandard, &data)) return "missing";
  const unsigned long long size =
      (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return std::to_string(size) + " bytes";
}

// The record, written beside `target` and renamed to it.
int WriteWhole(const std::wstring& target, const std::string& record) {
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

// The line, appended to `log` once no other viewer is writing to it.
int AppendLine(const std::wstring& log, const std::string& line) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    HANDLE file = CreateFileW(log.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
      CloseHandle(file);
      return 0;
    }
    Sleep(20);
  }
  return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::string commandLine = Utf8(GetCommandLineW());
  const std::string folder = Utf8(CurrentDirectory());
  const std::wstring target = Variable(L"ZORMINT_RECORDER_OUT");
  if (!target.empty()) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    GetStartupInfoW(&startup);
    const std::string show = (startup.dwFlags & STARTF_USESHOWWINDOW)
                                 ? std::to_string(startup.wShowWindow)
                                 : std::string("-");
    return WriteWhole(target, commandLine + "\n" + folder + "\n" + show + "\n");
  }
  const std::wstring log = Variable(L"ZORMINT_VIEWER_LOG");
  if (log.empty()) return 2;
  const std::string size = argc > 1 ? FileSize(argv[1]) : std::string("no file");
  return AppendLine(log, commandLine + "\t" + folder + "\t" + size + "\r\n");
}

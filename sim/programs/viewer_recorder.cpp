// viewer-recorder.exe: stands in for the picture viewer that Windows starts. It records how it
// was started (its command line, its current folder, and the size of the file it was asked to
// show) as one line in the file named by ZORMINT_VIEWER_LOG, and ends.
#include <windows.h>

#include <string>

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

std::string FileSize(const wchar_t* path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path, GetFileExInfoStandard, &data)) return "missing";
  const unsigned long long size =
      (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return std::to_string(size) + " bytes";
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  wchar_t log[32768];
  const DWORD length = GetEnvironmentVariableW(L"ZORMINT_VIEWER_LOG", log, 32768);
  if (length == 0 || length >= 32768) return 1;
  wchar_t folder[32768];
  const DWORD folderLength = GetCurrentDirectoryW(32768, folder);
  std::string line = Utf8(GetCommandLineW()) + "\t" + Utf8(std::wstring(folder, folderLength)) +
                     "\t" + (argc > 1 ? FileSize(argv[1]) : std::string("no file")) + "\r\n";
  // Several viewers may start at once: each appends its line whole.
  for (int attempt = 0; attempt < 100; ++attempt) {
    HANDLE file =
        CreateFileW(log, FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
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

#include "win32/services/trace_log.h"

#include <shlobj.h>

#include <cstdio>
#include <utility>

#include "win32/com/text.h"

namespace zormint::win32 {

namespace {

// One line of text: the failure's code as Windows writes an HRESULT (0x8xxxxxxx), or as the
// small run-time error number it is; line breaks inside the description become blanks.
std::string Describe(const char* step, int32_t code, const std::string& description) {
  char number[16];
  if (code < 0) {
    std::snprintf(number, sizeof number, "0x%08lX", static_cast<unsigned long>(code));
  } else {
    std::snprintf(number, sizeof number, "%ld", static_cast<long>(code));
  }
  std::string text = std::string(step) + ": " + description + " (" + number + ")";
  for (char& c : text) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return text;
}

std::wstring LocalAppDataFolder() {
  PWSTR path = nullptr;
  std::wstring folder;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &path)) && path) {
    folder = path;
  }
  CoTaskMemFree(path);
  return folder.empty() ? folder : folder + L"\\ZORMINT";
}

}  // namespace

Win32TraceLog::Win32TraceLog(std::wstring folder) : folder_(std::move(folder)) {}

void Win32TraceLog::ReadSwitch() noexcept {
  DWORD value = 0, size = sizeof value;
  const bool on = RegGetValueW(HKEY_CURRENT_USER, kSwitchKey, kSwitchValue, RRF_RT_REG_DWORD,
                               nullptr, &value, &size) == ERROR_SUCCESS &&
                  value != 0;
  std::lock_guard<std::mutex> lock(mutex_);
  toFile_ = false;
  if (!on) return;
  try {
    if (folder_.empty()) folder_ = LocalAppDataFolder();
    if (folder_.empty()) return;
    path_ = folder_ + L"\\ZORMINT.log";
    toFile_ = true;
  } catch (...) {
  }
}

void Win32TraceLog::Skipped(const char* step, int32_t code,
                            const std::string& description) noexcept {
  try {
    std::lock_guard<std::mutex> lock(mutex_);
    // Paths in the descriptions hold the user's name and attachment names: nothing leaves the
    // process unless the user switched the trace on. (A stalled debug monitor could also hold
    // the calling thread, Outlook's, in OutputDebugString.)
    if (!toFile_) return;
    const std::string text = Describe(step, code, description);
    OutputDebugStringW((L"ZORMINT: " + Widen(text) + L"\n").c_str());
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u.%03u  ", now.wYear,
                  now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
    Append(stamp + text + "\r\n");
  } catch (...) {
    // The trace never fails what it reports on.
  }
}

void Win32TraceLog::Append(const std::string& line) {
  CreateDirectoryW(folder_.c_str(), nullptr);  // usually there already
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  if (GetFileAttributesExW(path_.c_str(), GetFileExInfoStandard, &data)) {
    const uint64_t size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    // A log that cannot be renamed (a reader holds it without delete sharing) gets nothing
    // more until it can: it never grows beyond its cap.
    if (size + line.size() > kMaxLogBytes &&
        !MoveFileExW(path_.c_str(), (path_ + L".1").c_str(), MOVEFILE_REPLACE_EXISTING)) {
      return;
    }
  }
  HANDLE file = CreateFileW(path_.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  CloseHandle(file);
}

}  // namespace zormint::win32

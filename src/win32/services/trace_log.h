// Where the trace of skipped failures goes in the Windows build, only while the user switches it
// on (the per-user registry value HKCU\Software\ZORMINT "TraceLog", REG_DWORD, not 0, read at
// each connection):
//   - to the debugger output (OutputDebugStringW), where the usual debug-output viewers show it;
//   - to the log file %LOCALAPPDATA%\ZORMINT\ZORMINT.log; when a line would take it over 1 MiB
//     it is renamed to ZORMINT.log.1 (replacing the one before) and a new log begins; while it
//     cannot be renamed, nothing more is written. Each line is opened, appended and closed, so
//     that no handle is held and a line is on disk when written.
// With the switch off, nothing leaves the process and no file is touched.
#pragma once

#include "win32/com/win32_windows.h"

#include <cstdint>
#include <mutex>
#include <string>

#include "common/trace.h"

namespace zormint::win32 {

class Win32TraceLog final : public trace::Sink {
 public:
  static constexpr wchar_t kSwitchKey[] = L"Software\\ZORMINT";
  static constexpr wchar_t kSwitchValue[] = L"TraceLog";
  static constexpr uint64_t kMaxLogBytes = 1024 * 1024;

  // The log file's folder; empty: %LOCALAPPDATA%\ZORMINT.
  explicit Win32TraceLog(std::wstring folder = std::wstring());

  // Reads the user's switch again. Never fails: a switch that cannot be read is off.
  void ReadSwitch() noexcept;
  bool LogsToFile() const noexcept { return toFile_; }
  // The log file's full path.
  const std::wstring& LogPath() const noexcept { return path_; }

  void Skipped(const char* step, int32_t code, const std::string& description) noexcept override;

 private:
  void Append(const std::string& line);

  std::mutex mutex_;
  bool toFile_ = false;
  std::wstring folder_;
  std::wstring path_;
};

}  // namespace zormint::win32

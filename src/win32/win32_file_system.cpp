// First: see win32_windows.h.
#include "win32/win32_windows.h"

#include "win32/win32_file_system.h"

#include <vector>

#include "common/error.h"
#include "platform/paths.h"
#include "win32/text.h"
#include "win32/win32_error.h"

namespace zormint::win32 {

namespace fs = std::filesystem;

namespace {

// A folder path as the file-system object reports it: without the trailing "\", except for a
// drive's root ("C:\").
std::string FolderText(std::wstring path) {
  while (path.size() > 1 && path.back() == L'\\') {
    if (path.size() == 3 && path[1] == L':') break;
    path.pop_back();
  }
  return Narrow(path);
}

// Calls a Windows function of the GetTempPathW kind (buffer size, buffer -> length, or the size
// needed when the buffer is too small); empty on failure.
template <class F>
std::wstring AskForPath(F&& ask) {
  std::vector<wchar_t> buffer(MAX_PATH + 1);
  for (int attempt = 0; attempt < 4; ++attempt) {
    const DWORD length = ask(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length == 0) return {};
    if (length < buffer.size()) return std::wstring(buffer.data(), length);
    buffer.resize(length + 1);
  }
  return {};
}

std::wstring FullPath(const std::wstring& path) {
  std::wstring full = AskForPath([&](DWORD size, wchar_t* buffer) {
    return GetFullPathNameW(path.c_str(), size, buffer, nullptr);
  });
  return full.empty() ? path : full;
}

// What the system resolves the item at `path` to, opening the item itself (a link is not
// followed by the opening, only by the name resolution of the system); empty when it cannot
// be opened.
std::wstring FinalPath(const std::wstring& path) {
  HANDLE handle = CreateFileW(
      path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return {};
  std::wstring final = AskForPath([&](DWORD size, wchar_t* buffer) {
    return GetFinalPathNameByHandleW(handle, buffer, size, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  });
  CloseHandle(handle);
  return final;
}

// Under Wine: true when the file at `path` resolves to another place than the folder it lies in
// followed by its own name, which is how a Unix symbolic link to a file shows itself there. When
// that cannot be told, the file counts as a link, so that nothing deletes it through its name.
bool ResolvesElsewhere(const std::wstring& path) {
  const fs::path full(FullPath(path));
  const std::wstring longPath = AskForPath(
      [&](DWORD size, wchar_t* buffer) { return GetLongPathNameW(full.c_str(), buffer, size); });
  const std::wstring name = fs::path(longPath.empty() ? full.wstring() : longPath).filename();
  const std::wstring item = FinalPath(full.wstring());
  std::wstring expected = FinalPath(full.parent_path().wstring());
  if (item.empty() || expected.empty() || name.empty()) return true;
  if (expected.back() != L'\\') expected += L'\\';
  expected += name;
  return CompareStringOrdinal(item.c_str(), static_cast<int>(item.size()), expected.c_str(),
                              static_cast<int>(expected.size()), TRUE) != CSTR_EQUAL;
}

}  // namespace

bool RunningUnderWine() {
  static const bool wine = [] {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
  }();
  return wine;
}

Win32FileSystem::Win32FileSystem() : PortableFileSystem(std::nullopt, std::nullopt) {}

std::optional<std::string> Win32FileSystem::GetSpecialFolder(int32_t which) {
  std::wstring path;
  if (which == kTemporaryFolder) {
    path = AskForPath([](DWORD size, wchar_t* buffer) { return GetTempPathW(size, buffer); });
  } else if (which == kWindowsFolder) {
    path =
        AskForPath([](DWORD size, wchar_t* buffer) { return GetWindowsDirectoryW(buffer, size); });
  }
  if (path.empty()) return std::nullopt;
  return FolderText(std::move(path));
}

bool Win32FileSystem::IsLinkAt(const fs::path& path) {
  const std::wstring native = path.wstring();
  const DWORD attributes = GetFileAttributesW(native.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return true;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) && RunningUnderWine()) {
    return ResolvesElsewhere(native);
  }
  return false;
}

void Win32FileSystem::RemoveLinkAt(const fs::path& path) {
  const std::wstring native = path.wstring();
  const std::string text = platform::FromFsPath(path);
  if (RunningUnderWine()) {
    Fail(err::kPermissionDenied,
         "Permission denied: " + text + " (a link, which Wine cannot remove without its target)");
  }
  const DWORD attributes = GetFileAttributesW(native.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    FailWithSystemError(err::kFileNotFound, "File not found", text, GetLastError());
  }
  const BOOL removed = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryW(native.c_str())
                                                               : DeleteFileW(native.c_str());
  if (removed) return;
  const DWORD error = GetLastError();
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      FailWithSystemError(err::kFileNotFound, "File not found", text, error);
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
      FailWithSystemError(err::kPermissionDenied, "Permission denied", text, error);
    default:
      FailWithSystemError(err::kPathFileAccess, "Path/File access error", text, error);
  }
}

}  // namespace zormint::win32

// First: see win32_windows.h.
#include "win32/com/win32_windows.h"

#include "win32/services/file_system.h"

#include <string_view>
#include <vector>

#include "common/error.h"
#include "win32/com/failure.h"
#include "win32/com/text.h"

namespace zormint::win32 {

namespace {

using platform::FileFailure;

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

bool SamePath(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// The folder a full path lies in ("C:\" for an item at a drive's root) and the item's name.
std::wstring FolderOf(const std::wstring& full) {
  const size_t cut = full.find_last_of(L"\\/");
  if (cut == std::wstring::npos) return std::wstring();
  std::wstring folder = full.substr(0, cut);
  if (folder.empty() || (folder.size() == 2 && folder[1] == L':')) folder += L'\\';
  return folder;
}

std::wstring NameOf(const std::wstring& full) {
  const size_t cut = full.find_last_of(L"\\/");
  return cut == std::wstring::npos ? full : full.substr(cut + 1);
}

// Under Wine: true when the file at `path` resolves to another place than the folder it lies in
// followed by its own name, which is how a Unix symbolic link to a file shows itself there. When
// that cannot be told, the file counts as a link, so that nothing deletes it through its name.
bool ResolvesElsewhere(const std::wstring& path) {
  const std::wstring full = FullPath(path);
  const std::wstring item = FinalPath(full);
  std::wstring folder = FinalPath(FolderOf(full));
  if (item.empty() || folder.empty()) return true;
  if (folder.back() != L'\\') folder += L'\\';
  // The name as given is nearly always the item's own name. Only when it is not is the long
  // form of the name looked up: that lookup reads the whole folder the item lies in, which in
  // a crowded temporary folder costs milliseconds.
  if (SamePath(item, folder + NameOf(full))) return false;
  const std::wstring longPath = AskForPath(
      [&](DWORD size, wchar_t* buffer) { return GetLongPathNameW(full.c_str(), buffer, size); });
  if (longPath.empty()) return true;
  const std::wstring name = NameOf(longPath);
  return name.empty() || !SamePath(item, folder + name);
}

// What a failed call's error code means, as the C run-time library reads the same codes.
FileFailure FailureOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_DIRECTORY:
      return FileFailure::kNotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
    case ERROR_NETWORK_ACCESS_DENIED:
    case ERROR_CURRENT_DIRECTORY:
    case ERROR_DIR_NOT_EMPTY:
    case ERROR_BUSY:
      return FileFailure::kDenied;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return FileFailure::kExists;
    default:
      return FileFailure::kOther;
  }
}

[[noreturn]] void FailWith(DWORD error, const std::string& path, int32_t notFound) {
  platform::FailFileCall(FailureOf(error), path, notFound, SystemMessage(error));
}

}  // namespace

bool RunningUnderWine() {
  static const bool wine = [] {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
  }();
  return wine;
}

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

Win32FileSystem::Kind Win32FileSystem::KindOf(const std::string& path) {
  const std::wstring native = Widen(path);
  const DWORD attributes = GetFileAttributesW(native.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return Kind::kMissing;
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return Kind::kLink;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return Kind::kFolder;
  if (RunningUnderWine() && ResolvesElsewhere(native)) return Kind::kLink;
  return Kind::kFile;
}

Win32FileSystem::Kind Win32FileSystem::TargetKindOf(const std::string& path) {
  // A link to a folder carries the directory attribute itself; under Wine a link to a file shows
  // its target's attributes.
  const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return Kind::kMissing;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? Kind::kFolder : Kind::kFile;
}

bool Win32FileSystem::IsReadOnly(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

void Win32FileSystem::MakeWritable(const std::string& path, bool /*isFolder*/) {
  const std::wstring native = Widen(path);
  const DWORD attributes = GetFileAttributesW(native.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) FailWith(GetLastError(), path, err::kPathNotFound);
  const DWORD writable = attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
  if (!SetFileAttributesW(native.c_str(), writable ? writable : FILE_ATTRIBUTE_NORMAL)) {
    FailWith(GetLastError(), path, err::kPathNotFound);
  }
}

void Win32FileSystem::MakeFolder(const std::string& path) {
  if (!CreateDirectoryW(Widen(path).c_str(), nullptr)) {
    FailWith(GetLastError(), path, err::kPathNotFound);
  }
}

void Win32FileSystem::Remove(const std::string& path, bool isFolder) {
  const std::wstring native = Widen(path);
  if (isFolder ? RemoveDirectoryW(native.c_str()) : DeleteFileW(native.c_str())) return;
  const DWORD error = GetLastError();
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return;  // already gone
  FailWith(error, path, isFolder ? err::kPathNotFound : err::kFileNotFound);
}

namespace {

// A reparse point (junction, symbolic link, or under Wine a Unix link to a folder) is a link
// whatever it points to; files and links to files both go with the files.
bool IsRealFolder(DWORD attributes) {
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool IsDotName(std::wstring_view name) {
  return name == L"." || name == L"..";
}

[[noreturn]] void FailToList(const std::string& text, DWORD error) {
  if (error == ERROR_ACCESS_DENIED) {
    FailWithSystemError(err::kPermissionDenied, "Permission denied", text, error);
  }
  FailWithSystemError(err::kPathNotFound, "Path not found", text, error);
}

}  // namespace

std::vector<platform::BasicFileSystem::Entry> Win32FileSystem::ListEntries(
    const std::string& folder, const std::string& text) {
  if (listing_ == Listing::kBlocks) {
    if (std::optional<std::vector<Entry>> entries = ListInBlocks(folder, text)) {
      return std::move(*entries);
    }
  }
  return ListWithFindFiles(folder, text);
}

std::optional<std::vector<platform::BasicFileSystem::Entry>> Win32FileSystem::ListInBlocks(
    const std::string& folder, const std::string& text) {
  // The folder itself may be reached through a link (the handle follows it); its entries are
  // only read, never followed.
  HANDLE handle = CreateFileW(Widen(folder).c_str(), FILE_LIST_DIRECTORY,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) FailToList(text, GetLastError());
  // Read in blocks of many entries at once, without the short names FindFirstFileW would make
  // for each one (which is what costs most in a folder of thousands of entries).
  std::vector<LONGLONG> buffer(64 * 1024 / sizeof(LONGLONG));
  const DWORD bufferBytes = static_cast<DWORD>(buffer.size() * sizeof(LONGLONG));
  std::vector<Entry> entries;
  DWORD error = ERROR_SUCCESS;
  bool first = true;
  for (FILE_INFO_BY_HANDLE_CLASS kind = FileFullDirectoryRestartInfo;;
       kind = FileFullDirectoryInfo, first = false) {
    if (!GetFileInformationByHandleEx(handle, kind, buffer.data(), bufferBytes)) {
      error = GetLastError();
      break;
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(buffer.data());
    for (size_t offset = 0;;) {
      const auto* info = reinterpret_cast<const FILE_FULL_DIR_INFO*>(bytes + offset);
      const std::wstring_view name(info->FileName, info->FileNameLength / sizeof(wchar_t));
      if (!IsDotName(name)) {
        entries.push_back({Narrow(name.data(), name.size()), IsRealFolder(info->FileAttributes)});
      }
      if (info->NextEntryOffset == 0) break;
      offset += info->NextEntryOffset;
    }
  }
  CloseHandle(handle);
  // A file system that does not read folders so refuses the first block: the caller lists the
  // folder the other way.
  if (first && (error == ERROR_INVALID_PARAMETER || error == ERROR_INVALID_FUNCTION ||
                error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_LEVEL ||
                error == ERROR_CALL_NOT_IMPLEMENTED)) {
    return std::nullopt;
  }
  // The end of the listing; an empty drive root has no entry at all.
  if (error != ERROR_NO_MORE_FILES && error != ERROR_FILE_NOT_FOUND) FailToList(text, error);
  return entries;
}

std::vector<platform::BasicFileSystem::Entry> Win32FileSystem::ListWithFindFiles(
    const std::string& folder, const std::string& text) {
  std::wstring pattern = Widen(folder);
  if (!pattern.empty() && pattern.back() != L'\\') pattern += L'\\';
  pattern += L'*';
  WIN32_FIND_DATAW data = {};
  // Without short names, in large batches: the closest to the block reads.
  HANDLE search = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                   nullptr, FIND_FIRST_EX_LARGE_FETCH);
  std::vector<Entry> entries;
  if (search == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) return entries;  // an empty drive root
    FailToList(text, error);
  }
  do {
    const std::wstring_view name(data.cFileName);
    if (!IsDotName(name)) {
      entries.push_back({Narrow(name.data(), name.size()), IsRealFolder(data.dwFileAttributes)});
    }
  } while (FindNextFileW(search, &data));
  const DWORD error = GetLastError();
  FindClose(search);
  if (error != ERROR_NO_MORE_FILES) FailToList(text, error);
  return entries;
}

std::shared_ptr<void> Win32FileSystem::HoldFolder(const std::string& folder, bool& isLink) {
  isLink = false;
  HANDLE handle = CreateFileW(Widen(folder).c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  // Not to be held (in use without delete sharing, say): the deletion goes on as it would.
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  std::shared_ptr<void> hold(handle, [](void* held) { CloseHandle(static_cast<HANDLE>(held)); });
  BY_HANDLE_FILE_INFORMATION info = {};
  if (GetFileInformationByHandle(handle, &info) &&
      ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
       !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))) {
    isLink = true;
  }
  return hold;
}

void Win32FileSystem::RemoveLink(const std::string& text) {
  const std::wstring native = Widen(text);
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

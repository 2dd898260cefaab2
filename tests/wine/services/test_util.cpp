#include "services/test_util.h"

#include <winioctl.h>

#include <atomic>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "support/wine_test.h"
#include "win32/com/text.h"
#include "win32/services/file_system.h"

namespace zormint::wine_test {

namespace {

std::wstring TempFolder() {
  wchar_t buffer[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
  std::wstring path(buffer, length);
  while (!path.empty() && path.back() == L'\\')
    path.pop_back();
  return path;
}

// Under Wine: the Unix name of a Windows path (the parent must exist).
std::string UnixName(const std::wstring& path) {
  using Function = char*(CDECL*)(const wchar_t*);
  auto function = reinterpret_cast<Function>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!function) return {};
  char* name = function(path.c_str());
  if (!name) return {};
  std::string text = name;
  HeapFree(GetProcessHeap(), 0, name);
  return text;
}

// Starts a Unix program from inside Wine (Wine starts Unix executables as they are). Wine does
// not wait for it: the handle it gives back is signalled at once.
void StartUnix(const std::string& commandLine) {
  RunProcess(W(commandLine));
}

bool MakeUnixLink(const std::string& link, const std::string& target) {
  if (!win32::RunningUnderWine()) return false;
  const std::string unixLink = UnixName(W(link));
  const std::string unixTarget = UnixName(W(target));
  if (unixLink.empty() || unixTarget.empty()) return false;
  StartUnix("Z:\\bin\\ln -s \"" + unixTarget + "\" \"" + unixLink + "\"");
  return WaitFor([&] { return Exists(link); }, 10);
}

// A junction: an empty folder with a mount-point reparse point.
bool MakeJunction(const std::string& link, const std::string& target) {
  if (!CreateDirectoryW(W(link).c_str(), nullptr)) return false;
  HANDLE handle = CreateFileW(W(link).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  bool made = false;
  if (handle != INVALID_HANDLE_VALUE) {
    const std::wstring substitute = L"\\??\\" + W(target);
    const std::wstring print = W(target);
    struct {
      DWORD tag;
      WORD dataLength, reserved;
      WORD substituteOffset, substituteLength, printOffset, printLength;
      wchar_t names[2048];
    } data = {};
    data.tag = IO_REPARSE_TAG_MOUNT_POINT;
    data.substituteLength = static_cast<WORD>(substitute.size() * sizeof(wchar_t));
    data.printOffset = static_cast<WORD>((substitute.size() + 1) * sizeof(wchar_t));
    data.printLength = static_cast<WORD>(print.size() * sizeof(wchar_t));
    std::memcpy(data.names, substitute.c_str(), (substitute.size() + 1) * sizeof(wchar_t));
    std::memcpy(data.names + substitute.size() + 1, print.c_str(),
                (print.size() + 1) * sizeof(wchar_t));
    data.dataLength = static_cast<WORD>(8 + (substitute.size() + print.size() + 2) * 2);
    DWORD returned = 0;
    made = DeviceIoControl(handle, FSCTL_SET_REPARSE_POINT, &data, data.dataLength + 8u, nullptr, 0,
                           &returned, nullptr) != FALSE;
    CloseHandle(handle);
  }
  if (!made) RemoveDirectoryW(W(link).c_str());
  return made;
}

bool IsReparsePoint(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(W(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

void RemoveTree(const std::wstring& path) {
  if (win32::RunningUnderWine()) {
    const std::string unixName = UnixName(path);
    if (!unixName.empty()) StartUnix("Z:\\bin\\rm -rf \"" + unixName + "\"");
    return;
  }
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    DeleteFileW(path.c_str());
    return;
  }
  if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") RemoveTree(path + L"\\" + name);
      } while (FindNextFileW(search, &found));
      FindClose(search);
    }
  }
  RemoveDirectoryW(path.c_str());
}

}  // namespace

std::wstring W(const std::string& utf8) {
  return win32::Widen(utf8);
}
std::string U(const std::wstring& wide) {
  return win32::Narrow(wide);
}

ScratchFolder::ScratchFolder(const std::string& hint) {
  static std::atomic<int> counter{0};
  path_ = U(TempFolder()) + "\\zormint-" + hint + "-" + std::to_string(GetCurrentProcessId()) +
          "-" + std::to_string(GetTickCount()) + "-" + std::to_string(++counter);
  MakeFolder(path_);
}

ScratchFolder::~ScratchFolder() {
  RemoveTree(W(path_));
}

void MakeFolder(const std::string& path) {
  if (!CreateDirectoryW(W(path).c_str(), nullptr)) {
    throw std::runtime_error("cannot create " + path);
  }
}

void WriteFile(const std::string& path, const std::string& content) {
  HANDLE file = CreateFileW(W(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot write " + path);
  DWORD written = 0;
  ::WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
  CloseHandle(file);
}

std::string ReadFile(const std::string& path) {
  HANDLE file = CreateFileW(W(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  std::string content;
  char buffer[4096];
  DWORD read = 0;
  while (::ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0) {
    content.append(buffer, read);
  }
  CloseHandle(file);
  return content;
}

bool Exists(const std::string& path) {
  return GetFileAttributesW(W(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void SetReadOnly(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(W(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES ||
      !SetFileAttributesW(W(path).c_str(), attributes | FILE_ATTRIBUTE_READONLY)) {
    throw std::runtime_error("cannot make read-only: " + path);
  }
}

bool MakeFolderLink(const std::string& link, const std::string& target) {
  if (MakeJunction(link, target) && IsReparsePoint(link)) return true;
  return MakeUnixLink(link, target);
}

bool MakeFileLink(const std::string& link, const std::string& target) {
  constexpr DWORD kAllowUnprivileged = 0x2;
  if (CreateSymbolicLinkW(W(link).c_str(), W(target).c_str(), kAllowUnprivileged) &&
      IsReparsePoint(link)) {
    return true;
  }
  return MakeUnixLink(link, target);
}

bool WaitFor(const std::function<bool()>& condition, double seconds) {
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(seconds * 1000);
  for (;;) {
    if (condition()) return true;
    if (GetTickCount64() > end) return false;
    Sleep(20);
  }
}

std::wstring ProgramFolder() {
  std::vector<wchar_t> buffer(32768);
  const DWORD length =
      GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  std::wstring path(buffer.data(), length);
  return path.substr(0, path.find_last_of(L'\\'));
}

}  // namespace zormint::wine_test

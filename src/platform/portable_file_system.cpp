#include "platform/portable_file_system.h"

#include <algorithm>
#include <system_error>
#include <utility>

#include "common/error.h"
#include "platform/paths.h"

namespace zormint::platform {

namespace fs = std::filesystem;

namespace {

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

// The path text without trailing separators, but never shorter than a root ("\", "C:\").
std::string WithoutTrailingSeparators(std::string text) {
  while (text.size() > 1 && IsSeparator(text.back())) {
    if (text.size() == 3 && text[1] == ':') break;
    text.pop_back();
  }
  return text;
}

// A trailing separator would make the system resolve a link at the end of the path. No file
// name holds a NUL: the system would take the name before it for the whole path and act on
// another file, so such a path is refused here, before any call.
fs::path Native(const std::string& text) {
  if (text.find('\0') != std::string::npos) {
    Fail(err::kBadFileName,
         "Bad file name or number: " + text.substr(0, text.find('\0')) + "<NUL>");
  }
  return ToFsPath(WithoutTrailingSeparators(text));
}

[[noreturn]] void FailWith(const std::error_code& ec, const std::string& path, int32_t notFound) {
  const std::error_condition c = ec.default_error_condition();
  if (c == std::errc::no_such_file_or_directory || c == std::errc::not_a_directory) {
    Fail(notFound,
         (notFound == err::kFileNotFound ? "File not found: " : "Path not found: ") + path);
  }
  if (c == std::errc::permission_denied || c == std::errc::operation_not_permitted ||
      c == std::errc::device_or_resource_busy || c == std::errc::text_file_busy ||
      c == std::errc::read_only_file_system || c == std::errc::directory_not_empty) {
    Fail(err::kPermissionDenied, "Permission denied: " + path);
  }
  if (c == std::errc::file_exists) Fail(err::kPathFileAccess, "File already exists: " + path);
  Fail(err::kPathFileAccess, "Path/File access error: " + path + " (" + ec.message() + ")");
}

bool IsReadOnly(const fs::path& p) {
  std::error_code ec;
  const fs::file_status st = fs::status(p, ec);
  return !ec && (st.permissions() & fs::perms::owner_write) == fs::perms::none;
}

void MakeWritable(const fs::path& p, bool isFolder) {
  std::error_code ec;
  const fs::perms add = isFolder ? fs::perms::owner_all : fs::perms::owner_write;
  fs::permissions(p, add, fs::perm_options::add, ec);
  if (ec) FailWith(ec, FromFsPath(p), err::kPathNotFound);
}

}  // namespace

PortableFileSystem::PortableFileSystem(std::optional<std::string> temporaryFolder,
                                       std::optional<std::string> windowsFolder) {
  if (temporaryFolder) temporaryFolder_ = WithoutTrailingSeparators(std::move(*temporaryFolder));
  if (windowsFolder) windowsFolder_ = WithoutTrailingSeparators(std::move(*windowsFolder));
}

std::optional<std::string> PortableFileSystem::GetSpecialFolder(int32_t which) {
  if (which == kTemporaryFolder) return temporaryFolder_;
  if (which == kWindowsFolder) return windowsFolder_;
  return std::nullopt;
}

bool PortableFileSystem::IsLinkAt(const fs::path& path) {
  std::error_code ec;
  return fs::is_symlink(fs::symlink_status(path, ec));
}

void PortableFileSystem::RemoveLinkAt(const fs::path& path) {
  std::error_code ec;
  fs::remove(path, ec);
  if (ec) FailWith(ec, FromFsPath(path), err::kFileNotFound);
  if (IsLinkAt(path)) Fail(err::kPermissionDenied, "Permission denied: " + FromFsPath(path));
}

PortableFileSystem::Kind PortableFileSystem::KindOf(const fs::path& path) {
  if (IsLinkAt(path)) return Kind::kLink;
  std::error_code ec;
  const fs::file_status st = fs::symlink_status(path, ec);
  if (ec || !fs::exists(st)) return Kind::kMissing;
  return fs::is_directory(st) ? Kind::kFolder : Kind::kFile;
}

bool PortableFileSystem::FolderExists(const std::string& path) {
  if (path.empty()) return false;
  try {
    return KindOf(Native(path)) == Kind::kFolder;
  } catch (...) {
    return false;  // a path the system cannot even represent names no folder
  }
}

bool PortableFileSystem::FileExists(const std::string& path) {
  if (path.empty()) return false;
  try {
    const fs::path p = Native(path);
    switch (KindOf(p)) {
      case Kind::kFile:
        return true;
      case Kind::kLink: {  // a link to a file stands for the file
        std::error_code ec;
        const fs::file_status st = fs::status(p, ec);
        return !ec && fs::exists(st) && !fs::is_directory(st);
      }
      default:
        return false;
    }
  } catch (...) {
    return false;
  }
}

bool PortableFileSystem::IsLink(const std::string& path) {
  if (path.empty()) return false;
  return IsLinkAt(Native(path));
}

void PortableFileSystem::CreateFolder(const std::string& path) {
  const fs::path p = Native(path);
  if (KindOf(p) != Kind::kMissing) Fail(err::kPathFileAccess, "File already exists: " + path);
  std::error_code ec;
  fs::create_directory(p, ec);
  if (ec) FailWith(ec, path, err::kPathNotFound);
}

std::vector<PortableFileSystem::Entry> PortableFileSystem::ListEntries(const fs::path& folder,
                                                                       const std::string& text) {
  std::vector<Entry> entries;
  std::error_code ec;
  fs::directory_iterator it(folder, ec);
  if (ec) FailWith(ec, text, err::kPathNotFound);
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) break;
    // The entry's own type comes with the listing on most systems; a link is never a folder.
    std::error_code typeError;
    const fs::file_status st = it->symlink_status(typeError);
    if (typeError) continue;  // vanished while listing
    const bool folderLike = fs::is_directory(st) && !IsLinkAt(it->path());
    entries.push_back({it->path().filename(), folderLike});
  }
  if (ec) FailWith(ec, text, err::kPathNotFound);
  return entries;
}

void PortableFileSystem::ListFolder(const std::string& folder, std::vector<std::string>* subFolders,
                                    std::vector<std::string>* files) {
  const fs::path p = Native(folder);
  // The folder asked for may itself be reached through a link (a temporary folder often is);
  // what lies inside it is never followed.
  std::error_code ec;
  if (!fs::is_directory(fs::status(p, ec))) Fail(err::kPathNotFound, "Path not found: " + folder);
  for (const Entry& entry : ListEntries(p, folder)) {
    std::vector<std::string>* out = entry.isFolder ? subFolders : files;
    if (out) out->push_back(FromFsPath(entry.name));
  }
  if (subFolders) std::sort(subFolders->begin(), subFolders->end());
  if (files) std::sort(files->begin(), files->end());
}

std::vector<std::string> PortableFileSystem::SubFolderNames(const std::string& folder) {
  std::vector<std::string> names;
  ListFolder(folder, &names, nullptr);
  return names;
}

std::vector<std::string> PortableFileSystem::FileNames(const std::string& folder) {
  std::vector<std::string> names;
  ListFolder(folder, nullptr, &names);
  return names;
}

FileSystem::Contents PortableFileSystem::FolderContents(const std::string& folder) {
  Contents contents;
  ListFolder(folder, &contents.subFolders, &contents.files);
  return contents;
}

void PortableFileSystem::RemoveOne(const fs::path& path, bool force, bool isFolder) {
  if (IsReadOnly(path)) {
    if (!force) Fail(err::kPermissionDenied, "Permission denied: " + FromFsPath(path));
    MakeWritable(path, isFolder);
  }
  std::error_code ec;
  fs::remove(path, ec);
  if (ec) FailWith(ec, FromFsPath(path), isFolder ? err::kPathNotFound : err::kFileNotFound);
}

void PortableFileSystem::DeleteTree(const fs::path& folder, bool force) {
  // The folder must be writable before anything inside it can go.
  if (IsReadOnly(folder)) {
    if (!force) Fail(err::kPermissionDenied, "Permission denied: " + FromFsPath(folder));
    MakeWritable(folder, true);
  }
  std::vector<fs::path> entries;
  std::error_code ec;
  fs::directory_iterator it(folder, ec);
  if (ec) FailWith(ec, FromFsPath(folder), err::kPathNotFound);
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) break;
    entries.push_back(it->path());
  }
  if (ec) FailWith(ec, FromFsPath(folder), err::kPathNotFound);

  // Everything that can go goes; the first failure is reported once the rest is done.
  std::optional<ZError> first;
  for (const fs::path& entry : entries) {
    try {
      switch (KindOf(entry)) {
        case Kind::kLink:
          RemoveLinkAt(entry);
          break;
        case Kind::kFolder:
          DeleteTree(entry, force);
          break;
        case Kind::kFile:
          RemoveOne(entry, force, false);
          break;
        case Kind::kMissing:
          break;
      }
    } catch (const ZError& e) {
      if (!first) first = e;
    }
  }
  if (first) throw *first;
  fs::remove(folder, ec);
  if (ec) FailWith(ec, FromFsPath(folder), err::kPathNotFound);
}

void PortableFileSystem::DeleteFolder(const std::string& path, bool force) {
  const fs::path p = Native(path);
  switch (KindOf(p)) {
    case Kind::kLink:
      RemoveLinkAt(p);
      return;
    case Kind::kFolder:
      DeleteTree(p, force);
      return;
    default:
      Fail(err::kPathNotFound, "Path not found: " + path);
  }
}

void PortableFileSystem::DeleteFile(const std::string& path, bool force) {
  const fs::path p = Native(path);
  switch (KindOf(p)) {
    case Kind::kLink:
      RemoveLinkAt(p);
      return;
    case Kind::kFile:
      RemoveOne(p, force, false);
      return;
    default:
      Fail(err::kFileNotFound, "File not found: " + path);
  }
}

}  // namespace zormint::platform

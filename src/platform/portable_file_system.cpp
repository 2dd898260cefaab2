#include "platform/portable_file_system.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "common/error.h"
#include "platform/paths.h"

namespace zormint::platform {

namespace fs = std::filesystem;

namespace {

// The system path as the standard library takes it: the separators are already the system's.
fs::path Fs(const std::string& path) {
  return fs::path(std::u8string(path.begin(), path.end()));
}

[[noreturn]] void FailWith(const std::error_code& ec, const std::string& path, int32_t notFound) {
  const std::error_condition c = ec.default_error_condition();
  FileFailure failure = FileFailure::kOther;
  if (c == std::errc::no_such_file_or_directory || c == std::errc::not_a_directory) {
    failure = FileFailure::kNotFound;
  } else if (c == std::errc::permission_denied || c == std::errc::operation_not_permitted ||
             c == std::errc::device_or_resource_busy || c == std::errc::text_file_busy ||
             c == std::errc::read_only_file_system || c == std::errc::directory_not_empty) {
    failure = FileFailure::kDenied;
  } else if (c == std::errc::file_exists) {
    failure = FileFailure::kExists;
  }
  FailFileCall(failure, path, notFound, ec.message());
}

bool IsSymlink(const fs::path& path) {
  std::error_code ec;
  return fs::is_symlink(fs::symlink_status(path, ec));
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

PortableFileSystem::Kind PortableFileSystem::KindOf(const std::string& path) {
  const fs::path p = Fs(path);
  if (IsSymlink(p)) return Kind::kLink;
  std::error_code ec;
  const fs::file_status st = fs::symlink_status(p, ec);
  if (ec || !fs::exists(st)) return Kind::kMissing;
  return fs::is_directory(st) ? Kind::kFolder : Kind::kFile;
}

PortableFileSystem::Kind PortableFileSystem::TargetKindOf(const std::string& path) {
  std::error_code ec;
  const fs::file_status st = fs::status(Fs(path), ec);
  if (ec || !fs::exists(st)) return Kind::kMissing;
  return fs::is_directory(st) ? Kind::kFolder : Kind::kFile;
}

bool PortableFileSystem::IsReadOnly(const std::string& path) {
  std::error_code ec;
  const fs::file_status st = fs::status(Fs(path), ec);
  return !ec && (st.permissions() & fs::perms::owner_write) == fs::perms::none;
}

void PortableFileSystem::MakeWritable(const std::string& path, bool isFolder) {
  std::error_code ec;
  const fs::perms add = isFolder ? fs::perms::owner_all : fs::perms::owner_write;
  fs::permissions(Fs(path), add, fs::perm_options::add, ec);
  if (ec) FailWith(ec, path, err::kPathNotFound);
}

void PortableFileSystem::MakeFolder(const std::string& path) {
  std::error_code ec;
  fs::create_directory(Fs(path), ec);
  if (ec) FailWith(ec, path, err::kPathNotFound);
}

void PortableFileSystem::Remove(const std::string& path, bool isFolder) {
  std::error_code ec;
  fs::remove(Fs(path), ec);
  if (ec) FailWith(ec, path, isFolder ? err::kPathNotFound : err::kFileNotFound);
}

void PortableFileSystem::RemoveLink(const std::string& path) {
  const fs::path p = Fs(path);
  std::error_code ec;
  fs::remove(p, ec);
  if (ec) FailWith(ec, path, err::kFileNotFound);
  if (IsSymlink(p)) Fail(err::kPermissionDenied, "Permission denied: " + path);
}

std::vector<PortableFileSystem::Entry> PortableFileSystem::ListEntries(const std::string& folder,
                                                                       const std::string& text) {
  std::vector<Entry> entries;
  std::error_code ec;
  fs::directory_iterator it(Fs(folder), ec);
  if (ec) FailWith(ec, text, err::kPathNotFound);
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) break;
    // The entry's own type comes with the listing on most systems; a link is never a folder.
    std::error_code typeError;
    const fs::file_status st = it->symlink_status(typeError);
    if (typeError) continue;  // vanished while listing
    const bool folderLike = fs::is_directory(st) && !IsSymlink(it->path());
    entries.push_back({FromFsPath(it->path().filename()), folderLike});
  }
  if (ec) FailWith(ec, text, err::kPathNotFound);
  return entries;
}

}  // namespace zormint::platform

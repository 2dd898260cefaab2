#include "platform/basic_file_system.h"

#include <algorithm>
#include <optional>

#include "common/error.h"

namespace zormint::platform {

namespace {

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

}  // namespace

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
std::string BasicFileSystem::SystemPath(const std::string& text) {
  if (text.find('\0') != std::string::npos) {
    Fail(err::kBadFileName,
         "Bad file name or number: " + text.substr(0, text.find('\0')) + "<NUL>");
  }
  std::string path = WithoutTrailingSeparators(text);
#ifndef _WIN32
  std::replace(path.begin(), path.end(), '\\', '/');
#endif
  return path;
}

std::string BasicFileSystem::Join(const std::string& folder, const std::string& name) {
  if (!folder.empty() && IsSeparator(folder.back())) return folder + name;
  return folder + kSeparator + name;
}

void FailFileCall(FileFailure failure, const std::string& path, int32_t notFound,
                  const std::string& detail) {
  switch (failure) {
    case FileFailure::kNotFound:
      Fail(notFound,
           (notFound == err::kFileNotFound ? "File not found: " : "Path not found: ") + path);
    case FileFailure::kDenied:
      Fail(err::kPermissionDenied, "Permission denied: " + path);
    case FileFailure::kExists:
      Fail(err::kPathFileAccess, "File already exists: " + path);
    case FileFailure::kOther:
      break;
  }
  Fail(err::kPathFileAccess, "Path/File access error: " + path + " (" + detail + ")");
}

bool BasicFileSystem::FolderExists(const std::string& path) {
  if (path.empty()) return false;
  try {
    return KindOf(SystemPath(path)) == Kind::kFolder;
  } catch (...) {
    return false;  // a path the system cannot even represent names no folder
  }
}

bool BasicFileSystem::FileExists(const std::string& path) {
  if (path.empty()) return false;
  try {
    const std::string p = SystemPath(path);
    switch (KindOf(p)) {
      case Kind::kFile:
        return true;
      case Kind::kLink:  // a link to a file stands for the file
        return TargetKindOf(p) == Kind::kFile;
      default:
        return false;
    }
  } catch (...) {
    return false;
  }
}

bool BasicFileSystem::IsLink(const std::string& path) {
  if (path.empty()) return false;
  return KindOf(SystemPath(path)) == Kind::kLink;
}

void BasicFileSystem::CreateFolder(const std::string& path) {
  const std::string p = SystemPath(path);
  if (KindOf(p) != Kind::kMissing) Fail(err::kPathFileAccess, "File already exists: " + path);
  MakeFolder(p);
}

void BasicFileSystem::ListFolder(const std::string& folder, std::vector<std::string>* subFolders,
                                 std::vector<std::string>* files) {
  const std::string p = SystemPath(folder);
  // The folder asked for may itself be reached through a link (a temporary folder often is);
  // what lies inside it is never followed.
  if (TargetKindOf(p) != Kind::kFolder) Fail(err::kPathNotFound, "Path not found: " + folder);
  for (Entry& entry : ListEntries(p, folder)) {
    std::vector<std::string>* out = entry.isFolder ? subFolders : files;
    if (out) out->push_back(std::move(entry.name));
  }
  if (subFolders) std::sort(subFolders->begin(), subFolders->end());
  if (files) std::sort(files->begin(), files->end());
}

std::vector<std::string> BasicFileSystem::SubFolderNames(const std::string& folder) {
  std::vector<std::string> names;
  ListFolder(folder, &names, nullptr);
  return names;
}

std::vector<std::string> BasicFileSystem::FileNames(const std::string& folder) {
  std::vector<std::string> names;
  ListFolder(folder, nullptr, &names);
  return names;
}

FileSystem::Contents BasicFileSystem::FolderContents(const std::string& folder) {
  Contents contents;
  ListFolder(folder, &contents.subFolders, &contents.files);
  return contents;
}

void BasicFileSystem::RemoveOne(const std::string& path, bool force, bool isFolder) {
  if (IsReadOnly(path)) {
    if (!force) Fail(err::kPermissionDenied, "Permission denied: " + path);
    MakeWritable(path, isFolder);
  }
  Remove(path, isFolder);
}

void BasicFileSystem::DeleteTree(const std::string& folder, bool force) {
  // Held while its contents go: its path keeps naming the folder that was checked. A link
  // swapped in since the check is removed as a link.
  bool isLink = false;
  std::shared_ptr<void> hold = HoldFolder(folder, isLink);
  if (isLink) {
    hold.reset();
    RemoveLink(folder);
    return;
  }
  // The folder must be writable before anything inside it can go.
  if (IsReadOnly(folder)) {
    if (!force) Fail(err::kPermissionDenied, "Permission denied: " + folder);
    MakeWritable(folder, true);
  }
  // Everything that can go goes; the first failure is reported once the rest is done.
  std::optional<ZError> first;
  for (const Entry& entry : ListEntries(folder, folder)) {
    const std::string path = Join(folder, entry.name);
    try {
      switch (KindOf(path)) {
        case Kind::kLink:
          RemoveLink(path);
          break;
        case Kind::kFolder:
          DeleteTree(path, force);
          break;
        case Kind::kFile:
          RemoveOne(path, force, false);
          break;
        case Kind::kMissing:
          break;
      }
    } catch (const ZError& e) {
      if (!first) first = e;
    }
  }
  hold.reset();  // the folder itself can go only once nothing holds it
  if (first) throw *first;
  Remove(folder, true);
}

void BasicFileSystem::DeleteFolder(const std::string& path, bool force) {
  const std::string p = SystemPath(path);
  switch (KindOf(p)) {
    case Kind::kLink:
      RemoveLink(p);
      return;
    case Kind::kFolder:
      DeleteTree(p, force);
      return;
    default:
      Fail(err::kPathNotFound, "Path not found: " + path);
  }
}

void BasicFileSystem::DeleteFile(const std::string& path, bool force) {
  const std::string p = SystemPath(path);
  switch (KindOf(p)) {
    case Kind::kLink:
      RemoveLink(p);
      return;
    case Kind::kFile:
      RemoveOne(p, force, false);
      return;
    default:
      Fail(err::kFileNotFound, "File not found: " + path);
  }
}

}  // namespace zormint::platform

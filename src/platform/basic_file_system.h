// The rules every file-system object keeps, over a handful of calls each system makes its own
// way: the portable file system (the C++ standard library) and the Windows one (Win32 calls
// alone, so that the DLL carries no standard-library file-system code).
//
// Paths are the core's UTF-8 path text (see paths.h); a trailing separator is ignored. Nothing
// here ever follows a symbolic link or a junction found inside a folder: a link is reported with
// the files, is never a folder, and is deleted as a link, leaving its target alone. A path
// holding a NUL names no file: it fails (bad file name), and the existence checks answer false.
// Failures throw ZError with a run-time error code (path not found, file not found, permission
// denied, path/file access error).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace zormint::platform {

// The path text without trailing separators, but never shorter than a root ("\", "C:\").
std::string WithoutTrailingSeparators(std::string text);

// What a failed file-system call of the system means to the caller.
enum class FileFailure { kNotFound, kDenied, kExists, kOther };
// Throws the failure for `path`: `notFound` is the code of a missing item (file or path not
// found); `detail` is the system's own word, kept for the failures with no code of their own.
[[noreturn]] void FailFileCall(FileFailure failure, const std::string& path, int32_t notFound,
                               const std::string& detail);

class BasicFileSystem : public FileSystem {
 public:
  bool FolderExists(const std::string& path) override;
  bool FileExists(const std::string& path) override;
  void CreateFolder(const std::string& path) override;
  std::vector<std::string> SubFolderNames(const std::string& folder) override;
  std::vector<std::string> FileNames(const std::string& folder) override;
  Contents FolderContents(const std::string& folder) override;
  void DeleteFolder(const std::string& path, bool force) override;
  void DeleteFile(const std::string& path, bool force) override;
  bool IsLink(const std::string& path) override;

 protected:
  // The calls below take the system's path: the core's text without trailing separators, with
  // "/" for "\" where the system separates with "/" (see SystemPath).
  enum class Kind { kMissing, kLink, kFolder, kFile };
  // What the item at `path` itself is; a symbolic link or a junction is a link whatever it
  // points to.
  virtual Kind KindOf(const std::string& path) = 0;
  // What `path` leads to with links followed: kMissing, kFolder or kFile.
  virtual Kind TargetKindOf(const std::string& path) = 0;
  virtual bool IsReadOnly(const std::string& path) = 0;
  virtual void MakeWritable(const std::string& path, bool isFolder) = 0;
  // One level; fails if the parent is missing or something is already there.
  virtual void MakeFolder(const std::string& path) = 0;
  // Removes a file or an empty folder; an item that is already gone is no failure.
  virtual void Remove(const std::string& path, bool isFolder) = 0;
  // Removes the link itself, never what it points to.
  virtual void RemoveLink(const std::string& path) = 0;

  // One entry of a folder: its name and whether it is a folder of its own (a link to a folder
  // is not: it is listed with the files).
  struct Entry {
    std::string name;
    bool isFolder = false;
  };
  // The entries of an existing folder, in any order; `text` names the folder in failures.
  virtual std::vector<Entry> ListEntries(const std::string& folder, const std::string& text) = 0;

  // Holds a folder about to be emptied, so that it cannot be swapped for a link while its
  // contents go; the hold ends when the result is destroyed. `isLink` is set when the item
  // opened turns out to be a link after all (one swapped in since it was checked). A system
  // that cannot hold a folder returns none.
  virtual std::shared_ptr<void> HoldFolder(const std::string& /*folder*/, bool& isLink) {
    isLink = false;
    return nullptr;
  }

  // The system's path for the core's path text; a path holding a NUL fails here.
  static std::string SystemPath(const std::string& text);
  // `name` inside `folder`, both system paths.
  static std::string Join(const std::string& folder, const std::string& name);

 private:
  void DeleteTree(const std::string& folder, bool force);
  void RemoveOne(const std::string& path, bool force, bool isFolder);
  // Either list or both, sorted by name.
  void ListFolder(const std::string& folder, std::vector<std::string>* subFolders,
                  std::vector<std::string>* files);
};

}  // namespace zormint::platform

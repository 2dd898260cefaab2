// The file-system object over the C++ standard library: what the native build and the tests use,
// and the base of the Windows build's file system.
//
// Paths are the core's UTF-8 path text (see paths.h); a trailing separator is ignored. The two
// special folders are given to the constructor. Nothing here ever follows a symbolic link or a
// junction found inside a folder: a link is reported with the files, is never a folder, and is
// deleted as a link, leaving its target alone. A path holding a NUL names no file: it fails
// (bad file name), and the existence checks answer false. Failures throw ZError with a run-time
// error code (path not found, file not found, permission denied, path/file access error).
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace zormint::platform {

class PortableFileSystem : public FileSystem {
 public:
  explicit PortableFileSystem(std::optional<std::string> temporaryFolder = std::nullopt,
                              std::optional<std::string> windowsFolder = std::nullopt);

  std::optional<std::string> GetSpecialFolder(int32_t which) override;
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
  // True when the item at `path` itself is a symbolic link or a junction. The standard
  // library sees symbolic links on POSIX systems only; the Windows build overrides this to
  // look for reparse points.
  virtual bool IsLinkAt(const std::filesystem::path& path);
  // Removes the link itself, never what it points to.
  virtual void RemoveLinkAt(const std::filesystem::path& path);

  // One entry of a folder: its name and whether it is a folder of its own (a link to a folder
  // is not: it is listed with the files).
  struct Entry {
    std::filesystem::path name;
    bool isFolder = false;
  };
  // The entries of an existing folder, in any order. Whether an entry is a file or a link to
  // one does not matter to a listing, so only folders need a closer look; the Windows build
  // reads every entry's attributes from the directory listing itself.
  virtual std::vector<Entry> ListEntries(const std::filesystem::path& folder,
                                         const std::string& text);

 private:
  enum class Kind { kMissing, kLink, kFolder, kFile };
  Kind KindOf(const std::filesystem::path& path);
  void DeleteTree(const std::filesystem::path& folder, bool force);
  void RemoveOne(const std::filesystem::path& path, bool force, bool isFolder);
  // Either list or both, sorted by name.
  void ListFolder(const std::string& folder, std::vector<std::string>* subFolders,
                  std::vector<std::string>* files);

  std::optional<std::string> temporaryFolder_;
  std::optional<std::string> windowsFolder_;
};

}  // namespace zormint::platform

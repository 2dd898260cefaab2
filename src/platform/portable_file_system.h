// The file-system object over the C++ standard library: what the native build and the tests use.
// The rules it keeps are BasicFileSystem's; the two special folders are given to the
// constructor.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/basic_file_system.h"

namespace zormint::platform {

class PortableFileSystem : public BasicFileSystem {
 public:
  explicit PortableFileSystem(std::optional<std::string> temporaryFolder = std::nullopt,
                              std::optional<std::string> windowsFolder = std::nullopt);

  std::optional<std::string> GetSpecialFolder(int32_t which) override;

 protected:
  // The standard library sees symbolic links on POSIX systems only.
  Kind KindOf(const std::string& path) override;
  Kind TargetKindOf(const std::string& path) override;
  bool IsReadOnly(const std::string& path) override;
  void MakeWritable(const std::string& path, bool isFolder) override;
  void MakeFolder(const std::string& path) override;
  void Remove(const std::string& path, bool isFolder) override;
  void RemoveLink(const std::string& path) override;
  // Whether an entry is a file or a link to one does not matter to a listing, so only folders
  // need a closer look.
  std::vector<Entry> ListEntries(const std::string& folder, const std::string& text) override;

 private:
  std::optional<std::string> temporaryFolder_;
  std::optional<std::string> windowsFolder_;
};

}  // namespace zormint::platform

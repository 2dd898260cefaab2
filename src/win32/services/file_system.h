// The file-system object of the Windows build: the rules of BasicFileSystem over Win32 calls
// alone (the standard library's file system would bring its stream and locale machinery into the
// DLL), with the Windows special folders and with Windows links.
//
// Every reparse point (junction, symbolic link, mount point) counts as a link: it is listed with
// the files, is never a folder, is never descended into, and is removed as a link
// (RemoveDirectoryW for a link to a folder, DeleteFileW for a link to a file), so that its target
// is left alone. Paths are UTF-8 and reach Windows through the wide-character calls.
//
// Wine (version 8) makes no Windows links (CreateSymbolicLinkW does nothing, junctions are not
// supported) but shows the Unix symbolic links inside its drives: a link to a folder as a
// reparse point, a link to a file as a plain file. Removing one acts on its target and keeps the
// link: DeleteFileW deletes the target file, RemoveDirectoryW the target folder when it is
// empty. Under Wine a file is therefore also a link when its final path (what the system
// resolves it to) is not the folder it lies in followed by its name, and links are refused
// rather than removed: the target is never touched.
#pragma once

// First: see win32_windows.h.
#include "win32/com/win32_windows.h"

#include <optional>
#include <string>
#include <vector>

#include "platform/basic_file_system.h"

namespace zormint::win32 {

class Win32FileSystem : public platform::BasicFileSystem {
 public:
  // How a folder is read: in blocks of directory information (GetFileInformationByHandleEx),
  // falling back to FindFirstFileExW where the file system refuses that (some network and
  // redirected file systems do); or always with FindFirstFileExW (for tests of the fallback).
  enum class Listing { kBlocks, kFindFiles };
  explicit Win32FileSystem(Listing listing = Listing::kBlocks) : listing_(listing) {}

  // 2: the temporary folder (GetTempPathW), 0: the Windows folder; both without the trailing
  // "\". Asked of the system at every call.
  std::optional<std::string> GetSpecialFolder(int32_t which) override;

 protected:
  // From the item's attributes: what GetFileAttributesW says is what the item itself is (a
  // reparse point is not followed), and read-only is the read-only attribute.
  Kind KindOf(const std::string& path) override;
  Kind TargetKindOf(const std::string& path) override;
  bool IsReadOnly(const std::string& path) override;
  void MakeWritable(const std::string& path, bool isFolder) override;
  void MakeFolder(const std::string& path) override;
  void Remove(const std::string& path, bool isFolder) override;
  void RemoveLink(const std::string& path) override;
  // Reads the folder's directory information in blocks: each entry's attributes come with its
  // name, so a crowded folder (a temporary folder may hold many thousands of entries) costs no
  // call per entry.
  std::vector<Entry> ListEntries(const std::string& folder, const std::string& text) override;
  // Opens the folder itself (FILE_FLAG_OPEN_REPARSE_POINT: a link is not followed) without
  // delete sharing, so that nobody can rename, move or delete it while the handle is held, and
  // checks through the handle that it is a folder and no reparse point.
  std::shared_ptr<void> HoldFolder(const std::string& folder, bool& isLink) override;

 private:
  // nullopt when the file system does not read folders in blocks.
  std::optional<std::vector<Entry>> ListInBlocks(const std::string& folder,
                                                 const std::string& text);
  std::vector<Entry> ListWithFindFiles(const std::string& folder, const std::string& text);

  Listing listing_;
};

// True when this process runs under Wine.
bool RunningUnderWine();

}  // namespace zormint::win32

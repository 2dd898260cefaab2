// The Windows file system against Wine's: special folders, read-only items, names that are not
// ASCII, failures, and links that must never be followed.
#include "services/test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "common/error.h"
#include "win32/services/file_system.h"

namespace zormint::wine_test {
namespace {

using platform::FileSystem;
using win32::Win32FileSystem;

template <class F>
int32_t ErrorCodeOf(F&& call) {
  try {
    call();
  } catch (const ZError& e) {
    return e.Code();
  }
  return 0;
}

std::string WithoutSlash(std::wstring path) {
  while (!path.empty() && path.back() == L'\\')
    path.pop_back();
  return U(path);
}

TEST(Win32FileSystem, SpecialFoldersAreTheSystemsWithoutTrailingSeparator) {
  Win32FileSystem fs;
  wchar_t buffer[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, buffer);
  const auto temp = fs.GetSpecialFolder(FileSystem::kTemporaryFolder);
  ASSERT_TRUE(temp);
  EXPECT_EQ(*temp, WithoutSlash(buffer));
  EXPECT_NE(temp->back(), '\\');
  EXPECT_TRUE(fs.FolderExists(*temp));

  GetWindowsDirectoryW(buffer, MAX_PATH + 1);
  const auto windows = fs.GetSpecialFolder(FileSystem::kWindowsFolder);
  ASSERT_TRUE(windows);
  EXPECT_EQ(*windows, WithoutSlash(buffer));
  EXPECT_TRUE(fs.FolderExists(*windows + "\\system32"));

  EXPECT_FALSE(fs.GetSpecialFolder(1));  // the system folder is not offered

  // Asked at every call: a changed TMP is seen at once, and a non-ASCII one survives.
  ScratchFolder scratch;
  const std::string other = scratch / "Tëmp 临时";
  MakeFolder(other);
  wchar_t saved[MAX_PATH + 1] = {};
  const DWORD savedLength = GetEnvironmentVariableW(L"TMP", saved, MAX_PATH + 1);
  SetEnvironmentVariableW(L"TMP", (W(other) + L"\\").c_str());
  const auto changed = fs.GetSpecialFolder(FileSystem::kTemporaryFolder);
  SetEnvironmentVariableW(L"TMP", savedLength ? saved : nullptr);
  EXPECT_EQ(changed, other);
}

TEST(Win32FileSystem, ForceDeletesReadOnlyFilesAndFolders) {
  Win32FileSystem fs;
  ScratchFolder scratch;
  const std::string work = scratch / "ZORMINT$071226210509";
  MakeFolder(work);
  WriteFile(work + "\\a.jpg", "a");
  WriteFile(work + "\\b.gif", "b");
  SetReadOnly(work + "\\b.gif");
  MakeFolder(work + "\\x");
  WriteFile(work + "\\x\\c.bmp", "c");
  SetReadOnly(work + "\\x\\c.bmp");
  SetReadOnly(work + "\\x");

  // Without force a read-only file stays and the call says why.
  EXPECT_EQ(ErrorCodeOf([&] { fs.DeleteFile(work + "\\b.gif", false); }), err::kPermissionDenied);
  EXPECT_TRUE(Exists(work + "\\b.gif"));

  fs.DeleteFile(work + "\\a.jpg", true);
  fs.DeleteFile(work + "\\b.gif", true);
  EXPECT_FALSE(Exists(work + "\\a.jpg"));
  EXPECT_FALSE(Exists(work + "\\b.gif"));
  EXPECT_EQ(fs.SubFolderNames(work), std::vector<std::string>{"x"});

  fs.DeleteFolder(work, true);
  EXPECT_FALSE(Exists(work));
  EXPECT_FALSE(fs.FolderExists(work));
}

// A file system that, right after it has read a folder, lets someone swap that folder for
// another of the user's (the precious one moved into its place) before its entries are deleted.
class SwappingFileSystem : public Win32FileSystem {
 public:
  SwappingFileSystem(std::string folder, std::string precious)
      : folder_(std::move(folder)), precious_(std::move(precious)) {}
  std::vector<Entry> ListEntries(const std::string& folder, const std::string& text) override {
    std::vector<Entry> entries = Win32FileSystem::ListEntries(folder, text);
    if (folder == folder_ && !tried) {
      tried = true;
      swapped = MoveFileW(W(folder_).c_str(), W(folder_ + ".old").c_str()) &&
                MoveFileW(W(precious_).c_str(), W(folder_).c_str());
    }
    return entries;
  }
  bool tried = false, swapped = false;

 private:
  std::string folder_, precious_;
};

// A working folder being deleted cannot be swapped for another folder between its reading and
// the deletion of its entries: the clean-up never deletes a file of the user's of the same name.
TEST(Win32FileSystem, AFolderBeingDeletedCannotBeSwappedForAnother) {
  ScratchFolder scratch;
  const std::string work = scratch / "ZORMINT$010101000000";
  const std::string precious = scratch / "Precious";
  MakeFolder(work);
  WriteFile(work + "\\beach.jpg", "ours");
  MakeFolder(precious);
  WriteFile(precious + "\\beach.jpg", "the user's own");
  SwappingFileSystem fs(work, precious);
  fs.DeleteFolder(work, true);
  EXPECT_TRUE(fs.tried);
  EXPECT_FALSE(fs.swapped);
  EXPECT_FALSE(Exists(work + "\\beach.jpg"));
  EXPECT_TRUE(Exists(precious + "\\beach.jpg")) << "a file of the user's was deleted";
}

TEST(Win32FileSystem, NamesThatAreNotAsciiAreCreatedListedAndDeleted) {
  Win32FileSystem fs;
  ScratchFolder scratch;
  const std::string folder = scratch / "Bilder ä 写真";
  fs.CreateFolder(folder);
  EXPECT_TRUE(fs.FolderExists(folder));
  EXPECT_TRUE(Exists(folder));  // the same name seen by the wide-character calls

  const std::vector<std::string> names = {"Straße.jpg", "фото.gif", "\xF0\x9F\x98\x80.bmp"};
  for (const std::string& name : names)
    WriteFile(folder + "\\" + name, name);
  fs.CreateFolder(folder + "\\Ünter");

  std::vector<std::string> listed = fs.FileNames(folder);
  std::vector<std::string> expected = names;
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(listed, expected);
  EXPECT_EQ(fs.SubFolderNames(folder), std::vector<std::string>{"Ünter"});
  EXPECT_EQ(fs.SubFolderNames(scratch.Path()), std::vector<std::string>{"Bilder ä 写真"});
  // Listed the other way (where a file system refuses block reads), the same.
  Win32FileSystem found(Win32FileSystem::Listing::kFindFiles);
  EXPECT_EQ(found.FileNames(folder), expected);
  EXPECT_EQ(found.SubFolderNames(folder), std::vector<std::string>{"Ünter"});
  EXPECT_THROW(found.FileNames(folder + "\\missing"), ZError);

  for (const std::string& name : names) {
    EXPECT_TRUE(fs.FileExists(folder + "\\" + name)) << name;
    EXPECT_FALSE(fs.IsLink(folder + "\\" + name)) << name;
  }
  fs.DeleteFile(folder + "\\" + names[0], false);
  EXPECT_FALSE(fs.FileExists(folder + "\\" + names[0]));
  EXPECT_EQ(ReadFile(folder + "\\" + names[1]), names[1]);

  fs.DeleteFolder(folder + "\\", true);  // a trailing separator names the same folder
  EXPECT_FALSE(Exists(folder));
}

// A file named otherwise than by its listed name (another case, its short form) is still the
// file itself, not a link: it can be deleted.
TEST(Win32FileSystem, AFileNamedByAnotherCaseOrItsShortNameIsNoLink) {
  Win32FileSystem fs;
  ScratchFolder scratch;
  const std::string folder = scratch / "ZORMINT$010101000000";
  MakeFolder(folder);
  const std::string file = folder + "\\A long picture name.jpeg";
  WriteFile(file, "x");
  EXPECT_FALSE(fs.IsLink(folder + "\\a LONG picture NAME.JPEG"));

  wchar_t shortPath[MAX_PATH + 1] = {};
  const DWORD length = GetShortPathNameW(W(file).c_str(), shortPath, MAX_PATH + 1);
  ASSERT_GT(length, 0u);
  const std::string shortName = U(shortPath);
  ASSERT_NE(shortName, file) << "the system gave the file no short name";
  EXPECT_TRUE(fs.FileExists(shortName));
  EXPECT_FALSE(fs.IsLink(shortName));
  fs.DeleteFile(shortName, false);
  EXPECT_FALSE(Exists(file));
}

// At a drive's root the folder around the file is the root itself ("C:\", not "C:", which names
// the drive's current folder): the file there is no link and can be deleted.
TEST(Win32FileSystem, AFileAtADrivesRootIsNoLink) {
  Win32FileSystem fs;
  char name[64];
  std::snprintf(name, sizeof name, "C:\\zormint-root-%lu.jpg", GetCurrentProcessId());
  const std::string file = name;
  WriteFile(file, "x");
  const bool link = fs.IsLink(file);
  const bool exists = fs.FileExists(file);
  const int32_t code = ErrorCodeOf([&] { fs.DeleteFile(file, false); });
  DeleteFileW(W(file).c_str());
  EXPECT_FALSE(link);
  EXPECT_TRUE(exists);
  EXPECT_EQ(code, 0);
}

// Windows would read such a path up to the NUL and act on that file or folder instead.
TEST(Win32FileSystem, APathHoldingANulNamesNoFileAndTouchesNothing) {
  Win32FileSystem fs;
  ScratchFolder scratch;
  const std::string folder = scratch / "ZORMINT$010101000000";
  MakeFolder(folder);
  WriteFile(folder + "\\a.jpg", "mine");
  const std::string nul(1, '\0');

  EXPECT_FALSE(fs.FileExists(folder + "\\a.jpg" + nul + ".exe"));
  EXPECT_FALSE(fs.FolderExists(folder + nul + "x"));
  EXPECT_EQ(ErrorCodeOf([&] { fs.DeleteFile(folder + "\\a.jpg" + nul + ".exe", true); }),
            err::kBadFileName);
  EXPECT_EQ(ErrorCodeOf([&] { fs.DeleteFolder(folder + nul + "x", true); }), err::kBadFileName);
  EXPECT_EQ(ErrorCodeOf([&] { fs.FolderContents(folder + nul); }), err::kBadFileName);
  EXPECT_EQ(ReadFile(folder + "\\a.jpg"), "mine");
}

TEST(Win32FileSystem, FailuresCarryTheRunTimeErrorNumbers) {
  Win32FileSystem fs;
  ScratchFolder scratch;
  MakeFolder(scratch / "there");
  EXPECT_EQ(ErrorCodeOf([&] { fs.CreateFolder(scratch / "there"); }), err::kPathFileAccess);
  EXPECT_EQ(ErrorCodeOf([&] { fs.CreateFolder(scratch / "missing\\child"); }), err::kPathNotFound);
  EXPECT_EQ(ErrorCodeOf([&] { fs.DeleteFile(scratch / "nothing.jpg", true); }), err::kFileNotFound);
  EXPECT_EQ(ErrorCodeOf([&] { fs.DeleteFolder(scratch / "nothing", true); }), err::kPathNotFound);
  EXPECT_EQ(ErrorCodeOf([&] { fs.SubFolderNames(scratch / "nothing"); }), err::kPathNotFound);
  EXPECT_FALSE(fs.FileExists(scratch / "there"));  // a folder is no file
  EXPECT_FALSE(fs.FolderExists(""));

  // A file held open without sharing cannot go; the folder around it stays, and the call says
  // access was denied.
  const std::string busy = scratch / "busy";
  MakeFolder(busy);
  WriteFile(busy + "\\open.jpg", "x");
  HANDLE held = CreateFileW(W(busy + "\\open.jpg").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const int32_t code = ErrorCodeOf([&] { fs.DeleteFolder(busy, true); });
  CloseHandle(held);
  EXPECT_EQ(code, err::kPermissionDenied);
  EXPECT_TRUE(Exists(busy + "\\open.jpg"));
  fs.DeleteFolder(busy, true);
  EXPECT_FALSE(Exists(busy));
}

// A working folder with links in it, and what they point to outside it.
class Links : public ::testing::Test {
 protected:
  void SetUp() override {
    MakeFolder(outside_);
    WriteFile(outside_ + "\\keep.jpg", "keep");
    MakeFolder(outside_ + "\\inner");
    WriteFile(outside_ + "\\inner\\deep.jpg", "deep");
    MakeFolder(empty_);
    MakeFolder(work_);
    WriteFile(work_ + "\\real.jpg", "real");
    if (!MakeFolderLink(work_ + "\\folderlink", outside_) ||
        !MakeFileLink(work_ + "\\filelink.jpg", outside_ + "\\keep.jpg") ||
        !MakeFolderLink(work_ + "\\emptylink", empty_)) {
      // Wine makes its links from Unix ones; elsewhere links may need rights this test lacks.
      if (win32::RunningUnderWine()) FAIL() << "cannot make links under Wine";
      GTEST_SKIP() << "this system makes no links";
    }
  }

  void ExpectTargetsUntouched() {
    EXPECT_EQ(ReadFile(outside_ + "\\keep.jpg"), "keep");
    EXPECT_EQ(ReadFile(outside_ + "\\inner\\deep.jpg"), "deep");
    EXPECT_TRUE(Exists(empty_));
  }

  // Under Wine a link cannot be removed without its target (Wine 8 deletes the target), so the
  // file system refuses; elsewhere it removes the link itself.
  static bool LinksRemovable() { return !win32::RunningUnderWine(); }

  Win32FileSystem fs_;
  ScratchFolder scratch_;
  const std::string outside_ = scratch_ / "outside";
  const std::string empty_ = scratch_ / "empty";
  const std::string work_ = scratch_ / "ZORMINT$010101000000";
};

TEST_F(Links, AreListedWithTheFilesAndNeverCountAsFolders) {
  EXPECT_TRUE(fs_.IsLink(work_ + "\\folderlink"));
  EXPECT_TRUE(fs_.IsLink(work_ + "\\filelink.jpg"));
  EXPECT_FALSE(fs_.IsLink(work_ + "\\real.jpg"));
  EXPECT_FALSE(fs_.IsLink(work_));
  EXPECT_FALSE(fs_.FolderExists(work_ + "\\folderlink"));
  EXPECT_TRUE(fs_.FileExists(work_ + "\\filelink.jpg"));  // stands for its file

  EXPECT_TRUE(fs_.SubFolderNames(work_).empty());
  EXPECT_EQ(fs_.FileNames(work_),
            (std::vector<std::string>{"emptylink", "filelink.jpg", "folderlink", "real.jpg"}));
  const FileSystem::Contents both = fs_.FolderContents(work_ + "\\");
  EXPECT_TRUE(both.subFolders.empty());
  EXPECT_EQ(both.files, fs_.FileNames(work_));
  // Listed the other way (where a file system refuses block reads), the same.
  Win32FileSystem found(Win32FileSystem::Listing::kFindFiles);
  const FileSystem::Contents again = found.FolderContents(work_);
  EXPECT_EQ(again.files, both.files);
  EXPECT_EQ(again.subFolders, both.subFolders);
  EXPECT_EQ(found.SubFolderNames(work_ + "\\folderlink"), std::vector<std::string>{"inner"});

  // What lies in a folder reached through a link is itself no link.
  EXPECT_TRUE(fs_.FileExists(work_ + "\\folderlink\\keep.jpg"));
  EXPECT_FALSE(fs_.IsLink(work_ + "\\folderlink\\keep.jpg"));
  EXPECT_EQ(fs_.SubFolderNames(work_ + "\\folderlink"), std::vector<std::string>{"inner"});
}

TEST_F(Links, DeletingTheFolderAroundThemLeavesTheirTargetsAlone) {
  const int32_t code = ErrorCodeOf([&] { fs_.DeleteFolder(work_, true); });
  ExpectTargetsUntouched();
  EXPECT_FALSE(Exists(work_ + "\\real.jpg"));  // what can go, goes
  if (LinksRemovable()) {
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(Exists(work_));
  } else {
    EXPECT_EQ(code, err::kPermissionDenied);
    EXPECT_TRUE(fs_.IsLink(work_ + "\\folderlink"));
    EXPECT_TRUE(fs_.IsLink(work_ + "\\filelink.jpg"));
  }
}

TEST_F(Links, DeletingALinkItselfLeavesItsTargetAlone) {
  const int32_t fileCode = ErrorCodeOf([&] { fs_.DeleteFile(work_ + "\\filelink.jpg", true); });
  const int32_t folderCode = ErrorCodeOf([&] { fs_.DeleteFolder(work_ + "\\folderlink", true); });
  // An empty target is where a deletion that follows the link would succeed unnoticed.
  const int32_t emptyCode = ErrorCodeOf([&] { fs_.DeleteFolder(work_ + "\\emptylink", true); });
  ExpectTargetsUntouched();
  const int32_t expected = LinksRemovable() ? 0 : err::kPermissionDenied;
  EXPECT_EQ(fileCode, expected);
  EXPECT_EQ(folderCode, expected);
  EXPECT_EQ(emptyCode, expected);
  EXPECT_EQ(Exists(work_ + "\\emptylink"), !LinksRemovable());
}

}  // namespace
}  // namespace zormint::wine_test

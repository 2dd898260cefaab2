#include "platform/portable_file_system.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "common/error.h"
#include "platform/paths.h"
#include "tests/support/test_env.h"

namespace zormint::platform {
namespace {

namespace fs = std::filesystem;
using test::TestEnv;

int32_t CodeOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const ZError& e) {
    return e.Code();
  }
  return 0;
}

void MakeReadOnly(const fs::path& p) {
  fs::permissions(p, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
}

class PortableFileSystemTest : public ::testing::Test {
 protected:
  std::string At(const std::string& relative) { return dir.Text() + "/" + relative; }
  fs::path Real(const std::string& relative) { return dir.Path() / relative; }
  void Touch(const std::string& relative, const std::string& bytes = "x") {
    TestEnv::WriteFile(At(relative), bytes);
  }

  test::TempDir dir;
  PortableFileSystem fso{std::string("C:\\Users\\me\\AppData\\Local\\Temp\\"),
                         std::string("C:\\Windows")};
};

TEST_F(PortableFileSystemTest, ReportsTheSpecialFoldersItWasGivenWithoutTrailingSeparator) {
  EXPECT_EQ(fso.GetSpecialFolder(FileSystem::kTemporaryFolder),
            "C:\\Users\\me\\AppData\\Local\\Temp");
  EXPECT_EQ(fso.GetSpecialFolder(FileSystem::kWindowsFolder), "C:\\Windows");
  EXPECT_EQ(fso.GetSpecialFolder(1), std::nullopt);  // the system folder is not offered
  PortableFileSystem none;
  EXPECT_EQ(none.GetSpecialFolder(FileSystem::kTemporaryFolder), std::nullopt);
  EXPECT_EQ(none.GetSpecialFolder(FileSystem::kWindowsFolder), std::nullopt);
  EXPECT_EQ(PortableFileSystem(std::string("C:\\")).GetSpecialFolder(2), "C:\\");
}

TEST_F(PortableFileSystemTest, CreatesOneLevelAndTellsFoldersFromFiles) {
  EXPECT_FALSE(fso.FolderExists(At("a")));
  fso.CreateFolder(At("a"));
  EXPECT_TRUE(fso.FolderExists(At("a")));
  EXPECT_TRUE(fso.FolderExists(dir.Text() + "\\a\\"));  // either separator, trailing one too
  EXPECT_FALSE(fso.FileExists(At("a")));
  EXPECT_EQ(CodeOf([&] { fso.CreateFolder(At("a")); }), err::kPathFileAccess);
  EXPECT_EQ(CodeOf([&] { fso.CreateFolder(At("x/y")); }), err::kPathNotFound);
  EXPECT_FALSE(fs::exists(Real("x")));

  Touch("a/f.jpg");
  EXPECT_TRUE(fso.FileExists(At("a\\f.jpg")));
  EXPECT_FALSE(fso.FolderExists(At("a/f.jpg")));
  EXPECT_EQ(CodeOf([&] { fso.CreateFolder(At("a/f.jpg")); }), err::kPathFileAccess);
  EXPECT_FALSE(fso.FileExists(""));
  EXPECT_FALSE(fso.FolderExists(""));
}

TEST_F(PortableFileSystemTest, ListsRealFoldersApartAndLinksWithTheFiles) {
  fs::create_directory(Real("top"));
  fs::create_directory(Real("top/sub"));
  fs::create_directory(Real("elsewhere"));
  Touch("top/b.gif");
  Touch("top/a.jpg");
  Touch("elsewhere/target.txt");
  fs::create_directory_symlink(Real("elsewhere"), Real("top/dirlink"));
  fs::create_symlink(Real("elsewhere/target.txt"), Real("top/filelink"));
  fs::create_symlink(Real("gone"), Real("top/dangling"));

  EXPECT_EQ(fso.SubFolderNames(At("top")), (std::vector<std::string>{"sub"}));
  EXPECT_EQ(fso.FileNames(At("top")),
            (std::vector<std::string>{"a.jpg", "b.gif", "dangling", "dirlink", "filelink"}));
  EXPECT_EQ(CodeOf([&] { fso.FileNames(At("missing")); }), err::kPathNotFound);
  EXPECT_EQ(CodeOf([&] { fso.SubFolderNames(At("top/a.jpg")); }), err::kPathNotFound);
  // Both lists from one reading are the same lists.
  const FileSystem::Contents both = fso.FolderContents(At("top/"));
  EXPECT_EQ(both.subFolders, fso.SubFolderNames(At("top")));
  EXPECT_EQ(both.files, fso.FileNames(At("top")));
  EXPECT_EQ(CodeOf([&] { fso.FolderContents(At("missing")); }), err::kPathNotFound);
  EXPECT_TRUE(fso.FolderContents(At("top/sub")).files.empty());

  // A link is never a folder; a link to a file stands for the file.
  EXPECT_FALSE(fso.FolderExists(At("top/dirlink")));
  EXPECT_FALSE(fso.FolderExists(At("top/dirlink/")));
  EXPECT_TRUE(fso.IsLink(At("top/dirlink")));
  EXPECT_TRUE(fso.IsLink(At("top/dirlink\\")));
  EXPECT_TRUE(fso.FileExists(At("top/filelink")));
  EXPECT_FALSE(fso.FileExists(At("top/dangling")));
  EXPECT_TRUE(fso.IsLink(At("top/dangling")));
  EXPECT_FALSE(fso.IsLink(At("top/sub")));
  EXPECT_FALSE(fso.IsLink(At("top/a.jpg")));
}

TEST_F(PortableFileSystemTest, DeletesFilesAndLinksButOnlyForcedWhenReadOnly) {
  Touch("plain.jpg");
  Touch("locked.gif");
  MakeReadOnly(Real("locked.gif"));
  fs::create_directory(Real("folder"));
  Touch("target.bmp", "keep");
  fs::create_symlink(Real("target.bmp"), Real("link.bmp"));
  fs::create_directory_symlink(Real("folder"), Real("dirlink"));

  fso.DeleteFile(At("plain.jpg"), false);
  EXPECT_FALSE(fs::exists(Real("plain.jpg")));
  EXPECT_EQ(CodeOf([&] { fso.DeleteFile(At("locked.gif"), false); }), err::kPermissionDenied);
  EXPECT_TRUE(fs::exists(Real("locked.gif")));
  fso.DeleteFile(At("locked.gif"), true);
  EXPECT_FALSE(fs::exists(Real("locked.gif")));

  fso.DeleteFile(At("link.bmp"), false);
  fso.DeleteFile(At("dirlink"), false);
  EXPECT_FALSE(fs::is_symlink(fs::symlink_status(Real("link.bmp"))));
  EXPECT_FALSE(fs::is_symlink(fs::symlink_status(Real("dirlink"))));
  EXPECT_EQ(TestEnv::ReadFile(At("target.bmp")), "keep");
  EXPECT_TRUE(fs::is_directory(Real("folder")));

  EXPECT_EQ(CodeOf([&] { fso.DeleteFile(At("plain.jpg"), true); }), err::kFileNotFound);
  EXPECT_EQ(CodeOf([&] { fso.DeleteFile(At("folder"), true); }), err::kFileNotFound);
  EXPECT_TRUE(fs::is_directory(Real("folder")));
}

TEST_F(PortableFileSystemTest, ForcedFolderDeletionTakesReadOnlyItemsButNeverFollowsLinks) {
  // Outside the tree: what the links inside point to must survive.
  fs::create_directory(Real("precious"));
  Touch("precious/photo.jpg", "mine");
  Touch("precious.txt", "mine too");

  fs::create_directories(Real("tree/deep/deeper"));
  Touch("tree/a.jpg");
  Touch("tree/deep/b.gif");
  Touch("tree/deep/deeper/c.bmp");
  MakeReadOnly(Real("tree/deep/b.gif"));
  MakeReadOnly(Real("tree/deep/deeper/c.bmp"));
  MakeReadOnly(Real("tree/deep/deeper"));
  fs::create_directory_symlink(Real("precious"), Real("tree/deep/into-precious"));
  fs::create_symlink(Real("precious.txt"), Real("tree/file-link"));

  // Unforced, the read-only items stop it; what could go went.
  EXPECT_EQ(CodeOf([&] { fso.DeleteFolder(At("tree"), false); }), err::kPermissionDenied);
  EXPECT_TRUE(fs::exists(Real("tree/deep/b.gif")));
  EXPECT_FALSE(fs::exists(Real("tree/a.jpg")));

  fso.DeleteFolder(At("tree"), true);
  EXPECT_FALSE(fs::exists(Real("tree")));
  EXPECT_EQ(TestEnv::ReadFile(At("precious/photo.jpg")), "mine");
  EXPECT_EQ(TestEnv::ReadFile(At("precious.txt")), "mine too");

  EXPECT_EQ(CodeOf([&] { fso.DeleteFolder(At("tree"), true); }), err::kPathNotFound);
  EXPECT_EQ(CodeOf([&] { fso.DeleteFolder(At("precious.txt"), true); }), err::kPathNotFound);
}

TEST_F(PortableFileSystemTest, DeletingALinkedFolderRemovesTheLinkOnly) {
  fs::create_directory(Real("precious"));
  Touch("precious/photo.jpg", "mine");
  fs::create_directory_symlink(Real("precious"), Real("ZORMINT$link"));

  fso.DeleteFolder(At("ZORMINT$link"), true);
  EXPECT_EQ(CodeOf([&] { fso.DeleteFolder(At("ZORMINT$link"), true); }), err::kPathNotFound);
  EXPECT_FALSE(fs::exists(fs::symlink_status(Real("ZORMINT$link"))));
  EXPECT_EQ(TestEnv::ReadFile(At("precious/photo.jpg")), "mine");
}

// The system would read such a path up to the NUL and act on that file or folder instead.
TEST_F(PortableFileSystemTest, APathHoldingANulNamesNoFileAndTouchesNothing) {
  fs::create_directory(Real("sub"));
  Touch("a.jpg", "mine");
  Touch("sub/b.gif", "mine too");
  const std::string nul(1, '\0');
  const std::string file = At("a.jpg") + nul + ".exe";
  const std::string folder = At("sub") + nul + "x";

  EXPECT_FALSE(fso.FileExists(file));
  EXPECT_FALSE(fso.FolderExists(folder));
  EXPECT_EQ(CodeOf([&] { fso.IsLink(file); }), err::kBadFileName);
  EXPECT_EQ(CodeOf([&] { fso.DeleteFile(file, true); }), err::kBadFileName);
  EXPECT_EQ(CodeOf([&] { fso.DeleteFolder(folder, true); }), err::kBadFileName);
  EXPECT_EQ(CodeOf([&] { fso.FileNames(folder); }), err::kBadFileName);
  EXPECT_EQ(CodeOf([&] { fso.FolderContents(folder); }), err::kBadFileName);
  EXPECT_EQ(CodeOf([&] { fso.CreateFolder(At("new") + nul + "x"); }), err::kBadFileName);
  EXPECT_EQ(TestEnv::ReadFile(At("a.jpg")), "mine");
  EXPECT_EQ(TestEnv::ReadFile(At("sub/b.gif")), "mine too");
  EXPECT_FALSE(fs::exists(Real("new")));
}

TEST_F(PortableFileSystemTest, KeepsUtf8NamesIntact) {
  const std::string folder = At("Bilder \xC3\xA4\xC3\xB6\xC3\xBC");  // "Bilder äöü"
  fso.CreateFolder(folder);
  TestEnv::WriteFile(folder + "\\\xE5\x86\x99\xE7\x9C\x9F.jpg", "x");  // "写真.jpg"
  EXPECT_TRUE(fso.FolderExists(folder));
  EXPECT_EQ(fso.FileNames(folder), (std::vector<std::string>{"\xE5\x86\x99\xE7\x9C\x9F.jpg"}));
  EXPECT_EQ(fso.SubFolderNames(dir.Text()),
            (std::vector<std::string>{"Bilder \xC3\xA4\xC3\xB6\xC3\xBC"}));
}

}  // namespace
}  // namespace zormint::platform

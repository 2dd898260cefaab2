// Finding the temporary root, and clearing the working folders of earlier runs.
#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/thread_background.h"
#include "tests/pictures/pictures_fixture.h"

namespace zormint::test {
namespace {

namespace fs = std::filesystem;

void MakeReadOnly(const fs::path& p) {
  fs::permissions(p, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
}

std::string RootOf(TestEnv& env) {
  CPicAttachments engine(env.globals);
  engine.Initialize();
  return engine.TempRoot();
}

class TempRootTest : public ::testing::Test {};

TEST_F(TempRootTest, TakesTheSystemTemporaryFolderEvenWhenItIsMissing) {
  TestEnv env({.createTemporaryFolder = false});
  env.globals.gfsoFileSystem = env.fileSystem;
  env.scriptShell->shell->userVariables["TEMP"] = env.dir.Text();
  EXPECT_EQ(RootOf(env), env.temporaryFolder + "\\");
  EXPECT_EQ(env.faults.CallCount("ScriptShellFactory.Create"), 0u);
  CPicAttachments before(env.globals);
  EXPECT_EQ(before.TempRoot(), "");  // empty until Initialize
}

TEST_F(TempRootTest, FallsBackToTheUsersTempSettingWhenThatFolderExists) {
  TestEnv env({.temporaryFolder = false});
  env.globals.gfsoFileSystem = env.fileSystem;
  env.scriptShell->shell->userVariables["TEMP"] = "%USERPROFILE%\\Temp\\";
  env.scriptShell->shell->expansions["USERPROFILE"] = env.dir.Text();
  fs::create_directory(env.dir.Path() / "Temp");
  EXPECT_EQ(RootOf(env), env.dir.Text() + "\\Temp\\");
  EXPECT_FALSE(env.scriptShell->ShellHeld());  // released
  EXPECT_FALSE(fs::exists(env.dir.Path() / "Windows" / "Temp"));
}

TEST_F(TempRootTest, EndsWithTheWindowsTempFolderCreatedWhenMissing) {
  TestEnv env({.temporaryFolder = false});
  env.globals.gfsoFileSystem = env.fileSystem;
  env.scriptShell->shell->userVariables["TEMP"] = "%USERPROFILE%\\NoSuchTemp";
  env.scriptShell->shell->expansions["USERPROFILE"] = env.dir.Text();
  EXPECT_EQ(RootOf(env), env.windowsFolder + "\\Temp\\");
  EXPECT_TRUE(fs::is_directory(env.dir.Path() / "Windows" / "Temp"));
  EXPECT_FALSE(env.scriptShell->ShellHeld());

  // The shell cannot be created, and the creation of "Temp" fails: the candidate still counts.
  fs::remove(env.dir.Path() / "Windows" / "Temp");
  env.scriptShell->failCreate = true;
  env.faults.FailMember("FileSystem.CreateFolder");
  EXPECT_EQ(RootOf(env), env.windowsFolder + "\\Temp\\");
  EXPECT_FALSE(fs::exists(env.dir.Path() / "Windows" / "Temp"));
}

TEST_F(TempRootTest, FailingSourcesAreSkipped) {
  TestEnv env;
  env.globals.gfsoFileSystem = env.fileSystem;
  env.scriptShell->shell->userVariables["TEMP"] = env.dir.Text();  // exists
  env.faults.FailMember("FileSystem.GetSpecialFolder", 1);         // the temporary folder only
  env.faults.FailMember("ScriptShell.ExpandEnvironmentStrings");
  EXPECT_EQ(RootOf(env), env.windowsFolder + "\\Temp\\");
  EXPECT_FALSE(env.scriptShell->ShellHeld());
}

TEST_F(TempRootTest, WithNoFolderAtAllTheEngineStaysIdle) {
  TestEnv env({.temporaryFolder = false, .windowsFolder = false});
  env.globals.gfsoFileSystem = env.fileSystem;
  CPicAttachments engine(env.globals);
  engine.Initialize();
  EXPECT_EQ(engine.TempRoot(), "");

  env.faults.ClearCalls();
  engine.DeletePrevFolders();
  engine.ExtractAllNShow(nullptr, "071226210509");
  engine.ExtractSelectedNShow(nullptr, "1", "071226210509");
  EXPECT_TRUE(env.faults.Calls().empty());  // nothing scanned, created or saved

  // Without the file-system object nothing is found either, and nothing fails.
  TestEnv bare;
  CPicAttachments idle(bare.globals);
  idle.Initialize();
  EXPECT_EQ(idle.TempRoot(), "");
}

class DeletePrevFoldersTest : public PicturesTest {
 protected:
  fs::path RootPath() { return platform::ToFsPath(Root()); }
  void Touch(const fs::path& p, const std::string& bytes = "x") {
    TestEnv::WriteFile(platform::FromFsPath(p), bytes);
  }
};

TEST_F(DeletePrevFoldersTest, DeletesTheFoldersWithThePrefixInAnyCaseAndNothingElse) {
  const fs::path root = RootPath();
  for (const char* name : {"ZORMINT$071226210509", "zormint$old", "ZORMINT", "MyZORMINT$1"}) {
    fs::create_directory(root / name);
    Touch(root / name / "a.jpg");
  }
  fs::create_directories(root / "ZORMINT$071226210509" / "inner" / "deeper");
  Touch(root / "ZORMINT$071226210509" / "inner" / "deeper" / "b.gif");
  MakeReadOnly(root / "zormint$old" / "a.jpg");
  MakeReadOnly(root / "ZORMINT$071226210509" / "inner" / "deeper");
  Touch(root / "ZORMINT$notes");

  Engine().DeletePrevFolders();
  EXPECT_EQ(env.disk->SubFolderNames(Root()), (std::vector<std::string>{"MyZORMINT$1", "ZORMINT"}));
  EXPECT_EQ(env.disk->FileNames(Root()), (std::vector<std::string>{"ZORMINT$notes"}));
  EXPECT_TRUE(fs::exists(root / "ZORMINT" / "a.jpg"));
}

// On a real thread, beside a click that saves into a folder bearing an earlier run's name:
// every other earlier folder goes, and the click's pictures stay whichever came first.
TEST_F(DeletePrevFoldersTest, OnAThreadOfItsOwnItNeverTakesTheFolderOfAClick) {
  const fs::path root = RootPath();
  for (int i = 0; i < 300; ++i) {
    const fs::path folder = root / ("ZORMINT$" + std::to_string(100000000000 + i));
    fs::create_directory(folder);
    Touch(folder / "old.jpg");
  }
  fs::create_directory(RealWorkingFolder());
  Touch(RealWorkingFolder() / "old.jpg");
  env.globals.services.background = std::make_shared<platform::ThreadBackground>();
  env.globals.gfsoFileSystem = env.disk;  // the fault plan's record is for one thread
  const std::shared_ptr<host::Item> mail = Mail({"new.jpg", "new.gif"});

  Engine().DeletePrevFolders();
  engine->ExtractAllNShow(mail, kSuffix);
  for (int wait = 0; wait < 1000 && env.disk->SubFolderNames(Root()).size() > 1; ++wait) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  engine->Cleanup();
  EXPECT_EQ(env.disk->SubFolderNames(Root()),
            (std::vector<std::string>{"ZORMINT$" + std::string(kSuffix)}));
  EXPECT_EQ(FilesIn(RealWorkingFolder()), (std::vector<std::string>{"new.gif", "new.jpg"}));
}

TEST_F(DeletePrevFoldersTest, AFolderThatCannotGoIsLeftAndTheScanGoesOn) {
  const fs::path root = RootPath();
  for (const char* name : {"ZORMINT$1", "ZORMINT$2", "ZORMINT$3"}) {
    fs::create_directory(root / name);
    Touch(root / name / "a.jpg");
  }
  Engine();
  // A viewer holds a picture of the first open; the second vanished meanwhile.
  // Calls: FolderContents, then DeleteFolder for ZORMINT$1, $2, $3.
  env.faults.ClearCalls();
  env.faults.FailMember("FileSystem.DeleteFolder", 1, err::kPermissionDenied);
  env.faults.FailCallNumber(3, err::kPathNotFound);
  engine->DeletePrevFolders();
  EXPECT_EQ(env.faults.CallCount("FileSystem.DeleteFolder"), 3u);
  // The root, which may hold thousands of entries, is read once.
  EXPECT_EQ(env.faults.CallCount("FileSystem.FolderContents"), 1u);
  EXPECT_EQ(env.faults.CallCount("FileSystem.SubFolderNames") +
                env.faults.CallCount("FileSystem.FileNames"),
            0u);
  EXPECT_EQ(env.disk->SubFolderNames(Root()), (std::vector<std::string>{"ZORMINT$1", "ZORMINT$2"}));

  // A root that cannot be listed ends the scan quietly.
  env.faults.FailMember("FileSystem.FolderContents");
  engine->DeletePrevFolders();
  EXPECT_TRUE(fs::exists(root / "ZORMINT$1" / "a.jpg"));
  env.faults.ClearFaults();
  engine->DeletePrevFolders();
  EXPECT_TRUE(env.disk->SubFolderNames(Root()).empty());
}

TEST_F(DeletePrevFoldersTest, RemovesLinksAsLinksAndNeverTouchesTheirTargets) {
  const fs::path root = RootPath();
  const fs::path precious = env.dir.Path() / "Documents";
  fs::create_directory(precious);
  Touch(precious / "holiday.jpg", "mine");
  Touch(env.dir.Path() / "letter.doc", "mine too");
  // A link named like a working folder, and links inside a real working folder.
  fs::create_directory_symlink(precious, root / "ZORMINT$linked");
  fs::create_directory(root / "ZORMINT$real");
  fs::create_directory_symlink(precious, root / "ZORMINT$real" / "docs");
  fs::create_symlink(env.dir.Path() / "letter.doc", root / "ZORMINT$real" / "letter.jpg");
  // A link with another name is left alone, like any file in the root.
  fs::create_directory_symlink(precious, root / "Documents link");

  Engine().DeletePrevFolders();
  EXPECT_FALSE(fs::exists(fs::symlink_status(root / "ZORMINT$linked")));
  EXPECT_FALSE(fs::exists(root / "ZORMINT$real"));
  EXPECT_TRUE(fs::is_symlink(root / "Documents link"));
  EXPECT_EQ(TestEnv::ReadFile(platform::FromFsPath(precious / "holiday.jpg")), "mine");
  EXPECT_EQ(TestEnv::ReadFile(platform::FromFsPath(env.dir.Path() / "letter.doc")), "mine too");
}

TEST_F(DeletePrevFoldersTest, DoesNothingBeforeInitialize) {
  fs::create_directory(RootPath() / "ZORMINT$1");
  CPicAttachments fresh(env.globals);
  env.faults.ClearCalls();
  fresh.DeletePrevFolders();
  fresh.Cleanup();
  EXPECT_TRUE(env.faults.Calls().empty());
  EXPECT_TRUE(fs::exists(RootPath() / "ZORMINT$1"));
}

}  // namespace
}  // namespace zormint::test

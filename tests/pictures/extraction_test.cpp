// Saving pictures into the working folder and starting the viewer.
#include <filesystem>

#include "tests/pictures/pictures_fixture.h"

namespace zormint::test {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

class ExtractionTest : public PicturesTest {
 protected:
  void ChooseViewer(const std::string& choice, const std::string& program = "") {
    Engine();
    if (!program.empty()) {
      TestEnv::WriteFile(program, "MZ");
      gclsSettings(env.globals)->SetValue(rvUserImageApp, program);
    }
    gclsSettings(env.globals)->SetValue(rvImageViewer, choice);
  }
  std::string Saved(const std::string& name) {
    return TestEnv::ReadFile(platform::FromFsPath(RealWorkingFolder() / name));
  }
};

TEST_F(ExtractionTest, SavesEveryPictureAndOpensTheFirstWithTheAssociatedViewer) {
  Engine().ExtractAllNShow(Mail({"notes.pdf", "beach.jpg", "chart.GIF"}), kSuffix);
  EXPECT_EQ(FilesIn(RealWorkingFolder()), (Strings{"beach.jpg", "chart.GIF"}));
  EXPECT_EQ(Saved("beach.jpg"), "bytes of #2");
  EXPECT_EQ(Saved("chart.GIF"), "bytes of #3");
  ASSERT_EQ(env.launcher->shellExecutes.size(), 1u);
  const sim::ShellExecuteCall& call = env.launcher->shellExecutes[0];
  EXPECT_EQ(call.verb, "open");
  EXPECT_EQ(call.file, WorkingFolder() + "beach.jpg");
  EXPECT_EQ(call.parameters, "");
  EXPECT_EQ(call.directory, WorkingFolder());
  EXPECT_EQ(call.showCommand, 1);
  EXPECT_TRUE(env.launcher->startedPrograms.empty());
  EXPECT_EQ(env.faults.CallCount("Attachments.Count"), 1u);
}

TEST_F(ExtractionTest, TheCustomViewerStartsInTheWorkingFolderWithBothPathsQuoted) {
  const std::string program = env.Path("My Apps/view.exe");
  fs::create_directory(env.dir.Path() / "My Apps");
  ChooseViewer("2", program);
  engine->ExtractAllNShow(Mail({"beach.jpg"}), kSuffix);
  // In the working folder as its own start folder: Outlook's current directory stays.
  EXPECT_EQ(env.launcher->order, (Strings{"StartProgram"}));
  ASSERT_EQ(env.launcher->startedPrograms.size(), 1u);
  EXPECT_EQ(env.launcher->startedPrograms[0].startFolder, WorkingFolder());
  EXPECT_EQ(env.launcher->startedPrograms[0].commandLine,
            "\"" + program + "\"  \"" + WorkingFolder() + "beach.jpg\"");
  EXPECT_EQ(env.launcher->startedPrograms[0].windowStyle, 1);
  EXPECT_TRUE(env.launcher->shellExecutes.empty());

  // A failing start ends quietly.
  env.launcher->failStartProgram = true;
  engine->ExtractAllNShow(Mail({"beach.jpg"}), kSuffix);
  EXPECT_EQ(env.launcher->startedPrograms.size(), 1u);
  EXPECT_EQ(Saved("beach.jpg"), "bytes of #1");
}

TEST_F(ExtractionTest, AnyOtherChoiceSavesThePicturesAndStartsNothing) {
  // The settings keep an accepted choice as it was written; only "1" and "2" start a viewer.
  for (const char* choice : {"2.0", "+1", "01"}) {
    ChooseViewer(choice, env.Path("view.exe"));
    ASSERT_EQ(gclsSettings(env.globals)->Value(rvImageViewer), choice);
    engine->ExtractAllNShow(Mail({"a.jpg", "b.gif"}), kSuffix);
    EXPECT_EQ(FilesIn(RealWorkingFolder()), (Strings{"a.jpg", "b.gif"}));
  }
  EXPECT_FALSE(env.launcher->AnyLaunch());

  // No settings object at all, or a failing shell: nothing starts and nothing escapes.
  gclsSettings(env.globals).reset();
  engine->ExtractAllNShow(Mail({"a.jpg"}), kSuffix);
  EXPECT_FALSE(env.launcher->AnyLaunch());
  gclsSettings(env.globals) = std::make_shared<CSettings>(env.globals);
  gclsSettings(env.globals)->SetValue(rvImageViewer, "1");
  env.launcher->failShellExecute = true;
  engine->ExtractAllNShow(Mail({"a.jpg"}), kSuffix);
  EXPECT_FALSE(env.launcher->AnyLaunch());
  EXPECT_EQ(env.faults.CallCount("Launcher.ShellExecute"), 1u);
}

TEST_F(ExtractionTest, TheChoiceIsReadAtTheMomentOfShowing) {
  const std::string program = env.Path("view.exe");
  ChooseViewer("1", program);
  auto mail = Mail({"a.jpg"});
  engine->ExtractAllNShow(mail, kSuffix);
  gclsSettings(env.globals)->SetValue(rvImageViewer, "2");
  engine->ExtractAllNShow(mail, kSuffix);
  EXPECT_EQ(env.launcher->order, (Strings{"ShellExecute", "StartProgram"}));
}

TEST_F(ExtractionTest, PicturesWithTheSameNameAreAllKeptNumberedBeforeTheExtension) {
  // Names compare without regard to case, accented letters included; a name that already
  // looks numbered gets a number of its own.
  EXPECT_EQ(Engine().ExtractAllNShow(
                Mail({"image.jpg", "IMAGE.JPG", "image.jpg", "image (2).jpg",
                      "\xc3\x89t\xc3\xa9.gif", "a/\xc3\xa9T\xc3\x89.gif", "photojpg", "PHOTOJPG"}),
                kSuffix),
            Extraction::kSaved);
  EXPECT_EQ(
      FilesIn(RealWorkingFolder()),
      (Strings{"IMAGE (2).JPG", "PHOTOJPG (2)", "image (2) (2).jpg", "image (3).jpg", "image.jpg",
               "photojpg", "\xc3\x89t\xc3\xa9.gif", "\xc3\xa9T\xc3\x89 (2).gif"}));
  EXPECT_EQ(Saved("image.jpg"), "bytes of #1");
  EXPECT_EQ(Saved("IMAGE (2).JPG"), "bytes of #2");
  EXPECT_EQ(Saved("image (3).jpg"), "bytes of #3");
  EXPECT_EQ(Saved("image (2) (2).jpg"), "bytes of #4");
  ASSERT_EQ(env.launcher->shellExecutes.size(), 1u);
  EXPECT_EQ(env.launcher->shellExecutes[0].file, WorkingFolder() + "image.jpg");

  // The chosen subset keeps every picture too, numbered in the order they are saved; a
  // position named twice is one picture, saved once.
  engine->ExtractSelectedNShow(Mail({"a.jpg", "notes.pdf", "A.jpg"}), "3,1,3", kSuffix);
  EXPECT_EQ(FilesIn(RealWorkingFolder()), (Strings{"A.jpg", "a (2).jpg"}));
  EXPECT_EQ(Saved("A.jpg"), "bytes of #3");
  EXPECT_EQ(Saved("a (2).jpg"), "bytes of #1");
  EXPECT_EQ(env.launcher->shellExecutes.back().file, WorkingFolder() + "A.jpg");
}

TEST_F(ExtractionTest, OnlyPicturesStoredInTheMessageAreSaved) {
  sim::ItemSpec contents;
  contents.attachments = {{"cloud.jpg", "link", host::kOlByReference},
                          {"notes.pdf", "pdf"},
                          {"forwarded.gif", "item", host::kOlEmbeddeditem},
                          {"chart.bmp", "ole", host::kOlOLE},
                          {"beach.jpg", "beach"}};
  auto mail = Mail(contents);
  EXPECT_EQ(Engine().ExtractAllNShow(mail, kSuffix), Extraction::kSaved);
  EXPECT_EQ(FilesIn(RealWorkingFolder()), (Strings{"beach.jpg"}));
  EXPECT_EQ(env.launcher->shellExecutes.at(0).file, WorkingFolder() + "beach.jpg");
  // The type is read only for picture names, and nothing is saved that is not a picture.
  EXPECT_EQ(env.faults.CallCount("Attachment.Type"), 4u);
  EXPECT_EQ(env.faults.CallCount("Attachment.SaveAsFile"), 1u);

  // Only links: no picture at all, nothing to tell.
  contents.attachments.pop_back();
  EXPECT_EQ(engine->ExtractSelectedNShow(Mail(contents), "1,3,4", kSuffix),
            Extraction::kNoPictures);
  EXPECT_EQ(env.faults.CallCount("Attachment.SaveAsFile"), 0u);
  EXPECT_EQ(env.launcher->shellExecutes.size(), 1u);
}

TEST_F(ExtractionTest, PreparesTheFolderEvenWithoutPicturesAndEmptiesItOfFilesOnly) {
  Engine().ExtractAllNShow(Mail({"notes.pdf"}), kSuffix);
  EXPECT_TRUE(fs::is_directory(RealWorkingFolder()));
  EXPECT_TRUE(FilesIn(RealWorkingFolder()).empty());

  const fs::path folder = RealWorkingFolder();
  TestEnv::WriteFile(platform::FromFsPath(folder / "a.jpg"), "old");
  TestEnv::WriteFile(platform::FromFsPath(folder / "b.gif"), "old");
  fs::permissions(folder / "b.gif",
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  fs::create_directory(folder / "x");
  TestEnv::WriteFile(platform::FromFsPath(folder / "x" / "keep.jpg"), "kept");
  engine->ExtractAllNShow(Mail({"notes.pdf"}), kSuffix);
  EXPECT_TRUE(FilesIn(folder).empty());
  EXPECT_EQ(env.disk->SubFolderNames(platform::FromFsPath(folder)), (Strings{"x"}));
  EXPECT_TRUE(fs::exists(folder / "x" / "keep.jpg"));
  EXPECT_FALSE(env.launcher->AnyLaunch());

  // The same suffix again: the first call's pictures are gone before the second saves.
  engine->ExtractAllNShow(Mail({"one.jpg", "two.jpg"}), kSuffix);
  engine->ExtractAllNShow(Mail({"three.jpg"}), kSuffix);
  EXPECT_EQ(FilesIn(folder), (Strings{"three.jpg"}));
  // A new suffix makes a new folder beside it.
  engine->ExtractAllNShow(Mail({"four.jpg"}), "071226210510");
  EXPECT_EQ(FilesIn(RealWorkingFolder("071226210510")), (Strings{"four.jpg"}));
  EXPECT_EQ(FilesIn(folder), (Strings{"three.jpg"}));
}

TEST_F(ExtractionTest, TheIndexListPicksPicturesInItsOwnOrder) {
  Engine().ExtractSelectedNShow(Mail({"notes.pdf", "beach.jpg", "chart.GIF"}), "3,2", kSuffix);
  EXPECT_EQ(FilesIn(RealWorkingFolder()), (Strings{"beach.jpg", "chart.GIF"}));
  ASSERT_EQ(env.launcher->shellExecutes.size(), 1u);
  EXPECT_EQ(env.launcher->shellExecutes[0].file, WorkingFolder() + "chart.GIF");

  engine->ExtractSelectedNShow(Mail({"notes.pdf", "beach.jpg", "map.png"}), "2,,x,9,3,0,-1",
                               kSuffix);
  EXPECT_EQ(FilesIn(RealWorkingFolder()), (Strings{"beach.jpg"}));
  EXPECT_EQ(env.launcher->shellExecutes.back().file, WorkingFolder() + "beach.jpg");

  // A listed position that is not a picture saves nothing and starts nothing.
  engine->ExtractSelectedNShow(Mail({"notes.pdf", "beach.jpg"}), "1", kSuffix);
  EXPECT_TRUE(fs::is_directory(RealWorkingFolder()));
  EXPECT_TRUE(FilesIn(RealWorkingFolder()).empty());
  EXPECT_EQ(env.launcher->shellExecutes.size(), 2u);
}

TEST_F(ExtractionTest, TheViewerOpensTheFirstPictureSavedAndNoneWhenNothingWasSaved) {
  Engine();
  auto mail = Mail({"a.jpg", "b.jpg"});
  env.faults.FailMember("Attachment.SaveAsFile", 1);
  EXPECT_EQ(engine->ExtractAllNShow(mail, kSuffix), Extraction::kSaved);
  EXPECT_EQ(FilesIn(RealWorkingFolder()), (Strings{"b.jpg"}));
  EXPECT_EQ(env.launcher->shellExecutes.at(0).file, WorkingFolder() + "b.jpg");

  // A name or type that cannot be read is neither saved nor shown.
  env.faults.FailMember("Attachment.FileName", 1);
  engine->ExtractSelectedNShow(mail, "1,2", kSuffix);
  EXPECT_EQ(FilesIn(RealWorkingFolder()), (Strings{"b.jpg"}));
  EXPECT_EQ(env.launcher->shellExecutes.at(1).file, WorkingFolder() + "b.jpg");
  env.faults.FailMember("Attachment.Type", 2);
  engine->ExtractAllNShow(mail, kSuffix);
  EXPECT_EQ(FilesIn(RealWorkingFolder()), (Strings{"a.jpg"}));
  EXPECT_EQ(env.launcher->shellExecutes.at(2).file, WorkingFolder() + "a.jpg");

  // A protected message refuses every save: no viewer, and the caller hears of it.
  sim::ItemSpec locked;
  locked.saveRefused = true;
  locked.attachments = {{"notes.pdf", "pdf"}, {"a.jpg", "a"}, {"b.gif", "b"}};
  env.faults.ClearCalls();
  EXPECT_EQ(engine->ExtractAllNShow(Mail(locked), kSuffix), Extraction::kNoneSaved);
  EXPECT_EQ(env.faults.CallCount("Attachment.SaveAsFile"), 2u);
  EXPECT_TRUE(FilesIn(RealWorkingFolder()).empty());
  EXPECT_EQ(engine->ExtractSelectedNShow(Mail(locked), "3", kSuffix), Extraction::kNoneSaved);
  EXPECT_EQ(env.launcher->shellExecutes.size(), 3u);

  // A folder that cannot be created leaves every save to fail: nothing is shown.
  env.faults.FailMember("FileSystem.CreateFolder", 1);
  EXPECT_EQ(engine->ExtractAllNShow(mail, "071226210510"), Extraction::kNoneSaved);
  EXPECT_FALSE(fs::exists(RealWorkingFolder("071226210510")));
  EXPECT_EQ(env.launcher->shellExecutes.size(), 3u);

  // An unusable message: the folder is still prepared, nothing else happens.
  EXPECT_EQ(engine->ExtractAllNShow(nullptr, "071226210511"), Extraction::kNoPictures);
  EXPECT_TRUE(fs::is_directory(RealWorkingFolder("071226210511")));
  EXPECT_EQ(env.launcher->shellExecutes.size(), 3u);
}

TEST_F(ExtractionTest, HostileNamesLandInsideTheWorkingFolderOrNowhere) {
  const fs::path root = platform::ToFsPath(Root());
  Engine().ExtractAllNShow(
      Mail({"CON.jpg", "..\\..\\escape.jpg", "a/b/nested.gif", "C:\\Windows\\win.bmp",
            "\\\\host\\share\\unc.tif", "what?.jpg", "..", "NUL.jpeg"}),
      kSuffix);
  EXPECT_EQ(FilesIn(RealWorkingFolder()),
            (Strings{"escape.jpg", "nested.gif", "unc.tif", "win.bmp"}));
  EXPECT_FALSE(fs::exists(root / "escape.jpg"));
  EXPECT_FALSE(fs::exists(root.parent_path() / "escape.jpg"));
  // The refused CON.jpg is not the first picture; the first saved one is.
  EXPECT_EQ(env.launcher->shellExecutes.at(0).file, WorkingFolder() + "escape.jpg");

  // Nothing usable at all: nothing saved, no viewer.
  EXPECT_EQ(engine->ExtractSelectedNShow(Mail({"aux.gif", "x/.."}), "1,2", kSuffix),
            Extraction::kNoneSaved);
  EXPECT_TRUE(FilesIn(RealWorkingFolder()).empty());
  EXPECT_EQ(env.launcher->shellExecutes.size(), 1u);
}

TEST_F(ExtractionTest, AWorkingFolderThatIsALinkIsReplacedByARealFolder) {
  const fs::path precious = env.dir.Path() / "Documents";
  fs::create_directory(precious);
  TestEnv::WriteFile(platform::FromFsPath(precious / "a.jpg"), "mine");
  fs::create_directory_symlink(precious, RealWorkingFolder());

  Engine().ExtractAllNShow(Mail({"a.jpg"}), kSuffix);
  EXPECT_FALSE(fs::is_symlink(fs::symlink_status(RealWorkingFolder())));
  EXPECT_TRUE(fs::is_directory(RealWorkingFolder()));
  EXPECT_EQ(Saved("a.jpg"), "bytes of #1");
  EXPECT_EQ(TestEnv::ReadFile(platform::FromFsPath(precious / "a.jpg")), "mine");

  // A link inside the working folder is removed as a link.
  fs::create_symlink(precious / "a.jpg", RealWorkingFolder() / "b.jpg");
  engine->ExtractAllNShow(Mail({"c.jpg"}), kSuffix);
  EXPECT_EQ(FilesIn(RealWorkingFolder()), (Strings{"c.jpg"}));
  EXPECT_EQ(TestEnv::ReadFile(platform::FromFsPath(precious / "a.jpg")), "mine");

  // When the link cannot be removed, nothing is saved through it and nothing is shown.
  fs::remove_all(RealWorkingFolder());
  fs::create_directory_symlink(precious, RealWorkingFolder());
  env.faults.FailMember("FileSystem.DeleteFile", 1);
  env.faults.ClearCalls();
  EXPECT_EQ(engine->ExtractAllNShow(Mail({"a.jpg"}), kSuffix), Extraction::kNoneSaved);
  EXPECT_EQ(env.faults.CallCount("Attachment.SaveAsFile"), 0u);
  EXPECT_EQ(TestEnv::ReadFile(platform::FromFsPath(precious / "a.jpg")), "mine");
  EXPECT_EQ(env.launcher->shellExecutes.size(), 2u);
}

}  // namespace
}  // namespace zormint::test

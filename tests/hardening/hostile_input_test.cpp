// Hostile input, catalogued: attachment names, stored settings, index lists and the state of the
// working folders, each with the answer the add-in must give. Every case runs through a whole
// add-in on the simulated Outlook and the real file system, and must leave nothing written
// outside the working folders and nothing of the user's lost.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <optional>

#include "pictures/pic_attachments.h"
#include "settings/settings.h"
#include "tests/hardening/hardening.h"
#include "tests/stories/outlook_story.h"
#include "ui/options_layout.h"

namespace zormint::test {
namespace {

namespace fs = std::filesystem;
constexpr const char* kSuffix = "071226210509";

// Nothing outside the working folders was written, changed or deleted.
void ExpectOnlyWorkingFoldersChanged(const Tree& before, const Tree& after,
                                     const std::string& what) {
  const TreeChange change = Compare(before, after);
  for (const auto* list : {&change.added, &change.changed, &change.removed}) {
    for (const std::string& path : *list)
      EXPECT_TRUE(InWorkingFolder(path)) << what << ": " << path;
  }
}

// ---- Attachment names -------------------------------------------------------------------------

struct NameCase {
  std::string name;
  std::optional<std::string> savedAs;  // none: not saved (and, alone, nothing is shown)
  bool picture = true;                 // false: not a picture name, the buttons stay disabled
};

std::vector<NameCase> AttachmentNames() {
  std::vector<NameCase> cases = {
      // Directory parts, absolute paths, UNC and device paths: only the last part counts.
      {"..\\..\\escape.jpg", "escape.jpg"},
      {"../../escape.jpg", "escape.jpg"},
      {"sub\\dir\\x.jpg", "x.jpg"},
      {"a/b\\c.gif", "c.gif"},
      {".\\dot.bmp", "dot.bmp"},
      {"C:\\Windows\\System32\\evil.bmp", "evil.bmp"},
      {"/etc/passwd.jpg", "passwd.jpg"},
      {"\\\\server\\share\\unc.tif", "unc.tif"},
      {"\\\\?\\C:\\long.jpg", "long.jpg"},
      {"\\\\?\\UNC\\server\\share\\x.tiff", "x.tiff"},
      {"\\\\.\\pipe\\p.gif", "p.gif"},
      {"C:relative.jpg", std::nullopt},
      {"x.jpg\\", std::nullopt, false},
      {"..", std::nullopt, false},
      // Device names, with or without an extension, in any case, with blanks before the dot.
      {"CON.jpg", std::nullopt},
      {"con.JPG", std::nullopt},
      {"NUL.jpeg", std::nullopt},
      {"PRN.gif", std::nullopt},
      {"AUX.bmp", std::nullopt},
      {"COM1.tif", std::nullopt},
      {"com9.tiff", std::nullopt},
      {"LPT1.jpg", std::nullopt},
      {"lpt0.gif", std::nullopt},
      {"CONIN$.jpg", std::nullopt},
      {"CONOUT$.bmp", std::nullopt},
      {"CLOCK$.jpg", std::nullopt},
      {"con .jpg", std::nullopt},
      {"NUL.tar.gif", std::nullopt},
      {"COM\xC2\xB9.jpg", std::nullopt},
      {"lpt\xC2\xB3.gif", std::nullopt},
      {"dir\\AUX.jpg", std::nullopt},
      {"CONSOLE.jpg", "CONSOLE.jpg"},
      {"COM10.jpg", "COM10.jpg"},
      {"NULL.gif", "NULL.gif"},
      // Trailing dots and blanks: the name no longer ends in a picture's letters.
      {"x.jpg.", std::nullopt, false},
      {"x.jpg ", std::nullopt, false},
      {"x.jpg. . .", std::nullopt, false},
      // Blanks and dots inside or in front are ordinary.
      {"x .jpg", "x .jpg"},
      {"   lead.jpg", "   lead.jpg"},
      {"..jpg", "..jpg"},
      {".jpg", ".jpg"},
      {"jpg", "jpg"},
      // Characters Windows forbids in names, and control characters.
      {"a<b.jpg", std::nullopt},
      {"a>b.jpg", std::nullopt},
      {"a:b.jpg", std::nullopt},
      {"a\"b.jpg", std::nullopt},
      {"a|b.jpg", std::nullopt},
      {"a?b.jpg", std::nullopt},
      {"a*b.jpg", std::nullopt},
      {"tab\t.jpg", std::nullopt},
      {"bell\a.gif", std::nullopt},
      {"esc\x1B.bmp", std::nullopt},
      {std::string("nul\0.jpg", 8), std::nullopt},
      {"x.jpg:Zone.Identifier.gif", std::nullopt},
      // Names from other scripts, kept byte for byte.
      {"Urlaub \xC3\xA4 1.JPG", "Urlaub \xC3\xA4 1.JPG"},
      {"\xE5\x86\x99\xE7\x9C\x9F.jpg", "\xE5\x86\x99\xE7\x9C\x9F.jpg"},
      {"\xF0\x9F\x98\x80.gif", "\xF0\x9F\x98\x80.gif"},
      {"e\xCC\x81t\xC3\xA9.bmp", "e\xCC\x81t\xC3\xA9.bmp"},
      {"photo\xE2\x80\xAEgif.jpg", "photo\xE2\x80\xAEgif.jpg"},
      {"evil\xE2\x80\xAEgpj.exe", std::nullopt, false},
      {"\xFF\xFE.jpg", "\xFF\xFE.jpg"},
      {"", std::nullopt, false},
  };
  // Long names: 255 characters is the longest name a folder can hold; one more is refused by
  // the file system (the save fails, the viewer is still sent to the picture's path).
  cases.push_back({std::string(251, 'a') + ".jpg", std::string(251, 'a') + ".jpg"});
  cases.push_back({std::string(252, 'b') + ".jpg", std::nullopt});
  cases.push_back({std::string(5000, 'c') + ".gif", std::nullopt});
  // A path far beyond 260 characters, with a short name at its end.
  std::string deep;
  for (int i = 0; i < 200; ++i)
    deep += "..\\";
  cases.push_back({deep + "deep.jpg", "deep.jpg"});
  // A name whose folder path plus name goes beyond 260 characters.
  cases.push_back({std::string(240, 'd') + ".jpg", std::string(240, 'd') + ".jpg"});
  return cases;
}

TEST(HostileInput, AttachmentNamesLandInTheWorkingFolderOrNowhere) {
  size_t count = 0;
  for (const NameCase& c : AttachmentNames()) {
    OutlookStory s;
    const ItemId mail = s.Mail({c.name});
    s.Connect();
    const Tree before = ReadTree(s.env.dir.Path());
    s.outlook.Select(s.mainExplorer, {mail});
    const bool clicked = s.ClickZormint(Xpl(s.mainExplorer));
    const std::string folder = s.WorkingFolder(kSuffix);
    const std::string what = "attachment '" + c.name.substr(0, 60) + "'";

    EXPECT_EQ(clicked, c.picture) << what;
    const std::set<std::string> saved = [&] {
      std::set<std::string> names;
      std::error_code ec;
      for (fs::directory_iterator it(platform::ToFsPath(folder), ec), end; !ec && it != end;
           it.increment(ec))
        names.insert(platform::FromFsPath(it->path().filename()));
      return names;
    }();
    if (c.savedAs) {
      EXPECT_EQ(saved, std::set<std::string>{*c.savedAs}) << what;
      EXPECT_EQ(TestEnv::ReadFile(folder + *c.savedAs), "bytes of " + c.name) << what;
      EXPECT_EQ(s.Shown(), std::vector<std::string>{folder + *c.savedAs}) << what;
    } else {
      EXPECT_TRUE(saved.empty()) << what;
      // Neither a refused name nor one the file system cannot take reaches the viewer; a
      // picture that could not be saved is told of.
      EXPECT_TRUE(s.Shown().empty()) << what;
      EXPECT_EQ(s.dialogs->MessageBoxes().size(), c.picture ? 1u : 0u) << what;
    }
    ExpectOnlyWorkingFoldersChanged(before, ReadTree(s.env.dir.Path()), what);
    s.DisconnectAndExpectNothingHeld(ext_dm_UserClosed);
    ++count;
  }
  Figure("hostile_attachment_names", count);
}

// Two names that differ only in case are one file on Windows: the later ones are numbered, so
// that each keeps its own file there as here. The viewer gets the first.
TEST(HostileInput, NamesThatDifferOnlyInCaseAreBothSavedAndTheFirstShown) {
  OutlookStory s;
  const ItemId mail = s.Mail({"Photo.JPG", "photo.jpg", "PHOTO.jpg"});
  s.Connect();
  s.outlook.Select(s.mainExplorer, {mail});
  ASSERT_TRUE(s.ClickZormint(Xpl(s.mainExplorer)));
  const std::string folder = s.WorkingFolder(kSuffix);
  const std::pair<const char*, const char*> saved[] = {
      {"Photo.JPG", "Photo.JPG"}, {"photo (2).jpg", "photo.jpg"}, {"PHOTO (3).jpg", "PHOTO.jpg"}};
  for (const auto& [file, name] : saved) {
    EXPECT_EQ(TestEnv::ReadFile(folder + file), std::string("bytes of ") + name);
  }
  EXPECT_EQ(s.Shown(), std::vector<std::string>{folder + "Photo.JPG"});
  s.Disconnect(ext_dm_UserClosed);
  Figure("hostile_case_only_names", 3);
}

// ---- Stored settings --------------------------------------------------------------------------

struct SettingsCase {
  std::string choice, path;          // as stored before the add-in starts
  std::string keptChoice, keptPath;  // as the start leaves them
};

TEST(HostileInput, StoredSettingsAreNormalisedAndNeverStartAnythingElse) {
  OutlookStory probe;
  const std::string viewer = probe.env.Path("My Apps/the viewer.exe");
  const std::string root = probe.env.dir.Text();
  std::vector<SettingsCase> cases = {
      // The viewer choice: anything but text worth exactly 1 or 2 becomes "1".
      {"", "", "1", ""},
      {"   ", "", "1", ""},
      {" 2 ", "", "2", ""},
      {std::string(1 << 20, '2'), "", "1", ""},
      {std::string("2\0", 2), "", "1", ""},
      {"\xFF\xFE"
       "2",
       "", "1", ""},
      {"0x2", "", "1", ""},
      {"\xEF\xBC\x92", "", "1", ""},  // a full-width two
      {"-2", "", "1", ""},
      {"NaN", "", "1", ""},
      {"Infinity", "", "1", ""},
      {"1E400", "", "1", ""},
      {"2e-99999999999999999999", "", "1", ""},
      {"3", "", "1", ""},
      {"1.0000000000000000000001", "", "1", ""},
      // Text worth 1 or 2 but written otherwise is kept as written (and then starts nothing).
      {"2.0", "", "2.0", ""},
      {"+1", "", "+1", ""},
      {".2e1", "", ".2e1", ""},
      {std::string(1 << 20, '0') + "2", "", std::string(1 << 20, '0') + "2", ""},
      // The custom viewer's path: only an existing file ending in EXE is kept.
      {"2", viewer, "2", viewer},
      {"2", "  " + viewer + "  ", "2", viewer},
      {"2", root + "/My Apps\\the viewer.exe", "2", root + "/My Apps\\the viewer.exe"},
      {"2", root + "/folder.exe", "2", ""},
      {"2", root + "/missing.exe", "2", ""},
      {"2", root + "/link.exe", "2", root + "/link.exe"},
      {"2", root + "/dangling.exe", "2", ""},
      {"2", root + "/script.bat", "2", ""},
      {"2", std::string(1 << 20, 'x') + ".exe", "2", ""},
      {"2", root + "/" + std::string(300, 'y') + ".exe", "2", ""},
      {"2", viewer + std::string("\0.exe", 5), "2", ""},
      {"2", root + "/script.bat" + std::string("\0.exe", 5), "2", ""},
      {"2", std::string("\xFF\xFE\0\x01.exe", 8), "2", ""},
      {"2", "exe", "2", ""},
  };
  size_t count = 0;
  for (const SettingsCase& c : cases) {
    OutlookStory s;
    fs::create_directories(s.env.dir.Path() / "My Apps");
    fs::create_directories(s.env.dir.Path() / "folder.exe");
    TestEnv::WriteFile(s.env.Path("My Apps/the viewer.exe"), "MZ");
    TestEnv::WriteFile(s.env.Path("script.bat"), "@echo off");
    fs::create_symlink(s.env.dir.Path() / "My Apps" / "the viewer.exe",
                       s.env.dir.Path() / "link.exe");
    fs::create_symlink(s.env.dir.Path() / "gone.exe", s.env.dir.Path() / "dangling.exe");
    // The paths of the table name the first environment's directory; each case its own.
    auto here = [&](std::string text) {
      const size_t at = text.find(root);
      if (at != std::string::npos) text.replace(at, root.size(), s.env.dir.Text());
      return text;
    };
    s.env.settingsStore->Put("ZORMINT", "Startup", "Image Viewer", c.choice);
    s.env.settingsStore->Put("ZORMINT", "Startup", "User Image App", here(c.path));
    const ItemId mail = s.Mail({"beach.jpg"});
    s.Connect();
    const std::string what =
        "choice '" + c.choice.substr(0, 20) + "', path '" + here(c.path).substr(0, 80) + "'";
    EXPECT_EQ(s.env.settingsStore->Peek("ZORMINT", "Startup", "Image Viewer"), c.keptChoice)
        << what;
    EXPECT_EQ(s.env.settingsStore->Peek("ZORMINT", "Startup", "User Image App"), here(c.keptPath))
        << what;

    // What a click starts: the associated viewer for "1", the kept path for "2", nothing else.
    s.outlook.Select(s.mainExplorer, {mail});
    s.ClickZormint(Xpl(s.mainExplorer));
    const std::string picture = s.WorkingFolder(kSuffix) + "beach.jpg";
    if (c.keptChoice == "1") {
      EXPECT_EQ(s.Shown(), std::vector<std::string>{picture}) << what;
    } else {
      EXPECT_TRUE(s.Shown().empty()) << what;
    }
    if (c.keptChoice == "2") {
      ASSERT_EQ(s.env.launcher->startedPrograms.size(), 1u) << what;
      EXPECT_EQ(s.env.launcher->startedPrograms[0].commandLine,
                "\"" + here(c.keptPath) + "\"  \"" + picture + "\"")
          << what;
    } else {
      EXPECT_TRUE(s.env.launcher->startedPrograms.empty()) << what;
    }
    // The dialog shows the stored path only for the custom viewer, and never another text.
    s.dialogs->OnNextShow([&](sim::HeadlessForm& form) {
      EXPECT_EQ(form.OptionValue(ui::kOptCustomViewer), c.keptChoice == "2") << what;
      EXPECT_EQ(form.Text(ui::kTxtCustomViewer), c.keptChoice == "2" ? here(c.keptPath) : "")
          << what;
      form.PressEsc();
    });
    s.ClickOptions(Xpl(s.mainExplorer));
    s.Disconnect(ext_dm_UserClosed);
    ++count;
  }
  Figure("hostile_stored_settings", count);
}

// ---- Index lists ------------------------------------------------------------------------------

struct IndexCase {
  std::string list;
  std::vector<std::string> saved;  // the pictures saved
  std::string shown;               // the picture shown, "" for none
};

TEST(HostileInput, IndexListsNeverReachBeyondTheMessage) {
  std::string repeated;
  for (int i = 0; i < 2000; ++i)
    repeated += "3,";
  repeated += "2";
  std::string garbage;
  for (int i = 0; i < 20000; ++i)
    garbage += i % 3 ? "x," : "-7,";
  const std::vector<IndexCase> cases = {
      {"2,3", {"beach.jpg", "chart.GIF"}, "beach.jpg"},
      {"3,2,3,2", {"beach.jpg", "chart.GIF"}, "chart.GIF"},
      {repeated, {"beach.jpg", "chart.GIF"}, "chart.GIF"},
      {std::string(1 << 20, ','), {}, ""},
      {garbage + "2", {"beach.jpg"}, "beach.jpg"},
      {std::string(1 << 20, '9'), {}, ""},
      {"-1,-2,-3", {}, ""},
      {"0", {}, ""},
      {"1", {}, ""},  // not a picture
      {"4,99,2147483647", {}, ""},
      {"2147483648,4294967298,18446744073709551618", {}, ""},
      {" 2,+3,3 ,2.0,0x3", {}, ""},
      {"02,003", {"beach.jpg", "chart.GIF"}, "beach.jpg"},
      {std::string("2\0"
                   "3",
                   3),
       {},
       ""},
      {"\xEF\xBC\x92", {}, ""},
      {"", {}, ""},
  };
  OutlookStory s;
  const ItemId mail = s.Mail({"notes.pdf", "beach.jpg", "chart.GIF"});
  s.Connect();
  s.outlook.Select(s.mainExplorer, {mail});
  std::shared_ptr<host::Item> item = s.Tracker().ExplorerToolbar(1)->SelectedItem();
  ASSERT_TRUE(item);
  const std::string folder = s.WorkingFolder(kSuffix);
  size_t count = 0;
  for (const IndexCase& c : cases) {
    const Tree before = ReadTree(s.env.dir.Path());
    const size_t shownBefore = s.Shown().size();
    gclsPicAttachments(s.G())->ExtractSelectedNShow(item, c.list, kSuffix);
    const std::string what = "index list '" + c.list.substr(0, 40) + "'";
    std::vector<std::string> saved;
    for (const std::string& name : s.env.disk->FileNames(folder))
      saved.push_back(name);
    EXPECT_EQ(saved, c.saved) << what;
    for (const std::string& name : saved)
      EXPECT_EQ(TestEnv::ReadFile(folder + name), "bytes of " + name) << what;
    EXPECT_EQ(s.Shown().size() - shownBefore, c.shown.empty() ? 0u : 1u) << what;
    if (!c.shown.empty() && s.Shown().size() > shownBefore) {
      EXPECT_EQ(s.Shown().back(), folder + c.shown) << what;
    }
    ExpectOnlyWorkingFoldersChanged(before, ReadTree(s.env.dir.Path()), what);
    ++count;
  }
  item.reset();
  s.DisconnectAndExpectNothingHeld(ext_dm_UserClosed);
  Figure("hostile_index_lists", count);
}

// ---- Working folders --------------------------------------------------------------------------

// A click on a message with two pictures; `beforeConnection` prepares the temporary folder
// before the add-in connects (and deletes the working folders it finds), `afterConnection`
// after. Returns the story for the checks.
using Prepare = std::function<void(OutlookStory&)>;
std::unique_ptr<OutlookStory> ClickWith(const Prepare& beforeConnection,
                                        const Prepare& afterConnection, Tree* before = nullptr) {
  auto s = std::make_unique<OutlookStory>();
  const ItemId mail = s->Mail({"beach.jpg", "chart.GIF"});
  if (beforeConnection) beforeConnection(*s);
  if (before) *before = ReadTree(s->env.dir.Path());
  s->Connect();
  if (afterConnection) afterConnection(*s);
  s->outlook.Select(s->mainExplorer, {mail});
  s->ClickZormint(Xpl(s->mainExplorer));
  return s;
}

fs::path RealWorkingFolder(OutlookStory& s) {
  return s.env.dir.Path() / "Temp" / (std::string("ZORMINT$") + kSuffix);
}

TEST(HostileInput, AWorkingFolderThatExistsAsAFileIsLeftAlone) {
  auto s = ClickWith(
      [](OutlookStory& s) {
        TestEnv::WriteFile(platform::FromFsPath(RealWorkingFolder(s)), "the user's file");
      },
      nullptr);
  // The folder cannot be made; the saves fail one by one; the file stays as it was. No viewer
  // is sent to a picture that is not there; the user is told that nothing was saved.
  EXPECT_EQ(TestEnv::ReadFile(platform::FromFsPath(RealWorkingFolder(*s))), "the user's file");
  EXPECT_TRUE(s->Shown().empty());
  EXPECT_EQ(s->dialogs->MessageBoxes().size(), 1u);
  s->Disconnect(ext_dm_UserClosed);
  s->ExpectNothingHeld();
  Figure("hostile_working_folder_states", 1);
}

TEST(HostileInput, ATemporaryFolderThatIsAFileOrMissingMakesNothingElsewhere) {
  for (bool missing : {false, true}) {
    Tree before;
    auto s = ClickWith(
        [&](OutlookStory& s) {
          fs::remove_all(s.env.dir.Path() / "Temp");
          if (!missing) TestEnv::WriteFile(s.env.Path("Temp"), "not a folder");
        },
        nullptr, &before);
    const Tree after = ReadTree(s->env.dir.Path());
    EXPECT_EQ(Compare(before, after).added.size() + Compare(before, after).changed.size() +
                  Compare(before, after).removed.size(),
              0u);
    EXPECT_TRUE(s->Shown().empty());  // nothing was saved: no viewer, a message box
    EXPECT_EQ(s->dialogs->MessageBoxes().size(), 1u);
    s->Disconnect(ext_dm_UserClosed);
    s->ExpectNothingHeld();
  }
  Figure("hostile_working_folder_states", 2);
}

// A viewer still showing a picture holds it open while the same working folder is prepared
// again. Here (unlike on Windows, where the file cannot be deleted then) the file goes at once;
// the viewer keeps reading what it opened, and the new pictures are saved.
TEST(HostileInput, APictureHeldOpenByAViewerIsNeverCorrupted) {
  auto s = ClickWith(nullptr, nullptr);
  const std::string beach = platform::FromFsPath(RealWorkingFolder(*s) / "beach.jpg");
  int ready[2], go[2], answer[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(go), 0);
  ASSERT_EQ(pipe(answer), 0);
  const pid_t viewer = fork();
  if (viewer == 0) {
    alarm(60);
    const int fd = open(beach.c_str(), O_RDONLY);
    char byte = 0;
    (void)!write(ready[1], "r", 1);
    (void)!read(go[0], &byte, 1);
    char content[64] = {};
    const ssize_t n = fd >= 0 ? pread(fd, content, sizeof content - 1, 0) : -1;
    (void)!write(answer[1], content, n > 0 ? static_cast<size_t>(n) : 0);
    _exit(fd >= 0 ? 0 : 1);
  }
  char byte = 0;
  ASSERT_EQ(read(ready[0], &byte, 1), 1);

  // The same message's pictures again, into the same working folder.
  s->ClickZormint(Xpl(s->mainExplorer));
  ASSERT_EQ(write(go[1], "g", 1), 1);
  char content[64] = {};
  const ssize_t n = read(answer[0], content, sizeof content - 1);
  int status = 0;
  waitpid(viewer, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(std::string(content, n > 0 ? static_cast<size_t>(n) : 0), "bytes of beach.jpg");
  EXPECT_EQ(TestEnv::ReadFile(beach), "bytes of beach.jpg");
  EXPECT_EQ(s->Shown().size(), 2u);
  for (int fd : {ready[0], ready[1], go[0], go[1], answer[0], answer[1]})
    close(fd);
  s->Disconnect(ext_dm_UserClosed);
  Figure("hostile_working_folder_states", 1);
}

TEST(HostileInput, ReadOnlyFilesAndFoldersInTheWorkingFolder) {
  auto s = ClickWith(nullptr, [](OutlookStory& s) {
    const fs::path folder = RealWorkingFolder(s);
    fs::create_directories(folder / "kept");
    TestEnv::WriteFile(platform::FromFsPath(folder / "beach.jpg"), "an older picture");
    TestEnv::WriteFile(platform::FromFsPath(folder / "old.gif"), "an older picture");
    TestEnv::WriteFile(platform::FromFsPath(folder / "kept" / "x.jpg"), "in a subfolder");
    fs::permissions(folder / "beach.jpg", fs::perms::owner_read);
    fs::permissions(folder / "old.gif", fs::perms::owner_read);
    fs::permissions(folder / "kept", fs::perms::owner_read | fs::perms::owner_exec);
  });
  // Read-only files are deleted too; a subfolder and what is in it stay.
  const fs::path folder = RealWorkingFolder(*s);
  EXPECT_FALSE(fs::exists(folder / "old.gif"));
  EXPECT_EQ(TestEnv::ReadFile(platform::FromFsPath(folder / "beach.jpg")), "bytes of beach.jpg");
  EXPECT_EQ(TestEnv::ReadFile(platform::FromFsPath(folder / "kept" / "x.jpg")), "in a subfolder");
  fs::permissions(folder / "kept", fs::perms::owner_all);

  // A working folder made read-only: where permissions count nothing in it can be deleted and
  // only its files can be saved over; where they do not, it is used as usual. Either way the
  // pictures are whole.
  fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
  s->env.clock->now.second = 9;
  s->ClickZormint(Xpl(s->mainExplorer));
  fs::permissions(folder, fs::perms::owner_all);
  EXPECT_EQ(TestEnv::ReadFile(platform::FromFsPath(folder / "beach.jpg")), "bytes of beach.jpg");
  EXPECT_EQ(fs::exists(folder / "chart.GIF"), true);
  EXPECT_EQ(s->Shown().size(), 2u);
  s->Disconnect(ext_dm_UserClosed);

  // At the next connection a read-only tree of an earlier run goes completely.
  fs::permissions(folder / "kept", fs::perms::owner_read | fs::perms::owner_exec);
  fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
  s->Connect();
  EXPECT_FALSE(fs::exists(fs::symlink_status(folder)));
  s->Disconnect(ext_dm_UserClosed);
  Figure("hostile_working_folder_states", 3);
}

TEST(HostileInput, LinksAndSpecialFilesAreNeverFollowed) {
  Tree before;
  auto s = ClickWith(
      [](OutlookStory& s) {
        // Beside the working folders: a link loop and a link to the user's folder that bear
        // the working folders' prefix.
        const fs::path dir = s.env.dir.Path();
        fs::create_directories(dir / "Precious" / "deep");
        TestEnv::WriteFile(platform::FromFsPath(dir / "Precious" / "deep" / "keep.jpg"), "mine");
        TestEnv::WriteFile(platform::FromFsPath(dir / "Precious" / "hard.jpg"), "mine too");
        fs::create_symlink(dir / "Temp" / "ZORMINT$loop", dir / "Temp" / "ZORMINT$loop");
        fs::create_directory_symlink(dir / "Precious", dir / "Temp" / "ZORMINT$precious");
      },
      [](OutlookStory& s) {
        const fs::path dir = s.env.dir.Path();
        const fs::path folder = RealWorkingFolder(s);
        fs::create_directories(folder);
        // A link to a folder, a hard link to a file, a link to itself, a pipe named like a
        // picture, all inside the working folder.
        fs::create_directory_symlink(dir / "Precious", folder / "linked");
        fs::create_hard_link(dir / "Precious" / "hard.jpg", folder / "beach.jpg");
        fs::create_symlink(folder / "loop.jpg", folder / "loop.jpg");
        ASSERT_EQ(mkfifo(platform::FromFsPath(folder / "chart.GIF").c_str(), 0600), 0);
      },
      &before);
  const fs::path dir = s->env.dir.Path();
  const fs::path folder = RealWorkingFolder(*s);
  EXPECT_EQ(TestEnv::ReadFile(platform::FromFsPath(dir / "Precious" / "deep" / "keep.jpg")),
            "mine");
  EXPECT_EQ(TestEnv::ReadFile(platform::FromFsPath(dir / "Precious" / "hard.jpg")), "mine too");
  EXPECT_EQ(TestEnv::ReadFile(platform::FromFsPath(folder / "beach.jpg")), "bytes of beach.jpg");
  EXPECT_EQ(TestEnv::ReadFile(platform::FromFsPath(folder / "chart.GIF")), "bytes of chart.GIF");
  EXPECT_FALSE(fs::exists(fs::symlink_status(folder / "linked")));
  EXPECT_FALSE(fs::exists(fs::symlink_status(folder / "loop.jpg")));
  // The links with the prefix went at the connection, as links.
  EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "Temp" / "ZORMINT$loop")));
  EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "Temp" / "ZORMINT$precious")));
  const TreeChange change = Compare(before, ReadTree(dir));
  for (const auto* list : {&change.added, &change.changed, &change.removed}) {
    for (const std::string& path : *list)
      EXPECT_TRUE(InWorkingFolder(path)) << path;
  }
  s->Disconnect(ext_dm_UserClosed);
  s->ExpectNothingHeld();
  Figure("hostile_working_folder_states", 6);
}

}  // namespace
}  // namespace zormint::test

// Faults the hardening work found, each with the case that showed it.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "tests/hardening/hardening.h"
#include "tests/pictures/pictures_fixture.h"
#include "tests/stories/outlook_story.h"
#include "ui/frm_options.h"

namespace zormint::test {
namespace {

namespace fs = std::filesystem;

// A list that refuses to take entries with one text.
class RefusingListBox : public MemoryListBox {
 public:
  explicit RefusingListBox(std::string refused) : refused_(std::move(refused)) {}
  void AddItem(const std::string& text) override {
    if (text == refused_) Fail(err::kEFail, "The list cannot take " + text);
    MemoryListBox::AddItem(text);
  }

 private:
  std::string refused_;
};

class MendedFaults : public PicturesTest {};

// The picture list: when an entry could not be added, its position was written over the entry
// added before it, so that the user ticked "beach.jpg" and was shown "chart.GIF".
TEST_F(MendedFaults, AnEntryTheListCouldNotTakeNeverCarriesAnotherPicturesPosition) {
  auto list = std::make_shared<RefusingListBox>("chart.GIF");
  Engine().Populate(Mail({"notes.pdf", "beach.jpg", "chart.GIF", "dog.bmp"}), list);
  ASSERT_EQ(list->entries.size(), 2u);
  EXPECT_EQ(list->entries[0].text, "beach.jpg");
  EXPECT_EQ(list->entries[0].data, 2);
  EXPECT_TRUE(list->entries[0].selected);
  EXPECT_EQ(list->entries[1].text, "dog.bmp");
  EXPECT_EQ(list->entries[1].data, 4);
}

// Saving a picture: a link in the picture's place that the preparation could not remove was
// written through, so the picture's bytes replaced whatever file the link pointed to.
TEST_F(MendedFaults, APictureIsNeverSavedThroughALinkInItsPlace) {
  const fs::path precious = env.dir.Path() / "precious.jpg";
  TestEnv::WriteFile(platform::FromFsPath(precious), "the user's own picture");
  fs::create_directories(RealWorkingFolder());
  fs::create_symlink(precious, RealWorkingFolder() / "a.jpg");

  // The preparation cannot remove the link (and nothing else either).
  env.faults.FailMember("FileSystem.DeleteFile");
  Engine().ExtractAllNShow(Mail({"a.jpg", "b.gif"}), kSuffix);
  EXPECT_EQ(TestEnv::ReadFile(platform::FromFsPath(precious)), "the user's own picture");
  EXPECT_TRUE(fs::is_symlink(fs::symlink_status(RealWorkingFolder() / "a.jpg")));
  // The other picture is saved, and the viewer is sent to it, the first one saved.
  EXPECT_EQ(TestEnv::ReadFile(platform::FromFsPath(RealWorkingFolder() / "b.gif")), "bytes of #2");
  EXPECT_EQ(env.launcher->shellExecutes.at(0).file, WorkingFolder() + "b.gif");

  // A link that can go is removed and the picture saved as a file of its own.
  env.faults.ClearFaults();
  engine->ExtractSelectedNShow(Mail({"a.jpg"}), "1", kSuffix);
  EXPECT_FALSE(fs::is_symlink(fs::symlink_status(RealWorkingFolder() / "a.jpg")));
  EXPECT_EQ(TestEnv::ReadFile(platform::FromFsPath(RealWorkingFolder() / "a.jpg")), "bytes of #1");
  EXPECT_EQ(TestEnv::ReadFile(platform::FromFsPath(precious)), "the user's own picture");

  // When whether the place is a link cannot be told, the picture is not saved there.
  fs::remove(RealWorkingFolder() / "a.jpg");
  fs::create_symlink(precious, RealWorkingFolder() / "a.jpg");
  env.faults.FailMember("FileSystem.DeleteFile");
  env.faults.FailMember("FileSystem.IsLink", 2);
  engine->ExtractAllNShow(Mail({"a.jpg"}), kSuffix);
  EXPECT_EQ(TestEnv::ReadFile(platform::FromFsPath(precious)), "the user's own picture");
}

// The stored custom viewer: a path with a NUL in it was checked and started as the name before
// the NUL, so that "viewer.bat<NUL>.exe" passed as an EXE and started a batch file.
TEST_F(MendedFaults, AViewerPathWithANulIsRefused) {
  const std::string script = env.Path("viewer.bat");
  TestEnv::WriteFile(script, "@echo off");
  env.settingsStore->Put("ZORMINT", "Startup", "Image Viewer", "2");
  env.settingsStore->Put("ZORMINT", "Startup", "User Image App", script + std::string("\0.exe", 5));
  Engine();
  EXPECT_EQ(gclsSettings(env.globals)->Value(2), "");
  EXPECT_EQ(env.settingsStore->Peek("ZORMINT", "Startup", "User Image App"), "");
  gclsSettings(env.globals)->SetValue(2, script + std::string("\0.EXE", 5));
  EXPECT_EQ(gclsSettings(env.globals)->Value(2), "");
}

// The same without any injected failure: a working folder someone made read-only holds a link
// that cannot be removed (only where permissions count).
TEST_F(MendedFaults, AReadOnlyWorkingFolderWithALinkInsideWritesNothingThrough) {
  if (PermissionsIgnored()) GTEST_SKIP() << "permissions do not stop this process";
  const fs::path precious = env.dir.Path() / "precious.jpg";
  TestEnv::WriteFile(platform::FromFsPath(precious), "the user's own picture");
  fs::create_directories(RealWorkingFolder());
  fs::create_symlink(precious, RealWorkingFolder() / "a.jpg");
  fs::permissions(RealWorkingFolder(), fs::perms::owner_read | fs::perms::owner_exec);
  Engine().ExtractAllNShow(Mail({"a.jpg"}), kSuffix);
  fs::permissions(RealWorkingFolder(), fs::perms::owner_all);
  EXPECT_EQ(TestEnv::ReadFile(platform::FromFsPath(precious)), "the user's own picture");
}

}  // namespace
}  // namespace zormint::test

namespace zormint::test {
namespace {

// The options dialog has no owner, so Outlook's other windows stay usable while it is open. A
// second "View ZORMINT Options" in another window filled the open dialog's list with the other
// message's pictures; "&Open" then took positions of that message to the first one. The click
// now leaves the list alone and brings the dialog forward, which may sit behind Outlook.
TEST(MendedFaultsInTheSession, ASecondOptionsClickLeavesTheOpenDialogAlone) {
  OutlookStory s;
  s.Connect();
  const ItemId first = s.Mail({"a1.jpg", "a2.jpg"});
  const ItemId other = s.Mail({"notes.pdf", "b.gif"});
  s.outlook.Select(s.mainExplorer, {first});
  const ExplorerId second = s.OpenExplorer();
  s.outlook.Select(second, {other});

  std::vector<std::string> listed;
  s.dialogs->OnNextShow([&](sim::HeadlessForm& form) {
    // The click brings the open dialog to the front, restored from the task bar.
    form.Minimize();
    EXPECT_TRUE(s.ClickOptions(Xpl(second)));
    EXPECT_EQ(form.BroughtToFront(), 1);
    EXPECT_FALSE(form.Minimized());
    EXPECT_TRUE(form.Shown());
    for (const sim::ListEntry& entry : form.Entries("lstPicAttachments"))
      listed.push_back(entry.text);
    form.Click("cmdOpen");
  });
  EXPECT_TRUE(s.ClickOptions(Xpl(s.mainExplorer)));
  EXPECT_EQ(listed, (std::vector<std::string>{"a1.jpg", "a2.jpg"}));
  const std::string folder = s.WorkingFolder("071226210509");
  EXPECT_EQ(s.Shown(), std::vector<std::string>{folder + "a1.jpg"});
  EXPECT_TRUE(s.Saved("071226210509", "a1.jpg"));
  EXPECT_TRUE(s.Saved("071226210509", "a2.jpg"));
  EXPECT_EQ(s.dialogs->ModalShows(), 1);

  // The next click gets a fresh dialog that works as usual.
  s.dialogs->OnNextShow([&](sim::HeadlessForm& form) { form.Click("cmdOpen"); });
  EXPECT_TRUE(s.ClickOptions(Xpl(second)));
  EXPECT_EQ(s.Shown().size(), 2u);
  s.DisconnectAndExpectNothingHeld(ext_dm_UserClosed);
}

// A showing that failed left the dialog loaded but never seen: the next click reused it
// without loading it again (its banner never restarted, nothing of the load step ran), and the
// hidden dialog outlived the add-in's disconnection.
TEST(MendedFaultsInTheSession, ADialogThatFailedToShowIsNotReused) {
  OutlookStory s;
  s.internet->SetConnected(true);
  s.Connect();
  s.outlook.Select(s.mainExplorer, {s.Mail({"a.jpg"})});
  s.env.faults.FailMember("Form.ShowModal", 1);
  EXPECT_TRUE(s.ClickOptions(Xpl(s.mainExplorer)));
  EXPECT_FALSE(gfrmOptions(s.G()));
  EXPECT_EQ(s.dialogs->Unloads().size(), 1u);

  s.dialogs->OnNextShow([&](sim::HeadlessForm& form) { form.Click("cmdOpen"); });
  EXPECT_TRUE(s.ClickOptions(Xpl(s.mainExplorer)));
  EXPECT_EQ(s.dialogs->FormsCreated(), 2u);
  ASSERT_EQ(s.dialogs->Browsers().size(), 2u);
  const auto& navigations = s.dialogs->Browsers()[1]->Navigations();
  ASSERT_EQ(navigations.size(), 2u);  // a fresh start: embedded page first, then online
  EXPECT_EQ(navigations[0].url, "res://ZORMINT/%2323/%23102");
  EXPECT_EQ(s.Shown().size(), 1u);
  EXPECT_FALSE(gfrmOptions(s.G()));
  s.DisconnectAndExpectNothingHeld(ext_dm_UserClosed);
}

}  // namespace
}  // namespace zormint::test

// Whether a message has pictures, and the dialog's picture list.
#include "tests/pictures/pictures_fixture.h"

namespace zormint::test {
namespace {

using ListingTest = PicturesTest;

TEST_F(ListingTest, FindsAPictureAnywhereAndStopsAtTheFirst) {
  CPicAttachments engine(env.globals);  // needs no Initialize
  EXPECT_FALSE(engine.AtLeastOnePresent(Mail(std::vector<std::string>{})));
  EXPECT_FALSE(engine.AtLeastOnePresent(Mail({"notes.pdf", "photo.png", "pic.gif "})));
  EXPECT_TRUE(engine.AtLeastOnePresent(Mail({"patch.diff"})));

  auto mail = Mail({"logo.png", "IMG_01.JPEG", "more.gif", "notes.txt"});
  const int held = env.outlook->LiveReferences();
  EXPECT_TRUE(engine.AtLeastOnePresent(mail));
  EXPECT_EQ(env.faults.CallCount("Attachment.FileName"), 2u);
  EXPECT_EQ(env.faults.CallCount("Attachments.Count"), 1u);
  EXPECT_EQ(env.faults.CallCount("Item.Attachments"), 1u);
  EXPECT_EQ(env.outlook->LiveReferences(), held);  // every host object released
}

TEST_F(ListingTest, AnAttachmentNotStoredInTheMessageIsNoPictureWhateverItsName) {
  CPicAttachments engine(env.globals);
  sim::ItemSpec contents;
  contents.attachments = {{"cloud.jpg", "", host::kOlByReference},
                          {"forwarded.gif", "", host::kOlEmbeddeditem},
                          {"notes.pdf", ""},
                          {"chart.bmp", "", host::kOlOLE}};
  auto links = Mail(contents);
  EXPECT_FALSE(engine.AtLeastOnePresent(links));
  // Every name is read; the type only of the three picture names.
  EXPECT_EQ(env.faults.CallCount("Attachment.FileName"), 4u);
  EXPECT_EQ(env.faults.CallCount("Attachment.Type"), 3u);
  auto list = std::make_shared<MemoryListBox>();
  engine.Populate(links, list);
  EXPECT_TRUE(list->entries.empty());

  contents.attachments.push_back({"beach.jpg", ""});
  auto mail = Mail(contents);
  EXPECT_TRUE(engine.AtLeastOnePresent(mail));
  engine.Populate(mail, list);
  ASSERT_EQ(list->entries.size(), 1u);
  EXPECT_EQ(list->entries[0].text, "beach.jpg");
  EXPECT_EQ(list->entries[0].data, 5);

  // A type that cannot be read is no picture: the next one still counts.
  env.faults.FailMember("Attachment.Type", 4);
  EXPECT_FALSE(engine.AtLeastOnePresent(mail));
  env.faults.FailMember("Attachment.Type", 1);
  engine.Populate(Mail({"a.jpg", "b.jpg"}), list);
  ASSERT_EQ(list->entries.size(), 1u);
  EXPECT_EQ(list->entries[0].text, "b.jpg");
}

class MorePictureTypesTest : public PicturesTest {
 protected:
  MorePictureTypesTest() {
    gclsSettings(env.globals) = std::make_shared<CSettings>(env.globals);
    gclsSettings(env.globals)->Initialize();
  }
  void SwitchOn(bool on) {
    gclsSettings(env.globals)->SetValue(rvMorePictureTypes, on ? "1" : "0");
  }
  // What the dialog would list for these attachments.
  std::vector<std::string> Listed(const sim::ItemSpec& contents) {
    auto list = std::make_shared<MemoryListBox>();
    CPicAttachments(env.globals).Populate(Mail(contents), list);
    std::vector<std::string> names;
    for (const auto& entry : list->entries)
      names.push_back(entry.text + "#" + std::to_string(entry.data));
    return names;
  }
  static sim::AttachmentSpec Inline(const std::string& name, bool hidden, int32_t flags) {
    sim::AttachmentSpec a{name, "logo"};
    a.contentId = "image001.png@01DA0000";
    a.hidden = hidden;
    a.flags = flags;
    return a;
  }
};

TEST_F(MorePictureTypesTest, OffTheyAreNoPicturesAndNothingIsLeftOut) {
  sim::ItemSpec contents;
  contents.attachments = {{"shot.png", ""}, {"IMG_2041.HEIC", ""}, Inline("logo.jpg", true, 4)};
  EXPECT_EQ(Listed(contents), (std::vector<std::string>{"logo.jpg#3"}));
  EXPECT_EQ(env.faults.CallCount("Attachment.PropertyAccessor"), 0u);
  contents.attachments.pop_back();
  EXPECT_FALSE(CPicAttachments(env.globals).AtLeastOnePresent(Mail(contents)));
}

TEST_F(MorePictureTypesTest, OnTheyArePicturesAndPicturesShownInTheTextAreLeftOut) {
  SwitchOn(true);
  sim::ItemSpec contents;
  contents.attachments = {
      {"shot.PNG", ""},
      {"IMG_2041.heic", ""},
      {"a.webp", ""},
      {"b.heif", ""},
      {"c.avif", ""},
      {"d.jfif", ""},
      {"notes.png.txt", ""},
      {"album.png", "", host::kOlByReference},
      Inline("logo.png", true, 0),       // hidden, with a content id: left out
      Inline("banner.jpg", false, 4),    // referenced by the text: left out
      Inline("attached.jpg", false, 1),  // a content id alone: kept
      Inline("plain.gif", false, 0),     // a content id alone: kept
      {"hidden-no-id.bmp", "", host::kOlByValue, "", true, 4}};  // no content id: kept
  EXPECT_EQ(Listed(contents),
            (std::vector<std::string>{"shot.PNG#1", "IMG_2041.heic#2", "a.webp#3", "b.heif#4",
                                      "c.avif#5", "d.jfif#6", "attached.jpg#11", "plain.gif#12",
                                      "hidden-no-id.bmp#13"}));
  // Only pictures stored in the message have their properties read.
  EXPECT_EQ(env.faults.CallCount("Attachment.PropertyAccessor"), 11u);

  // Saving follows the same rule.
  CPicAttachments engine(env.globals);
  sim::ItemSpec logos;
  logos.attachments = {Inline("logo.png", true, 4), {"shot.png", "shot"}};
  engine.Initialize();
  EXPECT_EQ(engine.ExtractAllNShow(Mail(logos), kSuffix), Extraction::kSaved);
  EXPECT_EQ(FilesIn(RealWorkingFolder()), (std::vector<std::string>{"shot.png"}));
  logos.attachments.pop_back();
  EXPECT_FALSE(engine.AtLeastOnePresent(Mail(logos)));
  EXPECT_EQ(engine.ExtractAllNShow(Mail(logos), kSuffix), Extraction::kNoPictures);
}

TEST_F(MorePictureTypesTest, WhatCannotBeReadLeavesThePictureInAndOutlook2003LeavesNothingOut) {
  SwitchOn(true);
  sim::ItemSpec contents;
  contents.attachments = {Inline("logo.png", true, 4)};
  auto mail = Mail(contents);
  const int held = env.outlook->LiveReferences();
  CPicAttachments engine(env.globals);
  EXPECT_FALSE(engine.AtLeastOnePresent(mail));
  env.faults.FailMember("PropertyAccessor.GetProperty", 1);  // the content id
  EXPECT_TRUE(engine.AtLeastOnePresent(mail));
  env.faults.FailMember("PropertyAccessor.GetProperty", 2);  // hidden: the flags still tell
  EXPECT_FALSE(engine.AtLeastOnePresent(mail));
  env.faults.FailMember("Attachment.PropertyAccessor", 1);
  EXPECT_TRUE(engine.AtLeastOnePresent(mail));
  EXPECT_EQ(env.outlook->LiveReferences(), held) << env.outlook->DescribeLiveReferences();

  env.outlook->SetVersion("11.0.0.8312");
  env.faults.ClearCalls();
  EXPECT_TRUE(engine.AtLeastOnePresent(mail));
  EXPECT_EQ(env.faults.CallCount("PropertyAccessor.GetProperty"), 0u);
}

TEST_F(MorePictureTypesTest, OnTheFirstPictureCostsItsNameTypeAndContentId) {
  SwitchOn(true);
  std::vector<std::string> names(1000, "report.pdf");
  names[0] = "first.png";
  auto mail = Mail(names);
  EXPECT_TRUE(CPicAttachments(env.globals).AtLeastOnePresent(mail));
  EXPECT_EQ(env.faults.Calls(),
            (std::vector<std::string>{
                "Item.Attachments", "Attachments.Count", "Attachments.Item", "Attachment.FileName",
                "Attachment.Type", "Attachment.PropertyAccessor", "PropertyAccessor.GetProperty"}));
}

TEST_F(ListingTest, AMessageWhoseFirstAttachmentIsAPictureCostsOneNameRead) {
  std::vector<std::string> names(1000, "report.pdf");
  names[0] = "first.jpg";
  auto mail = Mail(names);
  EXPECT_TRUE(CPicAttachments(env.globals).AtLeastOnePresent(mail));
  EXPECT_EQ(env.faults.Calls(),
            (std::vector<std::string>{"Item.Attachments", "Attachments.Count", "Attachments.Item",
                                      "Attachment.FileName", "Attachment.Type"}));
}

TEST_F(ListingTest, HostFailuresCountAsNoPicture) {
  CPicAttachments engine(env.globals);
  EXPECT_FALSE(engine.AtLeastOnePresent(nullptr));
  auto mail = Mail({"a.jpg", "b.jpg"});
  env.faults.FailMember("Item.Attachments", 1);
  EXPECT_FALSE(engine.AtLeastOnePresent(mail));
  env.faults.FailMember("Attachments.Count", 1);
  EXPECT_FALSE(engine.AtLeastOnePresent(mail));
  // The first name cannot be read: the second still counts.
  env.faults.FailMember("Attachment.FileName", 1);
  EXPECT_TRUE(engine.AtLeastOnePresent(mail));
  env.faults.FailMember("Attachments.Item", 0);
  EXPECT_FALSE(engine.AtLeastOnePresent(mail));
}

TEST_F(ListingTest, ListsThePicturesWithTheirPositionsAllSelected) {
  CPicAttachments engine(env.globals);
  auto list = std::make_shared<MemoryListBox>();
  list->entries = {{"old.jpg", 7, false}};  // from an earlier call
  engine.Populate(Mail({"notes.pdf", "beach.jpg", "chart.GIF", "beach.jpg", "..\\x\\A.TIFF"}),
                  list);
  ASSERT_EQ(list->entries.size(), 4u);
  const std::pair<const char*, int32_t> expected[] = {
      {"beach.jpg", 2}, {"chart.GIF", 3}, {"beach.jpg", 4}, {"..\\x\\A.TIFF", 5}};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(list->entries[i].text, expected[i].first);  // as the host gave it
    EXPECT_EQ(list->entries[i].data, expected[i].second);
    EXPECT_TRUE(list->entries[i].selected);
  }

  engine.Populate(Mail(std::vector<std::string>{}), list);
  EXPECT_TRUE(list->entries.empty());
  list->entries = {{"old.jpg", 7, true}};
  engine.Populate(nullptr, list);
  EXPECT_TRUE(list->entries.empty());         // emptied first, whatever comes after
  engine.Populate(Mail({"a.jpg"}), nullptr);  // no list: nothing to do, nothing fails
}

TEST_F(ListingTest, AnAttachmentThatCannotBeReadIsLeftOutButKeepsItsPlace) {
  CPicAttachments engine(env.globals);
  auto list = std::make_shared<MemoryListBox>();
  auto mail = Mail({"a.jpg", "b.jpg", "c.jpg"});
  env.faults.FailMember("Attachment.FileName", 2);
  engine.Populate(mail, list);
  ASSERT_EQ(list->entries.size(), 2u);
  EXPECT_EQ(list->entries[0].data, 1);
  EXPECT_EQ(list->entries[1].text, "c.jpg");
  EXPECT_EQ(list->entries[1].data, 3);

  env.faults.FailMember("Attachments.Count", 1);
  engine.Populate(mail, list);
  EXPECT_TRUE(list->entries.empty());
}

}  // namespace
}  // namespace zormint::test

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

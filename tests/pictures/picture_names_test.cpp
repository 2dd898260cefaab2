#include "pictures/picture_names.h"

#include <gtest/gtest.h>

#include <set>

namespace zormint {
namespace {

TEST(IsPictureName, LooksAtTheLastThreeCharactersOnlyLowerCased) {
  for (const char* name : {"beach.jpg", "IMG_01.JPEG", "Scan.Jpeg", "A.TIFF", "x.tif", "y.gif",
                           "z.BMP", "scan.diff", "xjpg", "jpg", "GIF", "cliff", "a.b.c.peg"}) {
    EXPECT_TRUE(IsPictureName(name)) << name;
  }
  for (const char* name : {"photo.png", "clip.jpe", "a.jp", "pic.gif ", "jp", "", "g",
                           "beach.jpg.exe", "beach.jpg\t", "x.j pg", "tiff.txt", ".jpgx"}) {
    EXPECT_FALSE(IsPictureName(name)) << name;
  }
}

TEST(IsMorePictureName, LooksAfterTheLastDotWithoutRegardToCase) {
  for (const char* name : {"shot.png", "IMG_2041.HEIC", "a.b.WebP", "x.heif", "y.AVIF", "old.jfif",
                           ".png", "a/b.png"}) {
    EXPECT_TRUE(IsMorePictureName(name)) << name;
  }
  for (const char* name : {"png", "shotpng", "shot.png.txt", "shot.png ", "shot.pn", "x.jpg",
                           "x.heics", "x.", "", "x.svg"}) {
    EXPECT_FALSE(IsMorePictureName(name)) << name;
  }
}

TEST(DistinctSaveName, NumbersLaterNamesBeforeTheExtensionComparingAsWindowsDoes) {
  std::set<std::string> taken;
  EXPECT_EQ(DistinctSaveName("image.jpg", taken), "image.jpg");
  EXPECT_EQ(DistinctSaveName("Image.JPG", taken), "Image (2).JPG");
  EXPECT_EQ(DistinctSaveName("image.jpg", taken), "image (3).jpg");
  EXPECT_EQ(DistinctSaveName("image (2).jpg", taken), "image (2) (2).jpg");
  EXPECT_EQ(DistinctSaveName("photojpg", taken), "photojpg");
  EXPECT_EQ(DistinctSaveName("PHOTOJPG", taken), "PHOTOJPG (2)");
  EXPECT_EQ(DistinctSaveName("a.b.gif", taken), "a.b.gif");
  EXPECT_EQ(DistinctSaveName("A.B.gif", taken), "A.B (2).gif");
  // Letters beyond ASCII fold as Windows folds them; other characters stay apart.
  EXPECT_EQ(DistinctSaveName("\xC3\xA9t\xC3\xA9.jpg", taken), "\xC3\xA9t\xC3\xA9.jpg");
  EXPECT_EQ(DistinctSaveName("\xC3\x89T\xC3\x89.jpg", taken), "\xC3\x89T\xC3\x89 (2).jpg");
  EXPECT_EQ(DistinctSaveName("\xC5\x81\xC3\xB3"
                             "d\xC5\xBA.jpg",
                             taken),
            "\xC5\x81\xC3\xB3"
            "d\xC5\xBA.jpg");
  EXPECT_EQ(DistinctSaveName("\xC5\x82\xC3\x93"
                             "D\xC5\xB9.jpg",
                             taken),
            "\xC5\x82\xC3\x93"
            "D\xC5\xB9 (2).jpg");
  EXPECT_EQ(DistinctSaveName("\xD0\xA4\xD0\xBE\xD1\x82\xD0\xBE.jpg", taken),
            "\xD0\xA4\xD0\xBE\xD1\x82\xD0\xBE.jpg");
  EXPECT_EQ(DistinctSaveName("\xD1\x84\xD0\x9E\xD0\xA2\xD0\x9E.jpg", taken),
            "\xD1\x84\xD0\x9E\xD0\xA2\xD0\x9E (2).jpg");
  EXPECT_EQ(DistinctSaveName("\xC3\x9F.jpg", taken), "\xC3\x9F.jpg");  // no upper case of its own
  EXPECT_EQ(DistinctSaveName("ss.jpg", taken), "ss.jpg");
}

TEST(SafeSaveName, KeepsOnlyTheLastComponentOfANameWithFolders) {
  EXPECT_EQ(SafeSaveName("beach.jpg"), "beach.jpg");
  EXPECT_EQ(SafeSaveName("..\\..\\x.jpg"), "x.jpg");
  EXPECT_EQ(SafeSaveName("../../x.jpg"), "x.jpg");
  EXPECT_EQ(SafeSaveName("a/b.jpg"), "b.jpg");
  EXPECT_EQ(SafeSaveName("C:\\Windows\\x.jpg"), "x.jpg");
  EXPECT_EQ(SafeSaveName("\\\\server\\share\\x.jpg"), "x.jpg");
  EXPECT_EQ(SafeSaveName("\\\\?\\C:\\x.jpg"), "x.jpg");
  EXPECT_EQ(SafeSaveName("Urlaub \xC3\xA4 1.JPG"), "Urlaub \xC3\xA4 1.JPG");
  EXPECT_EQ(SafeSaveName("..jpg"), "..jpg");              // an ordinary, if odd, name
  EXPECT_EQ(SafeSaveName("CONSOLE.jpg"), "CONSOLE.jpg");  // only the exact device names
  EXPECT_EQ(SafeSaveName("COM10.jpg"), "COM10.jpg");
}

TEST(SafeSaveName, RefusesNamesThatLeaveNothingUsable) {
  for (const char* name : {"",
                           ".",
                           "..",
                           "a\\",
                           "x/..",
                           "C:\\",
                           "\\\\server\\share\\",
                           "CON",
                           "con.jpg",
                           "NUL.jpg",
                           "nul .tar.gif",
                           "PRN.bmp",
                           "AUX.tif",
                           "COM1.jpg",
                           "com9.gif",
                           "LPT1.jpeg",
                           "LPT0.jpg",
                           "CONIN$.jpg",
                           "conout$.gif",
                           "COM\xC2\xB9.jpg",
                           "C:x.jpg",
                           "a:b.jpg",
                           "what?.jpg",
                           "star*.gif",
                           "pipe|.bmp",
                           "<a>.jpg",
                           "quote\".jpg",
                           "tab\t.jpg",
                           "nl\n.jpg",
                           "trailing.",
                           "trailing ",
                           "a/b.jpg."}) {
    EXPECT_EQ(SafeSaveName(name), std::nullopt) << name;
  }
  EXPECT_EQ(SafeSaveName(std::string("zero\0.jpg", 9)), std::nullopt);
}

TEST(ReadIndexList, TakesTheDecimalPiecesInOrderAndDropsTheRest) {
  EXPECT_EQ(ReadIndexList("2,3"), (std::vector<int32_t>{2, 3}));
  EXPECT_EQ(ReadIndexList("3,2"), (std::vector<int32_t>{3, 2}));
  EXPECT_EQ(ReadIndexList("2,,x,9"), (std::vector<int32_t>{2, 9}));
  EXPECT_EQ(ReadIndexList("7"), (std::vector<int32_t>{7}));
  EXPECT_EQ(ReadIndexList(""), (std::vector<int32_t>{}));
  EXPECT_EQ(ReadIndexList(",,"), (std::vector<int32_t>{}));
  EXPECT_EQ(ReadIndexList("1,1"), (std::vector<int32_t>{1, 1}));
  EXPECT_EQ(ReadIndexList(" 2,+3,-4,5 ,6.0,0x7,08"), (std::vector<int32_t>{8}));
  EXPECT_EQ(ReadIndexList("2147483647,2147483648,99999999999999999999"),
            (std::vector<int32_t>{2147483647}));
}

TEST(IsWorkingFolderName, ComparesTheFirstEightCharactersUpperCased) {
  EXPECT_TRUE(IsWorkingFolderName("ZORMINT$071226210509"));
  EXPECT_TRUE(IsWorkingFolderName("zormint$old"));
  EXPECT_TRUE(IsWorkingFolderName("ZORMINT$"));
  EXPECT_FALSE(IsWorkingFolderName("ZORMINT"));
  EXPECT_FALSE(IsWorkingFolderName("MyZORMINT$1"));
  EXPECT_FALSE(IsWorkingFolderName(" ZORMINT$1"));
  EXPECT_FALSE(IsWorkingFolderName(""));
}

}  // namespace
}  // namespace zormint

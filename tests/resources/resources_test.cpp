// Checks the committed resource files against what the library and the browser expect of them.
#include "resources/resources.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "net/internet.h"
#include "ribbon/ribbon.h"
#include "tests/support/xml_reader.h"

namespace zormint::resources {
namespace {

namespace fs = std::filesystem;

fs::path ResourceDir() {
  // tests/resources/<this file> -> src/resources
  return fs::path(__FILE__).parent_path().parent_path().parent_path() / "src" / "resources";
}

std::string ReadAll(const std::string& name) {
  std::ifstream in(ResourceDir() / name, std::ios::binary);
  EXPECT_TRUE(in) << "cannot open " << (ResourceDir() / name);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t Le16(const std::string& b, size_t at) {
  return uint8_t(b.at(at)) | uint8_t(b.at(at + 1)) << 8;
}
uint32_t Le32(const std::string& b, size_t at) {
  return Le16(b, at) | Le16(b, at + 2) << 16;
}
uint32_t Be16(const std::string& b, size_t at) {
  return uint8_t(b.at(at)) << 8 | uint8_t(b.at(at + 1));
}
uint32_t Be32(const std::string& b, size_t at) {
  return Be16(b, at) << 16 | Be16(b, at + 2);
}

// ---- Button face ---------------------------------------------------------------------------

struct Rgb {
  uint8_t r, g, b;
  bool operator<(const Rgb& o) const { return std::tie(r, g, b) < std::tie(o.r, o.g, o.b); }
  bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

const std::map<std::string, Rgb> kStandardColours = {
    {"black", {0, 0, 0}},       {"maroon", {128, 0, 0}},     {"green", {0, 128, 0}},
    {"olive", {128, 128, 0}},   {"navy", {0, 0, 128}},       {"purple", {128, 0, 128}},
    {"teal", {0, 128, 128}},    {"silver", {192, 192, 192}}, {"grey", {128, 128, 128}},
    {"red", {255, 0, 0}},       {"lime", {0, 255, 0}},       {"yellow", {255, 255, 0}},
    {"blue", {0, 0, 255}},      {"fuchsia", {255, 0, 255}},  {"aqua", {0, 255, 255}},
    {"white", {255, 255, 255}},
};

TEST(ButtonFace, IsAnUncompressed24BitBitmapOf32By32InTheStandardColours) {
  const std::string bmp = ReadAll("button_face.bmp");
  ASSERT_GE(bmp.size(), 54u);
  ASSERT_EQ(bmp.substr(0, 2), "BM");
  EXPECT_EQ(Le32(bmp, 2), bmp.size());  // file size field
  const uint32_t pixelOffset = Le32(bmp, 10);
  EXPECT_EQ(Le32(bmp, 14), 40u);  // BITMAPINFOHEADER
  const int32_t width = int32_t(Le32(bmp, 18));
  const int32_t height = int32_t(Le32(bmp, 22));
  EXPECT_EQ(width, 32);
  EXPECT_EQ(height < 0 ? -height : height, 32);
  EXPECT_EQ(Le16(bmp, 26), 1u);   // planes
  EXPECT_EQ(Le16(bmp, 28), 24u);  // bits per pixel
  EXPECT_EQ(Le32(bmp, 30), 0u);   // BI_RGB
  ASSERT_EQ(width, 32);

  const size_t stride = (24 * 32 + 31) / 32 * 4;
  ASSERT_GE(bmp.size(), pixelOffset + stride * 32);
  // Rows stored bottom-up unless the height is negative; pixels as blue, green, red.
  auto pixel = [&](int x, int yFromTop) {
    const int row = height > 0 ? 31 - yFromTop : yFromTop;
    const size_t at = pixelOffset + row * stride + x * 3;
    return Rgb{uint8_t(bmp[at + 2]), uint8_t(bmp[at + 1]), uint8_t(bmp[at])};
  };

  std::set<Rgb> standard;
  for (const auto& [name, rgb] : kStandardColours)
    standard.insert(rgb);
  std::set<Rgb> used;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      const Rgb c = pixel(x, y);
      EXPECT_TRUE(standard.count(c)) << "pixel " << x << "," << y << " is not a standard colour";
      used.insert(c);
    }
  }
  // The landscape's own colours are there, and their channel-swapped twins are not (a bitmap
  // written as red-green-blue instead of blue-green-red would show a blue sun in a navy frame).
  for (const char* name : {"maroon", "olive", "aqua", "red", "green", "white", "silver"}) {
    EXPECT_TRUE(used.count(kStandardColours.at(name))) << name << " is missing";
  }
  for (const char* name : {"navy", "teal", "blue", "yellow"}) {
    EXPECT_FALSE(used.count(kStandardColours.at(name))) << name << " is used";
  }
}

// ---- Banner page ---------------------------------------------------------------------------

struct Tag {
  std::string name;  // lower case; "/a" for an end tag, "!doctype" for the declaration
  std::map<std::string, std::string> attributes;  // names lower case
  std::string raw;
};

// A small tag reader, enough for the page: tags, quoted attribute values, no comments.
std::vector<Tag> ReadTags(const std::string& html) {
  auto lower = [](std::string s) {
    for (char& c : s)
      c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
  };
  std::vector<Tag> tags;
  size_t pos = 0;
  while ((pos = html.find('<', pos)) != std::string::npos) {
    size_t end = pos + 1;
    bool quoted = false;
    while (end < html.size() && (quoted || html[end] != '>')) {
      if (html[end] == '"') quoted = !quoted;
      ++end;
    }
    Tag tag;
    tag.raw = html.substr(pos, end + 1 - pos);
    std::istringstream body(html.substr(pos + 1, end - pos - 1));
    body >> tag.name;
    tag.name = lower(tag.name);
    std::string rest((std::istreambuf_iterator<char>(body)), std::istreambuf_iterator<char>());
    size_t i = 0;
    while (i < rest.size()) {
      while (i < rest.size() && std::isspace(static_cast<unsigned char>(rest[i])))
        ++i;
      const size_t nameStart = i;
      while (i < rest.size() && rest[i] != '=' &&
             !std::isspace(static_cast<unsigned char>(rest[i])))
        ++i;
      if (i == nameStart) break;
      std::string name = lower(rest.substr(nameStart, i - nameStart));
      std::string value;
      if (i < rest.size() && rest[i] == '=' && i + 1 < rest.size() && rest[i + 1] == '"') {
        const size_t close = rest.find('"', i + 2);
        value = rest.substr(i + 2, close - i - 2);
        i = close + 1;
      }
      tag.attributes[name] = value;
    }
    tags.push_back(tag);
    pos = end;
  }
  return tags;
}

TEST(BannerPage, IsPlainTextInLinesEndingInCrLf) {
  const std::string page = ReadAll("banner.htm");
  ASSERT_GE(page.size(), 2u);
  EXPECT_EQ(page.substr(page.size() - 2), "\r\n");
  for (size_t i = 0; i < page.size(); ++i) {
    if (page[i] == '\r') {
      EXPECT_EQ(page.at(i + 1), '\n') << "lone CR at " << i;
    }
    if (page[i] == '\n') {
      EXPECT_TRUE(i > 0 && page[i - 1] == '\r') << "lone LF at " << i;
    }
    // Plain text: no control characters besides the line ends and tabs.
    const auto c = static_cast<unsigned char>(page[i]);
    EXPECT_TRUE(c >= 0x20 || c == '\r' || c == '\n' || c == '\t') << "byte " << int(c);
  }
}

TEST(BannerPage, LinksTheWebSiteAroundTheEmbeddedBannerImage) {
  const std::vector<Tag> tags = ReadTags(ReadAll("banner.htm"));
  std::vector<std::string> names;
  for (const Tag& tag : tags)
    names.push_back(tag.name);
  ASSERT_EQ(names, (std::vector<std::string>{"!doctype", "html", "head", "meta", "title", "/title",
                                             "/head", "body", "a", "img", "/a", "/body", "/html"}));
  EXPECT_NE(tags[0].raw.find("\"-//W3C//DTD HTML 4.01 Transitional//EN\""), std::string::npos);
  EXPECT_EQ(tags[3].attributes.at("http-equiv"), "Content-Type");
  EXPECT_EQ(tags[3].attributes.at("content"), "text/html; charset=ISO-8859-1");
  const std::string page = ReadAll("banner.htm");
  EXPECT_NE(page.find("<title>zormint</title>"), std::string::npos);
  EXPECT_EQ(tags[7].attributes.at("scroll"), "no");

  const Tag& link = tags[8];
  EXPECT_EQ(link.attributes.at("href"), std::string("http://") + kBannerHost + "/");
  EXPECT_EQ(link.attributes.at("target"), "_blank");
  EXPECT_EQ(link.attributes.at("style"), "position: absolute; top: 0px; left: 0px;");

  const Tag& image = tags[9];
  EXPECT_EQ(image.attributes.at("style"),
            "border: 0px solid; position: absolute; top: 0px; left: 0px;");
  EXPECT_NE(image.attributes.at("alt").find(kBannerHost), std::string::npos);
  // Relative to the page's own address this names resource 103 of type "JPEG".
  EXPECT_EQ(image.attributes.at("src"),
            std::string("../") + kBannerImageType + "/%23" + std::to_string(kBannerImageId));
}

// ---- Banner image --------------------------------------------------------------------------

TEST(BannerImage, IsABaselineJpegOf500By110InThreeComponentsWithAnSrgbProfile) {
  const std::string jpeg = ReadAll("banner.jpg");
  ASSERT_GE(jpeg.size(), 4u);
  ASSERT_EQ(Be16(jpeg, 0), 0xFFD8u);                // SOI
  EXPECT_EQ(Be16(jpeg, jpeg.size() - 2), 0xFFD9u);  // EOI

  std::vector<uint32_t> frames;
  bool sawScan = false;
  std::string profile;
  size_t pos = 2;
  while (!sawScan) {
    ASSERT_LT(pos + 4, jpeg.size()) << "no scan found";
    ASSERT_EQ(uint8_t(jpeg[pos]), 0xFF) << "marker expected at " << pos;
    const uint32_t marker = uint8_t(jpeg[pos + 1]);
    const uint32_t length = Be16(jpeg, pos + 2);
    ASSERT_GE(length, 2u);
    ASSERT_LE(pos + 2 + length, jpeg.size());
    const std::string segment = jpeg.substr(pos + 4, length - 2);
    const bool startOfFrame =
        marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (startOfFrame) {
      frames.push_back(marker);
      ASSERT_GE(segment.size(), 6u);
      EXPECT_EQ(uint8_t(segment[0]), 8u);  // sample precision
      EXPECT_EQ(Be16(segment, 1), 110u);   // lines
      EXPECT_EQ(Be16(segment, 3), 500u);   // samples per line
      EXPECT_EQ(uint8_t(segment[5]), 3u);  // components
    } else if (marker == 0xE2 && segment.compare(0, 12, std::string("ICC_PROFILE\0", 12)) == 0) {
      EXPECT_EQ(uint8_t(segment[12]), 1u);  // chunk 1
      EXPECT_EQ(uint8_t(segment[13]), 1u);  // of 1
      profile = segment.substr(14);
    } else if (marker == 0xDA) {
      sawScan = true;
      EXPECT_EQ(uint8_t(segment[0]), 3u);  // all three components in the one scan
    }
    pos += 2 + length;
  }
  EXPECT_EQ(frames, std::vector<uint32_t>{0xC0}) << "one baseline frame";

  ASSERT_GE(profile.size(), 128u) << "no ICC profile";
  EXPECT_EQ(Be32(profile, 0), profile.size());  // profile size field
  EXPECT_EQ(profile.substr(16, 4), "RGB ");     // data colour space
  EXPECT_EQ(profile.substr(36, 4), "acsp");     // profile signature
  // The description names sRGB (stored as text or as UTF-16).
  EXPECT_TRUE(profile.find("sRGB") != std::string::npos ||
              profile.find(std::string("\0s\0R\0G\0B", 8)) != std::string::npos);
}

// ---- Ribbon customisations and pictures ----------------------------------------------------

struct Customisation {
  const char* file;
  const char* ribbonId;
  const char* ns;
  std::vector<std::string> places;  // where its buttons go, in order
};

const Customisation kCustomisations[] = {
    {"ribbon_explorer.xml",
     "Microsoft.Outlook.Explorer",
     sim::kCustomUI2009,
     {"TabMail", "TabMail", "TabAttachments", "TabAttachments", "ContextMenuAttachments"}},
    {"ribbon_read.xml",
     "Microsoft.Outlook.Mail.Read",
     sim::kCustomUI2009,
     {"TabReadMessage", "TabReadMessage", "TabAttachments", "TabAttachments",
      "ContextMenuAttachments"}},
    {"ribbon_read_2007.xml",
     "Microsoft.Outlook.Mail.Read",
     sim::kCustomUI2006,
     {"TabReadMessage", "TabReadMessage"}},
};

sim::CustomUI Read(const std::string& text, const std::string& ribbonId, int majorVersion = 0) {
  std::string error;
  std::optional<sim::XmlElement> root = test::ParseXml(text, &error);
  if (!root) {
    sim::CustomUI refused;
    refused.errors.push_back(error);
    return refused;
  }
  return sim::ReadCustomUI(*root, ribbonId, majorVersion);
}

TEST(RibbonCustomisation, IsValidForItsRibbonAndNamesOnlyTheAddinsCallbacks) {
  const std::set<std::string> callbacks = {ribbon::kOnLoadExplorer, ribbon::kOnLoadMailRead,
                                           ribbon::kGetEnabled, ribbon::kOnAction,
                                           ribbon::kGetImage};
  const std::set<std::string> invalidated(std::begin(ribbon::kControlIds),
                                          std::end(ribbon::kControlIds));
  for (const Customisation& c : kCustomisations) {
    SCOPED_TRACE(c.file);
    const sim::CustomUI ui = Read(ReadAll(c.file), c.ribbonId);
    for (const std::string& error : ui.errors)
      ADD_FAILURE() << error;
    EXPECT_EQ(ui.ns, c.ns);
    // Each customisation's own onLoad tells whose ribbon Office hands over.
    EXPECT_EQ(ui.onLoad, std::string(c.ribbonId) == ribbon::kExplorerRibbon
                             ? ribbon::kOnLoadExplorer
                             : ribbon::kOnLoadMailRead);
    for (const std::string& name : ui.CallbackNames())
      EXPECT_TRUE(callbacks.count(name)) << name;
    std::vector<std::string> places;
    for (const sim::RibbonButton& button : ui.buttons) {
      places.push_back(button.place);
      // Every button is enabled by the add-in, runs a command by its tag, shows its picture,
      // and is one the add-in invalidates.
      EXPECT_EQ(button.callbacks.at("getEnabled"), ribbon::kGetEnabled) << button.id;
      EXPECT_EQ(button.callbacks.at("onAction"), ribbon::kOnAction) << button.id;
      EXPECT_EQ(button.callbacks.at("getImage"), ribbon::kGetImage) << button.id;
      EXPECT_TRUE(invalidated.count(button.id)) << button.id;
      if (button.tag == ribbon::kZormintTag) {
        EXPECT_EQ(button.place == "ContextMenuAttachments" ? button.label : button.screentip,
                  "View All Picture Attachments");
      } else {
        EXPECT_EQ(button.tag, ribbon::kOptionsTag) << button.id;
        EXPECT_EQ(button.screentip, "View ZORMINT Options");
      }
      if (!button.group.empty()) {
        EXPECT_EQ(button.group, "ZORMINT");
      }
    }
    EXPECT_EQ(places, c.places);
  }
}

// Office drops a customisation with any of these faults; the simulated host must too.
TEST(RibbonCustomisation, FaultsOfferedByAnAddinAreRefused) {
  const std::string good = ReadAll("ribbon_explorer.xml");
  auto with = [&](const std::string& from, const std::string& to) {
    std::string text = good;
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
  };
  const std::vector<std::pair<std::string, std::string>> faults = {
      {"not well-formed", with("</customUI>", "")},
      {"an id twice", with("id=\"ZormintTabOptions\"", "id=\"ZormintTabView\"")},
      {"a tab of another window", with("idMso=\"TabMail\"", "idMso=\"TabReadMessage\"")},
      {"an unknown tab", with("idMso=\"TabMail\"", "idMso=\"TabMailz\"")},
      {"an unknown namespace", with("2009/07/customui", "2009/08/customui")},
      {"an unnamed callback", with("onAction=\"Ribbon_OnAction\"/>", "onAction=\"\"/>")},
      {"an unknown element", with("<tabs>", "<tabs><box/>")},
      {"menus in the 2006 namespace", with("2009/07/customui", "2006/01/customui")},
      {"a size on a menu button",
       with("<button id=\"ZormintMenuView\"", "<button id=\"ZormintMenuView\" size=\"large\"")},
      {"a picture both fixed and asked for",
       with("label=\"Zormint\" size", "label=\"Zormint\" image=\"zormint\" size")},
      {"a label over 1,024 characters",
       with("label=\"Options\"", "label=\"" + std::string(1025, 'O') + "\"")},
      {"a screentip over 1,024 characters", with("screentip=\"View ZORMINT Options\"",
                                                 "screentip=\"" + std::string(1020, 'O') +
                                                     "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\"")},
  };
  for (const auto& [what, text] : faults)
    EXPECT_FALSE(Read(text, "Microsoft.Outlook.Explorer").Valid()) << what;
  EXPECT_TRUE(Read(good, "Microsoft.Outlook.Explorer").Valid());
  // 1,024 characters are allowed, counted as characters rather than bytes.
  EXPECT_TRUE(
      Read(with("screentip=\"View ZORMINT Options\"",
                "screentip=\"" + std::string(1020, 'O') + "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\""),
           "Microsoft.Outlook.Explorer")
          .Valid());
  EXPECT_FALSE(Read(good, "Microsoft.Outlook.Mail.Read").Valid());  // the Home tab of mail
}

// The places come from Office's lists per version: a tab that Outlook 2013 does not have is a
// fault there and fine in later versions; every customisation of the add-in fits Outlook 2013.
TEST(RibbonCustomisation, PlacesAreThoseOfTheOutlookVersion) {
  std::string text = ReadAll("ribbon_explorer.xml");
  EXPECT_TRUE(Read(text, "Microsoft.Outlook.Explorer", 15).Valid());
  EXPECT_TRUE(Read(ReadAll("ribbon_read.xml"), "Microsoft.Outlook.Mail.Read", 15).Valid());
  text.replace(text.find("idMso=\"TabMail\""), 15, "idMso=\"HelpTab\"");
  EXPECT_FALSE(Read(text, "Microsoft.Outlook.Explorer", 15).Valid());
  EXPECT_TRUE(Read(text, "Microsoft.Outlook.Explorer", 16).Valid());
  EXPECT_TRUE(Read(text, "Microsoft.Outlook.Explorer").Valid());
  const std::vector<std::string> read2013 = sim::KnownPlaces("Microsoft.Outlook.Mail.Read", 15);
  EXPECT_NE(std::find(read2013.begin(), read2013.end(), "ContextMenuAttachments"), read2013.end());
  EXPECT_EQ(std::find(read2013.begin(), read2013.end(), "GroupTeams"), read2013.end());
}

TEST(RibbonPictures, Are32BitBitmapsWithAlphaLargeEnoughForTwiceTheScale) {
  for (const char* name : {"ribbon_zormint.bmp", "ribbon_options.bmp"}) {
    SCOPED_TRACE(name);
    const std::string bmp = ReadAll(name);
    ASSERT_GE(bmp.size(), 54u);
    ASSERT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(Le32(bmp, 2), bmp.size());
    const uint32_t offset = Le32(bmp, 10);
    EXPECT_EQ(Le32(bmp, 14), 40u);
    EXPECT_EQ(Le32(bmp, 18), 64u);
    EXPECT_EQ(Le32(bmp, 22), 64u);  // bottom-up
    EXPECT_EQ(Le16(bmp, 28), 32u);
    EXPECT_EQ(Le32(bmp, 30), 0u);  // BI_RGB
    ASSERT_EQ(bmp.size(), offset + 64u * 64u * 4u);
    size_t clear = 0, opaque = 0;
    for (size_t i = offset; i < bmp.size(); i += 4) {
      const uint8_t b = bmp[i], g = bmp[i + 1], r = bmp[i + 2], a = bmp[i + 3];
      // Premultiplied: no colour brighter than its pixel's coverage.
      EXPECT_TRUE(b <= a && g <= a && r <= a) << "pixel " << (i - offset) / 4;
      clear += a == 0;
      opaque += a == 255;
    }
    // A real shape on a transparent ground, not a filled square.
    EXPECT_GT(clear, 64u * 64u / 10);
    EXPECT_GT(opaque, 64u * 64u / 3);
  }
}

}  // namespace
}  // namespace zormint::resources

#include "settings/settings.h"

#include <gtest/gtest.h>

#include "tests/support/test_env.h"

namespace zormint {
namespace {

constexpr const char* kApp = "ZORMINT";
constexpr const char* kSection = "Startup";
constexpr const char* kViewer = "Image Viewer";
constexpr const char* kApp2 = "User Image App";
constexpr const char* kMore = "More Picture Types";

class SettingsTest : public ::testing::Test {
 protected:
  SettingsTest() {
    env.globals.gfsoFileSystem = env.fileSystem;
    program = env.Path("My Apps/view.exe");
    std::filesystem::create_directory(env.dir.Path() / "My Apps");
    test::TestEnv::WriteFile(program, "MZ");
  }

  std::string Stored(const char* key) { return env.settingsStore->Peek(kApp, kSection, key); }
  void Store(const char* key, const std::string& value) {
    env.settingsStore->Put(kApp, kSection, key, value);
  }
  // A fresh settings object started over the current store.
  CSettings& Start() {
    settings = std::make_unique<CSettings>(env.globals);
    settings->Initialize();
    return *settings;
  }

  test::TestEnv env;
  std::string program;
  std::unique_ptr<CSettings> settings;
};

TEST_F(SettingsTest, FirstStartCreatesBothKeysWithTheirDefaults) {
  CSettings fresh(env.globals);
  EXPECT_EQ(fresh.Value(1), "");  // nothing before Initialize
  CSettings& s = Start();
  EXPECT_EQ(s.Value(rvImageViewer), "1");
  EXPECT_EQ(s.Value(rvUserImageApp), "");
  ASSERT_TRUE(env.settingsStore->Has(kApp, kSection, kViewer));
  ASSERT_TRUE(env.settingsStore->Has(kApp, kSection, kApp2));
  EXPECT_EQ(Stored(kViewer), "1");
  EXPECT_EQ(Stored(kApp2), "");
  EXPECT_EQ(s.Value(rvMorePictureTypes), "0");  // off unless the user switches it on
  EXPECT_EQ(Stored(kMore), "0");
  EXPECT_EQ(env.settingsStore->Size(), 3u);  // the marker is never written
}

TEST_F(SettingsTest, TheMorePictureTypesAreOnOnlyForTheStoredOnValue) {
  // An administrator's preset is kept; anything but "1" is off, and stored so.
  for (const auto& [stored, kept] :
       std::vector<std::pair<std::string, std::string>>{{"1", "1"},
                                                        {" 1 ", "1"},
                                                        {"0", "0"},
                                                        {"", "0"},
                                                        {"yes", "0"},
                                                        {"1.0", "0"},
                                                        {"2", "0"},
                                                        {"-1", "0"},
                                                        {"01", "0"},
                                                        {std::string("1\0", 2), "0"}}) {
    Store(kMore, stored);
    EXPECT_EQ(Start().Value(rvMorePictureTypes), kept) << "stored '" << stored << "'";
    EXPECT_EQ(Stored(kMore), kept) << "stored '" << stored << "'";
  }
  CSettings& s = Start();
  s.SetValue(rvMorePictureTypes, "1");
  EXPECT_EQ(Stored(kMore), "1");
  s.SetValue(rvMorePictureTypes, "true");
  EXPECT_EQ(s.Value(rvMorePictureTypes), "0");
  EXPECT_EQ(Stored(kMore), "0");
  // The viewer choice beside it is left alone.
  EXPECT_EQ(s.Value(rvImageViewer), "1");
}

TEST_F(SettingsTest, StartNormalisesWhatIsStoredAndWritesBothKeysEveryTime) {
  Store(kViewer, "  2  ");
  Store(kApp2, "  " + program + " ");
  CSettings& s = Start();
  EXPECT_EQ(Stored(kViewer), "2");
  EXPECT_EQ(s.Value(1), "2");
  EXPECT_EQ(Stored(kApp2), program);
  EXPECT_EQ(s.Value(2), program);
  EXPECT_EQ(env.settingsStore->writes.size(), 3u);

  for (const char* bad : {"abc", "", "3", "0", "~~~~%%%% "}) {
    Store(kViewer, bad);
    Start();
    EXPECT_EQ(Stored(kViewer), "1") << "stored '" << bad << "'";
  }

  // A custom viewer that has gone away is forgotten; the choice of the custom viewer stays.
  Store(kViewer, "2");
  Store(kApp2, program);
  std::filesystem::remove(env.dir.Path() / "My Apps/view.exe");
  CSettings& later = Start();
  EXPECT_EQ(Stored(kApp2), "");
  EXPECT_EQ(later.Value(2), "");
  EXPECT_EQ(later.Value(1), "2");
}

TEST_F(SettingsTest, ViewerChoiceAcceptsPlainDecimalTextWorthOneOrTwoAndKeepsItAsWritten) {
  CSettings& s = Start();
  const std::pair<const char*, const char*> accepted[] = {
      {"2", "2"},       {"+2", "+2"},
      {"2.0", "2.0"},   {"2.", "2."},
      {".2e1", ".2e1"}, {" 20e-1 ", "20e-1"},
      {"1", "1"},       {"01.000", "01.000"},
      {"1E0", "1E0"},   {"0.0002E+4", "0.0002E+4"}};
  for (const auto& [written, kept] : accepted) {
    s.SetValue(rvImageViewer, "1");
    s.SetValue(rvImageViewer, written);
    EXPECT_EQ(Stored(kViewer), kept) << "written '" << written << "'";
    EXPECT_EQ(s.Value(1), kept);
  }
  const char* rejected[] = {"3",
                            "-2",
                            "-1",
                            "0x2",
                            "&H2",
                            "2 0",
                            "1,000",
                            "2,0",
                            "2d0",
                            "2e",
                            "e1",
                            ".",
                            "+",
                            "",
                            "2\t",
                            "inf",
                            "nan",
                            "1.9999999999999999999",
                            "2e-0000000000000000000001",
                            "\xD9\xA2" /* Arabic-Indic two */,
                            "two",
                            "2e99999999999999"};
  for (const char* written : rejected) {
    s.SetValue(rvImageViewer, "2");
    s.SetValue(rvImageViewer, written);
    EXPECT_EQ(Stored(kViewer), "1") << "written '" << written << "'";
    EXPECT_EQ(s.Value(1), "1");
  }
}

TEST_F(SettingsTest, CustomViewerMustBeAnExistingExeFile) {
  CSettings& s = Start();
  s.SetValue(rvUserImageApp, program);
  EXPECT_EQ(Stored(kApp2), program);

  const std::string mixed = env.Path("My Apps/Viewer.ExE");
  test::TestEnv::WriteFile(mixed, "MZ");
  s.SetValue(rvUserImageApp, "  " + mixed);
  EXPECT_EQ(s.Value(2), mixed);

  const std::string notExe = env.Path("My Apps/view.com");
  test::TestEnv::WriteFile(notExe, "MZ");
  std::filesystem::create_directory(env.dir.Path() / "folder.exe");
  for (const std::string& bad : {notExe, env.Path("My Apps/missing.exe"), env.Path("folder.exe"),
                                 std::string(""), std::string("exe"), std::string(" ")}) {
    s.SetValue(rvUserImageApp, program);
    s.SetValue(rvUserImageApp, bad);
    EXPECT_EQ(Stored(kApp2), "") << "written '" << bad << "'";
    EXPECT_EQ(s.Value(2), "");
  }

  // The existence check runs only for a name ending in EXE; when it fails, the path is refused.
  env.faults.ClearCalls();
  s.SetValue(rvUserImageApp, notExe);
  EXPECT_EQ(env.faults.CallCount("FileSystem.FileExists"), 0u);
  env.faults.FailMember("FileSystem.FileExists");
  s.SetValue(rvUserImageApp, program);
  EXPECT_EQ(Stored(kApp2), "");
  env.globals.gfsoFileSystem.reset();
  env.faults.ClearFaults();
  s.SetValue(rvUserImageApp, program);
  EXPECT_EQ(Stored(kApp2), "");
}

TEST_F(SettingsTest, ReadsTheCacheOnlyAndRefusesOtherNumbers) {
  Store(kViewer, "2");
  CSettings& s = Start();
  Store(kViewer, "1");  // behind the object's back
  EXPECT_EQ(s.Value(1), "2");

  for (int32_t n : {0, 4, -1}) {
    try {
      s.Value(n);
      ADD_FAILURE() << "Value(" << n << ") should fail";
    } catch (const ZError& e) {
      EXPECT_EQ(e.Code(), err::kSubscriptOutOfRange);
    }
  }
  const size_t writes = env.settingsStore->writes.size();
  s.SetValue(4, "2");
  s.SetValue(0, "1");
  EXPECT_EQ(env.settingsStore->writes.size(), writes);
  EXPECT_EQ(s.Value(1), "2");
}

TEST_F(SettingsTest, StoreFailuresNeverEscapeAndTheCacheFollowsTheNewValue) {
  Store(kViewer, "2");
  Store(kApp2, program);
  env.faults.FailMember("SettingsStore.GetSetting");
  CSettings& s = Start();  // both reads fail: the texts read count as empty
  EXPECT_EQ(s.Value(1), "1");
  EXPECT_EQ(s.Value(2), "");
  EXPECT_EQ(Stored(kViewer), "1");
  EXPECT_EQ(Stored(kApp2), "");

  env.faults.ClearFaults();
  env.faults.FailMember("SettingsStore.SaveSetting");
  s.SetValue(rvImageViewer, "2");
  s.SetValue(rvUserImageApp, program);
  EXPECT_EQ(s.Value(1), "2");
  EXPECT_EQ(s.Value(2), program);
  EXPECT_EQ(Stored(kViewer), "1");

  // A first start whose writes fail still runs on the defaults.
  env.settingsStore->Erase(kApp, kSection, kViewer);
  env.settingsStore->Erase(kApp, kSection, kApp2);
  CSettings& first = Start();
  EXPECT_EQ(first.Value(1), "1");
  EXPECT_EQ(first.Value(2), "");
  EXPECT_FALSE(env.settingsStore->Has(kApp, kSection, kViewer));

  env.globals.services.settingsStore.reset();  // no store at all
  CSettings& none = Start();
  EXPECT_EQ(none.Value(1), "1");
}

}  // namespace
}  // namespace zormint

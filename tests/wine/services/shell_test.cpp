// The user's environment from Wine's registry, and starting programs through the shell and
// CreateProcessW, seen by a recorder program that writes down how it was started.
#include "services/test_util.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "common/error.h"
#include "support/wine_test.h"
#include "win32/services/shell.h"

namespace zormint::wine_test {
namespace {

using win32::Win32Launcher;
using win32::Win32ScriptShell;

std::wstring Variable(const wchar_t* name) {
  std::vector<wchar_t> buffer(32768);
  const DWORD length =
      GetEnvironmentVariableW(name, buffer.data(), static_cast<DWORD>(buffer.size()));
  return std::wstring(buffer.data(), length);
}

bool SamePath(const std::string& a, const std::string& b) {
  return CompareStringOrdinal(W(a).c_str(), -1, W(b).c_str(), -1, TRUE) == CSTR_EQUAL;
}

// Sets values of HKCU\Environment for one test and puts back what was there.
class UserEnvironment : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const wchar_t* name : {L"TEMP", L"ZORMINT_TEST_VAR"}) {
      HKEY key = nullptr;
      RegOpenKeyExW(HKEY_CURRENT_USER, L"Environment", 0, KEY_QUERY_VALUE, &key);
      Saved saved{name, REG_NONE, std::vector<BYTE>(65536), false};
      DWORD size = static_cast<DWORD>(saved.data.size());
      saved.present = key && RegQueryValueExW(key, name, nullptr, &saved.type, saved.data.data(),
                                              &size) == ERROR_SUCCESS;
      saved.data.resize(saved.present ? size : 0);
      if (key) RegCloseKey(key);
      saved_.push_back(std::move(saved));
    }
  }
  void TearDown() override {
    for (const Saved& saved : saved_) {
      if (saved.present) {
        RegSetKeyValueW(HKEY_CURRENT_USER, L"Environment", saved.name.c_str(), saved.type,
                        saved.data.data(), static_cast<DWORD>(saved.data.size()));
      } else {
        RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Environment", saved.name.c_str());
      }
    }
  }
  static void Set(const wchar_t* name, DWORD type, const std::wstring& text) {
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, L"Environment", name, type, text.c_str(),
                              static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
  }

  struct Saved {
    std::wstring name;
    DWORD type;
    std::vector<BYTE> data;
    bool present;
  };
  std::vector<Saved> saved_;
  Win32ScriptShell shell_;
};

TEST_F(UserEnvironment, TempIsReadUnexpandedAndExpandsWithTheUserProfile) {
  Set(L"TEMP", REG_EXPAND_SZ, L"%USERPROFILE%\\Zormint Temp ä");
  const std::string temp = shell_.UserEnvironment("TEMP");
  EXPECT_EQ(temp, "%USERPROFILE%\\Zormint Temp ä");
  const std::wstring profile = Variable(L"USERPROFILE");
  ASSERT_FALSE(profile.empty());
  EXPECT_EQ(shell_.ExpandEnvironmentStrings(temp), U(profile) + "\\Zormint Temp ä");

  Set(L"TEMP", REG_SZ, L"D:\\Tmp");
  EXPECT_EQ(shell_.UserEnvironment("TEMP"), "D:\\Tmp");

  // Through the factory, as the picture engine gets it.
  auto created = win32::Win32ScriptShellFactory().Create();
  ASSERT_TRUE(created);
  EXPECT_EQ(created->UserEnvironment("temp"), "D:\\Tmp");  // names ignore case
}

TEST_F(UserEnvironment, MissingOrNonTextVariablesAreEmpty) {
  RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Environment", L"ZORMINT_TEST_VAR");
  EXPECT_EQ(shell_.UserEnvironment("ZORMINT_TEST_VAR"), "");
  const DWORD number = 5;
  ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, L"Environment", L"ZORMINT_TEST_VAR", REG_DWORD,
                            &number, sizeof(number)),
            ERROR_SUCCESS);
  EXPECT_EQ(shell_.UserEnvironment("ZORMINT_TEST_VAR"), "");
  EXPECT_EQ(shell_.UserEnvironment(""), "");
}

TEST(ScriptShell, ExpandsReferencesOfAnyLengthAndLeavesUnknownOnes) {
  Win32ScriptShell shell;
  EXPECT_EQ(shell.ExpandEnvironmentStrings("%ZORMINT_UNKNOWN_VAR%\\x"), "%ZORMINT_UNKNOWN_VAR%\\x");
  const std::wstring longValue(5000, L'ж');
  SetEnvironmentVariableW(L"ZORMINT_LONG_VAR", longValue.c_str());
  EXPECT_EQ(shell.ExpandEnvironmentStrings("ä%ZORMINT_LONG_VAR%ö"), "ä" + U(longValue) + "ö");
  SetEnvironmentVariableW(L"ZORMINT_LONG_VAR", nullptr);
  EXPECT_EQ(shell.ExpandEnvironmentStrings(""), "");
}

// The recorder program beside this one, and the record it leaves.
class Launching : public ::testing::Test {
 protected:
  struct Record {
    std::string commandLine, directory, show;
  };

  void SetUp() override {
    ASSERT_TRUE(Exists(recorder_)) << recorder_ << " is built with the tests";
    SetEnvironmentVariableW(L"ZORMINT_RECORDER_OUT", W(output_).c_str());
    wchar_t current[MAX_PATH + 1] = {};
    GetCurrentDirectoryW(MAX_PATH + 1, current);
    savedDirectory_ = current;
  }
  void TearDown() override {
    SetEnvironmentVariableW(L"ZORMINT_RECORDER_OUT", nullptr);
    SetCurrentDirectoryW(savedDirectory_.c_str());
  }

  std::optional<Record> WaitForRecord() {
    if (!WaitFor([&] { return Exists(output_); }, 30)) return std::nullopt;
    const std::string text = ReadFile(output_);
    DeleteFileW(W(output_).c_str());
    Record record;
    size_t start = 0;
    for (std::string* field : {&record.commandLine, &record.directory, &record.show}) {
      const size_t end = text.find('\n', start);
      if (end == std::string::npos) return std::nullopt;
      *field = text.substr(start, end - start);
      start = end + 1;
    }
    return record;
  }

  ScratchFolder scratch_{"launch"};
  const std::string recorder_ = U(ProgramFolder()) + "\\recorder.exe";
  const std::string output_ = scratch_ / "record.txt";
  std::wstring savedDirectory_;
  Win32Launcher launcher_;
};

// .jpg opens with the recorder, registered where Wine looks (HKLM\Software\Classes), for one
// test; the association that was there before is put back.
class Associated : public Launching {
 protected:
  void SetUp() override {
    Launching::SetUp();
    if (HasFatalFailure()) return;
    const auto before = ReadValue(HKEY_LOCAL_MACHINE, kExtension, nullptr);
    savedProgId_ = before ? std::optional<std::wstring>(before->text) : std::nullopt;
    SetText(HKEY_LOCAL_MACHINE, kProgId, nullptr, L"ZORMINT test picture");
    SetText(HKEY_LOCAL_MACHINE, std::wstring(kProgId) + L"\\shell\\open\\command", nullptr,
            L"\"" + W(recorder_) + L"\" \"%1\"");
    SetText(HKEY_LOCAL_MACHINE, kExtension, nullptr, L"ZORMINT.TestPicture");
  }
  void TearDown() override {
    if (savedProgId_) {
      SetText(HKEY_LOCAL_MACHINE, kExtension, nullptr, *savedProgId_);
    } else {
      RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kExtension, nullptr);
    }
    wine_test::DeleteTree(HKEY_LOCAL_MACHINE, kProgId);
    Launching::TearDown();
  }

  static constexpr wchar_t kExtension[] = L"Software\\Classes\\.jpg";
  static constexpr wchar_t kProgId[] = L"Software\\Classes\\ZORMINT.TestPicture";
  std::optional<std::wstring> savedProgId_;
};

TEST_F(Associated, ShellExecuteOpensThePictureWithItsViewerInTheWorkingFolder) {
  const std::string folder = scratch_ / "ZORMINT$071226210509";
  MakeFolder(folder);
  const std::string picture = folder + "\\beach ä.jpg";
  WriteFile(picture, "jpeg");

  const intptr_t result = launcher_.ShellExecute("open", picture, "", folder + "\\", 1);
  EXPECT_GT(result, 32);
  const auto record = WaitForRecord();
  ASSERT_TRUE(record) << "the viewer did not start";
  const std::string expectedStart = "\"" + recorder_ + "\" \"";
  ASSERT_GT(record->commandLine.size(), expectedStart.size());
  EXPECT_TRUE(SamePath(record->commandLine.substr(0, expectedStart.size()), expectedStart))
      << record->commandLine;
  EXPECT_TRUE(SamePath(record->commandLine.substr(expectedStart.size()), picture + "\""))
      << record->commandLine;
  EXPECT_TRUE(SamePath(record->directory, folder)) << record->directory;
  EXPECT_EQ(record->show, "1");
}

TEST_F(Launching, ShellExecuteOfAFileWithoutViewerFails) {
  const std::string file = scratch_ / "notes.zormint-none";
  WriteFile(file, "x");
  const intptr_t result = launcher_.ShellExecute("open", file, "", scratch_.Path(), 1);
  EXPECT_LE(result, 32);
  EXPECT_FALSE(WaitFor([&] { return Exists(output_); }, 0.5));
}

// The program starts in its start folder; Outlook's own current directory never changes.
TEST_F(Launching, StartProgramKeepsTheCommandLineExactlyAndStartsInItsStartFolder) {
  const std::string folder = scratch_ / "Mein Ordner 写真";
  MakeFolder(folder);
  wchar_t before[MAX_PATH + 1] = {};
  GetCurrentDirectoryW(MAX_PATH + 1, before);
  // What the custom viewer gets: both paths quoted, two blanks between them.
  const std::string commandLine = "\"" + recorder_ + "\"  \"" + folder + "\\Straße 1.jpg\"";
  launcher_.StartProgram(commandLine, 1, folder + "\\");
  const auto record = WaitForRecord();
  ASSERT_TRUE(record) << "the program did not start";
  EXPECT_EQ(record->commandLine, commandLine);
  EXPECT_TRUE(SamePath(record->directory, folder)) << record->directory;
  EXPECT_EQ(record->show, "1");
  wchar_t after[MAX_PATH + 1] = {};
  GetCurrentDirectoryW(MAX_PATH + 1, after);
  EXPECT_STREQ(before, after);

  launcher_.StartProgram("\"" + recorder_ + "\" minimised", 7, "");  // SW_SHOWMINNOACTIVE
  const auto second = WaitForRecord();
  ASSERT_TRUE(second);
  EXPECT_EQ(second->show, "7");
}

// A missing program, or a start folder that is missing: nothing starts, and the failure says so.
TEST_F(Launching, FailuresToStartThrow) {
  const std::string missing = scratch_ / "no viewer.exe";
  const std::pair<std::string, std::string> starts[] = {
      {"\"" + missing + "\"  \"x.jpg\"", scratch_ / "."},
      {"\"" + recorder_ + "\"  \"x.jpg\"", scratch_ / "missing"}};
  for (const auto& [commandLine, folder] : starts) {
    try {
      launcher_.StartProgram(commandLine, 1, folder);
      ADD_FAILURE() << "started: " << commandLine << " in " << folder;
    } catch (const ZError& e) {
      EXPECT_EQ(e.Code(), err::kFileNotFound);
    }
  }
  EXPECT_FALSE(WaitFor([&] { return Exists(output_); }, 0.5));
}

}  // namespace
}  // namespace zormint::wine_test

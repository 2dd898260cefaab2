// The settings store in Wine's registry: round trips, missing keys, values of other types and
// sizes.
#include "services/test_util.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "common/error.h"
#include "support/wine_test.h"
#include "win32/services/settings_store.h"

namespace zormint::wine_test {
namespace {

using win32::Win32SettingsStore;

constexpr char kApp[] = "ZORMINT Test";
constexpr char kMissing[] = "~~~~%%%%";

class SettingsStore : public ::testing::Test {
 protected:
  void SetUp() override { wine_test::DeleteTree(HKEY_CURRENT_USER, AppKey()); }
  void TearDown() override { wine_test::DeleteTree(HKEY_CURRENT_USER, AppKey()); }

  static std::wstring AppKey() { return L"Software\\VB and VBA Program Settings\\" + W(kApp); }
  static std::wstring Section() { return Win32SettingsStore::SectionKey(kApp, "Startup"); }

  static void SetRaw(const wchar_t* name, DWORD type, const void* data, size_t size) {
    CreateKey(HKEY_CURRENT_USER, Section());
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, Section().c_str(), name, type, data,
                              static_cast<DWORD>(size)),
              ERROR_SUCCESS);
  }

  std::string Get(const std::string& key) {
    return store_.GetSetting(kApp, "Startup", key, kMissing);
  }

  Win32SettingsStore store_;
};

TEST_F(SettingsStore, RoundTripsTextAsRegSzUnderTheVbKey) {
  store_.SaveSetting(kApp, "Startup", "Image Viewer", "2");
  store_.SaveSetting(kApp, "Startup", "User Image App", "C:\\Programme\\Bildbetrachter ä\\v.EXE");
  store_.SaveSetting(kApp, "Startup", "Schlüssel 鍵", "");

  const auto raw =
      ReadValue(HKEY_CURRENT_USER, L"Software\\VB and VBA Program Settings\\ZORMINT Test\\Startup",
                L"Image Viewer");
  ASSERT_TRUE(raw);
  EXPECT_EQ(raw->type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(raw->text, L"2");

  EXPECT_EQ(Get("Image Viewer"), "2");
  EXPECT_EQ(Get("User Image App"), "C:\\Programme\\Bildbetrachter ä\\v.EXE");
  EXPECT_EQ(Get("Schlüssel 鍵"), "");  // an empty value is a value, not a missing key

  store_.SaveSetting(kApp, "Startup", "Image Viewer", "1");  // replaces
  EXPECT_EQ(Get("Image Viewer"), "1");
}

TEST_F(SettingsStore, MissingApplicationSectionOrKeyGivesTheDefault) {
  EXPECT_EQ(Get("Image Viewer"), kMissing);
  store_.SaveSetting(kApp, "Other", "Image Viewer", "2");
  EXPECT_EQ(Get("Image Viewer"), kMissing);
  EXPECT_EQ(store_.GetSetting(kApp, "Other", "User Image App", "dflt"), "dflt");
  EXPECT_EQ(store_.GetSetting("", "Startup", "Image Viewer", "dflt"), "dflt");

  try {
    store_.SaveSetting(kApp, "", "Image Viewer", "1");
    ADD_FAILURE() << "an empty section was accepted";
  } catch (const ZError& e) {
    EXPECT_EQ(e.Code(), err::kInvalidCall);
  }
}

TEST_F(SettingsStore, ValuesOfOtherTypesReadAsNumbersOrAsMissing) {
  const DWORD two = 2;
  SetRaw(L"Dword", REG_DWORD, &two, sizeof(two));
  const uint64_t big = 5000000000ull;
  SetRaw(L"Qword", REG_QWORD, &big, sizeof(big));
  const DWORD bad = 7;
  SetRaw(L"ShortQword", REG_QWORD, &bad, sizeof(bad));
  const wchar_t expand[] = L"%USERPROFILE%\\v.exe";
  SetRaw(L"Expand", REG_EXPAND_SZ, expand, sizeof(expand));
  const BYTE binary[] = {0x32, 0x00, 0x00, 0x00};
  SetRaw(L"Binary", REG_BINARY, binary, sizeof(binary));
  const wchar_t multi[] = L"1\0002\0";
  SetRaw(L"Multi", REG_MULTI_SZ, multi, sizeof(multi));
  SetRaw(L"None", REG_NONE, nullptr, 0);

  EXPECT_EQ(Get("Dword"), "2");
  EXPECT_EQ(Get("Qword"), "5000000000");
  EXPECT_EQ(Get("ShortQword"), kMissing);
  EXPECT_EQ(Get("Expand"), "%USERPROFILE%\\v.exe");  // as stored, not expanded
  EXPECT_EQ(Get("Binary"), kMissing);
  EXPECT_EQ(Get("Multi"), kMissing);
  EXPECT_EQ(Get("None"), kMissing);

  // Saving over a value of another type leaves text.
  store_.SaveSetting(kApp, "Startup", "Dword", "1");
  const auto raw = ReadValue(HKEY_CURRENT_USER, Section(), L"Dword");
  ASSERT_TRUE(raw);
  EXPECT_EQ(raw->type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(Get("Dword"), "1");
}

TEST_F(SettingsStore, OddAndLargeValuesAreReadWithoutHarm) {
  // Text written without a terminator and with an odd byte count: read as far as it goes.
  const char odd[] = {'2', 0, '7', 0, 'x'};
  SetRaw(L"Odd", REG_SZ, odd, sizeof(odd));
  EXPECT_EQ(Get("Odd"), "27");
  // Text with a terminator in the middle ends there.
  const wchar_t embedded[] = L"1\0garbage";
  SetRaw(L"Embedded", REG_SZ, embedded, sizeof(embedded));
  EXPECT_EQ(Get("Embedded"), "1");

  // A megabyte of binary data, and 300,000 characters of text, read whole.
  std::vector<BYTE> blob(1 << 20, 0xAB);
  SetRaw(L"Blob", REG_BINARY, blob.data(), blob.size());
  EXPECT_EQ(Get("Blob"), kMissing);
  std::wstring text(300000, L'ß');
  text.back() = L'!';
  SetRaw(L"Long", REG_SZ, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
  EXPECT_EQ(Get("Long"), U(text));

  const std::string path(5000, 'p');
  store_.SaveSetting(kApp, "Startup", "User Image App", path);
  EXPECT_EQ(Get("User Image App"), path);
}

}  // namespace
}  // namespace zormint::wine_test

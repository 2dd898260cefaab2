// Registration of ZORMINT.dll for the current user, read back from Wine's registry.
#include <gtest/gtest.h>

#include "support/wine_test.h"

namespace zormint::wine_test {
namespace {

#ifdef _WIN64
constexpr REGSAM kOwnView = KEY_WOW64_64KEY;
constexpr wchar_t kPlatform[] = L"win64";
#else
constexpr REGSAM kOwnView = KEY_WOW64_32KEY;
constexpr wchar_t kPlatform[] = L"win32";
#endif

constexpr wchar_t kDescription[] = L"ZORMINT Picture Attachments Viewer";
constexpr wchar_t kAddinsParent[] = L"Software\\Microsoft\\Office\\Outlook\\Addins";

bool SamePath(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

void ExpectText(const std::wstring& key, const wchar_t* name, const std::wstring& expected) {
  auto value = ReadValue(HKEY_CURRENT_USER, key, name, kOwnView);
  ASSERT_TRUE(value) << "missing: HKCU\\" << key.c_str() << " " << (name ? name : L"(default)");
  EXPECT_EQ(value->type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(value->text, expected) << key.c_str();
}

void ExpectPath(const std::wstring& key, const std::wstring& expected) {
  auto value = ReadValue(HKEY_CURRENT_USER, key, nullptr, kOwnView);
  ASSERT_TRUE(value) << "missing: HKCU\\" << key.c_str();
  EXPECT_EQ(value->type, static_cast<DWORD>(REG_SZ));
  EXPECT_TRUE(SamePath(value->text, expected)) << value->text.c_str() << " != " << expected.c_str();
}

bool AnyEntryLeft() {
  for (const auto& key : {ClsidKey(), ProgIdKey(), TypeLibKey(), AddinKey()}) {
    if (KeyExists(HKEY_CURRENT_USER, key)) return true;
  }
  return false;
}

class Registration : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dll_.Loaded());
    ASSERT_EQ(dll_.Unregister(), S_OK);
    ASSERT_FALSE(AnyEntryLeft());
  }
  void TearDown() override { dll_.Unregister(); }

  ZormintDll dll_;
};

TEST_F(Registration, WritesEveryEntryWithItsExactValue) {
  const std::wstring clsid = GuidText(CLSID_dsrWrapper);
  const std::wstring libid = GuidText(LIBID_ZORMINT);
  const std::wstring dll = DllPath();
  const std::wstring folder = dll.substr(0, dll.find_last_of(L'\\'));

  ASSERT_EQ(dll_.Register(), S_OK);

  ExpectText(ClsidKey(), nullptr, L"ZORMINT.dsrWrapper");
  ExpectPath(ClsidKey() + L"\\InprocServer32", dll);
  ExpectText(ClsidKey() + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
  ExpectText(ClsidKey() + L"\\ProgID", nullptr, L"ZORMINT.dsrWrapper");
  ExpectText(ClsidKey() + L"\\TypeLib", nullptr, libid);
  ExpectText(ProgIdKey(), nullptr, L"ZORMINT.dsrWrapper");
  ExpectText(ProgIdKey() + L"\\CLSID", nullptr, clsid);
  ExpectText(TypeLibKey() + L"\\1.0", nullptr, kDescription);
  ExpectPath(TypeLibKey() + L"\\1.0\\0\\" + kPlatform, dll);
  ExpectText(TypeLibKey() + L"\\1.0\\FLAGS", nullptr, L"0");
  ExpectPath(TypeLibKey() + L"\\1.0\\HELPDIR", folder);

  ExpectText(AddinKey(), L"FriendlyName", L"ZORMINT");
  ExpectText(AddinKey(), L"Description", kDescription);
  auto loadBehavior = ReadValue(HKEY_CURRENT_USER, AddinKey(), L"LoadBehavior", kOwnView);
  ASSERT_TRUE(loadBehavior);
  EXPECT_EQ(loadBehavior->type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(loadBehavior->number, 3u);

  // Per user only: nothing machine-wide.
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, ClsidKey()));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, AddinKey()));

  // Registering again gives the same entries, nothing doubled or left over.
  const std::wstring once = Snapshot(HKEY_CURRENT_USER, L"Software\\Classes") +
                            Snapshot(HKEY_CURRENT_USER, L"Software\\Microsoft\\Office");
  SetText(HKEY_CURRENT_USER, ClsidKey() + L"\\InprocServer32", L"Stale", L"from an old copy");
  ASSERT_EQ(dll_.Register(), S_OK);
  EXPECT_EQ(Snapshot(HKEY_CURRENT_USER, L"Software\\Classes") +
                Snapshot(HKEY_CURRENT_USER, L"Software\\Microsoft\\Office"),
            once);
}

TEST_F(Registration, UnregistrationRemovesExactlyWhatRegistrationWrote) {
  // A machine where Outlook and another add-in are installed.
  SetText(HKEY_CURRENT_USER, std::wstring(kAddinsParent) + L"\\Other.Connect", L"FriendlyName",
          L"Other");
  SetText(HKEY_CURRENT_USER, L"Software\\Classes\\Other.Connect", nullptr, L"Other.Connect");
  const auto before = Snapshot(HKEY_CURRENT_USER, L"Software\\Classes") +
                      Snapshot(HKEY_CURRENT_USER, L"Software\\Microsoft\\Office");

  ASSERT_EQ(dll_.Register(), S_OK);
  ASSERT_NE(Snapshot(HKEY_CURRENT_USER, L"Software\\Classes") +
                Snapshot(HKEY_CURRENT_USER, L"Software\\Microsoft\\Office"),
            before);
  ASSERT_EQ(dll_.Unregister(), S_OK);
  EXPECT_EQ(Snapshot(HKEY_CURRENT_USER, L"Software\\Classes") +
                Snapshot(HKEY_CURRENT_USER, L"Software\\Microsoft\\Office"),
            before);

  // Unregistering what is not registered is no failure.
  EXPECT_EQ(dll_.Unregister(), S_OK);

  DeleteTree(HKEY_CURRENT_USER, std::wstring(kAddinsParent) + L"\\Other.Connect");
  DeleteTree(HKEY_CURRENT_USER, L"Software\\Classes\\Other.Connect");
}

TEST_F(Registration, KeepsOtherVersionsOfTheTypeLibrary) {
  const std::wstring otherVersion = TypeLibKey() + L"\\2.0";
  SetText(HKEY_CURRENT_USER, otherVersion, nullptr, L"a later ZORMINT");

  ASSERT_EQ(dll_.Register(), S_OK);
  ASSERT_EQ(dll_.Unregister(), S_OK);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, TypeLibKey() + L"\\1.0"));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, otherVersion));

  DeleteTree(HKEY_CURRENT_USER, TypeLibKey());
}

TEST_F(Registration, FailedRegistrationLeavesNothingBehind) {
  // A volatile Addins key refuses the persistent add-in key, which is written last.
  CreateKey(HKEY_CURRENT_USER, L"Software\\Microsoft\\Office\\Outlook");
  DeleteTree(HKEY_CURRENT_USER, kAddinsParent);
  CreateKey(HKEY_CURRENT_USER, kAddinsParent, REG_OPTION_VOLATILE);

  EXPECT_EQ(dll_.Register(), HRESULT_FROM_WIN32(ERROR_CHILD_MUST_BE_VOLATILE));
  EXPECT_FALSE(AnyEntryLeft());

  DeleteTree(HKEY_CURRENT_USER, kAddinsParent);
}

TEST_F(Registration, Regsvr32RegistersAndUnregisters) {
  const std::wstring quoted = L"\"" + DllPath() + L"\"";
  ASSERT_EQ(RunProcess(L"regsvr32.exe /s " + quoted), 0);
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, ClsidKey() + L"\\InprocServer32", kOwnView));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, AddinKey(), kOwnView));

  ASSERT_EQ(RunProcess(L"regsvr32.exe /u /s " + quoted), 0);
  EXPECT_FALSE(AnyEntryLeft());
}

}  // namespace
}  // namespace zormint::wine_test

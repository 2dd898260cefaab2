// The Windows Installer package of this build's bitness, installed, repaired, upgraded and
// removed by Wine's msiexec as a user would: for the current user, without a user interface.
// The entries the package writes are held to what regsvr32 writes for the same DLL in the
// same place, and the installed add-in is created through COM as Outlook creates it.
#include <gtest/gtest.h>

// Windows headers first: the Installer and shell headers need its types.
#include <windows.h>

#include <msi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "support/wine_test.h"

namespace zormint::wine_test {
namespace {

constexpr wchar_t kSettingsKey[] = L"Software\\VB and VBA Program Settings\\ZORMINT\\Startup";
constexpr wchar_t kOtherAddinKey[] = L"Software\\Microsoft\\Office\\Outlook\\Addins\\Other.Connect";
constexpr wchar_t kOtherClassKey[] = L"Software\\Classes\\Other.Connect";
constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr REGSAM kViews[] = {KEY_WOW64_64KEY, KEY_WOW64_32KEY};

#ifdef _WIN64
constexpr wchar_t kOwnPlatform[] = L"win64";
constexpr wchar_t kOtherPlatform[] = L"win32";
#else
constexpr wchar_t kOwnPlatform[] = L"win32";
constexpr wchar_t kOtherPlatform[] = L"win64";
#endif

std::wstring Folder(const std::wstring& path) {
  return path.substr(0, path.find_last_of(L'\\'));
}

// The shipped package beside the test program, and the test-only packages beside it.
std::wstring Package() {
  return Folder(DllPath()) + L"\\ZORMINT-" + ZORMINT_PACKAGE_ARCH + L".msi";
}
std::wstring TestPackage(const std::wstring& arch, const wchar_t* kind) {
  return Folder(DllPath()) + L"\\installer-test\\ZORMINT-" + arch + L"-" + kind + L".msi";
}
std::wstring NextPackage() {
  return TestPackage(ZORMINT_PACKAGE_ARCH, L"next");
}
std::wstring RebuiltPackage() {
  return TestPackage(ZORMINT_PACKAGE_ARCH, L"rebuilt");
}
std::wstring OtherBitnessPackage() {
  return TestPackage(ZORMINT_OTHER_PACKAGE_ARCH, L"other");
}

std::wstring InstallFolder() {
  wchar_t* path = nullptr;
  std::wstring folder;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &path))) {
    folder = std::wstring(path) + L"\\ZORMINT";
  }
  CoTaskMemFree(path);
  return folder;
}
std::wstring InstalledDll() {
  return InstallFolder() + L"\\ZORMINT.dll";
}

bool FileExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}
bool FolderExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ReadAll(const std::wstring& path) {
  std::string bytes;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  char buffer[65536];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0)
    bytes.append(buffer, read);
  CloseHandle(file);
  return bytes;
}

std::string Narrow(const std::wstring& text) {
  return std::string(text.begin(), text.end());  // paths and codes here are ASCII
}

// Runs the 64-bit msiexec, as a double-click on a package does on 64-bit Windows, without a
// user interface; `arguments` name the action and the package or product. Returns the exit
// code and leaves the verbose log in `log`.
int Msiexec(const std::wstring& arguments, std::string& log) {
  wchar_t windows[MAX_PATH] = {};
  GetSystemWindowsDirectoryW(windows, MAX_PATH);
  BOOL wow64 = FALSE;
  IsWow64Process(GetCurrentProcess(), &wow64);
  const std::wstring msiexec =
      std::wstring(windows) + (wow64 ? L"\\sysnative" : L"\\system32") + L"\\msiexec.exe";
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring logFile = std::wstring(temp) + L"zormint-msiexec.log";
  DeleteFileW(logFile.c_str());
  const int code =
      RunProcess(L"\"" + msiexec + L"\" " + arguments + L" /qn /l*v \"" + logFile + L"\"");
  log = ReadAll(logFile);
  DeleteFileW(logFile.c_str());
  std::erase(log, '\0');  // a log may be written in UTF-16
  return code;
}

// Runs msiexec and expects it to succeed; a failure shows the end of the log.
void ExpectMsiexec(const std::wstring& arguments) {
  std::string log;
  const int code = Msiexec(arguments, log);
  EXPECT_EQ(code, 0) << "msiexec " << Narrow(arguments) << "\n"
                     << log.substr(log.size() > 4000 ? log.size() - 4000 : 0);
}

std::wstring Quoted(const std::wstring& path) {
  return L"\"" + path + L"\"";
}

std::wstring TempFile(const wchar_t* name) {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  return std::wstring(temp) + name;
}

// Runs a program with its standard output and error in `output`; returns its exit code, or -1
// when it cannot start or does not end within two minutes.
int RunWithOutput(const std::wstring& commandLine, std::string& output) {
  const std::wstring file = TempFile(L"zormint-installer-test.out");
  SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
  HANDLE out = CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0,
                           nullptr);
  if (out == INVALID_HANDLE_VALUE) return -1;
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = out;
  startup.hStdError = out;
  PROCESS_INFORMATION process = {};
  std::wstring line = commandLine;
  const BOOL started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                      nullptr, &startup, &process);
  CloseHandle(out);
  if (!started) return -1;
  DWORD code = static_cast<DWORD>(-1);
  if (WaitForSingleObject(process.hProcess, 120000) == WAIT_OBJECT_0) {
    GetExitCodeProcess(process.hProcess, &code);
  } else {
    TerminateProcess(process.hProcess, 1);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  output = ReadAll(file);
  DeleteFileW(file.c_str());
  return static_cast<int>(code);
}

// The simulated Outlook (outlook-sim.exe, built beside the tests) on the sample mailbox: its
// main window opens on the Inbox, it loads the add-ins registered for Outlook, the user
// selects a message with pictures and Outlook shows its windows and their add-in buttons.
// Returns the exit code (0: the add-ins held nothing of Outlook's after their disconnection).
int RunOutlook(std::string& transcript) {
  const std::wstring script = TempFile(L"zormint-installer-story.txt");
  HANDLE file = CreateFileW(script.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return -1;
  const char story[] = "open-explorer Inbox\nstart\nselect holiday\nshow\nshutdown\n";
  DWORD written = 0;
  WriteFile(file, story, sizeof(story) - 1, &written, nullptr);
  CloseHandle(file);
  const std::wstring mailbox = std::wstring(ZORMINT_SAMPLES_DIR) + L"\\mailbox.txt";
  const int code = RunWithOutput(Quoted(Folder(DllPath()) + L"\\outlook-sim.exe") + L" " +
                                     Quoted(mailbox) + L" " + Quoted(script),
                                 transcript);
  DeleteFileW(script.c_str());
  return code;
}

// The transcript's lines that describe a button an add-in put on a command bar.
std::vector<std::string> AddinButtons(const std::string& transcript) {
  std::vector<std::string> buttons;
  size_t at = 0;
  while ((at = transcript.find("add-in button:", at)) != std::string::npos) {
    const size_t end = transcript.find('\n', at);
    buttons.push_back(transcript.substr(at, end - at));
    at = end;
  }
  return buttons;
}

std::vector<std::wstring> RelatedProducts(const wchar_t* upgradeCode) {
  std::vector<std::wstring> products;
  wchar_t product[39];
  for (DWORD i = 0; MsiEnumRelatedProductsW(upgradeCode, 0, i, product) == ERROR_SUCCESS; ++i)
    products.emplace_back(product);
  return products;
}

// A property of an installed product in one installation context, or nullopt when the product
// is not installed in that context.
std::optional<std::wstring> ProductInfo(const std::wstring& product, MSIINSTALLCONTEXT context,
                                        const wchar_t* property) {
  wchar_t value[256] = {};
  DWORD length = 256;
  if (MsiGetProductInfoExW(product.c_str(), nullptr, context, property, value, &length) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  return std::wstring(value, length);
}

// The "ZORMINT" entries of the uninstall list (Settings > Apps), wherever Windows Installer
// keeps them: per user or per machine, in either registry view.
struct UninstallEntry {
  std::wstring key;
  std::wstring version;
  std::wstring publisher;
  std::wstring uninstallString;
};
std::vector<UninstallEntry> UninstallEntries() {
  std::vector<UninstallEntry> entries;
  std::set<std::wstring> seen;
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    for (REGSAM view : kViews) {
      HKEY list = nullptr;
      if (RegOpenKeyExW(root, kUninstallKey, 0, KEY_READ | view, &list) != ERROR_SUCCESS) continue;
      wchar_t name[256];
      for (DWORD i = 0;; ++i) {
        DWORD length = 256;
        if (RegEnumKeyExW(list, i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
          break;
        }
        const std::wstring key = std::wstring(kUninstallKey) + L"\\" + name;
        auto displayName = ReadValue(root, key, L"DisplayName", view);
        if (!displayName || displayName->text != L"ZORMINT") continue;
        // Views that are one key (Wine shares HKCU's) list an entry once.
        if (!seen.insert(std::to_wstring(reinterpret_cast<uintptr_t>(root)) + key).second) continue;
        UninstallEntry entry{key, {}, {}, {}};
        if (auto v = ReadValue(root, key, L"DisplayVersion", view)) entry.version = v->text;
        if (auto v = ReadValue(root, key, L"Publisher", view)) entry.publisher = v->text;
        if (auto v = ReadValue(root, key, L"UninstallString", view))
          entry.uninstallString = v->text;
        entries.push_back(entry);
      }
      RegCloseKey(list);
    }
  }
  return entries;
}

void SnapshotInto(HKEY parent, const std::wstring& path, REGSAM view, std::wstring& out) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(parent, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return;
  out += L"[" + path + L"]\n";
  std::vector<std::wstring> lines;
  std::vector<wchar_t> name(16384);
  std::vector<BYTE> data(65536);
  for (DWORD i = 0;; ++i) {
    DWORD nameLength = static_cast<DWORD>(name.size());
    DWORD dataSize = static_cast<DWORD>(data.size());
    DWORD type = 0;
    if (RegEnumValueW(key, i, name.data(), &nameLength, nullptr, &type, data.data(), &dataSize) !=
        ERROR_SUCCESS) {
      break;
    }
    std::wstring line = L"  \"" + std::wstring(name.data(), nameLength) + L"\" type " +
                        std::to_wstring(type) + L":";
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
      line += L" \"" +
              std::wstring(reinterpret_cast<const wchar_t*>(data.data()),
                           wcsnlen(reinterpret_cast<const wchar_t*>(data.data()),
                                   dataSize / sizeof(wchar_t))) +
              L"\"";
    } else {
      for (DWORD b = 0; b < dataSize; ++b)
        line += L" " + std::to_wstring(data[b]);
    }
    lines.push_back(line + L"\n");
  }
  std::vector<std::wstring> children;
  for (DWORD i = 0;; ++i) {
    wchar_t child[256];
    DWORD length = 256;
    if (RegEnumKeyExW(key, i, child, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    children.emplace_back(child);
  }
  RegCloseKey(key);
  std::sort(lines.begin(), lines.end());
  for (const auto& line : lines)
    out += line;
  std::sort(children.begin(), children.end());
  for (const auto& child : children)
    SnapshotInto(parent, path + L"\\" + child, view, out);
}

// Every ZORMINT key of the current user, with all keys and values below them, in both
// registry views.
std::wstring AddinEntries() {
  std::wstring out;
  for (REGSAM view : kViews) {
    out += view == KEY_WOW64_64KEY ? L"(64-bit view)\n" : L"(32-bit view)\n";
    for (const auto& key : {ClsidKey(), ProgIdKey(), TypeLibKey(), AddinKey()})
      SnapshotInto(HKEY_CURRENT_USER, key, view, out);
  }
  return out;
}
const std::wstring kNoEntries = L"(64-bit view)\n(32-bit view)\n";

bool AnyMachineEntry() {
  for (REGSAM view : kViews) {
    for (const auto& key : {ClsidKey(), ProgIdKey(), AddinKey()})
      if (KeyExists(HKEY_LOCAL_MACHINE, key, view)) return true;
  }
  return false;
}

void RemoveFolderAndFile() {
  DeleteFileW(InstalledDll().c_str());
  RemoveDirectoryW(InstallFolder().c_str());
}

// Removes every ZORMINT installation and registration the tests may have left.
void RemoveEverything() {
  std::string log;
  for (const wchar_t* code : {ZORMINT_UPGRADE_CODE, ZORMINT_OTHER_UPGRADE_CODE}) {
    for (const auto& product : RelatedProducts(code))
      Msiexec(L"/x " + product, log);
  }
  RemoveMachineMirror();
  for (REGSAM view : kViews) {
    for (const auto& key : {ClsidKey(), ProgIdKey(), TypeLibKey(), AddinKey()}) {
      const size_t split = key.find_last_of(L'\\');
      HKEY parent = nullptr;
      if (RegOpenKeyExW(HKEY_CURRENT_USER, key.substr(0, split).c_str(), 0,
                        KEY_READ | KEY_WRITE | DELETE | view, &parent) == ERROR_SUCCESS) {
        RegDeleteTreeW(parent, key.substr(split + 1).c_str());
        RegCloseKey(parent);
      }
    }
  }
  RemoveFolderAndFile();
}

class Installer : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const auto& package : {Package(), NextPackage(), RebuiltPackage(), OtherBitnessPackage()})
      ASSERT_TRUE(FileExists(package)) << "missing: " << Narrow(package);
    ASSERT_FALSE(InstallFolder().empty());
    RemoveEverything();
    ASSERT_TRUE(RelatedProducts(ZORMINT_UPGRADE_CODE).empty());
    ASSERT_EQ(AddinEntries(), kNoEntries);
    ASSERT_FALSE(FileExists(InstalledDll()));

    // The user's Outlook has another add-in, the user's classes another class, and ZORMINT's
    // viewer settings are there from an earlier installation.
    SetText(HKEY_CURRENT_USER, kOtherAddinKey, L"FriendlyName", L"Other");
    SetText(HKEY_CURRENT_USER, kOtherClassKey, nullptr, L"Other.Connect");
    SetText(HKEY_CURRENT_USER, kSettingsKey, L"Image Viewer", L"2");
    SetText(HKEY_CURRENT_USER, kSettingsKey, L"User Image App", L"C:\\Tools\\viewer.exe");
  }

  void TearDown() override {
    RemoveEverything();
    DeleteTree(HKEY_CURRENT_USER, kOtherAddinKey);
    DeleteTree(HKEY_CURRENT_USER, kOtherClassKey);
    DeleteTree(HKEY_CURRENT_USER, L"Software\\VB and VBA Program Settings\\ZORMINT");
  }

  // What regsvr32 registers for this build's DLL placed where the package installs it: the
  // entries the package must write.
  void RegisterWithRegsvr32(std::wstring& entries) {
    ASSERT_TRUE(CreateDirectoryW(InstallFolder().c_str(), nullptr));
    ASSERT_TRUE(CopyFileW(DllPath().c_str(), InstalledDll().c_str(), TRUE));
    ASSERT_EQ(RunProcess(L"regsvr32.exe /s " + Quoted(InstalledDll())), 0);
    entries = AddinEntries();
    ASSERT_EQ(RunProcess(L"regsvr32.exe /u /s " + Quoted(InstalledDll())), 0);
    ASSERT_EQ(AddinEntries(), kNoEntries);
    RemoveFolderAndFile();
    ASSERT_FALSE(FolderExists(InstallFolder()));
  }

  // The product of this bitness that is installed; fails the test unless there is exactly one.
  void TheInstalledProduct(std::wstring& product) {
    auto products = RelatedProducts(ZORMINT_UPGRADE_CODE);
    ASSERT_EQ(products.size(), 1u);
    product = products.front();
  }

  void ExpectUserSettingsKept() {
    auto viewer = ReadValue(HKEY_CURRENT_USER, kSettingsKey, L"Image Viewer");
    auto program = ReadValue(HKEY_CURRENT_USER, kSettingsKey, L"User Image App");
    ASSERT_TRUE(viewer && program);
    EXPECT_EQ(viewer->text, L"2");
    EXPECT_EQ(program->text, L"C:\\Tools\\viewer.exe");
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kOtherAddinKey));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kOtherClassKey));
  }

  void ExpectNothingInstalled() {
    EXPECT_TRUE(RelatedProducts(ZORMINT_UPGRADE_CODE).empty());
    EXPECT_TRUE(RelatedProducts(ZORMINT_OTHER_UPGRADE_CODE).empty());
    EXPECT_TRUE(UninstallEntries().empty());
    EXPECT_EQ(AddinEntries(), kNoEntries);
    EXPECT_FALSE(FileExists(InstalledDll()));
    EXPECT_FALSE(FolderExists(InstallFolder()));
  }
};

TEST_F(Installer, InstallsForTheCurrentUserWhatRegsvr32Registers) {
  std::wstring expected;
  ASSERT_NO_FATAL_FAILURE(RegisterWithRegsvr32(expected));

  ExpectMsiexec(L"/i " + Quoted(Package()));

  EXPECT_EQ(AddinEntries(), expected);
  EXPECT_FALSE(AnyMachineEntry());
  ASSERT_TRUE(FileExists(InstalledDll()));
  EXPECT_EQ(ReadAll(InstalledDll()), ReadAll(DllPath()));

  // One product, installed for this user only, of this version, listed once for removal.
  std::wstring product;
  ASSERT_NO_FATAL_FAILURE(TheInstalledProduct(product));
  EXPECT_EQ(ProductInfo(product, MSIINSTALLCONTEXT_USERUNMANAGED, L"VersionString"),
            ZORMINT_PACKAGE_VERSION);
  EXPECT_EQ(ProductInfo(product, MSIINSTALLCONTEXT_MACHINE, L"VersionString"), std::nullopt);
  EXPECT_EQ(ProductInfo(product, MSIINSTALLCONTEXT_USERUNMANAGED, L"ProductName"), L"ZORMINT");
  auto entries = UninstallEntries();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_NE(entries[0].key.find(product), std::wstring::npos);
  EXPECT_EQ(entries[0].version, ZORMINT_PACKAGE_VERSION);
  EXPECT_EQ(entries[0].publisher, L"ZORMINT");
}

TEST_F(Installer, RemovalFromTheAppsListTakesEverythingButTheViewerSettings) {
  ExpectMsiexec(L"/i " + Quoted(Package()));
  auto entries = UninstallEntries();
  ASSERT_EQ(entries.size(), 1u);

  // What Settings > Apps runs, without its user interface.
  wchar_t command[1024] = {};
  ExpandEnvironmentStringsW(entries[0].uninstallString.c_str(), command, 1024);
  EXPECT_EQ(RunProcess(std::wstring(command) + L" /qn"), 0) << Narrow(command);

  ExpectNothingInstalled();
  ExpectUserSettingsKept();
}

TEST_F(Installer, InstallingAgainRepairingAndRebuildingKeepOneInstallation) {
  ExpectMsiexec(L"/i " + Quoted(Package()));
  const std::wstring installed = AddinEntries();
  ASSERT_NE(installed, kNoEntries);
  std::wstring first;
  ASSERT_NO_FATAL_FAILURE(TheInstalledProduct(first));

  // The same package once more.
  ExpectMsiexec(L"/i " + Quoted(Package()));
  EXPECT_EQ(RelatedProducts(ZORMINT_UPGRADE_CODE), std::vector<std::wstring>{first});
  EXPECT_EQ(UninstallEntries().size(), 1u);
  EXPECT_EQ(AddinEntries(), installed);
  EXPECT_TRUE(FileExists(InstalledDll()));

  // A repair brings back a deleted DLL and a deleted add-in entry. (Wine's msiexec /f does not
  // repair: it takes a product code as unimplemented and a package for a product code; the
  // properties below are the same repair in the form every msiexec takes.)
  ASSERT_TRUE(DeleteFileW(InstalledDll().c_str()));
  DeleteTree(HKEY_CURRENT_USER, AddinKey());
  ExpectMsiexec(L"/i " + Quoted(Package()) + L" REINSTALL=ALL REINSTALLMODE=omus");
  EXPECT_TRUE(FileExists(InstalledDll()));
  EXPECT_EQ(AddinEntries(), installed);

  // The same version built again (another product code) replaces the installed one.
  ExpectMsiexec(L"/i " + Quoted(RebuiltPackage()));
  std::wstring rebuilt;
  ASSERT_NO_FATAL_FAILURE(TheInstalledProduct(rebuilt));
  EXPECT_NE(rebuilt, first);
  EXPECT_EQ(UninstallEntries().size(), 1u);
  EXPECT_EQ(AddinEntries(), installed);
  EXPECT_TRUE(FileExists(InstalledDll()));
}

TEST_F(Installer, NewerVersionReplacesTheOlderOneAndIsNotDowngraded) {
  ExpectMsiexec(L"/i " + Quoted(Package()));
  const std::wstring installed = AddinEntries();

  ExpectMsiexec(L"/i " + Quoted(NextPackage()));
  std::wstring product;
  ASSERT_NO_FATAL_FAILURE(TheInstalledProduct(product));
  EXPECT_EQ(ProductInfo(product, MSIINSTALLCONTEXT_USERUNMANAGED, L"VersionString"),
            ZORMINT_NEXT_PACKAGE_VERSION);
  auto entries = UninstallEntries();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].version, ZORMINT_NEXT_PACKAGE_VERSION);
  EXPECT_EQ(AddinEntries(), installed);
  EXPECT_TRUE(FileExists(InstalledDll()));

  // The older package refuses to replace the newer one and leaves it working.
  std::string log;
  EXPECT_EQ(Msiexec(L"/i " + Quoted(Package()), log), ERROR_INSTALL_FAILURE);
  EXPECT_EQ(RelatedProducts(ZORMINT_UPGRADE_CODE), std::vector<std::wstring>{product});
  EXPECT_EQ(AddinEntries(), installed);
  EXPECT_TRUE(FileExists(InstalledDll()));

  // Removed by its package.
  ExpectMsiexec(L"/x " + Quoted(NextPackage()));
  ExpectNothingInstalled();
  ExpectUserSettingsKept();
}

TEST_F(Installer, PackageOfTheOtherBitnessReplacesThisOne) {
  const std::wstring ownTypeLib = TypeLibKey() + L"\\1.0\\0\\" + kOwnPlatform;
  const std::wstring otherTypeLib = TypeLibKey() + L"\\1.0\\0\\" + kOtherPlatform;
  ExpectMsiexec(L"/i " + Quoted(Package()));
  ASSERT_TRUE(KeyExists(HKEY_CURRENT_USER, ownTypeLib));

  ExpectMsiexec(L"/i " + Quoted(OtherBitnessPackage()));
  EXPECT_TRUE(RelatedProducts(ZORMINT_UPGRADE_CODE).empty());
  EXPECT_EQ(RelatedProducts(ZORMINT_OTHER_UPGRADE_CODE).size(), 1u);
  EXPECT_EQ(UninstallEntries().size(), 1u);
  for (REGSAM view : kViews)
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, ownTypeLib, view));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, otherTypeLib, KEY_WOW64_32KEY) ||
              KeyExists(HKEY_CURRENT_USER, otherTypeLib, KEY_WOW64_64KEY));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, AddinKey()));
  EXPECT_TRUE(FileExists(InstalledDll()));

  // And back.
  ExpectMsiexec(L"/i " + Quoted(Package()));
  EXPECT_TRUE(RelatedProducts(ZORMINT_OTHER_UPGRADE_CODE).empty());
  EXPECT_EQ(RelatedProducts(ZORMINT_UPGRADE_CODE).size(), 1u);
  EXPECT_EQ(UninstallEntries().size(), 1u);
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, ownTypeLib));
  for (REGSAM view : kViews)
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, otherTypeLib, view));
  EXPECT_TRUE(FileExists(InstalledDll()));
}

TEST_F(Installer, InstalledAddinIsCreatedThroughCom) {
  ExpectMsiexec(L"/i " + Quoted(Package()));
  MirrorClassesToMachine();
  {
    Apartment apartment;
    ASSERT_EQ(apartment.Result(), S_OK);
    CLSID clsid = {};
    ASSERT_EQ(CLSIDFromProgID(L"ZORMINT.dsrWrapper", &clsid), S_OK);
    ComPtr<IDTExtensibility2> addin;
    ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDTExtensibility2,
                               addin.OutVoid()),
              S_OK);
    // From the installed copy, not from the build's.
    EXPECT_NE(GetModuleHandleW(InstalledDll().c_str()), nullptr);
    EXPECT_EQ(GetModuleHandleW(DllPath().c_str()), nullptr);
    SAFEARRAY* custom = SafeArrayCreateVector(VT_VARIANT, 0, 0);
    EXPECT_EQ(addin->OnStartupComplete(&custom), S_OK);
    SafeArrayDestroy(custom);

    // The registered type library is the one in the installed DLL.
    BSTR path = nullptr;
    ASSERT_EQ(QueryPathOfRegTypeLib(LIBID_ZORMINT, 1, 0, 0, &path), S_OK);
    EXPECT_EQ(CompareStringOrdinal(path, -1, InstalledDll().c_str(), -1, TRUE), CSTR_EQUAL)
        << Narrow(path);
    SysFreeString(path);
    ComPtr<ITypeLib> typeLib;
    EXPECT_EQ(LoadRegTypeLib(LIBID_ZORMINT, 1, 0, 0, typeLib.Out()), S_OK);
  }
  // The apartment is gone and with it the DLL: removal can delete the file.
  CoFreeUnusedLibraries();
  EXPECT_EQ(GetModuleHandleW(InstalledDll().c_str()), nullptr);
  RemoveMachineMirror();
  ExpectMsiexec(L"/x " + Quoted(Package()));
  EXPECT_FALSE(FileExists(InstalledDll()));
}

TEST_F(Installer, SimulatedOutlookLoadsTheInstalledAddinUntilItIsRemoved) {
  ExpectMsiexec(L"/i " + Quoted(Package()));
  MirrorClassesToMachine();

  std::string transcript;
  EXPECT_EQ(RunOutlook(transcript), 0) << transcript;
  EXPECT_NE(transcript.find("ZORMINT.dsrWrapper (\"ZORMINT\"): OnConnection took"),
            std::string::npos)
      << transcript;
  // Both buttons, enabled for the selected message with pictures.
  const std::vector<std::string> buttons = AddinButtons(transcript);
  ASSERT_EQ(buttons.size(), 2u) << transcript;
  EXPECT_NE(buttons[0].find("tooltip \"View ZORMINT Options\""), std::string::npos) << transcript;
  EXPECT_NE(buttons[1].find("caption \"Zormint\""), std::string::npos) << transcript;
  for (const std::string& button : buttons)
    EXPECT_NE(button.find("; enabled;"), std::string::npos) << button;

  RemoveMachineMirror();
  ExpectMsiexec(L"/x " + Quoted(Package()));
  EXPECT_EQ(RunOutlook(transcript), 0) << transcript;
  EXPECT_NE(transcript.find("no add-in is registered to load at start-up"), std::string::npos)
      << transcript;
  EXPECT_TRUE(AddinButtons(transcript).empty()) << transcript;
}

}  // namespace
}  // namespace zormint::wine_test

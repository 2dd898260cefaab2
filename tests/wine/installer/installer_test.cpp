// The Windows Installer packages of this build's bitness, installed, repaired, upgraded and
// removed by Wine's msiexec without a user interface: the package for the current user, as a
// user installs it, and the package for every user of the machine, as an administrator does
// (with the commands of docs/administrators.md). The entries a package writes are held to what
// regsvr32 writes for the same DLL in the same place, and the installed add-in is created
// through COM and loaded by the simulated Outlook as Outlook loads it.
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
#include <tuple>
#include <vector>

#include "support/wine_test.h"
#include "zormint_messages.h"

namespace zormint::wine_test {
namespace {

constexpr wchar_t kSettingsKey[] = L"Software\\VB and VBA Program Settings\\ZORMINT\\Startup";
constexpr wchar_t kOtherAddinKey[] = L"Software\\Microsoft\\Office\\Outlook\\Addins\\Other.Connect";
constexpr wchar_t kOtherClassKey[] = L"Software\\Classes\\Other.Connect";
constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr wchar_t kEventLogKey[] = L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application";
constexpr REGSAM kViews[] = {KEY_WOW64_64KEY, KEY_WOW64_32KEY};

#ifdef _WIN64
constexpr wchar_t kOwnPlatform[] = L"win64";
constexpr wchar_t kOtherPlatform[] = L"win32";
constexpr REGSAM kOwnView = KEY_WOW64_64KEY;
constexpr REGSAM kOtherView = KEY_WOW64_32KEY;
#else
constexpr wchar_t kOwnPlatform[] = L"win32";
constexpr wchar_t kOtherPlatform[] = L"win64";
constexpr REGSAM kOwnView = KEY_WOW64_32KEY;
constexpr REGSAM kOtherView = KEY_WOW64_64KEY;
#endif

// The two kinds of package: for the current user, and for every user of the machine.
struct Kind {
  bool everyUser;
  const wchar_t* upgradeCode;       // this bitness
  const wchar_t* otherUpgradeCode;  // the other bitness
  // The hive of its entries, its installation context, its file name before the bitness.
  HKEY root() const { return everyUser ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }
  MSIINSTALLCONTEXT context() const {
    return everyUser ? MSIINSTALLCONTEXT_MACHINE : MSIINSTALLCONTEXT_USERUNMANAGED;
  }
  const wchar_t* fileName() const { return everyUser ? L"ZORMINT-AllUsers-" : L"ZORMINT-"; }
};
const Kind kUser = {false, ZORMINT_UPGRADE_CODE, ZORMINT_OTHER_UPGRADE_CODE};
const Kind kMachine = {true, ZORMINT_MACHINE_UPGRADE_CODE, ZORMINT_MACHINE_OTHER_UPGRADE_CODE};

std::wstring EventSourceKey() {
  return std::wstring(kEventLogKey) + L"\\" + ZORMINT_EVENT_SOURCE;
}
// The message file of the event source, when it is registered.
std::optional<std::wstring> EventMessageFile() {
  auto value = ReadValue(HKEY_LOCAL_MACHINE, EventSourceKey(), L"EventMessageFile");
  if (!value) return std::nullopt;
  return value->text;
}

std::wstring Folder(const std::wstring& path) {
  return path.substr(0, path.find_last_of(L'\\'));
}

// The shipped packages beside the test program, and the test-only packages beside them.
std::wstring Package(const Kind& kind = kUser) {
  return Folder(DllPath()) + L"\\" + kind.fileName() + ZORMINT_PACKAGE_ARCH + L".msi";
}
std::wstring TestPackage(const Kind& kind, const std::wstring& arch, const wchar_t* suffix) {
  return Folder(DllPath()) + L"\\installer-test\\" + kind.fileName() + arch + L"-" + suffix +
         L".msi";
}
std::wstring NextPackage(const Kind& kind = kUser) {
  return TestPackage(kind, ZORMINT_PACKAGE_ARCH, L"next");
}
std::wstring RebuiltPackage(const Kind& kind = kUser) {
  return TestPackage(kind, ZORMINT_PACKAGE_ARCH, L"rebuilt");
}
std::wstring OtherBitnessPackage(const Kind& kind = kUser) {
  return TestPackage(kind, ZORMINT_OTHER_PACKAGE_ARCH, L"other");
}
// This build's DLL signed with a throw-away certificate, and the package for every user that
// holds it, signed too.
std::wstring SignedDll() {
  return Folder(DllPath()) + L"\\installer-test\\signed\\ZORMINT.dll";
}
std::wstring SignedPackage() {
  return TestPackage(kMachine, ZORMINT_PACKAGE_ARCH, L"signed");
}

// Where a package puts ZORMINT.dll: the user's local application data, or the Program Files
// folder of the DLL's bitness (this program's).
std::wstring InstallFolder(const Kind& kind = kUser) {
  wchar_t* path = nullptr;
  std::wstring folder;
  if (SUCCEEDED(SHGetKnownFolderPath(kind.everyUser ? FOLDERID_ProgramFiles : FOLDERID_LocalAppData,
                                     0, nullptr, &path))) {
    folder = std::wstring(path) + L"\\ZORMINT";
  }
  CoTaskMemFree(path);
  return folder;
}
std::wstring InstalledDll(const Kind& kind = kUser) {
  return InstallFolder(kind) + L"\\ZORMINT.dll";
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
// code and leaves the verbose log in `log`. (Wine's user has administrator rights: packages for
// every user install as they do for an administrator.)
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

// The last action an installation started, from its verbose log: "LaunchConditions" when a
// launch condition refused it. (Wine's log leaves out the condition's message.)
std::string LastActionStarted(const std::string& log) {
  const std::string marker = "Action start ";
  const size_t at = log.rfind(marker);
  if (at == std::string::npos) return std::string();
  const size_t name = log.find(": ", at);
  const size_t end = log.find_first_of(".\r\n", name);
  if (name == std::string::npos || end == std::string::npos) return std::string();
  return log.substr(name + 2, end - name - 2);
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

// Runs a program with its standard output and error in `output`, in the working folder `folder`
// (empty: this program's); returns its exit code, or -1 when it cannot start or does not end
// within two minutes.
int RunWithOutput(const std::wstring& commandLine, std::string& output,
                  const std::wstring& folder = std::wstring()) {
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
  const BOOL started =
      CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                     folder.empty() ? nullptr : folder.c_str(), &startup, &process);
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

// Every ZORMINT key of a package's hive (the current user's or the machine's), with all keys
// and values below them, in both registry views or in one.
std::wstring AddinEntries(const Kind& kind = kUser,
                          const std::vector<REGSAM>& views = {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
  std::wstring out;
  for (REGSAM view : views) {
    out += view == KEY_WOW64_64KEY ? L"(64-bit view)\n" : L"(32-bit view)\n";
    for (const auto& key : {ClsidKey(), ProgIdKey(), TypeLibKey(), AddinKey()})
      out += Snapshot(kind.root(), key, view);
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

void RemoveFolderAndFile(const Kind& kind = kUser) {
  DeleteFileW(InstalledDll(kind).c_str());
  RemoveDirectoryW(InstallFolder(kind).c_str());
}

void DeleteTreeIn(HKEY root, const std::wstring& key, REGSAM view) {
  const size_t split = key.find_last_of(L'\\');
  HKEY parent = nullptr;
  if (RegOpenKeyExW(root, key.substr(0, split).c_str(), 0, KEY_READ | KEY_WRITE | DELETE | view,
                    &parent) == ERROR_SUCCESS) {
    RegDeleteTreeW(parent, key.substr(split + 1).c_str());
    RegCloseKey(parent);
  }
}

// Removes every ZORMINT installation and registration the tests may have left.
void RemoveEverything() {
  std::string log;
  for (const Kind* kind : {&kUser, &kMachine}) {
    for (const wchar_t* code : {kind->upgradeCode, kind->otherUpgradeCode}) {
      for (const auto& product : RelatedProducts(code))
        Msiexec(L"/x " + product, log);
    }
  }
  RemoveMachineMirror();
  for (REGSAM view : kViews) {
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
      for (const auto& key : {ClsidKey(), ProgIdKey(), TypeLibKey(), AddinKey()})
        DeleteTreeIn(root, key, view);
    }
  }
  DeleteTree(HKEY_LOCAL_MACHINE, EventSourceKey());
  RemoveFolderAndFile(kUser);
  RemoveFolderAndFile(kMachine);
}

// What the event log's viewer shows for an entry of the add-in: the message of the entry's
// event id in the event source's message file, formatted with the entry's one insertion
// string; nullopt when the file has no such message.
std::optional<std::wstring> EventViewerText(const std::wstring& messageFile,
                                            const std::wstring& entry) {
  HMODULE file = LoadLibraryExW(messageFile.c_str(), nullptr,
                                LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (!file) return std::nullopt;
  const DWORD_PTR inserts[] = {reinterpret_cast<DWORD_PTR>(entry.c_str())};
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_ARGUMENT_ARRAY,
      file, ZORMINT_EVENT_ERROR, 0, reinterpret_cast<wchar_t*>(&text), 0,
      reinterpret_cast<va_list*>(const_cast<DWORD_PTR*>(inserts)));
  FreeLibrary(file);
  if (length == 0) return std::nullopt;
  std::wstring shown(text, length);
  LocalFree(text);
  return shown;
}

// The commands of the administrator's guide (docs/administrators.md), written for the 64-bit
// packages: every command in its "bat" blocks is one of these, and the tests run each of them
// as written (for the other bitness, with its package and registry view).
constexpr const wchar_t* kGuideCommands[] = {
    L"msiexec /i ZORMINT-AllUsers-x64.msi /qn /l*v zormint-install.log",
    L"msiexec /i ZORMINT-AllUsers-x64.msi REINSTALL=ALL REINSTALLMODE=omus /qn",
    L"msiexec /x ZORMINT-AllUsers-x64.msi /qn",
    L"msiexec /i ZORMINT-x64.msi /qn",
    L"msiexec /x ZORMINT-x64.msi /qn",
    L"reg query \"HKLM\\Software\\Microsoft\\Office\\ClickToRun\\Configuration\" /v Platform",
    L"reg query \"HKLM\\Software\\Microsoft\\Office\\16.0\\Outlook\" /v Bitness /reg:64",
    L"reg query \"HKLM\\Software\\Microsoft\\Office\\16.0\\Outlook\" /v Bitness /reg:32",
    L"reg query \"HKLM\\Software\\Microsoft\\Office\\Outlook\\Addins\\ZORMINT.dsrWrapper\" /reg:64",
    L"reg query \"HKLM\\SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\ZORMINT\"",
    L"reg add \"HKLM\\Software\\Microsoft\\Office\\Outlook\\Addins\\ZORMINT.dsrWrapper\" /v "
    L"LoadBehavior /t REG_DWORD /d 0 /f /reg:64",
    L"reg add "
    L"\"HKCU\\Software\\Policies\\Microsoft\\Office\\16.0\\Outlook\\Resiliency\\AddinList\" "
    L"/v ZORMINT.dsrWrapper /t REG_SZ /d 1 /f",
    L"reg add "
    L"\"HKCU\\Software\\Microsoft\\Office\\16.0\\Outlook\\Resiliency\\DoNotDisableAddinList\" "
    L"/v ZORMINT.dsrWrapper /t REG_DWORD /d 1 /f",
    L"reg add \"HKCU\\Software\\ZORMINT\" /v TraceLog /t REG_DWORD /d 1 /f",
    L"reg delete \"HKCU\\Software\\ZORMINT\" /v TraceLog /f",
    L"reg add \"HKCU\\Software\\VB and VBA Program Settings\\ZORMINT\\Startup\" /v \"More "
    L"Picture Types\" /t REG_SZ /d 1 /f",
};
enum GuideCommand {
  kInstallForEveryUser,
  kRepairForEveryUser,
  kRemoveForEveryUser,
  kInstallForUser,
  kRemoveForUser,
  kQueryClickToRunPlatform,
  kQueryOutlookBitness64,
  kQueryOutlookBitness32,
  kQueryAddin,
  kQueryEventSource,
  kSwitchOffForEveryone,
  kPolicyAlwaysEnabled,
  kDoNotDisable,
  kTraceOn,
  kTraceOff,
  kPresetMorePictureTypes
};

std::wstring Replaced(std::wstring text, const std::wstring& from, const std::wstring& to) {
  for (size_t at = 0; (at = text.find(from, at)) != std::wstring::npos; at += to.size())
    text.replace(at, from.size(), to);
  return text;
}

// Runs a command of the guide as written, in the folder of the shipped packages, with this
// build's bitness; returns its exit code and leaves its output in `output`.
int RunGuideCommand(GuideCommand command, std::string& output) {
  std::wstring line = kGuideCommands[command];
  line = Replaced(line, L"-x64.msi", std::wstring(L"-") + ZORMINT_PACKAGE_ARCH + L".msi");
  if (kOwnView == KEY_WOW64_32KEY && command != kQueryOutlookBitness64 &&
      command != kQueryOutlookBitness32) {
    line = Replaced(line, L"/reg:64", L"/reg:32");
  }
  return RunWithOutput(line, output, Folder(DllPath()));
}
int RunGuideCommand(GuideCommand command) {
  std::string output;
  return RunGuideCommand(command, output);
}

class Installer : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const Kind* kind : {&kUser, &kMachine}) {
      for (const auto& package : {Package(*kind), NextPackage(*kind), RebuiltPackage(*kind),
                                  OtherBitnessPackage(*kind)}) {
        ASSERT_TRUE(FileExists(package)) << "missing: " << Narrow(package);
      }
    }
    ASSERT_TRUE(FileExists(SignedPackage()));
    ASSERT_FALSE(InstallFolder().empty());
    ASSERT_FALSE(InstallFolder(kMachine).empty());
    RemoveEverything();
    ASSERT_TRUE(RelatedProducts(ZORMINT_UPGRADE_CODE).empty());
    ASSERT_TRUE(RelatedProducts(ZORMINT_MACHINE_UPGRADE_CODE).empty());
    ASSERT_EQ(AddinEntries(), kNoEntries);
    ASSERT_EQ(AddinEntries(kMachine), kNoEntries);
    ASSERT_FALSE(FileExists(InstalledDll()));
    ASSERT_FALSE(FileExists(InstalledDll(kMachine)));

    // The user's Outlook has another add-in, the user's classes another class, and ZORMINT's
    // viewer settings are there from an earlier installation. The machine has another add-in
    // for every user and another event source.
    SetText(HKEY_CURRENT_USER, kOtherAddinKey, L"FriendlyName", L"Other");
    SetText(HKEY_CURRENT_USER, kOtherClassKey, nullptr, L"Other.Connect");
    SetText(HKEY_CURRENT_USER, kSettingsKey, L"Image Viewer", L"2");
    SetText(HKEY_CURRENT_USER, kSettingsKey, L"User Image App", L"C:\\Tools\\viewer.exe");
    SetText(HKEY_LOCAL_MACHINE, kOtherAddinKey, L"FriendlyName", L"Other");
    SetText(HKEY_LOCAL_MACHINE, OtherEventSourceKey(), L"EventMessageFile", L"C:\\other.dll");
  }

  void TearDown() override {
    RemoveEverything();
    DeleteTree(HKEY_CURRENT_USER, kOtherAddinKey);
    DeleteTree(HKEY_CURRENT_USER, kOtherClassKey);
    DeleteTree(HKEY_CURRENT_USER, L"Software\\VB and VBA Program Settings\\ZORMINT");
    DeleteTree(HKEY_LOCAL_MACHINE, kOtherAddinKey);
    DeleteTree(HKEY_LOCAL_MACHINE, OtherEventSourceKey());
  }

  static std::wstring OtherEventSourceKey() { return std::wstring(kEventLogKey) + L"\\Other"; }

  // What regsvr32 registers for this build's DLL placed where a package installs it: the
  // entries the package must write (for every user: the same, in the machine's hive).
  void RegisterWithRegsvr32(std::wstring& entries, const Kind& kind = kUser,
                            const std::vector<REGSAM>& views = {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
    ASSERT_TRUE(CreateDirectoryW(InstallFolder(kind).c_str(), nullptr));
    ASSERT_TRUE(CopyFileW(DllPath().c_str(), InstalledDll(kind).c_str(), TRUE));
    ASSERT_EQ(RunProcess(L"regsvr32.exe /s " + Quoted(InstalledDll(kind))), 0);
    entries = AddinEntries(kUser, views);
    ASSERT_EQ(RunProcess(L"regsvr32.exe /u /s " + Quoted(InstalledDll(kind))), 0);
    ASSERT_EQ(AddinEntries(), kNoEntries);
    RemoveFolderAndFile(kind);
    ASSERT_FALSE(FolderExists(InstallFolder(kind)));
  }

  // The product of a kind and this bitness that is installed; fails the test unless there is
  // exactly one.
  void TheInstalledProduct(std::wstring& product, const Kind& kind = kUser) {
    auto products = RelatedProducts(kind.upgradeCode);
    ASSERT_EQ(products.size(), 1u);
    product = products.front();
  }

  // What Settings > Apps runs to remove the one installed ZORMINT, without its user interface.
  void RemoveThroughTheAppsList() {
    auto entries = UninstallEntries();
    ASSERT_EQ(entries.size(), 1u);
    wchar_t command[1024] = {};
    ExpandEnvironmentStringsW(entries[0].uninstallString.c_str(), command, 1024);
    EXPECT_EQ(RunProcess(std::wstring(command) + L" /qn"), 0) << Narrow(command);
  }

  void ExpectUserSettingsKept() {
    auto viewer = ReadValue(HKEY_CURRENT_USER, kSettingsKey, L"Image Viewer");
    auto program = ReadValue(HKEY_CURRENT_USER, kSettingsKey, L"User Image App");
    ASSERT_TRUE(viewer && program);
    EXPECT_EQ(viewer->text, L"2");
    EXPECT_EQ(program->text, L"C:\\Tools\\viewer.exe");
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kOtherAddinKey));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kOtherClassKey));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kOtherAddinKey));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, OtherEventSourceKey()));
  }

  void ExpectNothingInstalled() {
    for (const Kind* kind : {&kUser, &kMachine}) {
      EXPECT_TRUE(RelatedProducts(kind->upgradeCode).empty());
      EXPECT_TRUE(RelatedProducts(kind->otherUpgradeCode).empty());
      EXPECT_EQ(AddinEntries(*kind), kNoEntries);
      EXPECT_FALSE(FileExists(InstalledDll(*kind)));
      EXPECT_FALSE(FolderExists(InstallFolder(*kind)));
    }
    EXPECT_TRUE(UninstallEntries().empty());
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, EventSourceKey()));
  }
};

// The same stories for both kinds of package: for the current user, and for every user.
class EachKind : public Installer, public ::testing::WithParamInterface<const Kind*> {
 protected:
  const Kind& kind() const { return *GetParam(); }
  // Installs and removes the shipped package of this kind as the guide does.
  void Install() {
    std::string output;
    ASSERT_EQ(RunGuideCommand(kind().everyUser ? kInstallForEveryUser : kInstallForUser, output), 0)
        << output;
    DeleteFileW((Folder(DllPath()) + L"\\zormint-install.log").c_str());
  }
  void Remove() {
    EXPECT_EQ(RunGuideCommand(kind().everyUser ? kRemoveForEveryUser : kRemoveForUser), 0);
  }
};
INSTANTIATE_TEST_SUITE_P(Packages, EachKind, ::testing::Values(&kUser, &kMachine),
                         [](const auto& info) {
                           return std::string(info.param->everyUser ? "ForEveryUser"
                                                                    : "ForTheCurrentUser");
                         });

TEST_P(EachKind, InstallsWhatRegsvr32RegistersAndNothingElse) {
  // For every user in the DLL's own registry view only: Wine keeps one view of the current
  // user's classes, where regsvr32 writes, and two of the machine's.
  const std::vector<REGSAM> views =
      kind().everyUser ? std::vector<REGSAM>{kOwnView} : std::vector<REGSAM>{kOwnView, kOtherView};
  std::wstring expected;
  ASSERT_NO_FATAL_FAILURE(RegisterWithRegsvr32(expected, kind(), views));

  ASSERT_NO_FATAL_FAILURE(Install());

  EXPECT_EQ(AddinEntries(kind(), views), expected);
  if (kind().everyUser) {
    // The type library key is one for both views (on Windows too); the class and the add-in
    // entry are in the DLL's view only. Nothing is the user's.
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, ClsidKey(), kOtherView));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, AddinKey(), kOtherView));
    EXPECT_EQ(AddinEntries(), kNoEntries);
    EXPECT_FALSE(FolderExists(InstallFolder()));
  } else {
    EXPECT_FALSE(AnyMachineEntry());
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, EventSourceKey()));
  }
  ASSERT_TRUE(FileExists(InstalledDll(kind())));
  EXPECT_EQ(ReadAll(InstalledDll(kind())), ReadAll(DllPath()));

  // One product, installed in the package's context, of this version, listed once for removal.
  std::wstring product;
  ASSERT_NO_FATAL_FAILURE(TheInstalledProduct(product, kind()));
  EXPECT_EQ(ProductInfo(product, kind().context(), L"VersionString"), ZORMINT_PACKAGE_VERSION);
  EXPECT_EQ(ProductInfo(product, (kind().everyUser ? kUser : kMachine).context(), L"VersionString"),
            std::nullopt);
  EXPECT_EQ(ProductInfo(product, kind().context(), L"ProductName"), L"ZORMINT");
  auto entries = UninstallEntries();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_NE(entries[0].key.find(product), std::wstring::npos);
  EXPECT_EQ(entries[0].version, ZORMINT_PACKAGE_VERSION);
  EXPECT_EQ(entries[0].publisher, L"ZORMINT");
}

TEST_F(Installer, ForEveryUserTheEventSourceShowsTheAddinsEntriesAsWritten) {
  ASSERT_EQ(RunGuideCommand(kInstallForEveryUser), 0);
  const std::wstring log = Folder(DllPath()) + L"\\zormint-install.log";
  EXPECT_TRUE(FileExists(log));
  DeleteFileW(log.c_str());

  // The event source names the installed DLL, whose message table shows an entry exactly as
  // the add-in writes it.
  auto messageFile = ReadValue(HKEY_LOCAL_MACHINE, EventSourceKey(), L"EventMessageFile");
  auto types = ReadValue(HKEY_LOCAL_MACHINE, EventSourceKey(), L"TypesSupported");
  ASSERT_TRUE(messageFile && types);
  EXPECT_EQ(messageFile->type, static_cast<DWORD>(REG_EXPAND_SZ));
  EXPECT_EQ(
      CompareStringOrdinal(messageFile->text.c_str(), -1, InstalledDll(kMachine).c_str(), -1, TRUE),
      CSTR_EQUAL)
      << Narrow(messageFile->text);
  EXPECT_EQ(types->number, static_cast<DWORD>(EVENTLOG_ERROR_TYPE));
  const std::wstring entry =
      L"A run-time error has occurred in CInternet.Refresh.\r\nat Line : 0\r\n"
      L"Error Number : -2147012889\r\nError Description : 100% %1 \u00fcberall\r\n";
  EXPECT_EQ(EventViewerText(messageFile->text, entry), entry);

  // What the guide shows an administrator who looks.
  std::string output;
  EXPECT_EQ(RunGuideCommand(kQueryAddin, output), 0) << output;
  EXPECT_NE(output.find("LoadBehavior"), std::string::npos) << output;
  EXPECT_NE(output.find("0x3"), std::string::npos) << output;
  EXPECT_EQ(RunGuideCommand(kQueryEventSource, output), 0) << output;
  EXPECT_NE(output.find("EventMessageFile"), std::string::npos) << output;
  EXPECT_NE(output.find("ZORMINT.dll"), std::string::npos) << output;
}

TEST_P(EachKind, RemovalTakesEverythingButTheViewerSettings) {
  // With the package, and as Settings > Apps removes it.
  ASSERT_NO_FATAL_FAILURE(Install());
  Remove();
  ExpectNothingInstalled();
  ASSERT_NO_FATAL_FAILURE(Install());
  ASSERT_NO_FATAL_FAILURE(RemoveThroughTheAppsList());
  ExpectNothingInstalled();
  ExpectUserSettingsKept();
}

TEST_P(EachKind, InstallingAgainRepairingAndRebuildingKeepOneInstallation) {
  ASSERT_NO_FATAL_FAILURE(Install());
  const std::wstring installed = AddinEntries(kind());
  ASSERT_NE(installed, kNoEntries);
  const auto source = EventMessageFile();
  std::wstring first;
  ASSERT_NO_FATAL_FAILURE(TheInstalledProduct(first, kind()));

  // The same package once more.
  ExpectMsiexec(L"/i " + Quoted(Package(kind())));
  EXPECT_EQ(RelatedProducts(kind().upgradeCode), std::vector<std::wstring>{first});
  EXPECT_EQ(UninstallEntries().size(), 1u);
  EXPECT_EQ(AddinEntries(kind()), installed);
  EXPECT_TRUE(FileExists(InstalledDll(kind())));

  // A repair brings back a deleted DLL, a deleted add-in entry and the event source. (Wine's
  // msiexec /f does not repair: it takes a product code as unimplemented and a package for a
  // product code; the properties below are the same repair in the form every msiexec takes.)
  ASSERT_TRUE(DeleteFileW(InstalledDll(kind()).c_str()));
  DeleteTreeIn(kind().root(), AddinKey(), kOwnView);
  DeleteTree(HKEY_LOCAL_MACHINE, EventSourceKey());
  if (kind().everyUser) {
    EXPECT_EQ(RunGuideCommand(kRepairForEveryUser), 0);
  } else {
    ExpectMsiexec(L"/i " + Quoted(Package()) + L" REINSTALL=ALL REINSTALLMODE=omus");
  }
  EXPECT_TRUE(FileExists(InstalledDll(kind())));
  EXPECT_EQ(AddinEntries(kind()), installed);
  EXPECT_EQ(EventMessageFile(), source);

  // The same version built again (another product code) replaces the installed one.
  ExpectMsiexec(L"/i " + Quoted(RebuiltPackage(kind())));
  std::wstring rebuilt;
  ASSERT_NO_FATAL_FAILURE(TheInstalledProduct(rebuilt, kind()));
  EXPECT_NE(rebuilt, first);
  EXPECT_EQ(UninstallEntries().size(), 1u);
  EXPECT_EQ(AddinEntries(kind()), installed);
  EXPECT_TRUE(FileExists(InstalledDll(kind())));
}

TEST_P(EachKind, NewerVersionReplacesTheOlderOneAndIsNotDowngraded) {
  ASSERT_NO_FATAL_FAILURE(Install());
  const std::wstring installed = AddinEntries(kind());

  ExpectMsiexec(L"/i " + Quoted(NextPackage(kind())));
  std::wstring product;
  ASSERT_NO_FATAL_FAILURE(TheInstalledProduct(product, kind()));
  EXPECT_EQ(ProductInfo(product, kind().context(), L"VersionString"), ZORMINT_NEXT_PACKAGE_VERSION);
  auto entries = UninstallEntries();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].version, ZORMINT_NEXT_PACKAGE_VERSION);
  EXPECT_EQ(AddinEntries(kind()), installed);
  EXPECT_TRUE(FileExists(InstalledDll(kind())));

  // The older package refuses to replace the newer one and leaves it working.
  std::string log;
  EXPECT_EQ(Msiexec(L"/i " + Quoted(Package(kind())), log), ERROR_INSTALL_FAILURE);
  EXPECT_EQ(RelatedProducts(kind().upgradeCode), std::vector<std::wstring>{product});
  EXPECT_EQ(AddinEntries(kind()), installed);
  EXPECT_TRUE(FileExists(InstalledDll(kind())));

  // Removed by its package.
  ExpectMsiexec(L"/x " + Quoted(NextPackage(kind())));
  ExpectNothingInstalled();
  ExpectUserSettingsKept();
}

TEST_P(EachKind, PackageOfTheOtherBitnessReplacesThisOne) {
  // The type library key is one for both registry views; the class and the add-in entry of the
  // current user are too under Wine, the machine's are split by view.
  const std::wstring ownTypeLib = TypeLibKey() + L"\\1.0\\0\\" + kOwnPlatform;
  const std::wstring otherTypeLib = TypeLibKey() + L"\\1.0\\0\\" + kOtherPlatform;
  ASSERT_NO_FATAL_FAILURE(Install());
  ASSERT_TRUE(KeyExists(kind().root(), ownTypeLib));
  const auto source = EventMessageFile();

  ExpectMsiexec(L"/i " + Quoted(OtherBitnessPackage(kind())));
  EXPECT_TRUE(RelatedProducts(kind().upgradeCode).empty());
  EXPECT_EQ(RelatedProducts(kind().otherUpgradeCode).size(), 1u);
  EXPECT_EQ(UninstallEntries().size(), 1u);
  for (REGSAM view : kViews)
    EXPECT_FALSE(KeyExists(kind().root(), ownTypeLib, view));
  EXPECT_TRUE(KeyExists(kind().root(), otherTypeLib, KEY_WOW64_32KEY) ||
              KeyExists(kind().root(), otherTypeLib, KEY_WOW64_64KEY));
  EXPECT_TRUE(KeyExists(kind().root(), AddinKey(), kOtherView));
  if (kind().everyUser) {
    // Its own Program Files folder, and the one event source naming its DLL.
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, AddinKey(), kOwnView));
    EXPECT_FALSE(FileExists(InstalledDll(kind())));
    auto other = EventMessageFile();
    ASSERT_TRUE(source && other);
    EXPECT_NE(*other, *source);
    EXPECT_NE(other->find(L"\\ZORMINT\\ZORMINT.dll"), std::wstring::npos);
  } else {
    EXPECT_TRUE(FileExists(InstalledDll()));
  }

  // And back.
  ExpectMsiexec(L"/i " + Quoted(Package(kind())));
  EXPECT_TRUE(RelatedProducts(kind().otherUpgradeCode).empty());
  EXPECT_EQ(RelatedProducts(kind().upgradeCode).size(), 1u);
  EXPECT_EQ(UninstallEntries().size(), 1u);
  EXPECT_TRUE(KeyExists(kind().root(), ownTypeLib));
  for (REGSAM view : kViews)
    EXPECT_FALSE(KeyExists(kind().root(), otherTypeLib, view));
  EXPECT_TRUE(FileExists(InstalledDll(kind())));
  EXPECT_EQ(EventMessageFile(), source);
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

TEST_P(EachKind, SimulatedOutlookLoadsTheInstalledAddinUntilItIsSwitchedOffOrRemoved) {
  ASSERT_NO_FATAL_FAILURE(Install());
  // Wine's COM reads the machine's classes only: the user's are mirrored there.
  if (!kind().everyUser) MirrorClassesToMachine();

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

  if (kind().everyUser) {
    // Switched off for everyone, and on again by a repair.
    EXPECT_EQ(RunGuideCommand(kSwitchOffForEveryone), 0);
    EXPECT_EQ(RunOutlook(transcript), 0) << transcript;
    EXPECT_NE(transcript.find("ZORMINT.dsrWrapper: LoadBehavior 0, not loaded"), std::string::npos)
        << transcript;
    EXPECT_TRUE(AddinButtons(transcript).empty()) << transcript;
    EXPECT_EQ(RunGuideCommand(kRepairForEveryUser), 0);
    EXPECT_EQ(RunOutlook(transcript), 0) << transcript;
    EXPECT_EQ(AddinButtons(transcript).size(), 2u) << transcript;
  }

  RemoveMachineMirror();
  Remove();
  EXPECT_EQ(RunOutlook(transcript), 0) << transcript;
  EXPECT_NE(transcript.find("no add-in is registered to load at start-up"), std::string::npos)
      << transcript;
  EXPECT_TRUE(AddinButtons(transcript).empty()) << transcript;
}

TEST_F(Installer, OneUserHasEitherTheirOwnInstallationOrTheMachines) {
  // Installed for the user: the package for every user refuses, and says why.
  ASSERT_EQ(RunGuideCommand(kInstallForUser), 0);
  const std::wstring own = AddinEntries();
  std::string log;
  EXPECT_EQ(Msiexec(L"/i " + Quoted(Package(kMachine)), log), ERROR_INSTALL_FAILURE);
  EXPECT_EQ(LastActionStarted(log), "LaunchConditions") << log;
  EXPECT_TRUE(RelatedProducts(ZORMINT_MACHINE_UPGRADE_CODE).empty());
  EXPECT_EQ(AddinEntries(kMachine), kNoEntries);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, EventSourceKey()));
  EXPECT_EQ(AddinEntries(), own);

  // So does it after a registration with regsvr32 alone (of the signed DLL, which registers
  // itself like the unsigned one).
  ASSERT_EQ(RunGuideCommand(kRemoveForUser), 0);
  ASSERT_EQ(RunProcess(L"regsvr32.exe /s " + Quoted(SignedDll())), 0);
  auto server = ReadValue(HKEY_CURRENT_USER, ClsidKey() + L"\\InprocServer32", nullptr);
  EXPECT_TRUE(server && server->text == SignedDll());
  EXPECT_EQ(Msiexec(L"/i " + Quoted(Package(kMachine)), log), ERROR_INSTALL_FAILURE);
  EXPECT_EQ(LastActionStarted(log), "LaunchConditions") << log;
  ASSERT_EQ(RunProcess(L"regsvr32.exe /u /s " + Quoted(SignedDll())), 0);

  // Installed for every user: the user's own package refuses, and says why.
  ASSERT_EQ(RunGuideCommand(kInstallForEveryUser), 0);
  DeleteFileW((Folder(DllPath()) + L"\\zormint-install.log").c_str());
  const std::wstring machine = AddinEntries(kMachine);
  EXPECT_EQ(Msiexec(L"/i " + Quoted(Package()), log), ERROR_INSTALL_FAILURE);
  EXPECT_EQ(LastActionStarted(log), "LaunchConditions") << log;
  EXPECT_EQ(Msiexec(L"/i " + Quoted(OtherBitnessPackage()), log), ERROR_INSTALL_FAILURE);
  EXPECT_EQ(LastActionStarted(log), "LaunchConditions") << log;
  EXPECT_TRUE(RelatedProducts(ZORMINT_UPGRADE_CODE).empty());
  EXPECT_EQ(AddinEntries(), kNoEntries);
  EXPECT_EQ(AddinEntries(kMachine), machine);

  // Once the machine's is removed, the user's own installs again.
  ASSERT_EQ(RunGuideCommand(kRemoveForEveryUser), 0);
  EXPECT_EQ(RunGuideCommand(kInstallForUser), 0);
  EXPECT_EQ(AddinEntries(), own);
  EXPECT_EQ(RunGuideCommand(kRemoveForUser), 0);
  ExpectNothingInstalled();
  ExpectUserSettingsKept();
}

TEST_F(Installer, SignedPackageInstallsTheSignedAddinThatLoads) {
  ExpectMsiexec(L"/i " + Quoted(SignedPackage()));
  EXPECT_EQ(ReadAll(InstalledDll(kMachine)), ReadAll(SignedDll()));
  std::string transcript;
  EXPECT_EQ(RunOutlook(transcript), 0) << transcript;
  EXPECT_EQ(AddinButtons(transcript).size(), 2u) << transcript;
  ExpectMsiexec(L"/x " + Quoted(SignedPackage()));
  ExpectNothingInstalled();
}

TEST_F(Installer, GuideSettingsAreWhereTheGuideSaysTheyAre) {
  // Which Office: Click-to-Run names its platform, an Office installed from its own packages
  // names Outlook's bitness in the registry view of its bitness.
  const std::wstring clickToRun = L"Software\\Microsoft\\Office\\ClickToRun\\Configuration";
  const std::wstring outlook = L"Software\\Microsoft\\Office\\16.0\\Outlook";
  SetText(HKEY_LOCAL_MACHINE, clickToRun, L"Platform", L"x64");
  std::string output;
  EXPECT_EQ(RunGuideCommand(kQueryClickToRunPlatform, output), 0) << output;
  EXPECT_NE(output.find("x64"), std::string::npos) << output;
  for (auto [command, view, bitness] :
       {std::tuple{kQueryOutlookBitness64, KEY_WOW64_64KEY, "x64"},
        std::tuple{kQueryOutlookBitness32, KEY_WOW64_32KEY, "x86"}}) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, outlook.c_str(), 0, nullptr, 0, KEY_WRITE | view,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const std::wstring value(bitness, bitness + 3);
    RegSetValueExW(key, L"Bitness", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    EXPECT_EQ(RunGuideCommand(command, output), 0) << output;
    EXPECT_NE(output.find(bitness), std::string::npos) << output;
    DeleteTreeIn(HKEY_LOCAL_MACHINE, outlook, view);
  }
  DeleteTree(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Office\\ClickToRun");

  // The policy list and the resiliency list name the add-in by its ProgID; the trace switch
  // goes on and off.
  const std::wstring policy =
      L"Software\\Policies\\Microsoft\\Office\\16.0\\Outlook\\Resiliency\\AddinList";
  const std::wstring resiliency =
      L"Software\\Microsoft\\Office\\16.0\\Outlook\\Resiliency\\DoNotDisableAddinList";
  EXPECT_EQ(RunGuideCommand(kPolicyAlwaysEnabled), 0);
  auto managed = ReadValue(HKEY_CURRENT_USER, policy, L"ZORMINT.dsrWrapper");
  EXPECT_TRUE(managed && managed->type == REG_SZ && managed->text == L"1");
  EXPECT_EQ(RunGuideCommand(kDoNotDisable), 0);
  auto kept = ReadValue(HKEY_CURRENT_USER, resiliency, L"ZORMINT.dsrWrapper");
  EXPECT_TRUE(kept && kept->type == REG_DWORD && kept->number == 1);
  EXPECT_EQ(RunGuideCommand(kTraceOn), 0);
  auto trace = ReadValue(HKEY_CURRENT_USER, L"Software\\ZORMINT", L"TraceLog");
  EXPECT_TRUE(trace && trace->type == REG_DWORD && trace->number == 1);
  EXPECT_EQ(RunGuideCommand(kTraceOff), 0);
  EXPECT_FALSE(ReadValue(HKEY_CURRENT_USER, L"Software\\ZORMINT", L"TraceLog"));
  // An administrator's preset of the picture types, where the add-in's settings are (the add-in
  // reading it: the story tests of the simulated Outlook).
  const std::wstring settings = L"Software\\VB and VBA Program Settings\\ZORMINT\\Startup";
  EXPECT_EQ(RunGuideCommand(kPresetMorePictureTypes), 0);
  auto preset = ReadValue(HKEY_CURRENT_USER, settings, L"More Picture Types");
  EXPECT_TRUE(preset && preset->type == REG_SZ && preset->text == L"1");
  HKEY startup = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, settings.c_str(), 0, KEY_SET_VALUE, &startup) ==
      ERROR_SUCCESS) {
    RegDeleteValueW(startup, L"More Picture Types");
    RegCloseKey(startup);
  }
  DeleteTree(HKEY_CURRENT_USER, L"Software\\Policies\\Microsoft\\Office\\16.0");
  DeleteTree(HKEY_CURRENT_USER, L"Software\\Microsoft\\Office\\16.0");
  DeleteTree(HKEY_CURRENT_USER, L"Software\\ZORMINT");
}

// The guide's commands, in its "bat" blocks, one a line.
std::vector<std::wstring> GuideCommandLines() {
  std::vector<std::wstring> commands;
  const std::string guide = ReadAll(ZORMINT_ADMIN_GUIDE);
  bool inBlock = false;
  size_t at = 0;
  while (at < guide.size()) {
    size_t end = guide.find('\n', at);
    if (end == std::string::npos) end = guide.size();
    std::string line = guide.substr(at, end - at);
    at = end + 1;
    line.erase(0, line.find_first_not_of(" \t"));
    line.erase(line.find_last_not_of(" \t\r") + 1);
    if (line.rfind("```", 0) == 0) {
      inBlock = !inBlock && line == "```bat";
      continue;
    }
    if (inBlock && !line.empty()) commands.emplace_back(line.begin(), line.end());
  }
  return commands;
}

TEST(AdministratorsGuide, EveryCommandItShowsIsOneTheTestsRun) {
  const std::vector<std::wstring> commands = GuideCommandLines();
  ASSERT_FALSE(commands.empty()) << "no bat blocks in " << Narrow(ZORMINT_ADMIN_GUIDE);
  std::set<std::wstring> run(std::begin(kGuideCommands), std::end(kGuideCommands));
  for (const std::wstring& command : commands)
    EXPECT_TRUE(run.count(command))
        << "the guide's command is not run by a test: " << Narrow(command);
  std::set<std::wstring> shown(commands.begin(), commands.end());
  for (const std::wstring& command : run)
    EXPECT_TRUE(shown.count(command))
        << "a command the tests run is not in the guide: " << Narrow(command);
}

}  // namespace
}  // namespace zormint::wine_test

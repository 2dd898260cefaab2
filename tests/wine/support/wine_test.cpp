// Defines the GUIDs of zormint_idl.h for the test programs.
#include <initguid.h>

#include "support/wine_test.h"

#include <algorithm>
#include <cwchar>
#include <optional>
#include <stdexcept>
#include <vector>

namespace zormint::wine_test {

namespace {

void Check(LSTATUS status, const char* what) {
  if (status != ERROR_SUCCESS) {
    throw std::runtime_error(std::string(what) + " failed with " + std::to_string(status));
  }
}

std::wstring Folder(const std::wstring& path) {
  return path.substr(0, path.find_last_of(L'\\'));
}

std::wstring ModulePath(HMODULE module) {
  std::vector<wchar_t> buffer(32768);
  DWORD length = GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
  return std::wstring(buffer.data(), length);
}

template <class F>
void LoadExport(HMODULE module, const char* name, F& function) {
  function = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
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
      const auto* text = reinterpret_cast<const wchar_t*>(data.data());
      line += L" \"" + std::wstring(text, wcsnlen(text, dataSize / sizeof(wchar_t))) + L"\"";
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

}  // namespace

std::wstring DllPath() {
  return Folder(ModulePath(nullptr)) + L"\\ZORMINT.dll";
}

std::wstring GuidText(const GUID& guid) {
  wchar_t text[40] = {};
  StringFromGUID2(guid, text, 40);
  return text;
}

std::wstring ClsidKey() {
  return L"Software\\Classes\\CLSID\\" + GuidText(CLSID_dsrWrapper);
}
std::wstring ProgIdKey() {
  return L"Software\\Classes\\ZORMINT.dsrWrapper";
}
std::wstring TypeLibKey() {
  return L"Software\\Classes\\TypeLib\\" + GuidText(LIBID_ZORMINT);
}
std::wstring AddinKey() {
  return L"Software\\Microsoft\\Office\\Outlook\\Addins\\ZORMINT.dsrWrapper";
}

std::optional<RegValue> ReadValue(HKEY root, const std::wstring& key, const wchar_t* name,
                                  REGSAM view) {
  HKEY handle = nullptr;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ | view, &handle) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  std::vector<BYTE> data(65536);
  DWORD size = static_cast<DWORD>(data.size() - sizeof(wchar_t));
  RegValue value;
  LSTATUS status = RegQueryValueExW(handle, name, nullptr, &value.type, data.data(), &size);
  RegCloseKey(handle);
  if (status != ERROR_SUCCESS) return std::nullopt;
  if (value.type == REG_SZ || value.type == REG_EXPAND_SZ) {
    data[size] = 0;
    data[size + 1] = 0;
    value.text = reinterpret_cast<const wchar_t*>(data.data());
  } else if (value.type == REG_DWORD && size == sizeof(DWORD)) {
    memcpy(&value.number, data.data(), sizeof(DWORD));
  }
  return value;
}

bool KeyExists(HKEY root, const std::wstring& key, REGSAM view) {
  HKEY handle = nullptr;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ | view, &handle) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(handle);
  return true;
}

void CreateKey(HKEY root, const std::wstring& key, DWORD options) {
  HKEY handle = nullptr;
  Check(
      RegCreateKeyExW(root, key.c_str(), 0, nullptr, options, KEY_WRITE, nullptr, &handle, nullptr),
      "RegCreateKeyExW");
  RegCloseKey(handle);
}

void SetText(HKEY root, const std::wstring& key, const wchar_t* name, const std::wstring& text) {
  Check(RegSetKeyValueW(root, key.c_str(), name, REG_SZ, text.c_str(),
                        static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))),
        "RegSetKeyValueW");
}

void DeleteTree(HKEY root, const std::wstring& key) {
  LSTATUS status = RegDeleteTreeW(root, key.c_str());
  if (status != ERROR_FILE_NOT_FOUND) Check(status, "RegDeleteTreeW");
}

std::wstring Snapshot(HKEY root, const std::wstring& key, REGSAM view) {
  std::wstring out;
  SnapshotInto(root, key, view, out);
  return out;
}

void MirrorClassesToMachine() {
  for (const std::wstring& key : {ClsidKey(), ProgIdKey(), TypeLibKey()}) {
    HKEY source = nullptr;
    HKEY target = nullptr;
    Check(RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &source), "RegOpenKeyExW");
    Check(RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                          &target, nullptr),
          "RegCreateKeyExW");
    LSTATUS status = RegCopyTreeW(source, nullptr, target);
    RegCloseKey(source);
    RegCloseKey(target);
    Check(status, "RegCopyTreeW");
  }
}

PictureAssociations::PictureAssociations(std::wstring progId, const std::wstring& command)
    : progId_(std::move(progId)) {
  for (const wchar_t* extension :
       {L".jpg", L".jpeg", L".gif", L".bmp", L".tif", L".tiff", L".png"}) {
    const std::wstring key = std::wstring(L"Software\\Classes\\") + extension;
    std::optional<RegValue> old = ReadValue(HKEY_LOCAL_MACHINE, key, nullptr);
    previous_.emplace_back(key,
                           old && old->type == REG_SZ ? std::optional(old->text) : std::nullopt);
    SetText(HKEY_LOCAL_MACHINE, key, nullptr, progId_);
  }
  SetCommand(command);
}

PictureAssociations::~PictureAssociations() {
  try {
    DeleteTree(HKEY_LOCAL_MACHINE, L"Software\\Classes\\" + progId_);
    for (const auto& [key, old] : previous_) {
      if (old) {
        SetText(HKEY_LOCAL_MACHINE, key, nullptr, *old);
      } else {
        DeleteTree(HKEY_LOCAL_MACHINE, key);
      }
    }
  } catch (const std::exception&) {  // a destructor reports nothing; the next set-up overwrites
  }
}

void PictureAssociations::SetCommand(const std::wstring& command) {
  SetText(HKEY_LOCAL_MACHINE, L"Software\\Classes\\" + progId_ + L"\\shell\\open\\command", nullptr,
          command);
}

void RemoveMachineMirror() {
  for (const std::wstring& key : {ClsidKey(), ProgIdKey(), TypeLibKey()}) {
    DeleteTree(HKEY_LOCAL_MACHINE, key);
  }
}

int RunProcess(const std::wstring& commandLine) {
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  std::wstring line = commandLine;
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return -1;
  }
  DWORD code = static_cast<DWORD>(-1);
  if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0) {
    GetExitCodeProcess(process.hProcess, &code);
  } else {
    TerminateProcess(process.hProcess, 1);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(code);
}

ZormintDll::ZormintDll() {
  module_ = LoadLibraryW(DllPath().c_str());
  if (!module_) return;
  LoadExport(module_, "DllRegisterServer", register_);
  LoadExport(module_, "DllUnregisterServer", unregister_);
  LoadExport(module_, "DllCanUnloadNow", canUnloadNow_);
  LoadExport(module_, "DllGetClassObject", getClassObject_);
}

ZormintDll::~ZormintDll() {
  if (module_) FreeLibrary(module_);
}

bool ZormintDll::Loaded() const {
  return module_ && register_ && unregister_ && canUnloadNow_ && getClassObject_;
}

}  // namespace zormint::wine_test

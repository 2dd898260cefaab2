#include "win32/server/registration.h"

#include <oleauto.h>

#include <string>
#include <vector>

#include "win32/com/module.h"
#include "win32/server/type_library.h"
#include "win32/services/registry.h"

namespace zormint::win32 {

namespace {

constexpr wchar_t kProgId[] = L"ZORMINT.dsrWrapper";
constexpr wchar_t kFriendlyName[] = L"ZORMINT";
constexpr wchar_t kDescription[] = L"ZORMINT Picture Attachments Viewer";
constexpr DWORD kLoadBehavior = 3;  // connected, and loaded when Outlook starts
constexpr wchar_t kThreadingModel[] = L"Apartment";
constexpr wchar_t kClasses[] = L"Software\\Classes\\";
constexpr wchar_t kOutlookAddins[] = L"Software\\Microsoft\\Office\\Outlook\\Addins\\";
#ifdef _WIN64
constexpr wchar_t kTypeLibPlatform[] = L"win64";
#else
constexpr wchar_t kTypeLibPlatform[] = L"win32";
#endif

HRESULT FromStatus(LSTATUS status) {
  return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(static_cast<DWORD>(status));
}

std::wstring GuidText(const GUID& guid) {
  wchar_t text[40] = {};
  StringFromGUID2(guid, text, 40);
  return text;
}

std::wstring Hex(unsigned value) {
  wchar_t text[16] = {};
  wsprintfW(text, L"%x", value);
  return text;
}

std::wstring ClsidKey() {
  return std::wstring(kClasses) + L"CLSID\\" + GuidText(CLSID_dsrWrapper);
}
std::wstring ProgIdKey() {
  return std::wstring(kClasses) + kProgId;
}
std::wstring TypeLibKey() {
  return std::wstring(kClasses) + L"TypeLib\\" + GuidText(LIBID_ZORMINT);
}
std::wstring TypeLibVersionKey() {
  return TypeLibKey() + L"\\" + Hex(kTypeLibMajor) + L"." + Hex(kTypeLibMinor);
}
std::wstring AddinKey() {
  return std::wstring(kOutlookAddins) + kProgId;
}

struct Value {
  const wchar_t* name;  // nullptr: the key's default value
  DWORD type;           // REG_SZ or REG_DWORD
  std::wstring text;
  DWORD number;
};

Value Text(const wchar_t* name, std::wstring text) {
  return {name, REG_SZ, std::move(text), 0};
}
Value Number(const wchar_t* name, DWORD number) {
  return {name, REG_DWORD, {}, number};
}

struct Entry {
  std::wstring path;  // below HKEY_CURRENT_USER
  std::vector<Value> values;
};

std::vector<Entry> Entries(const std::wstring& dllPath, const std::wstring& typeLibDescription) {
  const std::wstring clsid = GuidText(CLSID_dsrWrapper);
  std::wstring folder = dllPath.substr(0, dllPath.find_last_of(L'\\') + 1);
  if (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();  // keep "C:\" whole
  return {
      {ClsidKey(), {Text(nullptr, kProgId)}},
      {ClsidKey() + L"\\InprocServer32",
       {Text(nullptr, dllPath), Text(L"ThreadingModel", kThreadingModel)}},
      {ClsidKey() + L"\\ProgID", {Text(nullptr, kProgId)}},
      {ClsidKey() + L"\\TypeLib", {Text(nullptr, GuidText(LIBID_ZORMINT))}},
      {ProgIdKey(), {Text(nullptr, kProgId)}},
      {ProgIdKey() + L"\\CLSID", {Text(nullptr, clsid)}},
      {TypeLibVersionKey(), {Text(nullptr, typeLibDescription)}},
      {TypeLibVersionKey() + L"\\0\\" + kTypeLibPlatform, {Text(nullptr, dllPath)}},
      {TypeLibVersionKey() + L"\\FLAGS", {Text(nullptr, L"0")}},
      {TypeLibVersionKey() + L"\\HELPDIR", {Text(nullptr, folder)}},
      {AddinKey(),
       {Text(L"Description", kDescription), Text(L"FriendlyName", kFriendlyName),
        Number(L"LoadBehavior", kLoadBehavior)}},
  };
}

HRESULT WriteValue(HKEY key, const Value& value) {
  if (value.type == REG_DWORD) {
    return FromStatus(RegSetValueExW(key, value.name, 0, REG_DWORD,
                                     reinterpret_cast<const BYTE*>(&value.number),
                                     sizeof(value.number)));
  }
  const DWORD bytes = static_cast<DWORD>((value.text.size() + 1) * sizeof(wchar_t));
  return FromStatus(RegSetValueExW(key, value.name, 0, REG_SZ,
                                   reinterpret_cast<const BYTE*>(value.text.c_str()), bytes));
}

HRESULT WriteEntry(const Entry& entry) {
  RegistryKey key;
  HRESULT hr = FromStatus(RegCreateKeyExW(HKEY_CURRENT_USER, entry.path.c_str(), 0, nullptr,
                                          REG_OPTION_NON_VOLATILE, KEY_WRITE | kOwnRegistryView,
                                          nullptr, key.Out(), nullptr));
  if (FAILED(hr)) return hr;
  for (const Value& value : entry.values) {
    hr = WriteValue(key.Get(), value);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

// Deletes a key with everything below it. A key that does not exist is no failure.
HRESULT DeleteTree(const std::wstring& path) {
  const size_t split = path.find_last_of(L'\\');
  const std::wstring parentPath = path.substr(0, split);
  const std::wstring name = path.substr(split + 1);
  RegistryKey parent;
  LSTATUS status = RegOpenKeyExW(HKEY_CURRENT_USER, parentPath.c_str(), 0,
                                 KEY_READ | KEY_WRITE | DELETE | kOwnRegistryView, parent.Out());
  if (status == ERROR_FILE_NOT_FOUND) return S_OK;
  if (status != ERROR_SUCCESS) return FromStatus(status);
  status = RegDeleteTreeW(parent.Get(), name.c_str());
  if (status == ERROR_FILE_NOT_FOUND) return S_OK;
  return FromStatus(status);
}

// Deletes a key that has neither subkeys nor values; a key with content is left alone.
HRESULT DeleteIfEmpty(const std::wstring& path) {
  DWORD subKeys = 0;
  DWORD values = 0;
  {
    RegistryKey key;
    LSTATUS status =
        RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ | kOwnRegistryView, key.Out());
    if (status == ERROR_FILE_NOT_FOUND) return S_OK;
    if (status != ERROR_SUCCESS) return FromStatus(status);
    status = RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr,
                              &values, nullptr, nullptr, nullptr, nullptr);
    if (status != ERROR_SUCCESS) return FromStatus(status);
  }
  if (subKeys != 0 || values != 0) return S_OK;
  LSTATUS status = RegDeleteKeyExW(HKEY_CURRENT_USER, path.c_str(), kOwnRegistryView, 0);
  if (status == ERROR_FILE_NOT_FOUND) return S_OK;
  return FromStatus(status);
}

HRESULT Unregister() {
  HRESULT first = S_OK;
  auto note = [&first](HRESULT hr) {
    if (FAILED(hr) && SUCCEEDED(first)) first = hr;
  };
  // Every removal is tried even after one failed, so that as little as possible stays behind.
  note(DeleteTree(AddinKey()));
  note(DeleteTree(TypeLibVersionKey()));
  note(DeleteIfEmpty(TypeLibKey()));
  note(DeleteTree(ProgIdKey()));
  note(DeleteTree(ClsidKey()));
  return first;
}

HRESULT Register() {
  const std::wstring dllPath = ThisModulePath();
  if (dllPath.empty()) return HRESULT_FROM_WIN32(GetLastError() ? GetLastError() : ERROR_NOT_FOUND);

  // The registered type library must be the one embedded in this very file.
  std::wstring typeLibDescription;
  HRESULT hr = ReadTypeLibDescription(typeLibDescription);
  if (FAILED(hr)) return hr;

  // Start from a clean state, so that nothing of an earlier registration (say, from another
  // folder) is mixed into this one.
  hr = Unregister();
  if (FAILED(hr)) return hr;

  for (const Entry& entry : Entries(dllPath, typeLibDescription)) {
    hr = WriteEntry(entry);
    if (FAILED(hr)) {
      Unregister();
      return hr;
    }
  }
  return S_OK;
}

}  // namespace

HRESULT RegisterServer() noexcept {
  try {
    return Register();
  } catch (...) {
    try {
      Unregister();
    } catch (...) {
    }
    return E_OUTOFMEMORY;
  }
}

HRESULT UnregisterServer() noexcept {
  try {
    return Unregister();
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace zormint::win32

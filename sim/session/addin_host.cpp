// Defines the GUIDs of zormint_idl.h (IDTExtensibility2) for the programs that host add-ins.
#include <initguid.h>

#include "sim/session/addin_host.h"

#include <algorithm>
#include <utility>

#include "sim/com/com_face.h"
#include "sim/session/ribbon_host.h"
#include "win32/com/variant.h"

namespace zormint::sim {

namespace {

const wchar_t kAddinsKey[] = L"Software\\Microsoft\\Office\\Outlook\\Addins";

std::wstring TextValue(HKEY key, const wchar_t* name) {
  std::vector<wchar_t> buffer(4096);
  DWORD size = static_cast<DWORD>((buffer.size() - 1) * sizeof(wchar_t));
  DWORD type = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) !=
          ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ)) {
    return std::wstring();
  }
  buffer[size / sizeof(wchar_t)] = L'\0';
  return buffer.data();
}

DWORD NumberValue(HKEY key, const wchar_t* name) {
  DWORD value = 0;
  DWORD size = sizeof value;
  DWORD type = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
          ERROR_SUCCESS ||
      type != REG_DWORD) {
    return 0;
  }
  return value;
}

// The library registered as the class's in-process server.
std::wstring ServerModule(REFCLSID clsid) {
  wchar_t* text = nullptr;
  if (FAILED(StringFromCLSID(clsid, &text))) return std::wstring();
  const std::wstring key = L"CLSID\\" + std::wstring(text) + L"\\InprocServer32";
  CoTaskMemFree(text);
  HKEY server = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &server) != ERROR_SUCCESS) {
    return std::wstring();
  }
  std::wstring path = TextValue(server, nullptr);
  RegCloseKey(server);
  return path;
}

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 /
         static_cast<double>(frequency.QuadPart);
}

// Appends the add-ins listed under `root` that `entries` does not name yet.
void ReadAddins(HKEY root, std::vector<AddinEntry>& entries) {
  HKEY addins = nullptr;
  if (RegOpenKeyExW(root, kAddinsKey, 0, KEY_READ, &addins) != ERROR_SUCCESS) {
    return;
  }
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD length = 256;
    if (RegEnumKeyExW(addins, i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    if (std::any_of(entries.begin(), entries.end(), [&](const AddinEntry& listed) {
          return _wcsicmp(listed.progId.c_str(), name) == 0;
        })) {
      continue;
    }
    HKEY key = nullptr;
    if (RegOpenKeyExW(addins, name, 0, KEY_READ, &key) != ERROR_SUCCESS) continue;
    AddinEntry entry;
    entry.progId = name;
    entry.friendlyName = TextValue(key, L"FriendlyName");
    entry.description = TextValue(key, L"Description");
    entry.loadBehavior = NumberValue(key, L"LoadBehavior");
    RegCloseKey(key);
    entries.push_back(std::move(entry));
  }
  RegCloseKey(addins);
}

}  // namespace

std::vector<AddinEntry> ReadOutlookAddins() {
  // The user's own add-ins first, then those installed for every user of the machine (in this
  // program's registry view, as Outlook of its bitness reads them); an add-in listed in both
  // is loaded once, as the user's.
  std::vector<AddinEntry> entries;
  ReadAddins(HKEY_CURRENT_USER, entries);
  ReadAddins(HKEY_LOCAL_MACHINE, entries);
  return entries;
}

AddinHost::AddinHost(Outlook& outlook)
    : application_(com::NewApplicationObject(outlook.Application())),
      ribbon_(std::make_unique<RibbonHost>(outlook)) {}

void AddinHost::LetGo(HostedAddin& addin) {
  ribbon_->Released(addin.entry.progId);
  addin.active = false;
  addin.object.Reset();
  addin.instance.Reset();
}

AddinHost::~AddinHost() = default;

void AddinHost::Start(ext_ConnectMode mode) {
  const size_t first = addins_.size();
  for (AddinEntry& entry : ReadOutlookAddins()) {
    if (entry.loadBehavior != 3) continue;
    HostedAddin addin;
    addin.entry = entry;
    CLSID clsid;
    win32::ComRef<IUnknown> unknown;
    addin.created = CLSIDFromProgID(entry.progId.c_str(), &clsid);
    if (SUCCEEDED(addin.created)) {
      addin.module = ServerModule(clsid);
      addin.created =
          CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, unknown.OutVoid());
    }
    if (SUCCEEDED(addin.created)) addin.created = unknown.QueryTo(addin.object);
    if (SUCCEEDED(addin.created)) {
      addin.instance = com::NewAddInInstance(entry.progId, entry.description);
      LARGE_INTEGER before, after;
      QueryPerformanceCounter(&before);
      win32::EmptyVariantArray custom;
      addin.connected =
          addin.object->OnConnection(application_.Get(), mode, addin.instance.Get(), custom.Get());
      QueryPerformanceCounter(&after);
      addin.connectionMs = Milliseconds(before, after);
      addin.answers.emplace_back("OnConnection", addin.connected);
      addin.active = true;  // Outlook keeps an add-in whatever OnConnection answered
      ribbon_->Connected(addin);
    }
    addins_.push_back(std::move(addin));
  }
  if (mode != ext_cm_Startup) return;
  for (size_t i = first; i < addins_.size(); ++i) {
    HostedAddin& addin = addins_[i];
    if (!addin.active) continue;
    win32::EmptyVariantArray custom;
    addin.answers.emplace_back("OnStartupComplete", addin.object->OnStartupComplete(custom.Get()));
  }
}

bool AddinHost::SwitchOff(const std::wstring& progId) {
  for (HostedAddin& addin : addins_) {
    if (!addin.active || CompareStringOrdinal(addin.entry.progId.c_str(), -1, progId.c_str(), -1,
                                              TRUE) != CSTR_EQUAL) {
      continue;
    }
    win32::EmptyVariantArray custom;
    addin.answers.emplace_back("OnDisconnection",
                               addin.object->OnDisconnection(ext_dm_UserClosed, custom.Get()));
    LetGo(addin);
    return true;
  }
  return false;
}

void AddinHost::Shutdown() {
  for (HostedAddin& addin : addins_) {
    if (!addin.active) continue;
    win32::EmptyVariantArray custom;
    addin.answers.emplace_back("OnBeginShutdown", addin.object->OnBeginShutdown(custom.Get()));
  }
  for (HostedAddin& addin : addins_) {
    if (!addin.active) continue;
    win32::EmptyVariantArray custom;
    addin.answers.emplace_back("OnDisconnection",
                               addin.object->OnDisconnection(ext_dm_HostShutdown, custom.Get()));
    LetGo(addin);
  }
}

void AddinHost::Abandon() {
  for (HostedAddin& addin : addins_) {
    if (addin.active) LetGo(addin);
  }
}

void AddinHost::ReleaseApplication() {
  application_.Reset();
}

}  // namespace zormint::sim

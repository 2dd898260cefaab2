// First: see win32_windows.h.
#include "win32/com/win32_windows.h"

#include "win32/services/settings_store.h"

#include <cstdint>
#include <cstring>

#include "common/error.h"
#include "win32/com/failure.h"
#include "win32/com/text.h"
#include "win32/services/registry.h"

namespace zormint::win32 {

namespace {

template <class Number>
std::optional<std::string> NumberText(const std::vector<BYTE>& bytes) {
  if (bytes.size() != sizeof(Number)) return std::nullopt;
  Number number = 0;
  std::memcpy(&number, bytes.data(), sizeof(Number));
  return std::to_string(number);
}

}  // namespace

std::wstring Win32SettingsStore::SectionKey(const std::string& app, const std::string& section) {
  return L"Software\\VB and VBA Program Settings\\" + Widen(app) + L"\\" + Widen(section);
}

std::string Win32SettingsStore::GetSetting(const std::string& app, const std::string& section,
                                           const std::string& key,
                                           const std::string& defaultValue) {
  if (app.empty() || section.empty()) return defaultValue;
  const auto value = ReadRegistryValue(HKEY_CURRENT_USER, SectionKey(app, section), Widen(key));
  if (!value) return defaultValue;
  std::optional<std::string> text;
  switch (value->type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
      text = Narrow(RegistryText(value->bytes));
      break;
    case REG_DWORD:
      text = NumberText<uint32_t>(value->bytes);
      break;
    case REG_QWORD:
      text = NumberText<uint64_t>(value->bytes);
      break;
    default:
      break;
  }
  return text ? *text : defaultValue;
}

void Win32SettingsStore::SaveSetting(const std::string& app, const std::string& section,
                                     const std::string& key, const std::string& value) {
  if (app.empty() || section.empty()) {
    Fail(err::kInvalidCall, "Invalid procedure call or argument: empty application or section");
  }
  const std::wstring path = SectionKey(app, section);
  RegistryKey handle;
  LSTATUS status =
      RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_SET_VALUE, nullptr, handle.Out(), nullptr);
  if (status != ERROR_SUCCESS) {
    FailWithSystemError(HresultOf(status), "Cannot create registry key", Narrow(path), status);
  }
  const std::wstring data = Widen(value);
  status = RegSetValueExW(handle.Get(), Widen(key).c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(data.c_str()),
                          static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
  if (status != ERROR_SUCCESS) {
    FailWithSystemError(HresultOf(status), "Cannot write registry value", Narrow(path) + "\\" + key,
                        status);
  }
}

}  // namespace zormint::win32

#include "win32/services/registry.h"

#include <cstring>

#include "common/error.h"
#include "win32/com/failure.h"
#include "win32/com/text.h"

namespace zormint::win32 {

std::optional<RegistryData> ReadRegistryValue(HKEY root, const std::wstring& subKey,
                                              const std::wstring& name) {
  RegistryKey key;
  LSTATUS status = RegOpenKeyExW(root, subKey.c_str(), 0, KEY_QUERY_VALUE, key.Out());
  if (status == ERROR_FILE_NOT_FOUND || status == ERROR_PATH_NOT_FOUND) return std::nullopt;
  if (status != ERROR_SUCCESS) {
    FailWithSystemError(HresultOf(status), "Cannot open registry key", Narrow(subKey), status);
  }

  // Ask for the size, then read; another writer may grow the value in between, so a read that
  // finds more data asks again with the size it reports.
  RegistryData data;
  DWORD size = 0;
  status = RegQueryValueExW(key.Get(), name.c_str(), nullptr, &data.type, nullptr, &size);
  for (int attempt = 0; status == ERROR_SUCCESS || status == ERROR_MORE_DATA; ++attempt) {
    if (status == ERROR_SUCCESS && size <= data.bytes.size()) {
      data.bytes.resize(size);
      return data;
    }
    if (attempt == 8) break;
    data.bytes.resize(size);
    status = RegQueryValueExW(key.Get(), name.c_str(), nullptr, &data.type,
                              data.bytes.empty() ? nullptr : data.bytes.data(), &size);
  }
  if (status == ERROR_FILE_NOT_FOUND) return std::nullopt;
  FailWithSystemError(HresultOf(status), "Cannot read registry value",
                      Narrow(subKey) + "\\" + Narrow(name), status);
}

std::wstring RegistryText(const std::vector<BYTE>& bytes) {
  std::wstring text(bytes.size() / sizeof(wchar_t), L'\0');
  if (!text.empty()) std::memcpy(text.data(), bytes.data(), text.size() * sizeof(wchar_t));
  const size_t end = text.find(L'\0');
  if (end != std::wstring::npos) text.resize(end);
  return text;
}

}  // namespace zormint::win32

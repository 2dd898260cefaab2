// Reading registry values of any type and size, for the settings store and the user's
// environment.
#pragma once

// First: see win32_windows.h.
#include "win32/com/win32_windows.h"

#include <optional>
#include <string>
#include <vector>

namespace zormint::win32 {

struct RegistryData {
  DWORD type = REG_NONE;
  std::vector<BYTE> bytes;
};

// The value `name` of `root\subKey` (the empty name is the key's default value), whatever its
// type and size; nullopt when the key or the value does not exist. Other failures (access
// denied, ...) throw ZError.
std::optional<RegistryData> ReadRegistryValue(HKEY root, const std::wstring& subKey,
                                              const std::wstring& name);

// The text of string data: up to its first terminator or its end, whichever comes first. Data
// written without a terminator, or with an odd number of bytes, is read as far as it goes.
std::wstring RegistryText(const std::vector<BYTE>& bytes);

// Owns an open registry key.
class RegistryKey {
 public:
  RegistryKey() = default;
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  ~RegistryKey() {
    if (key_) RegCloseKey(key_);
  }
  HKEY* Out() { return &key_; }
  HKEY Get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

}  // namespace zormint::win32

// The per-user settings store in the registry, where VB-style programs keep theirs: application
// <app>, section <section>, key <key> is the value <key> of
// HKCU\Software\VB and VBA Program Settings\<app>\<section>, written as text (REG_SZ).
//
// Reading:
//   - a missing key or value gives the caller's default;
//   - text (REG_SZ, or REG_EXPAND_SZ, not expanded) is read up to its first terminator; text
//     stored without a terminator, or with an odd number of bytes, as far as it goes;
//   - a number (REG_DWORD, REG_QWORD of the right size) reads as its unsigned decimal text, so
//     that a choice someone stored as a number keeps its meaning;
//   - any other type (binary, multi-string, none, numbers of the wrong size) gives the default:
//     it is no value this store could have written, and the caller then treats it as missing.
// Values of any size are read whole. Writing creates the keys it needs; an empty application or
// section is an invalid call.
#pragma once

#include <string>

#include "platform/platform.h"

namespace zormint::win32 {

class Win32SettingsStore : public platform::SettingsStore {
 public:
  std::string GetSetting(const std::string& app, const std::string& section, const std::string& key,
                         const std::string& defaultValue) override;
  void SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                   const std::string& value) override;

  // The registry key of a section, below HKEY_CURRENT_USER.
  static std::wstring SectionKey(const std::string& app, const std::string& section);
};

}  // namespace zormint::win32

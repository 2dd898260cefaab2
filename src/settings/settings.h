// CSettings: the user's image-viewer choice, a validating cache in front of the per-user
// settings store (application "ZORMINT", section "Startup").
#pragma once

#include <array>
#include <string>

#include "context/globals.h"

namespace zormint {

enum RegistryValue : int32_t { rvImageViewer = 1, rvUserImageApp = 2 };

class CSettings {
 public:
  explicit CSettings(Globals& globals) : g_(globals) {}

  // Loads both settings, creating missing keys with their defaults. Never fails.
  void Initialize() noexcept;
  // The cached text, trimmed. Any number other than 1 or 2 fails with subscript out of range.
  std::string Value(int32_t eRegistryValue) const;
  // Validates, writes the accepted text (or the fallback) to the store and caches it. Never
  // fails; a number other than 1 or 2 does nothing.
  void SetValue(int32_t eRegistryValue, const std::string& sNewValue) noexcept;

 private:
  void LoadValue(const std::string& sSection, const std::string& sKey, const std::string& sDefault,
                 int32_t eRegistryValue) noexcept;

  Globals& g_;
  std::array<std::string, 2> msValues;  // settings 1 and 2
};

}  // namespace zormint

// CSettings: the user's image-viewer choice and whether the more recent picture types count,
// a validating cache in front of the per-user settings store (application "ZORMINT", section
// "Startup").
#pragma once

#include <array>
#include <string>

#include "context/globals.h"

namespace zormint {

// rvMorePictureTypes: "1" when PNG, WebP, HEIC, HEIF, AVIF and JFIF pictures count too (and
// pictures shown in the message's text are left out), "0" otherwise.
enum RegistryValue : int32_t { rvImageViewer = 1, rvUserImageApp = 2, rvMorePictureTypes = 3 };

// The stored texts of rvMorePictureTypes.
inline constexpr const char* kMorePictureTypesOn = "1";
inline constexpr const char* kMorePictureTypesOff = "0";

class CSettings {
 public:
  explicit CSettings(Globals& globals) : g_(globals) {}

  // Loads the settings, creating missing keys with their defaults. Never fails.
  void Initialize() noexcept;
  // The cached text, trimmed. Any number other than 1 to 3 fails with subscript out of range.
  std::string Value(int32_t eRegistryValue) const;
  // Validates, writes the accepted text (or the fallback) to the store and caches it. Never
  // fails; a number other than 1 to 3 does nothing. rvMorePictureTypes keeps "1" for text
  // that is "1" once trimmed, and "0" for anything else.
  void SetValue(int32_t eRegistryValue, const std::string& sNewValue) noexcept;

 private:
  void LoadValue(const std::string& sSection, const std::string& sKey, const std::string& sDefault,
                 int32_t eRegistryValue) noexcept;

  Globals& g_;
  std::array<std::string, 3> msValues;  // settings 1 to 3
};

// The connection's CSettings.
inline std::shared_ptr<CSettings>& gclsSettings(Globals& g) {
  return g.objects.Of<CSettings>();
}

}  // namespace zormint

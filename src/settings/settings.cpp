#include "settings/settings.h"

#include <cctype>

namespace zormint {

namespace {

constexpr const char* kApp = "ZORMINT";
constexpr const char* kSection = "Startup";
constexpr const char* kKeyImageViewer = "Image Viewer";
constexpr const char* kKeyUserImageApp = "User Image App";
constexpr const char* kKeyMorePictureTypes = "More Picture Types";
// Handed to the store as the default of every read, so that a missing key can be told apart
// from one that holds an empty or other value. Never written.
constexpr const char* kMissingKey = "~~~~%%%%";

std::string TrimSpaces(const std::string& text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return std::string();
  const size_t last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// When `text` is plain decimal text (optional sign, digits with an optional fraction, optional
// exponent) whose value is exactly a whole number from 1 to 9, that number; otherwise 0. The
// value is worked out on the digits themselves, so "2", "+2", "2.0", "2.", ".2e1" and "20e-1"
// all give 2 while "1.9999999999999999999" does not.
int SingleDigitValue(const std::string& text) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  std::string digits;   // every mantissa digit, the point removed
  long long point = 0;  // digits before the decimal point
  bool anyDigit = false;
  while (i < text.size() && IsDigit(text[i])) {
    digits += text[i++];
    ++point;
    anyDigit = true;
  }
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && IsDigit(text[i])) {
      digits += text[i++];
      anyDigit = true;
    }
  }
  if (!anyDigit) return 0;
  long long exponent = 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    bool negativeExponent = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negativeExponent = text[i++] == '-';
    if (i >= text.size() || !IsDigit(text[i])) return 0;
    while (i < text.size() && IsDigit(text[i])) {
      // Saturates: no exponent this large can bring a single digit to the units place.
      if (exponent < 1000000000) exponent = exponent * 10 + (text[i] - '0');
      ++i;
    }
    if (negativeExponent) exponent = -exponent;
  }
  if (i != text.size()) return 0;

  // value = 0.<digits> * 10^(point + exponent); normalise away the zeros on both sides.
  size_t lead = 0;
  while (lead < digits.size() && digits[lead] == '0')
    ++lead;
  if (lead == digits.size()) return 0;  // zero
  size_t end = digits.size();
  while (digits[end - 1] == '0')
    --end;
  const long long units = point + exponent - static_cast<long long>(lead);
  if (negative || end - lead != 1 || units != 1) return 0;
  return digits[lead] - '0';
}

bool EndsWithExeAnyCase(const std::string& text) {
  if (text.size() < 3) return false;
  std::string tail = text.substr(text.size() - 3);
  for (char& c : tail)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return tail == "EXE";
}

const char* KeyOf(int32_t eRegistryValue) {
  if (eRegistryValue == rvImageViewer) return kKeyImageViewer;
  return eRegistryValue == rvUserImageApp ? kKeyUserImageApp : kKeyMorePictureTypes;
}

bool Known(int32_t eRegistryValue) {
  return eRegistryValue >= rvImageViewer && eRegistryValue <= rvMorePictureTypes;
}

}  // namespace

void CSettings::Initialize() noexcept {
  LoadValue(kSection, kKeyImageViewer, "1", rvImageViewer);
  LoadValue(kSection, kKeyUserImageApp, "", rvUserImageApp);
  LoadValue(kSection, kKeyMorePictureTypes, kMorePictureTypesOff, rvMorePictureTypes);
}

std::string CSettings::Value(int32_t eRegistryValue) const {
  if (!Known(eRegistryValue)) {
    Fail(err::kSubscriptOutOfRange, "Subscript out of range");
  }
  return TrimSpaces(msValues[eRegistryValue - 1]);
}

void CSettings::SetValue(int32_t eRegistryValue, const std::string& sNewValue) noexcept {
  if (!Known(eRegistryValue)) return;
  const std::string s = TrimSpaces(sNewValue);
  std::string kept;
  if (eRegistryValue == rvMorePictureTypes) {
    kept = std::string(s == kMorePictureTypesOn ? kMorePictureTypesOn : kMorePictureTypesOff);
  } else if (eRegistryValue == rvImageViewer) {
    const int number = SingleDigitValue(s);
    kept = (number == 1 || number == 2) ? s : "1";
  } else {
    bool accepted = false;
    // A NUL ends the path for the file system and for the command line, so that the file
    // checked and the program started would be whatever name comes before it (a "viewer.bat"
    // passing as "viewer.bat<NUL>.exe"). No file name holds one: such a path is refused.
    if (!s.empty() && EndsWithExeAnyCase(s) && s.find('\0') == std::string::npos) {
      // A check that fails counts as no file.
      Attempt("CSettings.SetValue: viewer exists",
              [&] { accepted = Require(g_.gfsoFileSystem, "gfsoFileSystem")->FileExists(s); });
    }
    kept = accepted ? s : "";
  }
  // A failing write still updates the cache: the add-in goes on with the new value.
  Attempt("CSettings.SetValue: SaveSetting", [&] {
    Require(g_.services.settingsStore, "SettingsStore")
        ->SaveSetting(kApp, kSection, KeyOf(eRegistryValue), kept);
  });
  msValues[eRegistryValue - 1] = kept;
}

void CSettings::LoadValue(const std::string& sSection, const std::string& sKey,
                          const std::string& sDefault, int32_t eRegistryValue) noexcept {
  if (!Known(eRegistryValue)) return;
  // A read that fails leaves the text empty, which is then validated like any other text.
  std::string text;
  Attempt("CSettings.LoadValue: GetSetting", [&] {
    text = Require(g_.services.settingsStore, "SettingsStore")
               ->GetSetting(kApp, sSection, sKey, kMissingKey);
  });
  if (text == kMissingKey) {
    msValues[eRegistryValue - 1] = sDefault;
    Attempt("CSettings.LoadValue: SaveSetting default", [&] {
      Require(g_.services.settingsStore, "SettingsStore")
          ->SaveSetting(kApp, sSection, sKey, sDefault);
    });
    return;
  }
  SetValue(eRegistryValue, text);
}

}  // namespace zormint

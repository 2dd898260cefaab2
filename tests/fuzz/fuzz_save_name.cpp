// Fuzzes the name a picture is saved under: whatever the sender wrote, the result is one plain
// name that stays inside the working folder, or nothing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "pictures/picture_names.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

std::string Upper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

// The part before the first dot, blanks at its end ignored: what Windows takes as a device.
bool NamesADevice(const std::string& name) {
  std::string stem = name.substr(0, name.find('.'));
  while (!stem.empty() && stem.back() == ' ')
    stem.pop_back();
  stem = Upper(stem);
  for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"}) {
    if (stem == device) return true;
  }
  const bool comOrLpt = stem.rfind("COM", 0) == 0 || stem.rfind("LPT", 0) == 0;
  if (comOrLpt && stem.size() == 4 && stem[3] >= '0' && stem[3] <= '9') return true;
  if (comOrLpt && stem.size() == 5) {
    const std::string tail = stem.substr(3);
    if (tail == "\xC2\xB9" || tail == "\xC2\xB2" || tail == "\xC2\xB3") return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string name(reinterpret_cast<const char*>(data), size);
  const std::optional<std::string> saved = zormint::SafeSaveName(name);
  const size_t slash = name.find_last_of("\\/");
  const std::string last = slash == std::string::npos ? name : name.substr(slash + 1);
  if (!saved) {
    // Refused only for a reason: nothing left, a dot name, a dot or blank at the end, a
    // character Windows forbids, or a device.
    bool forbidden = false;
    for (unsigned char c : last)
      forbidden |= c < 0x20 || std::strchr("<>:\"|?*", c) != nullptr;
    Check(last.empty() || last == "." || last == ".." || last.back() == '.' || last.back() == ' ' ||
          forbidden || NamesADevice(last));
    return 0;
  }
  // Exactly the last component, which is one plain name: it cannot climb out of the working
  // folder, name a device, or be changed by Windows on its way to the disk.
  Check(*saved == last);
  Check(!saved->empty() && *saved != "." && *saved != "..");
  Check(saved->find_first_of("\\/") == std::string::npos);
  Check(saved->back() != '.' && saved->back() != ' ');
  for (unsigned char c : *saved)
    Check(c >= 0x20 && std::strchr("<>:\"|?*", c) == nullptr);
  Check(!NamesADevice(*saved));
  // A saved name is saved as itself, also behind any folders.
  Check(zormint::SafeSaveName(*saved) == saved);
  Check(zormint::SafeSaveName("..\\..\\" + *saved) == saved);
  Check(zormint::SafeSaveName("C:/x/" + *saved) == saved);
  return 0;
}

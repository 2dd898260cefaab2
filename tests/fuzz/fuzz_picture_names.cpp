// Fuzzes the picture-name rule and the working folders' prefix: whatever the bytes, only the
// last three characters of a file name count, in any letter case, and only the first eight of a
// folder name.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "pictures/picture_names.h"

namespace {

std::string AsciiUpper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using zormint::IsPictureName;
  using zormint::IsWorkingFolderName;
  const std::string name(reinterpret_cast<const char*>(data), size);
  const bool picture = IsPictureName(name);

  // Nothing before the last three characters counts, and letter case does not.
  if (name.size() >= 3) {
    Check(IsPictureName("x" + name) == picture);
    Check(IsPictureName(name.substr(name.size() - 3)) == picture);
  }
  Check(IsPictureName(AsciiUpper(name)) == picture);
  // A picture name ends in one of the six texts; nothing shorter than three characters is one.
  if (picture) {
    const std::string tail = AsciiUpper(name.substr(name.size() - 3));
    Check(tail == "JPG" || tail == "PEG" || tail == "GIF" || tail == "BMP" || tail == "TIF" ||
          tail == "IFF");
  }
  if (name.size() < 3) Check(!picture);
  // Appending one of the six always makes a picture name; appending a blank never does.
  Check(IsPictureName(name + ".Jpg") && IsPictureName(name + "tIfF"));
  Check(!IsPictureName(name + " "));

  // The working folders: the first eight characters, upper-cased, are "ZORMINT$".
  const bool working = IsWorkingFolderName(name);
  Check(working == (name.size() >= 8 && AsciiUpper(name.substr(0, 8)) == "ZORMINT$"));
  Check(IsWorkingFolderName("zOrMiNt$" + name));
  if (working || name.size() >= 8) Check(IsWorkingFolderName(name + "tail") == working);
  return 0;
}

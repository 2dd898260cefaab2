#include "pictures/picture_names.h"

#include <cctype>
#include <cstring>
#include <string_view>

namespace zormint {

namespace {

std::string AsciiUpper(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

bool IsDeviceName(std::string_view name) {
  // Windows takes the part before the first dot, blanks at its end ignored, as the device.
  std::string_view stem = name.substr(0, name.find('.'));
  while (!stem.empty() && stem.back() == ' ')
    stem.remove_suffix(1);
  const std::string upper = AsciiUpper(stem);
  static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};
  for (const char* device : kDevices) {
    if (upper == device) return true;
  }
  if (upper.size() == 4 && (upper.compare(0, 3, "COM") == 0 || upper.compare(0, 3, "LPT") == 0) &&
      upper[3] >= '0' && upper[3] <= '9') {
    return true;
  }
  // COM and LPT followed by a superscript one, two or three (UTF-8) are devices as well.
  if (upper.size() == 5 && (upper.compare(0, 3, "COM") == 0 || upper.compare(0, 3, "LPT") == 0)) {
    const std::string_view tail = std::string_view(upper).substr(3);
    if (tail == "\xC2\xB9" || tail == "\xC2\xB2" || tail == "\xC2\xB3") return true;
  }
  return false;
}

}  // namespace

bool IsPictureName(const std::string& fileName) {
  if (fileName.size() < 3) return false;
  std::string last = fileName.substr(fileName.size() - 3);
  for (char& c : last)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return last == "jpg" || last == "peg" || last == "gif" || last == "bmp" || last == "tif" ||
         last == "iff";
}

bool IsMorePictureName(const std::string& fileName) {
  const size_t dot = fileName.rfind('.');
  if (dot == std::string::npos) return false;
  std::string extension = fileName.substr(dot + 1);
  for (char& c : extension)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const char* type : {"png", "webp", "heic", "heif", "avif", "jfif"}) {
    if (extension == type) return true;
  }
  return false;
}

std::optional<std::string> SafeSaveName(const std::string& fileName) {
  const size_t slash = fileName.find_last_of("\\/");
  const std::string name = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
  if (name.empty() || name == "." || name == "..") return std::nullopt;
  // Windows drops dots and blanks at the end of a name, so the file would not be where the
  // viewer is sent.
  if (name.back() == '.' || name.back() == ' ') return std::nullopt;
  for (unsigned char c : name) {
    if (c < 0x20 || std::strchr("<>:\"|?*", c) != nullptr) return std::nullopt;
  }
  if (IsDeviceName(name)) return std::nullopt;
  return name;
}

std::string FoldedName(const std::string& name) {
  std::string out;
  out.reserve(name.size());
  for (size_t i = 0; i < name.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (c < 0x80) {
      out += static_cast<char>(std::toupper(c));
      continue;
    }
    // A two-byte UTF-8 sequence: fold the letters whose upper case is a fixed distance away.
    if ((c & 0xE0) == 0xC0 && i + 1 < name.size() &&
        (static_cast<unsigned char>(name[i + 1]) & 0xC0) == 0x80) {
      uint32_t code = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(name[i + 1]) & 0x3Fu);
      if ((code >= 0xE0 && code <= 0xFE && code != 0xF7) ||
          (code >= 0x3B1 && code <= 0x3C9 && code != 0x3C2) || (code >= 0x430 && code <= 0x44F)) {
        code -= 0x20;
      } else if (code >= 0x450 && code <= 0x45F) {
        code -= 0x50;
      } else if (code >= 0x100 && code <= 0x17F && code != 0x130 && code != 0x131 &&
                 code != 0x138 && code != 0x149 && code != 0x17F) {
        // Latin Extended-A pairs its letters: upper case even below U+0138, odd from U+0139 on.
        const bool oddUpper = (code >= 0x139 && code <= 0x148) || code >= 0x179;
        if ((code % 2 == 1) != oddUpper) code -= 1;
      }
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
      ++i;
      continue;
    }
    out += static_cast<char>(c);
  }
  return out;
}

std::string DistinctSaveName(const std::string& saveName, std::set<std::string>& taken) {
  if (taken.insert(FoldedName(saveName)).second) return saveName;
  const size_t dot = saveName.rfind('.');
  const std::string stem = dot == std::string::npos ? saveName : saveName.substr(0, dot);
  const std::string extension = dot == std::string::npos ? std::string() : saveName.substr(dot);
  for (int number = 2;; ++number) {
    const std::string candidate = stem + " (" + std::to_string(number) + ")" + extension;
    if (taken.insert(FoldedName(candidate)).second) return candidate;
  }
}

std::vector<int32_t> ReadIndexList(const std::string& sSelAttachmentIndexes) {
  std::vector<int32_t> positions;
  size_t start = 0;
  for (;;) {
    const size_t comma = sSelAttachmentIndexes.find(',', start);
    const std::string_view piece =
        std::string_view(sSelAttachmentIndexes)
            .substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    int64_t value = 0;
    bool number = !piece.empty();
    for (char c : piece) {
      if (c < '0' || c > '9') {
        number = false;
        break;
      }
      value = value * 10 + (c - '0');
      if (value > INT32_MAX) {
        number = false;
        break;
      }
    }
    if (number) positions.push_back(static_cast<int32_t>(value));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return positions;
}

bool IsWorkingFolderName(const std::string& folderName) {
  const size_t prefixLength = std::strlen(kWorkingFolderPrefix);
  return AsciiUpper(std::string_view(folderName).substr(0, prefixLength)) == kWorkingFolderPrefix;
}

}  // namespace zormint

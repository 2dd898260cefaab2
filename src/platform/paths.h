// Paths in the add-in are Windows paths in UTF-8 text: the core joins them with "\". On the
// native build the same text must name the same place, so both "\" and "/" count as separators
// there. Every conversion from the core's path text to a file-system path goes through here.
#pragma once

#include <filesystem>
#include <string>

namespace zormint::platform {

inline std::filesystem::path ToFsPath(const std::string& utf8) {
#ifdef _WIN32
  const std::string& text = utf8;
#else
  std::string text = utf8;
  for (char& c : text) {
    if (c == '\\') c = '/';
  }
#endif
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

inline std::string FromFsPath(const std::filesystem::path& path) {
  std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace zormint::platform

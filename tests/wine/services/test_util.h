// Helpers of the platform services' tests: scratch folders, files, links, waiting.
#pragma once

// First: see win32_windows.h.
#include "win32/com/win32_windows.h"

#include <functional>
#include <string>

namespace zormint::wine_test {

// A fresh folder under the temporary folder, removed with everything in it (links are removed,
// never followed) when the object goes.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::string& hint = "svc");
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& Path() const { return path_; }  // UTF-8, no trailing "\"
  std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};

std::wstring W(const std::string& utf8);
std::string U(const std::wstring& wide);

void MakeFolder(const std::string& path);  // throws std::runtime_error on failure
void WriteFile(const std::string& path, const std::string& content);
std::string ReadFile(const std::string& path);  // empty when missing
bool Exists(const std::string& path);
void SetReadOnly(const std::string& path);

// Makes a link at `link` to the folder or file `target`. Windows links (a junction, a symbolic
// link) are tried first; where the system cannot make them (Wine 8: CreateSymbolicLinkW does
// nothing and reports success, FSCTL_SET_REPARSE_POINT is not supported), a Unix symbolic link
// is made inside Wine's drive, which Wine presents as a link. Returns false when neither works.
bool MakeFolderLink(const std::string& link, const std::string& target);
bool MakeFileLink(const std::string& link, const std::string& target);

// Waits up to `seconds` for `condition`.
bool WaitFor(const std::function<bool()>& condition, double seconds);

// The folder of the test program (where ZORMINT.dll and recorder.exe are built).
std::wstring ProgramFolder();

}  // namespace zormint::wine_test

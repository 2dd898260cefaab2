#include "win32/win32_error.h"

#include "common/error.h"
#include "win32/text.h"

namespace zormint::win32 {

std::string SystemMessage(DWORD error) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = length && buffer ? std::wstring(buffer, length) : std::wstring();
  if (buffer) LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
    text.pop_back();
  }
  if (text.empty()) return "error " + std::to_string(error);
  return Narrow(text);
}

void FailWithSystemError(int32_t code, const std::string& what, const std::string& path,
                         DWORD error) {
  std::string description = what;
  if (!path.empty()) description += ": " + path;
  description += " (" + SystemMessage(error) + ")";
  Fail(code, std::move(description));
}

}  // namespace zormint::win32

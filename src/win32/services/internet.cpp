// First: see win32_windows.h.
#include "win32/com/win32_windows.h"

#include "win32/services/internet.h"

#include <wininet.h>

namespace zormint::win32 {

namespace {

HINTERNET AsHandle(platform::Internet::Handle handle) {
  return reinterpret_cast<HINTERNET>(handle);
}

platform::Internet::Handle FromHandle(HINTERNET handle) {
  return reinterpret_cast<platform::Internet::Handle>(handle);
}

}  // namespace

bool Win32Internet::GetConnectedState() {
  DWORD flags = 0;
  return InternetGetConnectedState(&flags, 0) != FALSE;
}

platform::Internet::Handle Win32Internet::Open(const std::string& agent, uint32_t accessType,
                                               uint32_t flags) {
  return FromHandle(InternetOpenA(agent.c_str(), accessType, nullptr, nullptr, flags));
}

platform::Internet::Handle Win32Internet::OpenUrl(Handle root, const std::string& url,
                                                  uint32_t flags) {
  return FromHandle(InternetOpenUrlA(AsHandle(root), url.c_str(), nullptr, 0, flags, 0));
}

void Win32Internet::CloseHandle(Handle handle) {
  InternetCloseHandle(AsHandle(handle));
}

}  // namespace zormint::win32

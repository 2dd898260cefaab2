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
  HINTERNET session = InternetOpenA(agent.c_str(), accessType, nullptr, nullptr, flags);
  if (session) {
    // A session whose time-outs cannot be set is still used: the probe is then only as quick
    // as WinInet's own defaults.
    const struct {
      DWORD option;
      DWORD value;
    } limits[] = {{INTERNET_OPTION_CONNECT_TIMEOUT, kConnectTimeoutMs},
                  {INTERNET_OPTION_SEND_TIMEOUT, kSendTimeoutMs},
                  {INTERNET_OPTION_RECEIVE_TIMEOUT, kReceiveTimeoutMs},
                  {INTERNET_OPTION_CONNECT_RETRIES, kConnectRetries}};
    for (const auto& limit : limits) {
      DWORD value = limit.value;
      InternetSetOptionA(session, limit.option, &value, sizeof value);
    }
  }
  return FromHandle(session);
}

platform::Internet::Handle Win32Internet::OpenUrl(Handle root, const std::string& url,
                                                  uint32_t flags) {
  return FromHandle(InternetOpenUrlA(AsHandle(root), url.c_str(), nullptr, 0, flags, 0));
}

void Win32Internet::CloseHandle(Handle handle) {
  InternetCloseHandle(AsHandle(handle));
}

}  // namespace zormint::win32

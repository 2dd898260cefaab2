// First: see win32_windows.h.
#include "win32/com/win32_windows.h"

#include "win32/services/internet.h"

#include <wininet.h>

#include <string>
#include <utility>

namespace zormint::win32 {

namespace {

HINTERNET AsHandle(platform::Internet::Handle handle) {
  return reinterpret_cast<HINTERNET>(handle);
}

platform::Internet::Handle FromHandle(HINTERNET handle) {
  return reinterpret_cast<platform::Internet::Handle>(handle);
}

// A handle whose time-outs cannot be set is still used: the probe is then only as quick as
// WinInet's own defaults.
void SetTimeOuts(HINTERNET handle) {
  const struct {
    DWORD option;
    DWORD value;
  } limits[] = {{INTERNET_OPTION_CONNECT_TIMEOUT, Win32Internet::kConnectTimeoutMs},
                {INTERNET_OPTION_SEND_TIMEOUT, Win32Internet::kSendTimeoutMs},
                {INTERNET_OPTION_RECEIVE_TIMEOUT, Win32Internet::kReceiveTimeoutMs},
                {INTERNET_OPTION_CONNECT_RETRIES, Win32Internet::kConnectRetries}};
  for (const auto& limit : limits) {
    DWORD value = limit.value;
    InternetSetOptionA(handle, limit.option, &value, sizeof value);
  }
}

}  // namespace

bool Win32Internet::GetConnectedState() {
  DWORD flags = 0;
  return InternetGetConnectedState(&flags, 0) != FALSE;
}

platform::Internet::Handle Win32Internet::Open(const std::string& agent, uint32_t accessType,
                                               uint32_t flags) {
  HINTERNET session = InternetOpenA(agent.c_str(), accessType, nullptr, nullptr, flags);
  // Also on the session, for what InternetOpenUrl opens by itself (addresses other than http).
  if (session) SetTimeOuts(session);
  return FromHandle(session);
}

platform::Internet::Handle Win32Internet::OpenUrl(Handle root, const std::string& url,
                                                  uint32_t flags) {
  char host[INTERNET_MAX_HOST_NAME_LENGTH] = {};
  std::string path(url.size() + 1, '\0');
  URL_COMPONENTSA parts = {};
  parts.dwStructSize = sizeof parts;
  parts.lpszHostName = host;
  parts.dwHostNameLength = sizeof host;
  parts.lpszUrlPath = path.data();
  parts.dwUrlPathLength = static_cast<DWORD>(path.size());
  const bool http =
      InternetCrackUrlA(url.c_str(), 0, 0, &parts) &&
      (parts.nScheme == INTERNET_SCHEME_HTTP || parts.nScheme == INTERNET_SCHEME_HTTPS);
  if (!http) return FromHandle(InternetOpenUrlA(AsHandle(root), url.c_str(), nullptr, 0, flags, 0));
  path.resize(parts.dwUrlPathLength);

  // The three steps, each handle closed here by the thread that opened it when a later step
  // fails.
  const DWORD requestFlags =
      flags | (parts.nScheme == INTERNET_SCHEME_HTTPS ? INTERNET_FLAG_SECURE : 0);
  HINTERNET connection = InternetConnectA(AsHandle(root), host, parts.nPort, nullptr, nullptr,
                                          INTERNET_SERVICE_HTTP, 0, 0);
  if (!connection) return 0;
  HINTERNET request = HttpOpenRequestA(connection, "GET", path.empty() ? "/" : path.c_str(),
                                       nullptr, nullptr, nullptr, requestFlags, 0);
  DWORD error = request ? ERROR_SUCCESS : GetLastError();
  if (request) {
    SetTimeOuts(request);
    if (!HttpSendRequestA(request, nullptr, 0, nullptr, 0)) {
      error = GetLastError();
      InternetCloseHandle(std::exchange(request, nullptr));
    }
  }
  if (!request) {
    InternetCloseHandle(connection);
    SetLastError(error);
    return 0;
  }
  connections_[FromHandle(request)] = FromHandle(connection);
  return FromHandle(request);
}

void Win32Internet::CloseHandle(Handle handle) {
  InternetCloseHandle(AsHandle(handle));
  if (auto opened = connections_.find(handle); opened != connections_.end()) {
    InternetCloseHandle(AsHandle(opened->second));
    connections_.erase(opened);
  }
}

}  // namespace zormint::win32

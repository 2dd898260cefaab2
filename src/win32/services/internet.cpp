// First: see win32_windows.h.
#include "win32/com/win32_windows.h"

#include "win32/services/internet.h"

#include <wininet.h>

#include <memory>
#include <mutex>
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

namespace {

// One request being opened: what the worker thread made, and who closes what.
struct PendingRequest {
  HINTERNET root = nullptr;
  std::string host;
  INTERNET_PORT port = 0;
  std::string path;
  DWORD flags = 0;

  std::mutex mutex;
  HINTERNET connection = nullptr;  // closed by whoever takes it out
  HINTERNET request = nullptr;
  DWORD error = ERROR_SUCCESS;
  bool done = false;
  bool abandoned = false;  // the caller gave up waiting: the worker closes what it made
};

// The three steps, on the worker thread.
void OpenRequest(PendingRequest& p) {
  HINTERNET connection = InternetConnectA(p.root, p.host.c_str(), p.port, nullptr, nullptr,
                                          INTERNET_SERVICE_HTTP, 0, 0);
  DWORD error = connection ? ERROR_SUCCESS : GetLastError();
  {
    std::lock_guard<std::mutex> lock(p.mutex);
    if (p.abandoned) {
      if (connection) InternetCloseHandle(connection);
      p.done = true;
      return;
    }
    p.connection = connection;  // from here on the caller can cancel by closing it
  }
  HINTERNET request = nullptr;
  if (connection) {
    request =
        HttpOpenRequestA(connection, "GET", p.path.c_str(), nullptr, nullptr, nullptr, p.flags, 0);
    if (request) {
      SetTimeOuts(request);
      if (!HttpSendRequestA(request, nullptr, 0, nullptr, 0)) {
        error = GetLastError();
        InternetCloseHandle(std::exchange(request, nullptr));
      }
    } else {
      error = GetLastError();
    }
  }
  std::lock_guard<std::mutex> lock(p.mutex);
  if (p.abandoned) {
    if (request) InternetCloseHandle(request);
    if (HINTERNET left = std::exchange(p.connection, nullptr)) InternetCloseHandle(left);
  } else {
    p.request = request;
    p.error = error;
  }
  p.done = true;
}

struct WorkerStart {
  std::shared_ptr<PendingRequest> pending;
  HMODULE module;  // a reference of the worker's own: the library stays while it runs
};

DWORD WINAPI Worker(void* parameter) {
  std::unique_ptr<WorkerStart> start(static_cast<WorkerStart*>(parameter));
  try {
    OpenRequest(*start->pending);
  } catch (...) {
    // No memory for a path: the request stays unopened.
  }
  const HMODULE module = start->module;
  start.reset();
  FreeLibraryAndExitThread(module, 0);
}

}  // namespace

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

  auto pending = std::make_shared<PendingRequest>();
  pending->root = AsHandle(root);
  pending->host = host;
  pending->port = parts.nPort;
  pending->path = path.empty() ? "/" : path;
  pending->flags = flags | (parts.nScheme == INTERNET_SCHEME_HTTPS ? INTERNET_FLAG_SECURE : 0);

  HMODULE module = nullptr;
  HANDLE thread = nullptr;
  if (GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&Worker),
                         &module)) {
    auto* start = new WorkerStart{pending, module};
    thread = CreateThread(nullptr, 0, &Worker, start, 0, nullptr);
    if (!thread) {
      delete start;
      FreeLibrary(module);
    }
  }
  if (thread) {
    WaitForSingleObject(thread, kDeadlineMs);
    ::CloseHandle(thread);
  } else {
    OpenRequest(*pending);  // no thread to be had: the steps run here, bounded by the time-outs
  }

  std::lock_guard<std::mutex> lock(pending->mutex);
  if (!pending->done) {
    // Past the deadline: cancel what the worker waits for; it closes the rest when it returns.
    pending->abandoned = true;
    if (HINTERNET connection = std::exchange(pending->connection, nullptr)) {
      InternetCloseHandle(connection);
    }
    SetLastError(ERROR_INTERNET_TIMEOUT);
    return 0;
  }
  if (!pending->request) {
    if (pending->connection) InternetCloseHandle(pending->connection);
    SetLastError(pending->error);
    return 0;
  }
  connections_[FromHandle(pending->request)] = FromHandle(pending->connection);
  return FromHandle(pending->request);
}

void Win32Internet::CloseHandle(Handle handle) {
  InternetCloseHandle(AsHandle(handle));
  if (auto opened = connections_.find(handle); opened != connections_.end()) {
    InternetCloseHandle(AsHandle(opened->second));
    connections_.erase(opened);
  }
}

}  // namespace zormint::win32

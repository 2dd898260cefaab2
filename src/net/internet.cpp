#include "net/internet.h"

#include <string>

namespace zormint {
namespace {

// The agent name the probe gives the internet functions: the application's title.
constexpr const char* kAgent = "ZORMINT";
// INTERNET_OPEN_TYPE_PRECONFIG: the system's configured proxy settings.
constexpr uint32_t kOpenTypePreconfig = 0;
// INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_KEEP_CONNECTION: always ask
// the server, and keep nothing of its answer.
constexpr uint32_t kOpenUrlFlags = 0x84400000u;

// Writes a trapped error to the application event log. A log that cannot be written is
// ignored: the probe never lets a failure out.
void LogRunTimeError(Globals& g, const char* where, const FailureInfo& failure) noexcept {
  Attempt("CInternet: event log entry", [&] {
    std::string text = "A run-time error has occurred in ";
    text += where;
    text += ".\r\n";
    text += "at Line : 0\r\n";
    text += "Error Number : " + std::to_string(failure.code) + "\r\n";
    text += "Error Description : " + failure.description + "\r\n";
    Require(g.services.eventLog, "EventLog")->ReportError(text);
  });
}

}  // namespace

void CInternet::Refresh() noexcept {
  FailureInfo failure;
  const bool completed = Attempt(
      "CInternet.Refresh",
      [&] {
        mbConnected = false;
        mbConnected = Require(g_.services.internet, "Internet")->GetConnectedState();
        if (mbConnected) mbConnected = TryToOpenURL();
      },
      failure);
  if (!completed) LogRunTimeError(g_, "CInternet.Refresh", failure);
}

bool CInternet::Probe(std::shared_ptr<platform::Internet> internet,
                      std::shared_ptr<platform::EventLog> eventLog) noexcept {
  bool connected = false;
  Attempt("CInternet.Probe", [&] {
    Globals own;
    own.services.internet = std::move(internet);
    own.services.eventLog = std::move(eventLog);
    CInternet probe(own);
    probe.Refresh();
    connected = probe.IsConnected();
  });
  return connected;
}

bool CInternet::TryToOpenURL() noexcept {
  using Handle = platform::Internet::Handle;
  Handle root = 0;
  Handle request = 0;
  // Handles this probe has opened and not yet handed back, so that a failure half-way does not
  // leave them open.
  bool rootHeld = false;
  bool requestHeld = false;
  bool reached = false;

  FailureInfo failure;
  const bool completed = Attempt(
      "CInternet.TryToOpenURL",
      [&] {
        const auto internet = Require(g_.services.internet, "Internet");
        root = internet->Open(kAgent, kOpenTypePreconfig, 0);
        rootHeld = root != 0;
        if (root != 0) {
          request = internet->OpenUrl(root, kBannerUrl, kOpenUrlFlags);
          requestHeld = request != 0;
          if (request != 0) {
            requestHeld = false;
            internet->CloseHandle(request);
            rootHeld = false;
            internet->CloseHandle(root);
            reached = true;
            return;
          }
        }
        // No root handle, or the address did not open. The root handle is handed back even
        // when it is 0.
        rootHeld = false;
        internet->CloseHandle(root);
      },
      failure);
  if (completed) return reached;

  LogRunTimeError(g_, "CInternet.TryToOpenURL", failure);
  if (g_.services.internet) {
    if (requestHeld)
      Attempt("CInternet.TryToOpenURL: close the request",
              [&] { g_.services.internet->CloseHandle(request); });
    if (rootHeld)
      Attempt("CInternet.TryToOpenURL: close the session",
              [&] { g_.services.internet->CloseHandle(root); });
  }
  return false;
}

}  // namespace zormint

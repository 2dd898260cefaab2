// The Windows Internet functions the connectivity probe uses, in their ANSI form. Texts are
// passed as they are: the probe's agent name and address are plain ASCII. A zero handle is the
// answer of a failing call, never an error.
#pragma once

#include <string>

#include "platform/platform.h"

namespace zormint::win32 {

// The probe runs on Outlook's user-interface thread, so it must never wait long: a server that
// accepts the connection and never answers (a captive portal, a dropped connection, a firewall
// that swallows packets) would otherwise hold Outlook for WinInet's own time-outs, tens of
// seconds. Every session the probe opens gets time-outs of its own, which bound a whole probe to
// about 5 seconds: one connection attempt of at most 2 s, then at most 1 s to send the request
// and 2 s for the answer to begin. A time-out ends the request like an unreachable server: no
// request handle, so the banner keeps the embedded page. (Looking up the server's name is not
// covered by these: the system's resolver answers from its cache or fails quickly when there is
// no network.)
class Win32Internet : public platform::Internet {
 public:
  static constexpr unsigned long kConnectTimeoutMs = 2000;
  static constexpr unsigned long kSendTimeoutMs = 1000;
  static constexpr unsigned long kReceiveTimeoutMs = 2000;
  static constexpr unsigned long kConnectRetries = 1;

  bool GetConnectedState() override;  // InternetGetConnectedState
  // InternetOpenA(agent, access type, no proxy, no proxy bypass, flags), then the time-outs
  // above on the new session (its requests inherit them).
  Handle Open(const std::string& agent, uint32_t accessType, uint32_t flags) override;
  // InternetOpenUrlA(root, url, no headers, flags, context 0)
  Handle OpenUrl(Handle root, const std::string& url, uint32_t flags) override;
  void CloseHandle(Handle handle) override;  // InternetCloseHandle; its result is not looked at
};

}  // namespace zormint::win32

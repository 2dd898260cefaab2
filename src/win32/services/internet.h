// The Windows Internet functions the connectivity probe uses, in their ANSI form. Texts are
// passed as they are: the probe's agent name and address are plain ASCII. A zero handle is the
// answer of a failing call, never an error.
#pragma once

#include <map>
#include <string>

#include "platform/platform.h"

namespace zormint::win32 {

// The probe runs on a worker thread of the dialog, never on Outlook's user-interface thread,
// and every handle it uses is opened and closed on that worker. It still must not run for ever:
// a server that accepts the connection and never answers (a captive portal, a dropped
// connection, a firewall that swallows packets) would otherwise keep the worker, and the library
// it holds loaded, for WinInet's own time-outs, tens of seconds or for ever. Every request of
// the probe gets time-outs of its own: one connection attempt of at most 2 s, then at most 1 s
// to send the request and 2 s for the answer to begin. A time-out ends the request like an
// unreachable server: no request handle, so the banner keeps the embedded page.
//
// Time-outs set on a session are not applied to the requests InternetOpenUrl makes by itself
// in every WinInet (Wine's ignores the send and receive time-outs of a session), so an http or
// https address is opened in WinInet's own three steps instead (InternetConnect,
// HttpOpenRequest, HttpSendRequest), with the time-outs set on the request before it is sent.
// The request handle then stands for the whole: closing it closes its connection too. Not every
// WinInet honours the connect time-out (Wine's waits for the system's own when nobody accepts);
// the worker then ends when the system gives up, and nobody waits for it.
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
  // Opens the address as InternetOpenUrlA(root, url, no headers, flags, context 0) does, in
  // the three steps above for http and https.
  Handle OpenUrl(Handle root, const std::string& url, uint32_t flags) override;
  void CloseHandle(Handle handle) override;  // InternetCloseHandle; its result is not looked at

 private:
  std::map<Handle, Handle> connections_;  // request -> the connection opened for it
};

}  // namespace zormint::win32

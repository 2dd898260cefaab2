// Small services of the Windows build: the local clock, the message pump and the application
// event log.
#pragma once

#include <string>

#include "platform/platform.h"

namespace zormint::win32 {

class Win32Clock : public platform::Clock {
 public:
  platform::LocalTime Now() override;  // GetLocalTime
};

// Processes the messages that are waiting for this thread, as DoEvents does, and returns when
// none is left. A quit message is put back for the thread's own message loop and ends the call.
// A window that keeps posting to itself cannot hold the caller: one call handles at most
// kMaxMessages messages.
class Win32MessagePump : public platform::MessagePump {
 public:
  static constexpr int kMaxMessages = 1000;
  void DoEvents() override;
};

// Error entries in the Application log, under the source "ZORMINT".
class Win32EventLog : public platform::EventLog {
 public:
  void ReportError(const std::string& text) override;
};

}  // namespace zormint::win32

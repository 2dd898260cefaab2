// The Windows Internet functions the connectivity probe uses, in their ANSI form. Texts are
// passed as they are: the probe's agent name and address are plain ASCII. A zero handle is the
// answer of a failing call, never an error.
#pragma once

#include <string>

#include "platform/platform.h"

namespace zormint::win32 {

class Win32Internet : public platform::Internet {
 public:
  bool GetConnectedState() override;  // InternetGetConnectedState
  // InternetOpenA(agent, access type, no proxy, no proxy bypass, flags)
  Handle Open(const std::string& agent, uint32_t accessType, uint32_t flags) override;
  // InternetOpenUrlA(root, url, no headers, flags, context 0)
  Handle OpenUrl(Handle root, const std::string& url, uint32_t flags) override;
  void CloseHandle(Handle handle) override;  // InternetCloseHandle; its result is not looked at
};

}  // namespace zormint::win32

// Turning a failed Windows call into the add-in's failure type, with the system's own words for
// what went wrong.
#pragma once

// First: see win32_windows.h.
#include "win32/win32_windows.h"

#include <cstdint>
#include <string>

namespace zormint::win32 {

// The system's message for a Windows error code, in UTF-8, without the trailing line break;
// "error <n>" when the system has none.
std::string SystemMessage(DWORD error);

// Throws ZError with `code` and a description of the form "<what>: <path> (<system message>)".
[[noreturn]] void FailWithSystemError(int32_t code, const std::string& what,
                                      const std::string& path, DWORD error);

// The HRESULT of a Windows error code, as COM reports it (0x8007xxxx).
inline int32_t HresultOf(DWORD error) {
  return static_cast<int32_t>(HRESULT_FROM_WIN32(error));
}

}  // namespace zormint::win32

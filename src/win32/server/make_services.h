// The platform services of the Windows build (file system, shell, settings store, WinInet,
// event log, ...), gathered for the add-in core.
#pragma once

#include "context/globals.h"

namespace zormint::win32 {

// The Win32 implementations of the platform services, one of each, for the life of the library,
// the real dialog toolkit included.
Services MakeServices();

class Win32TraceLog;
// The library's trace of skipped failures, made and installed as the trace sink on first use.
Win32TraceLog& TraceLog();

}  // namespace zormint::win32

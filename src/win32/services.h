// The platform services of the Windows build (file system, shell, settings store, WinInet,
// event log, ...), gathered for the add-in core.
#pragma once

#include "common/globals.h"

namespace zormint::win32 {

// The Win32 implementations of the platform services, one of each, for the life of the library.
// The dialog toolkit is not among them: it stays empty here, and a core step that needs it fails
// like a call on a reference that is none.
Services MakeServices();

}  // namespace zormint::win32

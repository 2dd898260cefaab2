// The platform services of the Windows build (file system, shell, settings store, WinInet,
// event log, ...), gathered for the add-in core.
#pragma once

#include "common/globals.h"

namespace zormint::win32 {

// The Win32 implementations of the platform services. None exists yet: every member is empty
// until they are written, and a core step that needs one fails like a call on a reference that
// is none.
Services MakeServices();

}  // namespace zormint::win32

// The bridge from Outlook's COM objects to the host interface the add-in core is written
// against.
#pragma once

#include <oaidl.h>
#include <windows.h>

#include <memory>

#include "host/host.h"

namespace zormint::win32 {

// Wraps Outlook's Application object, as OnConnection receives it, in host::Application; the
// wrapper holds its own reference to `application`. Returns nullptr when there is nothing to
// wrap.
//
// The IDispatch adapters of the Outlook objects do not exist yet: until they do this always
// returns nullptr, and the add-in core treats the connection as one without an Explorer.
std::shared_ptr<host::Application> WrapApplication(IDispatch* application);

}  // namespace zormint::win32

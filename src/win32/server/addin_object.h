// The COM add-in class ZORMINT.dsrWrapper: Outlook creates it and calls its IDTExtensibility2
// methods (through the vtable or through IDispatch). Each method forwards to the add-in core
// and reports S_OK whatever happened inside: nothing ever reaches Outlook.
#pragma once

#include <windows.h>

namespace zormint::win32 {

// Creates a new add-in object and returns its `riid` interface in *object.
HRESULT CreateAddinObject(REFIID riid, void** object) noexcept;

}  // namespace zormint::win32

// The class object of ZORMINT.dsrWrapper, as DllGetClassObject hands it out.
#pragma once

#include <windows.h>

namespace zormint::win32 {

// The class object for `clsid` (only CLSID_dsrWrapper is served), as its `riid` interface.
HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** object) noexcept;

}  // namespace zormint::win32

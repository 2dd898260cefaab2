// Self-registration of ZORMINT.dll for the current user (HKCU, no administrator rights), in the
// registry view of the DLL's own bitness:
//   Software\Classes\CLSID\{clsid}                 the add-in class, its in-process server,
//                                                  ProgID and type library
//   Software\Classes\ZORMINT.dsrWrapper            the ProgID
//   Software\Classes\TypeLib\{libid}\1.0           the embedded type library
//   Software\Microsoft\Office\Outlook\Addins\ZORMINT.dsrWrapper
//                                                  the Outlook add-in entry
// Unregistration removes these keys and nothing else: the shared parent keys stay, and the
// type library's own key only goes when no other version of it is registered.
#pragma once

#include <windows.h>

namespace zormint::win32 {

// Writes every entry. Every registry call is checked; on the first failure, whatever was
// written is removed again and that failure is returned.
HRESULT RegisterServer() noexcept;

// Removes every entry; entries that are already gone are no failure.
HRESULT UnregisterServer() noexcept;

}  // namespace zormint::win32

// The type library embedded in ZORMINT.dll (resource TYPELIB 1, built from zormint.idl), and the
// numbers it defines: CLSID_dsrWrapper, LIBID_ZORMINT and IID_IDTExtensibility2. The add-in
// object reads its IDispatch from the same library (win32/com/dispatch.h).
#pragma once

#include <oaidl.h>
#include <windows.h>

#include <string>

#include "zormint_idl.h"

namespace zormint::win32 {

constexpr WORD kTypeLibMajor = 1;
constexpr WORD kTypeLibMinor = 0;

// Checks that the library embedded in this module is ZORMINT's (its number and version) and
// reads its description.
HRESULT ReadTypeLibDescription(std::wstring& description) noexcept;

}  // namespace zormint::win32

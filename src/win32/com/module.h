// The DLL as a COM server: its module handle and path, and the counts that decide whether
// COM may unload it (live objects, class factories included, and server locks).
#pragma once

#include <windows.h>

#include <string>

namespace zormint::win32 {

// The module this code is linked into (ZORMINT.dll, or a test program that links it).
HMODULE ThisModule() noexcept;

// The full path of ThisModule(); empty when it cannot be found.
std::wstring ThisModulePath();

// The registry view of this module's own bitness: a 64-bit DLL registers in the 64-bit view and
// a 32-bit one in the 32-bit view, which is where Outlook of the same bitness looks.
#ifdef _WIN64
constexpr REGSAM kOwnRegistryView = KEY_WOW64_64KEY;
#else
constexpr REGSAM kOwnRegistryView = KEY_WOW64_32KEY;
#endif

// Every COM object, window and handler of the library that Windows or COM may still call counts
// as one use of the module; while any is alive, COM must not unload it.
void ObjectCreated() noexcept;
void ObjectDestroyed() noexcept;

// One use of the module for the life of its holder (a window of the library, a running handler).
class ModuleUse {
 public:
  ModuleUse() noexcept { ObjectCreated(); }
  ModuleUse(const ModuleUse&) noexcept { ObjectCreated(); }
  ModuleUse& operator=(const ModuleUse&) noexcept = default;
  ~ModuleUse() { ObjectDestroyed(); }
};

void LockServer() noexcept;
// Returns false when there was no lock to release (the count never goes below zero).
bool UnlockServer() noexcept;
bool ServerInUse() noexcept;

}  // namespace zormint::win32

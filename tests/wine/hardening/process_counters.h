// What a process holds, for the long-run tests: kernel handles, GDI and USER objects, private
// memory and the bytes in use in its heaps.
//
// Windows answers the first three through GetProcessHandleCount, GetGuiResources and
// GetProcessMemoryInfo. Wine 8 answers 0 to all three (GetGuiResources is a stub), so each count
// falls back to another source: the handles of this process in the system's handle list, the
// GDI objects found by their index in Wine's handle table, the windows of this process, the
// committed private pages.
#pragma once

#include <cstddef>
#include <string>

namespace zormint::wine_test::hardening {

struct ProcessCounters {
  size_t handles = 0;
  size_t gdiObjects = 0;
  size_t userObjects = 0;  // GetGuiResources, or the windows of this process where it says 0
  size_t privateBytes = 0;
  size_t heapBytes = 0;  // the busy blocks of every heap of the process
  // Where each count came from, for the report ("GetProcessHandleCount", "handle list" ...).
  std::string sources;

  static ProcessCounters Now();
  std::string Text() const;
};

}  // namespace zormint::wine_test::hardening

// What the hardening tests share: measuring the process (heap in use, open descriptors), looking
// at everything on disk under a test directory, and counting what was tried for the figures.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace zormint::test {

// Bytes of heap the program has in use right now: the sanitizer allocator's own count under
// AddressSanitizer, glibc's count otherwise. Only differences between two readings mean anything.
size_t HeapInUse();

// The number of file descriptors the process has open.
size_t OpenDescriptors();

// Every regular file and link under `root` (paths relative to it, with "/"), with its content (a
// link: "-> " and its target). Folders are listed with a trailing "/" and no content.
using Tree = std::map<std::string, std::string>;
Tree ReadTree(const std::filesystem::path& root);

// The entries of `after` that are new or changed since `before`, and those that are gone.
struct TreeChange {
  std::vector<std::string> added, changed, removed;
};
TreeChange Compare(const Tree& before, const Tree& after);

// True when a path relative to the test directory lies inside a working folder: a folder whose
// name starts with "ZORMINT$" (any case) directly under "Temp" or "Windows/Temp".
bool InWorkingFolder(const std::string& relative);

// Totals for docs/reliability.md, printed by the tests as "[ FIGURE   ] name: value" lines and
// recorded as test properties.
void Figure(const std::string& name, size_t value);

// True when the process can ignore file permissions (root): read-only files and folders then
// stop nothing, and the tests say what they expect in either case.
bool PermissionsIgnored();

}  // namespace zormint::test

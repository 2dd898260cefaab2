#include "win32/com/module.h"

#include <atomic>
#include <vector>

namespace zormint::win32 {

namespace {
std::atomic<long> gObjects{0};
std::atomic<long> gLocks{0};
}  // namespace

HMODULE ThisModule() noexcept {
  HMODULE module = nullptr;
  // The module that contains this very function, whatever name it was loaded under.
  if (!GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCWSTR>(&ThisModule), &module)) {
    return nullptr;
  }
  return module;
}

std::wstring ThisModulePath() {
  HMODULE module = ThisModule();
  if (!module) return {};
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    DWORD length = GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) return std::wstring(buffer.data(), length);
    if (buffer.size() >= 32768) return {};
    buffer.resize(buffer.size() * 2);
  }
}

void ObjectCreated() noexcept {
  ++gObjects;
}
void ObjectDestroyed() noexcept {
  --gObjects;
}
void LockServer() noexcept {
  ++gLocks;
}

bool UnlockServer() noexcept {
  long locks = gLocks.load();
  while (locks > 0) {
    if (gLocks.compare_exchange_weak(locks, locks - 1)) return true;
  }
  return false;
}

bool ServerInUse() noexcept {
  return gObjects.load() > 0 || gLocks.load() > 0;
}

}  // namespace zormint::win32

#include "process_counters.h"

#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>
#include <winternl.h>

#include <cstdint>
#include <sstream>
#include <vector>

namespace zormint::wine_test::hardening {

namespace {

// SystemExtendedHandleInformation: every open handle of the system, with its process.
constexpr ULONG kSystemExtendedHandleInformation = 64;
constexpr NTSTATUS kInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004L);

struct HandleEntry {
  PVOID object;
  ULONG_PTR process;
  ULONG_PTR value;
  ULONG access;
  USHORT backTrace;
  USHORT type;
  ULONG attributes;
  ULONG reserved;
};
struct HandleList {
  ULONG_PTR count;
  ULONG_PTR reserved;
  HandleEntry handles[1];
};

using QuerySystem = NTSTATUS(WINAPI*)(ULONG, PVOID, ULONG, PULONG);

size_t HandlesInSystemList() {
  auto query = reinterpret_cast<QuerySystem>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  if (!query) return 0;
  std::vector<unsigned char> buffer(1 << 16);
  NTSTATUS status;
  ULONG needed = 0;
  while ((status = query(kSystemExtendedHandleInformation, buffer.data(),
                         static_cast<ULONG>(buffer.size()), &needed)) == kInfoLengthMismatch) {
    buffer.resize(buffer.size() * 2);
    if (buffer.size() > (64u << 20)) return 0;
  }
  if (status != 0) return 0;
  const auto* list = reinterpret_cast<const HandleList*>(buffer.data());
  const ULONG_PTR self = GetCurrentProcessId();
  size_t count = 0;
  for (ULONG_PTR i = 0; i < list->count; ++i) {
    if (list->handles[i].process == self) ++count;
  }
  return count;
}

// Wine's GDI takes a handle given by its table index alone (the upper half, which carries the
// type and the generation, zero) for the object at that index: every index that names an
// object is one GDI object of this process.
size_t GdiObjectsByIndex() {
  size_t count = 0;
  for (ULONG_PTR index = 1; index < 0x10000; ++index) {
    if (GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0) ++count;
  }
  return count;
}

BOOL CALLBACK CountChild(HWND, LPARAM count) {
  ++*reinterpret_cast<size_t*>(count);
  return TRUE;
}

size_t WindowsOfThisProcess() {
  const DWORD self = GetCurrentProcessId();
  size_t count = 0;
  for (HWND parent : {static_cast<HWND>(nullptr), HWND_MESSAGE}) {
    for (HWND window = nullptr; (window = FindWindowExW(parent, window, nullptr, nullptr));) {
      DWORD process = 0;
      GetWindowThreadProcessId(window, &process);
      if (process != self) continue;
      ++count;
      EnumChildWindows(window, CountChild, reinterpret_cast<LPARAM>(&count));
    }
  }
  return count;
}

size_t CommittedPrivateBytes() {
  size_t total = 0;
  MEMORY_BASIC_INFORMATION region;
  const char* address = nullptr;
  while (VirtualQuery(address, &region, sizeof region) == sizeof region) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
    const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
    if (next <= address) break;
    address = next;
  }
  return total;
}

size_t HeapBytesInUse() {
  std::vector<HANDLE> heaps(64);
  DWORD count = GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data());
  if (count > heaps.size()) {
    heaps.resize(count + 16);
    count = GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data());
  }
  size_t total = 0;
  for (DWORD i = 0; i < count && i < heaps.size(); ++i) {
    if (!HeapLock(heaps[i])) continue;
    PROCESS_HEAP_ENTRY entry = {};
    while (HeapWalk(heaps[i], &entry)) {
      if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) total += entry.cbData;
    }
    HeapUnlock(heaps[i]);
  }
  return total;
}

}  // namespace

ProcessCounters ProcessCounters::Now() {
  ProcessCounters c;
  std::ostringstream sources;
  DWORD handles = 0;
  if (GetProcessHandleCount(GetCurrentProcess(), &handles) && handles > 0) {
    c.handles = handles;
    sources << "handles: GetProcessHandleCount";
  } else {
    c.handles = HandlesInSystemList();
    sources << "handles: system handle list";
  }
  c.gdiObjects = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  if (c.gdiObjects > 0) {
    sources << "; GDI: GetGuiResources";
  } else {
    c.gdiObjects = GdiObjectsByIndex();
    sources << "; GDI: objects by table index";
  }
  c.userObjects = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
  if (c.userObjects > 0) {
    sources << "; USER: GetGuiResources";
  } else {
    c.userObjects = WindowsOfThisProcess();
    sources << "; USER: windows of the process";
  }
  PROCESS_MEMORY_COUNTERS_EX memory = {};
  memory.cb = sizeof memory;
  if (GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                           sizeof memory) &&
      memory.PrivateUsage > 0) {
    c.privateBytes = memory.PrivateUsage;
    sources << "; private bytes: GetProcessMemoryInfo";
  } else {
    c.privateBytes = CommittedPrivateBytes();
    sources << "; private bytes: committed private pages";
  }
  c.heapBytes = HeapBytesInUse();
  c.sources = sources.str();
  return c;
}

std::string ProcessCounters::Text() const {
  std::ostringstream out;
  out << handles << " handles, " << gdiObjects << " GDI objects, " << userObjects
      << " USER objects, " << privateBytes / 1024 << " KiB private, " << heapBytes / 1024
      << " KiB in heaps";
  return out.str();
}

}  // namespace zormint::wine_test::hardening

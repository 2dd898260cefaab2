// What the COM add-in class forwards Outlook's five add-in events to: the add-in core
// (zormint::dsrWrapper) with the Win32 services and the Application wrapped for it.
#pragma once

#include <oaidl.h>
#include <windows.h>

#include <cstdint>
#include <memory>

namespace zormint::win32 {

class AddinCore {
 public:
  virtual ~AddinCore() = default;
  virtual void OnConnection(IDispatch* application, int32_t connectMode) noexcept = 0;
  virtual void OnDisconnection(int32_t removeMode) noexcept = 0;
  virtual void OnAddInsUpdate() noexcept = 0;
  virtual void OnStartupComplete() noexcept = 0;
  virtual void OnBeginShutdown() noexcept = 0;
};

// One core per add-in object. May throw (std::bad_alloc, or whatever the core's construction
// throws).
std::unique_ptr<AddinCore> CreateAddinCore();

}  // namespace zormint::win32

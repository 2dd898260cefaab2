// Pictures from the bitmap resources of a module (ZORMINT.dll itself by default), as the
// picture objects (IPictureDisp) that Office command-bar buttons take, handed to the core as
// ComPicture.
#pragma once

// First: see win32_windows.h.
#include "win32/win32_windows.h"

#include <memory>

#include "host/host.h"
#include "platform/platform.h"

namespace zormint::win32 {

class Win32Resources : public platform::Resources {
 public:
  // Loads from `module`; nullptr stands for the module this code is linked into.
  explicit Win32Resources(HMODULE module = nullptr);
  // The bitmap resource `resourceId` as a picture object that owns its bitmap. Fails with the
  // run-time error "Resource with identifier not found" (326) when there is no such bitmap.
  std::shared_ptr<host::Picture> LoadBitmapPicture(int32_t resourceId) override;

 private:
  HMODULE module_;
};

}  // namespace zormint::win32

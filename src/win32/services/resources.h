// Pictures from the bitmap resources of a module (ZORMINT.dll itself by default), as the
// picture objects (IPictureDisp) that Office command-bar buttons take, handed to the core as
// ComPicture.
#pragma once

// First: see win32_windows.h.
#include "win32/com/win32_windows.h"

#include <olectl.h>

#include <memory>
#include <utility>

#include "host/host.h"
#include "platform/platform.h"
#include "win32/com/com_ref.h"

namespace zormint::win32 {

// A host::Picture over an IPictureDisp (the button face loaded from the DLL's resources): what a
// button's Picture property is given.
class ComPicture final : public host::Picture {
 public:
  explicit ComPicture(ComRef<IPictureDisp> picture) noexcept : picture_(std::move(picture)) {}
  // The picture, still owned here (no reference is added).
  IPictureDisp* Get() const noexcept { return picture_.Get(); }

 private:
  ComRef<IPictureDisp> picture_;
};

class Win32Resources : public platform::Resources {
 public:
  // Loads from `module`; nullptr stands for the module this code is linked into.
  explicit Win32Resources(HMODULE module = nullptr);
  // The bitmap resource `resourceId` as a picture object that owns its bitmap. Fails with the
  // run-time error "Resource with identifier not found" (326) when there is no such bitmap.
  std::shared_ptr<host::Picture> LoadBitmapPicture(int32_t resourceId) override;
  // The same for a 32-bit bitmap, kept as a DIB section so that its alpha channel survives.
  std::shared_ptr<host::Picture> LoadAlphaPicture(int32_t resourceId) override;

 private:
  std::shared_ptr<host::Picture> Load(int32_t resourceId, UINT flags);

  HMODULE module_;
};

}  // namespace zormint::win32

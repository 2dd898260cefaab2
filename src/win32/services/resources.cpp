// First: see win32_windows.h.
#include "win32/com/win32_windows.h"

#include "win32/services/resources.h"

#include <olectl.h>

#include "common/error.h"
#include "win32/com/failure.h"
#include "win32/com/module.h"

namespace zormint::win32 {

namespace {
constexpr int32_t kResourceNotFound = 326;
}  // namespace

Win32Resources::Win32Resources(HMODULE module) : module_(module ? module : ThisModule()) {}

std::shared_ptr<host::Picture> Win32Resources::LoadBitmapPicture(int32_t resourceId) {
  return Load(resourceId, LR_DEFAULTCOLOR);
}

std::shared_ptr<host::Picture> Win32Resources::LoadAlphaPicture(int32_t resourceId) {
  return Load(resourceId, LR_CREATEDIBSECTION);
}

std::shared_ptr<host::Picture> Win32Resources::Load(int32_t resourceId, UINT flags) {
  const std::string what = "Resource with identifier " + std::to_string(resourceId) + " not found";
  if (!module_ || resourceId <= 0 || resourceId > 0xFFFF) Fail(kResourceNotFound, what);
  HANDLE image = LoadImageW(module_, MAKEINTRESOURCEW(resourceId), IMAGE_BITMAP, 0, 0, flags);
  if (!image) FailWithSystemError(kResourceNotFound, what, "", GetLastError());
  HBITMAP bitmap = static_cast<HBITMAP>(image);

  PICTDESC description = {};
  description.cbSizeofstruct = sizeof(description);
  description.picType = PICTYPE_BITMAP;
  description.bmp.hbitmap = bitmap;
  description.bmp.hpal = nullptr;
  ComRef<IPictureDisp> picture;
  // The picture object owns the bitmap from here on (fOwn TRUE) and deletes it with itself.
  const HRESULT hr =
      OleCreatePictureIndirect(&description, IID_IPictureDisp, TRUE, picture.OutVoid());
  if (FAILED(hr) || !picture) {
    DeleteObject(bitmap);
    Fail(FAILED(hr) ? static_cast<int32_t>(hr) : err::kEFail,
         "Cannot make a picture of bitmap resource " + std::to_string(resourceId));
  }
  return std::make_shared<ComPicture>(std::move(picture));
}

}  // namespace zormint::win32

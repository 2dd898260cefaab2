#include "win32/dialog/look.h"

#include <cmath>
#include <cstring>

#include "resources/resources.h"
#include "win32/com/text.h"

namespace zormint::win32 {

namespace {

// The face scaled to a square icon of `size` pixels, fully opaque.
HICON IconFromBitmap(HBITMAP face, int size) {
  BITMAP info = {};
  if (!GetObjectW(face, sizeof info, &info) || info.bmWidth <= 0 || info.bmHeight <= 0) {
    return nullptr;
  }
  HDC screen = GetDC(nullptr);
  HDC source = CreateCompatibleDC(screen);
  HDC target = CreateCompatibleDC(screen);
  HBITMAP color = CreateCompatibleBitmap(screen, size, size);
  HBITMAP mask = CreateBitmap(size, size, 1, 1, nullptr);
  HICON icon = nullptr;
  if (source && target && color && mask) {
    HGDIOBJ oldSource = SelectObject(source, face);
    HGDIOBJ oldTarget = SelectObject(target, color);
    SetStretchBltMode(target, HALFTONE);
    SetBrushOrgEx(target, 0, 0, nullptr);
    StretchBlt(target, 0, 0, size, size, source, 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
    SelectObject(target, mask);
    PatBlt(target, 0, 0, size, size, BLACKNESS);  // an all-black mask: every pixel shows
    SelectObject(target, oldTarget);
    SelectObject(source, oldSource);
    ICONINFO parts = {TRUE, 0, 0, mask, color};
    icon = CreateIconIndirect(&parts);
  }
  if (mask) DeleteObject(mask);
  if (color) DeleteObject(color);
  if (target) DeleteDC(target);
  if (source) DeleteDC(source);
  ReleaseDC(nullptr, screen);
  return icon;
}

}  // namespace

FormIcons::~FormIcons() {
  if (bigIcon) DestroyIcon(bigIcon);
  if (smallIcon) DestroyIcon(smallIcon);
}

std::shared_ptr<FormIcons> MakeFormIcons(HMODULE module) {
  auto icons = std::make_shared<FormIcons>();
  HBITMAP face =
      static_cast<HBITMAP>(LoadImageW(module, MAKEINTRESOURCEW(resources::kButtonFaceBitmapId),
                                      IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  if (!face) return icons;
  icons->bigIcon = IconFromBitmap(face, GetSystemMetrics(SM_CXICON));
  icons->smallIcon = IconFromBitmap(face, GetSystemMetrics(SM_CXSMICON));
  DeleteObject(face);
  return icons;
}

std::vector<DWORD> EmptyDialogTemplate(DWORD style, DWORD exStyle, const std::wstring& caption) {
  // DLGTEMPLATE, then the menu (none), the window class (the standard one) and the caption.
  std::vector<WORD> words;
  auto put32 = [&words](DWORD value) {
    words.push_back(LOWORD(value));
    words.push_back(HIWORD(value));
  };
  put32(style);
  put32(exStyle);
  words.push_back(0);  // no controls
  for (int i = 0; i < 4; ++i)
    words.push_back(0);  // x, y, cx, cy: placed in pixels later
  words.push_back(0);    // no menu
  words.push_back(0);    // the dialog class
  for (wchar_t c : caption)
    words.push_back(static_cast<WORD>(c));
  words.push_back(0);
  std::vector<DWORD> storage((words.size() * sizeof(WORD) + sizeof(DWORD) - 1) / sizeof(DWORD));
  std::memcpy(storage.data(), words.data(), words.size() * sizeof(WORD));
  return storage;
}

DWORD FormStyle(const platform::FormLayout& layout) {
  // A popup with caption and system menu; a fixed border is a single line that cannot be
  // dragged. No DS_MODALFRAME: that frame hides the form's icon from its caption.
  DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPSIBLINGS;
  if (!layout.fixedBorder) style |= WS_THICKFRAME;
  if (layout.minButton) style |= WS_MINIMIZEBOX;
  if (layout.maxButton) style |= WS_MAXIMIZEBOX;
  return style;
}

int ScreenDpi() {
  HDC screen = GetDC(nullptr);
  int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

HFONT CreateFormFont(const platform::FormLayout& layout, int dpi) {
  // Points to pixels: 8.25 pt is 11 pixels at 96 dpi.
  const int height = -static_cast<int>(std::lround(layout.fontSize * dpi / 72.0));
  return CreateFontW(height, 0, 0, 0, layout.fontBold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                     DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     DEFAULT_PITCH | FF_DONTCARE, Widen(layout.fontName).c_str());
}

RECT TwipsRect(int32_t left, int32_t top, int32_t width, int32_t height, int dpi) {
  RECT r;
  r.left = platform::TwipsToPixels(left, dpi);
  r.top = platform::TwipsToPixels(top, dpi);
  r.right = platform::TwipsToPixels(left + width, dpi);
  r.bottom = platform::TwipsToPixels(top + height, dpi);
  return r;
}

}  // namespace zormint::win32

#include "sim/window/window_toolbar.h"

#include <algorithm>
#include <cstdint>

#include "sim/com/com_face.h"
#include "win32/com/text.h"

namespace zormint::sim {

namespace {

// Everything of a control that decides its drawing, except whether it is enabled.
bool SameLook(const ControlView& a, const ControlView& b) {
  return a.type == b.type && a.caption == b.caption && a.tag == b.tag &&
         a.tooltipText == b.tooltipText && a.beginGroup == b.beginGroup && a.visible == b.visible &&
         a.style == b.style && a.picture == b.picture;
}

bool SameLook(const std::vector<ControlView>& a, const std::vector<ControlView>& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](const ControlView& x, const ControlView& y) { return SameLook(x, y); });
}

// A face of kFaceSize square pixels (0x00RRGGBB, top row first): the picture's own pixels,
// scaled when its size differs; a plain grey square when it has none (a picture that was not
// handed over as a bitmap).
std::vector<uint32_t> FacePixels(const host::Picture* picture) {
  constexpr int size = CommandBarStrip::kFaceSize;
  std::vector<uint32_t> pixels(size * size, 0xC0C0C0u);
  const auto* face = dynamic_cast<const com::BitmapFace*>(picture);
  if (face && face->width > 0 && face->height > 0 &&
      face->pixels.size() == static_cast<size_t>(face->width) * face->height) {
    for (int y = 0; y < size; ++y) {
      for (int x = 0; x < size; ++x) {
        pixels[y * size + x] =
            face->pixels[(y * face->height / size) * face->width + x * face->width / size];
      }
    }
    return pixels;
  }
  for (int i = 0; i < size; ++i) {
    pixels[i] = pixels[(size - 1) * size + i] = 0x808080u;
    pixels[i * size] = pixels[i * size + size - 1] = 0x808080u;
  }
  return pixels;
}

// The face as Office draws it on a disabled button: grey, washed out.
std::vector<uint32_t> Grayed(std::vector<uint32_t> pixels) {
  for (uint32_t& pixel : pixels) {
    const uint32_t r = (pixel >> 16) & 0xFF, g = (pixel >> 8) & 0xFF, b = pixel & 0xFF;
    const uint32_t light = 128 + (r * 30 + g * 59 + b * 11) / 200;
    pixel = (light << 16) | (light << 8) | light;
  }
  return pixels;
}

bool AddPixels(HIMAGELIST list, const std::vector<uint32_t>& pixels) {
  constexpr int size = CommandBarStrip::kFaceSize;
  const BITMAPINFO info = com::TopDownPixels(size, size);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap) return false;
  std::copy(pixels.begin(), pixels.end(), static_cast<uint32_t*>(bits));
  GdiFlush();
  const int index = ImageList_Add(list, bitmap, nullptr);
  DeleteObject(bitmap);
  return index >= 0;
}

}  // namespace

CommandBarStrip::~CommandBarStrip() {
  if (toolbar_ && IsWindow(toolbar_)) {
    SendMessageW(toolbar_, TB_SETIMAGELIST, 0, 0);
    SendMessageW(toolbar_, TB_SETDISABLEDIMAGELIST, 0, 0);
  }
  if (faces_) ImageList_Destroy(faces_);
  if (grayFaces_) ImageList_Destroy(grayFaces_);
}

bool CommandBarStrip::Create(HWND parent, int controlId, HFONT font, bool atTop) {
  const DWORD placement = atTop ? CCS_TOP : CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER;
  toolbar_ =
      CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                      WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TBSTYLE_FLAT | TBSTYLE_LIST |
                          TBSTYLE_TOOLTIPS | placement,
                      0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)),
                      GetModuleHandleW(nullptr), nullptr);
  if (!toolbar_) return false;
  SendMessageW(toolbar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  // Buttons without BTNS_SHOWTEXT show only their face.
  SendMessageW(toolbar_, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_MIXEDBUTTONS);
  if (font) SendMessageW(toolbar_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  faces_ = ImageList_Create(kFaceSize, kFaceSize, ILC_COLOR24, 4, 4);
  grayFaces_ = ImageList_Create(kFaceSize, kFaceSize, ILC_COLOR24, 4, 4);
  SendMessageW(toolbar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(faces_));
  SendMessageW(toolbar_, TB_SETDISABLEDIMAGELIST, 0, reinterpret_cast<LPARAM>(grayFaces_));
  SendMessageW(toolbar_, TB_AUTOSIZE, 0, 0);
  return true;
}

bool CommandBarStrip::Show(const std::vector<ControlView>& controls) {
  if (!toolbar_) return false;
  if (drawnOnce_ && SameLook(controls, shown_)) {
    bool changed = false;
    for (size_t i = 0; i < controls.size(); ++i) {
      if (controls[i].enabled == shown_[i].enabled) continue;
      SendMessageW(toolbar_, TB_ENABLEBUTTON, kFirstCommand + static_cast<int>(i),
                   MAKELONG(controls[i].enabled ? TRUE : FALSE, 0));
      changed = true;
    }
    shown_ = controls;
    return changed;
  }
  shown_ = controls;
  drawnOnce_ = true;
  Rebuild();
  return true;
}

void CommandBarStrip::Rebuild() {
  SendMessageW(toolbar_, WM_SETREDRAW, FALSE, 0);
  while (SendMessageW(toolbar_, TB_BUTTONCOUNT, 0, 0) > 0)
    SendMessageW(toolbar_, TB_DELETEBUTTON, 0, 0);
  ImageList_RemoveAll(faces_);
  ImageList_RemoveAll(grayFaces_);

  std::vector<TBBUTTON> buttons;
  std::vector<std::wstring> texts;
  texts.reserve(shown_.size());
  for (size_t i = 0; i < shown_.size(); ++i) {
    const ControlView& control = shown_[i];
    if (control.beginGroup && control.visible && !buttons.empty()) {
      TBBUTTON separator = {};
      separator.iBitmap = 8;  // its width
      separator.fsStyle = BTNS_SEP;
      separator.iString = -1;
      buttons.push_back(separator);
    }
    bool face = control.picture != nullptr, text = !face;  // the host default
    switch (control.style) {
      case 1:  // msoButtonIcon
        face = true;
        text = false;
        break;
      case 2:  // msoButtonCaption
        face = false;
        text = true;
        break;
      case 3:  // msoButtonIconAndCaption
        face = text = true;
        break;
      default:
        break;
    }
    if (control.type != host::kMsoControlButton) {  // drawn by its caption
      face = false;
      text = true;
    }
    TBBUTTON button = {};
    button.idCommand = kFirstCommand + static_cast<int>(i);
    button.iBitmap = face ? AddFace(control.picture.get()) : I_IMAGENONE;
    button.fsState = static_cast<BYTE>((control.enabled ? TBSTATE_ENABLED : 0) |
                                       (control.visible ? 0 : TBSTATE_HIDDEN));
    button.fsStyle = static_cast<BYTE>(BTNS_BUTTON | BTNS_AUTOSIZE | (text ? BTNS_SHOWTEXT : 0));
    texts.push_back(win32::Widen(control.caption));
    button.iString = texts.back().empty() ? -1 : reinterpret_cast<INT_PTR>(texts.back().c_str());
    buttons.push_back(button);
  }
  if (!buttons.empty()) {
    SendMessageW(toolbar_, TB_ADDBUTTONSW, buttons.size(),
                 reinterpret_cast<LPARAM>(buttons.data()));
  }
  SendMessageW(toolbar_, TB_AUTOSIZE, 0, 0);
  SendMessageW(toolbar_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(toolbar_, nullptr, TRUE);
}

int CommandBarStrip::AddFace(const host::Picture* picture) {
  const std::vector<uint32_t> pixels = FacePixels(picture);
  if (!AddPixels(faces_, pixels) || !AddPixels(grayFaces_, Grayed(pixels))) return I_IMAGENONE;
  return ImageList_GetImageCount(faces_) - 1;
}

const ControlView* CommandBarStrip::ControlOf(int command) const {
  const int index = command - kFirstCommand;
  if (index < 0 || index >= static_cast<int>(shown_.size())) return nullptr;
  return &shown_[static_cast<size_t>(index)];
}

std::wstring CommandBarStrip::TooltipOf(int command) const {
  const ControlView* control = ControlOf(command);
  if (!control) return std::wstring();
  if (!control->tooltipText.empty()) return win32::Widen(control->tooltipText);
  return PlainCaption(control->caption);
}

std::wstring CommandBarStrip::PlainCaption(const std::string& caption) {
  const std::wstring wide = win32::Widen(caption);
  std::wstring plain;
  for (size_t i = 0; i < wide.size(); ++i) {
    if (wide[i] == L'&' && ++i == wide.size()) break;  // the mark goes; "&&" leaves one
    plain += wide[i];
  }
  return plain;
}

}  // namespace zormint::sim

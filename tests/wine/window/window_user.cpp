#include "window_user.h"

#include <cstdio>

#include "sim/com/com_face.h"
#include "sim/window/window_session.h"

namespace zormint::wine_test::window {

using sim::kFolderTreeId;
using sim::kMessageListId;
using sim::kStatusBarId;
using sim::kToolbarId;

namespace {

// A top-down 32-bit DIB section with a memory DC, for reading pixels back.
class Canvas {
 public:
  Canvas(int width, int height) {
    const BITMAPINFO info = sim::com::TopDownPixels(width, height);
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
    if (dc_ && bitmap_) old_ = SelectObject(dc_, bitmap_);
    size_ = static_cast<size_t>(width) * static_cast<size_t>(height);
  }
  ~Canvas() {
    if (old_) SelectObject(dc_, old_);
    if (bitmap_) DeleteObject(bitmap_);
    if (dc_) DeleteDC(dc_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;
  HDC Dc() const { return dc_; }
  bool Ready() const { return old_ != nullptr; }
  std::vector<uint32_t> Pixels() const {
    GdiFlush();
    if (!bits_) return {};
    const auto* start = static_cast<const uint32_t*>(bits_);
    std::vector<uint32_t> pixels(start, start + size_);
    for (uint32_t& pixel : pixels)
      pixel &= 0x00FFFFFFu;
    return pixels;
  }

 private:
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  void* bits_ = nullptr;
  size_t size_ = 0;
};

}  // namespace

void Pump(DWORD ms) {
  const ULONGLONG end = GetTickCount64() + ms;
  do {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    Sleep(5);
  } while (GetTickCount64() < end);
}

bool PumpUntil(const std::function<bool()>& done, DWORD ms) {
  const ULONGLONG end = GetTickCount64() + ms;
  while (!done()) {
    if (GetTickCount64() >= end) return false;
    Pump(20);
  }
  return true;
}

HWND ToolbarOf(HWND frame, int bar) {
  return GetDlgItem(frame, bar);
}

std::vector<DrawnButton> DrawnButtons(HWND frame, int strip) {
  std::vector<DrawnButton> drawn;
  HWND bar = ToolbarOf(frame, strip);
  const int count = static_cast<int>(SendMessageW(bar, TB_BUTTONCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    TBBUTTON button = {};
    if (!SendMessageW(bar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button))) continue;
    DrawnButton d;
    d.command = button.idCommand;
    d.separator = (button.fsStyle & BTNS_SEP) != 0;
    d.enabled = (button.fsState & TBSTATE_ENABLED) != 0;
    d.hidden = (button.fsState & TBSTATE_HIDDEN) != 0;
    d.showsText = (button.fsStyle & BTNS_SHOWTEXT) != 0;
    d.image = d.separator ? -1 : button.iBitmap;
    SendMessageW(bar, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&d.rect));
    if (!d.separator) {
      wchar_t text[256] = {};
      if (SendMessageW(bar, TB_GETBUTTONTEXTW, d.command, reinterpret_cast<LPARAM>(text)) > 0) {
        d.text = text;
      }
      wchar_t tip[256] = {};
      NMTBGETINFOTIPW question = {};
      question.hdr.hwndFrom = bar;
      question.hdr.idFrom = kToolbarId;
      question.hdr.code = TBN_GETINFOTIPW;
      question.pszText = tip;
      question.cchTextMax = 256;
      question.iItem = d.command;
      SendMessageW(frame, WM_NOTIFY, kToolbarId, reinterpret_cast<LPARAM>(&question));
      d.tooltip = tip;
    }
    drawn.push_back(d);
  }
  return drawn;
}

void Press(HWND frame, int command, int strip) {
  HWND bar = ToolbarOf(frame, strip);
  RECT r = {};
  if (!SendMessageW(bar, TB_GETRECT, command, reinterpret_cast<LPARAM>(&r))) return;
  const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  SendMessageW(bar, WM_MOUSEMOVE, 0, at);
  SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(bar, WM_LBUTTONUP, 0, at);
  Pump(50);
}

int RowOf(HWND frame, int item) {
  LVFINDINFOW find = {};
  find.flags = LVFI_PARAM;
  find.lParam = item;
  return static_cast<int>(SendMessageW(GetDlgItem(frame, kMessageListId), LVM_FINDITEMW,
                                       static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
}

void SelectRows(HWND frame, const std::vector<int>& items) {
  HWND list = GetDlgItem(frame, kMessageListId);
  LVITEMW state = {};
  state.stateMask = LVIS_SELECTED;
  state.state = 0;
  SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
  for (int item : items) {
    state.state = LVIS_SELECTED;
    SendMessageW(list, LVM_SETITEMSTATE, RowOf(frame, item), reinterpret_cast<LPARAM>(&state));
  }
  Pump(50);
}

bool PickFolder(HWND frame, const std::wstring& name) {
  HWND tree = GetDlgItem(frame, kFolderTreeId);
  auto next = [&](HTREEITEM item, WPARAM how) {
    return reinterpret_cast<HTREEITEM>(
        SendMessageW(tree, TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(item)));
  };
  for (HTREEITEM root = next(nullptr, TVGN_ROOT); root; root = next(root, TVGN_NEXT)) {
    for (HTREEITEM item = next(root, TVGN_CHILD); item; item = next(item, TVGN_NEXT)) {
      wchar_t text[256] = {};
      TVITEMW data = {};
      data.mask = TVIF_TEXT;
      data.hItem = item;
      data.pszText = text;
      data.cchTextMax = 256;
      SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data));
      if (name == text) {
        SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
        Pump(50);
        return true;
      }
    }
  }
  return false;
}

void DoubleClick(HWND frame, int item) {
  HWND list = GetDlgItem(frame, kMessageListId);
  RECT r = {};
  r.left = LVIR_LABEL;
  SendMessageW(list, LVM_GETITEMRECT, RowOf(frame, item), reinterpret_cast<LPARAM>(&r));
  SendMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON,
               MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2));
  Pump(50);
}

std::wstring ListText(HWND frame, int row, int column) {
  wchar_t text[256] = {};
  LVITEMW item = {};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = 256;
  SendMessageW(GetDlgItem(frame, kMessageListId), LVM_GETITEMTEXTW, row,
               reinterpret_cast<LPARAM>(&item));
  return text;
}

std::wstring StatusText(HWND frame) {
  wchar_t text[512] = {};
  HWND status = GetDlgItem(frame, kStatusBarId);
  if (LOWORD(SendMessageW(status, SB_GETTEXTLENGTHW, 0, 0)) < 512) {
    SendMessageW(status, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
  }
  return text;
}

namespace {

struct ChildSearch {
  const std::wstring& windowClass;
  const wchar_t* text;
  HWND found;
};

BOOL CALLBACK MatchChild(HWND child, LPARAM data) {
  auto* search = reinterpret_cast<ChildSearch*>(data);
  wchar_t name[64] = {};
  GetClassNameW(child, name, 64);
  if (_wcsicmp(name, search->windowClass.c_str()) != 0) return TRUE;
  if (search->text && Title(child) != search->text) return TRUE;
  search->found = child;
  return FALSE;
}

}  // namespace

HWND ChildOf(HWND parent, const std::wstring& windowClass, const wchar_t* text) {
  ChildSearch search{windowClass, text, nullptr};
  EnumChildWindows(parent, &MatchChild, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::wstring Title(HWND window) {
  wchar_t text[512] = {};
  GetWindowTextW(window, text, 512);
  return text;
}

std::vector<uint32_t> ImagePixels(HIMAGELIST list, int image, int size) {
  Canvas canvas(size, size);
  if (!canvas.Ready() || !ImageList_Draw(list, image, canvas.Dc(), 0, 0, ILD_NORMAL)) return {};
  return canvas.Pixels();
}

std::vector<uint32_t> BitmapResourcePixels(HMODULE module, int id, int& width, int& height) {
  HBITMAP bitmap = static_cast<HBITMAP>(
      LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  if (!bitmap) return {};
  BITMAP info = {};
  GetObjectW(bitmap, sizeof info, &info);
  width = info.bmWidth;
  height = info.bmHeight;
  Canvas canvas(width, height);
  HDC source = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(source, bitmap);
  BitBlt(canvas.Dc(), 0, 0, width, height, source, 0, 0, SRCCOPY);
  SelectObject(source, old);
  DeleteDC(source);
  DeleteObject(bitmap);
  return canvas.Pixels();
}

std::vector<uint32_t> ScreenPixels(const RECT& screen) {
  const int width = screen.right - screen.left, height = screen.bottom - screen.top;
  if (width <= 0 || height <= 0) return {};
  Canvas canvas(width, height);
  HDC desktop = GetDC(nullptr);
  BitBlt(canvas.Dc(), 0, 0, width, height, desktop, screen.left, screen.top, SRCCOPY);
  ReleaseDC(nullptr, desktop);
  return canvas.Pixels();
}

bool Contains(const std::vector<uint32_t>& area, int width, int height,
              const std::vector<uint32_t>& picture, int size) {
  if (picture.size() != static_cast<size_t>(size) * size ||
      area.size() != static_cast<size_t>(width) * height) {
    return false;
  }
  for (int top = 0; top + size <= height; ++top) {
    for (int left = 0; left + size <= width; ++left) {
      bool same = true;
      for (int y = 0; same && y < size; ++y) {
        for (int x = 0; same && x < size; ++x)
          same = area[(top + y) * width + left + x] == picture[y * size + x];
      }
      if (same) return true;
    }
  }
  return false;
}

bool SaveScreen(const RECT& screen, const std::wstring& path) {
  const int width = screen.right - screen.left, height = screen.bottom - screen.top;
  const std::vector<uint32_t> pixels = ScreenPixels(screen);
  if (pixels.empty()) return false;
  const DWORD rowBytes = ((static_cast<DWORD>(width) * 3 + 3) / 4) * 4;
  std::vector<BYTE> rows(rowBytes * static_cast<DWORD>(height), 0);
  for (int y = 0; y < height; ++y) {  // BMP files keep their rows bottom-up
    BYTE* row = &rows[static_cast<size_t>(height - 1 - y) * rowBytes];
    for (int x = 0; x < width; ++x) {
      const uint32_t pixel = pixels[static_cast<size_t>(y) * width + x];
      row[x * 3] = static_cast<BYTE>(pixel);
      row[x * 3 + 1] = static_cast<BYTE>(pixel >> 8);
      row[x * 3 + 2] = static_cast<BYTE>(pixel >> 16);
    }
  }
  BITMAPINFOHEADER header = {};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof header;
  file.bfSize = file.bfOffBits + static_cast<DWORD>(rows.size());
  FILE* out = _wfopen(path.c_str(), L"wb");
  if (!out) return false;
  bool saved = fwrite(&file, sizeof file, 1, out) == 1 &&
               fwrite(&header, sizeof header, 1, out) == 1 &&
               fwrite(rows.data(), rows.size(), 1, out) == 1;
  return fclose(out) == 0 && saved;
}

}  // namespace zormint::wine_test::window

// What a user does to the simulated Outlook's windows, done with the messages the controls
// understand, and what the user sees of them, read back from the controls and the screen.
#pragma once

#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "sim/window/window_session.h"

namespace zormint::wine_test::window {

// Runs the thread's messages for `ms` milliseconds.
void Pump(DWORD ms = 100);
// Runs them until `done` or the time is up; returns done().
bool PumpUntil(const std::function<bool()>& done, DWORD ms = 15000);

// One button of a window's toolbar as the toolbar draws it.
struct DrawnButton {
  int command = 0;
  bool separator = false;
  bool enabled = false;
  bool hidden = false;
  bool showsText = false;
  int image = -1;  // in the toolbar's image lists; negative when the button has no face
  std::wstring text;
  std::wstring tooltip;  // as the window answers the toolbar's question for it
  RECT rect = {};        // in the toolbar's client coordinates
};
// The buttons of the window's "Standard" toolbar, or of another strip of its (the ribbon's).
std::vector<DrawnButton> DrawnButtons(HWND frame, int bar = sim::kToolbarId);
HWND ToolbarOf(HWND frame, int bar = sim::kToolbarId);

// A click on a toolbar button with the mouse.
void Press(HWND frame, int command, int bar = sim::kToolbarId);
// Selects the rows whose items are `items` (by item id) in the message list, and only them.
void SelectRows(HWND frame, const std::vector<int>& items);
int RowOf(HWND frame, int item);
// Picks a folder in the folder list by its name.
bool PickFolder(HWND frame, const std::wstring& name);
// A double click on the row of an item.
void DoubleClick(HWND frame, int item);
std::wstring ListText(HWND frame, int row, int column);
std::wstring StatusText(HWND frame);
// The first child of `parent` of this window class with this text (any text when nullptr).
HWND ChildOf(HWND parent, const std::wstring& windowClass, const wchar_t* text);
std::wstring Title(HWND window);

// Pixels (0x00RRGGBB, top row first) of an image of a toolbar image list.
std::vector<uint32_t> ImagePixels(HIMAGELIST list, int image, int size);
// Pixels of a bitmap resource of a module.
std::vector<uint32_t> BitmapResourcePixels(HMODULE module, int id, int& width, int& height);
// Pixels of a rectangle of the screen.
std::vector<uint32_t> ScreenPixels(const RECT& screen);
// Whether `picture` (size x size) appears somewhere inside `area` (width x height).
bool Contains(const std::vector<uint32_t>& area, int width, int height,
              const std::vector<uint32_t>& picture, int size);
// Saves a rectangle of the screen as a 24-bit BMP file.
bool SaveScreen(const RECT& screen, const std::wstring& path);

}  // namespace zormint::wine_test::window

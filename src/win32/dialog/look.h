// What the forms of the Win32 dialog toolkit look like: the empty dialog window they start
// from, their font, their icon, and lengths from twips to pixels at the screen's resolution.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/dialog_toolkit.h"

namespace zormint::win32 {

// The forms' icons in the two sizes Windows shows (caption and Alt+Tab), drawn from the
// options button's face. Both are none when the module has no such bitmap.
struct FormIcons {
  HICON bigIcon = nullptr;    // Alt+Tab
  HICON smallIcon = nullptr;  // the caption
  FormIcons() = default;
  FormIcons(const FormIcons&) = delete;
  FormIcons& operator=(const FormIcons&) = delete;
  ~FormIcons();
};
std::shared_ptr<FormIcons> MakeFormIcons(HMODULE module);

// An in-memory dialog template with no controls: the toolkit creates the controls itself, in
// pixels, since layouts are in twips rather than dialog units. The template is DWORD-aligned.
std::vector<DWORD> EmptyDialogTemplate(DWORD style, DWORD exStyle, const std::wstring& caption);

// The window style of a form's top-level window.
DWORD FormStyle(const platform::FormLayout& layout);

// The vertical resolution of the screen (96 at 100 %).
int ScreenDpi();
// The layout's font at `dpi`; the caller deletes it.
HFONT CreateFormFont(const platform::FormLayout& layout, int dpi);

// A rectangle in twips as pixels: both corners are converted, so that neighbouring controls
// stay neighbours whatever the rounding.
RECT TwipsRect(int32_t left, int32_t top, int32_t width, int32_t height, int dpi);

}  // namespace zormint::win32

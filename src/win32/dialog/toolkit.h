// The dialog toolkit over real windows: each form is a top-level dialog window built from its
// layout data, shown modally without an owner in a message loop of its own, with standard
// controls (list box, group box, radio buttons, edit box, push buttons, an etched line), the
// common file-open dialog, message boxes, and the WebBrowser control for browser controls.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "platform/dialog_toolkit.h"

namespace zormint::win32 {

// `resources` is the module whose bitmap 101 (the options button's face) becomes the forms'
// icon; none: the module this code is linked into. Without that bitmap a form has the
// system's default icon.
std::shared_ptr<platform::DialogToolkit> MakeDialogToolkit(HMODULE resources = nullptr);

// The child-window id of a control of `layout` (0 when it has no such control or no window),
// for tools and tests that find a control with GetDlgItem.
int DialogControlId(const platform::FormLayout& layout, const std::string& name);

}  // namespace zormint::win32

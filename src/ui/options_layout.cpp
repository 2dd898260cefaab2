#include "ui/options_layout.h"

namespace zormint::ui {

namespace {

platform::FormLayout MakeOptionsLayout() {
  platform::FormLayout f;
  f.name = "frmOptions";
  f.caption = "Select Picture Attachments";
  f.clientWidth = 7860;
  f.clientHeight = 6000;
  f.fontName = "Tahoma";
  f.fontSize = 8.25;
  f.fontBold = false;
  f.ownIcon = true;
  f.fixedBorder = true;
  f.minButton = false;
  f.maxButton = false;

  using K = platform::ControlKind;
  // One row per control: name, kind, caption, left, top, width, height, parent, tab order.
  // The four controls in the frame are placed relative to the frame's top-left corner.
  auto add = [&f](const char* name, K kind, const char* caption, int32_t left, int32_t top,
                  int32_t width, int32_t height, const char* parent,
                  int32_t tabIndex) -> platform::ControlLayout& {
    platform::ControlLayout c;
    c.name = name;
    c.kind = kind;
    c.caption = caption;
    c.left = left;
    c.top = top;
    c.width = width;
    c.height = height;
    c.parent = parent;
    c.tabIndex = tabIndex;
    f.controls.push_back(c);
    return f.controls.back();
  };
  // clang-format off
  add(kWbrAdBanner,       K::kWebBrowser,    "",                     120,  120,  7575, 1665, "", 0);
  add(kLstPicAttachments, K::kListBox,       "",                     120,  1950, 2505, 2790, "", 1)
      .multiSelectExtended = true;
  add(kFraImageViewer,    K::kFrame,         "Image Viewer",         2790, 1950, 4905, 2790, "", 2);
  add(kOptDefaultViewer,  K::kOptionButton,  "&Default Image Viewer", 210, 450,  2025, 285,  kFraImageViewer, 3)
      .value = true;
  add(kOptCustomViewer,   K::kOptionButton,  "&Custom Image Viewer",  210, 1020, 2025, 285,  kFraImageViewer, 4)
      .value = false;
  add(kTxtCustomViewer,   K::kTextBox,       "",                     450,  1650, 4095, 315,  kFraImageViewer, 5)
      .enabled = false;
  add(kCmdBrowse,         K::kCommandButton, "Bro&wse...",           3390, 2130, 1140, 420,  kFraImageViewer, 6)
      .enabled = false;
  // Below the viewer choice: whether PNG, WebP and HEIC pictures (and their kin) count too.
  add(kChkMorePictureTypes, K::kCheckBox,  "Also show &PNG, WebP and HEIC pictures",
                                                                     2790, 4830, 4905, 285,  "", 7);
  add(kCmdOpen,           K::kCommandButton, "&Open",                5040, 5430, 1140, 420,  "", 8)
      .isDefault = true;
  add(kCmdClose,          K::kCommandButton, "Clo&se",               6555, 5430, 1140, 420,  "", 9)
      .isCancel = true;
  // clang-format on

  platform::ControlLayout& line = add(kLine1, K::kLine, "", 120, 5280, 0, 0, "", -1);
  line.x2 = 7680;
  line.y2 = 5280;

  // The file dialog has no area on the form; its caption is its title.
  platform::ControlLayout& dlg =
      add(kDlgViewer, K::kFileDialog, "Select Custom Image Viewer", 0, 0, 0, 0, "", -1);
  dlg.filter = "Image Viewers (*.exe)|*.exe";
  return f;
}

}  // namespace

const platform::FormLayout& OptionsLayout() {
  static const platform::FormLayout layout = MakeOptionsLayout();
  return layout;
}

std::string InvalidViewerText(const std::string& path) {
  return std::string("Please enter Valid Image viewer EXE.") + "\r\n" + path + " does NOT exist.";
}

}  // namespace zormint::ui

// One command bar of a simulated Outlook window drawn as a Windows toolbar: the bar's controls in
// their order, each as Office shows it on a toolbar. A group separator stands before a control
// that begins a group; a button shows its face, its caption or both according to its style (the
// host default shows the face when there is one, else the caption); a disabled button is drawn
// grey and cannot be pressed; a hidden one is not drawn. The tooltip is the control's tooltip
// text, else its caption.
//
// A pressed button reaches the toolbar's parent as WM_COMMAND with the control's command id;
// the parent answers the toolbar's TBN_GETINFOTIPW from TooltipOf.
#pragma once

#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <string>
#include <vector>

#include "sim/model/outlook_sim.h"

namespace zormint::sim {

class CommandBarStrip {
 public:
  // The command id of the control at position i of the bar is kFirstCommand + i.
  static constexpr int kFirstCommand = 1000;
  // Faces are drawn at this size (a face of another size is scaled to it).
  static constexpr int kFaceSize = 32;

  CommandBarStrip() = default;
  ~CommandBarStrip();
  CommandBarStrip(const CommandBarStrip&) = delete;
  CommandBarStrip& operator=(const CommandBarStrip&) = delete;

  // Makes the toolbar as a child of `parent`, at the parent's top, or (not `atTop`) where the
  // parent moves it; false when it cannot be made.
  bool Create(HWND parent, int controlId, HFONT font, bool atTop = true);
  HWND Handle() const { return toolbar_; }

  // Draws the bar's controls. Returns true when the drawing changed.
  bool Show(const std::vector<ControlView>& controls);
  // The control behind a command id, or nullptr.
  const ControlView* ControlOf(int command) const;
  std::wstring TooltipOf(int command) const;
  // The caption as a user reads it: "&New" is "New", "&&" is "&".
  static std::wstring PlainCaption(const std::string& caption);

 private:
  void Rebuild();
  int AddFace(const host::Picture* picture);

  HWND toolbar_ = nullptr;
  HIMAGELIST faces_ = nullptr;      // the faces as drawn on an enabled button
  HIMAGELIST grayFaces_ = nullptr;  // and on a disabled one
  std::vector<ControlView> shown_;
  bool drawnOnce_ = false;
};

}  // namespace zormint::sim

// The "Select Picture Attachments" dialog as data: the form, every control with its place and
// start state, the file dialog, and the texts of the four validation message boxes. The form
// logic and every toolkit read it from here and nowhere else.
#pragma once

#include <cstdint>
#include <string>

#include "platform/dialog_toolkit.h"

namespace zormint::ui {

// Control names.
inline constexpr const char* kWbrAdBanner = "wbrAdBanner";
inline constexpr const char* kLstPicAttachments = "lstPicAttachments";
inline constexpr const char* kFraImageViewer = "fraImageViewer";
inline constexpr const char* kOptDefaultViewer = "optDefaultViewer";
inline constexpr const char* kOptCustomViewer = "optCustomViewer";
inline constexpr const char* kTxtCustomViewer = "txtCustomViewer";
inline constexpr const char* kChkMorePictureTypes = "chkMorePictureTypes";
inline constexpr const char* kCmdBrowse = "cmdBrowse";
inline constexpr const char* kCmdOpen = "cmdOpen";
inline constexpr const char* kCmdClose = "cmdClose";
inline constexpr const char* kLine1 = "Line1";
inline constexpr const char* kDlgViewer = "dlgViewer";

// The flags "Bro&wse..." gives the file dialog: hide the read-only box, the path and the file
// must exist, explorer style, long file names.
inline constexpr uint32_t kViewerDialogFlags =
    platform::cdlOFNHideReadOnly | platform::cdlOFNPathMustExist | platform::cdlOFNFileMustExist |
    platform::cdlOFNExplorer | platform::cdlOFNLongNames;
static_assert(kViewerDialogFlags == 0x281804);

// The whole form: caption, client size 7860 x 6000 twips, Tahoma 8.25 pt, fixed border, and
// the controls in creation order.
const platform::FormLayout& OptionsLayout();

// The validation message boxes: warning icon, one OK button.
struct MessageText {
  const char* title;
  const char* text;
};
inline constexpr uint32_t kValidationBoxStyle = platform::vbOKOnly | platform::vbExclamation;
inline constexpr MessageText kMsgNoPictures{"NO Pictures Selected",
                                            "Please select at least Picture in order to proceed."};
inline constexpr MessageText kMsgNoViewerChosen{
    "NO Image Viewer Chosen", "Please select Image viewer option in order to proceed."};
inline constexpr MessageText kMsgNoViewerExe{
    "NO Image Viewer EXE", "Please enter fully qualified name of Image viewer EXE."};
// Shown, in the same style, when a message's pictures were asked for and not one could be
// saved (no form is open then).
inline constexpr MessageText kMsgNothingSaved{
    "NO Pictures Saved",
    "None of the pictures could be saved, so there is nothing to show. The message may be "
    "protected, or the disk full."};
inline constexpr const char* kMsgInvalidViewerTitle = "INVALID Image Viewer";
// "Please enter Valid Image viewer EXE." CR LF <path> " does NOT exist."
std::string InvalidViewerText(const std::string& path);

}  // namespace zormint::ui

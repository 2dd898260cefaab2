// The dialog's window as the layout describes it: frame, caption, icon, client size, every
// control's place, kind, font and start state, the tab order, the default and cancel buttons.
// Also leaves a picture of it (screenshots/dialog.bmp beside the test program).
#include <filesystem>

#include "dialog/dialog_fixture.h"

namespace zormint::wine_test {
namespace {

using namespace ui;

struct Expected {
  const char* name;
  const wchar_t* windowClass;
  RECT pixels;  // in the form's client area at 96 dpi: left, top, right, bottom
  const wchar_t* text;
};

// The layout in twips divided by 15, each corner rounded to the nearest pixel.
const Expected kExpected[] = {
    {kWbrAdBanner, L"Static", {8, 8, 513, 119}, L""},
    {kLstPicAttachments, L"ListBox", {8, 130, 175, 316}, nullptr},
    {kFraImageViewer, L"Button", {186, 130, 513, 316}, L"Image Viewer"},
    {kOptDefaultViewer, L"Button", {200, 160, 335, 179}, L"&Default Image Viewer"},
    {kOptCustomViewer, L"Button", {200, 198, 335, 217}, L"&Custom Image Viewer"},
    {kTxtCustomViewer, L"Edit", {216, 240, 489, 261}, L""},
    {kCmdBrowse, L"Button", {412, 272, 488, 300}, L"Bro&wse..."},
    {kChkMorePictureTypes,
     L"Button",
     {186, 322, 513, 341},
     L"Also show &PNG, WebP and HEIC pictures"},
    {kCmdOpen, L"Button", {336, 362, 412, 390}, L"&Open"},
    {kCmdClose, L"Button", {437, 362, 513, 390}, L"Clo&se"},
    {kLine1, L"Static", {8, 352, 512, 354}, L""},
};

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

RECT ClientRectOf(HWND control, HWND form) {
  RECT r = {};
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

using DialogWindow = DialogTest;

TEST_F(DialogWindow, IsBuiltFromTheLayout) {
  WhenUp();
  user.Do("look at the window", [this] {
    HWND form = Form();
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    ASSERT_EQ(dpi, 96) << "the expected places are for 96 dpi";

    RECT client = {};
    GetClientRect(form, &client);
    EXPECT_EQ(client.right, 524);   // 7860 twips
    EXPECT_EQ(client.bottom, 400);  // 6000 twips
    const LONG_PTR style = GetWindowLongPtrW(form, GWL_STYLE);
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU), WS_CAPTION | WS_SYSMENU);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
    EXPECT_EQ(GetWindow(form, GW_OWNER), nullptr);  // modal without an owner
    EXPECT_NE(SendMessageW(form, WM_GETICON, ICON_SMALL, 0), 0);
    EXPECT_NE(SendMessageW(form, WM_GETICON, ICON_BIG, 0), 0);

    for (const Expected& e : kExpected) {
      SCOPED_TRACE(e.name);
      HWND control = Control(e.name);
      ASSERT_NE(control, nullptr);
      EXPECT_EQ(GetParent(control), form);
      EXPECT_EQ(_wcsicmp(ClassOf(control).c_str(), e.windowClass), 0) << Narrow(ClassOf(control));
      const RECT r = ClientRectOf(control, form);
      EXPECT_EQ(r.left, e.pixels.left);
      EXPECT_EQ(r.top, e.pixels.top);
      EXPECT_EQ(r.right, e.pixels.right);
      EXPECT_EQ(r.bottom, e.pixels.bottom);
      if (e.text) {
        EXPECT_EQ(WindowText(control), e.text);
      }
      if (ClassOf(control) != L"Static") {
        LOGFONTW font = {};
        HFONT handle = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
        ASSERT_TRUE(handle && GetObjectW(handle, sizeof font, &font));
        EXPECT_EQ(std::wstring(font.lfFaceName), L"Tahoma");
        EXPECT_EQ(font.lfHeight, -11);  // 8.25 pt at 96 dpi
        EXPECT_EQ(font.lfWeight, FW_NORMAL);
      }
    }

    const LONG_PTR list = GetWindowLongPtrW(Control(kLstPicAttachments), GWL_STYLE);
    EXPECT_TRUE(list & LBS_EXTENDEDSEL);
    EXPECT_TRUE(list & LBS_NOTIFY);
    const LONG_PTR optDefault = GetWindowLongPtrW(Control(kOptDefaultViewer), GWL_STYLE);
    const LONG_PTR optCustom = GetWindowLongPtrW(Control(kOptCustomViewer), GWL_STYLE);
    EXPECT_EQ(optDefault & BS_TYPEMASK, BS_AUTORADIOBUTTON);
    EXPECT_EQ(optCustom & BS_TYPEMASK, BS_AUTORADIOBUTTON);
    EXPECT_TRUE(optDefault & WS_GROUP);  // the group starts here
    EXPECT_FALSE(optCustom & WS_GROUP);  // and goes on here
    EXPECT_EQ(GetWindowLongPtrW(Control(kFraImageViewer), GWL_STYLE) & BS_TYPEMASK, BS_GROUPBOX);
    EXPECT_EQ(GetWindowLongPtrW(Control(kChkMorePictureTypes), GWL_STYLE) & BS_TYPEMASK,
              BS_AUTOCHECKBOX);
    EXPECT_EQ(GetWindowLongPtrW(Control(kLine1), GWL_STYLE) & SS_TYPEMASK, SS_ETCHEDHORZ);
    const LRESULT defId = SendMessageW(form, DM_GETDEFID, 0, 0);
    EXPECT_EQ(HIWORD(defId), DC_HASDEFID);
    EXPECT_EQ(LOWORD(defId), win32::DialogControlId(OptionsLayout(), kCmdOpen));

    // Start states.
    EXPECT_EQ(SendMessageW(Control(kOptDefaultViewer), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageW(Control(kOptCustomViewer), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_FALSE(IsWindowEnabled(Control(kTxtCustomViewer)));
    EXPECT_FALSE(IsWindowEnabled(Control(kCmdBrowse)));
    EXPECT_EQ(SendMessageW(Control(kChkMorePictureTypes), BM_GETCHECK, 0, 0), BST_UNCHECKED);

    wchar_t folder[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, folder, MAX_PATH);
    std::filesystem::path shots = std::filesystem::path(folder).parent_path() / "screenshots";
    std::filesystem::create_directories(shots);
    EXPECT_TRUE(SaveWindowPicture(form, (shots / "dialog.bmp").wstring()));
  });

  // Tab visits the list, the selected option, the picture-types box, then the two buttons (the
  // disabled path box and Bro&wse... are skipped), and comes back round.
  ExpectFocus(kLstPicAttachments);
  for (const char* next :
       {kOptDefaultViewer, kChkMorePictureTypes, kCmdOpen, kCmdClose, kLstPicAttachments}) {
    user.Do(std::string("Tab to ") + next, [] { PressKey(VK_TAB); });
    ExpectFocus(next);
  }
  user.Do("Shift+Tab", [] { PressKey(VK_TAB, {VK_SHIFT}); });
  ExpectFocus(kCmdClose);
  // On a push button Enter presses that button, not the default one.
  user.Do("Enter on Clo&se", [] { PressKey(VK_RETURN); });
  WhenClosed("Enter on Clo&se");
  Open();
  EXPECT_TRUE(user.Finished()) << user.Report();
  EXPECT_EQ(g.gsSelAttachmentIndexes, "");
}

TEST_F(DialogWindow, WithTheCustomViewerTabVisitsThePathBoxAndBrowse) {
  stored.Put("2", "");
  WhenUp();
  ExpectFocus(kLstPicAttachments);
  for (const char* next :
       {kOptCustomViewer, kTxtCustomViewer, kCmdBrowse, kChkMorePictureTypes, kCmdOpen}) {
    user.Do(std::string("Tab to ") + next, [] { PressKey(VK_TAB); });
    ExpectFocus(next);
  }
  // Arrow keys move the selection inside the option group, as a user expects of radio buttons.
  user.Do("click the selected option", [this] { Click(Control(kOptCustomViewer)); });
  ExpectFocus(kOptCustomViewer);
  user.Do("Up arrow", [] { PressKey(VK_UP); });
  user.When("the default viewer selected and the path box disabled", [this] {
    return SendMessageW(Control(kOptDefaultViewer), BM_GETCHECK, 0, 0) == BST_CHECKED &&
           !IsWindowEnabled(Control(kTxtCustomViewer));
  });
  user.Do("Esc", [] { PressKey(VK_ESCAPE); });
  WhenClosed("Esc");
  Open();
  EXPECT_TRUE(user.Finished()) << user.Report();
}

}  // namespace
}  // namespace zormint::wine_test

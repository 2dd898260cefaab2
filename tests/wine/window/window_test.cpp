// The simulated Outlook in windows with the real ZORMINT.dll, registered and loaded as Outlook
// loads it: the toolbars draw the add-in's buttons from the command bars, what the user does in
// the lists and on the buttons becomes Outlook's events, and closing the last window ends
// Outlook with nothing held. The windows run in the test's own process here; the last test
// starts the program itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>

#include "dialog/dialog_user.h"
#include "sim/window/window_session.h"
#include "sim/window/window_toolbar.h"
#include "support/addin_fixture.h"
#include "window_user.h"

namespace zormint::wine_test::window {
namespace {

using sim::CommandBarStrip;
using sim::ControlView;
using sim::WindowRef;
using sim::WindowSession;

const int kFaceResource = 101;

// Where the pictures of the windows go: screenshots/ beside the test programs' folder.
std::filesystem::path Screenshots() {
  const std::filesystem::path shots =
      std::filesystem::path(BinFolder()).parent_path() / "screenshots";
  std::filesystem::create_directories(shots);
  return shots;
}

WindowRef Xpl(int id) {
  return {WindowRef::kExplorer, id};
}
WindowRef Isp(int id) {
  return {WindowRef::kInspector, id};
}

bool Gray(uint32_t pixel) {
  return (pixel & 0xFF) == ((pixel >> 8) & 0xFF) && (pixel & 0xFF) == ((pixel >> 16) & 0xFF);
}

class OutlookWindow : public RegisteredAddin {
 protected:
  void TearDown() override {
    session.reset();
    Pump(50);
    RegisteredAddin::TearDown();
  }

  // Outlook opens its main window on the Inbox and loads the add-in.
  void Open() {
    session = std::make_unique<WindowSession>(transcript, SampleMailbox());
    ASSERT_TRUE(session->Start("Inbox")) << transcript.str();
    explorer = session->WindowOf(Xpl(1));
    ASSERT_NE(explorer, nullptr);
    Pump(100);
  }
  int Item(const char* name) { return session->Messages().Message(name).id; }
  HWND OpenedInspector(int id) {
    HWND window = nullptr;
    PumpUntil([&] { return (window = session->WindowOf(Isp(id))) != nullptr; }, 10000);
    return window;
  }

  // The add-in's two buttons as the window draws them: the last two of its toolbar.
  std::vector<DrawnButton> AddinButtons(HWND frame) {
    std::vector<DrawnButton> drawn = DrawnButtons(frame);
    if (drawn.size() < 2) return {};
    return {drawn[drawn.size() - 2], drawn.back()};
  }
  bool DrawnEnabled(HWND frame) {
    const std::vector<DrawnButton> buttons = AddinButtons(frame);
    EXPECT_EQ(buttons.size(), 2u);
    return buttons.size() == 2 && buttons[0].enabled && buttons[1].enabled;
  }
  bool DrawnDisabled(HWND frame) {
    const std::vector<DrawnButton> buttons = AddinButtons(frame);
    EXPECT_EQ(buttons.size(), 2u);
    return buttons.size() == 2 && !buttons[0].enabled && !buttons[1].enabled;
  }
  bool ModelEnabled(WindowRef window) {
    const std::vector<ControlView> buttons = session->Model().AddInControls(window);
    return buttons.size() == 2 && buttons[0].enabled && buttons[1].enabled;
  }

  size_t Count(const std::string& text) {
    const std::string all = transcript.str();
    size_t count = 0;
    for (size_t at = all.find(text); at != std::string::npos; at = all.find(text, at + 1))
      ++count;
    return count;
  }
  bool Says(const std::string& text) { return Count(text) > 0; }

  std::ostringstream transcript;
  std::unique_ptr<WindowSession> session;
  HWND explorer = nullptr;
};

TEST_F(OutlookWindow, TheToolbarDrawsOutlooksButtonsThenTheAddinsBehindAGroupSeparator) {
  Open();
  EXPECT_EQ(Title(explorer), L"Inbox - Outlook (simulated)");
  const std::vector<DrawnButton> drawn = DrawnButtons(explorer);
  ASSERT_EQ(drawn.size(), 6u) << transcript.str();
  const wchar_t* const host[][2] = {
      {L"&New", L"New"}, {L"&Print", L"Print"}, {L"&Delete", L"Delete"}};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(drawn[i].text, host[i][0]);
    EXPECT_EQ(drawn[i].tooltip, host[i][1]);
    EXPECT_TRUE(drawn[i].showsText);
    EXPECT_LT(drawn[i].image, 0);
    EXPECT_TRUE(drawn[i].enabled);
  }
  EXPECT_TRUE(drawn[3].separator);
  const DrawnButton& options = drawn[4];
  EXPECT_FALSE(options.showsText);  // icon only
  EXPECT_GE(options.image, 0);
  EXPECT_EQ(options.tooltip, L"View ZORMINT Options");
  const DrawnButton& zormint = drawn[5];
  EXPECT_TRUE(zormint.showsText);
  EXPECT_EQ(zormint.text, L"Zormint");
  EXPECT_LT(zormint.image, 0);
  EXPECT_EQ(zormint.tooltip, L"View All Picture Attachments");
  // Both disabled until the first selection, in the drawing as in the model.
  EXPECT_FALSE(options.enabled);
  EXPECT_FALSE(zormint.enabled);
  EXPECT_FALSE(ModelEnabled(Xpl(1)));

  // The face is the add-in's own bitmap, pixel for pixel; its disabled look is grey.
  int width = 0, height = 0;
  const std::vector<uint32_t> face =
      BitmapResourcePixels(GetModuleHandleW(L"ZORMINT.dll"), kFaceResource, width, height);
  ASSERT_EQ(width, CommandBarStrip::kFaceSize);
  ASSERT_EQ(height, CommandBarStrip::kFaceSize);
  HWND bar = ToolbarOf(explorer);
  auto faces = reinterpret_cast<HIMAGELIST>(SendMessageW(bar, TB_GETIMAGELIST, 0, 0));
  auto grayFaces = reinterpret_cast<HIMAGELIST>(SendMessageW(bar, TB_GETDISABLEDIMAGELIST, 0, 0));
  EXPECT_EQ(ImagePixels(faces, options.image, width), face);
  const std::vector<uint32_t> disabled = ImagePixels(grayFaces, options.image, width);
  ASSERT_EQ(disabled.size(), face.size());
  EXPECT_NE(disabled, face);
  EXPECT_TRUE(std::all_of(disabled.begin(), disabled.end(), Gray));

  // The folder list and the Inbox's messages: subject, sender, number of attachments.
  ASSERT_EQ(ListText(explorer, 0, 0), L"Holiday pictures from the coast");
  EXPECT_EQ(ListText(explorer, 0, 1), L"Anna Berg");
  EXPECT_EQ(ListText(explorer, 0, 2), L"4");
  const int lunch = RowOf(explorer, Item("lunch"));
  EXPECT_EQ(ListText(explorer, lunch, 0), L"Lunch on Friday?");
  EXPECT_EQ(ListText(explorer, lunch, 2), L"");
  EXPECT_EQ(SendMessageW(GetDlgItem(explorer, sim::kMessageListId), LVM_GETITEMCOUNT, 0, 0), 8);
}

TEST_F(OutlookWindow, SelectionsAndFolderSwitchesInTheListsDecideTheDrawnButtons) {
  Open();
  SelectRows(explorer, {Item("holiday")});
  EXPECT_TRUE(DrawnEnabled(explorer)) << transcript.str();
  EXPECT_TRUE(ModelEnabled(Xpl(1)));
  EXPECT_TRUE(Says("> select explorer1 \"holiday\"\n"));

  SelectRows(explorer, {Item("lunch")});  // no attachment
  EXPECT_TRUE(DrawnDisabled(explorer));
  SelectRows(explorer, {Item("drawings")});  // a BMP and a TIF
  EXPECT_TRUE(DrawnEnabled(explorer));

  // Two rows selected together are one selection change.
  const size_t selections = Count("> select ");
  SelectRows(explorer, {Item("holiday"), Item("drawings")});
  EXPECT_TRUE(DrawnDisabled(explorer));
  EXPECT_EQ(Count("> select "), selections + 1) << transcript.str();
  EXPECT_TRUE(Says("> select explorer1 \"holiday\" \"drawings\"\n"));
  SelectRows(explorer, {});
  EXPECT_TRUE(DrawnDisabled(explorer));
  EXPECT_TRUE(Says("> select explorer1\n"));

  // Another folder: its messages, and nothing selected.
  SelectRows(explorer, {Item("holiday")});
  ASSERT_TRUE(PickFolder(explorer, L"Team posts"));
  EXPECT_TRUE(Says("> switch-folder explorer1 \"Team posts\"\n")) << transcript.str();
  EXPECT_EQ(Title(explorer), L"Team posts - Outlook (simulated)");
  EXPECT_EQ(SendMessageW(GetDlgItem(explorer, sim::kMessageListId), LVM_GETITEMCOUNT, 0, 0), 1);
  EXPECT_TRUE(DrawnDisabled(explorer));
  SelectRows(explorer, {Item("teamphoto")});
  EXPECT_TRUE(DrawnEnabled(explorer));

  ASSERT_TRUE(PickFolder(explorer, L"Contacts"));  // not a mail or post folder
  SelectRows(explorer, {Item("anna")});
  EXPECT_TRUE(DrawnDisabled(explorer));
  EXPECT_FALSE(ModelEnabled(Xpl(1)));
}

TEST_F(OutlookWindow, ZormintSavesThePicturesAndStartsTheViewerOnlyWhenEnabled) {
  Open();
  const std::vector<DrawnButton> drawn = DrawnButtons(explorer);
  ASSERT_EQ(drawn.size(), 6u);
  const int zormint = drawn[5].command;

  // A disabled button cannot be pressed, and a click that reaches Outlook anyway does nothing.
  SelectRows(explorer, {Item("lunch")});
  Press(explorer, zormint);
  Pump(300);
  EXPECT_FALSE(Says("> click")) << transcript.str();
  SendMessageW(explorer, WM_COMMAND, MAKEWPARAM(zormint, BN_CLICKED),
               reinterpret_cast<LPARAM>(ToolbarOf(explorer)));
  Pump(300);
  EXPECT_TRUE(Says("the button \"EXPLORER12\" is disabled: nothing happens")) << transcript.str();

  // Outlook's own buttons are drawn but do nothing here.
  Press(explorer, drawn[0].command);
  EXPECT_NE(StatusText(explorer).find(L"Outlook's own"), std::wstring::npos);
  EXPECT_EQ(Count("> click"), 1u);

  SelectRows(explorer, {Item("holiday")});
  Press(explorer, zormint);
  EXPECT_TRUE(Says("> click explorer1 \"EXPLORER12\"\n  clicked \"EXPLORER12\""))
      << transcript.str();
  ASSERT_TRUE(PumpUntil([&] { return !ViewerStarts().empty(); })) << transcript.str();
  const std::vector<std::string> starts = ViewerStarts();
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_NE(starts[0].find("viewer-recorder.exe"), std::string::npos) << starts[0];
  EXPECT_NE(starts[0].find("\\beach.jpg"), std::string::npos) << starts[0];
  EXPECT_NE(starts[0].find("2560 bytes"), std::string::npos) << starts[0];
  // The window tells the user, and the transcript has it as the story program does.
  EXPECT_TRUE(PumpUntil([&] {
    return StatusText(explorer).find(L"Viewer started on") != std::wstring::npos;
  })) << transcript.str();
  EXPECT_NE(StatusText(explorer).find(L"beach.jpg"), std::wstring::npos);
  EXPECT_TRUE(Says("  viewer started: "));
  EXPECT_TRUE(Says("ZORMINT$"));  // the working folder with the pictures
}

// The landscape button opens the add-in's own dialog, modal, over the Outlook window; "&Open"
// there shows the ticked pictures.
TEST_F(OutlookWindow, TheOptionsButtonOpensTheAddinsDialogForTheSelectedMessage) {
  Open();
  // Outlook in the screen's lower right corner: the dialog centred on it would go off the
  // screen, and stays on the work area instead.
  RECT area = {};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  SetWindowPos(explorer, nullptr, area.right - 500, area.bottom - 260, 700, 420, SWP_NOZORDER);
  SelectRows(explorer, {Item("holiday")});
  const std::vector<DrawnButton> drawn = DrawnButtons(explorer);
  ASSERT_EQ(drawn.size(), 6u);
  User user;
  HWND dialog = nullptr, owner = nullptr;
  RECT placed = {};
  LRESULT listed = -1, ticked = -1;
  user.When(
      "the dialog is up",
      [&] { return (dialog = FindTopLevel(L"Select Picture Attachments")) != nullptr; },
      [&] {
        owner = GetWindow(dialog, GW_OWNER);
        GetWindowRect(dialog, &placed);
        HWND list = ChildOf(dialog, L"ListBox", nullptr);
        listed = SendMessageW(list, LB_GETCOUNT, 0, 0);
        ticked = SendMessageW(list, LB_GETSELCOUNT, 0, 0);
        RECT both = {}, form = {};
        GetWindowRect(explorer, &both);
        GetWindowRect(dialog, &form);
        UnionRect(&both, &both, &form);
        SaveScreen(both, (Screenshots() / "outlook-options.bmp").wstring());
        SendMessageW(ChildOf(dialog, L"Button", L"&Open"), BM_CLICK, 0, 0);
      });
  user.When("the dialog has closed", [&] { return !IsWindow(dialog); });
  user.Start();
  Press(explorer, drawn[4].command);  // the dialog's loop runs inside
  EXPECT_TRUE(PumpUntil([&] { return user.Finished(); }, 30000)) << user.Report();
  EXPECT_EQ(listed, 3);  // the message's three pictures, all ticked
  EXPECT_EQ(ticked, 3);
  EXPECT_EQ(owner, explorer);
  EXPECT_EQ(placed.right, area.right);
  EXPECT_EQ(placed.bottom, area.bottom);
  EXPECT_GE(placed.left, area.left);
  EXPECT_GE(placed.top, area.top);
  EXPECT_TRUE(Says("> click explorer1 \"EXPLORER11\"\n")) << transcript.str();
  EXPECT_TRUE(Says("  clicked \"EXPLORER11\""));
  EXPECT_TRUE(PumpUntil([&] { return ViewerStarts().size() == 1; })) << transcript.str();
}

// Below the toolbar, the ribbon's Home tab carries the add-in's group: its name, then "Zormint"
// and "Options" with their pictures, enabled by the rule as the selection changes; "Options"
// there opens the add-in's dialog for the selected message.
TEST_F(OutlookWindow, TheRibbonGroupIsDrawnBelowTheToolbarAndItsOptionsOpenTheDialog) {
  Open();
  HWND ribbon = ToolbarOf(explorer, sim::kRibbonId);
  ASSERT_NE(ribbon, nullptr);
  std::vector<DrawnButton> drawn = DrawnButtons(explorer, sim::kRibbonId);
  ASSERT_EQ(drawn.size(), 3u) << transcript.str();
  EXPECT_TRUE(drawn[1].showsText && drawn[1].image >= 0);  // "Zormint": picture and label
  EXPECT_TRUE(drawn[2].image >= 0);
  EXPECT_FALSE(drawn[0].enabled || drawn[1].enabled || drawn[2].enabled);
  RECT toolbar = {}, strip = {};
  GetWindowRect(ToolbarOf(explorer), &toolbar);
  GetWindowRect(ribbon, &strip);
  EXPECT_GE(strip.top, toolbar.bottom);  // below the toolbar, not over it

  SelectRows(explorer, {Item("holiday")});
  ASSERT_TRUE(PumpUntil([&] {
    drawn = DrawnButtons(explorer, sim::kRibbonId);
    return drawn.size() == 3 && drawn[1].enabled && drawn[2].enabled;
  })) << transcript.str();
  EXPECT_FALSE(drawn[0].enabled);  // the group's name is no button
  RECT whole = {};
  GetWindowRect(explorer, &whole);
  SaveScreen(whole, (Screenshots() / "outlook-ribbon.bmp").wstring());

  User user;
  HWND dialog = nullptr, owner = nullptr;
  LRESULT listed = -1;
  user.When(
      "the dialog is up",
      [&] { return (dialog = FindTopLevel(L"Select Picture Attachments")) != nullptr; },
      [&] {
        owner = GetWindow(dialog, GW_OWNER);
        listed = SendMessageW(ChildOf(dialog, L"ListBox", nullptr), LB_GETCOUNT, 0, 0);
        SendMessageW(ChildOf(dialog, L"Button", L"&Open"), BM_CLICK, 0, 0);
      });
  user.When("the dialog has closed", [&] { return !IsWindow(dialog); });
  user.Start();
  Press(explorer, drawn[2].command, sim::kRibbonId);  // the dialog's loop runs inside
  EXPECT_TRUE(PumpUntil([&] { return user.Finished(); }, 30000)) << user.Report();
  EXPECT_EQ(listed, 3);
  EXPECT_EQ(owner, explorer);  // the window whose ribbon was clicked
  EXPECT_TRUE(Says("> ribbon-click explorer1 ZormintTabOptions\n")) << transcript.str();
  EXPECT_TRUE(PumpUntil([&] { return ViewerStarts().size() == 1; })) << transcript.str();

  SelectRows(explorer, {Item("lunch")});
  EXPECT_TRUE(PumpUntil([&] {
    drawn = DrawnButtons(explorer, sim::kRibbonId);
    return drawn.size() == 3 && !drawn[1].enabled;
  })) << transcript.str();
}

// The user closes Outlook's window while the add-in's dialog is still up: the window closes
// (the add-in takes its buttons away), and Outlook exits once the dialog has gone.
TEST_F(OutlookWindow, ClosingTheWindowWhileTheDialogIsUpEndsOutlookAfterTheDialog) {
  // The dialog opened by the toolbar's landscape button, then by the ribbon's Options (whose
  // callback is still running when Outlook lets go of the add-in).
  for (const int bar : {sim::kToolbarId, sim::kRibbonId}) {
    SCOPED_TRACE(bar == sim::kToolbarId ? "toolbar" : "ribbon");
    Open();
    SelectRows(explorer, {Item("holiday")});
    std::vector<DrawnButton> drawn;
    ASSERT_TRUE(PumpUntil([&] {
      drawn = DrawnButtons(explorer, bar);
      return drawn.size() == (bar == sim::kToolbarId ? 6u : 3u) && drawn.back().enabled;
    })) << transcript.str();
    const int options = bar == sim::kToolbarId ? drawn[4].command : drawn[2].command;
    User user;
    HWND dialog = nullptr;
    size_t buttonsLeft = 99;
    bool endedTooSoon = true;
    user.When(
        "the dialog is up",
        [&] { return (dialog = FindTopLevel(L"Select Picture Attachments")) != nullptr; },
        [&] { PostMessageW(explorer, WM_CLOSE, 0, 0); });
    user.When(
        "Outlook's window has closed", [&] { return !IsWindowVisible(explorer); },
        [&] {
          buttonsLeft = session->Model().AddInControls(Xpl(1)).size();
          endedTooSoon = session->Finished();
          SendMessageW(ChildOf(dialog, L"Button", L"Clo&se"), BM_CLICK, 0, 0);
        });
    user.When("the dialog has closed", [&] { return !IsWindow(dialog); });
    user.Start();
    Press(explorer, options, bar);
    EXPECT_TRUE(PumpUntil([&] { return user.Finished(); }, 30000)) << user.Report();
    EXPECT_EQ(buttonsLeft, 0u);
    EXPECT_FALSE(endedTooSoon);
    ASSERT_TRUE(PumpUntil([&] { return session->Finished(); })) << transcript.str();
    EXPECT_FALSE(IsWindow(explorer));
    EXPECT_EQ(session->ExitCode(), 0) << transcript.str();
    EXPECT_EQ(session->Model().LiveReferences(), 0) << session->Model().DescribeLiveReferences();
    EXPECT_EQ(session->Model().EscapedExceptions(), 0);
    EXPECT_TRUE(ViewerStarts().empty());  // closed without "&Open"
    session.reset();
    Pump(50);
    transcript.str("");
  }
}

// Whether COM may unload ZORMINT.dll now, as its DllCanUnloadNow answers.
HRESULT CanUnloadNow() {
  HMODULE dll = GetModuleHandleW(L"ZORMINT.dll");
  if (!dll) return S_OK;  // unloaded already
  auto canUnload = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
      reinterpret_cast<void*>(GetProcAddress(dll, "DllCanUnloadNow")));
  return canUnload ? canUnload() : E_FAIL;
}

// Outlook lets go of the add-in while its dialog is up, from the dialog's own modal loop: the
// user switches it off, Outlook shuts down, or a fast shutdown just releases it. The dialog
// closes, nothing is shown or held, the library may be unloaded once the click has returned
// (not before: its dialog and handler were running), and the add-in can be switched on again.
TEST_F(OutlookWindow, LettingGoOfTheAddinWhileItsDialogIsUpLeavesNothingBehind) {
  for (const char* ending : {"switch-off", "shutdown", "fast-shutdown release"}) {
    for (const bool inInspector : {false, true}) {
      SCOPED_TRACE(std::string(ending) + (inInspector ? " in an inspector" : " in the explorer"));
      Open();
      SelectRows(explorer, {Item("holiday")});
      HWND window = explorer;
      if (inInspector) {
        DoubleClick(explorer, Item("holiday"));
        window = OpenedInspector(1);
        ASSERT_NE(window, nullptr) << transcript.str();
      }
      const std::vector<DrawnButton> drawn = AddinButtons(window);
      ASSERT_EQ(drawn.size(), 2u);
      User user;
      HWND dialog = nullptr, owner = nullptr;
      bool disabledWhileUp = false;
      HRESULT whileUp = E_FAIL;
      user.When(
          "the dialog is up",
          [&] { return (dialog = FindTopLevel(L"Select Picture Attachments")) != nullptr; },
          [&] {
            owner = GetWindow(dialog, GW_OWNER);
            disabledWhileUp = !IsWindowEnabled(window) && !IsWindowEnabled(explorer);
            whileUp = CanUnloadNow();
            session->Command(ending, nullptr);
          });
      user.When("the dialog has closed", [&] { return !IsWindow(dialog); });
      user.Start();
      Press(window, drawn[0].command);  // the dialog's loop runs inside
      EXPECT_TRUE(PumpUntil([&] { return user.Finished(); }, 30000)) << user.Report();
      EXPECT_EQ(whileUp, S_FALSE);
      EXPECT_EQ(owner, window);
      EXPECT_TRUE(disabledWhileUp);
      if (IsWindow(window)) {
        EXPECT_TRUE(IsWindowEnabled(window));
      }
      EXPECT_TRUE(IsWindowEnabled(explorer));
      // The add-in holds nothing; Outlook holds its own Application object until it lets go of
      // it (at once in a fast shutdown).
      const bool switchedOff = std::string(ending) == "switch-off";
      const bool fast = std::string(ending) == "fast-shutdown release";
      EXPECT_EQ(session->Model().LiveReferences(), fast ? 0 : 1)
          << session->Model().DescribeLiveReferences();
      EXPECT_EQ(session->Model().ConnectedSinks(), 0);
      EXPECT_EQ(session->Model().EscapedExceptions(), 0);
      EXPECT_TRUE(ViewerStarts().empty());
      EXPECT_EQ(CanUnloadNow(), S_OK);
      const size_t buttons = session->Model().AddInControls(Xpl(1)).size();
      if (switchedOff) {
        EXPECT_EQ(buttons, 0u);  // the user switched it off: its buttons go
        // Switched on again, it works as at start-up.
        EXPECT_TRUE(session->Command("start after-startup", nullptr)) << transcript.str();
        EXPECT_EQ(session->Model().AddInControls(Xpl(1)).size(), 2u);
        EXPECT_EQ(CanUnloadNow(), S_FALSE);
        session->Finish();
        EXPECT_EQ(session->ExitCode(), 0) << transcript.str();
      }
      session.reset();
      Pump(50);
    }
  }
}

// A second click on the options button while the dialog is open (behind Outlook, or
// minimised) brings the dialog to the front, restored, with its list as it was.
TEST_F(OutlookWindow, ASecondOptionsClickBringsTheOpenDialogToTheFront) {
  // Owned by the window, and without an owner when the window gives a handle that is no window.
  for (const bool owned : {true, false}) {
    SCOPED_TRACE(owned ? "owned" : "a handle that is no window");
    Open();
    if (!owned) session->Model().SetWindowHandle(Xpl(1), 0x10);
    SelectRows(explorer, {Item("holiday")});
    const std::vector<DrawnButton> drawn = AddinButtons(explorer);
    ASSERT_EQ(drawn.size(), 2u);
    User user;
    HWND dialog = nullptr, owner = explorer;
    bool restored = false, inFront = false, disabledWhileUp = false;
    LRESULT ticked = -1;
    user.When(
        "the dialog is up",
        [&] { return (dialog = FindTopLevel(L"Select Picture Attachments")) != nullptr; },
        [&] {
          owner = GetWindow(dialog, GW_OWNER);
          disabledWhileUp = !IsWindowEnabled(explorer);
          ShowWindow(dialog, SW_MINIMIZE);
          SetForegroundWindow(explorer);
          Press(explorer, drawn[0].command);
        });
    user.When(
        "the dialog is back", [&] { return !IsIconic(dialog); },
        [&] {
          restored = IsWindowVisible(dialog) && !IsIconic(dialog);
          inFront = GetForegroundWindow() == dialog;
          ticked = SendMessageW(ChildOf(dialog, L"ListBox", nullptr), LB_GETSELCOUNT, 0, 0);
          SendMessageW(ChildOf(dialog, L"Button", L"Clo&se"), BM_CLICK, 0, 0);
        });
    user.When("the dialog has closed", [&] { return !IsWindow(dialog); });
    user.Start();
    Press(explorer, drawn[0].command);
    EXPECT_TRUE(PumpUntil([&] { return user.Finished(); }, 30000)) << user.Report();
    EXPECT_EQ(owner, owned ? explorer : nullptr);
    EXPECT_TRUE(disabledWhileUp);  // modal either way
    EXPECT_TRUE(IsWindowEnabled(explorer));
    EXPECT_TRUE(restored);
    EXPECT_TRUE(inFront);
    EXPECT_EQ(ticked, 3);  // the list is the one it was opened with
    EXPECT_TRUE(ViewerStarts().empty());
    session.reset();
    Pump(50);
    transcript.str("");
  }
}

// The dialog is modal to Outlook: while it is up, Outlook's windows take no input (a click on
// the main window's "Zormint" does nothing), and they take it again however the dialog ends.
TEST_F(OutlookWindow, OutlooksWindowsTakeNoInputWhileTheDialogIsUpWhateverEndsIt) {
  const std::vector<std::pair<std::string, std::function<void(HWND)>>> endings = {
      {"&Open", [](HWND d) { SendMessageW(ChildOf(d, L"Button", L"&Open"), BM_CLICK, 0, 0); }},
      {"Clo&se", [](HWND d) { SendMessageW(ChildOf(d, L"Button", L"Clo&se"), BM_CLICK, 0, 0); }},
      {"Esc", [](HWND) { PressKey(VK_ESCAPE); }},
      {"the close box", [](HWND d) { SendMessageW(d, WM_SYSCOMMAND, SC_CLOSE, 0); }},
      {"switch-off", [this](HWND) { session->Command("switch-off", nullptr); }},
      {"shutdown", [this](HWND) { session->Command("shutdown", nullptr); }},
  };
  for (const auto& [ending, end] : endings) {
    SCOPED_TRACE(ending);
    Open();
    // Outlook large enough that the dialog centred on it leaves its toolbar uncovered.
    SetWindowPos(explorer, nullptr, 0, 0, 1000, 740, SWP_NOZORDER);
    SelectRows(explorer, {Item("holiday")});
    const size_t startsBefore = ViewerStarts().size();  // the viewer's record outlives a session
    const std::vector<DrawnButton> drawn = AddinButtons(explorer);
    ASSERT_EQ(drawn.size(), 2u);
    RECT zormint = drawn[1].rect;
    MapWindowPoints(ToolbarOf(explorer), nullptr, reinterpret_cast<POINT*>(&zormint), 2);
    User user;
    HWND dialog = nullptr, owner = nullptr;
    RECT placed = {};
    bool disabledWhileUp = false, dialogActive = false, dialogFocused = false;
    size_t startsWhileUp = 99;
    DWORD clickedAt = 0;
    user.When(
        "the dialog is up",
        [&] { return (dialog = FindTopLevel(L"Select Picture Attachments")) != nullptr; },
        [&] {
          disabledWhileUp = !IsWindowEnabled(explorer);
          dialogActive = GetActiveWindow() == dialog;
          dialogFocused = GetFocus() && IsChild(dialog, GetFocus());
          owner = GetWindow(dialog, GW_OWNER);
          GetWindowRect(dialog, &placed);
          ClickAt({(zormint.left + zormint.right) / 2, (zormint.top + zormint.bottom) / 2});
          clickedAt = GetTickCount();
        });
    user.When(
        "a moment after the click", [&] { return GetTickCount() - clickedAt > 300; },
        [&] {
          startsWhileUp = ViewerStarts().size();
          end(dialog);
        });
    user.When("the dialog has closed", [&] { return !IsWindow(dialog); });
    user.Start();
    Press(explorer, drawn[0].command);  // the dialog's loop runs inside
    EXPECT_TRUE(PumpUntil([&] { return user.Finished(); }, 30000)) << user.Report();
    EXPECT_TRUE(disabledWhileUp);
    EXPECT_TRUE(dialogActive);
    EXPECT_TRUE(dialogFocused);
    // Owned by the window that was clicked, and centred on it.
    EXPECT_EQ(owner, explorer);
    EXPECT_NEAR((placed.left + placed.right) / 2, 500, 1);
    EXPECT_NEAR((placed.top + placed.bottom) / 2, 370, 1);
    EXPECT_EQ(startsWhileUp, startsBefore);  // the click on "Zormint" went nowhere
    EXPECT_TRUE(IsWindowEnabled(explorer));
    EXPECT_EQ(GetActiveWindow(), explorer);  // the activation comes back to the owner
    if (ending == "&Open") {
      EXPECT_TRUE(PumpUntil([&] { return ViewerStarts().size() == startsBefore + 1; }))
          << transcript.str();
    } else {
      Pump(100);
      EXPECT_EQ(ViewerStarts().size(), startsBefore);
    }
    session.reset();
    Pump(50);
    transcript.str("");
  }
}

TEST_F(OutlookWindow, ADoubleClickOpensAnInspectorWithItsOwnToolbar) {
  Open();
  DoubleClick(explorer, Item("holiday"));
  HWND inspector = OpenedInspector(1);
  ASSERT_NE(inspector, nullptr) << transcript.str();
  EXPECT_TRUE(Says("> open-inspector \"holiday\"\n"));
  EXPECT_EQ(Title(inspector), L"Holiday pictures from the coast - Message (simulated)");
  std::vector<DrawnButton> drawn = DrawnButtons(inspector);
  ASSERT_EQ(drawn.size(), 6u);
  EXPECT_TRUE(drawn[3].separator);
  EXPECT_EQ(drawn[4].tooltip, L"View ZORMINT Options");
  EXPECT_EQ(drawn[5].text, L"Zormint");
  EXPECT_TRUE(DrawnEnabled(inspector));  // the message has pictures
  const std::vector<ControlView> buttons = session->Model().AddInControls(Isp(1));
  ASSERT_EQ(buttons.size(), 2u);
  EXPECT_EQ(buttons[0].tag, "INSPECTOR11");
  EXPECT_EQ(buttons[1].tag, "INSPECTOR12");

  Press(inspector, drawn[5].command);
  EXPECT_TRUE(Says("> click inspector1 \"INSPECTOR12\"\n  clicked")) << transcript.str();
  EXPECT_TRUE(PumpUntil([&] { return ViewerStarts().size() == 1; })) << transcript.str();

  // Closing it fires Close: the add-in takes its buttons away and the window goes.
  SendMessageW(inspector, WM_CLOSE, 0, 0);
  EXPECT_TRUE(PumpUntil([&] { return !IsWindow(inspector); }));
  EXPECT_TRUE(Says("> close inspector1\n"));
  EXPECT_TRUE(session->Model().OpenInspectors().empty());
  EXPECT_TRUE(session->Model().AddInControls(Isp(1)).empty());
  EXPECT_EQ(session->WindowOf(Isp(1)), nullptr);

  // A message without pictures: the buttons are there, disabled.
  DoubleClick(explorer, Item("lunch"));
  HWND second = OpenedInspector(2);
  ASSERT_NE(second, nullptr) << transcript.str();
  EXPECT_TRUE(DrawnDisabled(second));
  EXPECT_FALSE(session->Finished());
}

TEST_F(OutlookWindow, ClosingTheLastWindowEndsOutlookWithNothingHeld) {
  Open();
  SelectRows(explorer, {Item("holiday")});
  DoubleClick(explorer, Item("drawings"));
  HWND inspector = OpenedInspector(1);
  ASSERT_NE(inspector, nullptr);

  // Outlook goes on while a message window is open.
  SendMessageW(explorer, WM_CLOSE, 0, 0);
  EXPECT_TRUE(PumpUntil([&] { return !IsWindow(explorer); }));
  EXPECT_TRUE(Says("> close explorer1\n"));
  EXPECT_FALSE(session->Finished());
  EXPECT_TRUE(DrawnEnabled(inspector));

  SendMessageW(inspector, WM_CLOSE, 0, 0);
  ASSERT_TRUE(PumpUntil([&] { return session->Finished(); })) << transcript.str();
  EXPECT_FALSE(IsWindow(inspector));
  EXPECT_EQ(session->ExitCode(), 0) << transcript.str();
  EXPECT_TRUE(
      Says("Outlook has exited. What its add-ins still hold:\n"
           "  references to Outlook objects: 0\n"
           "  event connections: 0\n"))
      << transcript.str();
  EXPECT_EQ(session->Model().LiveReferences(), 0) << session->Model().DescribeLiveReferences();
  EXPECT_EQ(session->Model().ConnectedSinks(), 0);
  EXPECT_EQ(session->Model().EscapedExceptions(), 0);
}

// A picture of the main window with the buttons enabled and the tooltip of "Zormint", and one
// of a message window, beside the test programs (screenshots/).
TEST_F(OutlookWindow, TheButtonsAreOnTheScreenAsDrawn) {
  Open();
  SelectRows(explorer, {Item("holiday")});
  ASSERT_TRUE(DrawnEnabled(explorer));
  const std::vector<DrawnButton> drawn = DrawnButtons(explorer);
  ASSERT_EQ(drawn.size(), 6u);
  HWND bar = ToolbarOf(explorer);
  UpdateWindow(explorer);
  Pump(300);

  // The face, pixel for pixel, inside the options button on the screen.
  int width = 0, height = 0;
  const std::vector<uint32_t> face =
      BitmapResourcePixels(GetModuleHandleW(L"ZORMINT.dll"), kFaceResource, width, height);
  RECT options = drawn[4].rect;
  MapWindowPoints(bar, nullptr, reinterpret_cast<POINT*>(&options), 2);
  EXPECT_TRUE(Contains(ScreenPixels(options), options.right - options.left,
                       options.bottom - options.top, face, width))
      << "the options button does not show the add-in's face";

  // The pointer rests on "Zormint": its tooltip appears.
  RECT zormint = drawn[5].rect;
  MapWindowPoints(bar, nullptr, reinterpret_cast<POINT*>(&zormint), 2);
  SetCursorPos((zormint.left + zormint.right) / 2, (zormint.top + zormint.bottom) / 2);
  auto tooltip = reinterpret_cast<HWND>(SendMessageW(bar, TB_GETTOOLTIPS, 0, 0));
  EXPECT_TRUE(PumpUntil([&] { return tooltip && IsWindowVisible(tooltip); }, 5000));
  Pump(300);

  const std::filesystem::path shots = Screenshots();
  RECT picture = {};
  GetWindowRect(explorer, &picture);
  if (tooltip && IsWindowVisible(tooltip)) {
    RECT tip = {};
    GetWindowRect(tooltip, &tip);
    UnionRect(&picture, &picture, &tip);
  }
  EXPECT_TRUE(SaveScreen(picture, (shots / "outlook-window.bmp").wstring()));

  DoubleClick(explorer, Item("holiday"));
  HWND inspector = OpenedInspector(1);
  ASSERT_NE(inspector, nullptr);
  UpdateWindow(inspector);
  Pump(300);
  GetWindowRect(inspector, &picture);
  EXPECT_TRUE(SaveScreen(picture, (shots / "outlook-inspector.bmp").wstring()));
}

// The program itself, driven from outside as a user would: its window, a message picked with
// the keyboard, "Zormint" pressed, the window closed; its transcript ends with the report.
TEST_F(OutlookWindow, TheProgramRunsASessionAndReportsWhenItsWindowCloses) {
  CapturedProcess program(L"\"" + BinFolder() + L"\\outlook-sim-window.exe\" \"" +
                          SampleMailbox().wstring() + L"\"");
  ASSERT_TRUE(program.Started());

  HWND window = nullptr;
  EXPECT_TRUE(PumpUntil(
      [&] {
        window = FindWindowW(sim::kExplorerClass, L"Inbox - Outlook (simulated)");
        return window != nullptr;
      },
      60000));
  HWND bar = window ? GetDlgItem(window, sim::kToolbarId) : nullptr;
  HWND list = window ? GetDlgItem(window, sim::kMessageListId) : nullptr;
  // Outlook's three buttons, the separator and the add-in's two.
  EXPECT_TRUE(PumpUntil([&] { return SendMessageW(bar, TB_BUTTONCOUNT, 0, 0) == 6; }));
  const int zormint = CommandBarStrip::kFirstCommand + 4;
  EXPECT_FALSE(SendMessageW(bar, TB_ISBUTTONENABLED, zormint, 0));
  SendMessageW(list, WM_KEYDOWN, VK_HOME, 0);  // the first message: the holiday pictures
  EXPECT_TRUE(PumpUntil([&] { return SendMessageW(bar, TB_ISBUTTONENABLED, zormint, 0) != 0; }));
  SendMessageW(window, WM_COMMAND, MAKEWPARAM(zormint, BN_CLICKED), reinterpret_cast<LPARAM>(bar));
  EXPECT_TRUE(PumpUntil([&] { return ViewerStarts().size() == 1; }));
  PostMessageW(window, WM_CLOSE, 0, 0);

  const std::optional<DWORD> code = program.Wait(60000);
  const std::string text = program.Output();
  ASSERT_TRUE(code) << text;
  EXPECT_EQ(*code, 0u) << text;
  EXPECT_NE(text.find("OnConnection took"), std::string::npos) << text;
  EXPECT_NE(text.find("> select explorer1 \"holiday\"\n"), std::string::npos) << text;
  EXPECT_NE(text.find("> click explorer1 \"EXPLORER12\"\n  clicked"), std::string::npos) << text;
  EXPECT_NE(text.find("  viewer started: "), std::string::npos) << text;
  EXPECT_NE(text.find("> close explorer1\n"), std::string::npos) << text;
  EXPECT_NE(text.find("  references to Outlook objects: 0\n  event connections: 0\n"),
            std::string::npos)
      << text;
}

}  // namespace
}  // namespace zormint::wine_test::window

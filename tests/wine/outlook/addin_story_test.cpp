// The real ZORMINT.dll inside the simulated Outlook: registered with its own entry points,
// found through Outlook's add-in list and created by its ProgID in this process, as Outlook
// loads it; then whole stories on the sample mailbox, checked by what a user would see.
#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>

#include "com_client.h"
#include "sim/session/story.h"
#include "support/addin_fixture.h"

namespace zormint::wine_test::outlook {
namespace {

using sim::ControlView;
using sim::Story;
using sim::WindowRef;

class AddinStory : public RegisteredAddin {
 protected:
  void TearDown() override {
    if (story) story->Finish();
    story.reset();
    RegisteredAddin::TearDown();
  }

  // Outlook with the sample mailbox; the add-ins load at `start`.
  void NewStory() {
    story = std::make_unique<Story>(transcript, SampleMailbox());
    story->SetViewerWait(0);
  }
  void Run(std::initializer_list<const char*> lines) {
    for (const char* line : lines)
      ASSERT_TRUE(story->Command(line)) << transcript.str();
  }
  sim::Outlook& Model() { return story->Model(); }
  std::vector<ControlView> Buttons(WindowRef window) { return Model().AddInControls(window); }
  static WindowRef Xpl(int id) { return {WindowRef::kExplorer, id}; }
  static WindowRef Isp(int id) { return {WindowRef::kInspector, id}; }
  bool Enabled(WindowRef window) {
    const std::vector<ControlView> buttons = Buttons(window);
    EXPECT_EQ(buttons.size(), 2u) << transcript.str();
    return buttons.size() == 2 && buttons[0].enabled && buttons[1].enabled;
  }
  // What the add-in holds once it has been disconnected and the host let go of its own.
  void ExpectNothingHeld() {
    EXPECT_EQ(story->Finish(), 0) << transcript.str();
    EXPECT_EQ(Model().LiveReferences(), 0) << Model().DescribeLiveReferences();
    EXPECT_EQ(Model().ConnectedSinks(), 0);
    EXPECT_EQ(Model().EscapedExceptions(), 0);
  }

  std::ostringstream transcript;
  std::unique_ptr<Story> story;
};

TEST_F(AddinStory, OutlookLoadsTheAddinFromItsAddinsKeyAndOnlyWithLoadBehaviorThree) {
  NewStory();
  Run({"open-explorer Inbox", "start"});
  const std::vector<sim::HostedAddin>& addins = story->Host().Addins();
  ASSERT_EQ(addins.size(), 1u);
  EXPECT_EQ(addins[0].entry.progId, L"ZORMINT.dsrWrapper");
  EXPECT_EQ(addins[0].entry.friendlyName, L"ZORMINT");
  EXPECT_EQ(addins[0].created, S_OK);
  EXPECT_EQ(addins[0].connected, S_OK);
  EXPECT_LT(addins[0].connectionMs, 1000.0) << "Outlook disables an add-in this slow";
  EXPECT_EQ(Buttons(Xpl(1)).size(), 2u);
  ExpectNothingHeld();

  // Switched off in Outlook's list: not loaded at the next start.
  story.reset();
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, AddinKey().c_str(), 0, KEY_SET_VALUE, &key),
            ERROR_SUCCESS);
  const DWORD loadOnDemand = 2;
  RegSetValueExW(key, L"LoadBehavior", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&loadOnDemand),
                 sizeof loadOnDemand);
  RegCloseKey(key);
  NewStory();
  Run({"open-explorer Inbox", "start"});
  EXPECT_TRUE(story->Host().Addins().empty());
  EXPECT_TRUE(Buttons(Xpl(1)).empty());
  EXPECT_NE(transcript.str().find("ZORMINT.dsrWrapper: LoadBehavior 2, not loaded"),
            std::string::npos);
}

TEST_F(AddinStory, WithoutAnExplorerAtStartTheAddinStaysDormant) {
  NewStory();
  Run({"start", "open-explorer Inbox", "select holiday", "open-inspector holiday"});
  EXPECT_TRUE(Buttons(Xpl(1)).empty());
  EXPECT_TRUE(Buttons(Isp(1)).empty());
  EXPECT_EQ(Model().ConnectedSinks(), 0);  // it follows no window
  ExpectNothingHeld();
  // Once Outlook has let go of it, nothing of the add-in keeps the library loaded.
  EXPECT_EQ(dll.CanUnloadNow(), S_OK);
}

TEST_F(AddinStory, TheButtonsOnTheStandardBarAreTheDocumentedOnes) {
  NewStory();
  Run({"open-explorer Inbox", "start"});
  std::vector<ControlView> standard = Model().Controls(Xpl(1), "Standard");
  ASSERT_EQ(standard.size(), 5u);
  EXPECT_FALSE(standard[2].addedByAddIn);
  const ControlView& options = standard[3];
  const ControlView& zormint = standard[4];
  EXPECT_TRUE(options.addedByAddIn);
  EXPECT_EQ(options.type, host::kMsoControlButton);
  EXPECT_TRUE(options.beginGroup);
  EXPECT_EQ(options.style, host::kMsoButtonIcon);
  auto* face = dynamic_cast<const sim::SimPicture*>(options.picture.get());
  ASSERT_NE(face, nullptr) << "the options button has a face";
  EXPECT_GT(face->width, 0);
  EXPECT_EQ(options.caption, "");
  EXPECT_EQ(options.tooltipText, "View ZORMINT Options");
  EXPECT_EQ(options.tag, "EXPLORER11");
  EXPECT_EQ(options.onAction, "!<ZORMINT.dsrWrapper>");
  EXPECT_TRUE(options.temporary);
  EXPECT_FALSE(options.enabled);
  EXPECT_FALSE(zormint.beginGroup);
  EXPECT_EQ(zormint.caption, "Zormint");
  EXPECT_EQ(zormint.tooltipText, "View All Picture Attachments");
  EXPECT_EQ(zormint.tag, "EXPLORER12");
  EXPECT_EQ(zormint.onAction, "!<ZORMINT.dsrWrapper>");
  EXPECT_TRUE(zormint.temporary);
  EXPECT_FALSE(zormint.enabled);
  // Nothing on the other bars.
  EXPECT_EQ(Buttons(Xpl(1)).size(), 2u);
  // A second Explorer gets its buttons at its first folder switch, with tags of its own.
  Run({"open-explorer Inbox"});
  EXPECT_TRUE(Buttons(Xpl(2)).empty());
  Run({"switch-folder explorer2 Inbox"});
  std::vector<ControlView> second = Buttons(Xpl(2));
  ASSERT_EQ(second.size(), 2u);
  EXPECT_EQ(second[0].tag, "EXPLORER21");
  EXPECT_EQ(second[1].tag, "EXPLORER22");
  ExpectNothingHeld();
}

TEST_F(AddinStory, TheButtonsAreEnabledOnlyForOneMessageWithPictures) {
  NewStory();
  Run({"open-explorer Inbox", "start", "select holiday"});
  EXPECT_TRUE(Enabled(Xpl(1)));
  Run({"select lunch"});  // no attachment
  EXPECT_FALSE(Enabled(Xpl(1)));
  Run({"select invoice"});  // a PDF, a table and a PNG: no picture by the add-in's rule
  EXPECT_FALSE(Enabled(Xpl(1)));
  Run({"select drawings"});  // a BMP and a TIF
  EXPECT_TRUE(Enabled(Xpl(1)));
  Run({"select holiday drawings"});  // two messages
  EXPECT_FALSE(Enabled(Xpl(1)));
  Run({"select"});
  EXPECT_FALSE(Enabled(Xpl(1)));
  Run({"switch-folder \"Team posts\"", "select teamphoto"});
  EXPECT_TRUE(Enabled(Xpl(1)));
  Run({"switch-folder Contacts", "select anna"});  // not a mail or post folder
  EXPECT_FALSE(Enabled(Xpl(1)));

  // An Inspector on a saved message gets buttons for that message; a draft gets none.
  Run({"open-inspector holiday"});
  std::vector<ControlView> inspector = Buttons(Isp(1));
  ASSERT_EQ(inspector.size(), 2u);
  EXPECT_EQ(inspector[0].tag, "INSPECTOR11");
  EXPECT_TRUE(Enabled(Isp(1)));
  Run({"move-inspector inspector1 lunch"});
  EXPECT_FALSE(Enabled(Isp(1)));
  Run({"open-inspector draft"});
  EXPECT_TRUE(Buttons(Isp(2)).empty());
  Run({"close inspector1"});
  ExpectNothingHeld();
}

TEST_F(AddinStory, ViewAllSavesThePicturesAndStartsTheAssociatedViewerOnTheFirst) {
  NewStory();
  story->SetViewerWait(10000);
  Run({"open-explorer Inbox", "start", "select holiday",
       "click explorer1 \"View All Picture Attachments\""});
  const std::string text = transcript.str();

  // The working folder: ZORMINT$ and a twelve-digit time stamp, holding the three pictures.
  namespace fs = std::filesystem;
  std::vector<fs::path> folders;
  for (const auto& entry : fs::directory_iterator(fs::path(TempPath()))) {
    const std::wstring name = entry.path().filename().wstring();
    if (name.rfind(L"ZORMINT$", 0) == 0) folders.push_back(entry.path());
  }
  ASSERT_EQ(folders.size(), 1u) << text;
  const std::wstring suffix = folders[0].filename().wstring().substr(8);
  EXPECT_EQ(suffix.size(), 12u);
  EXPECT_TRUE(std::all_of(suffix.begin(), suffix.end(), [](wchar_t c) { return iswdigit(c); }));
  std::vector<std::wstring> files;
  for (const auto& entry : fs::directory_iterator(folders[0]))
    files.push_back(entry.path().filename().wstring());
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::wstring>{L"beach.jpg", L"harbour.jpeg", L"route-map.gif"}));
  EXPECT_EQ(fs::file_size(folders[0] / L"beach.jpg"),
            fs::file_size(fs::path(ZORMINT_SAMPLES_DIR) / "pictures" / "beach.jpg"));

  // The viewer Windows associates with .jpg was started once, on the first picture.
  const std::vector<std::string> starts = ViewerStarts();
  ASSERT_EQ(starts.size(), 1u) << text;
  const std::string& all = starts[0];
  EXPECT_NE(all.find("viewer-recorder.exe"), std::string::npos) << all;
  EXPECT_NE(all.find("\\beach.jpg"), std::string::npos) << all;
  EXPECT_NE(all.find("2560 bytes"), std::string::npos) << all;
  EXPECT_NE(text.find("viewer started:"), std::string::npos) << text;
  ExpectNothingHeld();
}

// The files of the working folder written last, sorted.
std::vector<std::wstring> WorkingFolderFiles(const std::filesystem::path& temp) {
  namespace fs = std::filesystem;
  fs::path newest;
  fs::file_time_type newestTime{};
  for (const auto& folder : fs::directory_iterator(temp)) {
    if (folder.path().filename().wstring().rfind(L"ZORMINT$", 0) != 0) continue;
    if (newest.empty() || folder.last_write_time() >= newestTime) {
      newest = folder.path();
      newestTime = folder.last_write_time();
    }
  }
  std::vector<std::wstring> files;
  if (newest.empty()) return files;
  for (const auto& entry : fs::directory_iterator(newest))
    files.push_back(entry.path().filename().wstring());
  std::sort(files.begin(), files.end());
  return files;
}

TEST_F(AddinStory, TodaysMailLinksAreNoPicturesLikeNamesAreAllKeptAndNothingSavedIsTold) {
  NewStory();
  story->SetViewerWait(10000);
  // A cloud album link named like a picture is not saved; the photo beside it is.
  Run({"open-explorer Inbox", "start", "select today",
       "click explorer1 \"View All Picture Attachments\""});
  EXPECT_EQ(WorkingFolderFiles(TempPath()), (std::vector<std::wstring>{L"Photo.jpg"}));
  EXPECT_EQ(ViewerStarts().size(), 1u) << transcript.str();

  // Two photos named image.jpg: both kept, the viewer on the first.
  Run({"select twins", "ribbon-click explorer1 Zormint"});
  EXPECT_EQ(WorkingFolderFiles(TempPath()),
            (std::vector<std::wstring>{L"image (2).jpg", L"image.jpg"}));
  std::vector<std::string> starts = ViewerStarts();
  ASSERT_EQ(starts.size(), 2u) << transcript.str();
  EXPECT_NE(starts[1].find("\\image.jpg"), std::string::npos) << starts[1];
  EXPECT_NE(starts[1].find("2560 bytes"), std::string::npos) << starts[1];

  // A protected message: nothing saved, no viewer, and a warning box says so.
  story->SetViewerWait(500);
  const size_t before = transcript.str().size();
  Run({"select locked", "click explorer1 \"View All Picture Attachments\""});
  const std::string text = transcript.str().substr(before);
  EXPECT_NE(text.find("message box \"NO Pictures Saved\": None of the pictures could be saved"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("no viewer started"), std::string::npos) << text;
  EXPECT_EQ(ViewerStarts().size(), 2u);
  ExpectNothingHeld();
}

// The user's "More Picture Types" value for the length of a test, removed after it.
class PresetPictureTypes {
 public:
  explicit PresetPictureTypes(const wchar_t* value) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) == ERROR_SUCCESS) {
      RegSetValueExW(key, L"More Picture Types", 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                     static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t)));
      RegCloseKey(key);
    }
  }
  ~PresetPictureTypes() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
      RegDeleteValueW(key, L"More Picture Types");
      RegCloseKey(key);
    }
  }

 private:
  static constexpr const wchar_t* kKey = L"Software\\VB and VBA Program Settings\\ZORMINT\\Startup";
};

TEST_F(AddinStory, PresetMorePictureTypesShowTheScreenshotAndThePhotoButNotTheLogo) {
  // As an administrator presets it for the user before Outlook starts.
  PresetPictureTypes preset(L"1");
  NewStory();
  story->SetViewerWait(10000);
  Run({"open-explorer Inbox", "start", "select today",
       "click explorer1 \"View All Picture Attachments\""});
  EXPECT_EQ(WorkingFolderFiles(TempPath()),
            (std::vector<std::wstring>{L"IMG_2041.HEIC", L"Photo.jpg", L"screenshot.png"}));
  const std::vector<std::string> starts = ViewerStarts();
  ASSERT_EQ(starts.size(), 1u) << transcript.str();
  EXPECT_NE(starts[0].find("\\screenshot.png"), std::string::npos) << starts[0];
  ExpectNothingHeld();
}

TEST_F(AddinStory, SwitchingOffRemovesTheButtonsAndShutdownLeavesThemToOutlook) {
  NewStory();
  Run({"open-explorer Inbox", "start", "open-explorer Inbox", "switch-folder explorer2 Inbox",
       "open-inspector holiday", "switch-off"});
  EXPECT_TRUE(Buttons(Xpl(1)).empty());
  EXPECT_TRUE(Buttons(Xpl(2)).empty());
  EXPECT_TRUE(Buttons(Isp(1)).empty());
  ExpectNothingHeld();

  story.reset();
  NewStory();
  Run({"open-explorer Inbox", "start", "open-inspector holiday", "shutdown"});
  EXPECT_EQ(Buttons(Xpl(1)).size(), 2u);  // temporary: Outlook drops them as it exits
  EXPECT_EQ(Buttons(Isp(1)).size(), 2u);
  ExpectNothingHeld();
}

// The ribbon, as Outlook 2010 and later show the add-in: its groups on the Home tab, the
// Attachments tab and the attachment menu of the main window, and on the message tab of a
// message window (a WordMail one, which has no command-bar buttons), enabled by the rule of the
// buttons as the selection changes, each running "Zormint" for the message of its Context.
TEST_F(AddinStory, TheRibbonShowsItsGroupsEnablesThemByTheRuleAndRunsZormint) {
  NewStory();
  story->SetViewerWait(10000);
  Run({"open-explorer Inbox", "start"});
  auto states = [&](WindowRef window) {
    std::vector<std::string> seen;
    for (const sim::ShownRibbonButton& shown : story->Ribbon().Buttons(window)) {
      seen.push_back(shown.button.place + ":" + shown.button.id + "=" +
                     (shown.enabled ? "on" : "off"));
      EXPECT_TRUE(shown.picture) << shown.button.id;
      if (shown.picture) {
        EXPECT_EQ(shown.picture->bitsPerPixel, 32) << shown.button.id;
        EXPECT_EQ(shown.picture->width, 64) << shown.button.id;
        // Transparent corners, an opaque middle: the alpha channel came through.
        EXPECT_EQ(shown.picture->pixels.front() >> 24, 0u) << shown.button.id;
        EXPECT_EQ(shown.picture->pixels[32 * 64 + 32] >> 24, 255u) << shown.button.id;
      }
    }
    return seen;
  };
  const std::vector<std::string> off = {
      "TabMail:ZormintTabView=off", "TabMail:ZormintTabOptions=off",
      "TabAttachments:ZormintAttView=off", "TabAttachments:ZormintAttOptions=off",
      "ContextMenuAttachments:ZormintMenuView=off"};
  EXPECT_EQ(states(Xpl(1)), off) << transcript.str();

  // Selecting a message with pictures invalidates the controls; Office asks again.
  const int before = story->Ribbon().EnabledQueries();
  Run({"select holiday"});
  EXPECT_NE(transcript.str().find("ribbon controls invalidated: ZormintTabView"), std::string::npos)
      << transcript.str();
  EXPECT_EQ(states(Xpl(1)),
            (std::vector<std::string>{"TabMail:ZormintTabView=on", "TabMail:ZormintTabOptions=on",
                                      "TabAttachments:ZormintAttView=on",
                                      "TabAttachments:ZormintAttOptions=on",
                                      "ContextMenuAttachments:ZormintMenuView=off"}));
  EXPECT_EQ(story->Ribbon().EnabledQueries(), before + 5);
  Run({"ribbon-click explorer1 Zormint"});
  ASSERT_EQ(ViewerStarts().size(), 1u) << transcript.str();
  EXPECT_NE(ViewerStarts()[0].find("\\beach.jpg"), std::string::npos);

  // The attachment menu acts on the message the selected attachment belongs to.
  Run({"attachment-select explorer1 2", "ribbon-click explorer1 ZormintMenuView"});
  EXPECT_EQ(ViewerStarts().size(), 2u) << transcript.str();
  // The Attachments tab's group does the same for the message shown.
  Run({"ribbon-click explorer1 ZormintAttView"});
  EXPECT_EQ(ViewerStarts().size(), 3u) << transcript.str();
  Run({"select lunch", "ribbon-click explorer1 ZormintTabView"});
  EXPECT_NE(transcript.str().find("the ribbon button \"ZormintTabView\" is disabled"),
            std::string::npos);

  // A WordMail message window: no command-bar buttons, the ribbon works.
  Run({"open-inspector drawings wordmail"});
  EXPECT_TRUE(Buttons(Isp(1)).empty());
  EXPECT_EQ(states(Isp(1)),
            (std::vector<std::string>{
                "TabReadMessage:ZormintTabView=on", "TabReadMessage:ZormintTabOptions=on",
                "TabAttachments:ZormintAttView=on", "TabAttachments:ZormintAttOptions=on",
                "ContextMenuAttachments:ZormintMenuView=off"}));
  // Its attachment menu, for an attachment selected in it.
  Run({"attachment-select inspector1 1"});
  EXPECT_TRUE(story->Ribbon().Buttons(Isp(1)).back().enabled) << transcript.str();
  Run({"ribbon-click inspector1 \"View All Picture Attachments\""});
  EXPECT_EQ(ViewerStarts().size(), 4u) << transcript.str();
  Run({"show"});
  EXPECT_NE(transcript.str().find("ribbon TabReadMessage, group \"ZORMINT\": \"Zormint\""),
            std::string::npos)
      << transcript.str();
  // The command-bar buttons of the main window are as before.
  EXPECT_FALSE(Enabled(Xpl(1)));
  EXPECT_TRUE(story->Ribbon().TakeReports().empty());
  ExpectNothingHeld();
}

// Switched off and on again in the same Outlook: the new add-in object's ribbon is loaded anew,
// and neither the old nor the new one keeps anything of Outlook's. The ribbon's IDispatch
// serves the callbacks alone and refuses a wrong call; the add-in object's own IDispatch serves
// its type library's members and the callbacks after them; once disconnected, a late callback
// answers "disabled" and the customisations are none.
TEST_F(AddinStory, TheRibbonFollowsTheAddinSwitchedOffAndOnAgain) {
  NewStory();
  Run({"open-explorer Inbox", "start", "open-inspector holiday wordmail"});
  ComRef<IDTExtensibility2> addin = story->Host().Addins().at(0).object;
  ComRef<IRibbonExtensibility> ribbon;
  ComRef<IDispatch> callbacks, own;
  ASSERT_EQ(addin.QueryTo(ribbon), S_OK);
  ASSERT_EQ(ribbon.QueryTo(callbacks), S_OK);
  ASSERT_EQ(addin.QueryTo(own), S_OK);
  auto customUI = [&](const wchar_t* id) {
    BSTR xml = nullptr;
    EXPECT_EQ(ribbon->GetCustomUI(win32::Bstr(id).Get(), &xml), S_OK);
    const std::wstring text = xml ? xml : L"(none)";
    SysFreeString(xml);
    return text;
  };
  EXPECT_EQ(customUI(L"Microsoft.Outlook.Mail.Compose"), L"");
  EXPECT_NE(IdOf(callbacks.Get(), L"ribbon_getenabled"), DISPID_UNKNOWN);
  EXPECT_EQ(IdOf(callbacks.Get(), L"Ribbon_Unknown"), DISPID_UNKNOWN);
  EXPECT_EQ(IdOf(callbacks.Get(), L"OnConnection"), DISPID_UNKNOWN);
  EXPECT_EQ(Call(callbacks.Get(), L"Ribbon_OnAction", DISPATCH_METHOD).hr, DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(Call(callbacks.Get(), L"Ribbon_OnAction", DISPATCH_METHOD, {Variant::Int(5)}).hr,
            DISP_E_TYPEMISMATCH);
  EXPECT_EQ(IdOf(own.Get(), L"OnConnection"), 1);
  EXPECT_GT(IdOf(own.Get(), L"Ribbon_GetEnabled"), 5);  // past OnBeginShutdown
  EXPECT_EQ(IdOf(own.Get(), L"Ribbon_Unknown"), DISPID_UNKNOWN);
  EXPECT_TRUE(win32::SameObject(callbacks.Get(), own.Get()));
  Run({"switch-off"});
  // Only the host's own Application is left.
  EXPECT_EQ(Model().DescribeLiveReferences(), "Application x1");
  EXPECT_TRUE(story->Ribbon().Buttons(Xpl(1)).empty());
  for (IDispatch* dispatch : {callbacks.Get(), own.Get()}) {
    auto late = [&](const wchar_t* callback) {
      return Call(dispatch, callback, DISPATCH_METHOD,
                  {Variant::Object(story->Host().Application())});
    };
    CallResult enabled = late(L"Ribbon_GetEnabled");
    EXPECT_EQ(enabled.hr, S_OK);
    ASSERT_EQ(enabled.value.Type(), VT_BOOL);
    EXPECT_EQ(V_BOOL(enabled.value.Ptr()), VARIANT_FALSE);
    EXPECT_EQ(late(L"Ribbon_OnAction").hr, S_OK);
  }
  EXPECT_EQ(customUI(L"Microsoft.Outlook.Explorer"), L"");
  EXPECT_EQ(Model().DescribeLiveReferences(), "Application x1");
  addin.Reset();
  ribbon.Reset();
  callbacks.Reset();
  own.Reset();
  Run({"start after-startup", "select holiday"});
  const std::vector<sim::ShownRibbonButton> buttons = story->Ribbon().Buttons(Xpl(1));
  ASSERT_EQ(buttons.size(), 5u) << transcript.str();
  EXPECT_TRUE(buttons[0].enabled);
  EXPECT_EQ(story->Ribbon().Buttons(Isp(1)).size(), 5u);  // a message window was seen before
  ExpectNothingHeld();
  EXPECT_EQ(dll.CanUnloadNow(), S_OK);
}

// Every window's ribbon follows what it acts on, whether or not the add-in gave it a toolbar:
// a main window open at connection that is not the active one, a WordMail message window
// moving on, the main window after a message window opened, and after it closed.
TEST_F(AddinStory, TheRibbonStaysTrueInEveryWindow) {
  NewStory();
  Run({"open-explorer Inbox", "open-explorer Inbox", "start"});
  auto enabled = [&](WindowRef window) {
    const std::vector<sim::ShownRibbonButton> buttons = story->Ribbon().Buttons(window);
    EXPECT_FALSE(buttons.empty());
    return !buttons.empty() && buttons[0].enabled;
  };
  EXPECT_TRUE(Buttons(Xpl(1)).empty());  // the add-in's toolbar went to the active window only
  Run({"select explorer1 holiday"});
  EXPECT_TRUE(enabled(Xpl(1))) << transcript.str();
  Run({"select explorer1 lunch"});
  EXPECT_FALSE(enabled(Xpl(1))) << transcript.str();

  Run({"select explorer2 holiday", "open-inspector holiday wordmail"});
  EXPECT_TRUE(enabled(Xpl(2)));
  EXPECT_TRUE(enabled(Isp(1)));
  Run({"move-inspector inspector1 lunch"});
  EXPECT_FALSE(enabled(Isp(1))) << transcript.str();
  Run({"move-inspector inspector1 drawings"});
  EXPECT_TRUE(enabled(Isp(1))) << transcript.str();

  Run({"select explorer2 lunch"});
  EXPECT_FALSE(enabled(Xpl(2))) << transcript.str();
  EXPECT_TRUE(enabled(Isp(1)));  // its own answer stands
  Run({"close inspector1", "select explorer2 holiday"});
  EXPECT_TRUE(enabled(Xpl(2))) << transcript.str();
  EXPECT_TRUE(story->Ribbon().TakeReports().empty());
  ExpectNothingHeld();
}

// Outlook 2007: message windows have a ribbon in the older namespace, main windows none.
TEST_F(AddinStory, Outlook2007GetsTheRibbonOfItsMessageWindowsOnly) {
  NewStory();
  Run({"outlook-version 12", "open-explorer Inbox", "start", "open-inspector holiday"});
  EXPECT_TRUE(story->Ribbon().Buttons(Xpl(1)).empty());
  const std::vector<sim::ShownRibbonButton> buttons = story->Ribbon().Buttons(Isp(1));
  ASSERT_EQ(buttons.size(), 2u) << transcript.str();
  EXPECT_EQ(buttons[0].button.place, "TabReadMessage");
  EXPECT_TRUE(buttons[0].enabled);
  EXPECT_TRUE(story->Ribbon().TakeReports().empty());
  EXPECT_EQ(Buttons(Isp(1)).size(), 2u);  // and the command-bar buttons, as before
  ExpectNothingHeld();
}

TEST_F(AddinStory, FailingOutlookCallsDuringAStoryAreSurvived) {
  struct Case {
    const char* fault;
  };
  const Case cases[] = {
      {"fail Selection.Count E_FAIL 1"},
      {"fail Attachments.Item RPC_E_CALL_REJECTED 1"},
      {"fail Attachment.SaveAsFile DISP_E_EXCEPTION 1"},
      {"fail CommandBarControls.Add E_FAIL 1"},
      {"fail Explorer.Advise RPC_E_CALL_REJECTED 1"},
      {"fail CommandBarButton.Unadvise DISP_E_EXCEPTION 1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fault);
    story.reset();
    transcript.str("");
    NewStory();
    Run({"open-explorer Inbox", "start", c.fault, "select holiday", "select drawings",
         "click explorer1 \"View All Picture Attachments\"", "open-explorer Inbox",
         "switch-folder explorer2 Inbox", "select explorer2 holiday", "close explorer2",
         "open-inspector holiday", "close inspector1"});
    // The add-in is still at work afterwards: a later selection still decides the buttons of
    // the window it had before the failure.
    Run({"clear-faults", "select explorer1 lunch"});
    EXPECT_FALSE(Enabled(Xpl(1)));
    Run({"select explorer1 holiday"});
    EXPECT_TRUE(Enabled(Xpl(1))) << transcript.str();
    Run({"switch-off"});
    ExpectNothingHeld();
    EXPECT_GE(Model().Faults().InjectedCount(), 1u) << "the fault was not reached";
  }
}

// The program itself: a fast shutdown ends it without disconnecting the add-in.
TEST_F(AddinStory, TheProgramEndsAtAFastShutdownWithoutDisconnecting) {
  const std::wstring script = TempPath() + L"zormint-fast-shutdown.txt";
  {
    std::ofstream out{std::filesystem::path(script)};
    out << "open-explorer Inbox\nstart\nselect holiday\nfast-shutdown\nshow\n";
  }
  CapturedProcess program(L"\"" + BinFolder() + L"\\outlook-sim.exe\" \"" +
                          SampleMailbox().wstring() + L"\" \"" + script + L"\"");
  ASSERT_TRUE(program.Started());
  const std::optional<DWORD> code = program.Wait(120000);
  const std::string text = program.Output();
  EXPECT_TRUE(DeleteFileW(script.c_str()));
  ASSERT_TRUE(code) << text;
  EXPECT_EQ(*code, 0u) << text;
  EXPECT_NE(text.find("OnConnection took"), std::string::npos) << text;
  EXPECT_NE(text.find("fast shutdown"), std::string::npos) << text;
  // The add-in was never told: it still holds its windows and connections when the process ends.
  EXPECT_EQ(text.find("OnDisconnection"), std::string::npos) << text;
  EXPECT_EQ(text.find("> show"), std::string::npos) << "nothing runs after a fast shutdown";
}

// Every Outlook call of a whole story fails in turn, in each of the ways a COM call fails: the
// story goes on, nothing escapes from the add-in's event sinks and, once it is disconnected,
// the add-in holds nothing of Outlook's.
TEST_F(AddinStory, AnyOneFailingOutlookCallLeavesNothingHeld) {
  // No viewer for the pictures here: the sweep is about the calls into Outlook.
  UseNoViewer();
  const std::initializer_list<const char*> lines = {
      "open-explorer Inbox",
      "start",
      "select holiday",
      "click explorer1 \"View All Picture Attachments\"",
      "ribbon-click explorer1 ZormintTabView",
      "select locked",
      "click explorer1 \"View All Picture Attachments\"",
      "select today",
      "ribbon-click explorer1 ZormintTabView",
      "select lunch",
      "open-inspector holiday",
      "ribbon inspector1",
      "move-inspector inspector1 drawings",
      "close inspector1",
      "open-explorer Inbox",
      "switch-folder explorer2 Inbox",
      "close explorer2",
      "switch-off"};
  NewStory();
  Run(lines);
  const size_t calls = Model().Faults().Calls().size();
  ExpectNothingHeld();
  ASSERT_GT(calls, 50u);

  const int32_t codes[] = {static_cast<int32_t>(E_FAIL), static_cast<int32_t>(RPC_E_CALL_REJECTED),
                           static_cast<int32_t>(DISP_E_EXCEPTION)};
  size_t injected = 0;
  for (size_t n = 1; n <= calls; ++n) {
    story.reset();
    transcript.str("");
    NewStory();
    Model().Faults().FailCallNumber(n, codes[n % 3]);
    Run(lines);
    const std::string failed = n <= Model().Faults().Calls().size()
                                   ? Model().Faults().Calls()[n - 1]
                                   : std::string("(not reached)");
    SCOPED_TRACE("call " + std::to_string(n) + " fails: " + failed);
    injected += Model().Faults().InjectedCount();
    ExpectNothingHeld();
    if (HasFailure()) break;
  }
  EXPECT_GE(injected, calls * 9 / 10) << "most calls of the story are reached when one fails";
}

}  // namespace
}  // namespace zormint::wine_test::outlook

// The options story swept: in the start-up Explorer the user selects a message, opens "View
// ZORMINT Options" (the banner goes online), unticks one picture, picks a new custom viewer with
// "Bro&wse...", confirms with "&Open", then clicks "View All Picture Attachments"; then switches
// the add-in off. Every host and platform call of it fails once, in its own run.
#include <optional>

#include "net/internet.h"
#include "tests/hardening/sweep.h"
#include "ui/frm_options.h"
#include "ui/options_layout.h"

namespace zormint::test {
namespace {

using Names = std::set<std::string>;

class OptionsStory : public SweepStory {
 public:
  static constexpr const char* kSuffix = "071226210509";

  std::unique_ptr<OutlookStory> Setup() override {
    auto s = std::make_unique<OutlookStory>();
    oldViewer_ = s->env.Path("Apps/Old Viewer.exe");
    newViewer_ = s->env.Path("Apps/New Viewer.exe");
    std::filesystem::create_directory(s->env.dir.Path() / "Apps");
    TestEnv::WriteFile(oldViewer_, "MZ");
    TestEnv::WriteFile(newViewer_, "MZ");
    s->env.settingsStore->Put("ZORMINT", "Startup", "Image Viewer", "2");
    s->env.settingsStore->Put("ZORMINT", "Startup", "User Image App", oldViewer_);
    s->internet->SetConnected(true);
    mail_ = s->Mail({"notes.pdf", "beach.jpg", "chart.GIF", "dog.bmp"});
    seen_ = Seen{};
    return s;
  }

  void Run(OutlookStory& s, Phases& phases) override {
    const WindowRef main = Xpl(s.mainExplorer);
    phases.Begin("connect");
    s.Connect();
    seen_.buttonsAfterConnect = s.Buttons(main).size();

    phases.Begin("select");
    s.outlook.Select(s.mainExplorer, {mail_});

    phases.Begin("options");
    s.dialogs->AnswerFileDialog(newViewer_);
    s.dialogs->OnNextShow([](sim::HeadlessForm& form) {
      if (auto banner = form.Browser(ui::kWbrAdBanner)) banner->CompletePending();
      // The user ticks the pictures by their names, whatever the list holds.
      std::vector<int32_t> ticked;
      const std::vector<sim::ListEntry> entries = form.Entries(ui::kLstPicAttachments);
      for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].text == "beach.jpg" || entries[i].text == "dog.bmp") {
          ticked.push_back(static_cast<int32_t>(i));
        }
      }
      form.SelectOnly(ticked);
      form.ClickOption(ui::kOptCustomViewer);
      form.Click(ui::kCmdBrowse);
      form.Click(ui::kCmdOpen);
    });
    s.ClickOptions(main);
    seen_.launchesAfterOptions = s.env.launcher->startedPrograms.size();
    seen_.afterOptions = Pictures(s);

    phases.Begin("viewall");
    s.ClickZormint(main);

    phases.Begin("disconnect");
    s.Disconnect(ext_dm_UserClosed);
  }

  bool Check(OutlookStory& s, const CallSite* failed) override {
    Expected e = Clean(s);
    const bool named = failed ? Name(*failed, s, e) : true;
    if (!named) return ExpectAlways(s, e), false;

    EXPECT_EQ(seen_.buttonsAfterConnect, e.buttonsAfterConnect);
    std::vector<std::string> lines;
    for (const auto& launch : {e.options, e.viewAll}) {
      if (launch)
        lines.push_back("\"" + launch->first + "\"  \"" + e.folder + launch->second + "\"");
    }
    std::vector<std::string> started;
    for (const sim::StartProgramCall& call : s.env.launcher->startedPrograms)
      started.push_back(call.commandLine);
    EXPECT_EQ(started, lines);
    EXPECT_TRUE(s.env.launcher->shellExecutes.empty());
    if (e.afterOptions) {
      EXPECT_EQ(seen_.afterOptions, *e.afterOptions);
    }
    EXPECT_EQ(FilesIn(e.folder), e.final);
    if (e.storedChoice) {
      EXPECT_EQ(Stored(s, "Image Viewer"), *e.storedChoice);
    }
    if (e.storedPath) {
      EXPECT_EQ(Stored(s, "User Image App"), *e.storedPath);
    }
    for (size_t i = 0; i < e.connectWrites.size(); ++i) {
      if (s.env.settingsStore->writes.size() <= i) {
        ADD_FAILURE() << "no store write " << i;
        break;
      }
      EXPECT_EQ(s.env.settingsStore->writes[i].value, e.connectWrites[i]);
    }
    if (e.dormant) {
      EXPECT_TRUE(s.env.settingsStore->writes.empty());
    }
    if (e.navigations) {
      EXPECT_EQ(Navigations(s), *e.navigations);
    }
    if (e.scroll) {
      EXPECT_EQ(Scroll(s), *e.scroll);
    }
    std::vector<std::string> log = s.eventLog->Entries();
    if (e.logged.empty()) {
      EXPECT_TRUE(log.empty());
    } else {
      EXPECT_EQ(log.size(), 1u);
      const std::string head =
          "A run-time error has occurred in " + e.logged + ".\r\nat Line : 0\r\nError Number : ";
      EXPECT_TRUE(!log.empty() && log[0].rfind(head, 0) == 0) << (log.empty() ? "" : log[0]);
    }
    std::vector<std::string> boxes;
    for (const sim::MessageBoxRecord& box : s.dialogs->MessageBoxes())
      boxes.push_back(box.title);
    EXPECT_EQ(boxes, e.boxes);
    EXPECT_EQ(s.Buttons(Xpl(s.mainExplorer)).size(), e.buttonsLeft);
    return true;
  }

 private:
  // A showing by the custom viewer: the viewer's path and the picture's name.
  using Launch = std::optional<std::pair<std::string, std::string>>;

  struct Seen {
    size_t buttonsAfterConnect = 0;
    size_t launchesAfterOptions = 0;
    Names afterOptions;
  };

  struct Expected {
    bool dormant = false;
    size_t buttonsAfterConnect = 2;
    std::string folder;
    Launch options, viewAll;
    std::optional<Names> afterOptions;
    Names final;
    std::optional<std::string> storedChoice, storedPath;
    std::vector<std::string> connectWrites;
    std::optional<std::vector<std::string>> navigations;
    std::optional<std::string> scroll;
    std::string logged;  // the operation named by the one event log entry, "" for none
    std::vector<std::string> boxes;
    size_t buttonsLeft = 0;
  };

  Expected Clean(OutlookStory& s) const {
    Expected e;
    e.folder = s.WorkingFolder(kSuffix);
    e.options = Launch({newViewer_, "beach.jpg"});
    e.viewAll = Launch({newViewer_, "beach.jpg"});
    e.afterOptions = Names{"beach.jpg", "dog.bmp"};
    e.final = {"beach.jpg", "chart.GIF", "dog.bmp"};
    e.storedChoice = "2";
    e.storedPath = newViewer_;
    e.connectWrites = {"2", oldViewer_};
    e.navigations = std::vector<std::string>{ui::kEmbeddedBannerUrl, kBannerUrl};
    e.scroll = "no";
    return e;
  }

  // Adjusts the clean run's outcome to what the handling of this failure names. Returns false
  // when the failure has no named outcome.
  bool Name(const CallSite& f, OutlookStory& s, Expected& e) const {
    const Names all = e.final;
    auto without = [](Names names, const std::string& name) {
      names.erase(name);
      return names;
    };
    // The options dialog did not hand anything back: nothing was stored and the view-all click
    // uses the viewer stored before.
    auto noOptionsResult = [&] {
      e.options.reset();
      e.afterOptions = Names{};
      e.viewAll = Launch({oldViewer_, "beach.jpg"});
      e.storedChoice = "2";
      e.storedPath = oldViewer_;
    };

    // ---- Connection ----
    if ((f.Is("Application.Explorers", "connect", 1) || f.Is("Explorers.Count", "connect", 1))) {
      // Without an Explorer count the add-in stays dormant: nothing at all happens.
      e = Expected{};
      e.dormant = true;
      e.buttonsAfterConnect = 0;
      e.folder = s.WorkingFolder(kSuffix);
      e.storedChoice = "2";
      e.storedPath = oldViewer_;
      e.navigations = std::vector<std::string>{};
      return true;
    }
    if (f.Is("SettingsStore.GetSetting", "connect", 1)) {
      e.connectWrites = {"1", oldViewer_};  // a failing read counts as empty text
      return true;
    }
    if (f.Is("SettingsStore.GetSetting", "connect", 2) ||
        f.Is("FileSystem.FileExists", "connect", 1)) {
      e.connectWrites = {"2", ""};  // the stored path is not accepted unseen
      return true;
    }
    if (f.Is("SettingsStore.SaveSetting", "connect")) {
      e.connectWrites.clear();  // the store keeps its text until "&Open" writes it again
      return true;
    }
    if (f.Is("FileSystem.GetSpecialFolder", "connect", 1)) {
      // No temporary folder: the user's TEMP setting is empty, so the Windows "Temp" folder.
      e.folder = s.env.windowsFolder + "\\Temp\\ZORMINT$" + std::string(kSuffix) + "\\";
      return true;
    }
    if (f.Is("Application.Inspectors", "connect", 1) || f.Is("Inspectors.Advise", "connect") ||
        f.Is("Application.Explorers", "connect", 2) || f.Is("Explorers.Advise", "connect") ||
        f.Is("CommandBarButton.OnAction", "connect", 2) ||
        f.Is("CommandBarButton.Enabled", "connect") || f.Is("MessagePump.DoEvents", "connect") ||
        f.Is("FileSystem.FolderContents", "connect") || f.Is("Background.Start", "connect")) {
      return true;  // nothing this story shows depends on it
    }
    const bool noButtons =
        f.Is("Application.ActiveExplorer", "connect") || f.Is("Explorer.Advise", "connect") ||
        f.Is("Explorer.CommandBars", "connect") || f.Is("CommandBars._NewEnum", "connect") ||
        f.Is("CommandBarsEnum.Next", "connect") || f.Is("CommandBar.Name", "connect") ||
        f.Is("CommandBar.Controls", "connect", 1) || f.Is("CommandBarControls.Add", "connect", 1);
    const bool oneButton =
        f.Is("Resources.LoadBitmapPicture", "connect") ||
        f.Is("CommandBarButton.Advise", "connect", 1) ||
        f.Is("CommandBarButton.BeginGroup", "connect") ||
        f.Is("CommandBarButton.Style", "connect") || f.Is("CommandBarButton.Picture", "connect") ||
        f.Is("CommandBarButton.TooltipText", "connect", 1) ||
        f.Is("CommandBarButton.Tag", "connect", 1) ||
        f.Is("CommandBarButton.OnAction", "connect", 1) ||
        f.Is("CommandBar.Controls", "connect", 2) || f.Is("CommandBarControls.Add", "connect", 2);
    if (noButtons || oneButton) {
      // The set-up of the buttons ends at the failure and keeps what it did: without both
      // buttons there is nothing a user can use. (Without its face, the options button also
      // stays without its tip, tag and action, and the view-all button is never added.)
      e = Expected{};
      e.buttonsAfterConnect = noButtons ? 0 : 1;
      e.folder = s.WorkingFolder(kSuffix);
      e.storedChoice = "2";
      e.storedPath = oldViewer_;
      e.navigations = std::vector<std::string>{};
      return true;
    }
    if (f.Is("CommandBarButton.Advise", "connect", 2) ||
        f.Is("CommandBarButton.Caption", "connect") ||
        f.Is("CommandBarButton.TooltipText", "connect", 2) ||
        f.Is("CommandBarButton.Tag", "connect", 2)) {
      // The view-all button is on the bar but unfinished: it cannot be clicked.
      e.viewAll.reset();
      e.final = *e.afterOptions;
      return true;
    }
    if (f.Is("Explorer.CurrentFolder", "connect") || f.Is("Folder.DefaultItemType", "connect")) {
      // The folder kind is unknown until the next folder switch: the buttons stay disabled.
      e.options.reset();
      e.viewAll.reset();
      e.afterOptions = Names{};
      e.final = {};
      e.storedPath = oldViewer_;
      e.navigations = std::vector<std::string>{};
      e.scroll = "";
      return true;
    }

    // ---- Selection ----
    if (f.Is("Clock.Now", "select")) {
      e.folder = s.WorkingFolder("");  // the suffix stays empty
      return true;
    }
    if (f.Is("CommandBarButton.Enabled", "select", 1)) {
      noOptionsResult();  // the options button stays disabled
      e.navigations = std::vector<std::string>{};
      e.scroll = "";
      return true;
    }
    if (f.Is("CommandBarButton.Enabled", "select", 2)) {
      e.viewAll.reset();  // the view-all button stays disabled
      e.final = *e.afterOptions;
      return true;
    }
    if (f.Is("Explorer.Selection", "select") || f.Is("Selection.Count", "select") ||
        f.Is("Selection.Item", "select") || f.Is("Item.Class", "select") ||
        f.Is("Item.Attachments", "select") || f.Is("Attachments.Count", "select")) {
      // No usable selection: both buttons stay disabled, nothing can be clicked.
      e.options.reset();
      e.viewAll.reset();
      e.afterOptions = Names{};
      e.final = {};
      e.storedChoice = "2";
      e.storedPath = oldViewer_;
      e.navigations = std::vector<std::string>{};
      e.scroll = "";
      return true;
    }
    if (f.Is("MessagePump.DoEvents", "select")) return true;
    if (f.In("select") && (f.member == "Attachments.Item" || f.member == "Attachment.FileName" ||
                           f.member == "Attachment.Type")) {
      return true;  // an unreadable attachment is passed over: another picture enables
    }

    // ---- The options dialog ----
    if (f.Is("Form.ShowModal", "options")) {
      noOptionsResult();
      e.navigations = std::vector<std::string>{ui::kEmbeddedBannerUrl};  // loaded, never shown
      e.scroll = "";
      return true;
    }
    if (f.Is("FileDialog.Flags", "options") || f.Is("FileDialog.ShowOpen", "options")) {
      // The path box keeps the stored viewer, which is then confirmed.
      e.options = Launch({oldViewer_, "beach.jpg"});
      e.viewAll = Launch({oldViewer_, "beach.jpg"});
      e.storedPath = oldViewer_;
      return true;
    }
    // The pictures listed and ticked: a picture the list could not take is not offered.
    auto offeredWithout = [&](const std::string& name) {
      e.afterOptions = without(*e.afterOptions, name);
      if (name == "beach.jpg") e.options = Launch({newViewer_, "dog.bmp"});
    };
    const bool populating = f.In("options") && f.occurrence <= 4 &&
                            (f.member == "Attachments.Item" || f.member == "Attachment.FileName");
    if (populating) {
      const char* byPosition[] = {"", "", "beach.jpg", "chart.GIF", "dog.bmp"};
      if (f.occurrence != 1 && f.occurrence != 3) offeredWithout(byPosition[f.occurrence]);
      return true;
    }
    // The type is read for the picture names alone: beach, chart, dog, then the two ticked.
    if (f.In("options") && f.member == "Attachment.Type") {
      const char* byRead[] = {"", "beach.jpg", "", "dog.bmp", "beach.jpg", "dog.bmp"};
      if (f.occurrence <= 5 && *byRead[f.occurrence]) offeredWithout(byRead[f.occurrence]);
      return true;
    }
    if (f.Is("ListBox.AddItem", "options") || f.Is("ListBox.ItemData", "options", 1) ||
        f.Is("ListBox.ItemData", "options", 2) || f.Is("ListBox.ItemData", "options", 3) ||
        (f.Is("ListBox.NewIndex", "options") && f.occurrence % 2 == 1)) {
      // An entry that cannot be added, or whose position cannot be set, never brings out
      // another picture than the one it names.
      const int entry = f.member == "ListBox.NewIndex" ? (f.occurrence + 1) / 2 : f.occurrence;
      const char* byEntry[] = {"", "beach.jpg", "chart.GIF", "dog.bmp"};
      if (entry != 2) offeredWithout(byEntry[entry]);
      return true;
    }
    if ((f.Is("ListBox.NewIndex", "options") && f.occurrence % 2 == 0) ||
        f.Is("ListBox.Selected", "options", 1) || f.Is("ListBox.Selected", "options", 2) ||
        f.Is("ListBox.Selected", "options", 3) || f.Is("ListBox.Clear", "options") ||
        f.Is("OptionButton.Value", "options", 1) || f.Is("OptionButton.Value", "options", 2) ||
        f.Is("TextBox.Text", "options", 1) || f.Is("TextBox.Text", "options", 4) ||
        f.Is("MessagePump.DoEvents", "options") || f.Is("FileSystem.FolderExists", "options")) {
      return true;  // the user's own ticks and clicks make up for it
    }
    if (f.Is("Item.Attachments", "options", 1) || f.Is("Attachments.Count", "options", 1)) {
      noOptionsResult();  // an empty list: "&Open" asks for a picture and nothing comes out
      e.boxes = {ui::kMsgNoPictures.title};
      return true;
    }
    if (f.Is("Form.Load", "options")) {
      // The first window fails to load and the list is not filled; the dialog that is shown
      // is a fresh one with an empty list.
      noOptionsResult();
      e.boxes = {ui::kMsgNoPictures.title};
      return true;
    }
    if (f.Is("ListBox.ListCount", "options") || f.Is("ListBox.Selected", "options") ||
        f.Is("ListBox.ItemData", "options") || f.Is("TextBox.Text", "options", 5)) {
      noOptionsResult();  // "&Open" cannot complete: the dialog is closed without a result
      return true;
    }
    if (f.Is("OptionButton.Value", "options", 3)) {
      noOptionsResult();
      e.boxes = {ui::kMsgNoViewerChosen.title};
      return true;
    }
    if (f.Is("TextBox.Text", "options", 3)) {
      noOptionsResult();
      e.boxes = {ui::kMsgNoViewerExe.title};
      return true;
    }
    if (f.Is("Control.Enabled", "options") || f.Is("TextBox.Text", "options", 2)) {
      // "Bro&wse..." stays disabled, or cannot put the new viewer into the box: the stored
      // viewer is confirmed.
      e.options = Launch({oldViewer_, "beach.jpg"});
      e.viewAll = Launch({oldViewer_, "beach.jpg"});
      e.storedPath = oldViewer_;
      return true;
    }
    if (f.Is("Form.Unload", "options")) {
      // The choice is stored, but the dialog is then closed with its close box: no pictures.
      e.options.reset();
      e.afterOptions = Names{};
      return true;
    }
    if (f.Is("Item.Attachments", "options", 2)) {
      e.options.reset();
      e.afterOptions = Names{};
      return true;
    }
    if (f.In("options") && f.occurrence >= 5 &&
        (f.member == "Attachments.Item" || f.member == "Attachment.FileName")) {
      offeredWithout(f.occurrence == 5 ? "beach.jpg" : "dog.bmp");
      return true;
    }
    if (f.Is("Internet.GetConnectedState", "options")) {
      e.navigations = std::vector<std::string>{ui::kEmbeddedBannerUrl};
      e.scroll = "";
      e.logged = "CInternet.Refresh";
      return true;
    }
    if (f.Is("Internet.Open", "options") || f.Is("Internet.OpenUrl", "options") ||
        f.Is("Internet.CloseHandle", "options")) {
      e.navigations = std::vector<std::string>{ui::kEmbeddedBannerUrl};
      e.scroll = "";
      e.logged = "CInternet.TryToOpenURL";
      return true;
    }
    if (f.Is("WebBrowser.Navigate2", "options", 1)) {
      e.navigations = std::vector<std::string>{kBannerUrl};
      return true;
    }
    if (f.Is("WebBrowser.Navigate2", "options", 2)) {
      // The embedded page completes while the probe's answer is "reachable": its scroll bars
      // are switched off too.
      e.navigations = std::vector<std::string>{ui::kEmbeddedBannerUrl};
      return true;
    }
    if (f.Is("WebBrowser.SetBodyScroll", "options")) {
      e.scroll = "";
      return true;
    }
    if (f.Is("SettingsStore.SaveSetting", "options", 1)) {
      return true;  // the choice stays "2" in the store, and the cache has it anyway
    }
    if (f.Is("SettingsStore.SaveSetting", "options", 2)) {
      e.storedPath = oldViewer_;  // the store keeps the old path; the add-in goes on with the new
      return true;
    }
    if (f.Is("FileSystem.FileExists", "options", 1)) {
      // The dialog cannot make sure the viewer exists: it says so and stays open.
      noOptionsResult();
      e.boxes = {ui::kMsgInvalidViewerTitle};
      return true;
    }
    if (f.Is("FileSystem.FileExists", "options", 2)) {
      // The store refuses a path it cannot check: the custom viewer is then started without one.
      e.options = Launch({"", "beach.jpg"});
      e.viewAll = Launch({"", "beach.jpg"});
      e.storedPath = "";
      return true;
    }
    if (f.Is("Attachment.SaveAsFile", "options", 1) || f.Is("FileSystem.IsLink", "options", 2)) {
      e.afterOptions = Names{"dog.bmp"};  // the viewer gets the first picture saved
      e.options = Launch({newViewer_, "dog.bmp"});
      return true;
    }
    if (f.Is("Attachment.SaveAsFile", "options", 2) || f.Is("FileSystem.IsLink", "options", 3)) {
      e.afterOptions = Names{"beach.jpg"};
      return true;
    }
    if (f.Is("FileSystem.CreateFolder", "options") || f.Is("FileSystem.IsLink", "options", 1)) {
      // The saves fail one by one, or the folder cannot be made sure of: nothing saved,
      // nothing shown, and the user is told.
      e.options.reset();
      e.afterOptions = Names{};
      e.boxes = {ui::kMsgNothingSaved.title};
      return true;
    }
    if (f.Is("Launcher.StartProgram", "options")) {
      e.options.reset();
      return true;
    }

    // ---- View all ----
    // A picture whose place cannot be made sure of (is it a link?) or whose save fails is
    // missing; the viewer is sent to the first picture saved.
    if (f.In("viewall") && (f.member == "Attachment.SaveAsFile" ||
                            (f.member == "FileSystem.IsLink" && f.occurrence >= 2))) {
      const char* order[] = {"beach.jpg", "chart.GIF", "dog.bmp"};
      const int save = f.member == "FileSystem.IsLink" ? f.occurrence - 1 : f.occurrence;
      e.final = without(all, order[save - 1]);
      if (save == 1) e.viewAll = Launch({newViewer_, "chart.GIF"});
      return true;
    }
    if (f.In("viewall") && f.member == "Attachment.Type") {
      // As the name of that picture: not saved, not shown.
      const char* byRead[] = {"", "beach.jpg", "chart.GIF", "dog.bmp"};
      e.final = without(all, byRead[f.occurrence]);
      if (f.occurrence == 1) e.viewAll = Launch({newViewer_, "chart.GIF"});
      return true;
    }
    if (f.Is("Attachments.Item", "viewall", 1) || f.Is("Attachment.FileName", "viewall", 1)) {
      return true;  // the first attachment is no picture anyway
    }
    if (f.In("viewall") && (f.member == "Attachment.FileName" || f.member == "Attachments.Item") &&
        f.occurrence >= 2) {
      // That attachment is not saved and not the first picture; its old file is gone.
      const char* byPosition[] = {"", "", "beach.jpg", "chart.GIF", "dog.bmp"};
      e.final = without(all, byPosition[f.occurrence]);
      if (f.occurrence == 2) e.viewAll = Launch({newViewer_, "chart.GIF"});
      return true;
    }
    if (f.Is("Item.Attachments", "viewall") || f.Is("Attachments.Count", "viewall")) {
      e.viewAll.reset();  // the folder was emptied before the message turned out unusable
      e.final = {};
      return true;
    }
    if (f.Is("Launcher.StartProgram", "viewall")) {
      e.viewAll.reset();
      return true;
    }
    if (f.Is("FileSystem.IsLink", "viewall", 1)) {
      e.viewAll.reset();
      e.final = *e.afterOptions;
      e.boxes.push_back(ui::kMsgNothingSaved.title);
      return true;
    }
    if (f.member == "Dialogs.MsgBox") return true;  // the telling alone fails
    if (f.member == "CheckBox.Value") return true;  // the box shows "off" as it starts
    if (f.In("viewall") &&
        (f.member == "FileSystem.FileNames" || f.member == "FileSystem.DeleteFile" ||
         f.member == "FileSystem.FolderExists")) {
      return true;  // files that stay are saved over
    }

    // ---- Switching off ----
    if (f.Is("CommandBarButton.Delete", "disconnect", 1)) {
      e.buttonsLeft = 2;  // the first failure ends the deletions
      return true;
    }
    if (f.Is("CommandBarButton.Delete", "disconnect", 2)) {
      e.buttonsLeft = 1;
      return true;
    }
    if (f.In("disconnect")) return true;
    return false;
  }

  // What holds whatever failed: only ticked pictures come out of the dialog, and every
  // showing opens a picture of this message in its working folder.
  void ExpectAlways(OutlookStory& s, const Expected& e) const {
    for (const std::string& name : seen_.afterOptions) {
      EXPECT_TRUE(name == "beach.jpg" || name == "dog.bmp") << name;
    }
    for (const sim::StartProgramCall& call : s.env.launcher->startedPrograms) {
      EXPECT_NE(call.commandLine.find("\"  \"" + e.folder), std::string::npos) << call.commandLine;
    }
  }

  static std::string Stored(OutlookStory& s, const std::string& key) {
    return s.env.settingsStore->Peek("ZORMINT", "Startup", key);
  }
  static std::vector<std::string> Navigations(OutlookStory& s) {
    std::vector<std::string> urls;
    for (const auto& browser : s.dialogs->Browsers()) {
      for (const auto& n : browser->Navigations())
        urls.push_back(n.url);
    }
    return urls;
  }
  static std::string Scroll(OutlookStory& s) {
    return s.dialogs->Browsers().empty() ? "" : s.dialogs->Browsers().back()->BodyScroll();
  }
  static Names Pictures(OutlookStory& s) {
    Names names;
    for (const std::string& folder :
         {s.WorkingFolder(kSuffix), s.WorkingFolder(""),
          s.env.windowsFolder + "\\Temp\\ZORMINT$" + std::string(kSuffix) + "\\"}) {
      for (const std::string& name : FilesIn(folder))
        names.insert(name);
    }
    return names;
  }

  std::string oldViewer_, newViewer_;
  sim::ItemId mail_ = 0;
  Seen seen_;
};

TEST(FaultSweep, TheOptionsStoryThroughTheExplorer) {
  OptionsStory story;
  const SweepFigures figures = Sweep(story);
  EXPECT_GT(figures.calls, 150u);
  EXPECT_EQ(figures.injected, figures.calls);
  Report("options_story", figures);
}

}  // namespace
}  // namespace zormint::test

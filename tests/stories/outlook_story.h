// A whole add-in on the simulated Outlook, for the story tests of the toolbars, the tracker and
// the connection: a mailbox with a mail, a post and a contacts folder, one Explorer open at
// start-up (unless asked otherwise), the fake platform services, the headless dialog toolkit,
// and the add-in object connected to it the way Outlook connects it.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "addin/dsr_wrapper.h"
#include "addin/zormint.h"
#include "platform/paths.h"
#include "sim/fakes/fake_net.h"
#include "sim/fakes/headless_dialogs.h"
#include "sim/model/outlook_sim.h"
#include "tests/support/test_env.h"

namespace zormint::test {

using sim::ControlView;
using sim::ExplorerId;
using sim::InspectorId;
using sim::ItemId;
using sim::WindowRef;

inline WindowRef Xpl(ExplorerId id) {
  return {WindowRef::kExplorer, id};
}
inline WindowRef Isp(InspectorId id) {
  return {WindowRef::kInspector, id};
}

class OutlookStory {
 public:
  explicit OutlookStory(bool openExplorer = true)
      : outlook(*env.outlook),
        dialogs(std::make_shared<sim::HeadlessDialogs>(&env.faults)),
        internet(std::make_shared<sim::FakeInternet>(&env.faults)),
        eventLog(std::make_shared<sim::FakeEventLog>(&env.faults)) {
    inbox = outlook.AddFolder("Inbox", host::kOlMailItem);
    posts = outlook.AddFolder("Team posts", host::kOlPostItem);
    contacts = outlook.AddFolder("Contacts", 2);
    env.clock->now = {2026, 12, 7, 21, 5, 9};
    // The toolbars' stories are Outlook 2003's, whose message windows are Outlook's own (from
    // 2007 on they are Word's, without buttons): a story of a later Outlook says so.
    outlook.SetVersion("11.0.0.8312");
    if (openExplorer) mainExplorer = outlook.OpenExplorer(inbox);
    Services services = env.globals.services;
    services.dialogs = dialogs;
    services.internet = internet;
    services.eventLog = eventLog;
    addin = std::make_unique<dsrWrapper>(services);
  }

  void Connect() { addin->AddinInstance_OnConnection(outlook.Application(), ext_cm_Startup); }
  void Disconnect(int32_t removeMode) { addin->AddinInstance_OnDisconnection(removeMode); }
  // Disconnects, and nothing of Outlook is left held (ExpectNothingHeld).
  void DisconnectAndExpectNothingHeld(int32_t removeMode) {
    Disconnect(removeMode);
    ExpectNothingHeld();
  }
  Globals& G() { return addin->GetGlobals(); }
  CZormint& Tracker() {
    EXPECT_TRUE(addin->Tracker());
    return *addin->Tracker();
  }

  // A new Explorer on the Inbox, as the user opens one: its first folder switch gives it its
  // buttons.
  ExplorerId OpenExplorer() {
    ExplorerId id = outlook.OpenExplorer(inbox);
    outlook.SwitchFolder(id, inbox);
    return id;
  }

  // ---- Mailbox ----------------------------------------------------------------------------------
  ItemId Mail(std::vector<std::string> names, sim::FolderId folder = 0,
              int32_t itemClass = host::kOlMail, bool saved = true) {
    sim::ItemSpec contents;
    contents.itemClass = itemClass;
    contents.saved = saved;
    for (const std::string& name : names)
      contents.attachments.push_back({name, "bytes of " + name});
    return outlook.AddItem(folder ? folder : inbox, contents);
  }
  // A mail item in the Inbox with these attachments (types, content ids), protected or not.
  ItemId Mail(std::vector<sim::AttachmentSpec> attachments, bool saveRefused) {
    sim::ItemSpec contents;
    contents.attachments = std::move(attachments);
    contents.saveRefused = saveRefused;
    return outlook.AddItem(inbox, contents);
  }

  // ---- What the user sees -----------------------------------------------------------------------
  std::vector<ControlView> Buttons(WindowRef window) const { return outlook.AddInControls(window); }
  // Both buttons present and enabled (true), both present and disabled (false).
  bool Enabled(WindowRef window) const {
    std::vector<ControlView> buttons = Buttons(window);
    EXPECT_EQ(buttons.size(), 2u);
    if (buttons.size() != 2) return false;
    EXPECT_EQ(buttons[0].enabled, buttons[1].enabled);
    return buttons[0].enabled && buttons[1].enabled;
  }
  // A click on the options (1) or view-all (2) button of the window; false when nothing fired.
  bool ClickButton(WindowRef window, int button) {
    std::vector<ControlView> buttons = Buttons(window);
    if (buttons.size() != 2) return false;
    return outlook.Click(window, buttons[static_cast<size_t>(button - 1)].tag);
  }
  bool ClickZormint(WindowRef window) { return ClickButton(window, 2); }
  bool ClickOptions(WindowRef window) { return ClickButton(window, 1); }

  // ---- The ribbon, as Office calls it -----------------------------------------------------------
  // Office loads the customisation of a ribbon id (the add-in's GetCustomUI), and when there is
  // one hands it its own ribbon through that customisation's onLoad. Returns whether it loaded.
  bool RibbonLoad(const std::string& ribbonId) {
    if (addin->Ribbon_GetCustomUI(ribbonId) == 0) return false;
    addin->Ribbon_OnLoad(ribbonId, outlook.RibbonUI(ribbonId));
    return true;
  }
  // Both ribbons: the main windows' and the message windows'.
  void RibbonLoad() {
    RibbonLoad("Microsoft.Outlook.Explorer");
    RibbonLoad("Microsoft.Outlook.Mail.Read");
  }
  // What Office shows for a control: the answer it kept, or the add-in's answer when an
  // invalidation through the window's own ribbon has named the control since (or it was never
  // asked).
  bool RibbonShown(WindowRef window, const std::string& tag = "zormint",
                   bool onAttachments = false) {
    const std::string id = ControlId(tag, onAttachments);
    if (std::optional<bool> kept = outlook.KeptAnswer(window, id)) return *kept;
    const bool enabled = RibbonEnabled(window, tag, onAttachments);
    outlook.KeepAnswer(window, id, enabled);
    return enabled;
  }
  // The callbacks for a control of the window: "zormint" or "options", on the window's own tab
  // or (onAttachments) on the attachment menu.
  bool RibbonEnabled(WindowRef window, const std::string& tag = "zormint",
                     bool onAttachments = false) {
    return addin->Ribbon_GetEnabled(
        outlook.RibbonControl(window, ControlId(tag, onAttachments), tag, onAttachments));
  }
  void RibbonClick(WindowRef window, const std::string& tag = "zormint",
                   bool onAttachments = false) {
    addin->Ribbon_OnAction(
        outlook.RibbonControl(window, ControlId(tag, onAttachments), tag, onAttachments));
  }
  static std::string ControlId(const std::string& tag, bool onAttachments) {
    if (onAttachments) return "ZormintMenuView";
    return tag == "options" ? "ZormintTabOptions" : "ZormintTabView";
  }

  // The files handed to the associated viewer, in order.
  std::vector<std::string> Shown() const {
    std::vector<std::string> files;
    for (const auto& call : env.launcher->shellExecutes)
      files.push_back(call.file);
    return files;
  }
  // The working folder of a time stamp, as path text with its trailing separator.
  std::string WorkingFolder(const std::string& suffix) const {
    return env.temporaryFolder + "\\ZORMINT$" + suffix + "\\";
  }
  bool Saved(const std::string& suffix, const std::string& name) const {
    return env.disk->FileExists(WorkingFolder(suffix) + name);
  }

  // Nothing of Outlook is held and nothing is connected.
  void ExpectNothingHeld() const {
    EXPECT_EQ(outlook.LiveReferences(), 0) << outlook.DescribeLiveReferences();
    EXPECT_EQ(outlook.ConnectedSinks(), 0);
    EXPECT_EQ(outlook.EscapedExceptions(), 0);
  }

  TestEnv env;
  sim::Outlook& outlook;
  std::shared_ptr<sim::HeadlessDialogs> dialogs;
  std::shared_ptr<sim::FakeInternet> internet;
  std::shared_ptr<sim::FakeEventLog> eventLog;
  std::unique_ptr<dsrWrapper> addin;
  sim::FolderId inbox = 0, posts = 0, contacts = 0;
  ExplorerId mainExplorer = 0;
};

}  // namespace zormint::test

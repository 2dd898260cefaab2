// The selection dialog in a test environment: real settings store and probe over fakes, the
// headless dialog toolkit, and a helper that opens the dialog the way a toolbar does.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "net/internet.h"
#include "settings/settings.h"
#include "sim/fakes/fake_net.h"
#include "sim/fakes/headless_dialogs.h"
#include "tests/support/test_env.h"
#include "ui/frm_options.h"
#include "ui/options_layout.h"

namespace zormint::test {

struct ListedPicture {
  std::string name;
  int32_t position;
};

// Four pictures at attachment positions 2, 3, 5 and 6.
inline const std::vector<ListedPicture> kPictures = {
    {"beach.jpg", 2}, {"chart.GIF", 3}, {"dog.bmp", 5}, {"scan.tiff", 6}};

class DialogTest : public ::testing::Test {
 protected:
  DialogTest() {
    g.gfsoFileSystem = env.fileSystem;
    g.gclsInternet = std::make_shared<CInternet>(g);
  }

  // Puts a viewer choice into the store, as an earlier run would have left it.
  void Store(const std::string& choice, const std::string& path) {
    env.settingsStore->Put("ZORMINT", "Startup", "Image Viewer", choice);
    env.settingsStore->Put("ZORMINT", "Startup", "User Image App", path);
  }
  std::string StoredChoice() const {
    return env.settingsStore->Peek("ZORMINT", "Startup", "Image Viewer");
  }
  std::string StoredPath() const {
    return env.settingsStore->Peek("ZORMINT", "Startup", "User Image App");
  }
  void LoadSettings() {
    g.gclsSettings = std::make_shared<CSettings>(g);
    g.gclsSettings->Initialize();
  }
  // An existing program file in the test directory.
  std::string Exe(const std::string& name) {
    const std::string path = env.Path(name);
    TestEnv::WriteFile(path, "MZ");
    return path;
  }

  // What a toolbar does: take the dialog, fill its list (every entry selected), show it
  // modally with `script` as the user.
  void Open(const std::vector<ListedPicture>& pictures, sim::DialogScript script) {
    if (!g.gclsSettings && withSettings) LoadSettings();
    dialogs->OnNextShow(std::move(script));
    std::shared_ptr<ui::frmOptions> dialog = ui::frmOptions::Instance(g);
    std::shared_ptr<platform::ListBox> list = dialog->lstPicAttachments();
    list->Clear();
    for (const ListedPicture& p : pictures) {
      list->AddItem(p.name);
      list->SetItemData(list->NewIndex(), p.position);
      list->SetSelected(list->NewIndex(), true);
    }
    dialog->Show();
  }

  void ExpectBox(size_t index, const std::string& title, const std::string& text) {
    ASSERT_GT(dialogs->MessageBoxes().size(), index);
    const sim::MessageBoxRecord& box = dialogs->MessageBoxes()[index];
    EXPECT_EQ(box.title, title);
    EXPECT_EQ(box.text, text);
    EXPECT_TRUE(box.warningIcon);
    EXPECT_TRUE(box.okOnly);
    EXPECT_TRUE(box.whileModal);
    EXPECT_EQ(box.formCaption, "Select Picture Attachments");
  }

  std::shared_ptr<sim::FakeBrowser> Banner() const { return dialogs->Browsers().back(); }

  TestEnv env;
  Globals& g = env.globals;
  // The environment's fakes: the headless toolkit, internet functions and event log.
  std::shared_ptr<sim::HeadlessDialogs>& dialogs = env.dialogs;
  std::shared_ptr<sim::FakeInternet>& internet = env.internet;
  bool withSettings = true;
};

}  // namespace zormint::test

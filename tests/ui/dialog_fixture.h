// The selection dialog in a test environment: real settings store and probe over fakes, the
// headless dialog toolkit, and a helper that opens the dialog the way a toolbar does.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "net/internet.h"
#include "sim/fakes/fake_net.h"
#include "sim/fakes/headless_dialogs.h"
#include "tests/support/options_dialog.h"
#include "tests/support/test_env.h"
#include "ui/options_layout.h"

namespace zormint::test {

// Four pictures at attachment positions 2, 3, 5 and 6.
inline const std::vector<ListedPicture> kPictures = {
    {"beach.jpg", 2}, {"chart.GIF", 3}, {"dog.bmp", 5}, {"scan.tiff", 6}};

class DialogTest : public ::testing::Test {
 protected:
  DialogTest() {
    g.gfsoFileSystem = env.fileSystem;
    gclsInternet(g) = std::make_shared<CInternet>(g);
  }

  void LoadSettings() { test::LoadSettings(g); }
  // An existing program file in the test directory.
  std::string Exe(const std::string& name) {
    const std::string path = env.Path(name);
    TestEnv::WriteFile(path, "MZ");
    return path;
  }

  // What a toolbar does: take the dialog, fill its list (every entry selected), show it
  // modally with `script` as the user.
  void Open(const std::vector<ListedPicture>& pictures, sim::DialogScript script) {
    if (!gclsSettings(g) && withSettings) LoadSettings();
    dialogs->OnNextShow(std::move(script));
    ShowOptions(g, pictures);
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
  // The viewer choice in the store (as an earlier run left it, or as the dialog saved it).
  StoredViewer stored{*env.settingsStore};
  // The environment's fakes: the headless toolkit, internet functions and event log.
  std::shared_ptr<sim::HeadlessDialogs>& dialogs = env.dialogs;
  std::shared_ptr<sim::FakeInternet>& internet = env.internet;
  bool withSettings = true;
};

}  // namespace zormint::test

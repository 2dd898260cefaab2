// What the picture engine's tests share: a test environment with the file-system object, a
// mail folder in the simulated Outlook, mail items reached as the add-in reaches them (through
// an Explorer's selection), and a list box in memory.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "pictures/pic_attachments.h"
#include "platform/paths.h"
#include "settings/settings.h"
#include "tests/support/test_env.h"

namespace zormint::test {

class MemoryListBox : public platform::ListBox {
 public:
  struct Entry {
    std::string text;
    int32_t data = 0;
    bool selected = false;
  };
  void Clear() override { entries.clear(); }
  void AddItem(const std::string& text) override { entries.push_back({text}); }
  int32_t ListCount() override { return static_cast<int32_t>(entries.size()); }
  int32_t NewIndex() override { return static_cast<int32_t>(entries.size()) - 1; }
  std::string ItemText(int32_t index) override { return entries.at(index).text; }
  void SetItemData(int32_t index, int32_t data) override { entries.at(index).data = data; }
  int32_t ItemData(int32_t index) override { return entries.at(index).data; }
  void SetSelected(int32_t index, bool selected) override { entries.at(index).selected = selected; }
  bool Selected(int32_t index) override { return entries.at(index).selected; }

  std::vector<Entry> entries;
};

class PicturesTest : public ::testing::Test {
 protected:
  static constexpr const char* kSuffix = "071226210509";

  explicit PicturesTest(TestEnvOptions options = {}) : env(options) {
    env.globals.gfsoFileSystem = env.fileSystem;
    inbox = env.outlook->AddFolder("Inbox", host::kOlMailItem);
    explorer = env.outlook->OpenExplorer(inbox);
    app = env.outlook->Application();
  }

  // A mail item with attachments of these names; each attachment's bytes name it.
  std::shared_ptr<host::Item> Mail(const std::vector<std::string>& names) {
    sim::ItemSpec contents;
    for (size_t i = 0; i < names.size(); ++i) {
      contents.attachments.push_back({names[i], "bytes of #" + std::to_string(i + 1)});
    }
    return Mail(contents);
  }
  // A mail item of these contents (attachment types, a protected item ...).
  std::shared_ptr<host::Item> Mail(const sim::ItemSpec& contents) {
    const sim::ItemId id = env.outlook->AddItem(inbox, contents);
    env.outlook->Select(explorer, {id});
    std::shared_ptr<host::Item> item = app->ActiveExplorer()->Selection()->Item(1);
    env.faults.ClearCalls();
    return item;
  }

  // The engine, connected as the add-in connects it, with the settings store started.
  CPicAttachments& Engine() {
    if (!engine) {
      gclsSettings(env.globals) = std::make_shared<CSettings>(env.globals);
      gclsSettings(env.globals)->Initialize();
      engine = std::make_shared<CPicAttachments>(env.globals);
      engine->Initialize();
      gclsPicAttachments(env.globals) = engine;
    }
    return *engine;
  }

  std::string Root() const { return env.temporaryFolder; }
  std::string WorkingFolder(const std::string& suffix = kSuffix) const {
    return env.temporaryFolder + "\\ZORMINT$" + suffix + "\\";
  }
  std::filesystem::path RealWorkingFolder(const std::string& suffix = kSuffix) const {
    return platform::ToFsPath(env.temporaryFolder) / ("ZORMINT$" + suffix);
  }
  std::vector<std::string> FilesIn(const std::filesystem::path& folder) const {
    return env.disk->FileNames(platform::FromFsPath(folder));
  }

  TestEnv env;
  sim::FolderId inbox;
  sim::ExplorerId explorer;
  std::shared_ptr<host::Application> app;
  std::shared_ptr<CPicAttachments> engine;
};

}  // namespace zormint::test

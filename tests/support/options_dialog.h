// What the tests of the "Select Picture Attachments" dialog share, over the headless toolkit
// and on real windows: the pictures a toolbar lists, the dialog opened the way a toolbar opens
// it, and the viewer choice where the add-in keeps it in the settings store.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "context/globals.h"
#include "settings/settings.h"
#include "sim/fakes/fakes.h"
#include "ui/frm_options.h"

namespace zormint::test {

struct ListedPicture {
  std::string name;
  int32_t position;
};

// The settings as the connection loads them.
inline void LoadSettings(Globals& g) {
  gclsSettings(g) = std::make_shared<CSettings>(g);
  gclsSettings(g)->Initialize();
}

// What a toolbar does: take the dialog, fill its list (every entry selected) and show it
// modally.
inline void ShowOptions(Globals& g, const std::vector<ListedPicture>& pictures) {
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

// The viewer choice in the store: put there as an earlier run would have left it, and read back.
struct StoredViewer {
  sim::MemorySettingsStore& store;

  void Put(const std::string& choice, const std::string& path) const {
    store.Put("ZORMINT", "Startup", "Image Viewer", choice);
    store.Put("ZORMINT", "Startup", "User Image App", path);
  }
  std::string Choice() const { return store.Peek("ZORMINT", "Startup", "Image Viewer"); }
  std::string Path() const { return store.Peek("ZORMINT", "Startup", "User Image App"); }
};

}  // namespace zormint::test

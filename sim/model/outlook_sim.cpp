// The simulated Outlook's model: the mailbox, the windows, their command bars, and the events
// the test drives. The proxies the add-in calls are in sim_proxies.cpp.
#include "sim/model/outlook_sim.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "sim/model/sim_model.h"

namespace zormint::sim {

namespace {

[[noreturn]] void Misuse(const std::string& what) {
  Fail(err::kInvalidCall, "Simulated Outlook: " + what);
}

// Entry IDs look like Outlook's: a long upper-case hex text, the same prefix for one store.
std::string MakeEntryId(FolderId folder, ItemId item) {
  char tail[32];
  std::snprintf(tail, sizeof tail, "%08X%016X", static_cast<unsigned>(folder),
                static_cast<unsigned>(item));
  return std::string("000000001A447390AA6611CD9BC800AA002FC45A0700") + tail;
}

// The three buttons Outlook itself has on "Standard".
const char* const kHostButtons[] = {"&New", "&Print", "&Delete"};

bool IsControlType(int32_t type) {
  // msoControlButton, msoControlEdit, msoControlDropdown, msoControlComboBox, msoControlPopup
  return type == 1 || type == 2 || type == 3 || type == 4 || type == 10;
}

}  // namespace

std::shared_ptr<Outlook> Outlook::Create() {
  return std::make_shared<Model>();
}

Model::Model() = default;

// The members go in reverse order; sinks released here may drop proxies, which then find the
// model gone and count nothing.
Model::~Model() = default;

std::shared_ptr<host::Application> Model::Application() {
  return NewApplicationProxy(*this);
}

// ---- Lookups ------------------------------------------------------------------------------------

ExplorerData& Model::KnownExplorer(ExplorerId id) {
  auto it = explorers_.find(id);
  if (it == explorers_.end()) Misuse("no Explorer " + std::to_string(id));
  return it->second;
}

InspectorData& Model::KnownInspector(InspectorId id) {
  auto it = inspectors_.find(id);
  if (it == inspectors_.end()) Misuse("no Inspector " + std::to_string(id));
  return it->second;
}

FolderData& Model::KnownFolder(FolderId id) {
  auto it = folders_.find(id);
  if (it == folders_.end()) Misuse("no folder " + std::to_string(id));
  return it->second;
}

ItemData& Model::KnownItem(ItemId id) {
  auto it = items_.find(id);
  if (it == items_.end()) Misuse("no item " + std::to_string(id));
  return it->second;
}

ControlData& Model::KnownControl(ControlId id) {
  auto it = controls_.find(id);
  if (it == controls_.end()) Misuse("no control " + std::to_string(id));
  return it->second;
}

ExplorerData& Model::OpenExplorerData(ExplorerId id) {
  ExplorerData& data = KnownExplorer(id);
  if (!data.open) Fail(err::kEFail, "The Explorer has been closed");
  return data;
}

InspectorData& Model::OpenInspectorData(InspectorId id) {
  InspectorData& data = KnownInspector(id);
  if (!data.open) Fail(err::kEFail, "The Inspector has been closed");
  return data;
}

WindowData& Model::OpenWindow(WindowRef window) {
  if (window.kind == WindowRef::kExplorer) return OpenExplorerData(window.id);
  return OpenInspectorData(window.id);
}

BarData& Model::OpenBar(WindowRef window, int barIndex) {
  WindowData& data = OpenWindow(window);
  if (barIndex < 0 || barIndex >= static_cast<int>(data.bars.size())) {
    Fail(err::kEFail, "The command bar is gone");
  }
  return data.bars[barIndex];
}

ControlData& Model::LiveButton(ControlId id) {
  ControlData& control = KnownControl(id);
  if (control.deleted) Fail(err::kEFail, "The control has been deleted");
  const WindowData* window = FindWindow(control.window);
  if (!window || !window->open) Fail(err::kEFail, "The control's window has been closed");
  return control;
}

const WindowData* Model::FindWindow(WindowRef window) const {
  if (window.kind == WindowRef::kExplorer) {
    auto it = explorers_.find(window.id);
    return it == explorers_.end() ? nullptr : &it->second;
  }
  auto it = inspectors_.find(window.id);
  return it == inspectors_.end() ? nullptr : &it->second;
}

// ---- Events -------------------------------------------------------------------------------------

template <class Sink, class Locate, class Call>
void Model::Fire(Locate locate, Call call) {
  std::shared_ptr<Outlook> keepAlive = shared_from_this();
  SinkList<Sink>* list = locate();
  if (!list) return;
  auto snapshot = list->Snapshot();
  for (auto& [cookie, sink] : snapshot) {
    list = locate();
    if (!list || !list->Has(cookie)) continue;  // disconnected by an earlier sink
    try {
      call(*sink);
    } catch (...) {
      ++escaped_;
    }
  }
}

// ---- Mailbox ------------------------------------------------------------------------------------

FolderId Model::AddFolder(const std::string& name, int32_t defaultItemType) {
  FolderId id = nextFolder_++;
  folders_[id] = FolderData{name, defaultItemType};
  return id;
}

ItemId Model::AddItem(FolderId folder, ItemSpec contents) {
  KnownFolder(folder);
  ItemId id = nextItem_++;
  if (contents.entryId.empty()) contents.entryId = MakeEntryId(folder, id);
  ItemData& data = items_[id];
  data.folder = folder;
  data.contents = std::move(contents);
  return id;
}

void Model::SetSaved(ItemId item, bool saved) {
  KnownItem(item).contents.saved = saved;
}

std::string Model::EntryIdOf(ItemId item) const {
  auto it = items_.find(item);
  if (it == items_.end()) Misuse("no item " + std::to_string(item));
  return it->second.contents.entryId;
}

// ---- Windows and their bars ---------------------------------------------------------------------

std::vector<BarData> Model::NewWindowBars(WindowRef window) {
  std::vector<BarData> bars;
  for (const std::string& name : newWindowBars_) {
    BarData bar{name, {}};
    if (name == "Standard") {
      for (const char* caption : kHostButtons) {
        ControlId id = nextControl_++;
        ControlData& control = controls_[id];
        control.view.caption = caption;
        control.window = window;
        bar.controls.push_back(id);
      }
    }
    bars.push_back(std::move(bar));
  }
  return bars;
}

void Model::SetNewWindowBars(const std::vector<std::string>& names) {
  newWindowBars_ = names;
}

ControlId Model::AddControl(WindowRef window, int barIndex, int32_t type,
                            std::optional<int32_t> before, bool temporary, bool addedByAddIn) {
  BarData& bar = OpenBar(window, barIndex);
  if (!IsControlType(type)) Fail(err::kInvalidCall, "Invalid control type");
  size_t position = bar.controls.size();
  if (before) {
    if (*before < 1 || *before > static_cast<int32_t>(bar.controls.size()) + 1) {
      Fail(err::kInvalidCall, "Invalid position for the new control");
    }
    position = static_cast<size_t>(*before - 1);
  }
  ControlId id = nextControl_++;
  ControlData& control = controls_[id];
  control.view.addedByAddIn = addedByAddIn;
  control.view.type = type;
  control.view.temporary = temporary;
  control.window = window;
  control.isButton = type == host::kMsoControlButton;
  bar.controls.insert(bar.controls.begin() + static_cast<std::ptrdiff_t>(position), id);
  return id;
}

void Model::DeleteControl(ControlId id) {
  ControlData& control = KnownControl(id);
  if (control.deleted) return;
  control.deleted = true;
  WindowData* window = FindWindow(control.window);
  if (!window) return;
  for (BarData& bar : window->bars) {
    bar.controls.erase(std::remove(bar.controls.begin(), bar.controls.end(), id),
                       bar.controls.end());
  }
}

void Model::DiscardTemporaryControls() {
  for (auto& [id, control] : controls_) {
    if (!control.deleted && control.view.temporary) DeleteControl(id);
  }
}

std::vector<std::string> Model::BarNames(WindowRef window) const {
  const WindowData* data = FindWindow(window);
  if (!data) Misuse("no such window");
  std::vector<std::string> names;
  for (const BarData& bar : data->bars)
    names.push_back(bar.name);
  return names;
}

const BarData& Model::ViewBar(WindowRef window, const std::string& barName) const {
  const WindowData* data = FindWindow(window);
  if (!data) Misuse("no such window");
  for (const BarData& bar : data->bars) {
    if (bar.name == barName) return bar;
  }
  Misuse("the window has no bar named \"" + barName + "\"");
}

std::vector<ControlView> Model::Controls(WindowRef window, const std::string& barName) const {
  std::vector<ControlView> views;
  for (ControlId id : ViewBar(window, barName).controls)
    views.push_back(controls_.at(id).view);
  return views;
}

std::vector<ControlView> Model::AddInControls(WindowRef window) const {
  const WindowData* data = FindWindow(window);
  if (!data) Misuse("no such window");
  std::vector<ControlView> views;
  for (const BarData& bar : data->bars) {
    for (ControlId id : bar.controls) {
      const ControlView& view = controls_.at(id).view;
      if (view.addedByAddIn) views.push_back(view);
    }
  }
  return views;
}

bool Model::Click(WindowRef window, const std::string& tag) {
  if (tag.empty()) return false;
  const WindowData* data = FindWindow(window);
  if (!data || !data->open) return false;
  ControlId clicked = 0;
  for (const BarData& bar : data->bars) {
    for (ControlId id : bar.controls) {
      if (controls_.at(id).view.tag == tag) {
        clicked = id;
        break;
      }
    }
    if (clicked) break;
  }
  if (!clicked) return false;
  const ControlData& button = controls_.at(clicked);
  if (!button.isButton || !button.view.enabled || !button.view.visible) return false;

  // Every add-in button of an open window with the same tag receives the click, with the
  // clicked button as Ctrl.
  auto isTarget = [this, &tag](ControlId id) {
    const ControlData& control = controls_.at(id);
    const WindowData* owner = FindWindow(control.window);
    return !control.deleted && control.isButton && control.view.addedByAddIn &&
           control.view.tag == tag && owner && owner->open;
  };
  std::vector<ControlId> targets;
  for (const auto& [id, control] : controls_) {
    if (isTarget(id)) targets.push_back(id);
  }
  bool cancelDefault = false;
  for (ControlId target : targets) {
    if (!isTarget(target)) continue;  // deleted by an earlier handler
    Fire<host::CommandBarButtonEvents>(
        [this, target] { return &controls_.at(target).sinks; },
        [this, clicked, &cancelDefault](host::CommandBarButtonEvents& sink) {
          sink.Click(NewButtonProxy(*this, clicked), cancelDefault);
        });
  }
  return true;
}

// ---- Explorers ----------------------------------------------------------------------------------

ExplorerId Model::OpenExplorer(FolderId folder) {
  KnownFolder(folder);
  ExplorerId id = nextExplorer_++;
  std::vector<BarData> bars = NewWindowBars({WindowRef::kExplorer, id});
  ExplorerData& data = explorers_[id];
  data.folder = folder;
  data.bars = std::move(bars);
  explorerOrder_.push_back(id);
  activeExplorer_ = id;
  Fire<host::ExplorersEvents>(
      [this] { return &explorersSinks_; },
      [this, id](host::ExplorersEvents& sink) { sink.NewExplorer(NewExplorerProxy(*this, id)); });
  return id;
}

void Model::SwitchFolder(ExplorerId explorer, FolderId folder) {
  KnownFolder(folder);
  ExplorerData& data = KnownExplorer(explorer);
  if (!data.open) Misuse("the Explorer is closed");
  data.folder = folder;
  data.selection.clear();
  Fire<host::ExplorerEvents>([this, explorer] { return &explorers_.at(explorer).sinks; },
                             [](host::ExplorerEvents& sink) { sink.FolderSwitch(); });
}

void Model::Select(ExplorerId explorer, const std::vector<ItemId>& items) {
  for (ItemId item : items)
    KnownItem(item);
  ExplorerData& data = KnownExplorer(explorer);
  if (!data.open) Misuse("the Explorer is closed");
  data.selection = items;
  data.selectedAttachments.clear();
  Fire<host::ExplorerEvents>([this, explorer] { return &explorers_.at(explorer).sinks; },
                             [](host::ExplorerEvents& sink) { sink.SelectionChange(); });
}

void Model::ActivateExplorer(ExplorerId explorer) {
  if (!KnownExplorer(explorer).open) Misuse("the Explorer is closed");
  activeExplorer_ = explorer;
  Fire<host::ExplorerEvents>([this, explorer] { return &explorers_.at(explorer).sinks; },
                             [](host::ExplorerEvents& sink) { sink.Activate(); });
}

void Model::SwitchView(ExplorerId explorer) {
  if (!KnownExplorer(explorer).open) Misuse("the Explorer is closed");
  Fire<host::ExplorerEvents>([this, explorer] { return &explorers_.at(explorer).sinks; },
                             [](host::ExplorerEvents& sink) { sink.ViewSwitch(); });
}

void Model::CloseExplorer(ExplorerId explorer) {
  ExplorerData& data = KnownExplorer(explorer);
  if (!data.open || data.closing) return;  // closing twice (even from its own Close) is a no-op
  data.closing = true;
  Fire<host::ExplorerEvents>([this, explorer] { return &explorers_.at(explorer).sinks; },
                             [](host::ExplorerEvents& sink) { sink.Close(); });
  ExplorerData& closed = explorers_.at(explorer);
  closed.open = false;
  closed.closing = false;
  explorerOrder_.erase(std::remove(explorerOrder_.begin(), explorerOrder_.end(), explorer),
                       explorerOrder_.end());
  if (activeExplorer_ == explorer) {
    activeExplorer_ = explorerOrder_.empty() ? 0 : explorerOrder_.back();
  }
}

// ---- Attachments and the ribbon -----------------------------------------------------------------

ItemId Model::ShownItem(WindowRef window) {
  if (window.kind == WindowRef::kInspector) return OpenInspectorData(window.id).item;
  const ExplorerData& data = OpenExplorerData(window.id);
  return data.selection.empty() ? 0 : data.selection.front();
}

void Model::SetWindowHandle(WindowRef window, host::WindowHandle handle) {
  WindowData* data = FindWindow(window);
  if (!data || !data->open) Misuse("the window is closed");
  data->handle = handle;
}

void Model::SelectAttachments(WindowRef window, const std::vector<int32_t>& positions) {
  WindowData* data = FindWindow(window);
  if (!data || !data->open) Misuse("the window is closed");
  const ItemId item = ShownItem(window);
  if (item == 0 && !positions.empty()) Misuse("the window shows no item");
  for (int32_t position : positions) {
    if (position < 1 ||
        static_cast<size_t>(position) > KnownItem(item).contents.attachments.size()) {
      Misuse("no such attachment");
    }
  }
  data->selectedAttachments = positions;
  if (window.kind == WindowRef::kExplorer) {
    Fire<host::ExplorerEvents>(
        [this, window] { return &explorers_.at(window.id).sinks; },
        [](host::ExplorerEvents& sink) { sink.AttachmentSelectionChange(); });
  } else {
    Fire<host::InspectorEvents>(
        [this, window] { return &inspectors_.at(window.id).sinks; },
        [](host::InspectorEvents& sink) { sink.AttachmentSelectionChange(); });
  }
}

std::shared_ptr<host::RibbonControl> Model::RibbonControl(WindowRef window, const std::string& id,
                                                          const std::string& tag,
                                                          bool onAttachments) {
  return NewRibbonControlProxy(*this, window, id, tag, onAttachments);
}

std::shared_ptr<host::RibbonUI> Model::RibbonUI(const std::string& ribbonId) {
  return NewRibbonUIProxy(*this, ribbonId);
}

std::vector<std::string> Model::Invalidations() const {
  std::vector<std::string> ids;
  for (const auto& [ribbonId, id] : invalidations_)
    ids.push_back(id);
  return ids;
}

std::vector<std::string> Model::Invalidations(const std::string& ribbonId) const {
  std::vector<std::string> ids;
  for (const auto& [document, id] : invalidations_) {
    if (document == ribbonId) ids.push_back(id);
  }
  return ids;
}

// An invalidation reaches only the windows of its own document.
void Model::RecordInvalidation(const std::string& ribbonId, const std::string& id) {
  invalidations_.emplace_back(ribbonId, id);
  for (auto it = keptAnswers_.begin(); it != keptAnswers_.end();) {
    const WindowRef window{static_cast<WindowRef::Kind>(it->first.first.first),
                           it->first.first.second};
    if (RibbonIdOf(window) == ribbonId && (id == "*" || id == it->first.second)) {
      it = keptAnswers_.erase(it);
    } else {
      ++it;
    }
  }
}

std::optional<bool> Model::KeptAnswer(WindowRef window, const std::string& controlId) const {
  auto found = keptAnswers_.find({{static_cast<int>(window.kind), window.id}, controlId});
  if (found == keptAnswers_.end()) return std::nullopt;
  return found->second;
}

void Model::KeepAnswer(WindowRef window, const std::string& controlId, bool enabled) {
  keptAnswers_[{{static_cast<int>(window.kind), window.id}, controlId}] = enabled;
}

// ---- Inspectors ---------------------------------------------------------------------------------

InspectorId Model::OpenInspector(ItemId item, std::optional<bool> wordMail) {
  KnownItem(item);
  InspectorId id = nextInspector_++;
  std::vector<BarData> bars = NewWindowBars({WindowRef::kInspector, id});
  InspectorData& data = inspectors_[id];
  data.item = item;
  data.wordMail = wordMail.value_or(std::strtol(version_.c_str(), nullptr, 10) >= 12);
  data.bars = std::move(bars);
  inspectorOrder_.push_back(id);
  Fire<host::InspectorsEvents>([this] { return &inspectorsSinks_; },
                               [this, id](host::InspectorsEvents& sink) {
                                 sink.NewInspector(NewInspectorProxy(*this, id));
                               });
  if (inspectors_.at(id).open) {
    Fire<host::InspectorEvents>([this, id] { return &inspectors_.at(id).sinks; },
                                [](host::InspectorEvents& sink) { sink.Activate(); });
  }
  return id;
}

void Model::MoveInspector(InspectorId inspector, ItemId item) {
  KnownItem(item);
  InspectorData& data = KnownInspector(inspector);
  if (!data.open) Misuse("the Inspector is closed");
  ItemId previous = data.item;
  data.item = item;
  data.selectedAttachments.clear();
  bool cancel = false;
  Fire<host::ItemEvents>([this, previous] { return &items_.at(previous).sinks; },
                         [&cancel](host::ItemEvents& sink) { sink.Close(cancel); });
  InspectorData& moved = inspectors_.at(inspector);
  if (!moved.open || moved.closing) return;
  if (cancel) {  // the previous item refused to close: the window stays on it
    moved.item = previous;
    return;
  }
  Fire<host::InspectorEvents>([this, inspector] { return &inspectors_.at(inspector).sinks; },
                              [](host::InspectorEvents& sink) { sink.Activate(); });
}

void Model::ActivateInspector(InspectorId inspector) {
  if (!KnownInspector(inspector).open) Misuse("the Inspector is closed");
  Fire<host::InspectorEvents>([this, inspector] { return &inspectors_.at(inspector).sinks; },
                              [](host::InspectorEvents& sink) { sink.Activate(); });
}

void Model::DeactivateInspector(InspectorId inspector) {
  if (!KnownInspector(inspector).open) Misuse("the Inspector is closed");
  Fire<host::InspectorEvents>([this, inspector] { return &inspectors_.at(inspector).sinks; },
                              [](host::InspectorEvents& sink) { sink.Deactivate(); });
}

void Model::CloseInspector(InspectorId inspector) {
  InspectorData& data = KnownInspector(inspector);
  if (!data.open || data.closing) return;
  data.closing = true;
  ItemId item = data.item;
  bool cancel = false;
  Fire<host::ItemEvents>([this, item] { return &items_.at(item).sinks; },
                         [&cancel](host::ItemEvents& sink) { sink.Close(cancel); });
  if (cancel) {  // the item refused to close: the window stays open
    inspectors_.at(inspector).closing = false;
    return;
  }
  Fire<host::InspectorEvents>([this, inspector] { return &inspectors_.at(inspector).sinks; },
                              [](host::InspectorEvents& sink) { sink.Close(); });
  InspectorData& closed = inspectors_.at(inspector);
  closed.open = false;
  closed.closing = false;
  inspectorOrder_.erase(std::remove(inspectorOrder_.begin(), inspectorOrder_.end(), inspector),
                        inspectorOrder_.end());
}

void Model::FireItemClose(InspectorId inspector) {
  InspectorData& data = KnownInspector(inspector);
  if (!data.open) Misuse("the Inspector is closed");
  ItemId item = data.item;
  bool cancel = false;
  Fire<host::ItemEvents>([this, item] { return &items_.at(item).sinks; },
                         [&cancel](host::ItemEvents& sink) { sink.Close(cancel); });
}

void Model::FireItemOpen(InspectorId inspector) {
  InspectorData& data = KnownInspector(inspector);
  if (!data.open) Misuse("the Inspector is closed");
  ItemId item = data.item;
  bool cancel = false;
  Fire<host::ItemEvents>([this, item] { return &items_.at(item).sinks; },
                         [&cancel](host::ItemEvents& sink) { sink.Open(cancel); });
}

void Model::FireItemRead(InspectorId inspector) {
  InspectorData& data = KnownInspector(inspector);
  if (!data.open) Misuse("the Inspector is closed");
  ItemId item = data.item;
  Fire<host::ItemEvents>([this, item] { return &items_.at(item).sinks; },
                         [](host::ItemEvents& sink) { sink.Read(); });
}

void Model::FireItemWrite(InspectorId inspector) {
  InspectorData& data = KnownInspector(inspector);
  if (!data.open) Misuse("the Inspector is closed");
  ItemId item = data.item;
  bool cancel = false;
  Fire<host::ItemEvents>([this, item] { return &items_.at(item).sinks; },
                         [&cancel](host::ItemEvents& sink) { sink.Write(cancel); });
}

// ---- What the add-in holds ----------------------------------------------------------------------

int Model::LiveReferences() const {
  int total = 0;
  for (const auto& [kind, count] : live_)
    total += count;
  return total;
}

int Model::ConnectedSinks() const {
  int total = explorersSinks_.Size() + inspectorsSinks_.Size();
  for (const auto& [id, data] : explorers_)
    total += data.sinks.Size();
  for (const auto& [id, data] : inspectors_)
    total += data.sinks.Size();
  for (const auto& [id, data] : items_)
    total += data.sinks.Size();
  for (const auto& [id, data] : controls_)
    total += data.sinks.Size();
  return total;
}

std::string Model::DescribeLiveReferences() const {
  std::string text;
  for (const auto& [kind, count] : live_) {
    if (count == 0) continue;
    if (!text.empty()) text += ", ";
    text += kind + " x" + std::to_string(count);
  }
  return text.empty() ? "none" : text;
}

}  // namespace zormint::sim

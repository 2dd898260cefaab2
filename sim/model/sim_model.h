// The inside of the simulated Outlook: the state of the mailbox, the windows and their command
// bars, the event connections, and the count of the proxies handed to the add-in.
//
// The proxies (sim_proxies.cpp) name what they stand for by id and look it up on every call, so
// nothing the add-in does from inside an event can leave a proxy or a firing loop holding a
// dangling pointer into the model. Closed windows and deleted controls stay in the model (marked
// as such) so that their event connections can still be undone.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "sim/model/outlook_sim.h"

namespace zormint::sim {

using ControlId = int;

// CONNECT_E_NOCONNECTION: Unadvise with a cookie that is not connected.
constexpr int32_t kConnectNoConnection = static_cast<int32_t>(0x80040200u);
// RPC_E_DISCONNECTED: a call through a proxy after the host has gone.
constexpr int32_t kRpcDisconnected = static_cast<int32_t>(0x80010108u);

// The sinks connected to one event source, in the order of their connection.
template <class Sink>
class SinkList {
 public:
  void Add(host::Cookie cookie, std::shared_ptr<Sink> sink) {
    sinks_.emplace_back(cookie, std::move(sink));
  }
  // Takes the sink out of the list and hands it back, so that the caller releases it only when
  // the list is consistent again (a sink's destructor may call into the host).
  std::shared_ptr<Sink> Remove(host::Cookie cookie) {
    for (auto it = sinks_.begin(); it != sinks_.end(); ++it) {
      if (it->first == cookie) {
        std::shared_ptr<Sink> sink = std::move(it->second);
        sinks_.erase(it);
        return sink;
      }
    }
    return nullptr;
  }
  bool Has(host::Cookie cookie) const {
    for (const auto& entry : sinks_) {
      if (entry.first == cookie) return true;
    }
    return false;
  }
  std::vector<std::pair<host::Cookie, std::shared_ptr<Sink>>> Snapshot() const { return sinks_; }
  int Size() const { return static_cast<int>(sinks_.size()); }
  // Empties the list; the sinks are released by the caller after the list is empty.
  std::vector<std::pair<host::Cookie, std::shared_ptr<Sink>>> TakeAll() {
    return std::exchange(sinks_, {});
  }

 private:
  std::vector<std::pair<host::Cookie, std::shared_ptr<Sink>>> sinks_;
};

struct FolderData {
  std::string name;
  int32_t defaultItemType = host::kOlMailItem;
};

struct ItemData {
  FolderId folder = 0;
  ItemSpec contents;  // entryId always filled in
  SinkList<host::ItemEvents> sinks;
};

struct ControlData {
  ControlView view;
  WindowRef window{WindowRef::kExplorer, 0};
  bool isButton = true;
  bool deleted = false;
  SinkList<host::CommandBarButtonEvents> sinks;
};

struct BarData {
  std::string name;  // "" for an element that is not a command bar
  std::vector<ControlId> controls;
};

struct WindowData {
  host::WindowHandle handle = 0;  // what IOleWindow answers; 0: the window gives none
  bool open = true;
  bool closing = false;
  std::vector<BarData> bars;
  std::vector<int32_t> selectedAttachments;  // positions in the shown item's attachments
};

struct ExplorerData : WindowData {
  FolderId folder = 0;
  std::vector<ItemId> selection;
  SinkList<host::ExplorerEvents> sinks;
};

struct InspectorData : WindowData {
  ItemId item = 0;
  bool wordMail = false;
  SinkList<host::InspectorEvents> sinks;
};

class Model final : public Outlook {
 public:
  Model();
  ~Model() override;

  // ---- Outlook ------------------------------------------------------------------------------
  FaultPlan& Faults() override { return faults_; }
  std::shared_ptr<host::Application> Application() override;

  FolderId AddFolder(const std::string& name, int32_t defaultItemType) override;
  ItemId AddItem(FolderId folder, ItemSpec contents) override;
  void SetSaved(ItemId item, bool saved) override;
  std::string EntryIdOf(ItemId item) const override;

  ExplorerId OpenExplorer(FolderId folder) override;
  void SwitchFolder(ExplorerId explorer, FolderId folder) override;
  void Select(ExplorerId explorer, const std::vector<ItemId>& items) override;
  void ActivateExplorer(ExplorerId explorer) override;
  void SwitchView(ExplorerId explorer) override;
  void CloseExplorer(ExplorerId explorer) override;

  InspectorId OpenInspector(ItemId item, std::optional<bool> wordMail) override;
  void MoveInspector(InspectorId inspector, ItemId item) override;
  void ActivateInspector(InspectorId inspector) override;
  void DeactivateInspector(InspectorId inspector) override;
  void CloseInspector(InspectorId inspector) override;
  void FireItemClose(InspectorId inspector) override;
  void FireItemOpen(InspectorId inspector) override;
  void FireItemRead(InspectorId inspector) override;
  void FireItemWrite(InspectorId inspector) override;

  void SetNewWindowBars(const std::vector<std::string>& names) override;
  std::vector<std::string> BarNames(WindowRef window) const override;
  std::vector<ControlView> Controls(WindowRef window, const std::string& barName) const override;
  std::vector<ControlView> AddInControls(WindowRef window) const override;
  bool Click(WindowRef window, const std::string& tag) override;

  void SetVersion(const std::string& version) override { version_ = version; }
  void SetWindowHandle(WindowRef window, host::WindowHandle handle) override;
  void SelectAttachments(WindowRef window, const std::vector<int32_t>& positions) override;
  std::shared_ptr<host::RibbonControl> RibbonControl(WindowRef window, const std::string& id,
                                                     const std::string& tag,
                                                     bool onAttachments) override;
  std::shared_ptr<host::RibbonUI> RibbonUI(const std::string& ribbonId) override;
  std::vector<std::string> Invalidations() const override;
  std::vector<std::string> Invalidations(const std::string& ribbonId) const override;
  void ClearInvalidations() override { invalidations_.clear(); }
  std::optional<bool> KeptAnswer(WindowRef window, const std::string& controlId) const override;
  void KeepAnswer(WindowRef window, const std::string& controlId, bool enabled) override;

  void DiscardTemporaryControls() override;

  int LiveReferences() const override;
  int ConnectedSinks() const override;
  std::string DescribeLiveReferences() const override;
  int EscapedExceptions() const override { return escaped_; }
  std::vector<ExplorerId> OpenExplorers() const override { return explorerOrder_; }
  std::vector<InspectorId> OpenInspectors() const override { return inspectorOrder_; }

  // ---- For the proxies ----------------------------------------------------------------------
  void ProxyCreated(const char* kind) { ++live_[kind]; }
  void ProxyDestroyed(const char* kind) { --live_[kind]; }
  host::Cookie NextCookie() { return nextCookie_++; }
  std::weak_ptr<Model> Weak() { return std::static_pointer_cast<Model>(shared_from_this()); }

  const std::vector<ExplorerId>& ExplorerOrder() const { return explorerOrder_; }
  const std::vector<InspectorId>& InspectorOrder() const { return inspectorOrder_; }
  ExplorerId ActiveExplorerId() const { return activeExplorer_; }
  const std::string& Version() const { return version_; }
  void RecordInvalidation(const std::string& ribbonId, const std::string& id);
  // The item a window shows (an Explorer: its first selected item; 0 for none).
  ItemId ShownItem(WindowRef window);

  // Lookups that fail with a ZError as Outlook fails on an object that is gone. The Known*
  // forms find closed windows and deleted controls too (for Unadvise).
  ExplorerData& OpenExplorerData(ExplorerId id);
  InspectorData& OpenInspectorData(InspectorId id);
  WindowData& OpenWindow(WindowRef window);
  BarData& OpenBar(WindowRef window, int barIndex);
  ExplorerData& KnownExplorer(ExplorerId id);
  InspectorData& KnownInspector(InspectorId id);
  FolderData& KnownFolder(FolderId id);
  ItemData& KnownItem(ItemId id);
  ControlData& KnownControl(ControlId id);
  ControlData& LiveButton(ControlId id);  // present on the bar of an open window

  SinkList<host::ExplorersEvents>& ExplorersSinks() { return explorersSinks_; }
  SinkList<host::InspectorsEvents>& InspectorsSinks() { return inspectorsSinks_; }

  // Adds a control of a type to a bar (before a 1-based position, or at the end).
  ControlId AddControl(WindowRef window, int barIndex, int32_t type, std::optional<int32_t> before,
                       bool temporary, bool addedByAddIn);
  void DeleteControl(ControlId id);

 private:
  const WindowData* FindWindow(WindowRef window) const;
  WindowData* FindWindow(WindowRef window) {
    return const_cast<WindowData*>(std::as_const(*this).FindWindow(window));
  }
  std::vector<BarData> NewWindowBars(WindowRef window);
  const BarData& ViewBar(WindowRef window, const std::string& barName) const;
  // Calls every sink connected now that is still connected when its turn comes; holds each
  // sink (and the model) for the duration of its call and swallows what escapes from it.
  template <class Sink, class Locate, class Call>
  void Fire(Locate locate, Call call);

  FaultPlan faults_;
  std::map<std::string, int> live_;
  host::Cookie nextCookie_ = 1;
  int escaped_ = 0;

  int nextFolder_ = 1, nextItem_ = 1, nextExplorer_ = 1, nextInspector_ = 1, nextControl_ = 1;
  std::map<FolderId, FolderData> folders_;
  std::map<ItemId, ItemData> items_;
  std::map<ExplorerId, ExplorerData> explorers_;
  std::map<InspectorId, InspectorData> inspectors_;
  std::map<ControlId, ControlData> controls_;
  std::vector<ExplorerId> explorerOrder_;
  std::vector<InspectorId> inspectorOrder_;
  ExplorerId activeExplorer_ = 0;
  std::vector<std::string> newWindowBars_{"Menu Bar", "Standard", "Advanced"};
  std::string version_ = "16.0.0.17928";
  std::vector<std::pair<std::string, std::string>> invalidations_;  // ribbon id, control id
  // Office's kept getEnabled answers: by window kind and id, control id.
  std::map<std::pair<std::pair<int, int>, std::string>, bool> keptAnswers_;

  SinkList<host::ExplorersEvents> explorersSinks_;
  SinkList<host::InspectorsEvents> inspectorsSinks_;
};

// Fresh proxies over the model (sim_proxies.cpp).
std::shared_ptr<host::Application> NewApplicationProxy(Model& model);
std::shared_ptr<host::Explorer> NewExplorerProxy(Model& model, ExplorerId id);
std::shared_ptr<host::Inspector> NewInspectorProxy(Model& model, InspectorId id);
std::shared_ptr<host::CommandBarButton> NewButtonProxy(Model& model, ControlId id);
std::shared_ptr<host::RibbonControl> NewRibbonControlProxy(Model& model, WindowRef window,
                                                           std::string id, std::string tag,
                                                           bool onAttachments);
std::shared_ptr<host::RibbonUI> NewRibbonUIProxy(Model& model, std::string ribbonId);

}  // namespace zormint::sim

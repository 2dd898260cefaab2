// CZormint: the window tracker. It follows Outlook's Explorer and Inspector windows, gives each
// window it accepts a toolbar (CExplorerToolbar, CInspectorToolbar) filed under "<index>UNT",
// and drops a toolbar when the toolbar says it is gone. One exists per connection.
//
// Indexes: every live toolbar of a kind has its own index, the lowest one that no live toolbar
// of that kind uses. So indexes run 1, 2, 3 ... while windows open, are reused from 1 when they
// close in reverse order, and two live windows never share an index (and so never share button
// tags, which matters because Outlook delivers a click to every button with the clicked one's
// tag). The counters mlExplorerCount and mlInspectorCount are the numbers of live toolbars.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "context/globals.h"
#include "host/host.h"
#include "toolbars/explorer_toolbar.h"
#include "toolbars/inspector_toolbar.h"
#include "toolbars/toolbar_tracker.h"
#include "windows/event_connection.h"

namespace zormint {

using toolbars::CExplorerToolbar;
using toolbars::CInspectorToolbar;

// A keyed collection of toolbars: text keys, insertion order, a duplicate key or a missing key
// is a failure.
template <class T>
class ToolbarCollection {
 public:
  void Add(const std::string& key, std::shared_ptr<T> item) {
    if (Find(key) != entries_.end()) Fail(err::kDuplicateKey, "This key is already associated");
    entries_.emplace_back(key, std::move(item));
  }
  std::shared_ptr<T> Item(const std::string& key) const {
    auto it = Find(key);
    if (it == entries_.end()) Fail(err::kSubscriptOutOfRange, "Subscript out of range");
    return it->second;
  }
  void Remove(const std::string& key) {
    auto it = Find(key);
    if (it == entries_.end()) Fail(err::kSubscriptOutOfRange, "Subscript out of range");
    entries_.erase(it);
  }
  bool Contains(const std::string& key) const { return Find(key) != entries_.end(); }
  int32_t Count() const { return static_cast<int32_t>(entries_.size()); }
  std::vector<std::string> Keys() const {
    std::vector<std::string> keys;
    for (const auto& entry : entries_)
      keys.push_back(entry.first);
    return keys;
  }
  std::vector<std::shared_ptr<T>> Items() const {
    std::vector<std::shared_ptr<T>> items;
    for (const auto& entry : entries_)
      items.push_back(entry.second);
    return items;
  }
  // Empties the collection and hands its toolbars to the caller.
  std::vector<std::shared_ptr<T>> TakeAll() {
    std::vector<std::shared_ptr<T>> items;
    for (auto& entry : entries_)
      items.push_back(std::move(entry.second));
    entries_.clear();
    return items;
  }

 private:
  using Entries = std::vector<std::pair<std::string, std::shared_ptr<T>>>;
  typename Entries::const_iterator Find(const std::string& key) const {
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
      if (it->first == key) return it;
    }
    return entries_.end();
  }
  Entries entries_;
};

class CZormint;

class ExplorersSink : public host::ExplorersEvents, public windows::SinkOf<CZormint> {
 public:
  using SinkOf::SinkOf;
  void NewExplorer(std::shared_ptr<host::Explorer> explorer) override;
};

class InspectorsSink : public host::InspectorsEvents, public windows::SinkOf<CZormint> {
 public:
  using SinkOf::SinkOf;
  void NewInspector(std::shared_ptr<host::Inspector> inspector) override;
};

class CZormint final : public toolbars::ToolbarTracker,
                       public std::enable_shared_from_this<CZormint> {
 public:
  explicit CZormint(std::shared_ptr<Globals> globals)
      : globals_(std::move(globals)), g_(*globals_) {}
  ~CZormint() override;

  // Property sets, called in this order before Initialize; a failure goes to the caller.
  void TrustedOutlookApp(const std::shared_ptr<host::Application>& olTrustedApp);
  // The application, none once the tracker has cleaned up.
  const std::shared_ptr<host::Application>& OutlookApp() const { return molTrustedApp; }
  // Stores the collection and connects its NewInspector event; none disconnects it.
  void InspectorsCollection(const std::shared_ptr<host::Inspectors>& colInspectors);
  // Stores the collection and connects its NewExplorer event; none disconnects it.
  void ExplorersCollection(const std::shared_ptr<host::Explorers>& colExplorers);

  // Starts tracking: empty collections, and a toolbar with buttons for the active Explorer.
  void Initialize() noexcept;
  // Teardown when the user switches the add-in off: every toolbar cleans up (its buttons go),
  // inspector toolbars first, each kind in index order.
  void Cleanup4UserShutdown() noexcept;
  // Teardown when the host shuts down: the toolbars are dropped without deleting their buttons,
  // each releasing its host references and event connections first.
  void Cleanup() noexcept;

  // Event handlers.
  void mcolExplorers_NewExplorer(std::shared_ptr<host::Explorer> Explorer) noexcept;
  void mcolInspectors_NewInspector(std::shared_ptr<host::Inspector> Inspector) noexcept;

  // ---- Looking inside (tests) ----------------------------------------------------------------
  int32_t ExplorerCount() const { return mlExplorerCount; }
  int32_t InspectorCount() const { return mlInspectorCount; }
  std::vector<std::string> ExplorerKeys() const { return mcolExplorerToolbars.Keys(); }
  std::vector<std::string> InspectorKeys() const { return mcolInspectorToolbars.Keys(); }
  std::shared_ptr<CExplorerToolbar> ExplorerToolbar(int32_t index) const;
  std::shared_ptr<CInspectorToolbar> InspectorToolbar(int32_t index) const;
  bool HoldsHostReferences() const;

  // The key of a toolbar in its collection: its index in decimal, then "UNT".
  static std::string Key(int32_t index) { return std::to_string(index) + "UNT"; }

 private:
  // Called by the toolbars' Cleanup.
  void RemoveInspectorToolbar(int32_t lIndex) noexcept override;
  void RemoveExplorerToolbar(int32_t lIndex) noexcept override;

  void AddInspectorToolbar(const std::shared_ptr<host::Inspector>& inspector) noexcept;
  void AddExplorerToolbar(const std::shared_ptr<host::Explorer>& explorer,
                          bool bDuringStartup) noexcept;
  template <class T>
  static int32_t FreeIndex(const ToolbarCollection<T>& toolbars);
  // A strong reference to the tracker for the length of a handler.
  std::shared_ptr<CZormint> KeepAlive() noexcept { return weak_from_this().lock(); }

  const std::shared_ptr<Globals> globals_;  // kept while the tracker lives
  Globals& g_;
  std::shared_ptr<host::Application> molTrustedApp;
  windows::EventConnection<host::Inspectors, InspectorsSink> mcolInspectors;
  windows::EventConnection<host::Explorers, ExplorersSink> mcolExplorers;
  ToolbarCollection<CInspectorToolbar> mcolInspectorToolbars;
  int32_t mlInspectorCount = 0;
  ToolbarCollection<CExplorerToolbar> mcolExplorerToolbars;
  int32_t mlExplorerCount = 0;
};

}  // namespace zormint

// CWindowWatcher: the one source of window state. It follows every Outlook main window
// (Explorer) and every window that shows a mail message (Inspector, Word-edited ones included),
// those open at connection and those opened later, and tells its listeners whenever what a
// window's controls act on may have changed:
//
//   a main window      its selection changes, it switches folders, its selected attachments
//                      change;
//   a message window   it moves on to another message (its Activate, or the shown message's
//                      Close when that message is saved, finds another message shown), its
//                      selected attachments change.
//
// A window that closes is let go. It follows windows only once asked to (when Office hands over
// a ribbon: without one there is nothing to refresh).
// One exists per connection; Stop releases every window and event connection, after which no
// listener hears anything.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/host.h"
#include "windows/event_connection.h"

namespace zormint::windows {

enum class WindowKind { kExplorer, kInspector };

class WindowStateListener {
 public:
  virtual ~WindowStateListener() = default;
  // What the controls of a window of this kind act on may have changed. Never fails.
  virtual void WindowStateChanged(WindowKind kind) noexcept = 0;
};

class CWindowWatcher;
class WatchedExplorer;
class WatchedInspector;

class WatcherExplorersSink : public host::ExplorersEvents, public SinkOf<CWindowWatcher> {
 public:
  using SinkOf::SinkOf;
  void NewExplorer(std::shared_ptr<host::Explorer> explorer) override;
};

class WatcherInspectorsSink : public host::InspectorsEvents, public SinkOf<CWindowWatcher> {
 public:
  using SinkOf::SinkOf;
  void NewInspector(std::shared_ptr<host::Inspector> inspector) override;
};

class CWindowWatcher final : public std::enable_shared_from_this<CWindowWatcher> {
 public:
  CWindowWatcher() = default;
  ~CWindowWatcher() { Stop(); }
  CWindowWatcher(const CWindowWatcher&) = delete;
  CWindowWatcher& operator=(const CWindowWatcher&) = delete;

  // A listener is held weakly: one that is gone is passed over.
  void AddListener(std::weak_ptr<WindowStateListener> listener);
  // Follows the application's windows of a kind open now and, through its collection of them,
  // those opened later; once per kind. Each step is tried on its own. Never fails.
  void Follow(WindowKind kind, const std::shared_ptr<host::Application>& olApp) noexcept;
  // Lets go of every window and collection. Never fails.
  void Stop() noexcept;

  // Event handlers.
  void mcolExplorers_NewExplorer(std::shared_ptr<host::Explorer> Explorer) noexcept;
  void mcolInspectors_NewInspector(std::shared_ptr<host::Inspector> Inspector) noexcept;

  // ---- Looking inside (tests) ----------------------------------------------------------------
  int32_t WatchedExplorers() const { return static_cast<int32_t>(explorers_.size()); }
  int32_t WatchedInspectors() const { return static_cast<int32_t>(inspectors_.size()); }
  bool HoldsHostReferences() const;

 private:
  friend class WatchedExplorer;
  friend class WatchedInspector;

  void Watch(const std::shared_ptr<host::Explorer>& explorer) noexcept;
  void Watch(const std::shared_ptr<host::Inspector>& inspector) noexcept;
  void Notify(WindowKind kind) noexcept;
  void Forget(const WatchedExplorer* window) noexcept;
  void Forget(const WatchedInspector* window) noexcept;

  // Connects the collection of windows that `collection` reads, then watches each window in it.
  // `steps` name the three steps: the collection, its Count and its Item.
  template <class Windows, class Sink>
  void FollowAll(const std::shared_ptr<host::Application>& olApp,
                 std::shared_ptr<Windows> (host::Application::*collection)(),
                 EventConnection<Windows, Sink>& connection,
                 const char* const (&steps)[3]) noexcept;

  bool mbStopped = false;
  bool mbFollowsExplorers = false;
  bool mbFollowsInspectors = false;
  std::vector<std::weak_ptr<WindowStateListener>> listeners_;
  EventConnection<host::Explorers, WatcherExplorersSink> mcolExplorers;
  EventConnection<host::Inspectors, WatcherInspectorsSink> mcolInspectors;
  std::vector<std::shared_ptr<WatchedExplorer>> explorers_;
  std::vector<std::shared_ptr<WatchedInspector>> inspectors_;
};

// ---- One window ---------------------------------------------------------------------------------

class WatchedExplorerSink : public host::ExplorerEvents, public SinkOf<WatchedExplorer> {
 public:
  using SinkOf::SinkOf;
  void FolderSwitch() override;
  void SelectionChange() override;
  void AttachmentSelectionChange() override;
  void Close() override;
};

class WatchedExplorer final : public std::enable_shared_from_this<WatchedExplorer> {
 public:
  explicit WatchedExplorer(std::weak_ptr<CWindowWatcher> watcher) : watcher_(std::move(watcher)) {}
  void Connect(const std::shared_ptr<host::Explorer>& explorer);
  void Release() noexcept { mxplWatched.Disconnect(); }
  bool HoldsWindow() const { return static_cast<bool>(mxplWatched); }

  void mxplWatched_Changed() noexcept;
  void mxplWatched_Close() noexcept;

 private:
  std::weak_ptr<CWindowWatcher> watcher_;
  EventConnection<host::Explorer, WatchedExplorerSink> mxplWatched;
};

class WatchedInspectorSink : public host::InspectorEvents, public SinkOf<WatchedInspector> {
 public:
  using SinkOf::SinkOf;
  void Activate() override;
  void AttachmentSelectionChange() override;
  void Close() override;
};

class WatchedItemSink : public host::ItemEvents, public SinkOf<WatchedInspector> {
 public:
  using SinkOf::SinkOf;
  void Close(bool& cancel) override;
};

class WatchedInspector final : public std::enable_shared_from_this<WatchedInspector> {
 public:
  explicit WatchedInspector(std::weak_ptr<CWindowWatcher> watcher) : watcher_(std::move(watcher)) {}
  // Connects to the window and to the mail message it shows; the failure of either goes to the
  // caller.
  void Connect(const std::shared_ptr<host::Inspector>& inspector,
               const std::shared_ptr<host::Item>& item);
  void Release() noexcept;
  bool HoldsWindow() const { return mispWatched || mlShown; }

  void mispWatched_Activate() noexcept;
  void mispWatched_AttachmentSelectionChange() noexcept;
  void mispWatched_Close() noexcept;
  void mlShown_Close() noexcept;

 private:
  // Follows the window to the message it shows now, when that is another mail message; tells
  // the listeners then.
  void Rebind() noexcept;
  void BindItem(const std::shared_ptr<host::Item>& item);

  std::weak_ptr<CWindowWatcher> watcher_;
  EventConnection<host::Inspector, WatchedInspectorSink> mispWatched;
  EventConnection<host::Item, WatchedItemSink> mlShown;
  std::string msEntryID;
};

}  // namespace zormint::windows

#include "windows/window_watcher.h"

#include <algorithm>
#include <utility>

#include "windows/acted_item.h"

namespace zormint::windows {

// ---- Sinks --------------------------------------------------------------------------------------

void WatcherExplorersSink::NewExplorer(std::shared_ptr<host::Explorer> explorer) {
  if (auto watcher = Target()) watcher->mcolExplorers_NewExplorer(std::move(explorer));
}
void WatcherInspectorsSink::NewInspector(std::shared_ptr<host::Inspector> inspector) {
  if (auto watcher = Target()) watcher->mcolInspectors_NewInspector(std::move(inspector));
}
void WatchedExplorerSink::FolderSwitch() {
  if (auto window = Target()) window->mxplWatched_Changed();
}
void WatchedExplorerSink::SelectionChange() {
  if (auto window = Target()) window->mxplWatched_Changed();
}
void WatchedExplorerSink::AttachmentSelectionChange() {
  if (auto window = Target()) window->mxplWatched_Changed();
}
void WatchedExplorerSink::Close() {
  if (auto window = Target()) window->mxplWatched_Close();
}
void WatchedInspectorSink::Activate() {
  if (auto window = Target()) window->mispWatched_Activate();
}
void WatchedInspectorSink::AttachmentSelectionChange() {
  if (auto window = Target()) window->mispWatched_AttachmentSelectionChange();
}
void WatchedInspectorSink::Close() {
  if (auto window = Target()) window->mispWatched_Close();
}
void WatchedItemSink::Close(bool& /*cancel*/) {
  if (auto window = Target()) window->mlShown_Close();
}

// ---- The watcher --------------------------------------------------------------------------------

void CWindowWatcher::AddListener(std::weak_ptr<WindowStateListener> listener) {
  listeners_.push_back(std::move(listener));
}

void CWindowWatcher::Follow(WindowKind kind,
                            const std::shared_ptr<host::Application>& olApp) noexcept {
  if (mbStopped) return;
  std::shared_ptr<CWindowWatcher> self = shared_from_this();
  if (kind == WindowKind::kExplorer && !mbFollowsExplorers) {
    mbFollowsExplorers = true;
    static const char* const kSteps[] = {"CWindowWatcher.Follow: Explorers",
                                         "CWindowWatcher.Follow: Explorers.Count",
                                         "CWindowWatcher.Follow: Explorers.Item"};
    FollowAll(olApp, &host::Application::Explorers, mcolExplorers, kSteps);
  } else if (kind == WindowKind::kInspector && !mbFollowsInspectors) {
    mbFollowsInspectors = true;
    static const char* const kSteps[] = {"CWindowWatcher.Follow: Inspectors",
                                         "CWindowWatcher.Follow: Inspectors.Count",
                                         "CWindowWatcher.Follow: Inspectors.Item"};
    FollowAll(olApp, &host::Application::Inspectors, mcolInspectors, kSteps);
  }
}

// The collection is connected before the open windows are listed, so that a window opening
// meanwhile is not missed.
template <class Windows, class Sink>
void CWindowWatcher::FollowAll(const std::shared_ptr<host::Application>& olApp,
                               std::shared_ptr<Windows> (host::Application::*collection)(),
                               EventConnection<Windows, Sink>& connection,
                               const char* const (&steps)[3]) noexcept {
  std::shared_ptr<Windows> windows;
  Attempt(steps[0], [&] {
    if (!olApp) Fail(err::kObjectNotSet, "Object variable not set: Application");
    windows = (*olApp.*collection)();
    connection.Connect(windows, std::make_shared<Sink>(shared_from_this()));
  });
  if (!windows) return;
  int32_t count = 0;
  Attempt(steps[1], [&] { count = windows->Count(); });
  for (int32_t index = 1; index <= count && !mbStopped; ++index) {
    std::shared_ptr<typename Windows::Element> window;
    if (Attempt(steps[2], [&] { window = windows->Item(index); })) Watch(window);
  }
}

void CWindowWatcher::Stop() noexcept {
  mbStopped = true;
  mcolExplorers.Disconnect();
  mcolInspectors.Disconnect();
  // The lists are emptied before the windows are released: an event that runs meanwhile finds
  // nothing to change.
  for (const auto& window : std::exchange(explorers_, {}))
    window->Release();
  for (const auto& window : std::exchange(inspectors_, {}))
    window->Release();
  listeners_.clear();
}

bool CWindowWatcher::HoldsHostReferences() const {
  return mcolExplorers || mcolInspectors || !explorers_.empty() || !inspectors_.empty();
}

void CWindowWatcher::mcolExplorers_NewExplorer(std::shared_ptr<host::Explorer> Explorer) noexcept {
  std::shared_ptr<CWindowWatcher> self = shared_from_this();
  Watch(Explorer);
}

void CWindowWatcher::mcolInspectors_NewInspector(
    std::shared_ptr<host::Inspector> Inspector) noexcept {
  std::shared_ptr<CWindowWatcher> self = shared_from_this();
  Watch(Inspector);
}

void CWindowWatcher::Watch(const std::shared_ptr<host::Explorer>& explorer) noexcept {
  if (mbStopped) return;
  auto window = std::make_shared<WatchedExplorer>(weak_from_this());
  if (Attempt("CWindowWatcher.WatchExplorer", [&] { window->Connect(explorer); })) {
    if (!mbStopped) {
      explorers_.push_back(std::move(window));
      return;
    }
  }
  window->Release();
}

void CWindowWatcher::Watch(const std::shared_ptr<host::Inspector>& inspector) noexcept {
  if (mbStopped) return;
  auto window = std::make_shared<WatchedInspector>(weak_from_this());
  bool watched = false;
  Attempt("CWindowWatcher.WatchInspector", [&] {
    if (!inspector) Fail(err::kObjectNotSet, "Object variable not set: Inspector");
    // Only windows that show a mail message have the read-message window's controls.
    std::shared_ptr<host::Item> item = inspector->CurrentItem();
    if (!item || !IsMailMessage(item->Class())) return;
    window->Connect(inspector, item);
    watched = !mbStopped;
  });
  if (watched) {
    inspectors_.push_back(std::move(window));
  } else {
    window->Release();
  }
}

void CWindowWatcher::Notify(WindowKind kind) noexcept {
  if (mbStopped) return;
  // A listener may stop the watcher: the list is copied first.
  const std::vector<std::weak_ptr<WindowStateListener>> listeners = listeners_;
  for (const auto& weak : listeners) {
    if (std::shared_ptr<WindowStateListener> listener = weak.lock())
      listener->WindowStateChanged(kind);
  }
}

void CWindowWatcher::Forget(const WatchedExplorer* window) noexcept {
  auto it = std::find_if(explorers_.begin(), explorers_.end(),
                         [&](const auto& watched) { return watched.get() == window; });
  if (it == explorers_.end()) return;
  std::shared_ptr<WatchedExplorer> gone = std::move(*it);
  explorers_.erase(it);
  gone->Release();
}

void CWindowWatcher::Forget(const WatchedInspector* window) noexcept {
  auto it = std::find_if(inspectors_.begin(), inspectors_.end(),
                         [&](const auto& watched) { return watched.get() == window; });
  if (it == inspectors_.end()) return;
  std::shared_ptr<WatchedInspector> gone = std::move(*it);
  inspectors_.erase(it);
  gone->Release();
}

// ---- A main window ------------------------------------------------------------------------------

void WatchedExplorer::Connect(const std::shared_ptr<host::Explorer>& explorer) {
  mxplWatched.Connect(explorer, std::make_shared<WatchedExplorerSink>(shared_from_this()));
}

void WatchedExplorer::mxplWatched_Changed() noexcept {
  if (std::shared_ptr<CWindowWatcher> watcher = watcher_.lock())
    watcher->Notify(WindowKind::kExplorer);
}

void WatchedExplorer::mxplWatched_Close() noexcept {
  auto self = shared_from_this();
  if (std::shared_ptr<CWindowWatcher> watcher = watcher_.lock()) watcher->Forget(this);
  Release();
}

// ---- A message window ---------------------------------------------------------------------------

void WatchedInspector::Connect(const std::shared_ptr<host::Inspector>& inspector,
                               const std::shared_ptr<host::Item>& item) {
  mispWatched.Connect(inspector, std::make_shared<WatchedInspectorSink>(shared_from_this()));
  BindItem(item);
  Attempt("CWindowWatcher.WatchInspector: EntryID", [&] { msEntryID = item->EntryID(); });
}

void WatchedInspector::BindItem(const std::shared_ptr<host::Item>& item) {
  EventConnection<host::Item, WatchedItemSink> fresh;
  fresh.Connect(item, std::make_shared<WatchedItemSink>(shared_from_this()));
  mlShown = std::move(fresh);
}

void WatchedInspector::Release() noexcept {
  mlShown.Disconnect();
  mispWatched.Disconnect();
}

void WatchedInspector::Rebind() noexcept {
  std::shared_ptr<host::Item> current;
  std::string entryId;
  Attempt("CWindowWatcher.Rebind: current item", [&] {
    current = InspectorItem(mispWatched.Get());
    if (current) entryId = current->EntryID();
  });
  if (!current || entryId == msEntryID) return;
  msEntryID = entryId;
  Attempt("CWindowWatcher.Rebind: item events", [&] { BindItem(current); });
  current.reset();
  if (std::shared_ptr<CWindowWatcher> watcher = watcher_.lock())
    watcher->Notify(WindowKind::kInspector);
}

void WatchedInspector::mispWatched_Activate() noexcept {
  auto self = shared_from_this();
  Rebind();
}

void WatchedInspector::mispWatched_AttachmentSelectionChange() noexcept {
  if (std::shared_ptr<CWindowWatcher> watcher = watcher_.lock())
    watcher->Notify(WindowKind::kInspector);
}

void WatchedInspector::mispWatched_Close() noexcept {
  auto self = shared_from_this();
  if (std::shared_ptr<CWindowWatcher> watcher = watcher_.lock()) watcher->Forget(this);
  Release();
}

void WatchedInspector::mlShown_Close() noexcept {
  auto self = shared_from_this();
  // The window moves on to another message: the shown one closes. A message closing with
  // unsaved changes is still the one shown.
  bool saved = false;
  Attempt("CWindowWatcher.mlShown_Close: Saved", [&] { saved = mlShown->Saved(); });
  if (saved) Rebind();
}

}  // namespace zormint::windows

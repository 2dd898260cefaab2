#include "addin/zormint.h"

#include <algorithm>
#include <limits>

#include "windows/acted_item.h"

namespace zormint {

namespace {

// The toolbars of one kind in index order.
template <class T>
std::vector<std::shared_ptr<T>> InIndexOrder(std::vector<std::shared_ptr<T>> toolbars) {
  std::stable_sort(toolbars.begin(), toolbars.end(),
                   [](const auto& a, const auto& b) { return a->Index() < b->Index(); });
  return toolbars;
}

// Drops toolbars that the tracker no longer keeps, each releasing what it holds of the host.
template <class T>
void ReleaseAll(std::vector<std::shared_ptr<T>> toolbars) {
  for (const auto& toolbar : InIndexOrder(std::move(toolbars)))
    toolbar->ReleaseHostReferences();
}

}  // namespace

void ExplorersSink::NewExplorer(std::shared_ptr<host::Explorer> explorer) {
  if (auto tracker = Target()) tracker->mcolExplorers_NewExplorer(std::move(explorer));
}

void InspectorsSink::NewInspector(std::shared_ptr<host::Inspector> inspector) {
  if (auto tracker = Target()) tracker->mcolInspectors_NewInspector(std::move(inspector));
}

CZormint::~CZormint() {
  Cleanup();
}

// ---- Properties ---------------------------------------------------------------------------------

void CZormint::TrustedOutlookApp(const std::shared_ptr<host::Application>& olTrustedApp) {
  molTrustedApp = olTrustedApp;
}

void CZormint::InspectorsCollection(const std::shared_ptr<host::Inspectors>& colInspectors) {
  if (!colInspectors) {
    mcolInspectors.Disconnect();
    return;
  }
  mcolInspectors.Connect(colInspectors, std::make_shared<InspectorsSink>(shared_from_this()));
}

void CZormint::ExplorersCollection(const std::shared_ptr<host::Explorers>& colExplorers) {
  if (!colExplorers) {
    mcolExplorers.Disconnect();
    return;
  }
  mcolExplorers.Connect(colExplorers, std::make_shared<ExplorersSink>(shared_from_this()));
}

// ---- Tracking -----------------------------------------------------------------------------------

void CZormint::Initialize() noexcept {
  auto self = KeepAlive();
  ReleaseAll(mcolInspectorToolbars.TakeAll());
  mlInspectorCount = 0;
  ReleaseAll(mcolExplorerToolbars.TakeAll());
  mlExplorerCount = 0;
  // Only the active Explorer is wrapped now; other windows already open are not.
  Attempt("CZormint.Initialize: ActiveExplorer", [&] {
    AddExplorerToolbar(Require(molTrustedApp, "molTrustedApp")->ActiveExplorer(), true);
  });
}

void CZormint::mcolExplorers_NewExplorer(std::shared_ptr<host::Explorer> /*Explorer*/) noexcept {
  auto self = KeepAlive();
  // The window just opened is the last of the application's Explorers.
  Attempt("CZormint.NewExplorer", [&] {
    std::shared_ptr<host::Explorers> explorers =
        Require(molTrustedApp, "molTrustedApp")->Explorers();
    AddExplorerToolbar(explorers->Item(explorers->Count()), false);
  });
}

void CZormint::mcolInspectors_NewInspector(
    std::shared_ptr<host::Inspector> /*Inspector*/) noexcept {
  auto self = KeepAlive();
  Attempt("CZormint.NewInspector", [&] {
    std::shared_ptr<host::Inspectors> inspectors =
        Require(molTrustedApp, "molTrustedApp")->Inspectors();
    AddInspectorToolbar(inspectors->Item(inspectors->Count()));
  });
}

template <class T>
int32_t CZormint::FreeIndex(const ToolbarCollection<T>& toolbars) {
  for (int32_t index = 1; index < std::numeric_limits<int32_t>::max(); ++index) {
    if (!toolbars.Contains(Key(index))) return index;
  }
  Fail(err::kOverflow, "Overflow");
}

// The toolbar is filed before its set-up runs: the set-up lets window messages run, and a
// window that opens or closes meanwhile must find the index taken and the entry in place.
void CZormint::AddExplorerToolbar(const std::shared_ptr<host::Explorer>& explorer,
                                  bool bDuringStartup) noexcept {
  std::shared_ptr<CExplorerToolbar> toolbar;
  const bool filed = Attempt("CZormint.AddExplorerToolbar", [&] {
    const int32_t index = FreeIndex(mcolExplorerToolbars);
    toolbar = std::make_shared<CExplorerToolbar>(globals_);
    toolbar->ParentApp(shared_from_this());
    toolbar->OpenedExplorer(explorer);
    toolbar->UniqueIndex(index);
    toolbar->PictureBMPResId(toolbars::kButtonFaceResId);
    mcolExplorerToolbars.Add(Key(index), toolbar);
    ++mlExplorerCount;
  });
  if (!filed) {
    // An abandoned toolbar must not keep the window or its events.
    if (toolbar) toolbar->ReleaseHostReferences();
    return;
  }
  if (bDuringStartup) {
    toolbar->Initialize(true);
  } else {
    toolbar->InitializeLater();
  }
}

void CZormint::AddInspectorToolbar(const std::shared_ptr<host::Inspector>& inspector) noexcept {
  std::shared_ptr<CInspectorToolbar> toolbar;
  bool filed = false;
  Attempt("CZormint.AddInspectorToolbar", [&] {
    if (!inspector) Fail(err::kObjectNotSet, "Object variable not set: Inspector");
    {
      // Only a saved mail message outside the word-processor editor gets a toolbar.
      std::shared_ptr<host::Item> item = inspector->CurrentItem();
      if (!item) Fail(err::kObjectNotSet, "Object variable not set: CurrentItem");
      if (!windows::IsMailMessage(item->Class())) return;
      if (inspector->IsWordMail()) return;
      if (!item->Saved()) return;
    }
    const int32_t index = FreeIndex(mcolInspectorToolbars);
    toolbar = std::make_shared<CInspectorToolbar>(globals_);
    toolbar->ParentApp(shared_from_this());
    toolbar->ExistingMailInspector(inspector);
    toolbar->UniqueIndex(index);
    toolbar->PictureBMPResId(toolbars::kButtonFaceResId);
    mcolInspectorToolbars.Add(Key(index), toolbar);
    ++mlInspectorCount;
    filed = true;
  });
  if (!filed) {
    if (toolbar) toolbar->ReleaseHostReferences();
    return;
  }
  toolbar->Initialize();
}

void CZormint::RemoveInspectorToolbar(int32_t lIndex) noexcept {
  Attempt("CZormint.RemoveInspectorToolbar", [&] {
    mcolInspectorToolbars.Remove(Key(lIndex));
    --mlInspectorCount;
  });
}

void CZormint::RemoveExplorerToolbar(int32_t lIndex) noexcept {
  Attempt("CZormint.RemoveExplorerToolbar", [&] {
    mcolExplorerToolbars.Remove(Key(lIndex));
    --mlExplorerCount;
  });
}

// ---- Teardowns ----------------------------------------------------------------------------------

void CZormint::Cleanup4UserShutdown() noexcept {
  auto self = KeepAlive();
  // Each toolbar's Cleanup calls back into the removal, which changes the collection: the
  // toolbars are listed first and each is looked up again by its key before it cleans up.
  for (const auto& listed : InIndexOrder(mcolInspectorToolbars.Items())) {
    Attempt("CZormint.Cleanup4UserShutdown: inspector toolbar",
            [&] { mcolInspectorToolbars.Item(Key(listed->Index()))->Cleanup(); });
  }
  ReleaseAll(mcolInspectorToolbars.TakeAll());
  mlInspectorCount = 0;
  mcolInspectors.Disconnect();

  for (const auto& listed : InIndexOrder(mcolExplorerToolbars.Items())) {
    Attempt("CZormint.Cleanup4UserShutdown: explorer toolbar",
            [&] { mcolExplorerToolbars.Item(Key(listed->Index()))->Cleanup(); });
  }
  ReleaseAll(mcolExplorerToolbars.TakeAll());
  mlExplorerCount = 0;
  mcolExplorers.Disconnect();

  molTrustedApp.reset();
}

void CZormint::Cleanup() noexcept {
  auto self = KeepAlive();
  ReleaseAll(mcolInspectorToolbars.TakeAll());
  mlInspectorCount = 0;
  mcolInspectors.Disconnect();
  ReleaseAll(mcolExplorerToolbars.TakeAll());
  mlExplorerCount = 0;
  mcolExplorers.Disconnect();
  molTrustedApp.reset();
}

// ---- Looking inside -----------------------------------------------------------------------------

std::shared_ptr<CExplorerToolbar> CZormint::ExplorerToolbar(int32_t index) const {
  return mcolExplorerToolbars.Contains(Key(index)) ? mcolExplorerToolbars.Item(Key(index))
                                                   : nullptr;
}

std::shared_ptr<CInspectorToolbar> CZormint::InspectorToolbar(int32_t index) const {
  return mcolInspectorToolbars.Contains(Key(index)) ? mcolInspectorToolbars.Item(Key(index))
                                                    : nullptr;
}

bool CZormint::HoldsHostReferences() const {
  return molTrustedApp || mcolInspectors || mcolExplorers || mcolInspectorToolbars.Count() > 0 ||
         mcolExplorerToolbars.Count() > 0;
}

}  // namespace zormint

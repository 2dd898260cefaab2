#include "addin/dsr_wrapper.h"

#include <utility>

#include "addin/zormint.h"
#include "net/internet.h"
#include "pictures/pic_attachments.h"
#include "ribbon/ribbon.h"
#include "settings/settings.h"
#include "ui/frm_options.h"
#include "windows/window_watcher.h"

namespace zormint {

dsrWrapper::dsrWrapper(Services services) : globals_(std::make_shared<Globals>()) {
  globals_->services = std::move(services);
}

// Outlook releases the add-in object after disconnecting it. Should it ever be released while
// still connected, it lets go of Outlook's objects as a host shutdown would.
dsrWrapper::~dsrWrapper() {
  Globals& g = *globals_;
  if (mclsZormint || g.gfsoFileSystem || gclsPicAttachments(g) || gclsSettings(g) ||
      gclsInternet(g) || gclsRibbon(g) || mclsWindows) {
    AddinInstance_OnDisconnection(ext_dm_HostShutdown);
  }
}

// Every step is tried on its own: a step that fails is skipped and the next one runs. The one
// exception is the first: without an Explorer window the add-in stays dormant and creates
// nothing, and windows opened later are not tracked.
void dsrWrapper::AddinInstance_OnConnection(const std::shared_ptr<host::Application>& Application,
                                            int32_t /*ConnectMode*/) noexcept {
  Globals& g = *globals_;
  if (mclsZormint) return;  // already connected

  int32_t explorerCount = 0;
  if (!Attempt("OnConnection: Application.Explorers.Count", [&] {
        explorerCount = Require(Application, "Application")->Explorers()->Count();
      })) {
    return;
  }
  if (explorerCount == 0) return;

  Attempt("OnConnection: gfsoFileSystem", [&] {
    g.gfsoFileSystem = g.services.fileSystem;
    if (!g.gfsoFileSystem) Fail(err::kCannotCreate, "ActiveX component can't create object");
  });

  Attempt("OnConnection: new CZormint",
          [&] { mclsZormint = std::make_shared<CZormint>(globals_); });
  Attempt("OnConnection: CZormint.TrustedOutlookApp",
          [&] { Require(mclsZormint, "mclsZormint")->TrustedOutlookApp(Application); });
  Attempt("OnConnection: CZormint.InspectorsCollection", [&] {
    Require(mclsZormint, "mclsZormint")->InspectorsCollection(Application->Inspectors());
  });
  Attempt("OnConnection: CZormint.ExplorersCollection", [&] {
    Require(mclsZormint, "mclsZormint")->ExplorersCollection(Application->Explorers());
  });
  Attempt("OnConnection: CZormint.Initialize",
          [&] { Require(mclsZormint, "mclsZormint")->Initialize(); });

  Attempt("OnConnection: new CPicAttachments",
          [&] { gclsPicAttachments(g) = std::make_shared<CPicAttachments>(g); });
  Attempt("OnConnection: CPicAttachments.Initialize",
          [&] { Require(gclsPicAttachments(g), "gclsPicAttachments")->Initialize(); });
  Attempt("OnConnection: CPicAttachments.DeletePrevFolders",
          [&] { Require(gclsPicAttachments(g), "gclsPicAttachments")->DeletePrevFolders(); });

  Attempt("OnConnection: new CSettings", [&] { gclsSettings(g) = std::make_shared<CSettings>(g); });
  Attempt("OnConnection: CSettings.Initialize",
          [&] { Require(gclsSettings(g), "gclsSettings")->Initialize(); });

  Attempt("OnConnection: new CInternet", [&] { gclsInternet(g) = std::make_shared<CInternet>(g); });

  Attempt("OnConnection: new CRibbon", [&] { gclsRibbon(g) = std::make_shared<CRibbon>(g); });
  Attempt("OnConnection: CRibbon.Initialize",
          [&] { Require(gclsRibbon(g), "gclsRibbon")->Initialize(Application); });

  // The ribbon follows every window through the watcher (from the moment Office hands over the
  // ribbon of that kind of window); the toolbars follow their own windows.
  Attempt("OnConnection: new CWindowWatcher", [&] {
    mclsWindows = std::make_shared<windows::CWindowWatcher>();
    mclsWindows->AddListener(gclsRibbon(g));
  });
}

// The teardown runs every step whatever the earlier ones did. RemoveMode 1 (the user switched
// the add-in off, Outlook goes on) makes every toolbar delete its buttons; any other value (the
// host is shutting down) leaves the buttons, which are temporary controls Outlook discards.
void dsrWrapper::AddinInstance_OnDisconnection(int32_t RemoveMode) noexcept {
  Globals& g = *globals_;
  // An open selection dialog closes first, handing nothing back: its modal loop may be what is
  // running this disconnection, and nothing it would do afterwards has an add-in to serve.
  Attempt("OnDisconnection: frmOptions.Close", [&] {
    if (std::shared_ptr<ui::frmOptions> dialog = gfrmOptions(g)) dialog->Close();
  });
  // The watcher lets go of the windows first, so that no window's news reaches what follows.
  Attempt("OnDisconnection: CWindowWatcher.Stop", [&] {
    if (std::shared_ptr<windows::CWindowWatcher> watcher = std::exchange(mclsWindows, nullptr))
      watcher->Stop();
  });
  // The ribbon lets go of Office's ribbons next: Office may call the callbacks again at any
  // time, and from now on they find no add-in.
  Attempt("OnDisconnection: CRibbon.Cleanup",
          [&] { Require(gclsRibbon(g), "gclsRibbon")->Cleanup(); });
  Attempt("OnDisconnection: release gclsRibbon", [&] { gclsRibbon(g).reset(); });
  g.gLastPictureLook = {};
  Attempt("OnDisconnection: release gclsInternet", [&] { gclsInternet(g).reset(); });
  Attempt("OnDisconnection: release gclsSettings", [&] { gclsSettings(g).reset(); });
  Attempt("OnDisconnection: CPicAttachments.Cleanup",
          [&] { Require(gclsPicAttachments(g), "gclsPicAttachments")->Cleanup(); });
  Attempt("OnDisconnection: release gclsPicAttachments", [&] { gclsPicAttachments(g).reset(); });
  if (RemoveMode == ext_dm_UserClosed) {
    Attempt("OnDisconnection: CZormint.Cleanup4UserShutdown",
            [&] { Require(mclsZormint, "mclsZormint")->Cleanup4UserShutdown(); });
  } else {
    Attempt("OnDisconnection: CZormint.Cleanup",
            [&] { Require(mclsZormint, "mclsZormint")->Cleanup(); });
  }
  Attempt("OnDisconnection: release mclsZormint", [&] { mclsZormint.reset(); });
  Attempt("OnDisconnection: release gfsoFileSystem", [&] { g.gfsoFileSystem.reset(); });
}

// ---- The ribbon's callbacks ---------------------------------------------------------------------
// Each holds the ribbon object for its length: a disconnection inside it (the dialog's modal loop)
// releases the process-wide one.

bool dsrWrapper::RibbonConnected() const noexcept {
  return static_cast<bool>(gclsRibbon(*globals_));
}

int32_t dsrWrapper::Ribbon_GetCustomUI(const std::string& RibbonID) noexcept {
  std::shared_ptr<CRibbon> ribbon = gclsRibbon(*globals_);
  return ribbon ? ribbon->CustomUIResource(RibbonID) : 0;
}

void dsrWrapper::Ribbon_OnLoad(const std::string& RibbonID,
                               std::shared_ptr<host::RibbonUI> RibbonUI) noexcept {
  std::shared_ptr<CRibbon> ribbon = gclsRibbon(*globals_);
  if (!ribbon) return;
  ribbon->Ribbon_OnLoad(RibbonID, std::move(RibbonUI));
  // From now on every window is followed, those open already included: the first ribbon Office
  // hands over starts it, so that what the add-in holds stays the same whichever ribbon comes
  // next.
  // The application is the tracker's.
  std::shared_ptr<windows::CWindowWatcher> watcher = mclsWindows;
  std::shared_ptr<CZormint> tracker = mclsZormint;
  if (!watcher || !tracker || !ribbon->HoldsRibbon(RibbonID)) return;
  const std::shared_ptr<host::Application> app = tracker->OutlookApp();
  watcher->Follow(windows::WindowKind::kExplorer, app);
  watcher->Follow(windows::WindowKind::kInspector, app);
}

bool dsrWrapper::Ribbon_GetEnabled(const std::shared_ptr<host::RibbonControl>& Control) noexcept {
  std::shared_ptr<CRibbon> ribbon = gclsRibbon(*globals_);
  return ribbon && ribbon->Ribbon_GetEnabled(Control);
}

void dsrWrapper::Ribbon_OnAction(const std::shared_ptr<host::RibbonControl>& Control) noexcept {
  if (std::shared_ptr<CRibbon> ribbon = gclsRibbon(*globals_)) ribbon->Ribbon_OnAction(Control);
}

std::shared_ptr<host::Picture> dsrWrapper::Ribbon_GetImage(
    const std::shared_ptr<host::RibbonControl>& Control) noexcept {
  std::shared_ptr<CRibbon> ribbon = gclsRibbon(*globals_);
  return ribbon ? ribbon->Ribbon_GetImage(Control) : nullptr;
}

}  // namespace zormint

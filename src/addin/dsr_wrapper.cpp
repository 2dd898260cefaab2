#include "addin/dsr_wrapper.h"

#include <utility>

#include "addin/zormint.h"
#include "net/internet.h"
#include "pictures/pic_attachments.h"
#include "settings/settings.h"

namespace zormint {

dsrWrapper::dsrWrapper(Services services) : globals_(std::make_unique<Globals>()) {
  globals_->services = std::move(services);
}

// Outlook releases the add-in object after disconnecting it. Should it ever be released while
// still connected, it lets go of Outlook's objects as a host shutdown would.
dsrWrapper::~dsrWrapper() {
  Globals& g = *globals_;
  if (mclsZormint || g.gfsoFileSystem || g.gclsPicAttachments || g.gclsSettings || g.gclsInternet) {
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
  if (!Attempt([&] { explorerCount = Require(Application, "Application").Explorers()->Count(); })) {
    return;
  }
  if (explorerCount == 0) return;

  Attempt([&] {
    g.gfsoFileSystem = g.services.fileSystem;
    if (!g.gfsoFileSystem) Fail(err::kCannotCreate, "ActiveX component can't create object");
  });

  Attempt([&] { mclsZormint = std::make_shared<CZormint>(g); });
  Attempt([&] { Require(mclsZormint, "mclsZormint").TrustedOutlookApp(Application); });
  Attempt(
      [&] { Require(mclsZormint, "mclsZormint").InspectorsCollection(Application->Inspectors()); });
  Attempt(
      [&] { Require(mclsZormint, "mclsZormint").ExplorersCollection(Application->Explorers()); });
  Attempt([&] { Require(mclsZormint, "mclsZormint").Initialize(); });

  Attempt([&] { g.gclsPicAttachments = std::make_shared<CPicAttachments>(g); });
  Attempt([&] { Require(g.gclsPicAttachments, "gclsPicAttachments").Initialize(); });
  Attempt([&] { Require(g.gclsPicAttachments, "gclsPicAttachments").DeletePrevFolders(); });

  Attempt([&] { g.gclsSettings = std::make_shared<CSettings>(g); });
  Attempt([&] { Require(g.gclsSettings, "gclsSettings").Initialize(); });

  Attempt([&] { g.gclsInternet = std::make_shared<CInternet>(g); });
}

// The teardown runs every step whatever the earlier ones did. RemoveMode 1 (the user switched
// the add-in off, Outlook goes on) makes every toolbar delete its buttons; any other value (the
// host is shutting down) leaves the buttons, which are temporary controls Outlook discards.
void dsrWrapper::AddinInstance_OnDisconnection(int32_t RemoveMode) noexcept {
  Globals& g = *globals_;
  Attempt([&] { g.gclsInternet.reset(); });
  Attempt([&] { g.gclsSettings.reset(); });
  Attempt([&] { Require(g.gclsPicAttachments, "gclsPicAttachments").Cleanup(); });
  Attempt([&] { g.gclsPicAttachments.reset(); });
  if (RemoveMode == ext_dm_UserClosed) {
    Attempt([&] { Require(mclsZormint, "mclsZormint").Cleanup4UserShutdown(); });
  } else {
    Attempt([&] { Require(mclsZormint, "mclsZormint").Cleanup(); });
  }
  Attempt([&] { mclsZormint.reset(); });
  Attempt([&] { g.gfsoFileSystem.reset(); });
}

}  // namespace zormint

// dsrWrapper: the add-in object, the only thing Outlook knows of ZORMINT. Outlook calls its five
// add-in events; on connection it creates the process-wide objects and the window tracker, on
// disconnection it tears them down in a fixed order. The COM class of the same name (win32/)
// forwards Outlook's IDTExtensibility2 calls here; tests call it directly.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "context/globals.h"
#include "host/host.h"

namespace zormint {

class CZormint;
namespace windows {
class CWindowWatcher;
}

// ext_ConnectMode and ext_DisconnectMode.
constexpr int32_t ext_cm_AfterStartup = 0;
constexpr int32_t ext_cm_Startup = 1;
constexpr int32_t ext_dm_HostShutdown = 0;
constexpr int32_t ext_dm_UserClosed = 1;

class dsrWrapper {
 public:
  explicit dsrWrapper(Services services);
  ~dsrWrapper();

  // Every event returns normally whatever happens inside it: nothing ever reaches the host.
  void AddinInstance_OnConnection(const std::shared_ptr<host::Application>& Application,
                                  int32_t ConnectMode) noexcept;
  void AddinInstance_OnDisconnection(int32_t RemoveMode) noexcept;
  void AddinInstance_OnStartupComplete() noexcept {}
  void AddinInstance_OnBeginShutdown() noexcept {}
  void AddinInstance_OnAddInsUpdate() noexcept {}

  // The ribbon: Office asks for the customisation of each of its ribbons, then calls the
  // callbacks it names. While the add-in is not connected each answers "nothing" (no
  // customisation, disabled, no picture) without touching Outlook or the control.
  int32_t Ribbon_GetCustomUI(const std::string& RibbonID) noexcept;
  // Office's onLoad of the customisation of `RibbonID`, with that customisation's ribbon.
  void Ribbon_OnLoad(const std::string& RibbonID,
                     std::shared_ptr<host::RibbonUI> RibbonUI) noexcept;
  bool Ribbon_GetEnabled(const std::shared_ptr<host::RibbonControl>& Control) noexcept;
  void Ribbon_OnAction(const std::shared_ptr<host::RibbonControl>& Control) noexcept;
  std::shared_ptr<host::Picture> Ribbon_GetImage(
      const std::shared_ptr<host::RibbonControl>& Control) noexcept;
  // Whether the ribbon callbacks reach the add-in (it is connected).
  bool RibbonConnected() const noexcept;

  Globals& GetGlobals() { return *globals_; }
  const std::shared_ptr<CZormint>& Tracker() const { return mclsZormint; }
  const std::shared_ptr<windows::CWindowWatcher>& Watcher() const { return mclsWindows; }

 private:
  // Shared with the tracker and its toolbars: a handler still running when Outlook lets go of
  // the add-in (inside the dialog's modal loop, say) keeps the process-wide objects it reads.
  std::shared_ptr<Globals> globals_;
  std::shared_ptr<CZormint> mclsZormint;
  // Every window's state, followed by the ribbon.
  std::shared_ptr<windows::CWindowWatcher> mclsWindows;
};

}  // namespace zormint

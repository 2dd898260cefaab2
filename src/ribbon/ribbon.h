// CRibbon: ZORMINT on Outlook's ribbon (Outlook 2010 and later; message windows from 2007), the
// second way to the same two commands as the command-bar buttons. Which customisation each of
// Outlook's ribbons gets, and the callbacks its controls are made with:
//
//   Ribbon_OnLoad      keeps the ribbon, to have its controls queried again later
//   Ribbon_GetEnabled  the rule of the command-bar buttons, for the control's Context
//   Ribbon_OnAction    "Zormint" (tag "zormint") or the options (tag "options") for that message
//   Ribbon_GetImage    the control's picture
//
// A callback holds Outlook's objects only while it runs. One exists per connection; the
// disconnection releases the ribbon Office handed over, and from then on no callback reaches
// this object (dsrWrapper answers them without touching Outlook).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "context/globals.h"
#include "host/host.h"

namespace zormint {

namespace ribbon {
// The ribbon ids Outlook asks for.
inline constexpr const char* kExplorerRibbon = "Microsoft.Outlook.Explorer";
inline constexpr const char* kMailReadRibbon = "Microsoft.Outlook.Mail.Read";
// The callbacks the customisations name.
inline constexpr const char* kOnLoad = "Ribbon_OnLoad";
inline constexpr const char* kGetEnabled = "Ribbon_GetEnabled";
inline constexpr const char* kOnAction = "Ribbon_OnAction";
inline constexpr const char* kGetImage = "Ribbon_GetImage";
// The controls' tags: which command a control runs.
inline constexpr const char* kZormintTag = "zormint";
inline constexpr const char* kOptionsTag = "options";
// Every control id of the customisations that a callback decides about; the same id stands for
// the same place in each ribbon (a window's own tab, the Attachments tab, the attachment menu).
inline constexpr const char* kControlIds[] = {"ZormintTabView", "ZormintTabOptions",
                                              "ZormintAttView", "ZormintAttOptions",
                                              "ZormintMenuView"};
}  // namespace ribbon

class CRibbon {
 public:
  explicit CRibbon(Globals& globals) : g_(globals) {}

  // Reads Outlook's major version (none when it cannot be read: the newest is assumed).
  void Initialize(const std::shared_ptr<host::Application>& olApp) noexcept;
  // Releases the ribbon; every later callback does nothing. Never fails.
  void Cleanup() noexcept;

  // The resource holding the customisation of `ribbonId` for this Outlook, or 0 for none.
  int32_t CustomUIResource(const std::string& ribbonId) const noexcept;

  void Ribbon_OnLoad(std::shared_ptr<host::RibbonUI> ribbonUI) noexcept;
  bool Ribbon_GetEnabled(const std::shared_ptr<host::RibbonControl>& control) noexcept;
  void Ribbon_OnAction(const std::shared_ptr<host::RibbonControl>& control) noexcept;
  std::shared_ptr<host::Picture> Ribbon_GetImage(
      const std::shared_ptr<host::RibbonControl>& control) noexcept;

  // Asks Office to query every control's callbacks again: after the events on which the
  // command-bar buttons refresh, and when the selected attachments change.
  void Invalidate() noexcept;

  // ---- Looking inside (tests) ----------------------------------------------------------------
  int32_t OutlookVersion() const { return mlOutlookVersion; }
  bool HoldsRibbon() const { return static_cast<bool>(moRibbonUI); }

 private:
  // The mail or post item a control acts on, by the rule of the command-bar buttons; none when
  // there is none or any call fails (the failure goes to the trace under `step`).
  std::shared_ptr<host::Item> ItemOf(const std::shared_ptr<host::RibbonControl>& control,
                                     const char* step) noexcept;

  Globals& g_;
  int32_t mlOutlookVersion = 0;  // 0: unknown
  std::shared_ptr<host::RibbonUI> moRibbonUI;
  bool mbCleanedUp = false;
};

}  // namespace zormint

// CRibbon: ZORMINT on Outlook's ribbon (Outlook 2010 and later; message windows from 2007), the
// second way to the same two commands as the command-bar buttons. Which customisation each of
// Outlook's ribbons gets, and the callbacks its controls are made with:
//
//   Ribbon_OnLoadExplorer   keep the main windows' ribbon (one for all of them), and the
//   Ribbon_OnLoadMailRead   message windows' ribbon, to have their controls queried again
//   Ribbon_GetEnabled       whether the control's message has a picture (acted_item.h says
//                           which message that is)
//   Ribbon_OnAction         "Zormint" (tag "zormint") or the options (tag "options") for it
//   Ribbon_GetImage         the control's picture
//
// Office keeps each answer until the ribbon it belongs to is invalidated. The ribbon follows the
// window watcher: when what a window's controls act on changes, it invalidates the controls of
// that window's ribbon only, and forgets its answers. Office then asks every visible control
// again; the first question about a message looks at its attachments, the others read that
// answer, so a change costs one look at the attachments however many controls are shown.
//
// A callback holds Outlook's objects only while it runs. One exists per connection; the
// disconnection releases every ribbon Office handed over, and from then on no callback reaches
// this object (dsrWrapper answers them without touching Outlook).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "context/globals.h"
#include "host/host.h"
#include "windows/window_watcher.h"

namespace zormint {

namespace ribbon {
// The ribbon ids Outlook asks for.
inline constexpr const char* kExplorerRibbon = "Microsoft.Outlook.Explorer";
inline constexpr const char* kMailReadRibbon = "Microsoft.Outlook.Mail.Read";
// The callbacks the customisations name; each customisation has an onLoad of its own, which
// tells whose ribbon Office hands over.
inline constexpr const char* kOnLoadExplorer = "Ribbon_OnLoadExplorer";
inline constexpr const char* kOnLoadMailRead = "Ribbon_OnLoadMailRead";
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
// Outlook 2007's message windows have only the message's own tab.
inline constexpr const char* kControlIds2007[] = {"ZormintTabView", "ZormintTabOptions"};
}  // namespace ribbon

class CRibbon final : public windows::WindowStateListener {
 public:
  explicit CRibbon(Globals& globals) : g_(globals) {}

  // Reads Outlook's major version (none when it cannot be read: the newest is assumed).
  void Initialize(const std::shared_ptr<host::Application>& olApp) noexcept;
  // Releases every ribbon and picture; every later callback does nothing. Never fails.
  void Cleanup() noexcept;

  // The resource holding the customisation of `ribbonId` for this Outlook, or 0 for none.
  int32_t CustomUIResource(const std::string& ribbonId) const noexcept;
  // The control ids of the customisation of `ribbonId` (none for a ribbon without one).
  std::vector<std::string> ControlIds(const std::string& ribbonId) const;

  // Keeps the ribbon of `ribbonId` (a later one for the same id replaces it).
  void Ribbon_OnLoad(const std::string& ribbonId,
                     std::shared_ptr<host::RibbonUI> ribbonUI) noexcept;
  bool Ribbon_GetEnabled(const std::shared_ptr<host::RibbonControl>& control) noexcept;
  void Ribbon_OnAction(const std::shared_ptr<host::RibbonControl>& control) noexcept;
  std::shared_ptr<host::Picture> Ribbon_GetImage(
      const std::shared_ptr<host::RibbonControl>& control) noexcept;

  // The window watcher's news: the answers are forgotten and Office asks the controls of that
  // window's ribbon again.
  void WindowStateChanged(windows::WindowKind kind) noexcept override;
  // Asks Office to query the controls of the ribbon of `ribbonId` again. Never fails.
  void Invalidate(const std::string& ribbonId) noexcept;

  // ---- Looking inside (tests) ----------------------------------------------------------------
  int32_t OutlookVersion() const { return mlOutlookVersion; }
  bool HoldsRibbon() const { return !mcolRibbonUIs.empty(); }
  bool HoldsRibbon(const std::string& ribbonId) const { return mcolRibbonUIs.count(ribbonId) > 0; }

 private:
  // The mail or post item a control acts on; none when there is none or any call fails (the
  // failure goes to the trace under `step`). With `window`, also the window whose ribbon shows
  // the control (0 when it gives none, or for the attachment menu).
  std::shared_ptr<host::Item> ItemOf(const std::shared_ptr<host::RibbonControl>& control,
                                     const char* step,
                                     host::WindowHandle* window = nullptr) noexcept;
  // Whether the item has a picture attachment: decided once per message until the next change,
  // by the toolbar's look at the same message when it made one.
  bool HasPictures(const std::shared_ptr<host::Item>& item) noexcept;

  Globals& g_;
  int32_t mlOutlookVersion = 0;  // 0: unknown
  // Office's ribbon per ribbon id.
  std::map<std::string, std::shared_ptr<host::RibbonUI>> mcolRibbonUIs;
  // The answers since the last change, by the message's EntryID.
  std::map<std::string, bool> mcolAnswers;
  // The two pictures, loaded from the library once per connection.
  std::shared_ptr<host::Picture> mpicZormint;
  std::shared_ptr<host::Picture> mpicOptions;
  bool mbCleanedUp = false;
};

// The add-in's controls on Outlook's ribbon, one per connection.
inline std::shared_ptr<CRibbon>& gclsRibbon(Globals& g) {
  return g.objects.Of<CRibbon>();
}

}  // namespace zormint

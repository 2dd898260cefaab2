// Office's ribbon as the simulated Outlook hosts it for its add-ins: asks each connected add-in
// for IRibbonExtensibility, loads each ribbon id's customisation once per add-in object (the
// main windows' at connection, the message windows' when the first one opens), reads it with
// MSXML (what Office itself uses, and Wine provides) and checks it as Office does (a faulty
// customisation is dropped whole and reported), resolves the callbacks it names on the add-in's
// IDispatch, and calls them as Office does: with an IRibbonControl whose Context is the window
// or the attachments selected in it. getEnabled answers are kept until the add-in invalidates
// them through the IRibbonUI its onLoad received.
#pragma once

#include <ole2.h>
#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "sim/model/custom_ui.h"
#include "sim/model/outlook_sim.h"
#include "sim/session/addin_host.h"
#include "win32/com/com_ref.h"

namespace zormint::sim {

// A picture a getImage callback returned: its size and depth, and its pixels (0xAARRGGBB,
// premultiplied, the top row first) for drawing.
struct RibbonPicture {
  int width = 0, height = 0, bitsPerPixel = 0;
  std::vector<uint32_t> pixels;
};

// A button of the ribbon as a window shows it.
struct ShownRibbonButton {
  std::string progId;
  RibbonButton button;
  bool enabled = false;
  std::shared_ptr<RibbonPicture> picture;  // none when getImage gave none
};

class RibbonHost {
 public:
  explicit RibbonHost(Outlook& outlook);
  ~RibbonHost();
  RibbonHost(const RibbonHost&) = delete;
  RibbonHost& operator=(const RibbonHost&) = delete;

  // Office's version: 12 has no ribbon in its main windows, and reads the 2006 namespace.
  void SetVersion(int major) { version_ = major; }

  // A connected add-in: its ribbon, and the main windows' customisation (Outlook 2010 on).
  void Connected(const HostedAddin& addin);
  // The add-in was let go of (switched off, or Outlook exited): its ribbon goes.
  void Released(const std::wstring& progId);
  // A message window opened: the first one loads the message windows' customisation.
  void MessageWindowOpened();

  // The add-ins' buttons in a window: on its tabs, and (onAttachments) on its attachment menu.
  std::vector<ShownRibbonButton> Buttons(WindowRef window);
  // A user's click on a button of the window (found by id, label or screentip): onAction runs
  // when the button is enabled. What happened:
  enum class Clicked { kNoSuchButton, kDisabled, kRan };
  Clicked Click(WindowRef window, const std::string& control, RibbonButton* button = nullptr);

  // The invalidations since the last call: the states they name are asked for again.
  std::vector<std::string> TakeInvalidations();
  // What Office would report (customisations dropped, callbacks that failed), once each.
  std::vector<std::string> TakeReports();
  // The number of getEnabled calls made so far.
  int EnabledQueries() const { return enabledQueries_; }

 private:
  struct AddinRibbon;
  void Load(AddinRibbon& ribbon, const std::string& ribbonId);
  bool Enabled(AddinRibbon& ribbon, WindowRef window, const RibbonButton& button);
  // Calls a callback with one object argument; false (reported) when it fails.
  bool Call(AddinRibbon& ribbon, const std::string& name, IDispatch* argument, VARIANT* result);
  win32::ComRef<IDispatch> NewControl(WindowRef window, const RibbonButton& button);
  std::shared_ptr<RibbonPicture> Picture(AddinRibbon& ribbon, WindowRef window,
                                         const RibbonButton& button);
  static std::string RibbonIdOf(WindowRef window);

  Outlook& outlook_;
  int version_ = 16;
  bool messageWindowSeen_ = false;
  // Shared with the calls in progress: an add-in switched off inside its own callback loses
  // its ribbon here while the call still runs.
  std::vector<std::shared_ptr<AddinRibbon>> ribbons_;
  std::vector<std::string> reports_;
  int enabledQueries_ = 0;
};

}  // namespace zormint::sim

// frmOptions: the modal dialog "Select Picture Attachments". It lists the message's picture
// attachments, lets the user choose which to open and which image viewer to use, stores the
// viewer choice on "&Open" and leaves the chosen index list in gsSelAttachmentIndexes. Its
// check box switches the more recent picture types on or off at once, and the list follows. Its
// banner strip shows the maker's page when the server can be reached, else the page embedded
// in the library.
//
// The form's window comes from the dialog toolkit (Globals::services.dialogs), built from
// OptionsLayout(); the toolkit reports the window's events back through FormEvents.
//
// Lifetime: the instance lives in gfrmOptions(g) from first use until Form_Unload, which
// forgets it. Every event handler and Show hold a reference to the instance while they run, so
// a handler that unloads the form, or host events that run inside the modal loop or a message
// pump call, never pull the object away under a running handler.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "context/globals.h"
#include "host/host.h"
#include "platform/dialog_toolkit.h"
#include "platform/list_box.h"
#include "resources/resources.h"

namespace zormint::ui {

// The banner's two pages: the one embedded in the library (resource type 23, name 102), shown
// from load on, and the maker's page, shown once a probe has found the server.
inline constexpr const char* kEmbeddedBannerUrl = resources::kEmbeddedBannerAddress;
inline constexpr int32_t kEmbeddedBannerFlags = platform::navNoHistory;
inline constexpr int32_t kOnlineBannerFlags = platform::navNoHistory | platform::navNoReadFromCache;

class frmOptions : public std::enable_shared_from_this<frmOptions>, public platform::FormEvents {
 public:
  // The process-wide dialog instance (gfrmOptions(g)), created on first use; it is
  // forgotten when it unloads, so the next use creates a fresh one.
  static std::shared_ptr<frmOptions> Instance(Globals& globals);

  // The picture list. Reaching it loads the dialog (Form_Load) if it is not loaded yet.
  std::shared_ptr<platform::ListBox> lstPicAttachments();
  // Fills the list with the pictures of `item`, and keeps the item until the dialog unloads,
  // so that the list can follow the picture-types box. Loads the dialog if needed.
  void ListPicturesOf(std::shared_ptr<host::Item> item);
  // Shows the dialog modally, owned by the window `owner` (0: none; Form::ShowModal); returns
  // when it has been unloaded. A showing that fails unloads and forgets the dialog, so that no
  // hidden dialog is left behind.
  void Show(host::WindowHandle owner = 0);
  // True while the dialog is shown modally (a Show is running).
  bool IsShown() const { return mbShown; }
  // Brings the shown dialog to the front (restored when minimised); nothing when not shown.
  void BringToFront();
  // Closes the dialog as its Close button does, handing nothing back; nothing when it is not
  // loaded. The add-in's disconnection closes an open dialog so.
  void Close();

  ~frmOptions() override;

  // The toolkit's events, each turned into its handler below. Never throw.
  void OnLoad() noexcept override;
  void OnActivate() noexcept override;
  void OnClick(const std::string& control) noexcept override;
  void OnQueryUnload(bool& cancel, int32_t unloadMode) noexcept override;
  void OnUnload(bool& cancel) noexcept override;
  void OnDocumentComplete(const std::string& control, const void* pDisp,
                          const std::string& URL) noexcept override;

  // Form-level state, readable for diagnostics and tests.
  bool ActivatedOnce() const { return mbActivatedOnce; }
  int32_t ViewerChoice() const { return mlViewerChoice; }
  const std::string& SelAttachmentIndexes() const { return msSelAttachmentIndexes; }

 private:
  explicit frmOptions(Globals& globals) : g_(globals) {}

  // Creates the window through the toolkit and loads it, unless it is loaded.
  void EnsureLoaded();
  // The loaded form; fails when there is none.
  platform::Form& form();

  void Form_Load();
  void Form_Activate();
  void optDefaultViewer_Click();
  void optCustomViewer_Click();
  void chkMorePictureTypes_Click();
  void cmdBrowse_Click();
  void cmdOpen_Click();
  void cmdClose_Click();
  void Form_QueryUnload(bool& Cancel, int32_t UnloadMode);
  void Form_Unload(bool& Cancel);
  void wbrAdBanner_DocumentComplete(const void* pDisp, const std::string& URL);
  void wbrAdBanner_Probed(bool connected);

  bool ValidateInput();
  int32_t GetSelectedIndexes(std::string& sList);
  bool ValidateViewer();

  Globals& g_;
  std::shared_ptr<platform::Form> form_;

  bool mbActivatedOnce = false;
  bool mbActivating = false;  // the first activation is running
  bool mbShown = false;       // a modal showing is running
  std::string msSelAttachmentIndexes;
  int32_t mlViewerChoice = 0;
  std::shared_ptr<host::Item> mlListed;  // the item whose pictures the list shows
};

}  // namespace zormint::ui

namespace zormint {

// The one selection dialog instance, created on first use and forgotten when it unloads.
inline std::shared_ptr<ui::frmOptions>& gfrmOptions(Globals& g) {
  return g.objects.Of<ui::frmOptions>();
}

}  // namespace zormint

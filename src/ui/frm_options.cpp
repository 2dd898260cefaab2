#include "ui/frm_options.h"

#include "net/internet.h"
#include "pictures/pic_attachments.h"
#include "settings/settings.h"
#include "ui/options_layout.h"

namespace zormint::ui {

namespace {

// Leading and trailing blanks removed (tabs and other white space stay, as the user typed them).
std::string TrimSpaces(const std::string& s) {
  const size_t first = s.find_first_not_of(' ');
  if (first == std::string::npos) return std::string();
  const size_t last = s.find_last_not_of(' ');
  return s.substr(first, last - first + 1);
}

// The last three characters upper-cased (the whole text when it is shorter).
std::string LastThreeUpper(const std::string& s) {
  std::string tail = s.size() > 3 ? s.substr(s.size() - 3) : s;
  for (char& c : tail) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return tail;
}

}  // namespace

std::shared_ptr<frmOptions> frmOptions::Instance(Globals& globals) {
  if (!gfrmOptions(globals)) {
    gfrmOptions(globals) = std::shared_ptr<frmOptions>(new frmOptions(globals));
  }
  return gfrmOptions(globals);
}

frmOptions::~frmOptions() = default;

std::shared_ptr<platform::ListBox> frmOptions::lstPicAttachments() {
  auto self = shared_from_this();
  EnsureLoaded();
  return form_->GetListBox(kLstPicAttachments);
}

void frmOptions::ListPicturesOf(std::shared_ptr<host::Item> item) {
  auto self = shared_from_this();
  std::shared_ptr<platform::ListBox> list = lstPicAttachments();
  mlListed = std::move(item);
  Require(gclsPicAttachments(g_), "gclsPicAttachments")->Populate(mlListed, list);
}

void frmOptions::Show(host::WindowHandle owner) {
  auto self = shared_from_this();
  // A dialog that is open is shown once: a second showing fails, and must not unload it.
  if (mbShown) Fail(platform::kErrFormAlreadyShown, "Form already displayed; can't show modally");
  EnsureLoaded();
  std::shared_ptr<platform::Form> f = form_;
  mbShown = true;
  FailureInfo failure;
  const bool shown = Attempt(
      "frmOptions.Show: ShowModal", [&] { f->ShowModal(owner); }, failure);
  mbShown = false;
  if (shown) return;
  // The dialog was loaded but never seen. It is unloaded and forgotten like a closed one, so
  // that the next click gets a fresh dialog and no hidden window outlives the add-in.
  Attempt("frmOptions.Show: Unload", [&] { f->Unload(); });
  if (gfrmOptions(g_).get() == this) gfrmOptions(g_).reset();
  Fail(failure.code, failure.description);
}

void frmOptions::BringToFront() {
  auto self = shared_from_this();
  if (mbShown && form_) form_->BringToFront();
}

void frmOptions::Close() {
  auto self = shared_from_this();
  if (form_ && form_->Loaded()) cmdClose_Click();
  mlListed.reset();
}

void frmOptions::EnsureLoaded() {
  if (form_ && form_->Loaded()) return;
  // A fresh window each time: nothing of an earlier loading (the file dialog's last name
  // included) carries over.
  form_ = Require(g_.services.dialogs, "dialogs")->CreateForm(OptionsLayout(), weak_from_this());
  form_->Load();
}

platform::Form& frmOptions::form() {
  if (!form_) Fail(err::kObjectNotSet, "frmOptions is not loaded");
  return *form_;
}

// ---- Events -----------------------------------------------------------------------------------
// The toolkit calls these from its window procedures: nothing may escape. Each keeps the
// instance alive while its handler runs, because a handler may unload the form (which forgets
// the instance) or let other windows' events run.

void frmOptions::OnLoad() noexcept {
  Attempt("frmOptions.Form_Load", [&] {
    auto self = shared_from_this();
    Form_Load();
  });
}

void frmOptions::OnActivate() noexcept {
  Attempt("frmOptions.Form_Activate: online banner", [&] {
    auto self = shared_from_this();
    Form_Activate();
  });
}

void frmOptions::OnClick(const std::string& control) noexcept {
  Attempt("frmOptions.Click", [&] {
    auto self = shared_from_this();
    if (control == kOptDefaultViewer) {
      optDefaultViewer_Click();
    } else if (control == kOptCustomViewer) {
      optCustomViewer_Click();
    } else if (control == kChkMorePictureTypes) {
      chkMorePictureTypes_Click();
    } else if (control == kCmdBrowse) {
      cmdBrowse_Click();
    } else if (control == kCmdOpen) {
      cmdOpen_Click();
    } else if (control == kCmdClose) {
      cmdClose_Click();
    }
  });
}

void frmOptions::OnQueryUnload(bool& cancel, int32_t unloadMode) noexcept {
  Attempt("frmOptions.Form_QueryUnload", [&] {
    auto self = shared_from_this();
    Form_QueryUnload(cancel, unloadMode);
  });
}

void frmOptions::OnUnload(bool& cancel) noexcept {
  Attempt("frmOptions.Form_Unload", [&] {
    auto self = shared_from_this();
    Form_Unload(cancel);
  });
}

void frmOptions::OnDocumentComplete(const std::string& control, const void* pDisp,
                                    const std::string& URL) noexcept {
  Attempt("frmOptions.wbrAdBanner_DocumentComplete", [&] {
    auto self = shared_from_this();
    if (control == kWbrAdBanner) wbrAdBanner_DocumentComplete(pDisp, URL);
  });
}

// ---- Handlers ---------------------------------------------------------------------------------

// Each step on its own: a failing step is skipped.
void frmOptions::Form_Load() {
  mbActivatedOnce = false;
  g_.gsSelAttachmentIndexes.clear();

  // The stored viewer choice. Anything but "1" or "2" (or a failing read) leaves the default
  // viewer selected, as the form starts. The stored path is shown only for the custom viewer.
  std::string v;
  if (Attempt("frmOptions.Form_Load: stored viewer choice",
              [&] { v = Require(gclsSettings(g_), "gclsSettings")->Value(rvImageViewer); })) {
    if (v == "1") {
      Attempt("frmOptions.Form_Load: optDefaultViewer",
              [&] { form().GetOptionButton(kOptDefaultViewer)->SetValue(true); });
    } else if (v == "2") {
      // Selecting it runs optCustomViewer_Click, which enables the path box and "Bro&wse...".
      Attempt("frmOptions.Form_Load: optCustomViewer",
              [&] { form().GetOptionButton(kOptCustomViewer)->SetValue(true); });
      Attempt("frmOptions.Form_Load: txtCustomViewer", [&] {
        const std::string path = Require(gclsSettings(g_), "gclsSettings")->Value(rvUserImageApp);
        form().GetTextBox(kTxtCustomViewer)->SetText(path);
      });
    }
  }

  // Whether the more recent picture types count: the box shows the stored setting.
  Attempt("frmOptions.Form_Load: chkMorePictureTypes", [&] {
    const bool on =
        Require(gclsSettings(g_), "gclsSettings")->Value(rvMorePictureTypes) == kMorePictureTypesOn;
    form().GetCheckBox(kChkMorePictureTypes)->SetValue(on);
  });

  // The banner starts with the page embedded in the library on every opening.
  Attempt("frmOptions.Form_Load: embedded banner", [&] {
    form().GetWebBrowser(kWbrAdBanner)->Navigate2(kEmbeddedBannerUrl, kEmbeddedBannerFlags);
  });
}

// Only the first activation probes the maker's server. The probe runs beside Outlook's thread,
// which goes on drawing the dialog and answering the user; the banner keeps the embedded page
// until the answer comes back as a message of the dialog's window (see wbrAdBanner_Probed).
void frmOptions::Form_Activate() {
  if (mbActivatedOnce || mbActivating) return;
  mbActivating = true;
  Attempt("frmOptions.Form_Activate: probe", [&] {
    std::shared_ptr<platform::Internet> internet = g_.services.internet;
    std::shared_ptr<platform::EventLog> eventLog = g_.services.eventLog;
    std::weak_ptr<frmOptions> weak = weak_from_this();
    form().RunBeside([internet, eventLog] { return CInternet::Probe(internet, eventLog); },
                     [weak](bool connected) {
                       if (std::shared_ptr<frmOptions> self = weak.lock())
                         self->wbrAdBanner_Probed(connected);
                     });
  });
  mbActivating = false;
  mbActivatedOnce = true;
}

// The probe's answer, on Outlook's thread, while the dialog is still loaded.
void frmOptions::wbrAdBanner_Probed(bool connected) {
  Attempt("frmOptions.wbrAdBanner_Probed", [&] {
    Require(gclsInternet(g_), "gclsInternet")->SetConnected(connected);
    if (connected && form_ && form_->Loaded()) {
      form().GetWebBrowser(kWbrAdBanner)->Navigate2(kBannerUrl, kOnlineBannerFlags);
    }
  });
}

void frmOptions::optDefaultViewer_Click() {
  form().GetTextBox(kTxtCustomViewer)->SetEnabled(false);
  form().GetCommandButton(kCmdBrowse)->SetEnabled(false);
}

void frmOptions::optCustomViewer_Click() {
  form().GetTextBox(kTxtCustomViewer)->SetEnabled(true);
  form().GetCommandButton(kCmdBrowse)->SetEnabled(true);
}

// The setting applies at once, and is kept, whatever button closes the dialog; the list is
// filled again under the new rule (the user's ticks start over: every picture selected).
void frmOptions::chkMorePictureTypes_Click() {
  const bool on = form().GetCheckBox(kChkMorePictureTypes)->Value();
  Require(gclsSettings(g_), "gclsSettings")
      ->SetValue(rvMorePictureTypes, on ? kMorePictureTypesOn : kMorePictureTypesOff);
  Require(gclsPicAttachments(g_), "gclsPicAttachments")
      ->Populate(mlListed, form().GetListBox(kLstPicAttachments));
}

void frmOptions::cmdBrowse_Click() {
  std::shared_ptr<platform::FileDialog> dlg = form().GetFileDialog(kDlgViewer);
  dlg->SetFlags(kViewerDialogFlags);
  const std::string picked = dlg->ShowOpen();
  // A cancelled dialog names no file: the path box keeps what it had.
  if (!picked.empty()) form().GetTextBox(kTxtCustomViewer)->SetText(picked);
}

void frmOptions::cmdOpen_Click() {
  if (!ValidateInput()) return;

  const auto settings = Require(gclsSettings(g_), "gclsSettings");
  settings->SetValue(rvImageViewer, std::to_string(mlViewerChoice));
  // With the default viewer the stored custom path stays as it was.
  if (mlViewerChoice == 2) {
    settings->SetValue(rvUserImageApp, form().GetTextBox(kTxtCustomViewer)->Text());
  }
  g_.gsSelAttachmentIndexes = msSelAttachmentIndexes;

  std::shared_ptr<platform::Form> f = form_;
  f->Unload();
}

void frmOptions::cmdClose_Click() {
  g_.gsSelAttachmentIndexes.clear();
  std::shared_ptr<platform::Form> f = form_;
  if (!f) Fail(err::kObjectNotSet, "frmOptions is not loaded");
  f->Unload();
}

void frmOptions::Form_QueryUnload(bool& /*Cancel*/, int32_t UnloadMode) {
  // The close box hands back nothing; an unload by code keeps what its handler left.
  if (UnloadMode == platform::vbFormControlMenu) g_.gsSelAttachmentIndexes.clear();
}

void frmOptions::Form_Unload(bool& /*Cancel*/) {
  mlListed.reset();  // no reference on Outlook's item outlives the dialog
  // Forget the instance, so that the next "View ZORMINT Options" creates and loads a new one.
  if (gfrmOptions(g_).get() == this) gfrmOptions(g_).reset();
}

void frmOptions::wbrAdBanner_DocumentComplete(const void* /*pDisp*/, const std::string& /*URL*/) {
  // Every completed document counts, frames included. The embedded page has its scroll bars
  // off by itself; the online page gets them switched off here.
  if (!Require(gclsInternet(g_), "gclsInternet")->IsConnected()) return;
  form().GetWebBrowser(kWbrAdBanner)->SetBodyScroll("no");
}

// ---- Validation -------------------------------------------------------------------------------

// The first failure ends the validation with False; the dialog stays open.
bool frmOptions::ValidateInput() {
  bool valid = false;
  Attempt("frmOptions.ValidateInput", [&] {
    const int32_t count = GetSelectedIndexes(msSelAttachmentIndexes);
    if (count == 0) {
      form().MsgBox(kMsgNoPictures.text, kValidationBoxStyle, kMsgNoPictures.title);
      form().SetFocus(kLstPicAttachments);
      return;
    }
    valid = ValidateViewer();
  });
  return valid;
}

// The item data of the selected entries in list order, joined by ","; returns their count.
int32_t frmOptions::GetSelectedIndexes(std::string& sList) {
  sList.clear();
  int32_t count = 0;
  std::shared_ptr<platform::ListBoxControl> lst = form().GetListBox(kLstPicAttachments);
  const int32_t entries = lst->ListCount();
  for (int32_t i = 0; i < entries; ++i) {
    if (lst->Selected(i)) {
      ++count;
      sList += std::to_string(lst->ItemData(i)) + ",";
    }
  }
  if (!sList.empty()) sList.pop_back();
  return count;
}

// Each step on its own: a failing step is skipped.
bool frmOptions::ValidateViewer() {
  bool useDefault = false, useCustom = false;
  Attempt("frmOptions.ValidateViewer: optDefaultViewer",
          [&] { useDefault = form().GetOptionButton(kOptDefaultViewer)->Value(); });
  Attempt("frmOptions.ValidateViewer: optCustomViewer",
          [&] { useCustom = form().GetOptionButton(kOptCustomViewer)->Value(); });

  if (!useDefault && !useCustom) {
    Attempt("frmOptions.ValidateViewer: no viewer box", [&] {
      form().MsgBox(kMsgNoViewerChosen.text, kValidationBoxStyle, kMsgNoViewerChosen.title);
    });
    Attempt("frmOptions.ValidateViewer: focus", [&] { form().SetFocus(kOptDefaultViewer); });
    return false;
  }

  // The default viewer needs nothing more; the path box is not looked at.
  if (useDefault) {
    mlViewerChoice = 1;
    return true;
  }

  mlViewerChoice = 2;
  // The user sees the trimmed path in the box.
  std::string p;
  Attempt("frmOptions.ValidateViewer: read path",
          [&] { p = TrimSpaces(form().GetTextBox(kTxtCustomViewer)->Text()); });
  Attempt("frmOptions.ValidateViewer: show trimmed path",
          [&] { form().GetTextBox(kTxtCustomViewer)->SetText(p); });

  if (p.empty() || LastThreeUpper(p) != "EXE") {
    Attempt("frmOptions.ValidateViewer: no EXE box", [&] {
      form().MsgBox(kMsgNoViewerExe.text, kValidationBoxStyle, kMsgNoViewerExe.title);
    });
    Attempt("frmOptions.ValidateViewer: focus", [&] { form().SetFocus(kTxtCustomViewer); });
    return false;
  }

  // A file-system failure counts as "no such file": the path is not accepted unseen.
  bool exists = false;
  Attempt("frmOptions.ValidateViewer: FileExists",
          [&] { exists = Require(g_.gfsoFileSystem, "gfsoFileSystem")->FileExists(p); });
  if (exists) return true;

  Attempt("frmOptions.ValidateViewer: invalid viewer box", [&] {
    form().MsgBox(InvalidViewerText(p), kValidationBoxStyle, kMsgInvalidViewerTitle);
  });
  Attempt("frmOptions.ValidateViewer: focus", [&] { form().SetFocus(kTxtCustomViewer); });
  return false;
}

}  // namespace zormint::ui

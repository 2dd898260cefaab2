// The banner's web browser: the platform's WebBrowser control (CLSID_WebBrowser) hosted in a
// child window of a form with plain COM, as a minimal OLE container (client site, in-place
// site and frame), with a DWebBrowserEvents2 sink that passes DocumentComplete on.
//
// The banner is content from the web inside Outlook's process, so the browser is locked down:
// its site reports a download control without scripts, Java, ActiveX controls (neither
// downloaded nor run), behaviours or frames, images and layout kept (the ambient property
// DISPID_AMBIENT_DLCONTROL); the document gets no context menu, no 3-D border and no scroll
// bars (IDocHostUIHandler); its security manager (IServiceProvider) refuses scripts, ActiveX,
// Java and the navigation of frames; nothing navigates inside the strip except the addresses the
// host asks for; a frame's navigation is cancelled silently; a link (a new window the page asks
// for, or a navigation of the control itself once its page has loaded) opens in the user's
// default web browser through the shell, and only for http and https addresses; file downloads
// are cancelled.
//
// The browser is decoration: when the control cannot be created (no browser installed, COM not
// initialised on the thread, a browser that refuses in-place activation) the host stays empty,
// its window shows nothing, and every call fails with a ZError that the form logic ignores.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include <exdisp.h>
#include <mshtmdid.h>
#include <mshtmhst.h>
#include <ocidl.h>
#include <oleidl.h>

#include "platform/web_browser.h"
#include "win32/com/com_ref.h"

namespace zormint::win32 {

class BrowserHost final : public platform::WebBrowser {
 public:
  // Creates the browser control filling `container` (a child window the host does not own).
  explicit BrowserHost(HWND container);
  ~BrowserHost() override;
  BrowserHost(const BrowserHost&) = delete;
  BrowserHost& operator=(const BrowserHost&) = delete;

  // What the lock-down reports to the browser.
  static constexpr unsigned long kDownloadControl =
      DLCTL_DLIMAGES | DLCTL_NO_SCRIPTS | DLCTL_NO_JAVA | DLCTL_NO_RUNACTIVEXCTLS |
      DLCTL_NO_DLACTIVEXCTLS | DLCTL_NO_BEHAVIORS | DLCTL_NO_FRAMEDOWNLOAD | DLCTL_NO_CLIENTPULL |
      DLCTL_SILENT;
  static constexpr unsigned long kHostUiFlags =
      DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_NO3DOUTERBORDER | DOCHOSTUIFLAG_SCROLL_NO |
      DOCHOSTUIFLAG_DISABLE_HELP_MENU | DOCHOSTUIFLAG_DISABLE_SCRIPT_INACTIVE |
      DOCHOSTUIFLAG_DIALOG;

  // http:// or https:// in any letter case.
  static bool IsWebAddress(const std::string& url);
  // Where a link of the banner goes: by default the shell's "open", the user's web browser.
  using ExternalOpener = std::function<void(const std::string& url)>;
  static void OpenInDefaultBrowser(const std::string& url);
  void SetExternalOpener(ExternalOpener opener);

  // How many navigations the strip let through (the host's own) and refused, for diagnostics.
  int AllowedNavigations() const { return allowed_; }
  int RefusedNavigations() const { return refused_; }

  // The control itself, as its events name the top-level frame (none when not available).
  IDispatch* Control() const { return browser_.Get(); }

  // Whether the control exists and has not been destroyed.
  bool Available() const { return static_cast<bool>(browser_); }
  // S_OK, or why the control could not be created.
  HRESULT CreationResult() const { return created_; }

  // ---- platform::WebBrowser ----
  void Navigate2(const std::string& URL, int32_t Flags) override;
  void SetBodyScroll(const std::string& value) override;
  void SetDocumentCompleteHandler(DocumentCompleteHandler handler) override;

  // The DWebBrowserEvents2 sink the browser calls (borrowed; none once destroyed or when the
  // control could not be created). A sink that outlives its host ignores every call.
  IDispatch* EventSink() const;

  // Offers a keyboard message to the browser while the focus is inside it, so that its own
  // keys (Tab between links, Enter on a link) work; true when the browser used the message.
  bool TranslateAccelerator(MSG& msg);

  // Disconnects the events, deactivates and closes the control and lets it go. Later calls
  // fail; nothing fires any more. Runs by itself when the host is destroyed.
  void Destroy();

 private:
  class Site;
  friend class Site;

  void Create();
  void DocumentComplete(IDispatch* pDisp, const std::string& url);
  // A navigation the browser is about to make: true (and no longer pending) when the host asked
  // for it.
  bool Expected(const std::string& url);
  // Whether an event's pDisp is the control itself rather than one of its frames.
  bool IsTopLevel(IDispatch* pDisp) const;
  // A navigation refused: a frame's opens nothing; the control's own, once its page has
  // loaded, is a user's click on a link.
  void Refuse(const std::string& url, bool topLevel);
  // A link of the banner: to the user's web browser when it is a web address.
  void OpenOutside(const std::string& url);

  HWND container_;
  ComRef<Site> site_;
  ComRef<IOleObject> object_;
  ComRef<IWebBrowser2> browser_;
  ComRef<IConnectionPoint> eventPoint_;
  DWORD eventCookie_ = 0;
  HRESULT created_ = E_FAIL;
  DocumentCompleteHandler handler_;
  ExternalOpener opener_ = &BrowserHost::OpenInDefaultBrowser;
  std::vector<std::string> pending_;  // the addresses asked for and not yet navigated to
  bool loaded_ = false;               // the page the host asked for last has completed
  int allowed_ = 0;
  int refused_ = 0;
};

}  // namespace zormint::win32

// The banner's web browser: the platform's WebBrowser control (CLSID_WebBrowser) hosted in a
// child window of a form with plain COM, as a minimal OLE container (client site, in-place
// site and frame), with a DWebBrowserEvents2 sink that passes DocumentComplete on.
//
// The browser is decoration: when the control cannot be created (no browser installed, COM not
// initialised on the thread, a browser that refuses in-place activation) the host stays empty,
// its window shows nothing, and every call fails with a ZError that the form logic ignores.
#pragma once

#include <windows.h>

#include <string>

#include <exdisp.h>
#include <ocidl.h>
#include <oleidl.h>

#include "ui/web_browser.h"
#include "win32/com/com_ref.h"

namespace zormint::win32 {

class BrowserHost final : public ui::WebBrowser {
 public:
  // Creates the browser control filling `container` (a child window the host does not own).
  explicit BrowserHost(HWND container);
  ~BrowserHost() override;
  BrowserHost(const BrowserHost&) = delete;
  BrowserHost& operator=(const BrowserHost&) = delete;

  // Whether the control exists and has not been destroyed.
  bool Available() const { return static_cast<bool>(browser_); }
  // S_OK, or why the control could not be created.
  HRESULT CreationResult() const { return created_; }

  // ---- ui::WebBrowser ----
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

  HWND container_;
  ComRef<Site> site_;
  ComRef<IOleObject> object_;
  ComRef<IWebBrowser2> browser_;
  ComRef<IConnectionPoint> eventPoint_;
  DWORD eventCookie_ = 0;
  HRESULT created_ = E_FAIL;
  DocumentCompleteHandler handler_;
};

}  // namespace zormint::win32

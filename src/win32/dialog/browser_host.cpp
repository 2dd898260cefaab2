#include "win32/dialog/browser_host.h"

#include <exdisp.h>
#include <exdispid.h>
#include <mshtml.h>
#include <ocidl.h>
#include <oleidl.h>
#include <shellapi.h>
#include <urlmon.h>

#include <cctype>
#include <utility>

#include "common/error.h"
#include "win32/com/dispatch.h"
#include "win32/com/failure.h"
#include "win32/com/late_bound.h"
#include "win32/com/object.h"
#include "win32/com/text.h"
#include "win32/com/variant.h"

namespace zormint::win32 {

namespace {

// An address compared as the browser may report it: "%23" for "#", any letter case.
std::string Comparable(std::string url) {
  for (size_t at; (at = url.find("%23")) != std::string::npos;)
    url.replace(at, 3, "#");
  for (char& c : url)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return url;
}

}  // namespace

// ---- The container's COM side ------------------------------------------------------------------
// One reference count for three faces: the client and in-place site (this object), the in-place
// frame (the form's top-level window) and the DWebBrowserEvents2 sink. The browser holds
// references to them; the host holds one and detaches itself when it goes, so that a late call
// from the browser finds no host and does nothing.

class BrowserHost::Site final
    : public ComObject<Site, IOleClientSite, IOleInPlaceSite, IDocHostUIHandler, IServiceProvider> {
 public:
  Site(BrowserHost* host, HWND container) : host_(host), container_(container) {}
  void Detach() { host_ = nullptr; }

  IOleClientSite* ClientSite() { return this; }
  IDispatch* EventSink() { return &sink_; }

  // The faces that share this object's count: IOleWindow is the in-place site's; the frame and
  // the events sink are parts of their own.
  void* QueryMore(REFIID riid) noexcept {
    if (riid == IID_IOleWindow) return static_cast<IOleInPlaceSite*>(this);
    if (riid == IID_IOleInPlaceFrame || riid == IID_IOleInPlaceUIWindow) {
      return static_cast<IOleInPlaceFrame*>(&frame_);
    }
    // Also where the browser asks for ambient properties (the download control).
    if (riid == DIID_DWebBrowserEvents2 || riid == IID_IDispatch) {
      return static_cast<IDispatch*>(&sink_);
    }
    return nullptr;
  }

  // ---- IServiceProvider: Internet Explorer's security manager for this control ----
  HRESULT STDMETHODCALLTYPE QueryService(REFGUID service, REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!IsEqualGUID(service, SID_SInternetSecurityManager)) return E_NOINTERFACE;
    if (!IsEqualIID(riid, IID_IInternetSecurityManager) && !IsEqualIID(riid, IID_IUnknown)) {
      return E_NOINTERFACE;
    }
    *object = static_cast<IInternetSecurityManager*>(&security_);
    AddRef();
    return S_OK;
  }

  // ---- IOleClientSite ----
  HRESULT STDMETHODCALLTYPE SaveObject() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** moniker) override {
    if (moniker) *moniker = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** container) override {
    if (container) *container = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }

  // ---- IOleWindow / IOleInPlaceSite ----
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
    if (!window) return E_POINTER;
    *window = container_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return host_ ? S_OK : S_FALSE; }
  HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc,
                                             LPRECT position, LPRECT clip,
                                             LPOLEINPLACEFRAMEINFO info) override {
    if (!frame || !doc || !position || !clip || !info) return E_POINTER;
    *frame = static_cast<IOleInPlaceFrame*>(&frame_);
    AddRef();
    *doc = nullptr;
    GetClientRect(container_, position);
    *clip = *position;
    info->fMDIApp = FALSE;
    info->hwndFrame = GetAncestor(container_, GA_ROOT);
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT) override { return S_OK; }

  // ---- IDocHostUIHandler: the document's own user interface, mostly none ----
  HRESULT STDMETHODCALLTYPE ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) override {
    return S_OK;  // handled: no menu
  }
  HRESULT STDMETHODCALLTYPE GetHostInfo(DOCHOSTUIINFO* info) override {
    if (!info || info->cbSize < sizeof(DOCHOSTUIINFO)) return E_INVALIDARG;
    info->dwFlags = kHostUiFlags;
    info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
    info->pchHostCss = nullptr;
    info->pchHostNS = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*,
                                   IOleInPlaceFrame*, IOleInPlaceUIWindow*) override {
    return S_OK;  // the host shows no menus or toolbars for the document
  }
  HRESULT STDMETHODCALLTYPE HideUI() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE UpdateUI() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, const GUID*, DWORD) override {
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE GetOptionKeyPath(LPOLESTR* key, DWORD) override {
    if (key) *key = nullptr;
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE GetDropTarget(IDropTarget*, IDropTarget** target) override {
    if (target) *target = nullptr;
    return E_NOTIMPL;  // nothing can be dropped on the banner to navigate it
  }
  HRESULT STDMETHODCALLTYPE GetExternal(IDispatch** external) override {
    if (external) *external = nullptr;
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE TranslateUrl(DWORD, LPWSTR, LPWSTR* translated) override {
    if (translated) *translated = nullptr;
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE FilterDataObject(IDataObject*, IDataObject** filtered) override {
    if (filtered) *filtered = nullptr;
    return S_FALSE;
  }

 private:
  // The form's top-level window as the in-place frame: no menus, no tool space.
  class Frame final : public ComPart<Site, IOleInPlaceFrame> {
   public:
    using ComPart::ComPart;
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
      if (!window) return E_POINTER;
      *window = GetAncestor(Owner().container_, GA_ROOT);
      return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override {
      return INPLACE_E_NOTOOLSPACE;
    }
    HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override {
      return S_OK;
    }
    HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override {
      return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }
  };

  // DWebBrowserEvents2, and the ambient properties the browser reads from its site: the
  // download control locks the banner down; DocumentComplete goes to the host; navigations and
  // new windows the host did not ask for are refused (a link opens in the user's own browser);
  // file downloads are cancelled. Every other event is ignored.
  class Sink final : public WithoutTypeInfo<ComPart<Site, IDispatch>> {
   public:
    using WithoutTypeInfo::WithoutTypeInfo;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
      return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO*, UINT*) override {
      // The handler may close the form and the browser with it.
      Site& site = Owner();
      ComRef<IOleClientSite> hold = ComRef<IOleClientSite>::Share(&site);
      return ComEntry("BrowserHost.Sink.Invoke", [&]() -> HRESULT {
        const InvokeArguments args(params);
        switch (member) {
          case DISPID_AMBIENT_DLCONTROL:
            if (!(flags & DISPATCH_PROPERTYGET) || !result) return DISP_E_MEMBERNOTFOUND;
            VariantInit(result);
            V_VT(result) = VT_I4;
            V_I4(result) = static_cast<LONG>(kDownloadControl);
            return S_OK;
          case DISPID_DOCUMENTCOMPLETE:
            // DocumentComplete(pDisp, URL).
            if (args.At(1) && site.host_) {
              site.host_->DocumentComplete(args.Object(0).Get(), args.Text(1));
            }
            return S_OK;
          case DISPID_BEFORENAVIGATE2:
            // BeforeNavigate2(pDisp, URL, Flags, TargetFrameName, PostData, Headers, Cancel).
            // Only the control itself navigates, and only where the host asked; a frame's
            // navigation is cancelled without a word.
            if (args.At(6)) {
              BrowserHost* host = site.host_;
              const std::string url = args.Text(1);
              const bool topLevel = host && host->IsTopLevel(args.Object(0).Get());
              if (!(topLevel && host->Expected(url))) {
                args.Flag(6).Set(true);
                if (host) host->Refuse(url, topLevel);
              }
            }
            return S_OK;
          case DISPID_NEWWINDOW3:
            // NewWindow3(ppDisp, Cancel, dwFlags, bstrUrlContext, bstrUrl).
            if (args.At(4)) {
              args.Flag(1).Set(true);
              if (site.host_) site.host_->OpenOutside(args.Text(4));
            }
            return S_OK;
          case DISPID_NEWWINDOW2:
            // NewWindow2(ppDisp, Cancel): a browser without NewWindow3 tells no address.
            if (args.At(1)) args.Flag(1).Set(true);
            return S_OK;
          case DISPID_FILEDOWNLOAD:
            // FileDownload(ActiveDocument, Cancel): a page to show is no download.
            if (args.At(1) && !args.Flag(0).Value()) args.Flag(1).Set(true);
            return S_OK;
          default:
            return DISP_E_MEMBERNOTFOUND;
        }
      });
    }
  };

  // The security manager the browser asks before it runs anything: scripts, ActiveX controls
  // (run or downloaded), Java and the navigation of frames are refused whatever the zone
  // settings say; for everything else the browser's own settings decide.
  class Security final : public ComPart<Site, IInternetSecurityManager> {
   public:
    using ComPart::ComPart;
    static bool Refused(DWORD action) {
      return (action >= URLACTION_SCRIPT_MIN && action <= URLACTION_SCRIPT_MAX) ||
             (action >= URLACTION_ACTIVEX_MIN && action <= URLACTION_ACTIVEX_MAX) ||
             (action >= URLACTION_DOWNLOAD_MIN && action <= URLACTION_DOWNLOAD_MAX) ||
             (action >= URLACTION_JAVA_MIN && action <= URLACTION_JAVA_MAX) ||
             action == URLACTION_HTML_SUBFRAME_NAVIGATE;
    }
    HRESULT STDMETHODCALLTYPE SetSecuritySite(IInternetSecurityMgrSite*) override {
      return INET_E_DEFAULT_ACTION;
    }
    HRESULT STDMETHODCALLTYPE GetSecuritySite(IInternetSecurityMgrSite** site) override {
      if (site) *site = nullptr;
      return INET_E_DEFAULT_ACTION;
    }
    HRESULT STDMETHODCALLTYPE MapUrlToZone(LPCWSTR, DWORD*, DWORD) override {
      return INET_E_DEFAULT_ACTION;
    }
    HRESULT STDMETHODCALLTYPE GetSecurityId(LPCWSTR, BYTE*, DWORD*, DWORD_PTR) override {
      return INET_E_DEFAULT_ACTION;
    }
    HRESULT STDMETHODCALLTYPE ProcessUrlAction(LPCWSTR, DWORD action, BYTE* policy,
                                               DWORD policySize, BYTE*, DWORD, DWORD,
                                               DWORD) override {
      if (!Refused(action)) return INET_E_DEFAULT_ACTION;
      if (policy && policySize >= sizeof(DWORD)) {
        const DWORD disallow = URLPOLICY_DISALLOW;
        memcpy(policy, &disallow, sizeof disallow);
      }
      return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE QueryCustomPolicy(LPCWSTR, REFGUID, BYTE** policy, DWORD* size, BYTE*,
                                                DWORD, DWORD) override {
      if (policy) *policy = nullptr;
      if (size) *size = 0;
      return INET_E_DEFAULT_ACTION;
    }
    HRESULT STDMETHODCALLTYPE SetZoneMapping(DWORD, LPCWSTR, DWORD) override {
      return INET_E_DEFAULT_ACTION;
    }
    HRESULT STDMETHODCALLTYPE GetZoneMappings(DWORD, IEnumString** mappings, DWORD) override {
      if (mappings) *mappings = nullptr;
      return INET_E_DEFAULT_ACTION;
    }
  };

  BrowserHost* host_;
  HWND container_;
  Frame frame_{*this};
  Sink sink_{*this};
  Security security_{*this};
};

// ---- The host -----------------------------------------------------------------------------------

BrowserHost::BrowserHost(HWND container) : container_(container) {
  Create();
}

BrowserHost::~BrowserHost() {
  Destroy();
}

void BrowserHost::Create() {
  HRESULT hr = CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                object_.OutVoid());
  if (FAILED(hr) || !object_) {
    object_.Reset();
    created_ = FAILED(hr) ? hr : E_NOINTERFACE;
    return;
  }
  site_ = Site::Make(this, container_);
  hr = object_->SetClientSite(site_->ClientSite());
  RECT area = {};
  GetClientRect(container_, &area);
  if (SUCCEEDED(hr)) {
    hr = object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_->ClientSite(), 0, container_,
                         &area);
  }
  if (SUCCEEDED(hr)) hr = object_.QueryTo(browser_);
  if (SUCCEEDED(hr)) {
    // A banner has no business showing script error boxes or other dialogs of its own.
    browser_->put_Silent(VARIANT_TRUE);
    ComRef<IConnectionPointContainer> points;
    hr = object_.QueryTo(points);
    if (SUCCEEDED(hr)) hr = points->FindConnectionPoint(DIID_DWebBrowserEvents2, eventPoint_.Out());
    if (SUCCEEDED(hr) && eventPoint_) {
      hr = eventPoint_->Advise(site_->EventSink(), &eventCookie_);
      if (FAILED(hr)) eventCookie_ = 0;
    } else {
      eventPoint_.Reset();
      if (SUCCEEDED(hr)) hr = E_NOINTERFACE;
    }
  }
  if (FAILED(hr)) {
    Destroy();
    created_ = hr;
    return;
  }
  created_ = S_OK;
}

void BrowserHost::Destroy() {
  handler_ = nullptr;
  pending_.clear();
  loaded_ = false;
  if (ComRef<IConnectionPoint> point = std::exchange(eventPoint_, nullptr)) {
    if (eventCookie_) point->Unadvise(eventCookie_);
    eventCookie_ = 0;
  }
  if (site_) site_->Detach();
  browser_.Reset();
  if (ComRef<IOleObject> object = std::exchange(object_, nullptr)) {
    ComRef<IOleInPlaceObject> inPlace;
    if (SUCCEEDED(object.QueryTo(inPlace))) inPlace->InPlaceDeactivate();
    object->Close(OLECLOSE_NOSAVE);
    object->SetClientSite(nullptr);
  }
  site_.Reset();
}

bool BrowserHost::IsWebAddress(const std::string& url) {
  const std::string lower = Comparable(url.substr(0, 8));
  return lower.rfind("http://", 0) == 0 || lower.rfind("https://", 0) == 0;
}

void BrowserHost::OpenInDefaultBrowser(const std::string& url) {
  ShellExecuteW(nullptr, L"open", Widen(url).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void BrowserHost::SetExternalOpener(ExternalOpener opener) {
  opener_ = std::move(opener);
}

bool BrowserHost::Expected(const std::string& url) {
  const std::string wanted = Comparable(url);
  for (auto it = pending_.begin(); it != pending_.end(); ++it) {
    if (*it == wanted) {
      pending_.erase(it);
      ++allowed_;
      return true;
    }
  }
  ++refused_;
  return false;
}

bool BrowserHost::IsTopLevel(IDispatch* pDisp) const {
  return SameObject(pDisp, browser_.Get());
}

void BrowserHost::Refuse(const std::string& url, bool topLevel) {
  if (!topLevel) {
    ++refused_;  // a frame: nothing opens anywhere
    return;
  }
  // With scripts and client pull off, a navigation of the loaded page is a user's click on a
  // link; one before the page has loaded is the page's own doing, and opens nothing.
  if (loaded_) OpenOutside(url);
}

void BrowserHost::OpenOutside(const std::string& url) {
  // Only a web address leaves the banner; a link to a file, a script or another protocol does
  // nothing.
  if (!IsWebAddress(url)) return;
  ExternalOpener opener = opener_;
  if (opener) opener(url);
}

void BrowserHost::Navigate2(const std::string& URL, int32_t Flags) {
  if (!browser_) Fail(err::kObjectNotSet, "The web browser is not available");
  // The one navigation the strip lets through: the address asked for here. Until its page has
  // loaded, no navigation goes to the user's browser.
  pending_.push_back(Comparable(URL));
  loaded_ = false;
  // The call may let events run that close the form: the browser stays alive until it returns.
  ComRef<IWebBrowser2> browser = browser_;
  Variant url = Variant::Text(URL);
  Variant flags = Variant::Int(Flags);
  Variant none;
  ThrowIfFailed(browser->Navigate2(url.Ptr(), flags.Ptr(), none.Ptr(), none.Ptr(), none.Ptr()),
                "WebBrowser.Navigate2");
}

void BrowserHost::SetBodyScroll(const std::string& value) {
  if (!browser_) Fail(err::kObjectNotSet, "The web browser is not available");
  ComRef<IWebBrowser2> browser = browser_;
  ComRef<IDispatch> document;
  ThrowIfFailed(browser->get_Document(document.Out()), "WebBrowser.Document");
  if (!document) Fail(err::kObjectNotSet, "The browser has no document");

  // The HTML document's body element; a document that is not HTML is asked by member names.
  ComRef<IHTMLDocument2> html;
  if (SUCCEEDED(document.QueryTo(html)) && html) {
    ComRef<IHTMLElement> body;
    ThrowIfFailed(html->get_body(body.Out()), "Document.body");
    if (!body) Fail(err::kObjectNotSet, "The document has no body");
    ComRef<IHTMLBodyElement> bodyElement;
    ThrowIfFailed(body.QueryTo(bodyElement), "Document.body");
    ThrowIfFailed(bodyElement->put_scroll(Bstr(value).Get()), "Body.scroll");
    return;
  }
  LateBound body(LateBound(std::move(document), "Document").GetObject(L"body"), "Body");
  body.Put(L"scroll", Arguments().String(value));
}

void BrowserHost::SetDocumentCompleteHandler(DocumentCompleteHandler handler) {
  handler_ = std::move(handler);
}

void BrowserHost::DocumentComplete(IDispatch* pDisp, const std::string& url) {
  if (IsTopLevel(pDisp)) loaded_ = true;
  // The handler may destroy this host: it runs from a copy, and nothing here is touched after.
  DocumentCompleteHandler handler = handler_;
  if (handler) handler(pDisp, url);
}

IDispatch* BrowserHost::EventSink() const {
  return site_ && browser_ ? site_->EventSink() : nullptr;
}

bool BrowserHost::TranslateAccelerator(MSG& msg) {
  if (!object_ || msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
  HWND focus = GetFocus();
  if (!focus || !IsChild(container_, focus)) return false;
  ComRef<IOleInPlaceActiveObject> active;
  if (FAILED(object_.QueryTo(active)) || !active) return false;
  return active->TranslateAccelerator(&msg) == S_OK;
}

}  // namespace zormint::win32

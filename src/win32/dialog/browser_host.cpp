#include "win32/dialog/browser_host.h"

#include <exdisp.h>
#include <exdispid.h>
#include <mshtml.h>
#include <ocidl.h>
#include <oleidl.h>

#include <utility>

#include "common/error.h"
#include "win32/com/failure.h"
#include "win32/com/late_bound.h"
#include "win32/com/object.h"
#include "win32/com/text.h"
#include "win32/com/variant.h"

namespace zormint::win32 {

namespace {

void Check(HRESULT hr, const char* what) {
  if (FAILED(hr)) Fail(static_cast<int32_t>(hr), what);
}

// The text a VARIANT argument carries, through one level of reference.
std::string ArgumentText(const VARIANT& arg) {
  const VARIANT* v = &arg;
  if (v->vt == (VT_BYREF | VT_VARIANT) && v->pvarVal) v = v->pvarVal;
  if (v->vt == VT_BSTR) return FromBstr(v->bstrVal);
  if (v->vt == (VT_BYREF | VT_BSTR) && v->pbstrVal) return FromBstr(*v->pbstrVal);
  return std::string();
}

IDispatch* ArgumentObject(const VARIANT& arg) {
  const VARIANT* v = &arg;
  if (v->vt == (VT_BYREF | VT_VARIANT) && v->pvarVal) v = v->pvarVal;
  if (v->vt == VT_DISPATCH) return v->pdispVal;
  if (v->vt == (VT_BYREF | VT_DISPATCH) && v->ppdispVal) return *v->ppdispVal;
  return nullptr;
}

}  // namespace

// ---- The container's COM side ------------------------------------------------------------------
// One reference count for three faces: the client and in-place site (this object), the in-place
// frame (the form's top-level window) and the DWebBrowserEvents2 sink. The browser holds
// references to them; the host holds one and detaches itself when it goes, so that a late call
// from the browser finds no host and does nothing.

class BrowserHost::Site final : public ComObject<Site, IOleClientSite, IOleInPlaceSite> {
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
    // Also where the browser asks for ambient properties: the sink knows none, so the browser
    // keeps its defaults.
    if (riid == DIID_DWebBrowserEvents2 || riid == IID_IDispatch) {
      return static_cast<IDispatch*>(&sink_);
    }
    return nullptr;
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

  // DWebBrowserEvents2: DocumentComplete goes to the host; every other event is ignored.
  class Sink final : public ComPart<Site, IDispatch> {
   public:
    using ComPart::ComPart;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
      if (!count) return E_POINTER;
      *count = 0;
      return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
      if (info) *info = nullptr;
      return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
      return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS* params,
                                     VARIANT*, EXCEPINFO*, UINT*) override {
      if (member != DISPID_DOCUMENTCOMPLETE) return DISP_E_MEMBERNOTFOUND;
      // DocumentComplete(pDisp, URL): the arguments arrive last first.
      if (!params || params->cArgs < 2) return S_OK;
      IDispatch* pDisp = ArgumentObject(params->rgvarg[1]);
      const std::string url = ArgumentText(params->rgvarg[0]);
      // The handler may close the form and the browser with it.
      Site& site = Owner();
      ComRef<IOleClientSite> hold = ComRef<IOleClientSite>::Share(&site);
      ComEntry("BrowserHost.DocumentComplete", [&] {
        if (site.host_) site.host_->DocumentComplete(pDisp, url);
      });
      return S_OK;
    }
  };

  BrowserHost* host_;
  HWND container_;
  Frame frame_{*this};
  Sink sink_{*this};
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
  if (SUCCEEDED(hr)) hr = object_.QueryTo(IID_IWebBrowser2, browser_);
  if (SUCCEEDED(hr)) {
    // A banner has no business showing script error boxes or other dialogs of its own.
    browser_->put_Silent(VARIANT_TRUE);
    ComRef<IConnectionPointContainer> points;
    hr = object_.QueryTo(IID_IConnectionPointContainer, points);
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
  if (ComRef<IConnectionPoint> point = std::exchange(eventPoint_, nullptr)) {
    if (eventCookie_) point->Unadvise(eventCookie_);
    eventCookie_ = 0;
  }
  if (site_) site_->Detach();
  browser_.Reset();
  if (ComRef<IOleObject> object = std::exchange(object_, nullptr)) {
    ComRef<IOleInPlaceObject> inPlace;
    if (SUCCEEDED(object.QueryTo(IID_IOleInPlaceObject, inPlace))) inPlace->InPlaceDeactivate();
    object->Close(OLECLOSE_NOSAVE);
    object->SetClientSite(nullptr);
  }
  site_.Reset();
}

void BrowserHost::Navigate2(const std::string& URL, int32_t Flags) {
  if (!browser_) Fail(err::kObjectNotSet, "The web browser is not available");
  // The call may let events run that close the form: the browser stays alive until it returns.
  ComRef<IWebBrowser2> browser = browser_;
  Variant url = Variant::Text(URL);
  Variant flags = Variant::Int(Flags);
  Variant none;
  Check(browser->Navigate2(url.Ptr(), flags.Ptr(), none.Ptr(), none.Ptr(), none.Ptr()),
        "Navigate2 failed");
}

void BrowserHost::SetBodyScroll(const std::string& value) {
  if (!browser_) Fail(err::kObjectNotSet, "The web browser is not available");
  ComRef<IWebBrowser2> browser = browser_;
  ComRef<IDispatch> document;
  Check(browser->get_Document(document.Out()), "The browser has no document");
  if (!document) Fail(err::kObjectNotSet, "The browser has no document");

  // The HTML document's body element; a document that is not HTML is asked by member names.
  ComRef<IHTMLDocument2> html;
  if (SUCCEEDED(document.QueryTo(IID_IHTMLDocument2, html)) && html) {
    ComRef<IHTMLElement> body;
    Check(html->get_body(body.Out()), "The document has no body");
    if (!body) Fail(err::kObjectNotSet, "The document has no body");
    ComRef<IHTMLBodyElement> bodyElement;
    Check(body.QueryTo(IID_IHTMLBodyElement, bodyElement), "Not a body");
    Check(bodyElement->put_scroll(Bstr(value).Get()), "Setting the body's scroll attribute failed");
    return;
  }
  LateBound body(LateBound(std::move(document), "Document").GetObject(L"body"), "Body");
  body.Put(L"scroll", Arguments().String(value));
}

void BrowserHost::SetDocumentCompleteHandler(DocumentCompleteHandler handler) {
  handler_ = std::move(handler);
}

void BrowserHost::DocumentComplete(IDispatch* pDisp, const std::string& url) {
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
  if (FAILED(object_.QueryTo(IID_IOleInPlaceActiveObject, active)) || !active) return false;
  return active->TranslateAccelerator(&msg) == S_OK;
}

}  // namespace zormint::win32

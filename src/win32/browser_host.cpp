#include "win32/browser_host.h"

#include <exdisp.h>
#include <exdispid.h>
#include <mshtml.h>
#include <ocidl.h>
#include <oleidl.h>

#include <utility>

#include "common/error.h"
#include "win32/text.h"

namespace zormint::win32 {

namespace {

// One reference to a COM interface, released when it goes.
template <class T>
class Ref {
 public:
  Ref() = default;
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;
  ~Ref() { Reset(); }
  static Ref Share(T* p) {
    Ref r;
    r.p_ = p;
    if (p) p->AddRef();
    return r;
  }
  Ref(Ref&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  Ref& operator=(Ref&& other) noexcept {
    if (this != &other) {
      Reset();
      p_ = std::exchange(other.p_, nullptr);
    }
    return *this;
  }
  void Reset() {
    if (T* p = std::exchange(p_, nullptr)) p->Release();
  }
  T** Out() {
    Reset();
    return &p_;
  }
  void** OutVoid() { return reinterpret_cast<void**>(Out()); }
  T* Get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  T* p_ = nullptr;
};

void Check(HRESULT hr, const char* what) {
  if (FAILED(hr)) Fail(static_cast<int32_t>(hr), what);
}

// A property of an object that is itself an object, asked for by name.
Ref<IDispatch> GetObjectProperty(IDispatch* object, const wchar_t* name) {
  DISPID id = DISPID_UNKNOWN;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  Check(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), "Unknown name");
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  VARIANT result;
  VariantInit(&result);
  Check(object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &result,
                       nullptr, nullptr),
        "Property get failed");
  Ref<IDispatch> value;
  if (result.vt == VT_DISPATCH && result.pdispVal) value = Ref<IDispatch>::Share(result.pdispVal);
  VariantClear(&result);
  if (!value) Fail(err::kObjectNotSet, "Object variable not set");
  return value;
}

void PutTextProperty(IDispatch* object, const wchar_t* name, const std::string& text) {
  DISPID id = DISPID_UNKNOWN;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  Check(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), "Unknown name");
  VARIANT value;
  value.vt = VT_BSTR;
  value.bstrVal = ToBstr(text);
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS params = {&value, &named, 1, 1};
  const HRESULT hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT,
                                    &params, nullptr, nullptr, nullptr);
  VariantClear(&value);
  Check(hr, "Property put failed");
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

class BrowserHost::Site final : public IOleClientSite, public IOleInPlaceSite {
 public:
  Site(BrowserHost* host, HWND container) : host_(host), container_(container) {}
  void Detach() { host_ = nullptr; }

  IOleClientSite* ClientSite() { return this; }
  IOleInPlaceSite* InPlaceSite() { return this; }
  IDispatch* EventSink() { return &sink_; }

  // ---- IUnknown ----
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (riid == IID_IUnknown || riid == IID_IOleClientSite) {
      *object = static_cast<IOleClientSite*>(this);
    } else if (riid == IID_IOleWindow || riid == IID_IOleInPlaceSite) {
      *object = static_cast<IOleInPlaceSite*>(this);
    } else if (riid == IID_IOleInPlaceFrame || riid == IID_IOleInPlaceUIWindow) {
      *object = static_cast<IOleInPlaceFrame*>(&frame_);
    } else if (riid == DIID_DWebBrowserEvents2 || riid == IID_IDispatch) {
      // Also where the browser asks for ambient properties: the sink knows none, so the
      // browser keeps its defaults.
      *object = static_cast<IDispatch*>(&sink_);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const long left = --references_;
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
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
  ~Site() = default;

  // The form's top-level window as the in-place frame: no menus, no tool space.
  class Frame final : public IOleInPlaceFrame {
   public:
    explicit Frame(Site& site) : site_(site) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
      return site_.QueryInterface(riid, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return site_.AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return site_.Release(); }
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
      if (!window) return E_POINTER;
      *window = GetAncestor(site_.container_, GA_ROOT);
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

   private:
    Site& site_;
  };

  // DWebBrowserEvents2: DocumentComplete goes to the host; every other event is ignored.
  class Sink final : public IDispatch {
   public:
    explicit Sink(Site& site) : site_(site) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
      return site_.QueryInterface(riid, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return site_.AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return site_.Release(); }
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
      Site& site = site_;
      site.AddRef();  // the handler may close the form and the browser with it
      if (site.host_) site.host_->DocumentComplete(pDisp, url);
      site.Release();
      return S_OK;
    }

   private:
    Site& site_;
  };

  long references_ = 1;
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
                                reinterpret_cast<void**>(&object_));
  if (FAILED(hr) || !object_) {
    object_ = nullptr;
    created_ = FAILED(hr) ? hr : E_NOINTERFACE;
    return;
  }
  site_ = new Site(this, container_);
  hr = object_->SetClientSite(site_->ClientSite());
  RECT area = {};
  GetClientRect(container_, &area);
  if (SUCCEEDED(hr)) {
    hr = object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_->ClientSite(), 0, container_,
                         &area);
  }
  if (SUCCEEDED(hr)) {
    hr = object_->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(&browser_));
    if (FAILED(hr)) browser_ = nullptr;
  }
  if (SUCCEEDED(hr)) {
    // A banner has no business showing script error boxes or other dialogs of its own.
    browser_->put_Silent(VARIANT_TRUE);
    Ref<IConnectionPointContainer> points;
    hr = object_->QueryInterface(IID_IConnectionPointContainer, points.OutVoid());
    if (SUCCEEDED(hr)) hr = points->FindConnectionPoint(DIID_DWebBrowserEvents2, &eventPoint_);
    if (SUCCEEDED(hr)) {
      hr = eventPoint_->Advise(site_->EventSink(), &eventCookie_);
      if (FAILED(hr)) eventCookie_ = 0;
    } else {
      eventPoint_ = nullptr;
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
  if (eventPoint_) {
    if (eventCookie_) eventPoint_->Unadvise(eventCookie_);
    eventPoint_->Release();
    eventPoint_ = nullptr;
    eventCookie_ = 0;
  }
  if (site_) site_->Detach();
  if (browser_) {
    browser_->Release();
    browser_ = nullptr;
  }
  if (object_) {
    IOleObject* object = std::exchange(object_, nullptr);
    Ref<IOleInPlaceObject> inPlace;
    if (SUCCEEDED(object->QueryInterface(IID_IOleInPlaceObject, inPlace.OutVoid())) && inPlace) {
      inPlace->InPlaceDeactivate();
    }
    object->Close(OLECLOSE_NOSAVE);
    object->SetClientSite(nullptr);
    object->Release();
  }
  if (site_) {
    site_->Release();
    site_ = nullptr;
  }
}

void BrowserHost::Navigate2(const std::string& URL, int32_t Flags) {
  if (!browser_) Fail(err::kObjectNotSet, "The web browser is not available");
  // The call may let events run that close the form: the browser stays alive until it returns.
  Ref<IWebBrowser2> browser = Ref<IWebBrowser2>::Share(browser_);
  VARIANT url;
  url.vt = VT_BSTR;
  url.bstrVal = ToBstr(URL);
  VARIANT flags;
  flags.vt = VT_I4;
  flags.lVal = Flags;
  VARIANT none;
  VariantInit(&none);
  const HRESULT hr = browser->Navigate2(&url, &flags, &none, &none, &none);
  VariantClear(&url);
  Check(hr, "Navigate2 failed");
}

void BrowserHost::SetBodyScroll(const std::string& value) {
  if (!browser_) Fail(err::kObjectNotSet, "The web browser is not available");
  Ref<IWebBrowser2> browser = Ref<IWebBrowser2>::Share(browser_);
  Ref<IDispatch> document;
  Check(browser->get_Document(document.Out()), "The browser has no document");
  if (!document) Fail(err::kObjectNotSet, "The browser has no document");

  // The HTML document's body element; a document that is not HTML is asked by member names.
  Ref<IHTMLDocument2> html;
  if (SUCCEEDED(document->QueryInterface(IID_IHTMLDocument2, html.OutVoid())) && html) {
    Ref<IHTMLElement> body;
    Check(html->get_body(body.Out()), "The document has no body");
    if (!body) Fail(err::kObjectNotSet, "The document has no body");
    Ref<IHTMLBodyElement> bodyElement;
    Check(body->QueryInterface(IID_IHTMLBodyElement, bodyElement.OutVoid()), "Not a body");
    BSTR text = ToBstr(value);
    const HRESULT hr = bodyElement->put_scroll(text);
    SysFreeString(text);
    Check(hr, "Setting the body's scroll attribute failed");
    return;
  }
  Ref<IDispatch> body = GetObjectProperty(document.Get(), L"body");
  PutTextProperty(body.Get(), L"scroll", value);
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
  Ref<IOleInPlaceActiveObject> active;
  if (FAILED(object_->QueryInterface(IID_IOleInPlaceActiveObject, active.OutVoid())) || !active) {
    return false;
  }
  return active->TranslateAccelerator(&msg) == S_OK;
}

}  // namespace zormint::win32

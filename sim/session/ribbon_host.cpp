#include "sim/session/ribbon_host.h"

#include <msxml2.h>
#include <olectl.h>

#include <algorithm>
#include <set>
#include <stdexcept>

#include "sim/com/com_objects.h"
#include "win32/com/dispatch.h"
#include "win32/com/failure.h"
#include "win32/com/text.h"
#include "win32/com/variant.h"

namespace zormint::sim {

namespace {

using win32::ComRef;

// ---- Office's objects handed to the callbacks ------------------------------------------------

// IDispatch by name over a few members with Office's published dispatch ids, as Office's own
// objects answer late-bound callers.
template <class Derived, class Interface>
class NamedObject : public win32::UntypedDispatch<Derived, Interface> {
 public:
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) noexcept override {
    if (!names || !ids || count == 0) return E_INVALIDARG;
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) {
      ids[i] = DISPID_UNKNOWN;
      if (i == 0) {
        for (const auto& [name, id] : Derived::kMembers) {
          if (CompareStringOrdinal(names[0], -1, name, -1, TRUE) == CSTR_EQUAL) ids[0] = id;
        }
      }
      if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception, UINT*) noexcept override {
    win32::Variant value;
    const HRESULT hr = static_cast<Derived*>(this)->Member(member, flags, params, value.Out());
    if (hr == DISP_E_MEMBERNOTFOUND || hr == DISP_E_BADPARAMCOUNT) return hr;
    if (FAILED(hr)) {
      if (win32::IsCallFailure(hr)) return hr;
      if (exception) {
        *exception = EXCEPINFO{};
        exception->scode = hr;
        exception->bstrSource = SysAllocString(L"Microsoft Office");
      }
      return DISP_E_EXCEPTION;
    }
    if (result) *result = value.Detach();
    return S_OK;
  }
};

// The control a callback is made for, over the model's control (whose Context is the window
// or its attachment selection).
class RibbonControlObject final : public NamedObject<RibbonControlObject, IRibbonControl> {
 public:
  static constexpr std::pair<const wchar_t*, DISPID> kMembers[] = {
      {L"Id", 1}, {L"Context", 2}, {L"Tag", 3}};

  explicit RibbonControlObject(std::shared_ptr<host::RibbonControl> control)
      : control_(std::move(control)) {}

  HRESULT STDMETHODCALLTYPE get_Id(BSTR* id) noexcept override {
    return Text(id, [&] { return control_->Id(); });
  }
  HRESULT STDMETHODCALLTYPE get_Tag(BSTR* tag) noexcept override {
    return Text(tag, [&] { return control_->Tag(); });
  }
  HRESULT STDMETHODCALLTYPE get_Context(IDispatch** context) noexcept override {
    if (!context) return E_POINTER;
    *context = nullptr;
    return win32::AutomationMember(L"Microsoft Office", [&] {
      std::shared_ptr<host::RibbonContext> found = control_->Context();
      if (!found) return;
      if (auto explorer = found->AsExplorer()) {
        *context = com::NewExplorer(std::move(explorer)).Detach();
      } else if (auto inspector = found->AsInspector()) {
        *context = com::NewInspector(std::move(inspector)).Detach();
      } else if (auto attachments = found->AsAttachmentSelection()) {
        *context = com::NewAttachmentSelection(std::move(attachments)).Detach();
      }
    });
  }

  HRESULT Member(DISPID member, WORD flags, DISPPARAMS* params, VARIANT* value) {
    if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
    if (params && params->cArgs != 0) return DISP_E_BADPARAMCOUNT;
    switch (member) {
      case 1:
        V_VT(value) = VT_BSTR;
        return get_Id(&V_BSTR(value));
      case 2:
        V_VT(value) = VT_DISPATCH;
        return get_Context(&V_DISPATCH(value));
      case 3:
        V_VT(value) = VT_BSTR;
        return get_Tag(&V_BSTR(value));
      default:
        return DISP_E_MEMBERNOTFOUND;
    }
  }

 private:
  friend class win32::ComObject<RibbonControlObject, IRibbonControl>;
  ~RibbonControlObject() override = default;

  template <class F>
  HRESULT Text(BSTR* out, F&& read) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    return win32::AutomationMember(L"Microsoft Office",
                                   [&] { *out = win32::Bstr(read()).Detach(); });
  }

  std::shared_ptr<host::RibbonControl> control_;
};

// The add-in's ribbon, handed to its onLoad: invalidations go to the model's record.
class RibbonUIObject final : public NamedObject<RibbonUIObject, IRibbonUI> {
 public:
  static constexpr std::pair<const wchar_t*, DISPID> kMembers[] = {{L"Invalidate", 1},
                                                                   {L"InvalidateControl", 2},
                                                                   {L"InvalidateControlMso", 3},
                                                                   {L"ActivateTab", 4}};

  explicit RibbonUIObject(std::shared_ptr<host::RibbonUI> ribbon) : ribbon_(std::move(ribbon)) {}

  HRESULT STDMETHODCALLTYPE Invalidate() noexcept override {
    return win32::AutomationMember(L"Microsoft Office", [&] { ribbon_->Invalidate(); });
  }
  HRESULT STDMETHODCALLTYPE InvalidateControl(BSTR id) noexcept override {
    return win32::AutomationMember(L"Microsoft Office",
                                   [&] { ribbon_->InvalidateControl(win32::FromBstr(id)); });
  }
  HRESULT STDMETHODCALLTYPE InvalidateControlMso(BSTR) noexcept override { return S_OK; }
  HRESULT STDMETHODCALLTYPE ActivateTab(BSTR) noexcept override { return S_OK; }

  HRESULT Member(DISPID member, WORD flags, DISPPARAMS* params, VARIANT*) {
    if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
    const UINT count = params ? params->cArgs : 0;
    if (member == 1) return count == 0 ? Invalidate() : DISP_E_BADPARAMCOUNT;
    if (member < 2 || member > 4) return DISP_E_MEMBERNOTFOUND;
    if (count != 1) return DISP_E_BADPARAMCOUNT;
    win32::Variant text;
    VARIANT* argument = win32::InvokeArguments(params).At(0);
    if (!argument || FAILED(VariantChangeType(text.Out(), argument, 0, VT_BSTR)))
      return DISP_E_TYPEMISMATCH;
    if (member == 2) return InvalidateControl(V_BSTR(&text.Get()));
    return S_OK;
  }

 private:
  friend class win32::ComObject<RibbonUIObject, IRibbonUI>;
  ~RibbonUIObject() override = default;

  std::shared_ptr<host::RibbonUI> ribbon_;
};

// ---- Reading the XML with MSXML ----------------------------------------------------------------

// IXMLDOMDocument's published number (mingw's headers declare the interface without it).
constexpr IID kXmlDomDocument = {
    0x2933BF81, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

std::string NodeText(IXMLDOMNode* node, HRESULT (STDMETHODCALLTYPE IXMLDOMNode::*read)(BSTR*)) {
  BSTR text = nullptr;
  if (FAILED((node->*read)(&text)) || !text) return "";
  std::string utf8 = win32::FromBstr(text);
  SysFreeString(text);
  return utf8;
}

XmlElement Convert(IXMLDOMNode* node) {
  XmlElement element;
  element.name = NodeText(node, &IXMLDOMNode::get_baseName);
  element.ns = NodeText(node, &IXMLDOMNode::get_namespaceURI);
  ComRef<IXMLDOMNamedNodeMap> attributes;
  if (SUCCEEDED(node->get_attributes(attributes.Out())) && attributes) {
    long count = 0;
    attributes->get_length(&count);
    for (long i = 0; i < count; ++i) {
      ComRef<IXMLDOMNode> attribute;
      if (FAILED(attributes->get_item(i, attribute.Out())) || !attribute) continue;
      const std::string name = NodeText(attribute.Get(), &IXMLDOMNode::get_baseName);
      const std::string prefix = NodeText(attribute.Get(), &IXMLDOMNode::get_prefix);
      if (name == "xmlns" || prefix == "xmlns") continue;  // namespace declarations
      element.attributes.emplace_back(name, NodeText(attribute.Get(), &IXMLDOMNode::get_text));
    }
  }
  ComRef<IXMLDOMNodeList> children;
  if (SUCCEEDED(node->get_childNodes(children.Out())) && children) {
    long count = 0;
    children->get_length(&count);
    for (long i = 0; i < count; ++i) {
      ComRef<IXMLDOMNode> child;
      DOMNodeType type = NODE_INVALID;
      if (FAILED(children->get_item(i, child.Out())) || !child) continue;
      if (SUCCEEDED(child->get_nodeType(&type)) && type == NODE_ELEMENT)
        element.children.push_back(Convert(child.Get()));
    }
  }
  return element;
}

// The customisation read by MSXML; an error when it is no well-formed XML.
CustomUI ReadWithMsxml(const std::string& text, const std::string& ribbonId, int majorVersion) {
  CustomUI refused;
  refused.ribbonId = ribbonId;
  CLSID clsid;
  ComRef<IXMLDOMDocument> document;
  HRESULT hr = CLSIDFromProgID(L"Msxml2.DOMDocument.6.0", &clsid);
  if (FAILED(hr)) hr = CLSIDFromProgID(L"Msxml2.DOMDocument.3.0", &clsid);
  if (SUCCEEDED(hr)) {
    hr =
        CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, kXmlDomDocument, document.OutVoid());
  }
  if (FAILED(hr) || !document) {
    refused.errors.push_back("MSXML cannot be created: " + std::to_string(hr));
    return refused;
  }
  document->put_async(VARIANT_FALSE);
  VARIANT_BOOL loaded = VARIANT_FALSE;
  win32::Bstr xml(text);
  hr = document->loadXML(xml.Get(), &loaded);
  ComRef<IXMLDOMElement> root;
  if (FAILED(hr) || loaded != VARIANT_TRUE || FAILED(document->get_documentElement(root.Out())) ||
      !root) {
    std::string reason = "not well-formed XML";
    ComRef<IXMLDOMParseError> error;
    BSTR why = nullptr;
    if (SUCCEEDED(document->get_parseError(error.Out())) && error &&
        SUCCEEDED(error->get_reason(&why)) && why) {
      reason += ": " + win32::FromBstr(why);
      SysFreeString(why);
    }
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r'))
      reason.pop_back();
    refused.errors.push_back(reason);
    return refused;
  }
  return ReadCustomUI(Convert(root.Get()), ribbonId, majorVersion);
}

std::string Narrow(const std::wstring& text) {
  return win32::Narrow(text);
}

}  // namespace

struct RibbonHost::AddinRibbon {
  std::wstring progId;
  ComRef<IRibbonExtensibility> extensibility;
  ComRef<IDispatch> callbacks;  // the IDispatch of the object that answered
  std::set<std::string> asked;  // ribbon ids whose customisation was asked for
  std::map<std::string, CustomUI> loaded;
  std::map<std::string, DISPID> ids;
};

RibbonHost::RibbonHost(Outlook& outlook) : outlook_(outlook) {}

RibbonHost::~RibbonHost() = default;

std::string RibbonHost::RibbonIdOf(WindowRef window) {
  return Outlook::RibbonIdOf(window);
}

void RibbonHost::Connected(const HostedAddin& addin) {
  if (!addin.object) return;
  auto ribbon = std::make_shared<AddinRibbon>();
  ribbon->progId = addin.entry.progId;
  // An add-in without IRibbonExtensibility has no ribbon: nothing to report.
  if (FAILED(addin.object.QueryTo(ribbon->extensibility)) || !ribbon->extensibility) {
    return;
  }
  ribbon->extensibility.QueryTo(ribbon->callbacks);
  AddinRibbon& added = *ribbon;
  ribbons_.push_back(std::move(ribbon));
  // Outlook 2007 draws its main windows without the ribbon and never asks for them.
  if (version_ >= 14) Load(added, "Microsoft.Outlook.Explorer");
  if (messageWindowSeen_) Load(added, "Microsoft.Outlook.Mail.Read");
}

void RibbonHost::Released(const std::wstring& progId) {
  ribbons_.erase(std::remove_if(ribbons_.begin(), ribbons_.end(),
                                [&](const std::shared_ptr<AddinRibbon>& r) {
                                  return CompareStringOrdinal(r->progId.c_str(), -1, progId.c_str(),
                                                              -1, TRUE) == CSTR_EQUAL;
                                }),
                 ribbons_.end());
}

void RibbonHost::MessageWindowOpened() {
  messageWindowSeen_ = true;
  for (auto& ribbon : ribbons_)
    Load(*ribbon, "Microsoft.Outlook.Mail.Read");
}

void RibbonHost::Load(AddinRibbon& ribbon, const std::string& ribbonId) {
  if (!ribbon.asked.insert(ribbonId).second) return;  // once per ribbon id
  const std::string who = Narrow(ribbon.progId);
  BSTR text = nullptr;
  win32::Bstr id(ribbonId);
  const HRESULT hr = ribbon.extensibility->GetCustomUI(id.Get(), &text);
  const std::string xml = text ? win32::FromBstr(text) : "";
  SysFreeString(text);
  if (FAILED(hr)) {
    reports_.push_back(who + ": GetCustomUI(" + ribbonId + ") failed (" + std::to_string(hr) + ")");
    return;
  }
  if (xml.empty()) return;  // no customisation for this ribbon
  CustomUI ui = ReadWithMsxml(xml, ribbonId, version_);
  if (version_ < 14 && ui.ns != kCustomUI2006)
    ui.errors.push_back("Outlook 2007 reads only the 2006 namespace");
  // Every callback must be found on the add-in's IDispatch.
  if (ui.Valid()) {
    for (const std::string& name : ui.CallbackNames()) {
      std::wstring wide = win32::Widen(name);
      LPOLESTR names[] = {wide.data()};
      DISPID dispid = DISPID_UNKNOWN;
      if (!ribbon.callbacks ||
          FAILED(ribbon.callbacks->GetIDsOfNames(IID_NULL, names, 1, 0, &dispid))) {
        ui.errors.push_back("callback " + name + " not found");
      } else {
        ribbon.ids[name] = dispid;
      }
    }
  }
  if (!ui.Valid()) {
    std::string text =
        who + ": the ribbon customisation for " + ribbonId + " is dropped (as Office drops it):";
    for (const std::string& error : ui.errors)
      text += " " + error + ";";
    reports_.push_back(text);
    return;
  }
  const std::string onLoad = ui.onLoad;
  ribbon.loaded[ribbonId] = std::move(ui);
  if (!onLoad.empty()) {
    ComRef<IRibbonUI> object =
        ComRef<IRibbonUI>::Adopt(RibbonUIObject::Make(outlook_.RibbonUI(ribbonId)).Detach());
    Call(ribbon, onLoad, object.Get(), nullptr);
  }
}

bool RibbonHost::Call(AddinRibbon& ribbon, const std::string& name, IDispatch* argument,
                      VARIANT* result) {
  auto found = ribbon.ids.find(name);
  if (found == ribbon.ids.end() || !ribbon.callbacks) return false;
  VARIANT arg;
  VariantInit(&arg);
  V_VT(&arg) = VT_DISPATCH;
  V_DISPATCH(&arg) = argument;  // borrowed for the call, as Office lends it
  DISPPARAMS params = {&arg, nullptr, 1, 0};
  win32::ExceptionInfo exception;
  UINT badArgument = 0;
  const HRESULT hr = ribbon.callbacks->Invoke(found->second, IID_NULL, 0, DISPATCH_METHOD, &params,
                                              result, exception.Ptr(), &badArgument);
  if (FAILED(hr)) {
    reports_.push_back(Narrow(ribbon.progId) + ": callback " + name + " failed (" +
                       std::to_string(hr) + ")");
    return false;
  }
  return true;
}

ComRef<IDispatch> RibbonHost::NewControl(WindowRef window, const RibbonButton& button) {
  const bool onAttachments = button.place == "ContextMenuAttachments";
  return ComRef<IDispatch>::Adopt(static_cast<IRibbonControl*>(
      RibbonControlObject::Make(
          outlook_.RibbonControl(window, button.id, button.tag, onAttachments))
          .Detach()));
}

bool RibbonHost::Enabled(AddinRibbon& ribbon, WindowRef window, const RibbonButton& button) {
  auto name = button.callbacks.find("getEnabled");
  if (name == button.callbacks.end()) return true;
  // Office's answer stays until an invalidation through the window's own ribbon names it.
  if (std::optional<bool> kept = outlook_.KeptAnswer(window, button.id)) return *kept;
  ++enabledQueries_;
  win32::Variant result;
  bool enabled = false;
  {
    ComRef<IDispatch> control = NewControl(window, button);
    if (Call(ribbon, name->second, control.Get(), result.Out())) {
      win32::Variant asBool;
      enabled = SUCCEEDED(VariantChangeType(asBool.Out(), const_cast<VARIANT*>(&result.Get()), 0,
                                            VT_BOOL)) &&
                V_BOOL(&asBool.Get()) != VARIANT_FALSE;
    }
  }
  outlook_.KeepAnswer(window, button.id, enabled);
  return enabled;
}

std::shared_ptr<RibbonPicture> RibbonHost::Picture(AddinRibbon& ribbon, WindowRef window,
                                                   const RibbonButton& button) {
  auto name = button.callbacks.find("getImage");
  if (name == button.callbacks.end()) return nullptr;
  win32::Variant result;
  {
    ComRef<IDispatch> control = NewControl(window, button);
    if (!Call(ribbon, name->second, control.Get(), result.Out())) return nullptr;
  }
  if (result.Type() != VT_DISPATCH || !V_DISPATCH(&result.Get())) return nullptr;
  ComRef<IPicture> picture;
  if (FAILED(ComRef<IDispatch>::Share(V_DISPATCH(&result.Get())).QueryTo(picture))) return nullptr;
  OLE_HANDLE handle = 0;
  SHORT type = 0;
  if (FAILED(picture->get_Type(&type)) || type != PICTYPE_BITMAP ||
      FAILED(picture->get_Handle(&handle))) {
    return nullptr;
  }
  HBITMAP bitmap = reinterpret_cast<HBITMAP>(static_cast<uintptr_t>(handle));
  BITMAP info = {};
  if (!GetObjectW(bitmap, sizeof info, &info)) return nullptr;
  auto shown = std::make_shared<RibbonPicture>();
  shown->width = info.bmWidth;
  shown->height = info.bmHeight;
  shown->bitsPerPixel = info.bmBitsPixel;
  // The pixels as they are (a DIB section keeps its alpha): 32 bits, the top row first.
  BITMAPINFO layout = {};
  layout.bmiHeader.biSize = sizeof layout.bmiHeader;
  layout.bmiHeader.biWidth = info.bmWidth;
  layout.bmiHeader.biHeight = -info.bmHeight;
  layout.bmiHeader.biPlanes = 1;
  layout.bmiHeader.biBitCount = 32;
  layout.bmiHeader.biCompression = BI_RGB;
  shown->pixels.resize(static_cast<size_t>(info.bmWidth) * static_cast<size_t>(info.bmHeight));
  HDC screen = GetDC(nullptr);
  GetDIBits(screen, bitmap, 0, static_cast<UINT>(info.bmHeight), shown->pixels.data(), &layout,
            DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  return shown;
}

std::vector<ShownRibbonButton> RibbonHost::Buttons(WindowRef window) {
  std::vector<ShownRibbonButton> shown;
  const std::string ribbonId = RibbonIdOf(window);
  for (auto& ribbon : ribbons_) {
    auto loaded = ribbon->loaded.find(ribbonId);
    if (loaded == ribbon->loaded.end()) continue;
    for (const RibbonButton& button : loaded->second.buttons) {
      ShownRibbonButton one;
      one.progId = Narrow(ribbon->progId);
      one.button = button;
      one.enabled = Enabled(*ribbon, window, button);
      one.picture = Picture(*ribbon, window, button);
      shown.push_back(std::move(one));
    }
  }
  return shown;
}

RibbonHost::Clicked RibbonHost::Click(WindowRef window, const std::string& control,
                                      RibbonButton* clicked) {
  const std::string ribbonId = RibbonIdOf(window);
  for (std::shared_ptr<AddinRibbon> ribbon : std::vector<std::shared_ptr<AddinRibbon>>(ribbons_)) {
    auto loaded = ribbon->loaded.find(ribbonId);
    if (loaded == ribbon->loaded.end()) continue;
    for (const RibbonButton& candidate : loaded->second.buttons) {
      if (candidate.id != control && candidate.label != control && candidate.screentip != control) {
        continue;
      }
      const RibbonButton button = candidate;
      if (clicked) *clicked = button;
      if (!Enabled(*ribbon, window, button)) return Clicked::kDisabled;
      auto action = button.callbacks.find("onAction");
      if (action != button.callbacks.end()) {
        ComRef<IDispatch> object = NewControl(window, button);
        win32::Variant ignored;
        Call(*ribbon, action->second, object.Get(), ignored.Out());
      }
      return Clicked::kRan;
    }
  }
  return Clicked::kNoSuchButton;
}

std::vector<std::string> RibbonHost::TakeInvalidations() {
  // The model has already dropped the answers each invalidation reaches.
  std::vector<std::string> ids = outlook_.Invalidations();
  outlook_.ClearInvalidations();
  return ids;
}

std::vector<std::string> RibbonHost::TakeReports() {
  return std::exchange(reports_, {});
}

}  // namespace zormint::sim

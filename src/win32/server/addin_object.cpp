#include "win32/server/addin_object.h"

#include <memory>
#include <string>

#include "addin/dsr_wrapper.h"
#include "common/error.h"
#include "resources/resources.h"
#include "ribbon/ribbon.h"
#include "win32/com/dispatch.h"
#include "win32/com/module.h"
#include "win32/com/text.h"
#include "win32/com/variant.h"
#include "win32/outlook/adapters.h"
#include "win32/server/make_services.h"
#include "win32/server/type_library.h"
#include "win32/services/resources.h"
#include "win32/services/trace_log.h"

namespace zormint::win32 {

namespace {

// The ribbon callbacks, by the names the customisations give them, and the dispatch ids the
// add-in object answers for them (above the type library's, which run from 1 to 5).
enum RibbonCallback : DISPID {
  kOnLoadExplorer = 0x1001,
  kGetEnabled = 0x1002,
  kOnAction = 0x1003,
  kGetImage = 0x1004,
  kOnLoadMailRead = 0x1005,
};
struct CallbackName {
  const char* name;
  DISPID id;
};
constexpr CallbackName kCallbacks[] = {{ribbon::kOnLoadExplorer, kOnLoadExplorer},
                                       {ribbon::kOnLoadMailRead, kOnLoadMailRead},
                                       {ribbon::kGetEnabled, kGetEnabled},
                                       {ribbon::kOnAction, kOnAction},
                                       {ribbon::kGetImage, kGetImage}};

DISPID CallbackId(const wchar_t* name) {
  if (!name) return DISPID_UNKNOWN;
  for (const CallbackName& callback : kCallbacks) {
    if (CompareStringOrdinal(name, -1, Widen(callback.name).c_str(), -1, TRUE) == CSTR_EQUAL)
      return callback.id;
  }
  return DISPID_UNKNOWN;
}

// The text of a customisation resource of this library (UTF-8 in the file).
std::string CustomUIText(int32_t resourceId) {
  HMODULE module = ThisModule();
  HRSRC found =
      FindResourceW(module, MAKEINTRESOURCEW(resourceId), Widen(resources::kRibbonXmlType).c_str());
  if (!found) Fail(err::kFileNotFound, "No ribbon resource " + std::to_string(resourceId));
  HGLOBAL loaded = LoadResource(module, found);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) Fail(err::kFileNotFound, "Cannot load ribbon resource " + std::to_string(resourceId));
  return std::string(static_cast<const char*>(bytes), SizeofResource(module, found));
}

class AddinObject final : public DualObject<AddinObject, IDTExtensibility2, &IID_IDTExtensibility2,
                                            IRibbonExtensibility> {
 public:
  explicit AddinObject(std::unique_ptr<zormint::dsrWrapper> wrapper)
      : wrapper_(std::move(wrapper)) {}

  // IDTExtensibility2
  HRESULT STDMETHODCALLTYPE OnConnection(IDispatch* application, ext_ConnectMode connectMode,
                                         IDispatch* /*addInInst*/,
                                         SAFEARRAY** /*custom*/) noexcept override {
    return ComEntry("OnConnection", [&] {
      // The user's trace switch is read at each connection, never on a hot path.
      TraceLog().ReadSwitch();
      std::shared_ptr<host::Application> wrapped;
      // An Application that cannot be wrapped is one that cannot be read: the add-in then stays
      // dormant, as it does in an Outlook without an Explorer.
      Attempt("OnConnection: Application", [&] { wrapped = WrapApplication(application); });
      wrapper_->AddinInstance_OnConnection(wrapped, static_cast<int32_t>(connectMode));
    });
  }
  HRESULT STDMETHODCALLTYPE OnDisconnection(ext_DisconnectMode removeMode,
                                            SAFEARRAY** /*custom*/) noexcept override {
    return ComEntry("OnDisconnection", [&] {
      wrapper_->AddinInstance_OnDisconnection(static_cast<int32_t>(removeMode));
    });
  }
  HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY** /*custom*/) noexcept override {
    return ComEntry("OnAddInsUpdate", [&] { wrapper_->AddinInstance_OnAddInsUpdate(); });
  }
  HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY** /*custom*/) noexcept override {
    return ComEntry("OnStartupComplete", [&] { wrapper_->AddinInstance_OnStartupComplete(); });
  }
  HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY** /*custom*/) noexcept override {
    return ComEntry("OnBeginShutdown", [&] { wrapper_->AddinInstance_OnBeginShutdown(); });
  }

  // IRibbonExtensibility: the customisation for one of Office's ribbons; an empty text for
  // none.
  HRESULT STDMETHODCALLTYPE GetCustomUI(BSTR ribbonId, BSTR* ribbonXml) noexcept override {
    if (!ribbonXml) return E_POINTER;
    *ribbonXml = nullptr;
    return ComEntry("GetCustomUI", [&] {
      std::string xml;
      const int32_t resourceId = wrapper_->Ribbon_GetCustomUI(FromBstr(ribbonId));
      if (resourceId != 0) {
        Attempt("GetCustomUI: resource", [&] { xml = CustomUIText(resourceId); });
      }
      *ribbonXml = ToBstr(xml);
      if (!*ribbonXml) throw std::bad_alloc();
    });
  }

  // IDispatch: the members of the type library, and the ribbon callbacks by name.
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                          DISPID* ids) noexcept override {
    if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    if (!names || !ids || count == 0) return E_INVALIDARG;
    const DISPID callback = CallbackId(names[0]);
    if (callback == DISPID_UNKNOWN) return DualObject::GetIDsOfNames(riid, names, count, lcid, ids);
    ids[0] = callback;
    // A callback has no named arguments.
    HRESULT hr = S_OK;
    for (UINT i = 1; i < count; ++i) {
      ids[i] = DISPID_UNKNOWN;
      hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID riid, LCID lcid, WORD flags,
                                   DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                   UINT* badArgument) noexcept override {
    if (member < kOnLoadExplorer || member > kOnLoadMailRead) {
      return DualObject::Invoke(member, riid, lcid, flags, params, result, exception, badArgument);
    }
    if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
    if (!params || params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
    if (params->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
    // The one argument (the control, or the ribbon for onLoad) is an object.
    const VARIANT& argument = params->rgvarg[0];
    IDispatch* object = nullptr;
    if (V_VT(&argument) == VT_DISPATCH) {
      object = V_DISPATCH(&argument);
    } else if (V_VT(&argument) == (VT_DISPATCH | VT_BYREF) && V_DISPATCHREF(&argument)) {
      object = *V_DISPATCHREF(&argument);
    } else {
      if (badArgument) *badArgument = 0;
      return DISP_E_TYPEMISMATCH;
    }
    if (result) VariantInit(result);
    // The add-in object stays alive for the length of the callback, whatever it does.
    ComRef<IRibbonExtensibility> self = ComRef<IRibbonExtensibility>::Share(this);
    return ComEntry("Ribbon callback", [&] { Callback(member, object, result); });
  }

 private:
  friend class ComObject<AddinObject, IDTExtensibility2, IRibbonExtensibility>;

  // One callback. While the add-in is not connected none of them looks at Office's object or
  // reaches Outlook: they answer "disabled", "no picture", or do nothing. The adapters made
  // here are dropped before the callback returns, except the ribbon onLoad hands over.
  void Callback(DISPID member, IDispatch* object, VARIANT* result) {
    if (!wrapper_->RibbonConnected()) {
      if (result && member == kGetEnabled) {
        V_VT(result) = VT_BOOL;
        V_BOOL(result) = VARIANT_FALSE;
      }
      return;
    }
    switch (member) {
      case kOnLoadExplorer:
        wrapper_->Ribbon_OnLoad(ribbon::kExplorerRibbon, WrapRibbonUI(object));
        return;
      case kOnLoadMailRead:
        wrapper_->Ribbon_OnLoad(ribbon::kMailReadRibbon, WrapRibbonUI(object));
        return;
      case kGetEnabled: {
        const bool enabled = wrapper_->Ribbon_GetEnabled(WrapRibbonControl(object));
        if (result) {
          V_VT(result) = VT_BOOL;
          V_BOOL(result) = enabled ? VARIANT_TRUE : VARIANT_FALSE;
        }
        return;
      }
      case kOnAction:
        wrapper_->Ribbon_OnAction(WrapRibbonControl(object));
        return;
      case kGetImage: {
        std::shared_ptr<host::Picture> picture =
            wrapper_->Ribbon_GetImage(WrapRibbonControl(object));
        auto* com = dynamic_cast<ComPicture*>(picture.get());
        if (result && com && com->Get()) {
          IDispatch* image = nullptr;
          if (SUCCEEDED(
                  com->Get()->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&image)))) {
            V_VT(result) = VT_DISPATCH;
            V_DISPATCH(result) = image;
          }
        }
        return;
      }
      default:
        return;
    }
  }

  ~AddinObject() override {
    // The add-in goes first: its teardown may still call into Windows while the module is held.
    wrapper_.reset();
  }

  std::unique_ptr<zormint::dsrWrapper> wrapper_;
};

}  // namespace

HRESULT CreateAddinObject(REFIID riid, void** object) noexcept {
  if (!object) return E_POINTER;
  *object = nullptr;
  return ComEntry("CreateAddinObject", [&] {
    TraceLog();  // from now on, every skipped failure is traced
    return AddinObject::Make(std::make_unique<zormint::dsrWrapper>(MakeServices()))
        ->QueryInterface(riid, object);
  });
}

}  // namespace zormint::win32

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

// The ribbon callbacks, by the names the customisations give them; a callback's dispatch id is
// its place in this list plus one.
constexpr const char* kCallbacks[] = {ribbon::kOnLoadExplorer, ribbon::kOnLoadMailRead,
                                      ribbon::kGetEnabled, ribbon::kOnAction, ribbon::kGetImage};
enum RibbonCallback : DISPID {
  kOnLoadExplorer = 1,
  kOnLoadMailRead,
  kGetEnabled,
  kOnAction,
  kGetImage,
};
// Where the ribbon's callbacks are numbered on the add-in object's own IDispatch.
constexpr DISPID kRibbonCallbackBase = 0x100;

DISPID CallbackId(const wchar_t* name) {
  for (DISPID id = kOnLoadExplorer; name && id <= kGetImage; ++id) {
    if (CompareStringOrdinal(name, -1, Widen(kCallbacks[id - 1]).c_str(), -1, TRUE) == CSTR_EQUAL)
      return id;
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

// The add-in object: IDTExtensibility2 (through the vtable, or through IDispatch from the type
// library) for Outlook, and its ribbon part for Office.
class AddinObject final
    : public DualObject<AddinObject, IDTExtensibility2, &IID_IDTExtensibility2> {
 public:
  explicit AddinObject(std::unique_ptr<zormint::dsrWrapper> wrapper)
      : wrapper_(std::move(wrapper)) {}

  void* QueryMore(REFIID riid) noexcept {
    if (!IsEqualIID(riid, __uuidof(IRibbonExtensibility))) return nullptr;
    return static_cast<IRibbonExtensibility*>(&ribbon_);
  }

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

  // IDispatch: IDTExtensibility2's members, from the type library. A host that looks a ribbon
  // callback up on the add-in object's own IDispatch, rather than on the ribbon's, still reaches
  // it: the ribbon resolves the names the type library does not know, under numbers of their own
  // above IDTExtensibility2's.
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                          DISPID* ids) noexcept override {
    const HRESULT hr = DualObject::GetIDsOfNames(riid, names, count, lcid, ids);
    if (hr != DISP_E_UNKNOWNNAME || ribbon_.GetIDsOfNames(riid, names, count, lcid, ids) != S_OK)
      return hr;
    ids[0] += kRibbonCallbackBase;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID riid, LCID lcid, WORD flags,
                                   DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                   UINT* badArgument) noexcept override {
    if (member > kRibbonCallbackBase && member <= kRibbonCallbackBase + kGetImage) {
      return ribbon_.Invoke(member - kRibbonCallbackBase, riid, lcid, flags, params, result,
                            exception, badArgument);
    }
    return DualObject::Invoke(member, riid, lcid, flags, params, result, exception, badArgument);
  }

 private:
  friend class ComObject<AddinObject, IDTExtensibility2>;

  // Office's way to the add-in's ribbon: IRibbonExtensibility (GetCustomUI, called through the
  // vtable) and the IDispatch through which Office calls the callbacks the customisations name.
  // Office asks the add-in object for IRibbonExtensibility and resolves every callback on what
  // it got, with GetIDsOfNames and Invoke on that pointer or on the IDispatch it answers; so the
  // ribbon answers IDispatch with itself, while the add-in object's own IDispatch is
  // IDTExtensibility2's (and reaches the callbacks only for a host that looks them up there).
  // The ribbon is a part of the add-in object, with its count and its
  // identity (IUnknown and IDTExtensibility2 lead back to it); only the IDispatch depends on the
  // interface it is asked from, as with the add-ins whose ribbon is an object of its own (the
  // GnuPG add-in's ribbon extender answers IDispatch for its callbacks alone).
  class Ribbon final : public WithoutTypeInfo<ComPart<AddinObject, IRibbonExtensibility>> {
   public:
    using WithoutTypeInfo::WithoutTypeInfo;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) noexcept override {
      if (!IsEqualIID(riid, IID_IDispatch) && !IsEqualIID(riid, __uuidof(IRibbonExtensibility)))
        return ComPart::QueryInterface(riid, object);
      if (!object) return E_POINTER;
      *object = static_cast<IRibbonExtensibility*>(this);
      AddRef();
      return S_OK;
    }

    // IRibbonExtensibility: the customisation for one of Office's ribbons; an empty text for
    // none.
    HRESULT STDMETHODCALLTYPE GetCustomUI(BSTR ribbonId, BSTR* ribbonXml) noexcept override {
      if (!ribbonXml) return E_POINTER;
      *ribbonXml = nullptr;
      return ComEntry("GetCustomUI", [&] {
        std::string xml;
        const int32_t resourceId = Wrapper().Ribbon_GetCustomUI(FromBstr(ribbonId));
        if (resourceId != 0) {
          Attempt("GetCustomUI: resource", [&] { xml = CustomUIText(resourceId); });
        }
        *ribbonXml = Bstr(xml).Detach();
      });
    }

    // IDispatch: the callbacks by name, each with one object argument (the control, or the
    // ribbon for onLoad).
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) noexcept override {
      if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
      if (!names || !ids || count == 0) return E_INVALIDARG;
      ids[0] = CallbackId(names[0]);
      HRESULT hr = ids[0] == DISPID_UNKNOWN ? DISP_E_UNKNOWNNAME : S_OK;
      // A callback has no named arguments.
      for (UINT i = 1; i < count; ++i) {
        ids[i] = DISPID_UNKNOWN;
        hr = DISP_E_UNKNOWNNAME;
      }
      return hr;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID riid, LCID, WORD flags,
                                     DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                                     UINT* badArgument) noexcept override {
      if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
      if (member < kOnLoadExplorer || member > kGetImage || !(flags & DISPATCH_METHOD))
        return DISP_E_MEMBERNOTFOUND;
      if (!params || params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
      if (params->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
      const VARIANT* argument = InvokeArguments(params).At(0);
      const VARTYPE type = argument ? V_VT(argument) : VARTYPE{VT_EMPTY};
      IDispatch* object = nullptr;
      if (type == VT_DISPATCH) {
        object = V_DISPATCH(argument);
      } else if (type == (VT_DISPATCH | VT_BYREF) && V_DISPATCHREF(argument)) {
        object = *V_DISPATCHREF(argument);
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
    zormint::dsrWrapper& Wrapper() const noexcept { return *Owner().wrapper_; }

    // One callback. While the add-in is not connected none of them looks at Office's object or
    // reaches Outlook: they answer "disabled", "no picture", or do nothing. The adapters made
    // here are dropped before the callback returns, except the ribbon onLoad hands over.
    void Callback(DISPID member, IDispatch* object, VARIANT* result) {
      zormint::dsrWrapper& wrapper = Wrapper();
      if (!wrapper.RibbonConnected()) {
        if (result && member == kGetEnabled) *result = Variant::Bool(false).Detach();
        return;
      }
      switch (member) {
        case kOnLoadExplorer:
          return wrapper.Ribbon_OnLoad(ribbon::kExplorerRibbon, WrapRibbonUI(object));
        case kOnLoadMailRead:
          return wrapper.Ribbon_OnLoad(ribbon::kMailReadRibbon, WrapRibbonUI(object));
        case kGetEnabled: {
          const bool enabled = wrapper.Ribbon_GetEnabled(WrapRibbonControl(object));
          if (result) *result = Variant::Bool(enabled).Detach();
          return;
        }
        case kOnAction:
          return wrapper.Ribbon_OnAction(WrapRibbonControl(object));
        case kGetImage: {
          std::shared_ptr<host::Picture> picture =
              wrapper.Ribbon_GetImage(WrapRibbonControl(object));
          auto* com = dynamic_cast<ComPicture*>(picture.get());
          if (!result || !com) return;
          if (ComRef<IDispatch> image = ComRef<IPictureDisp>::Share(com->Get()).Query<IDispatch>())
            *result = Variant::Object(image.Get()).Detach();
          return;
        }
        default:
          return;
      }
    }
  };

  ~AddinObject() override {
    // The add-in goes first: its teardown may still call into Windows while the module is held.
    wrapper_.reset();
  }

  std::unique_ptr<zormint::dsrWrapper> wrapper_;
  Ribbon ribbon_{*this};
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

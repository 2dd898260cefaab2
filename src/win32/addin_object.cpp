#include "win32/addin_object.h"

#include <oleauto.h>

#include <atomic>
#include <memory>

#include "addin/dsr_wrapper.h"
#include "common/error.h"
#include "win32/host_adapters.h"
#include "win32/module.h"
#include "win32/services.h"
#include "win32/type_library.h"

namespace zormint::win32 {

namespace {

class AddinObject final : public IDTExtensibility2 {
 public:
  explicit AddinObject(std::unique_ptr<zormint::dsrWrapper> wrapper)
      : wrapper_(std::move(wrapper)) {
    ObjectCreated();
  }
  AddinObject(const AddinObject&) = delete;
  AddinObject& operator=(const AddinObject&) = delete;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IDTExtensibility2) {
      *object = static_cast<IDTExtensibility2*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  // IDispatch, driven by the type information of the embedded type library.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** typeInfo) override {
    if (!typeInfo) return E_POINTER;
    *typeInfo = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    HRESULT hr = EnsureTypeInfo();
    if (FAILED(hr)) return hr;
    typeInfo_->AddRef();
    *typeInfo = typeInfo_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    HRESULT hr = EnsureTypeInfo();
    if (FAILED(hr)) return hr;
    return DispGetIDsOfNames(typeInfo_, names, count, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception,
                                   UINT* badArgument) override {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    HRESULT hr = EnsureTypeInfo();
    if (FAILED(hr)) return hr;
    return DispInvoke(static_cast<IDTExtensibility2*>(this), typeInfo_, member, flags, params,
                      result, exception, badArgument);
  }

  // IDTExtensibility2
  HRESULT STDMETHODCALLTYPE OnConnection(IDispatch* application, ext_ConnectMode connectMode,
                                         IDispatch* /*addInInst*/,
                                         SAFEARRAY** /*custom*/) override {
    std::shared_ptr<host::Application> wrapped;
    // An Application that cannot be wrapped is one that cannot be read: the add-in then stays
    // dormant, as it does in an Outlook without an Explorer.
    Attempt([&] { wrapped = WrapApplication(application); });
    wrapper_->AddinInstance_OnConnection(wrapped, static_cast<int32_t>(connectMode));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnDisconnection(ext_DisconnectMode removeMode,
                                            SAFEARRAY** /*custom*/) override {
    wrapper_->AddinInstance_OnDisconnection(static_cast<int32_t>(removeMode));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY** /*custom*/) override {
    wrapper_->AddinInstance_OnAddInsUpdate();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY** /*custom*/) override {
    wrapper_->AddinInstance_OnStartupComplete();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY** /*custom*/) override {
    wrapper_->AddinInstance_OnBeginShutdown();
    return S_OK;
  }

 private:
  ~AddinObject() {
    // The add-in goes first: its teardown may still call into Windows while the module is held.
    wrapper_.reset();
    if (typeInfo_) typeInfo_->Release();
    ObjectDestroyed();
  }

  HRESULT EnsureTypeInfo() {
    if (typeInfo_) return S_OK;
    return LoadExtensibilityTypeInfo(&typeInfo_);
  }

  std::atomic<ULONG> references_{1};
  std::unique_ptr<zormint::dsrWrapper> wrapper_;
  ITypeInfo* typeInfo_ = nullptr;
};

}  // namespace

HRESULT CreateAddinObject(REFIID riid, void** object) noexcept {
  if (!object) return E_POINTER;
  *object = nullptr;
  AddinObject* addin = nullptr;
  try {
    addin = new AddinObject(std::make_unique<zormint::dsrWrapper>(MakeServices()));
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
  const HRESULT hr = addin->QueryInterface(riid, object);
  addin->Release();
  return hr;
}

}  // namespace zormint::win32

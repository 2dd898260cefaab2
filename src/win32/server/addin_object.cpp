#include "win32/server/addin_object.h"

#include <memory>

#include "addin/dsr_wrapper.h"
#include "common/error.h"
#include "win32/com/dispatch.h"
#include "win32/outlook/adapters.h"
#include "win32/server/services.h"
#include "win32/server/type_library.h"
#include "win32/services/trace_log.h"

namespace zormint::win32 {

namespace {

class AddinObject final
    : public DualObject<AddinObject, IDTExtensibility2, &IID_IDTExtensibility2> {
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

 private:
  friend class ComObject<AddinObject, IDTExtensibility2>;
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

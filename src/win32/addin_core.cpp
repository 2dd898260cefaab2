#include "win32/addin_core.h"

#include "common/error.h"
#include "win32/host_adapters.h"
#include "win32/services.h"

// ZORMINT_HAVE_ADDIN_CORE is defined by the build when the core's dsrWrapper is part of it.
#if ZORMINT_HAVE_ADDIN_CORE
#include "addin/dsr_wrapper.h"
#endif

namespace zormint::win32 {

namespace {

#if ZORMINT_HAVE_ADDIN_CORE

class DsrWrapperCore final : public AddinCore {
 public:
  DsrWrapperCore() : wrapper_(MakeServices()) {}

  void OnConnection(IDispatch* application, int32_t connectMode) noexcept override {
    std::shared_ptr<host::Application> wrapped;
    // A wrapper that cannot be made is an Application that cannot be read: the core then stays
    // dormant, as it does for an Outlook without an Explorer.
    Attempt([&] { wrapped = WrapApplication(application); });
    wrapper_.AddinInstance_OnConnection(wrapped, connectMode);
  }
  void OnDisconnection(int32_t removeMode) noexcept override {
    wrapper_.AddinInstance_OnDisconnection(removeMode);
  }
  void OnAddInsUpdate() noexcept override { wrapper_.AddinInstance_OnAddInsUpdate(); }
  void OnStartupComplete() noexcept override { wrapper_.AddinInstance_OnStartupComplete(); }
  void OnBeginShutdown() noexcept override { wrapper_.AddinInstance_OnBeginShutdown(); }

 private:
  zormint::dsrWrapper wrapper_;
};

#else

// Without the core the add-in object answers Outlook and does nothing.
class DsrWrapperCore final : public AddinCore {
 public:
  void OnConnection(IDispatch*, int32_t) noexcept override {}
  void OnDisconnection(int32_t) noexcept override {}
  void OnAddInsUpdate() noexcept override {}
  void OnStartupComplete() noexcept override {}
  void OnBeginShutdown() noexcept override {}
};

#endif

}  // namespace

std::unique_ptr<AddinCore> CreateAddinCore() {
  return std::make_unique<DsrWrapperCore>();
}

}  // namespace zormint::win32

#include "win32/host_adapters.h"

namespace zormint::win32 {

std::shared_ptr<host::Application> WrapApplication(IDispatch* /*application*/) {
  return nullptr;
}

}  // namespace zormint::win32

#include "win32/services.h"

namespace zormint::win32 {

Services MakeServices() {
  return Services{};
}

}  // namespace zormint::win32

#include "common/error.h"

#include <exception>
#include <new>

namespace zormint {

FailureInfo CaughtFailure() noexcept {
  FailureInfo failure{err::kEFail, std::string()};
  try {
    try {
      throw;
    } catch (const ZError& e) {
      failure.code = e.Code();
      failure.description = e.Description();
    } catch (const std::bad_alloc&) {
      failure.description = "Out of memory";
    } catch (const std::exception& e) {
      failure.description = e.what();
    } catch (...) {
      failure.description = "Unknown error";
    }
  } catch (...) {
    // No memory left even for the description: the code alone tells.
  }
  return failure;
}

}  // namespace zormint

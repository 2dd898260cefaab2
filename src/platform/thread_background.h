// Background work on threads of the C++ library: one thread per task, joined when the task is
// waited for or destroyed.
#pragma once

#include "platform/platform.h"

namespace zormint::platform {

class ThreadBackground : public Background {
 public:
  std::unique_ptr<Task> Start(std::function<void()> work) override;
};

}  // namespace zormint::platform

#include "platform/thread_background.h"

#include <system_error>
#include <thread>

#include "common/error.h"

namespace zormint::platform {

namespace {

class ThreadTask : public Background::Task {
 public:
  explicit ThreadTask(std::function<void()> work)
      : thread_([work = std::move(work)]() noexcept {
          try {
            work();
          } catch (...) {
            // The work traps its own failures; nothing may end the process from here.
          }
        }) {}
  ~ThreadTask() override { Wait(); }
  void Wait() override {
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
  }

 private:
  std::thread thread_;
};

}  // namespace

std::unique_ptr<Background::Task> ThreadBackground::Start(std::function<void()> work) {
  try {
    return std::make_unique<ThreadTask>(std::move(work));
  } catch (const std::system_error& e) {
    Fail(err::kCannotCreate, std::string("No thread could be started: ") + e.what());
  }
}

}  // namespace zormint::platform

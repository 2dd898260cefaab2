#include "common/trace.h"

#include <mutex>
#include <utility>

namespace zormint::trace {

namespace {

std::mutex gMutex;
std::shared_ptr<Sink> gSink;

}  // namespace

std::shared_ptr<Sink> SetSink(std::shared_ptr<Sink> sink) noexcept {
  std::lock_guard<std::mutex> lock(gMutex);
  return std::exchange(gSink, std::move(sink));
}

void Skipped(const char* step, int32_t code, const std::string& description) noexcept {
  std::shared_ptr<Sink> sink;
  {
    std::lock_guard<std::mutex> lock(gMutex);
    sink = gSink;
  }
  if (sink) sink->Skipped(step ? step : "", code, description);
}

}  // namespace zormint::trace

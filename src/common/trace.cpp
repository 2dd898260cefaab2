#include "common/trace.h"

#include <atomic>
#include <mutex>
#include <utility>

namespace zormint::trace {

namespace {

std::mutex gMutex;
std::shared_ptr<Sink> gSink;
std::atomic<uint64_t> gSkipped{0};

}  // namespace

std::shared_ptr<Sink> SetSink(std::shared_ptr<Sink> sink) noexcept {
  std::lock_guard<std::mutex> lock(gMutex);
  return std::exchange(gSink, std::move(sink));
}

void Skipped(const char* step, int32_t code, const std::string& description) noexcept {
  ++gSkipped;
  std::shared_ptr<Sink> sink;
  {
    std::lock_guard<std::mutex> lock(gMutex);
    sink = gSink;
  }
  if (sink) sink->Skipped(step ? step : "", code, description);
}

uint64_t SkippedCount() noexcept {
  return gSkipped.load();
}

}  // namespace zormint::trace

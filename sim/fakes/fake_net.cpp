#include "sim/fakes/fake_net.h"

namespace zormint::sim {

void FakeInternet::FailOn(const std::string& member, int nth, int32_t code,
                          const std::string& description) {
  failures_[member] = Failure{nth, code, description, 0};
}

void FakeInternet::Enter(const std::string& member) {
  if (faults_) faults_->Enter("Internet." + member);
  auto it = failures_.find(member);
  if (it == failures_.end()) return;
  Failure& failure = it->second;
  ++failure.seen;
  if (failure.nth == 0 || failure.seen == failure.nth) Fail(failure.code, failure.description);
}

std::vector<std::string> FakeInternet::CallNames() const {
  std::vector<std::string> names;
  names.reserve(calls_.size());
  for (const Call& call : calls_)
    names.push_back(call.member);
  return names;
}

size_t FakeInternet::CallCount(const std::string& member) const {
  size_t count = 0;
  for (const Call& call : calls_)
    count += call.member == member ? 1 : 0;
  return count;
}

size_t FakeInternet::OpenHandleCount() const {
  size_t count = 0;
  for (const auto& [handle, times] : open_)
    count += times;
  return count;
}

void FakeInternet::ClearCalls() {
  calls_.clear();
  closed_.clear();
}

// A call is recorded before it may fail, so that a test sees the arguments of a failing call
// too; a failing call hands out no handle.
bool FakeInternet::GetConnectedState() {
  calls_.push_back(Call{"GetConnectedState"});
  Enter("GetConnectedState");
  return connected_;
}

platform::Internet::Handle FakeInternet::Open(const std::string& agent, uint32_t accessType,
                                              uint32_t flags) {
  Call call{"Open"};
  call.agent = agent;
  call.accessType = accessType;
  call.flags = flags;
  calls_.push_back(call);
  Enter("Open");
  calls_.back().result = openAnswer_;
  if (openAnswer_ != 0) ++open_[openAnswer_];
  return openAnswer_;
}

platform::Internet::Handle FakeInternet::OpenUrl(Handle root, const std::string& url,
                                                 uint32_t flags) {
  Call call{"OpenUrl"};
  call.handle = root;
  call.url = url;
  call.flags = flags;
  calls_.push_back(call);
  Enter("OpenUrl");
  calls_.back().result = openUrlAnswer_;
  if (openUrlAnswer_ != 0) ++open_[openUrlAnswer_];
  return openUrlAnswer_;
}

void FakeInternet::CloseHandle(Handle handle) {
  Call call{"CloseHandle"};
  call.handle = handle;
  calls_.push_back(call);
  Enter("CloseHandle");
  closed_.push_back(handle);
  auto it = open_.find(handle);
  if (it != open_.end() && --it->second == 0) open_.erase(it);
}

void FakeEventLog::ReportError(const std::string& text) {
  if (faults_) faults_->Enter("EventLog.ReportError");
  entries_.push_back(text);
}

}  // namespace zormint::sim

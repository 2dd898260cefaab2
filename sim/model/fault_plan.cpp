#include "sim/model/fault_plan.h"

namespace zormint::sim {

void FaultPlan::FailMember(const std::string& member, int nth, int32_t code) {
  memberFaults_[member] = MemberFault{nth, code, 0};
}

void FaultPlan::FailCallNumber(size_t nth, int32_t code) {
  failCallNumber_ = nth;
  failCallCode_ = code;
}

void FaultPlan::ClearFaults() {
  memberFaults_.clear();
  failCallNumber_ = 0;
}

void FaultPlan::Enter(const std::string& member) {
  calls_.push_back(member);
  ++counts_[member];
  if (failCallNumber_ != 0 && calls_.size() == failCallNumber_) {
    ++injected_;
    throw ZError(failCallCode_, "Injected failure of " + member);
  }
  auto it = memberFaults_.find(member);
  if (it == memberFaults_.end()) return;
  MemberFault& fault = it->second;
  ++fault.seen;
  if (fault.nth == 0 || fault.seen == fault.nth) {
    ++injected_;
    throw ZError(fault.code, "Injected failure of " + member);
  }
}

size_t FaultPlan::CallCount(const std::string& member) const {
  auto it = counts_.find(member);
  return it == counts_.end() ? 0 : it->second;
}

void FaultPlan::ClearCalls() {
  calls_.clear();
  counts_.clear();
}

}  // namespace zormint::sim

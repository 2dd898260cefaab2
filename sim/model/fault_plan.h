// Fault injection and the record of calls, shared by the simulated Outlook and the fake
// platform services.
//
// Every simulated host or platform call enters the plan with its member name, written
// "<Object>.<Member>" with the published names ("Attachment.FileName", "Explorers.Count",
// "CommandBarButton.Enabled" for a property put, "Explorer.Advise", "FileSystem.CreateFolder",
// "Launcher.ShellExecute" ...). The plan records the call and throws a ZError when the call is
// planned to fail.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "common/error.h"

namespace zormint::sim {

class FaultPlan {
 public:
  // Makes a member fail: on every call (nth == 0) or only on its nth call (1-based, counted
  // from now on).
  void FailMember(const std::string& member, int nth = 0, int32_t code = err::kEFail);
  // Makes the nth call overall (1-based, counted from the last ClearCalls) fail, whatever its
  // member: the building block of fault sweeps.
  void FailCallNumber(size_t nth, int32_t code = err::kEFail);
  // Forgets every planned failure.
  void ClearFaults();

  // Records the call; throws ZError when it is planned to fail.
  void Enter(const std::string& member);

  const std::vector<std::string>& Calls() const { return calls_; }
  size_t CallCount(const std::string& member) const;
  void ClearCalls();
  // The number of failures injected so far.
  size_t InjectedCount() const { return injected_; }

 private:
  struct MemberFault {
    int nth = 0;
    int32_t code = err::kEFail;
    int seen = 0;
  };
  std::map<std::string, MemberFault> memberFaults_;
  size_t failCallNumber_ = 0;
  int32_t failCallCode_ = err::kEFail;
  std::vector<std::string> calls_;
  std::map<std::string, size_t> counts_;
  size_t injected_ = 0;
};

}  // namespace zormint::sim

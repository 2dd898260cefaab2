// Fake internet functions and application event log, for tests of the connectivity probe and
// of what uses it.
//
// FakeInternet answers from settings (is a connection reported, which handle Open and OpenUrl
// hand out) and records every call with its arguments, in order. It never touches the network.
// Each call first enters the optional FaultPlan as "Internet.<Member>" (GetConnectedState, Open,
// OpenUrl, CloseHandle), and can also be made to fail on its own with FailOn.
//
// FakeEventLog records the text of every entry; it enters the optional FaultPlan as
// "EventLog.ReportError".
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "sim/model/fault_plan.h"

namespace zormint::sim {

class FakeInternet : public platform::Internet {
 public:
  explicit FakeInternet(FaultPlan* faults = nullptr) : faults_(faults) {}

  // One call as the probe made it. Fields that the member does not take stay empty or 0.
  struct Call {
    std::string member;       // "GetConnectedState", "Open", "OpenUrl" or "CloseHandle"
    std::string agent;        // Open
    uint32_t accessType = 0;  // Open
    uint32_t flags = 0;       // Open, OpenUrl
    Handle handle = 0;        // OpenUrl: the root handle; CloseHandle: the handle closed
    std::string url;          // OpenUrl
    Handle result = 0;        // Open, OpenUrl: the handle handed out
  };

  // ---- Answers ----------------------------------------------------------------------------
  // Whether the system reports an internet connection (false at first).
  void SetConnected(bool connected) { connected_ = connected; }
  // The handle Open hands out; 0 makes Open fail as the real function does.
  void SetOpenAnswer(Handle root) { openAnswer_ = root; }
  // The handle OpenUrl hands out; 0 means the server could not be reached.
  void SetOpenUrlAnswer(Handle request) { openUrlAnswer_ = request; }
  // Makes a member ("Open", ...) throw ZError: on every call (nth == 0) or only on its nth call
  // from now on (1-based).
  void FailOn(const std::string& member, int nth = 0, int32_t code = err::kEFail,
              const std::string& description = "Simulated internet failure");
  void ClearFailures() { failures_.clear(); }

  // ---- Record -----------------------------------------------------------------------------
  const std::vector<Call>& Calls() const { return calls_; }
  std::vector<std::string> CallNames() const;
  size_t CallCount(const std::string& member) const;
  // Every handle CloseHandle closed, in order (0 included). A close made to fail is not listed
  // here (it is in Calls()) and its handle stays open.
  const std::vector<Handle>& ClosedHandles() const { return closed_; }
  // Non-zero handles handed out by Open or OpenUrl and not closed since.
  size_t OpenHandleCount() const;
  void ClearCalls();

  // ---- platform::Internet -----------------------------------------------------------------
  bool GetConnectedState() override;
  Handle Open(const std::string& agent, uint32_t accessType, uint32_t flags) override;
  Handle OpenUrl(Handle root, const std::string& url, uint32_t flags) override;
  void CloseHandle(Handle handle) override;

 private:
  struct Failure {
    int nth = 0;
    int32_t code = err::kEFail;
    std::string description;
    int seen = 0;
  };
  void Enter(const std::string& member);

  FaultPlan* faults_;
  bool connected_ = false;
  Handle openAnswer_ = 0x1000;
  Handle openUrlAnswer_ = 0x2000;
  std::map<std::string, Failure> failures_;
  std::vector<Call> calls_;
  std::vector<Handle> closed_;
  std::map<Handle, size_t> open_;  // handle -> how many times handed out and not closed
};

class FakeEventLog : public platform::EventLog {
 public:
  explicit FakeEventLog(FaultPlan* faults = nullptr) : faults_(faults) {}

  const std::vector<std::string>& Entries() const { return entries_; }
  void Clear() { entries_.clear(); }

  void ReportError(const std::string& text) override;

 private:
  FaultPlan* faults_;
  std::vector<std::string> entries_;
};

}  // namespace zormint::sim

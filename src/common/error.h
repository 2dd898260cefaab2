// One failure type for every host and platform call, and the two error modes the add-in uses.
//
// Host calls (Outlook over COM) and platform calls (file system, registry, shell, WinInet ...)
// report a failure by throwing ZError. The add-in's operations never let anything escape to
// Outlook: each operation either
//   - skips a failing step and goes on with the next one (one Attempt per step), or
//   - stops at its first failure and keeps what it did (one Attempt around all steps).
// Either way the swallowed failure goes to the trace (common/trace.h) with the step's name.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>

#include "common/trace.h"

namespace zormint {

// HRESULT-like codes. COM failures keep their HRESULT; the add-in's own failures use the
// run-time error numbers a VB-style host reports (they print as small decimal numbers).
namespace err {
constexpr int32_t kInvalidCall = 5;          // invalid procedure call or argument
constexpr int32_t kOverflow = 6;             // counter or number out of range
constexpr int32_t kSubscriptOutOfRange = 9;  // index or key out of range
constexpr int32_t kTypeMismatch = 13;        // an object of an unexpected kind
constexpr int32_t kBadFileName = 52;         // a file name no file system can hold
constexpr int32_t kFileNotFound = 53;
constexpr int32_t kPermissionDenied = 70;
constexpr int32_t kPathFileAccess = 75;
constexpr int32_t kPathNotFound = 76;
constexpr int32_t kObjectNotSet = 91;   // a reference that is none
constexpr int32_t kDuplicateKey = 457;  // key already present in a keyed collection
constexpr int32_t kCannotCreate = 429;  // an object cannot be created
// COM failures that Outlook and Wine return.
constexpr int32_t kEFail = static_cast<int32_t>(0x80004005u);
constexpr int32_t kENoInterface = static_cast<int32_t>(0x80004002u);
constexpr int32_t kDispTypeMismatch = static_cast<int32_t>(0x80020005u);
constexpr int32_t kDispException = static_cast<int32_t>(0x80020009u);
constexpr int32_t kDispUnknownName = static_cast<int32_t>(0x80020006u);
constexpr int32_t kCallRejected = static_cast<int32_t>(0x80010001u);
}  // namespace err

class ZError : public std::runtime_error {
 public:
  ZError(int32_t code, std::string description)
      : std::runtime_error(description), code_(code), description_(std::move(description)) {}

  int32_t Code() const noexcept { return code_; }
  const std::string& Description() const noexcept { return description_; }
  bool IsTypeMismatch() const noexcept {
    return code_ == err::kTypeMismatch || code_ == err::kDispTypeMismatch ||
           code_ == err::kENoInterface;
  }

 private:
  int32_t code_;
  std::string description_;
};

[[noreturn]] inline void Fail(int32_t code, std::string description) {
  throw ZError(code, std::move(description));
}

// An object that must be there (a process-wide object, or what a host call handed back),
// failing like a call on a reference that is none. The caller holds a reference of its own for
// the length of the expression, so an object that a re-entrant event releases meanwhile (a
// disconnection inside a message pump) stays alive until the call returns.
template <class T>
std::shared_ptr<T> Require(const std::shared_ptr<T>& object, const char* name) {
  if (!object) Fail(err::kObjectNotSet, std::string("Object variable not set: ") + name);
  return object;
}

// What a caught failure was, for the few places that report it (the probe's event log entry).
struct FailureInfo {
  int32_t code = 0;
  std::string description;
};

// The failure in flight, described. Call only from a catch block.
FailureInfo CaughtFailure() noexcept;

// Runs `step` and swallows any failure, which goes to the trace under the name `name` (a string
// literal: "CZormint.Initialize: ActiveExplorer"). Returns true when the step completed.
template <class F>
bool Attempt(const char* name, F&& step) noexcept {
  try {
    step();
    return true;
  } catch (...) {
    const FailureInfo failure = CaughtFailure();
    trace::Skipped(name, failure.code, failure.description);
    return false;
  }
}

// As Attempt, and tells what the failure was.
template <class F>
bool Attempt(const char* name, F&& step, FailureInfo& failure) noexcept {
  try {
    step();
    return true;
  } catch (...) {
    failure = CaughtFailure();
    trace::Skipped(name, failure.code, failure.description);
    return false;
  }
}

}  // namespace zormint

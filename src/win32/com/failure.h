// Failures across the boundary between the add-in and Windows, both ways:
//   - a failed Windows or COM call becomes the add-in's failure type (ZError), with the
//     system's own words for what went wrong and, for Automation, the exception the callee
//     raised;
//   - a failure inside code that Windows or COM calls (a COM method, a window or dialog
//     procedure, a callback) never unwinds into the caller's frames: the guards below turn any
//     exception into an HRESULT or a safe return value.
#pragma once

// First: see win32_windows.h.
#include "win32/com/win32_windows.h"

#include <oaidl.h>

#include <cstdint>
#include <new>
#include <string>
#include <type_traits>

#include "common/error.h"

namespace zormint::win32 {

// ---- Windows and COM failures as ZError ---------------------------------------------------------

// The system's message for a Windows error code or HRESULT, in UTF-8, without the trailing line
// break; "error <n>" when the system has none.
std::string SystemMessage(DWORD error);

// Throws ZError with `code` and a description of the form "<what>: <path> (<system message>)".
[[noreturn]] void FailWithSystemError(int32_t code, const std::string& what,
                                      const std::string& path, DWORD error);

// The HRESULT of a Windows error code, as COM reports it (0x8007xxxx).
inline int32_t HresultOf(DWORD error) {
  return static_cast<int32_t>(HRESULT_FROM_WIN32(error));
}

// Throws the ZError for a failed call of `what` ("Explorer.Selection"). For DISP_E_EXCEPTION
// the callee's exception decides the code (its scode, else its wCode) and gives the
// description; its deferred fill-in is run first. The caller still owns `exception`'s strings.
[[noreturn]] void ThrowCallFailure(HRESULT hr, const std::string& what,
                                   EXCEPINFO* exception = nullptr);

// The EXCEPINFO a caller hands to IDispatch::Invoke, owning the strings the callee fills in:
// they are freed when the call is done with, whatever the outcome.
class ExceptionInfo {
 public:
  ExceptionInfo() noexcept : info_{} {}
  ExceptionInfo(const ExceptionInfo&) = delete;
  ExceptionInfo& operator=(const ExceptionInfo&) = delete;
  ~ExceptionInfo() { Clear(); }
  EXCEPINFO* Ptr() noexcept { return &info_; }
  const EXCEPINFO& Get() const noexcept { return info_; }
  // Hands the strings on to `to` (an EXCEPINFO the caller owns), leaving this one empty.
  void MoveTo(EXCEPINFO& to) noexcept {
    to = info_;
    info_ = EXCEPINFO{};
  }
  void Clear() noexcept {
    SysFreeString(info_.bstrSource);
    SysFreeString(info_.bstrDescription);
    SysFreeString(info_.bstrHelpFile);
    info_ = EXCEPINFO{};
  }

 private:
  EXCEPINFO info_;
};

// Throws the ZError for `hr` when it is a failure (as ThrowCallFailure); does nothing otherwise.
inline void ThrowIfFailed(HRESULT hr, const std::string& what, EXCEPINFO* exception = nullptr) {
  if (FAILED(hr)) ThrowCallFailure(hr, what, exception);
}

// ---- Exceptions as HRESULTs ---------------------------------------------------------------------

// The HRESULT a ZError code stands for: HRESULTs stay as they are; the run-time error numbers
// become the HRESULTs Automation maps to them (9 DISP_E_BADINDEX, 13 DISP_E_TYPEMISMATCH ...),
// others the FACILITY_CONTROL form a VB-style component uses.
HRESULT HresultFromCode(int32_t code) noexcept;

// What the exception in flight is: its HRESULT and description. Call only from a catch block.
struct HresultFailure {
  HRESULT hr = E_UNEXPECTED;
  std::string description;
};
HresultFailure DescribeCaught() noexcept;

// Reports an exception stopped at an entry point to the trace of skipped failures.
void NoteStoppedFailure(const char* where, const HresultFailure& failure) noexcept;

// Runs the body of an entry point that COM calls and returns its HRESULT: the body's own
// (when it returns one) or S_OK, and for any exception the HRESULT it stands for
// (E_OUTOFMEMORY for std::bad_alloc). `where` names the entry point ("AddinObject.OnConnection").
template <class F>
HRESULT ComEntry(const char* where, F&& body) noexcept {
  try {
    if constexpr (std::is_same_v<decltype(body()), void>) {
      body();
      return S_OK;
    } else {
      return body();
    }
  } catch (...) {
    const HresultFailure failure = DescribeCaught();
    NoteStoppedFailure(where, failure);
    return failure.hr;
  }
}

// Runs the body of a procedure that Windows calls (a window or dialog procedure, an enumeration
// callback, a hook) and returns its result, or `fallback` when anything is thrown.
template <class R, class F>
R GuardedCall(const char* where, R fallback, F&& body) noexcept {
  try {
    return body();
  } catch (...) {
    NoteStoppedFailure(where, DescribeCaught());
    return fallback;
  }
}

}  // namespace zormint::win32

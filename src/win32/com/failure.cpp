#include "win32/com/failure.h"

#include <cstdio>
#include <exception>

#include "common/trace.h"
#include "win32/com/text.h"

namespace zormint::win32 {

namespace {

// The system's text for `error`, without the line end; empty when there is none.
std::string SystemText(DWORD error) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = length && buffer ? std::wstring(buffer, length) : std::wstring();
  if (buffer) LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
    text.pop_back();
  }
  return Narrow(text);
}

std::string Hex(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
  return text;
}

}  // namespace

std::string SystemMessage(DWORD error) {
  std::string text = SystemText(error);
  if (text.empty()) return "error " + std::to_string(error);
  return text;
}

void FailWithSystemError(int32_t code, const std::string& what, const std::string& path,
                         DWORD error) {
  std::string description = what;
  if (!path.empty()) description += ": " + path;
  description += " (" + SystemMessage(error) + ")";
  Fail(code, std::move(description));
}

void ThrowCallFailure(HRESULT hr, const std::string& what, EXCEPINFO* exception) {
  int32_t code = static_cast<int32_t>(hr);
  std::string description;
  if (exception && hr == DISP_E_EXCEPTION) {
    if (exception->pfnDeferredFillIn) {
      exception->pfnDeferredFillIn(exception);
      exception->pfnDeferredFillIn = nullptr;
    }
    if (FAILED(exception->scode)) {
      code = static_cast<int32_t>(exception->scode);
    } else if (exception->wCode != 0) {
      code = exception->wCode;
    }
    description = FromBstr(exception->bstrDescription);
  }
  if (description.empty()) {
    description = what + " failed with " + Hex(static_cast<HRESULT>(code));
    const std::string system = SystemText(static_cast<DWORD>(code));
    if (!system.empty()) description += ": " + system;
  }
  throw ZError(code, description);
}

HRESULT HresultFromCode(int32_t code) noexcept {
  if (code < 0) return static_cast<HRESULT>(code);
  switch (code) {
    case 0:
      return E_FAIL;  // a failure without a code is still a failure
    case err::kInvalidCall:
      return E_INVALIDARG;
    case err::kOverflow:
      return DISP_E_OVERFLOW;
    case err::kSubscriptOutOfRange:
      return DISP_E_BADINDEX;
    case err::kTypeMismatch:
      return DISP_E_TYPEMISMATCH;
    case err::kFileNotFound:
      return STG_E_FILENOTFOUND;
    case err::kPermissionDenied:
      return E_ACCESSDENIED;
    case err::kPathFileAccess:
      return STG_E_ACCESSDENIED;
    case err::kPathNotFound:
      return STG_E_PATHNOTFOUND;
    default:
      return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, code & 0xFFFF);
  }
}

HresultFailure DescribeCaught() noexcept {
  HresultFailure failure;
  try {
    try {
      throw;
    } catch (const ZError& e) {
      failure.hr = HresultFromCode(e.Code());
      failure.description = e.Description();
    } catch (const std::bad_alloc&) {
      failure.hr = E_OUTOFMEMORY;
      failure.description = "Out of memory";
    } catch (const std::exception& e) {
      failure.hr = E_FAIL;
      failure.description = e.what();
    } catch (...) {
      failure.hr = E_UNEXPECTED;
      failure.description = "Unknown failure";
    }
  } catch (...) {
    // No memory left even for the description.
    failure.hr = E_OUTOFMEMORY;
  }
  return failure;
}

void NoteStoppedFailure(const char* where, const HresultFailure& failure) noexcept {
  trace::Skipped(where, static_cast<int32_t>(failure.hr), failure.description);
}

}  // namespace zormint::win32

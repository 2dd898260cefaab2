// A late-bound COM client for the tests of the simulated Outlook: calls by member name through
// IDispatch, seen as Invoke answers them (HRESULT and EXCEPINFO), reads through the toolkit's
// late-bound caller, and an event sink that records what it receives.
#pragma once

#include <gtest/gtest.h>
#include <ocidl.h>
#include <olectl.h>
#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "outlook_sim_idl.h"
#include "win32/com/com_ref.h"
#include "win32/com/dispatch.h"
#include "win32/com/object.h"
#include "win32/com/variant.h"

namespace zormint::wine_test::outlook {

using win32::ComRef;
using win32::Variant;

// The DISPID of a member name, or DISPID_UNKNOWN.
DISPID IdOf(IDispatch* object, const wchar_t* name);

// What Invoke answered: its HRESULT, the exception's code and description, the result.
struct CallResult {
  HRESULT hr = E_FAIL;
  SCODE scode = S_OK;
  std::string description;  // UTF-8
  Variant value;
};

// Calls a member by name: arguments in their natural order (they are reversed for Invoke); a
// property put passes its value as the named argument DISPID_PROPERTYPUT.
CallResult Call(IDispatch* object, const wchar_t* name, WORD flags,
                std::initializer_list<Variant> args = {});
// A property or method that returns an object; fails the test when it cannot be read.
ComRef<IDispatch> Object(IDispatch* object, const wchar_t* name,
                         std::initializer_list<Variant> args = {});
// Reads through the late-bound caller; a failure throws (and fails the test).
int32_t Number(IDispatch* object, const wchar_t* name);
std::string String(IDispatch* object, const wchar_t* name);
// A property put.
HRESULT Put(IDispatch* object, const wchar_t* name, Variant value,
            WORD flags = DISPATCH_PROPERTYPUT);

// An event sink that answers IUnknown, IDispatch and one event interface, and records each
// call (dispatch id and the arguments as COM passed them, in reverse order).
class RecordingSink final : public win32::UntypedDispatch<RecordingSink> {
 public:
  struct Event {
    DISPID id;
    std::vector<VARTYPE> types;  // of rgvarg, in the order COM passed them
    ComRef<IDispatch> object;    // the first VT_DISPATCH argument, if any
  };

  explicit RecordingSink(REFIID events) : iid_(events) {}
  using ComObject::References;
  void* QueryMore(REFIID riid) noexcept {
    return IsEqualIID(riid, iid_) ? static_cast<IDispatch*>(this) : nullptr;
  }

  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO*, UINT*) noexcept override;

  // Connects to `source`'s connection point for the sink's event interface.
  HRESULT Connect(IDispatch* source);
  HRESULT Disconnect();

  std::vector<Event> events;
  // What the next calls do: set a by-reference Cancel flag, answer a failure.
  bool setCancel = false;
  HRESULT answer = S_OK;

 private:
  IID iid_;
  ComRef<IConnectionPoint> point_;
  DWORD cookie_ = 0;
};

}  // namespace zormint::wine_test::outlook

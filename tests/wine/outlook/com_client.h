// A small late-bound COM client for the tests of the simulated Outlook: calls by member name
// through IDispatch, and an event sink that records what it receives.
#pragma once

#include <gtest/gtest.h>
#include <ocidl.h>
#include <olectl.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "outlook_sim_idl.h"
#include "sim/com/com_object.h"

namespace zormint::wine_test::outlook {

using sim::com::Ref;

// A VARIANT that clears itself.
struct Var {
  VARIANT v;
  Var() { VariantInit(&v); }
  Var(const Var&) = delete;
  Var& operator=(const Var&) = delete;
  ~Var() { VariantClear(&v); }
};

VARIANT Long(long value);
VARIANT Short(short value);
VARIANT Bool(bool value);
VARIANT Text(const wchar_t* text);  // the caller clears it (VariantClear)
VARIANT Missing();                  // an omitted optional argument

DISPID IdOf(IDispatch* object, const wchar_t* name);

struct CallResult {
  HRESULT hr = E_FAIL;
  EXCEPINFO exception = {};
  Var value;
  CallResult() = default;
  CallResult(const CallResult&) = delete;
  ~CallResult();
  std::wstring Description() const;
};

// Calls a member by name: arguments in their natural order (they are reversed for Invoke).
void Call(CallResult& result, IDispatch* object, const wchar_t* name, WORD flags,
          std::vector<VARIANT> args = {});
// A property or method that returns an object; fails the test when it cannot be read.
Ref<IDispatch> Object(IDispatch* object, const wchar_t* name, std::vector<VARIANT> args = {});
long Number(IDispatch* object, const wchar_t* name);
std::wstring String(IDispatch* object, const wchar_t* name);
// A property put (the value is cleared afterwards).
HRESULT Put(IDispatch* object, const wchar_t* name, VARIANT value,
            WORD flags = DISPATCH_PROPERTYPUT);

// An event sink that answers IUnknown, IDispatch and one event interface, and records each
// call (dispatch id and the arguments as COM passed them, in reverse order).
class RecordingSink final : public IDispatch {
 public:
  struct Event {
    DISPID id;
    std::vector<VARTYPE> types;  // of rgvarg, in the order COM passed them
    Ref<IDispatch> object;       // the first VT_DISPATCH argument, if any
  };

  static Ref<RecordingSink> Make(REFIID events);

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO*, UINT*) override;

  // Connects to `source`'s connection point for the sink's event interface.
  HRESULT Connect(IDispatch* source);
  HRESULT Disconnect();

  std::vector<Event> events;
  // What the next calls do: set a by-reference Cancel flag, answer a failure.
  bool setCancel = false;
  HRESULT answer = S_OK;
  ULONG References() const { return references_; }

 private:
  explicit RecordingSink(REFIID events) : iid_(events) {}
  ~RecordingSink() = default;
  IID iid_;
  ULONG references_ = 1;
  Ref<IConnectionPoint> point_;
  DWORD cookie_ = 0;
};

}  // namespace zormint::wine_test::outlook

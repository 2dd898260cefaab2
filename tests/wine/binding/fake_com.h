// A hand-made host, for what the simulated Outlook never sends or answers (odd arguments, odd
// answers, refused connections), on the COM toolkit: an IDispatch over a small table of names
// with a handler per DISPID, that records every call it gets; connection points that keep the
// sinks connected to them and fire events at them; a type description that only tells its GUID;
// an enumerator of VARIANTs. The test owns each one (they live on its stack or in its fixture)
// and holds its first reference, so a count back at 1 means every reference the code under test
// took was released.
#pragma once

#include <ocidl.h>
#include <olectl.h>
#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "win32/com/com_ref.h"
#include "win32/com/object.h"
#include "win32/com/variant.h"

namespace zormint::wine_test {

using win32::ComRef;
using win32::Variant;

// The text of a VT_BSTR value; empty for any other value.
std::wstring TextOf(const VARIANT& value);
// The values as a list (a VARIANT cannot be copied into an initializer list).
template <class... Values>
std::vector<Variant> ListOf(Values&&... values) {
  std::vector<Variant> list;
  (list.push_back(std::forward<Values>(values)), ...);
  return list;
}

// A GUID no other test uses: the name cache is shared by the whole process.
GUID FreshGuid();

// The base of every fake: the toolkit's IUnknown, with the count in view.
template <class Derived, class... Interfaces>
class Fake : public win32::ComObject<Derived, Interfaces...> {
 public:
  using win32::ComObject<Derived, Interfaces...>::References;
};

class FakeTypeInfo final : public Fake<FakeTypeInfo, ITypeInfo> {
 public:
  explicit FakeTypeInfo(const GUID& type) : type_(type) {}
  int attributesOut = 0;  // GetTypeAttr calls not yet matched by ReleaseTypeAttr

  HRESULT STDMETHODCALLTYPE GetTypeAttr(TYPEATTR** attributes) override;
  void STDMETHODCALLTYPE ReleaseTypeAttr(TYPEATTR* attributes) override;
  HRESULT STDMETHODCALLTYPE GetTypeComp(ITypeComp**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetFuncDesc(UINT, FUNCDESC**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetVarDesc(UINT, VARDESC**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetNames(MEMBERID, BSTR*, UINT, UINT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetRefTypeOfImplType(UINT, HREFTYPE*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetImplTypeFlags(UINT, INT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(LPOLESTR*, UINT, MEMBERID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(PVOID, MEMBERID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetDocumentation(MEMBERID, BSTR*, BSTR*, DWORD*, BSTR*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetDllEntry(MEMBERID, INVOKEKIND, BSTR*, BSTR*, WORD*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetRefTypeInfo(HREFTYPE, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE AddressOfMember(MEMBERID, INVOKEKIND, PVOID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID, PVOID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMops(MEMBERID, BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetContainingTypeLib(ITypeLib**, UINT*) override { return E_NOTIMPL; }
  void STDMETHODCALLTYPE ReleaseFuncDesc(FUNCDESC*) override {}
  void STDMETHODCALLTYPE ReleaseVarDesc(VARDESC*) override {}

 private:
  GUID type_;
};

// One call an object received.
struct Invocation {
  DISPID id = DISPID_UNKNOWN;
  WORD flags = 0;
  std::vector<Variant> args;  // as DISPPARAMS held them: last argument first
  std::vector<DISPID> named;
  bool wantsResult = false;
};

class FakeObject;

// A connection point of one event interface.
class FakeConnectionPoint final : public Fake<FakeConnectionPoint, IConnectionPoint> {
 public:
  FakeConnectionPoint(FakeObject& owner, const IID& events) : owner_(owner), events_(events) {}

  HRESULT adviseResult = S_OK;
  HRESULT unadviseResult = S_OK;
  int advises = 0;
  int unadvises = 0;
  std::map<DWORD, ComRef<IUnknown>> sinks;  // each as the event interface, an IDispatch

  // Calls every connected sink with `args` in the event's published order; the last HRESULT.
  HRESULT Fire(DISPID id, std::vector<VARIANT> args = {});
  // The sink connected first, as the host holds it.
  IUnknown* FirstSink() const { return sinks.empty() ? nullptr : sinks.begin()->second.Get(); }

  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override;
  HRESULT STDMETHODCALLTYPE
  GetConnectionPointContainer(IConnectionPointContainer** container) override;
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

 private:
  FakeObject& owner_;
  IID events_;
  DWORD next_ = 100;
};

class FakeObject final : public Fake<FakeObject, IDispatch> {
 public:
  using Handler = std::function<HRESULT(const Invocation&, VARIANT* result, EXCEPINFO*)>;

  // With `type`, the object describes itself by a type with that GUID.
  explicit FakeObject(const GUID* type = nullptr);
  ~FakeObject() override;

  // Members. DISPIDs are given by the test (Outlook's are not DISPID_VALUE for Item).
  void On(const std::wstring& name, DISPID id, Handler handler);
  void ReturnsValue(const std::wstring& name, DISPID id, std::function<Variant()> value);
  void ReturnsInt(const std::wstring& name, DISPID id, int32_t value, VARTYPE type = VT_I4);
  void ReturnsObject(const std::wstring& name, DISPID id, IDispatch* object);  // may be null
  void Accepts(const std::wstring& name, DISPID id);                           // S_OK, no result
  // Another interface the object answers QueryInterface for (a button's _CommandBarButton).
  void AlsoIs(const IID& iid) { extra_.push_back(iid); }
  FakeConnectionPoint& Events(const IID& events);

  std::vector<Invocation> calls;
  std::map<std::wstring, int> lookups;  // GetIDsOfNames per name
  const Invocation& Last() const { return calls.back(); }
  int CallsOf(DISPID id) const;
  FakeTypeInfo* TypeInfo() const { return typeInfo_.get(); }
  IDispatch* Dispatch() { return this; }
  IConnectionPointContainer* Container() { return &container_; }
  // The extra interfaces, and the connection-point container once the object has events.
  void* QueryMore(REFIID riid) noexcept;

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception, UINT*) override;

 private:
  class Points final : public win32::ComPart<FakeObject, IConnectionPointContainer> {
   public:
    using ComPart::ComPart;
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints**) override {
      return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** point) override;
  };

  std::unique_ptr<FakeTypeInfo> typeInfo_;
  std::map<std::wstring, DISPID> names_;
  std::map<DISPID, Handler> handlers_;
  std::vector<IID> extra_;
  std::vector<std::pair<IID, std::unique_ptr<FakeConnectionPoint>>> points_;
  Points container_{*this};
};

class FakeEnum final : public Fake<FakeEnum, IEnumVARIANT> {
 public:
  explicit FakeEnum(std::vector<Variant> elements) : elements_(std::move(elements)) {}

  HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* out, ULONG* fetched) override;
  // The add-in only walks forward, once.
  HRESULT STDMETHODCALLTYPE Skip(ULONG) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Reset() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT**) override { return E_NOTIMPL; }

 private:
  std::vector<Variant> elements_;
  size_t next_ = 0;
};

}  // namespace zormint::wine_test

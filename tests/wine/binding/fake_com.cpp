#include "binding/fake_com.h"

#include <stdexcept>

namespace zormint::wine_test {

std::wstring TextOf(const VARIANT& value) {
  if (V_VT(&value) != VT_BSTR || !V_BSTR(&value)) return std::wstring();
  return std::wstring(V_BSTR(&value), SysStringLen(V_BSTR(&value)));
}

GUID FreshGuid() {
  GUID guid = {};
  if (FAILED(CoCreateGuid(&guid))) throw std::runtime_error("CoCreateGuid failed");
  return guid;
}

// ---- FakeTypeInfo -----------------------------------------------------------------------------

HRESULT FakeTypeInfo::GetTypeAttr(TYPEATTR** attributes) {
  auto* made = new TYPEATTR();
  made->guid = type_;
  made->typekind = TKIND_DISPATCH;
  *attributes = made;
  ++attributesOut;
  return S_OK;
}

void FakeTypeInfo::ReleaseTypeAttr(TYPEATTR* attributes) {
  delete attributes;
  --attributesOut;
}

// ---- FakeConnectionPoint ----------------------------------------------------------------------

HRESULT FakeConnectionPoint::Fire(DISPID id, std::vector<VARIANT> args) {
  // As a host does: through the event interface pointer it got at Advise, adding no reference
  // of its own for the call, so a handler that disconnects itself finds only what it holds.
  std::vector<IDispatch*> targets;
  for (auto& [cookie, sink] : sinks)
    targets.push_back(static_cast<IDispatch*>(static_cast<void*>(sink.Get())));
  std::vector<VARIANT> reversed(args.rbegin(), args.rend());
  HRESULT hr = S_OK;
  for (IDispatch* target : targets) {
    DISPPARAMS params = {reversed.empty() ? nullptr : reversed.data(), nullptr,
                         static_cast<UINT>(reversed.size()), 0};
    hr = target->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
  }
  return hr;
}

HRESULT FakeConnectionPoint::GetConnectionInterface(IID* iid) {
  *iid = events_;
  return S_OK;
}

HRESULT FakeConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** container) {
  return ComRef<IConnectionPointContainer>::Share(owner_.Container()).CopyTo(container);
}

HRESULT FakeConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
  ++advises;
  if (FAILED(adviseResult)) return adviseResult;
  // As Outlook does: the sink must speak the event interface.
  ComRef<IUnknown> events;
  if (FAILED(sink->QueryInterface(events_, events.OutVoid()))) {
    return CONNECT_E_CANNOTCONNECT;
  }
  *cookie = next_++;
  sinks[*cookie] = std::move(events);
  return S_OK;
}

HRESULT FakeConnectionPoint::Unadvise(DWORD cookie) {
  ++unadvises;
  if (FAILED(unadviseResult)) return unadviseResult;
  auto found = sinks.find(cookie);
  if (found == sinks.end()) return CONNECT_E_NOCONNECTION;
  ComRef<IUnknown> sink = std::move(found->second);  // let go of once the map is whole again
  sinks.erase(found);
  return S_OK;
}

// ---- FakeObject -------------------------------------------------------------------------------

FakeObject::FakeObject(const GUID* type) {
  if (type) typeInfo_ = std::make_unique<FakeTypeInfo>(*type);
}

FakeObject::~FakeObject() = default;

void FakeObject::On(const std::wstring& name, DISPID id, Handler handler) {
  names_[name] = id;
  handlers_[id] = std::move(handler);
}

void FakeObject::ReturnsValue(const std::wstring& name, DISPID id, std::function<Variant()> value) {
  On(name, id, [value](const Invocation&, VARIANT* result, EXCEPINFO*) {
    if (!result) return E_INVALIDARG;
    *result = value().Detach();
    return S_OK;
  });
}

void FakeObject::ReturnsInt(const std::wstring& name, DISPID id, int32_t value, VARTYPE type) {
  ReturnsValue(name, id, [value, type] { return Variant::Int(value, type); });
}

void FakeObject::ReturnsObject(const std::wstring& name, DISPID id, IDispatch* object) {
  ReturnsValue(name, id, [object] { return Variant::Object(object); });
}

void FakeObject::Accepts(const std::wstring& name, DISPID id) {
  On(name, id, [](const Invocation&, VARIANT*, EXCEPINFO*) { return S_OK; });
}

FakeConnectionPoint& FakeObject::Events(const IID& events) {
  for (auto& [iid, point] : points_) {
    if (iid == events) return *point;
  }
  points_.emplace_back(events, std::make_unique<FakeConnectionPoint>(*this, events));
  return *points_.back().second;
}

int FakeObject::CallsOf(DISPID id) const {
  int count = 0;
  for (const Invocation& call : calls)
    count += call.id == id ? 1 : 0;
  return count;
}

void* FakeObject::QueryMore(REFIID riid) noexcept {
  if (riid == IID_IConnectionPointContainer) return points_.empty() ? nullptr : Container();
  for (const IID& extra : extra_) {
    if (riid == extra) return Dispatch();
  }
  return nullptr;
}

HRESULT FakeObject::GetTypeInfoCount(UINT* count) {
  *count = typeInfo_ ? 1 : 0;
  return S_OK;
}

HRESULT FakeObject::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
  *info = nullptr;
  if (!typeInfo_ || index != 0) return DISP_E_BADINDEX;
  return ComRef<ITypeInfo>::Share(typeInfo_.get()).CopyTo(info);
}

HRESULT FakeObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  HRESULT hr = S_OK;
  for (UINT i = 0; i < count; ++i) {
    ++lookups[names[i]];
    auto found = names_.find(names[i]);
    ids[i] = found == names_.end() ? DISPID_UNKNOWN : found->second;
    if (found == names_.end()) hr = DISP_E_UNKNOWNNAME;
  }
  return hr;
}

HRESULT FakeObject::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                           EXCEPINFO* exception, UINT*) {
  Invocation call;
  call.id = id;
  call.flags = flags;
  call.wantsResult = result != nullptr;
  for (UINT i = 0; params && i < params->cArgs; ++i)
    call.args.push_back(Variant::Copy(params->rgvarg[i]));
  for (UINT i = 0; params && i < params->cNamedArgs; ++i)
    call.named.push_back(params->rgdispidNamedArgs[i]);
  calls.push_back(std::move(call));
  auto handler = handlers_.find(id);
  if (handler == handlers_.end()) return DISP_E_MEMBERNOTFOUND;
  if (result) VariantInit(result);
  return handler->second(calls.back(), result, exception);
}

HRESULT FakeObject::Points::FindConnectionPoint(REFIID riid, IConnectionPoint** point) {
  *point = nullptr;
  for (auto& [iid, candidate] : Owner().points_) {
    if (iid == riid) return ComRef<IConnectionPoint>::Share(candidate.get()).CopyTo(point);
  }
  return CONNECT_E_NOCONNECTION;
}

// ---- FakeEnum ---------------------------------------------------------------------------------

HRESULT FakeEnum::Next(ULONG count, VARIANT* out, ULONG* fetched) {
  ULONG given = 0;
  while (given < count && next_ < elements_.size()) {
    VariantInit(&out[given]);
    VariantCopy(&out[given], elements_[next_].Ptr());
    ++given;
    ++next_;
  }
  if (fetched) *fetched = given;
  return given == count ? S_OK : S_FALSE;
}

}  // namespace zormint::wine_test

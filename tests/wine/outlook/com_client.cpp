#include "com_client.h"

namespace zormint::wine_test::outlook {

VARIANT Long(long value) {
  VARIANT v;
  V_VT(&v) = VT_I4;
  V_I4(&v) = value;
  return v;
}

VARIANT Short(short value) {
  VARIANT v;
  V_VT(&v) = VT_I2;
  V_I2(&v) = value;
  return v;
}

VARIANT Bool(bool value) {
  VARIANT v;
  V_VT(&v) = VT_BOOL;
  V_BOOL(&v) = value ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}

VARIANT Text(const wchar_t* text) {
  VARIANT v;
  V_VT(&v) = VT_BSTR;
  V_BSTR(&v) = SysAllocString(text);
  return v;
}

VARIANT Missing() {
  VARIANT v;
  V_VT(&v) = VT_ERROR;
  V_ERROR(&v) = DISP_E_PARAMNOTFOUND;
  return v;
}

DISPID IdOf(IDispatch* object, const wchar_t* name) {
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  DISPID id = DISPID_UNKNOWN;
  const HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  return SUCCEEDED(hr) ? id : DISPID_UNKNOWN;
}

CallResult::~CallResult() {
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrDescription);
  SysFreeString(exception.bstrHelpFile);
}

std::wstring CallResult::Description() const {
  return exception.bstrDescription ? exception.bstrDescription : L"";
}

void Call(CallResult& result, IDispatch* object, const wchar_t* name, WORD flags,
          std::vector<VARIANT> args) {
  std::vector<VARIANT> reversed(args.rbegin(), args.rend());
  DISPPARAMS params = {reversed.empty() ? nullptr : reversed.data(), nullptr,
                       static_cast<UINT>(reversed.size()), 0};
  DISPID put = DISPID_PROPERTYPUT;
  if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
    params.rgdispidNamedArgs = &put;
    params.cNamedArgs = 1;
  }
  const DISPID id = IdOf(object, name);
  UINT badArgument = 0;
  result.hr = id == DISPID_UNKNOWN
                  ? DISP_E_UNKNOWNNAME
                  : object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                                   &result.value.v, &result.exception, &badArgument);
  for (VARIANT& arg : args)
    VariantClear(&arg);
}

Ref<IDispatch> Object(IDispatch* object, const wchar_t* name, std::vector<VARIANT> args) {
  CallResult result;
  Call(result, object, name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, std::move(args));
  EXPECT_EQ(result.hr, S_OK) << "reading " << testing::PrintToString(std::wstring(name));
  if (FAILED(result.hr) || V_VT(&result.value.v) != VT_DISPATCH) return {};
  return Ref<IDispatch>::Share(V_DISPATCH(&result.value.v));
}

long Number(IDispatch* object, const wchar_t* name) {
  CallResult result;
  Call(result, object, name, DISPATCH_PROPERTYGET);
  EXPECT_EQ(result.hr, S_OK);
  Var converted;
  if (FAILED(VariantChangeType(&converted.v, &result.value.v, 0, VT_I4))) return -1;
  return V_I4(&converted.v);
}

std::wstring String(IDispatch* object, const wchar_t* name) {
  CallResult result;
  Call(result, object, name, DISPATCH_PROPERTYGET);
  EXPECT_EQ(result.hr, S_OK);
  if (V_VT(&result.value.v) != VT_BSTR || !V_BSTR(&result.value.v)) return L"";
  return V_BSTR(&result.value.v);
}

HRESULT Put(IDispatch* object, const wchar_t* name, VARIANT value, WORD flags) {
  CallResult result;
  Call(result, object, name, flags, {value});
  return result.hr;
}

// ---- RecordingSink ------------------------------------------------------------------------------

Ref<RecordingSink> RecordingSink::Make(REFIID events) {
  return Ref<RecordingSink>::Adopt(new RecordingSink(events));
}

HRESULT RecordingSink::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (riid != IID_IUnknown && riid != IID_IDispatch && riid != iid_) return E_NOINTERFACE;
  *object = static_cast<IDispatch*>(this);
  AddRef();
  return S_OK;
}

ULONG RecordingSink::Release() {
  const ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

HRESULT RecordingSink::GetTypeInfoCount(UINT* count) {
  *count = 0;
  return S_OK;
}

HRESULT RecordingSink::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  *info = nullptr;
  return E_NOTIMPL;
}

HRESULT RecordingSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
  return E_NOTIMPL;
}

HRESULT RecordingSink::Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                              EXCEPINFO*, UINT*) {
  Event event{member, {}, {}};
  for (UINT i = 0; params && i < params->cArgs; ++i) {
    VARIANT& arg = params->rgvarg[i];
    event.types.push_back(V_VT(&arg));
    if (V_VT(&arg) == VT_DISPATCH && !event.object) {
      event.object = Ref<IDispatch>::Share(V_DISPATCH(&arg));
    }
    if (V_VT(&arg) == (VT_BOOL | VT_BYREF) && setCancel) *V_BOOLREF(&arg) = VARIANT_TRUE;
  }
  events.push_back(std::move(event));
  return answer;
}

HRESULT RecordingSink::Connect(IDispatch* source) {
  Ref<IConnectionPointContainer> container;
  HRESULT hr = source->QueryInterface(IID_IConnectionPointContainer, container.OutVoid());
  if (FAILED(hr)) return hr;
  hr = container->FindConnectionPoint(iid_, point_.Out());
  if (FAILED(hr)) return hr;
  return point_->Advise(static_cast<IDispatch*>(this), &cookie_);
}

HRESULT RecordingSink::Disconnect() {
  if (!point_) return E_UNEXPECTED;
  const HRESULT hr = point_->Unadvise(cookie_);
  point_.Reset();
  return hr;
}

}  // namespace zormint::wine_test::outlook

#include "com_client.h"

#include "win32/com/failure.h"
#include "win32/com/late_bound.h"
#include "win32/com/text.h"

namespace zormint::wine_test::outlook {

namespace {

win32::LateBound Late(IDispatch* object) {
  return win32::LateBound(ComRef<IDispatch>::Share(object), "Outlook object");
}

}  // namespace

DISPID IdOf(IDispatch* object, const wchar_t* name) {
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  DISPID id = DISPID_UNKNOWN;
  const HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  return SUCCEEDED(hr) ? id : DISPID_UNKNOWN;
}

CallResult Call(IDispatch* object, const wchar_t* name, WORD flags,
                std::initializer_list<Variant> args) {
  std::vector<VARIANT> reversed;  // the caller's values, not owned here
  for (auto arg = std::rbegin(args); arg != std::rend(args); ++arg)
    reversed.push_back(arg->Get());
  DISPPARAMS params = {reversed.empty() ? nullptr : reversed.data(), nullptr,
                       static_cast<UINT>(reversed.size()), 0};
  DISPID put = DISPID_PROPERTYPUT;
  if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
    params.rgdispidNamedArgs = &put;
    params.cNamedArgs = 1;
  }
  CallResult result;
  const DISPID id = IdOf(object, name);
  if (id == DISPID_UNKNOWN) {
    result.hr = DISP_E_UNKNOWNNAME;
    return result;
  }
  win32::ExceptionInfo exception;
  UINT badArgument = 0;
  result.hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result.value.Out(),
                             exception.Ptr(), &badArgument);
  result.scode = exception.Get().scode;
  result.description = win32::FromBstr(exception.Get().bstrDescription);
  return result;
}

ComRef<IDispatch> Object(IDispatch* object, const wchar_t* name,
                         std::initializer_list<Variant> args) {
  CallResult result = Call(object, name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args);
  EXPECT_EQ(result.hr, S_OK) << "reading " << testing::PrintToString(std::wstring(name));
  if (FAILED(result.hr) || result.value.Type() != VT_DISPATCH) return {};
  return ComRef<IDispatch>::Share(V_DISPATCH(result.value.Ptr()));
}

int32_t Number(IDispatch* object, const wchar_t* name) {
  return Late(object).GetInt32(name);
}

std::string String(IDispatch* object, const wchar_t* name) {
  return Late(object).GetUtf8(name);
}

HRESULT Put(IDispatch* object, const wchar_t* name, Variant value, WORD flags) {
  return Call(object, name, flags, {std::move(value)}).hr;
}

// ---- RecordingSink ------------------------------------------------------------------------------

HRESULT RecordingSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept {
  return E_NOTIMPL;
}

HRESULT RecordingSink::Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                              EXCEPINFO*, UINT*) noexcept {
  Event event{member, {}, {}};
  for (UINT i = 0; params && i < params->cArgs; ++i) {
    VARIANT& arg = params->rgvarg[i];
    event.types.push_back(V_VT(&arg));
    if (V_VT(&arg) == VT_DISPATCH && !event.object) {
      event.object = ComRef<IDispatch>::Share(V_DISPATCH(&arg));
    }
    if (V_VT(&arg) == (VT_BOOL | VT_BYREF) && setCancel) *V_BOOLREF(&arg) = VARIANT_TRUE;
  }
  events.push_back(std::move(event));
  return answer;
}

HRESULT RecordingSink::Connect(IDispatch* source) {
  ComRef<IConnectionPointContainer> container;
  HRESULT hr = ComRef<IDispatch>::Share(source).QueryTo(container);
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

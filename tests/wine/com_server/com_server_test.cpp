// The add-in class as Outlook meets it: created through COM by its ProgID, called through its
// vtable and through IDispatch, asked for interfaces it does not have, and unloaded when
// nothing holds it.
#include <gtest/gtest.h>

#include <ocidl.h>

#include <initializer_list>

#include "support/wine_test.h"
#include "win32/com/object.h"
#include "win32/com/variant.h"

namespace zormint::wine_test {
namespace {

// An Application object whose every call fails, that counts the references held on it.
class FailingApplication final : public win32::ComObject<FailingApplication, IDispatch> {
 public:
  using ComObject::References;

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_FAIL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    return E_FAIL;
  }
};

class ComServer : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(apartment_.Result(), S_OK);
    ASSERT_TRUE(dll_.Loaded());
    ASSERT_EQ(dll_.Register(), S_OK);
    MirrorClassesToMachine();
  }
  void TearDown() override {
    RemoveMachineMirror();
    dll_.Unregister();
  }

  void CreateAddin(ComPtr<IDTExtensibility2>& addin) {
    CLSID clsid = {};
    ASSERT_EQ(CLSIDFromProgID(L"ZORMINT.dsrWrapper", &clsid), S_OK);
    ASSERT_EQ(clsid, CLSID_dsrWrapper);
    ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDTExtensibility2,
                               addin.OutVoid()),
              S_OK);
    ASSERT_TRUE(addin);
  }

  Apartment apartment_;
  ZormintDll dll_;
};

TEST_F(ComServer, AddinEventsReportSuccessWhateverHappens) {
  ComPtr<IDTExtensibility2> addin;
  CreateAddin(addin);
  win32::EmptyVariantArray custom;
  FailingApplication application;

  // Outlook's order: connect at start-up, start-up complete, begin shutdown, disconnect.
  EXPECT_EQ(addin->OnConnection(&application, ext_cm_Startup, nullptr, custom.Get()), S_OK);
  EXPECT_EQ(addin->OnStartupComplete(custom.Get()), S_OK);
  EXPECT_EQ(addin->OnAddInsUpdate(custom.Get()), S_OK);
  EXPECT_EQ(addin->OnBeginShutdown(custom.Get()), S_OK);
  EXPECT_EQ(addin->OnDisconnection(ext_dm_HostShutdown, custom.Get()), S_OK);

  // Out of order, twice, with missing arguments, with modes Outlook does not use.
  EXPECT_EQ(addin->OnDisconnection(ext_dm_UserClosed, nullptr), S_OK);
  EXPECT_EQ(addin->OnConnection(nullptr, ext_cm_AfterStartup, nullptr, nullptr), S_OK);
  EXPECT_EQ(addin->OnConnection(&application, static_cast<ext_ConnectMode>(77), nullptr, nullptr),
            S_OK);
  EXPECT_EQ(addin->OnStartupComplete(nullptr), S_OK);
  EXPECT_EQ(addin->OnDisconnection(static_cast<ext_DisconnectMode>(-1), nullptr), S_OK);
  EXPECT_EQ(addin->OnDisconnection(ext_dm_UserClosed, nullptr), S_OK);

  // After disconnection nothing holds Outlook's Application.
  EXPECT_EQ(application.References(), 1u);
  addin.Reset();
  EXPECT_EQ(application.References(), 1u);
}

TEST_F(ComServer, DispatchReachesTheEventsByTheirPublishedIds) {
  ComPtr<IDTExtensibility2> addin;
  CreateAddin(addin);

  const wchar_t* names[] = {L"OnConnection", L"OnDisconnection", L"OnAddInsUpdate",
                            L"OnStartupComplete", L"onbeginshutdown"};
  for (DISPID expected = 1; expected <= 5; ++expected) {
    LPOLESTR name = const_cast<LPOLESTR>(names[expected - 1]);
    DISPID id = 0;
    EXPECT_EQ(addin->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK) << names[expected - 1];
    EXPECT_EQ(id, expected) << names[expected - 1];
  }
  LPOLESTR unknown = const_cast<LPOLESTR>(L"Item");
  DISPID id = 0;
  EXPECT_EQ(addin->GetIDsOfNames(IID_NULL, &unknown, 1, 0, &id), DISP_E_UNKNOWNNAME);

  UINT count = 0;
  EXPECT_EQ(addin->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 1u);
  ComPtr<ITypeInfo> typeInfo;
  ASSERT_EQ(addin->GetTypeInfo(0, 0, typeInfo.Out()), S_OK);
  TYPEATTR* attr = nullptr;
  ASSERT_EQ(typeInfo->GetTypeAttr(&attr), S_OK);
  EXPECT_EQ(attr->guid, IID_IDTExtensibility2);
  typeInfo->ReleaseTypeAttr(attr);
  EXPECT_EQ(addin->GetTypeInfo(1, 0, typeInfo.Out()), DISP_E_BADINDEX);

  // Arguments arrive in reverse order: custom, AddInInst, ConnectMode, Application.
  win32::EmptyVariantArray custom;
  FailingApplication application;
  VARIANT connectArgs[4];
  for (VARIANT& v : connectArgs)
    VariantInit(&v);
  connectArgs[0].vt = VT_ARRAY | VT_VARIANT | VT_BYREF;
  connectArgs[0].pparray = custom.Get();
  connectArgs[1].vt = VT_DISPATCH;
  connectArgs[1].pdispVal = nullptr;
  connectArgs[2].vt = VT_I4;
  connectArgs[2].lVal = ext_cm_Startup;
  connectArgs[3].vt = VT_DISPATCH;
  connectArgs[3].pdispVal = &application;
  DISPPARAMS connect = {connectArgs, nullptr, 4, 0};
  EXPECT_EQ(addin->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &connect, nullptr, nullptr, nullptr),
            S_OK);

  VARIANT customOnly[1];
  customOnly[0] = connectArgs[0];
  DISPPARAMS customParams = {customOnly, nullptr, 1, 0};
  for (DISPID member : {3, 4, 5}) {
    EXPECT_EQ(addin->Invoke(member, IID_NULL, 0, DISPATCH_METHOD, &customParams, nullptr, nullptr,
                            nullptr),
              S_OK)
        << member;
  }
  VARIANT disconnectArgs[2];
  disconnectArgs[0] = connectArgs[0];
  VariantInit(&disconnectArgs[1]);
  disconnectArgs[1].vt = VT_I4;
  disconnectArgs[1].lVal = ext_dm_UserClosed;
  DISPPARAMS disconnect = {disconnectArgs, nullptr, 2, 0};
  EXPECT_EQ(addin->Invoke(2, IID_NULL, 0, DISPATCH_METHOD, &disconnect, nullptr, nullptr, nullptr),
            S_OK);

  // What IDispatch refuses: more arguments than the member takes and too few (Windows says
  // DISP_E_BADPARAMCOUNT, Wine DISP_E_TYPEMISMATCH), an unknown member, an interface id.
  EXPECT_TRUE(FAILED(
      addin->Invoke(4, IID_NULL, 0, DISPATCH_METHOD, &disconnect, nullptr, nullptr, nullptr)));
  EXPECT_TRUE(FAILED(
      addin->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &customParams, nullptr, nullptr, nullptr)));
  EXPECT_EQ(
      addin->Invoke(99, IID_NULL, 0, DISPATCH_METHOD, &customParams, nullptr, nullptr, nullptr),
      DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(
      addin->Invoke(4, IID_IDispatch, 0, DISPATCH_METHOD, &customParams, nullptr, nullptr, nullptr),
      DISP_E_UNKNOWNINTERFACE);

  addin.Reset();
  EXPECT_EQ(application.References(), 1u);
}

TEST_F(ComServer, QueryInterfaceAnswersOnlyItsOwnInterfaces) {
  ComPtr<IDTExtensibility2> addin;
  CreateAddin(addin);

  ComPtr<IUnknown> identity;
  ASSERT_EQ(addin->QueryInterface(IID_IUnknown, identity.OutVoid()), S_OK);
  // The ribbon's interface too: a part of the add-in object, whose interfaces it answers.
  for (const IID* iid : {&IID_IDispatch, &IID_IDTExtensibility2, &IID_IRibbonExtensibility}) {
    ComPtr<IUnknown> other;
    ASSERT_EQ(addin->QueryInterface(*iid, other.OutVoid()), S_OK);
    ComPtr<IUnknown> otherIdentity;
    ASSERT_EQ(other->QueryInterface(IID_IUnknown, otherIdentity.OutVoid()), S_OK);
    EXPECT_EQ(otherIdentity.Get(), identity.Get());
    ComPtr<IUnknown> back;
    EXPECT_EQ(other->QueryInterface(IID_IDTExtensibility2, back.OutVoid()), S_OK);
  }

  const GUID unrelated = {
      0x2d4a1f3e, 0x98c1, 0x4e0b, {0x8d, 0x55, 0x1c, 0x2f, 0x0b, 0x7e, 0x44, 0x91}};
  for (const IID* iid : {&IID_IClassFactory, &IID_IPersist, &IID_IConnectionPointContainer,
                         &IID_IProvideClassInfo, &IID_IMarshal, &IID_IOleObject, &unrelated}) {
    void* object = reinterpret_cast<void*>(0x1234);
    EXPECT_EQ(addin->QueryInterface(*iid, &object), E_NOINTERFACE) << GuidText(*iid).c_str();
    EXPECT_EQ(object, nullptr);
  }
  EXPECT_EQ(addin->QueryInterface(IID_IDispatch, nullptr), E_POINTER);
}

TEST_F(ComServer, ClassObjectServesOnlyTheAddinClass) {
  void* object = reinterpret_cast<void*>(0x1234);
  EXPECT_EQ(dll_.GetClassObject(IID_IDTExtensibility2, IID_IClassFactory, &object),
            CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(object, nullptr);
  object = reinterpret_cast<void*>(0x1234);
  EXPECT_EQ(dll_.GetClassObject(CLSID_dsrWrapper, IID_IDTExtensibility2, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);

  ComPtr<IClassFactory> factory;
  ASSERT_EQ(dll_.GetClassObject(CLSID_dsrWrapper, IID_IClassFactory, factory.OutVoid()), S_OK);
  FailingApplication outer;
  object = reinterpret_cast<void*>(0x1234);
  EXPECT_EQ(factory->CreateInstance(&outer, IID_IUnknown, &object), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(object, nullptr);
  object = reinterpret_cast<void*>(0x1234);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IPersist, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  ComPtr<IDispatch> addin;
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, addin.OutVoid()), S_OK);
  EXPECT_TRUE(addin);
  EXPECT_EQ(outer.References(), 1u);
}

TEST_F(ComServer, CanUnloadOnlyWhenNoObjectOrLockIsLeft) {
  EXPECT_EQ(dll_.CanUnloadNow(), S_OK);

  ComPtr<IClassFactory> factory;
  ASSERT_EQ(dll_.GetClassObject(CLSID_dsrWrapper, IID_IClassFactory, factory.OutVoid()), S_OK);
  EXPECT_EQ(dll_.CanUnloadNow(), S_FALSE);
  ComPtr<IDTExtensibility2> first;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDTExtensibility2, first.OutVoid()), S_OK);
  factory.Reset();
  EXPECT_EQ(dll_.CanUnloadNow(), S_FALSE);  // the add-in object

  ComPtr<IDTExtensibility2> second;
  CreateAddin(second);
  first.Reset();
  EXPECT_EQ(dll_.CanUnloadNow(), S_FALSE);
  second.Reset();
  EXPECT_EQ(dll_.CanUnloadNow(), S_OK);

  // LockServer keeps the DLL after its class object is gone, and unlocking never goes below
  // zero.
  ASSERT_EQ(dll_.GetClassObject(CLSID_dsrWrapper, IID_IClassFactory, factory.OutVoid()), S_OK);
  EXPECT_EQ(factory->LockServer(TRUE), S_OK);
  factory.Reset();
  EXPECT_EQ(dll_.CanUnloadNow(), S_FALSE);
  ASSERT_EQ(dll_.GetClassObject(CLSID_dsrWrapper, IID_IClassFactory, factory.OutVoid()), S_OK);
  EXPECT_EQ(factory->LockServer(FALSE), S_OK);
  EXPECT_EQ(factory->LockServer(FALSE), E_UNEXPECTED);
  factory.Reset();
  EXPECT_EQ(dll_.CanUnloadNow(), S_OK);
}

}  // namespace
}  // namespace zormint::wine_test

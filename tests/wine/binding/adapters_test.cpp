// The host objects over a whole hand-made Outlook: every member the add-in uses reaches the
// right member by name, and once everything is let go no adapter, no sink and no reference on
// Outlook's objects is left, in the test program and in the add-in DLL alike.
#include <gtest/gtest.h>

#include "binding/fake_com.h"
#include "common/error.h"
#include "support/wine_test.h"
#include "win32/outlook/adapters.h"
#include "win32/outlook/event_sinks.h"

namespace zormint::wine_test {
namespace {

constexpr WORD kGetFlags = DISPATCH_PROPERTYGET | DISPATCH_METHOD;

struct Quiet : host::ExplorersEvents,
               host::InspectorsEvents,
               host::ItemEvents,
               host::InspectorEvents {
  void NewExplorer(std::shared_ptr<host::Explorer>) override {}
  void NewInspector(std::shared_ptr<host::Inspector>) override {}
};

// A small Outlook: one Explorer on a mail folder with one selected message of one attachment
// (with its MAPI properties), and one Inspector that shows no item.
struct SmallOutlook {
  FakeObject application, explorers, inspectors, explorer, folder, selection, mail, attachments,
      attachment, inspector, properties;

  SmallOutlook() {
    application.ReturnsObject(L"Explorers", 0xF001, explorers.Dispatch());
    application.ReturnsObject(L"Inspectors", 0xF002, inspectors.Dispatch());
    application.ReturnsObject(L"ActiveExplorer", 0x111, nullptr);
    explorers.ReturnsInt(L"Count", 0x50, 1);
    explorers.ReturnsObject(L"Item", 0x51, explorer.Dispatch());
    explorers.Events(win32::events::kExplorersEvents);
    inspectors.ReturnsInt(L"Count", 0x50, 1, VT_I2);
    inspectors.ReturnsObject(L"Item", 0x51, inspector.Dispatch());
    inspectors.Events(win32::events::kInspectorsEvents);
    explorer.ReturnsObject(L"CurrentFolder", 0x2103, folder.Dispatch());
    explorer.ReturnsObject(L"Selection", 0x2204, selection.Dispatch());
    folder.ReturnsInt(L"DefaultItemType", 0x3109, host::kOlMailItem);
    selection.ReturnsInt(L"Count", 0x50, 1);
    selection.ReturnsObject(L"Item", 0x51, mail.Dispatch());
    mail.ReturnsInt(L"Class", 0xF00A, host::kOlMail);
    mail.ReturnsValue(L"Saved", 0xF0A3, [] { return Variant::Bool(true); });
    mail.ReturnsValue(L"EntryID", 0xF01E, [] { return Variant::Text(L"00000000ABCDEF"); });
    mail.ReturnsObject(L"Attachments", 0xF815, attachments.Dispatch());
    mail.Events(win32::events::kItemEvents10);
    attachments.ReturnsInt(L"Count", 0x50, 1);
    attachments.ReturnsObject(L"Item", 0x51, attachment.Dispatch());
    attachment.ReturnsValue(L"FileName", 0x3704,
                            [] { return Variant::Text(L"Strand \u00e9t\u00e9.jpg"); });
    attachment.Accepts(L"SaveAsFile", 0x69);
    attachment.ReturnsInt(L"Type", 0x3705, host::kOlByValue);
    attachment.ReturnsObject(L"PropertyAccessor", 0xFAFD, properties.Dispatch());
    properties.ReturnsValue(L"GetProperty", 0xFAFB,
                            [] { return Variant::Text(L"image001.png@01DA0000"); });
    inspector.ReturnsObject(L"CurrentItem", 0x2102, nullptr);
    inspector.ReturnsValue(L"IsWordMail", 0x2105, [] { return Variant::Bool(false); });
    inspector.Events(win32::events::kInspectorEvents10);
  }

  std::vector<FakeObject*> All() {
    return {&application, &explorers,   &inspectors, &explorer,  &folder,    &selection,
            &mail,        &attachments, &attachment, &inspector, &properties};
  }
};

TEST(Adapters, EveryMemberIsReachedByNameAndEverythingIsLetGo) {
  SmallOutlook outlook;
  EXPECT_EQ(win32::WrapApplication(nullptr), nullptr);
  {
    std::shared_ptr<host::Application> app = win32::WrapApplication(outlook.application.Dispatch());
    ASSERT_TRUE(app);
    EXPECT_EQ(app->ActiveExplorer(), nullptr);
    auto explorers = app->Explorers();
    auto inspectors = app->Inspectors();
    auto quiet = std::make_shared<Quiet>();
    const host::Cookie explorersCookie =
        explorers->Advise(std::static_pointer_cast<host::ExplorersEvents>(quiet));
    const host::Cookie inspectorsCookie =
        inspectors->Advise(std::static_pointer_cast<host::InspectorsEvents>(quiet));
    ASSERT_EQ(explorers->Count(), 1);
    auto explorer = explorers->Item(explorers->Count());
    EXPECT_EQ(explorer->CurrentFolder()->DefaultItemType(), host::kOlMailItem);
    EXPECT_EQ(explorer->Window(), 0u);  // an object without IOleWindow gives no window
    auto selection = explorer->Selection();
    ASSERT_EQ(selection->Count(), 1);
    auto mail = selection->Item(1);
    EXPECT_EQ(mail->Class(), host::kOlMail);
    EXPECT_TRUE(mail->Saved());
    EXPECT_EQ(mail->EntryID(), "00000000ABCDEF");
    const host::Cookie mailCookie = mail->Advise(std::static_pointer_cast<host::ItemEvents>(quiet));
    auto attachments = mail->Attachments();
    ASSERT_EQ(attachments->Count(), 1);
    auto attachment = attachments->Item(1);
    EXPECT_EQ(attachment->FileName(), "Strand \xc3\xa9t\xc3\xa9.jpg");
    EXPECT_EQ(attachment->Type(), host::kOlByValue);
    const host::PropertyValue contentId = attachment->PropertyAccessor()->GetProperty(
        "http://schemas.microsoft.com/mapi/proptag/0x3712001F");
    ASSERT_TRUE(std::holds_alternative<std::string>(contentId));
    EXPECT_EQ(std::get<std::string>(contentId), "image001.png@01DA0000");
    attachment->SaveAsFile("C:\\Temp\\ZORMINT$010203040506\\Strand \xc3\xa9t\xc3\xa9.jpg");

    ASSERT_EQ(inspectors->Count(), 1);
    auto inspector = inspectors->Item(1);
    EXPECT_EQ(inspector->CurrentItem(), nullptr);
    EXPECT_FALSE(inspector->IsWordMail());
    const host::Cookie inspectorCookie =
        inspector->Advise(std::static_pointer_cast<host::InspectorEvents>(quiet));
    EXPECT_EQ(win32::LiveSinkCount(), 4);

    mail->Unadvise(mailCookie);
    inspector->Unadvise(inspectorCookie);
    explorers->Unadvise(explorersCookie);
    inspectors->Unadvise(inspectorsCookie);
    EXPECT_GT(win32::LiveAdapterCount(), 0);
  }
  EXPECT_EQ(win32::LiveAdapterCount(), 0);
  EXPECT_EQ(win32::LiveSinkCount(), 0);

  // Item is called by name with the index as a 4-byte integer.
  for (FakeObject* collection :
       {&outlook.explorers, &outlook.selection, &outlook.attachments, &outlook.inspectors}) {
    ASSERT_EQ(collection->CallsOf(0x51), 1);
    EXPECT_EQ(collection->lookups[L"Item"], 1);
    for (const Invocation& call : collection->calls) {
      if (call.id != 0x51) continue;
      EXPECT_EQ(call.flags, kGetFlags);
      ASSERT_EQ(call.args.size(), 1u);
      EXPECT_EQ(call.args[0].Type(), VT_I4);
      EXPECT_EQ(V_I4(&call.args[0].Get()), 1);
    }
  }
  const Invocation& save = outlook.attachment.Last();
  EXPECT_EQ(save.id, 0x69);
  EXPECT_EQ(save.flags, DISPATCH_METHOD);
  ASSERT_EQ(save.args.size(), 1u);
  EXPECT_EQ(TextOf(save.args[0].Get()),
            L"C:\\Temp\\ZORMINT$010203040506\\Strand \u00e9t\u00e9.jpg");
  // GetProperty is a method, called with the property's schema name.
  ASSERT_EQ(outlook.properties.CallsOf(0xFAFB), 1);
  const Invocation& get = outlook.properties.Last();
  EXPECT_EQ(get.flags, DISPATCH_METHOD);
  ASSERT_EQ(get.args.size(), 1u);
  EXPECT_EQ(TextOf(get.args[0].Get()), L"http://schemas.microsoft.com/mapi/proptag/0x3712001F");
  // Everything else is a read.
  for (FakeObject* fake : outlook.All()) {
    EXPECT_EQ(fake->References(), 1u);
    for (const Invocation& call : fake->calls) {
      if (call.id == 0x69 || call.id == 0xFAFB) continue;
      EXPECT_EQ(call.flags, kGetFlags) << call.id;
      EXPECT_TRUE(call.named.empty());
      if (call.id != 0x51) {
        EXPECT_TRUE(call.args.empty());
      }
    }
  }
}

// The ribbon: the add-in object answers IRibbonExtensibility, gives each ribbon its
// customisation, and serves the callbacks by name on its IDispatch with Office's objects
// reached by name; after the disconnection a callback touches none of them, and nothing of
// Outlook's or Office's is held.
TEST(Adapters, TheAddinServesTheRibbonByNameAndLetsGoOfItsObjects) {
  Apartment apartment;
  ZormintDll dll;
  ASSERT_TRUE(dll.Loaded());
  SmallOutlook outlook;
  outlook.application.ReturnsObject(L"ActiveExplorer", 0x111, outlook.explorer.Dispatch());
  outlook.application.ReturnsValue(L"Version", 0x116, [] { return Variant::Text(L"16.0.0.1"); });
  outlook.explorer.ReturnsInt(L"Class", 0xF00A, host::kOlExplorer);
  outlook.explorer.ReturnsObject(L"CommandBars", 0x2100, nullptr);
  outlook.explorer.Events(win32::events::kExplorerEvents10);
  FakeObject control, menuControl, attachmentSelection, ribbonUI;
  control.ReturnsValue(L"Id", 1, [] { return Variant::Text(L"ZormintTabView"); });
  control.ReturnsObject(L"Context", 2, outlook.explorer.Dispatch());
  control.ReturnsValue(L"Tag", 3, [] { return Variant::Text(L"zormint"); });
  menuControl.ReturnsObject(L"Context", 2, attachmentSelection.Dispatch());
  menuControl.ReturnsValue(L"Tag", 3, [] { return Variant::Text(L"zormint"); });
  attachmentSelection.ReturnsInt(L"Class", 0xF00A, host::kOlAttachmentSelection);
  attachmentSelection.ReturnsInt(L"Count", 0x50, 1);
  attachmentSelection.ReturnsObject(L"Item", 0x51, outlook.attachment.Dispatch());
  outlook.attachment.ReturnsObject(L"Parent", 0xF001, outlook.mail.Dispatch());
  ribbonUI.Accepts(L"InvalidateControl", 2);

  auto call = [](IDispatch* addin, const wchar_t* name, IDispatch* argument, VARIANT* result) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    HRESULT hr = addin->GetIDsOfNames(IID_NULL, names, 1, 0, &id);
    if (FAILED(hr)) return hr;
    VARIANT arg;
    V_VT(&arg) = VT_DISPATCH;
    V_DISPATCH(&arg) = argument;
    DISPPARAMS params = {&arg, nullptr, 1, 0};
    return addin->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, result, nullptr, nullptr);
  };
  {
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(dll.GetClassObject(CLSID_dsrWrapper, IID_IClassFactory, factory.OutVoid()), S_OK);
    ComPtr<IDTExtensibility2> addin;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDTExtensibility2, addin.OutVoid()), S_OK);
    ComPtr<IRibbonExtensibility> ribbon;
    ASSERT_EQ(addin->QueryInterface(__uuidof(IRibbonExtensibility), ribbon.OutVoid()), S_OK);
    ComPtr<IDispatch> dispatch;
    ASSERT_EQ(ribbon->QueryInterface(IID_IDispatch, dispatch.OutVoid()), S_OK);
    SAFEARRAY* custom = SafeArrayCreateVector(VT_VARIANT, 0, 0);
    EXPECT_EQ(addin->OnConnection(outlook.application.Dispatch(), ext_cm_Startup, nullptr, &custom),
              S_OK);

    // The customisations, from the library's resources.
    auto customUI = [&](const wchar_t* id) {
      BSTR xml = nullptr;
      BSTR ribbonId = SysAllocString(id);
      EXPECT_EQ(ribbon->GetCustomUI(ribbonId, &xml), S_OK);
      SysFreeString(ribbonId);
      const std::wstring text = xml ? xml : L"(null)";
      SysFreeString(xml);
      return text;
    };
    EXPECT_NE(customUI(L"Microsoft.Outlook.Explorer").find(L"idMso=\"TabMail\""),
              std::wstring::npos);
    EXPECT_NE(customUI(L"Microsoft.Outlook.Mail.Read").find(L"idMso=\"TabReadMessage\""),
              std::wstring::npos);
    EXPECT_EQ(customUI(L"Microsoft.Outlook.Mail.Compose"), L"");

    // Callbacks by name; unknown names and wrong calls fail cleanly.
    Variant result;
    EXPECT_EQ(call(dispatch.Get(), L"Ribbon_OnLoadExplorer", ribbonUI.Dispatch(), result.Out()),
              S_OK);
    EXPECT_EQ(call(dispatch.Get(), L"Ribbon_OnLoadMailRead", ribbonUI.Dispatch(), result.Out()),
              S_OK);
    EXPECT_EQ(call(dispatch.Get(), L"ribbon_getenabled", control.Dispatch(), result.Out()), S_OK);
    EXPECT_EQ(result.Type(), VT_BOOL);
    EXPECT_EQ(V_BOOL(&result.Get()), VARIANT_TRUE);  // one message with a picture
    EXPECT_EQ(call(dispatch.Get(), L"Ribbon_GetEnabled", menuControl.Dispatch(), result.Out()),
              S_OK);
    EXPECT_EQ(V_BOOL(&result.Get()), VARIANT_TRUE);
    EXPECT_EQ(outlook.attachment.CallsOf(0xF001), 1);
    EXPECT_EQ(call(dispatch.Get(), L"Ribbon_GetImage", control.Dispatch(), result.Out()), S_OK);
    ASSERT_EQ(result.Type(), VT_DISPATCH);
    ComPtr<IPicture> picture;
    ASSERT_EQ(V_DISPATCH(&result.Get())->QueryInterface(IID_IPicture, picture.OutVoid()), S_OK);
    SHORT type = 0;
    EXPECT_EQ(picture->get_Type(&type), S_OK);
    EXPECT_EQ(type, PICTYPE_BITMAP);
    picture.Reset();
    result = Variant();
    EXPECT_EQ(call(dispatch.Get(), L"Ribbon_Unknown", control.Dispatch(), result.Out()),
              DISP_E_UNKNOWNNAME);
    DISPID onAction = DISPID_UNKNOWN;
    LPOLESTR name[] = {const_cast<LPOLESTR>(L"Ribbon_OnAction")};
    ASSERT_EQ(dispatch->GetIDsOfNames(IID_NULL, name, 1, 0, &onAction), S_OK);
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    EXPECT_EQ(
        dispatch->Invoke(onAction, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
        DISP_E_BADPARAMCOUNT);
    VARIANT text;
    V_VT(&text) = VT_I4;
    V_I4(&text) = 5;
    DISPPARAMS wrong = {&text, nullptr, 1, 0};
    EXPECT_EQ(
        dispatch->Invoke(onAction, IID_NULL, 0, DISPATCH_METHOD, &wrong, nullptr, nullptr, nullptr),
        DISP_E_TYPEMISMATCH);
    // The ribbon's IDispatch serves the callbacks alone, the add-in object's the type library's
    // members, and the callbacks only for a host that looks them up there (under numbers that
    // are not IDTExtensibility2's); both lead back to the one add-in object.
    LPOLESTR member[] = {const_cast<LPOLESTR>(L"OnConnection")};
    DISPID onConnection = DISPID_UNKNOWN;
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, member, 1, 0, &onConnection), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(dispatch->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
              DISP_E_BADPARAMCOUNT);  // 1 is the first callback here, not OnConnection
    ComPtr<IDispatch> addinDispatch;
    ASSERT_EQ(addin->QueryInterface(IID_IDispatch, addinDispatch.OutVoid()), S_OK);
    EXPECT_EQ(addinDispatch->GetIDsOfNames(IID_NULL, member, 1, 0, &onConnection), S_OK);
    EXPECT_EQ(onConnection, 1);
    LPOLESTR getEnabledName[] = {const_cast<LPOLESTR>(L"Ribbon_GetEnabled")};
    DISPID getEnabled = DISPID_UNKNOWN;
    ASSERT_EQ(addinDispatch->GetIDsOfNames(IID_NULL, getEnabledName, 1, 0, &getEnabled), S_OK);
    EXPECT_GT(getEnabled, 5);  // past OnBeginShutdown
    result = Variant();
    EXPECT_EQ(call(addinDispatch.Get(), L"Ribbon_GetEnabled", control.Dispatch(), result.Out()),
              S_OK);
    EXPECT_EQ(result.Type(), VT_BOOL);
    EXPECT_EQ(V_BOOL(&result.Get()), VARIANT_TRUE);
    EXPECT_EQ(call(addinDispatch.Get(), L"Ribbon_Unknown", control.Dispatch(), result.Out()),
              DISP_E_UNKNOWNNAME);
    EXPECT_TRUE(win32::SameObject(dispatch.Get(), addin.Get()));

    // A selection change invalidates the controls through the ribbon onLoad handed over.
    outlook.explorer.Events(win32::events::kExplorerEvents10).Fire(0xF007);
    EXPECT_EQ(ribbonUI.CallsOf(2), 5);
    for (const Invocation& invalidation : ribbonUI.calls) {
      EXPECT_EQ(invalidation.flags, DISPATCH_METHOD);
      ASSERT_EQ(invalidation.args.size(), 1u);
      EXPECT_EQ(invalidation.args[0].Type(), VT_BSTR);
    }

    EXPECT_EQ(addin->OnDisconnection(ext_dm_UserClosed, &custom), S_OK);
    SafeArrayDestroy(custom);
    // Office may still call: nothing is asked of the control, and no picture is enabled.
    const size_t asked = control.calls.size();
    EXPECT_EQ(call(dispatch.Get(), L"Ribbon_GetEnabled", control.Dispatch(), result.Out()), S_OK);
    EXPECT_EQ(V_BOOL(&result.Get()), VARIANT_FALSE);
    EXPECT_EQ(call(dispatch.Get(), L"Ribbon_OnAction", control.Dispatch(), nullptr), S_OK);
    EXPECT_EQ(control.calls.size(), asked);
    EXPECT_EQ(customUI(L"Microsoft.Outlook.Explorer"), L"");
  }
  for (FakeObject* fake : outlook.All())
    EXPECT_EQ(fake->References(), 1u);
  for (FakeObject* fake : {&control, &menuControl, &attachmentSelection, &ribbonUI})
    EXPECT_EQ(fake->References(), 1u);
  EXPECT_EQ(dll.CanUnloadNow(), S_OK);
}

}  // namespace
}  // namespace zormint::wine_test

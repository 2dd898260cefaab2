// Calls into Outlook's objects by member name: what goes over IDispatch (DISPIDs, flags,
// arguments in their order), what comes back, and how the host's failures arrive.
#include <gtest/gtest.h>

#include "binding/fake_com.h"
#include "common/error.h"
#include "win32/com/late_bound.h"
#include "win32/outlook/adapters.h"
#include "win32/services/resources.h"

namespace zormint::wine_test {
namespace {

using win32::LateBound;

constexpr DISPID kCount = 0x50;
constexpr DISPID kCaption = 0x6003;
constexpr WORD kGetFlags = DISPATCH_PROPERTYGET | DISPATCH_METHOD;
constexpr IID kCommandBarButton = {
    0x000C030E, 0, 0, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

LateBound Over(FakeObject& fake, const char* kind = "Fake") {
  return LateBound(ComRef<IDispatch>::Share(fake.Dispatch()), kind);
}

TEST(LateBinding, NamesAreResolvedOncePerTypeOrElsePerObject) {
  const GUID type = FreshGuid();
  FakeObject first(&type), second(&type), untyped1, untyped2;
  for (FakeObject* fake : {&first, &second, &untyped1, &untyped2})
    fake->ReturnsInt(L"Count", kCount, 3);
  {
    LateBound a = Over(first), b = Over(second), c = Over(untyped1), d = Over(untyped2);
    for (int round = 0; round < 3; ++round) {
      EXPECT_EQ(a.GetInt32(L"Count"), 3);
      EXPECT_EQ(b.GetInt32(L"Count"), 3);
      EXPECT_EQ(c.GetInt32(L"Count"), 3);
      EXPECT_EQ(d.GetInt32(L"Count"), 3);
    }
    // A fresh holder of an untyped object asks again; one of a known type does not.
    LateBound again = Over(untyped1), typedAgain = Over(second);
    EXPECT_EQ(again.GetInt32(L"Count"), 3);
    EXPECT_EQ(typedAgain.GetInt32(L"Count"), 3);
  }
  EXPECT_EQ(first.lookups[L"Count"], 1);
  EXPECT_EQ(second.lookups[L"Count"], 0);
  EXPECT_EQ(untyped1.lookups[L"Count"], 2);
  EXPECT_EQ(untyped2.lookups[L"Count"], 1);
  EXPECT_EQ(first.CallsOf(kCount), 3);
  EXPECT_EQ(first.TypeInfo()->attributesOut, 0);
  EXPECT_EQ(first.TypeInfo()->References(), 1u);
  for (FakeObject* fake : {&first, &second, &untyped1, &untyped2})
    EXPECT_EQ(fake->References(), 1u);
}

TEST(LateBinding, ReadsConvertWhatTheHostAnswers) {
  FakeObject item, child;
  item.ReturnsInt(L"Class", 1, 43, VT_I2);
  item.ReturnsValue(L"Saved", 2, [] { return Variant::Bool(true); });
  item.ReturnsValue(L"EntryID", 3, [] { return Variant::Text(L"00AB\u00e9\u6f22"); });
  item.ReturnsValue(L"Empty", 4, [] { return Variant(); });
  item.ReturnsObject(L"Nothing", 5, nullptr);
  item.ReturnsObject(L"Child", 6, child.Dispatch());
  item.ReturnsValue(L"Text", 7, [] { return Variant::Text(L"not a number"); });
  {
    LateBound object = Over(item, "Item");
    EXPECT_EQ(object.GetInt32(L"Class"), 43);
    EXPECT_TRUE(object.GetBool(L"Saved"));
    EXPECT_EQ(object.GetUtf8(L"EntryID"), "00AB\xc3\xa9\xe6\xbc\xa2");
    EXPECT_FALSE(object.GetObjectOrNone(L"Empty"));
    EXPECT_FALSE(object.GetObjectOrNone(L"Nothing"));
    EXPECT_EQ(object.GetObjectOrNone(L"Child").Get(), child.Dispatch());
    try {
      object.GetObject(L"Nothing");
      ADD_FAILURE() << "a none object was taken";
    } catch (const ZError& e) {
      EXPECT_EQ(e.Code(), err::kObjectNotSet);
      EXPECT_NE(e.Description().find("Item.Nothing"), std::string::npos) << e.Description();
    }
    try {
      object.GetObjectOrNone(L"Text");
      ADD_FAILURE() << "a text was taken for an object";
    } catch (const ZError& e) {
      EXPECT_TRUE(e.IsTypeMismatch()) << e.Code();
    }
    EXPECT_THROW(object.GetInt32(L"Text"), ZError);
  }
  for (const Invocation& call : item.calls) {
    EXPECT_EQ(call.flags, kGetFlags);
    EXPECT_TRUE(call.args.empty());
    EXPECT_TRUE(call.named.empty());
    EXPECT_TRUE(call.wantsResult);
  }
  // A collection's Item gets its index as a 4-byte integer (Outlook takes a text for a name).
  FakeObject explorer, selection;
  explorer.ReturnsObject(L"Selection", 0x2204, selection.Dispatch());
  selection.ReturnsObject(L"Item", 0x51, child.Dispatch());
  EXPECT_TRUE(win32::WrapExplorer(explorer.Dispatch())->Selection()->Item(1));
  ASSERT_EQ(selection.calls.size(), 1u);
  EXPECT_EQ(selection.Last().flags, kGetFlags);
  ASSERT_EQ(selection.Last().args.size(), 1u);
  EXPECT_EQ(selection.Last().args[0].Type(), VT_I4);
  EXPECT_EQ(V_I4(&selection.Last().args[0].Get()), 1);
  for (FakeObject* fake : {&item, &child, &explorer, &selection})
    EXPECT_EQ(fake->References(), 1u);
}

TEST(LateBinding, PutsSendTheValueAsThePropertyPutArgument) {
  FakeObject button;
  button.Accepts(L"Caption", kCaption);
  button.Accepts(L"Enabled", 0x6004);
  button.Accepts(L"Style", 0x6005);
  {
    auto adapter = win32::WrapCommandBarButton(button.Dispatch());
    adapter->SetCaption("Zormint \xe2\x82\xac");
    adapter->SetEnabled(true);
    adapter->SetStyle(1);
  }
  ASSERT_EQ(button.calls.size(), 3u);
  for (const Invocation& call : button.calls) {
    EXPECT_EQ(call.flags, DISPATCH_PROPERTYPUT);
    ASSERT_EQ(call.named.size(), 1u);
    EXPECT_EQ(call.named[0], DISPID_PROPERTYPUT);
    ASSERT_EQ(call.args.size(), 1u);
    EXPECT_FALSE(call.wantsResult);
  }
  EXPECT_EQ(button.calls[0].id, kCaption);
  EXPECT_EQ(TextOf(button.calls[0].args[0].Get()), L"Zormint \u20ac");
  EXPECT_EQ(button.calls[1].args[0].Type(), VT_BOOL);
  EXPECT_EQ(V_BOOL(&button.calls[1].args[0].Get()), VARIANT_TRUE);
  EXPECT_EQ(button.calls[2].args[0].Type(), VT_I4);
  EXPECT_EQ(V_I4(&button.calls[2].args[0].Get()), 1);
  EXPECT_EQ(button.References(), 1u);
}

// A bitmap picture object, as the Windows services make the button face.
ComRef<IPictureDisp> MakePicture() {
  PICTDESC description = {};
  description.cbSizeofstruct = sizeof description;
  description.picType = PICTYPE_BITMAP;
  description.bmp.hbitmap = CreateBitmap(16, 16, 1, 32, nullptr);
  ComRef<IPictureDisp> picture;
  OleCreatePictureIndirect(&description, IID_IPictureDisp, TRUE, picture.OutVoid());
  return picture;
}

TEST(LateBinding, PictureIsPutAndByReferenceWhenThatIsAllTheHostKnows) {
  ComRef<IPictureDisp> face = MakePicture();
  ASSERT_TRUE(face);
  auto picture = std::make_shared<win32::ComPicture>(face);
  EXPECT_EQ(picture->Get(), face.Get());

  FakeObject office, refOnly;
  office.Accepts(L"Picture", 0x600E);
  refOnly.On(L"Picture", 0x600E, [](const Invocation& call, VARIANT*, EXCEPINFO*) {
    return call.flags == DISPATCH_PROPERTYPUTREF ? S_OK : DISP_E_MEMBERNOTFOUND;
  });
  win32::WrapCommandBarButton(office.Dispatch())->SetPicture(picture);
  win32::WrapCommandBarButton(refOnly.Dispatch())->SetPicture(picture);

  ASSERT_EQ(office.calls.size(), 1u);
  EXPECT_EQ(office.Last().flags, DISPATCH_PROPERTYPUT);
  ASSERT_EQ(office.Last().args.size(), 1u);
  EXPECT_EQ(office.Last().args[0].Type(), VT_DISPATCH);
  EXPECT_EQ(V_DISPATCH(&office.Last().args[0].Get()), static_cast<IDispatch*>(face.Get()));
  ASSERT_EQ(refOnly.calls.size(), 2u);
  EXPECT_EQ(refOnly.calls[0].flags, DISPATCH_PROPERTYPUT);
  EXPECT_EQ(refOnly.calls[1].flags, DISPATCH_PROPERTYPUTREF);
  EXPECT_EQ(refOnly.calls[1].named, std::vector<DISPID>{DISPID_PROPERTYPUT});

  // A picture that is not a COM picture cannot be given to the host.
  class Foreign : public host::Picture {};
  try {
    win32::WrapCommandBarButton(office.Dispatch())->SetPicture(std::make_shared<Foreign>());
    ADD_FAILURE() << "a foreign picture was put";
  } catch (const ZError& e) {
    EXPECT_TRUE(e.IsTypeMismatch());
  }
  EXPECT_EQ(office.calls.size(), 1u);
}

TEST(LateBinding, OmittedOptionalArgumentsAreMarkedAndTrailingOnesLeftOff) {
  FakeObject controls, button, label, commandBar, bars, explorer;
  button.AlsoIs(kCommandBarButton);
  button.Accepts(L"Caption", kCaption);
  button.Accepts(L"Delete", 0x6007);
  bool giveLabel = false;
  controls.ReturnsValue(L"Add", 0x1, [&] {
    return Variant::Object(giveLabel ? label.Dispatch() : button.Dispatch());
  });
  commandBar.ReturnsObject(L"Controls", 0x2, controls.Dispatch());
  explorer.ReturnsObject(L"CommandBars", 0x4, bars.Dispatch());
  {
    FakeEnum elements(ListOf(Variant::Object(commandBar.Dispatch())));
    bars.ReturnsValue(L"_NewEnum", DISPID_NEWENUM,
                      [&] { return Variant::Unknown(static_cast<IEnumVARIANT*>(&elements)); });
    auto found = win32::WrapExplorer(explorer.Dispatch())->CommandBars()->Enumerate()->Next();
    ASSERT_TRUE(found);
    host::ControlAddArgs args;
    args.type = host::kMsoControlButton;
    args.temporary = true;
    auto added = found->Controls()->Add(args);
    ASSERT_TRUE(added);
    added->SetCaption("Zormint");
    added->Delete();
    added->Delete(false);

    giveLabel = true;
    try {
      found->Controls()->Add(args);
      ADD_FAILURE() << "a control that is not a button was handed out as one";
    } catch (const ZError& e) {
      EXPECT_TRUE(e.IsTypeMismatch()) << e.Code();
    }
    giveLabel = false;
    host::ControlAddArgs all;
    all.type = 1;
    all.id = 2;
    all.parameter = "p";
    all.before = 3;
    found->Controls()->Add(all);
  }
  ASSERT_EQ(controls.calls.size(), 3u);
  const Invocation& add = controls.calls[0];
  EXPECT_EQ(add.flags, DISPATCH_METHOD);
  EXPECT_TRUE(add.named.empty());
  ASSERT_EQ(add.args.size(), 5u);
  EXPECT_EQ(add.args[4].Type(), VT_I4);  // Type, first argument, last in DISPPARAMS
  EXPECT_EQ(V_I4(&add.args[4].Get()), 1);
  for (int missing : {1, 2, 3}) {
    EXPECT_EQ(add.args[missing].Type(), VT_ERROR);
    EXPECT_EQ(V_ERROR(&add.args[missing].Get()), DISP_E_PARAMNOTFOUND);
  }
  EXPECT_EQ(add.args[0].Type(), VT_BOOL);  // Temporary
  EXPECT_EQ(V_BOOL(&add.args[0].Get()), VARIANT_TRUE);
  // Temporary not given: Type, Id, Parameter, Before only.
  const Invocation& full = controls.calls[2];
  ASSERT_EQ(full.args.size(), 4u);
  EXPECT_EQ(V_I4(&full.args[3].Get()), 1);
  EXPECT_EQ(V_I4(&full.args[2].Get()), 2);
  EXPECT_EQ(TextOf(full.args[1].Get()), L"p");
  EXPECT_EQ(V_I4(&full.args[0].Get()), 3);
  // The button's calls: Caption, Delete(), Delete(False).
  EXPECT_EQ(button.CallsOf(kCaption), 1);
  ASSERT_EQ(button.CallsOf(0x6007), 2);
  EXPECT_EQ(button.calls[1].flags, DISPATCH_METHOD);
  EXPECT_TRUE(button.calls[1].args.empty());
  ASSERT_EQ(button.calls[2].args.size(), 1u);
  EXPECT_EQ(V_BOOL(&button.calls[2].args[0].Get()), VARIANT_FALSE);
  EXPECT_EQ(win32::LiveAdapterCount(), 0);
  EXPECT_EQ(button.References(), 1u);
  EXPECT_EQ(label.References(), 1u);
  for (FakeObject* fake : {&controls, &commandBar, &bars, &explorer})
    EXPECT_EQ(fake->References(), 1u);
}

// An exception the host raises, its text filled in only when asked for.
int fillIns = 0;
HRESULT STDMETHODCALLTYPE FillLater(EXCEPINFO* info) {
  ++fillIns;
  info->bstrDescription = SysAllocString(L"The operation failed. The object could not be found.");
  info->bstrSource = SysAllocString(L"Microsoft Outlook");
  info->scode = static_cast<SCODE>(0x8004010F);
  return S_OK;
}

TEST(LateBinding, FailuresCarryTheHostsCodeAndDescription) {
  FakeObject explorer;
  explorer.On(L"Selection", 1, [](const Invocation&, VARIANT*, EXCEPINFO*) { return E_ABORT; });
  explorer.On(L"CurrentFolder", 2, [](const Invocation&, VARIANT*, EXCEPINFO* info) {
    info->bstrDescription = SysAllocString(L"Array index out of bounds.");
    info->scode = DISP_E_TYPEMISMATCH;
    return DISP_E_EXCEPTION;
  });
  explorer.On(L"CommandBars", 3, [](const Invocation&, VARIANT*, EXCEPINFO* info) {
    info->pfnDeferredFillIn = &FillLater;
    return DISP_E_EXCEPTION;
  });
  auto adapter = win32::WrapExplorer(explorer.Dispatch());
  auto codeOf = [](auto call) -> std::pair<int32_t, std::string> {
    try {
      call();
    } catch (const ZError& e) {
      return {e.Code(), e.Description()};
    }
    return {0, "no failure"};
  };
  auto [selectionCode, selectionText] = codeOf([&] { adapter->Selection(); });
  EXPECT_EQ(selectionCode, static_cast<int32_t>(E_ABORT));
  EXPECT_NE(selectionText.find("Explorer.Selection"), std::string::npos) << selectionText;

  auto [folderCode, folderText] = codeOf([&] { adapter->CurrentFolder(); });
  EXPECT_EQ(folderCode, err::kDispTypeMismatch);
  EXPECT_EQ(folderText, "Array index out of bounds.");

  auto [barsCode, barsText] = codeOf([&] { adapter->CommandBars(); });
  EXPECT_EQ(barsCode, static_cast<int32_t>(0x8004010F));
  EXPECT_EQ(barsText, "The operation failed. The object could not be found.");
  EXPECT_EQ(fillIns, 1);

  // A name the object does not know.
  auto [nameCode, nameText] = codeOf([&] {
    LateBound(ComRef<IDispatch>::Share(explorer.Dispatch()), "Explorer").Get(L"Missing");
  });
  EXPECT_EQ(nameCode, err::kDispUnknownName);
  EXPECT_NE(nameText.find("Explorer.Missing"), std::string::npos) << nameText;
  adapter.reset();
  EXPECT_EQ(explorer.References(), 1u);
}

TEST(LateBinding, CommandBarsEnumerateAndStopAtAnElementThatIsNoBar) {
  FakeObject standard, web, bars, explorer;
  standard.ReturnsValue(L"Name", 7, [] { return Variant::Text(L"Standard"); });
  web.ReturnsValue(L"Name", 7, [] { return Variant::Text(L"Web"); });
  {
    FakeEnum elements(ListOf(Variant::Object(web.Dispatch()), Variant::Int(5),
                             Variant::Object(nullptr), Variant::Object(standard.Dispatch())));
    bars.ReturnsValue(L"_NewEnum", DISPID_NEWENUM,
                      [&] { return Variant::Unknown(static_cast<IEnumVARIANT*>(&elements)); });
    explorer.ReturnsObject(L"CommandBars", 1, bars.Dispatch());
    {
      auto enumeration = win32::WrapExplorer(explorer.Dispatch())->CommandBars()->Enumerate();
      auto first = enumeration->Next();
      ASSERT_TRUE(first);
      EXPECT_EQ(first->Name(), "Web");
      for (int notABar = 0; notABar < 2; ++notABar) {
        try {
          enumeration->Next();
          ADD_FAILURE() << "element " << notABar + 2 << " is no command bar";
        } catch (const ZError& e) {
          EXPECT_TRUE(e.IsTypeMismatch()) << e.Code();
        }
      }
      auto last = enumeration->Next();
      ASSERT_TRUE(last);
      EXPECT_EQ(last->Name(), "Standard");
      EXPECT_EQ(enumeration->Next(), nullptr);
      EXPECT_EQ(enumeration->Next(), nullptr);
    }
    EXPECT_EQ(elements.References(), 1u);
  }
  ASSERT_EQ(bars.calls.size(), 1u);
  EXPECT_EQ(bars.Last().id, DISPID_NEWENUM);
  EXPECT_EQ(bars.Last().flags, kGetFlags);
  EXPECT_TRUE(bars.lookups.empty());  // _NewEnum is called by its fixed DISPID
  EXPECT_EQ(win32::LiveAdapterCount(), 0);
  for (FakeObject* fake : {&standard, &web, &bars, &explorer})
    EXPECT_EQ(fake->References(), 1u);
}

}  // namespace
}  // namespace zormint::wine_test

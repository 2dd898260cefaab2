// The simulated Outlook's COM face, seen by a late-bound client: the published names and
// numbers, collections and enumeration, optional arguments, events, reference counts and the
// way failures of the model reach the caller; and the add-in's own adapters and event sinks
// over it, which must reach every member and event by name and let go of everything.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "com_client.h"
#include "common/error.h"
#include "sim/com/com_face.h"
#include "sim/model/outlook_sim.h"
#include "support/wine_test.h"
#include "win32/com/text.h"
#include "win32/outlook/adapters.h"
#include "win32/outlook/event_sinks.h"

namespace zormint::wine_test::outlook {
namespace {

using sim::WindowRef;

class Face : public testing::Test {
 protected:
  Face() {
    inbox = model->AddFolder("Inbox", host::kOlMailItem);
    sim::ItemSpec contents;
    contents.attachments = {{"beach.jpg", "jpeg bytes", host::kOlByValue, "image001.png@01DA0000"},
                            {"notes.txt", "text"}};
    mail = model->AddItem(inbox, contents);
    contents.saved = false;
    draft = model->AddItem(inbox, contents);
    app = sim::com::NewApplicationObject(model->Application());
  }
  ~Face() override {
    app.Reset();
    EXPECT_EQ(model->LiveReferences(), 0) << model->DescribeLiveReferences();
    EXPECT_EQ(model->ConnectedSinks(), 0);
  }

  // The "Standard" bar of the window's CommandBars, through COM.
  ComRef<IDispatch> StandardBar(IDispatch* window) {
    ComRef<IDispatch> bars = Object(window, L"CommandBars");
    if (!bars) return {};
    return Object(bars.Get(), L"Item", {Variant::Text(L"Standard")});
  }
  ComRef<IDispatch> AddButton(IDispatch* bar) {
    ComRef<IDispatch> controls = Object(bar, L"Controls");
    if (!controls) return {};
    return Object(controls.Get(), L"Add",
                  {Variant::Int(1), Variant::Missing(), Variant::Missing(), Variant::Missing(),
                   Variant::Bool(true)});
  }

  Apartment apartment;
  std::shared_ptr<sim::Outlook> model = sim::Outlook::Create();
  sim::FolderId inbox = 0;
  sim::ItemId mail = 0, draft = 0;
  ComRef<IDispatch> app;
};

TEST_F(Face, MembersAnswerOutlooksNamesAndNumbersCaseInsensitively) {
  const sim::ExplorerId explorer = model->OpenExplorer(inbox);
  model->Select(explorer, {mail});
  model->OpenInspector(mail);
  ComRef<IDispatch> explorers = Object(app.Get(), L"Explorers");
  ComRef<IDispatch> inspectors = Object(app.Get(), L"Inspectors");
  ComRef<IDispatch> xpl = Object(app.Get(), L"ActiveExplorer");
  ComRef<IDispatch> isp = Object(inspectors.Get(), L"Item", {Variant::Int(1)});
  ComRef<IDispatch> selection = Object(xpl.Get(), L"Selection");
  ComRef<IDispatch> item = Object(selection.Get(), L"Item", {Variant::Int(1)});
  ComRef<IDispatch> attachments = Object(item.Get(), L"Attachments");
  ComRef<IDispatch> attachment = Object(attachments.Get(), L"Item", {Variant::Int(1)});
  ComRef<IDispatch> properties = Object(attachment.Get(), L"PropertyAccessor");
  ComRef<IDispatch> bars = Object(xpl.Get(), L"CommandBars");
  ComRef<IDispatch> bar = StandardBar(xpl.Get());
  ComRef<IDispatch> controls = Object(bar.Get(), L"Controls");
  ComRef<IDispatch> button = AddButton(bar.Get());
  ASSERT_TRUE(button);
  ComRef<IDispatch> folder = Object(xpl.Get(), L"CurrentFolder");

  struct Member {
    IDispatch* object;
    const IID* iid;
    const wchar_t* name;
    DISPID id;
  };
  const Member members[] = {
      {app.Get(), &IID__Application, L"ActiveExplorer", 0x111},
      {app.Get(), &IID__Application, L"Explorers", 0x119},
      {app.Get(), &IID__Application, L"inspectors", 0x11A},
      {app.Get(), &IID__Application, L"Version", 0x116},
      {xpl.Get(), &IID__Explorer, L"Class", 0xF00A},
      {isp.Get(), &IID__Inspector, L"Class", 0xF00A},
      {attachment.Get(), &IID_Attachment, L"Parent", 0xF001},
      {explorers.Get(), &IID__Explorers, L"Count", 0x50},
      {explorers.Get(), &IID__Explorers, L"Item", 0x51},
      {inspectors.Get(), &IID__Inspectors, L"ITEM", 0x51},
      {xpl.Get(), &IID__Explorer, L"CommandBars", 0x2100},
      {xpl.Get(), &IID__Explorer, L"CurrentFolder", 0x2101},
      {xpl.Get(), &IID__Explorer, L"Selection", 0x2202},
      {isp.Get(), &IID__Inspector, L"CommandBars", 0x2100},
      {isp.Get(), &IID__Inspector, L"CurrentItem", 0x2102},
      {isp.Get(), &IID__Inspector, L"IsWordMail", 0x2105},
      {folder.Get(), &IID_MAPIFolder, L"DefaultItemType", 0x3106},
      {selection.Get(), &IID_Selection, L"count", 0x50},
      {item.Get(), &IID__MailItem, L"Class", 0xF00A},
      {item.Get(), &IID__MailItem, L"Saved", 0xF0A3},
      {item.Get(), &IID__MailItem, L"EntryID", 0xF01E},
      {item.Get(), &IID__MailItem, L"Attachments", 0xF815},
      {attachments.Get(), &IID_Attachments, L"Item", 0x51},
      {attachment.Get(), &IID_Attachment, L"FileName", 0x3704},
      {attachment.Get(), &IID_Attachment, L"Type", 0x3705},
      {attachment.Get(), &IID_Attachment, L"PropertyAccessor", 0xFAFD},
      {properties.Get(), &IID__PropertyAccessor, L"GetProperty", 0xFAFB},
      {attachment.Get(), &IID_Attachment, L"SaveAsFile", 0x68},
      {bars.Get(), &IID__CommandBars, L"Item", DISPID_VALUE},
      {bars.Get(), &IID__CommandBars, L"_NewEnum", DISPID_NEWENUM},
      {bar.Get(), &IID_CommandBar, L"Name", 0x6004000E},
      {bar.Get(), &IID_CommandBar, L"Controls", 0x60040003},
      {controls.Get(), &IID_CommandBarControls, L"Add", 0x60030000},
      {button.Get(), &IID__CommandBarButton, L"Caption", 0x60040003},
      {button.Get(), &IID__CommandBarButton, L"Tag", 0x60040023},
      {button.Get(), &IID__CommandBarButton, L"TooltipText", 0x60040025},
      {button.Get(), &IID__CommandBarButton, L"OnAction", 0x6004001A},
      {button.Get(), &IID__CommandBarButton, L"BeginGroup", 0x60040000},
      {button.Get(), &IID__CommandBarButton, L"Enabled", 0x6004000A},
      {button.Get(), &IID__CommandBarButton, L"Delete", 0x60040007},
      {button.Get(), &IID__CommandBarButton, L"Style", 0x6005000A},
      {button.Get(), &IID__CommandBarButton, L"picture", 0x6005000E},
  };
  for (const Member& member : members) {
    ASSERT_TRUE(member.object) << testing::PrintToString(std::wstring(member.name));
    EXPECT_EQ(IdOf(member.object, member.name), member.id)
        << testing::PrintToString(std::wstring(member.name));
    ComRef<IUnknown> typed;
    EXPECT_EQ(member.object->QueryInterface(*member.iid, typed.OutVoid()), S_OK)
        << testing::PrintToString(std::wstring(member.name));
  }
  // A button is a command-bar control too; an Explorer is not a command bar.
  ComRef<IUnknown> control;
  EXPECT_EQ(button->QueryInterface(IID_CommandBarControl, control.OutVoid()), S_OK);
  EXPECT_EQ(xpl->QueryInterface(IID_CommandBar, control.OutVoid()), E_NOINTERFACE);
  // Names the simulation does not implement are unknown, not answered with a made-up number.
  LPOLESTR unknown[] = {const_cast<LPOLESTR>(L"Subject")};
  DISPID id = 0;
  EXPECT_EQ(item->GetIDsOfNames(IID_NULL, unknown, 1, LOCALE_USER_DEFAULT, &id),
            DISP_E_UNKNOWNNAME);
}

TEST_F(Face, ReadsGiveTheModelsValuesThroughTheVtableAndByName) {
  const sim::ExplorerId explorer = model->OpenExplorer(inbox);
  model->Select(explorer, {mail, draft});
  ComRef<IDispatch> explorers = Object(app.Get(), L"Explorers");
  EXPECT_EQ(Number(explorers.Get(), L"Count"), 1);
  ComRef<IDispatch> selection = Object(Object(app.Get(), L"ActiveExplorer").Get(), L"Selection");
  EXPECT_EQ(Number(selection.Get(), L"Count"), 2);
  ComRef<IDispatch> second = Object(selection.Get(), L"Item", {Variant::Int(2, VT_I2)});
  EXPECT_EQ(Number(second.Get(), L"Class"), host::kOlMail);
  const std::string entryId = model->EntryIdOf(draft);
  EXPECT_EQ(String(second.Get(), L"EntryID"), entryId);
  CallResult saved = Call(second.Get(), L"Saved", DISPATCH_PROPERTYGET);
  ASSERT_EQ(V_VT(saved.value.Ptr()), VT_BOOL);
  EXPECT_EQ(V_BOOL(saved.value.Ptr()), VARIANT_FALSE);

  // The same through the dual interface's vtable.
  ComRef<_Explorers> typed;
  ASSERT_EQ(explorers->QueryInterface(IID__Explorers, typed.OutVoid()), S_OK);
  LONG count = 0;
  EXPECT_EQ(typed->get_Count(&count), S_OK);
  EXPECT_EQ(count, 1);

  // An Item index may come as text; a collection's Item is a method, not the default value.
  ComRef<IDispatch> first = Object(explorers.Get(), L"Item", {Variant::Text(L"1")});
  EXPECT_TRUE(first);
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  VARIANT result;
  VariantInit(&result);
  EXPECT_EQ(explorers->Invoke(DISPID_VALUE, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result,
                              nullptr, nullptr),
            DISP_E_MEMBERNOTFOUND);
  CallResult outside = Call(explorers.Get(), L"Item", DISPATCH_METHOD, {Variant::Int(2)});
  EXPECT_EQ(outside.hr, DISP_E_EXCEPTION);
  EXPECT_EQ(outside.scode, DISP_E_BADINDEX);

  // IOleWindow gives the window the model shows, none while it shows none.
  const sim::InspectorId inspector = model->OpenInspector(mail);
  ComRef<IDispatch> isp =
      Object(Object(app.Get(), L"Inspectors").Get(), L"Item", {Variant::Int(1)});
  for (IDispatch* object : {first.Get(), isp.Get()}) {
    ComRef<IOleWindow> ole;
    ASSERT_EQ(object->QueryInterface(IID_IOleWindow, ole.OutVoid()), S_OK);
    HWND window = reinterpret_cast<HWND>(1);
    EXPECT_EQ(ole->GetWindow(&window), S_OK);
    EXPECT_EQ(window, nullptr);
  }
  HWND shown = GetDesktopWindow();
  model->SetWindowHandle({sim::WindowRef::kExplorer, explorer}, reinterpret_cast<uintptr_t>(shown));
  model->SetWindowHandle({sim::WindowRef::kInspector, inspector}, 0x10);
  ComRef<IOleWindow> ole;
  ASSERT_EQ(first->QueryInterface(IID_IOleWindow, ole.OutVoid()), S_OK);
  HWND window = nullptr;
  EXPECT_EQ(ole->GetWindow(&window), S_OK);
  EXPECT_EQ(window, shown);
  ASSERT_EQ(isp->QueryInterface(IID_IOleWindow, ole.OutVoid()), S_OK);
  EXPECT_EQ(ole->GetWindow(&window), S_OK);
  EXPECT_EQ(window, reinterpret_cast<HWND>(0x10));
  model->Faults().FailMember("Explorer.GetWindow");
  ASSERT_EQ(first->QueryInterface(IID_IOleWindow, ole.OutVoid()), S_OK);
  EXPECT_EQ(ole->GetWindow(&window), E_FAIL);
  model->Faults().ClearFaults();
  model->CloseInspector(inspector);

  // No Explorer: ActiveExplorer is Nothing.
  model->CloseExplorer(explorer);
  CallResult active = Call(app.Get(), L"ActiveExplorer", DISPATCH_METHOD);
  EXPECT_EQ(active.hr, S_OK);
  EXPECT_EQ(V_VT(active.value.Ptr()), VT_DISPATCH);
  EXPECT_EQ(V_DISPATCH(active.value.Ptr()), nullptr);
}

TEST_F(Face, CommandBarsEnumerateTheWindowsBars) {
  model->SetNewWindowBars({"Menu Bar", "", "Standard"});
  model->OpenExplorer(inbox);
  ComRef<IDispatch> bars = Object(Object(app.Get(), L"ActiveExplorer").Get(), L"CommandBars");
  CallResult newEnum = Call(bars.Get(), L"_NewEnum", DISPATCH_METHOD | DISPATCH_PROPERTYGET);
  ASSERT_EQ(newEnum.hr, S_OK);
  ASSERT_EQ(V_VT(newEnum.value.Ptr()), VT_UNKNOWN);
  ComRef<IEnumVARIANT> items;
  ASSERT_EQ(V_UNKNOWN(newEnum.value.Ptr())->QueryInterface(IID_IEnumVARIANT, items.OutVoid()),
            S_OK);

  VARIANT got[5];
  ULONG fetched = 0;
  EXPECT_EQ(items->Next(5, got, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 3u);
  ASSERT_EQ(V_VT(&got[0]), VT_DISPATCH);
  EXPECT_EQ(String(V_DISPATCH(&got[0]), L"Name"), "Menu Bar");
  EXPECT_EQ(V_VT(&got[1]), VT_EMPTY);  // not a command bar
  ASSERT_EQ(V_VT(&got[2]), VT_DISPATCH);
  EXPECT_EQ(String(V_DISPATCH(&got[2]), L"Name"), "Standard");
  for (ULONG i = 0; i < fetched; ++i)
    VariantClear(&got[i]);
  EXPECT_EQ(items->Next(1, got, &fetched), S_FALSE);
  EXPECT_EQ(fetched, 0u);

  EXPECT_EQ(Number(bars.Get(), L"Count"), 3);
  ComRef<IDispatch> standard = Object(bars.Get(), L"Item", {Variant::Text(L"STANDARD")});
  EXPECT_EQ(String(standard.Get(), L"Name"), "Standard");
  CallResult missing =
      Call(bars.Get(), L"Item", DISPATCH_PROPERTYGET, {Variant::Text(L"Formatting")});
  EXPECT_EQ(missing.hr, DISP_E_EXCEPTION);
}

TEST_F(Face, ControlsAddTakesOptionalArgumentsAndButtonsTakeTheirProperties) {
  const sim::ExplorerId explorer = model->OpenExplorer(inbox);
  const WindowRef window{WindowRef::kExplorer, explorer};
  ComRef<IDispatch> bar = StandardBar(Object(app.Get(), L"ActiveExplorer").Get());
  ComRef<IDispatch> controls = Object(bar.Get(), L"Controls");

  // Every argument left out (fewer arguments than parameters): a permanent button at the end.
  ComRef<IDispatch> plain = Object(controls.Get(), L"Add");
  // Type as VT_I2, Temporary as VT_BOOL, the others omitted the way COM passes them.
  ComRef<IDispatch> temporary =
      Object(controls.Get(), L"Add",
             {Variant::Int(1, VT_I2), Variant::Missing(), Variant::Missing(), Variant::Missing(),
              Variant::Bool(true)});
  // Before: 1 puts it first.
  ComRef<IDispatch> first =
      Object(controls.Get(), L"Add",
             {Variant::Int(1), Variant::Missing(), Variant::Missing(), Variant::Int(1)});
  ASSERT_TRUE(plain && temporary && first);
  // By name, as VB writes Controls.Add(Type:=1, Temporary:=True): a temporary button too.
  LPOLESTR names[] = {const_cast<LPOLESTR>(L"Add"), const_cast<LPOLESTR>(L"Temporary"),
                      const_cast<LPOLESTR>(L"Type")};
  DISPID ids[3] = {};
  ASSERT_EQ(controls->GetIDsOfNames(IID_NULL, names, 3, LOCALE_USER_DEFAULT, ids), S_OK);
  VARIANT named[2] = {Variant::Bool(true).Detach(), Variant::Int(1).Detach()};
  DISPPARAMS params = {named, &ids[1], 2, 2};
  Variant added;
  ASSERT_EQ(controls->Invoke(ids[0], IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                             added.Out(), nullptr, nullptr),
            S_OK);
  std::vector<sim::ControlView> views = model->Controls(window, "Standard");
  ASSERT_EQ(views.size(), 7u);
  EXPECT_TRUE(views[6].temporary);
  ComRef<IDispatch> byName = ComRef<IDispatch>::Share(V_DISPATCH(added.Ptr()));
  CallResult deleted = Call(byName.Get(), L"Delete", DISPATCH_METHOD, {Variant::Bool(false)});
  ASSERT_EQ(deleted.hr, S_OK);
  views = model->Controls(window, "Standard");
  ASSERT_EQ(views.size(), 6u);
  EXPECT_TRUE(views[0].addedByAddIn);
  EXPECT_FALSE(views[4].temporary);
  EXPECT_TRUE(views[5].temporary);

  // Properties, with the conversions Automation makes (a number for a Boolean).
  EXPECT_EQ(Put(temporary.Get(), L"Caption", Variant::Text(L"Zormint")), S_OK);
  EXPECT_EQ(Put(temporary.Get(), L"Tag", Variant::Text(L"EXPLORER12")), S_OK);
  EXPECT_EQ(Put(temporary.Get(), L"TooltipText", Variant::Text(L"View All Picture Attachments")),
            S_OK);
  EXPECT_EQ(Put(temporary.Get(), L"OnAction", Variant::Text(L"!<ZORMINT.dsrWrapper>")), S_OK);
  EXPECT_EQ(Put(temporary.Get(), L"BeginGroup", Variant::Bool(true)), S_OK);
  EXPECT_EQ(Put(temporary.Get(), L"Enabled", Variant::Int(0)), S_OK);
  EXPECT_EQ(Put(temporary.Get(), L"Style", Variant::Int(1)), S_OK);

  // A picture: its bitmap's size and depth become the button's face.
  HDC screen = GetDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 16, 16);
  ReleaseDC(nullptr, screen);
  PICTDESC desc = {};
  desc.cbSizeofstruct = sizeof desc;
  desc.picType = PICTYPE_BITMAP;
  desc.bmp.hbitmap = bitmap;
  ComRef<IPictureDisp> picture;
  ASSERT_EQ(OleCreatePictureIndirect(&desc, IID_IPictureDisp, TRUE, picture.OutVoid()), S_OK);
  EXPECT_EQ(
      Put(temporary.Get(), L"Picture", Variant::Object(picture.Get()), DISPATCH_PROPERTYPUTREF),
      S_OK);

  views = model->Controls(window, "Standard");
  const sim::ControlView& button = views[5];
  EXPECT_EQ(button.caption, "Zormint");
  EXPECT_EQ(button.tag, "EXPLORER12");
  EXPECT_EQ(button.tooltipText, "View All Picture Attachments");
  EXPECT_EQ(button.onAction, "!<ZORMINT.dsrWrapper>");
  EXPECT_TRUE(button.beginGroup);
  EXPECT_FALSE(button.enabled);
  EXPECT_EQ(button.style, 1);
  auto* picFace = dynamic_cast<const sim::SimPicture*>(button.picture.get());
  ASSERT_NE(picFace, nullptr);
  EXPECT_EQ(picFace->width, 16);
  EXPECT_EQ(picFace->height, 16);
  EXPECT_GT(picFace->bitsPerPixel, 0);

  // A control that is not a button is added but cannot be handed back as one.
  CallResult popup = Call(controls.Get(), L"Add", DISPATCH_METHOD, {Variant::Int(10)});
  EXPECT_EQ(popup.hr, DISP_E_EXCEPTION);
  EXPECT_EQ(popup.scode, DISP_E_TYPEMISMATCH);

  // Delete, with its optional argument left out, takes the button off the bar.
  CallResult removed = Call(temporary.Get(), L"Delete", DISPATCH_METHOD);
  EXPECT_EQ(removed.hr, S_OK);
  EXPECT_EQ(model->Controls(window, "Standard").size(), 6u);  // 7 with the popup, less one
  CallResult again =
      Call(temporary.Get(), L"Caption", DISPATCH_PROPERTYPUT, {Variant::Text(L"gone")});
  EXPECT_EQ(again.hr, DISP_E_EXCEPTION);
}

TEST_F(Face, EventsReachSinksWithThePublishedNumbersAndArguments) {
  ComRef<IDispatch> explorers = Object(app.Get(), L"Explorers");
  ComRef<IDispatch> inspectors = Object(app.Get(), L"Inspectors");
  ComRef<RecordingSink> onExplorers = RecordingSink::Make(DIID_ExplorersEvents);
  ComRef<RecordingSink> onInspectors = RecordingSink::Make(DIID_InspectorsEvents);
  ASSERT_EQ(onExplorers->Connect(explorers.Get()), S_OK);
  ASSERT_EQ(onInspectors->Connect(inspectors.Get()), S_OK);
  EXPECT_EQ(model->ConnectedSinks(), 2);

  const sim::ExplorerId explorer = model->OpenExplorer(inbox);
  ASSERT_EQ(onExplorers->events.size(), 1u);
  EXPECT_EQ(onExplorers->events[0].id, 0xF001);
  EXPECT_EQ(onExplorers->events[0].types, std::vector<VARTYPE>{VT_DISPATCH});
  ComRef<IUnknown> typed;
  ASSERT_TRUE(onExplorers->events[0].object);
  EXPECT_EQ(onExplorers->events[0].object->QueryInterface(IID__Explorer, typed.OutVoid()), S_OK);

  // The Explorer's own events.
  ComRef<RecordingSink> onExplorer = RecordingSink::Make(DIID_ExplorerEvents_10);
  ASSERT_EQ(onExplorer->Connect(onExplorers->events[0].object.Get()), S_OK);
  model->Select(explorer, {mail});
  model->SwitchFolder(explorer, inbox);
  model->ActivateExplorer(explorer);
  model->SwitchView(explorer);
  std::vector<DISPID> ids;
  for (const auto& event : onExplorer->events)
    ids.push_back(event.id);
  EXPECT_EQ(ids, (std::vector<DISPID>{0xF007, 0xF002, 0xF001, 0xF004}));

  // NewInspector, then the Inspector's and its item's events; an item's Close can be cancelled.
  const sim::InspectorId inspector = model->OpenInspector(mail);
  ASSERT_EQ(onInspectors->events.size(), 1u);
  ComRef<IDispatch> isp = onInspectors->events[0].object;
  ASSERT_TRUE(isp);
  ComRef<RecordingSink> onInspector = RecordingSink::Make(DIID_InspectorEvents_10);
  ASSERT_EQ(onInspector->Connect(isp.Get()), S_OK);
  ComRef<RecordingSink> onItem = RecordingSink::Make(DIID_ItemEvents_10);
  ASSERT_EQ(onItem->Connect(Object(isp.Get(), L"CurrentItem").Get()), S_OK);
  onItem->setCancel = true;
  model->CloseInspector(inspector);
  ASSERT_EQ(onItem->events.size(), 1u);
  EXPECT_EQ(onItem->events[0].id, 0xF004);
  EXPECT_EQ(onItem->events[0].types, std::vector<VARTYPE>{VT_BOOL | VT_BYREF});
  EXPECT_EQ(model->OpenInspectors(), std::vector<sim::InspectorId>{inspector});  // refused
  onItem->setCancel = false;
  model->DeactivateInspector(inspector);
  model->CloseInspector(inspector);
  ids.clear();
  for (const auto& event : onInspector->events)
    ids.push_back(event.id);
  EXPECT_EQ(ids, (std::vector<DISPID>{0xF006, 0xF008}));

  // Click(Ctrl, CancelDefault): reversed, CancelDefault by reference, Ctrl a button.
  ComRef<IDispatch> button = AddButton(StandardBar(onExplorers->events[0].object.Get()).Get());
  ASSERT_EQ(Put(button.Get(), L"Tag", Variant::Text(L"T1")), S_OK);
  ComRef<RecordingSink> onClick = RecordingSink::Make(DIID__CommandBarButtonEvents);
  ASSERT_EQ(onClick->Connect(button.Get()), S_OK);
  EXPECT_TRUE(model->Click({WindowRef::kExplorer, explorer}, "T1"));
  ASSERT_EQ(onClick->events.size(), 1u);
  EXPECT_EQ(onClick->events[0].id, 1);
  EXPECT_EQ(onClick->events[0].types, (std::vector<VARTYPE>{VT_BOOL | VT_BYREF, VT_DISPATCH}));
  ASSERT_TRUE(onClick->events[0].object);
  EXPECT_EQ(onClick->events[0].object->QueryInterface(IID__CommandBarButton, typed.OutVoid()),
            S_OK);

  // A connection holds its sink until Unadvise; a second Unadvise finds nothing.
  const ULONG held = onClick->References();
  EXPECT_EQ(onClick->Disconnect(), S_OK);
  EXPECT_LT(onClick->References(), held);
  EXPECT_TRUE(model->Click({WindowRef::kExplorer, explorer}, "T1"));
  EXPECT_EQ(onClick->events.size(), 1u);

  for (RecordingSink* sink :
       {onExplorers.Get(), onInspectors.Get(), onExplorer.Get(), onInspector.Get(), onItem.Get()}) {
    EXPECT_EQ(sink->Disconnect(), S_OK);
  }
  EXPECT_EQ(model->ConnectedSinks(), 0);
  EXPECT_EQ(model->EscapedExceptions(), 0);
}

TEST_F(Face, ConnectionPointsRefuseWhatCannotConnect) {
  ComRef<IDispatch> explorers = Object(app.Get(), L"Explorers");
  ComRef<IConnectionPointContainer> container;
  ASSERT_EQ(explorers->QueryInterface(IID_IConnectionPointContainer, container.OutVoid()), S_OK);
  ComRef<IConnectionPoint> point;
  EXPECT_EQ(container->FindConnectionPoint(DIID_InspectorsEvents, point.Out()),
            CONNECT_E_NOCONNECTION);
  ASSERT_EQ(container->FindConnectionPoint(DIID_ExplorersEvents, point.Out()), S_OK);
  IID iid;
  EXPECT_EQ(point->GetConnectionInterface(&iid), S_OK);
  EXPECT_EQ(iid, DIID_ExplorersEvents);
  // A sink that does not answer the event interface.
  ComRef<RecordingSink> wrong = RecordingSink::Make(DIID_ItemEvents_10);
  DWORD cookie = 0;
  EXPECT_EQ(point->Advise(static_cast<IDispatch*>(wrong.Get()), &cookie), CONNECT_E_CANNOTCONNECT);
  EXPECT_EQ(point->Unadvise(12345), CONNECT_E_NOCONNECTION);
  // Objects without events are no connection-point containers.
  ComRef<IUnknown> none;
  EXPECT_EQ(app->QueryInterface(IID_IConnectionPointContainer, none.OutVoid()), E_NOINTERFACE);
}

TEST_F(Face, EveryObjectHandedOutIsAReferenceUntilReleased) {
  model->OpenExplorer(inbox);
  EXPECT_EQ(model->LiveReferences(), 1);  // the Application
  {
    ComRef<IDispatch> xpl = Object(app.Get(), L"ActiveExplorer");
    ComRef<IDispatch> bars = Object(xpl.Get(), L"CommandBars");
    ComRef<IDispatch> same = xpl;  // one more COM reference to the same object
    EXPECT_EQ(model->LiveReferences(), 3) << model->DescribeLiveReferences();
    ComRef<RecordingSink> sink = RecordingSink::Make(DIID_ExplorerEvents_10);
    ASSERT_EQ(sink->Connect(xpl.Get()), S_OK);
    xpl.Reset();
    same.Reset();
    // The connection point holds its Explorer while the sink is connected.
    EXPECT_EQ(model->LiveReferences(), 3) << model->DescribeLiveReferences();
    EXPECT_EQ(model->ConnectedSinks(), 1);
    EXPECT_EQ(sink->Disconnect(), S_OK);
    EXPECT_EQ(model->LiveReferences(), 2) << model->DescribeLiveReferences();
  }
  EXPECT_EQ(model->LiveReferences(), 1) << model->DescribeLiveReferences();
}

TEST_F(Face, ModelFailuresReachTheCallerAsAutomationReportsThem) {
  model->OpenExplorer(inbox);
  ComRef<IDispatch> explorers = Object(app.Get(), L"Explorers");

  // A failing member: DISP_E_EXCEPTION with the failure in EXCEPINFO.
  model->Faults().FailMember("Explorers.Count", 1, static_cast<int32_t>(E_FAIL));
  CallResult failed = Call(explorers.Get(), L"Count", DISPATCH_PROPERTYGET);
  EXPECT_EQ(failed.hr, DISP_E_EXCEPTION);
  EXPECT_EQ(failed.scode, E_FAIL);
  EXPECT_NE(failed.description.find("Explorers.Count"), std::string::npos);

  // A call the busy host rejects: Invoke itself answers.
  model->Faults().FailMember("Explorers.Count", 1, static_cast<int32_t>(RPC_E_CALL_REJECTED));
  CallResult rejected = Call(explorers.Get(), L"Count", DISPATCH_PROPERTYGET);
  EXPECT_EQ(rejected.hr, RPC_E_CALL_REJECTED);

  model->Faults().FailMember("Explorers.Count", 1, static_cast<int32_t>(DISP_E_EXCEPTION));
  CallResult exception = Call(explorers.Get(), L"Count", DISPATCH_PROPERTYGET);
  EXPECT_EQ(exception.hr, DISP_E_EXCEPTION);
  EXPECT_EQ(exception.scode, DISP_E_EXCEPTION);

  // Through the vtable: the HRESULT itself, with IErrorInfo.
  model->Faults().FailMember("Explorers.Count", 1, static_cast<int32_t>(E_FAIL));
  ComRef<_Explorers> typed;
  ASSERT_EQ(explorers->QueryInterface(IID__Explorers, typed.OutVoid()), S_OK);
  LONG count = 0;
  EXPECT_EQ(typed->get_Count(&count), E_FAIL);
  ComRef<IErrorInfo> info;
  ASSERT_EQ(GetErrorInfo(0, info.Out()), S_OK);
  BSTR description = nullptr;
  ASSERT_EQ(info->GetDescription(&description), S_OK);
  EXPECT_NE(std::wstring(description).find(L"Injected"), std::wstring::npos);
  SysFreeString(description);

  // The next call works again, and was recorded like every call.
  EXPECT_EQ(Number(explorers.Get(), L"Count"), 1);
  EXPECT_EQ(model->Faults().CallCount("Explorers.Count"), 5u);

  // A sink that fails its Invoke is an escape the model counts; the other sinks still hear.
  ComRef<RecordingSink> failing = RecordingSink::Make(DIID_ExplorersEvents);
  ComRef<RecordingSink> healthy = RecordingSink::Make(DIID_ExplorersEvents);
  failing->answer = E_FAIL;
  ASSERT_EQ(failing->Connect(explorers.Get()), S_OK);
  ASSERT_EQ(healthy->Connect(explorers.Get()), S_OK);
  model->OpenExplorer(inbox);
  EXPECT_EQ(model->EscapedExceptions(), 1);
  EXPECT_EQ(healthy->events.size(), 1u);
  EXPECT_EQ(failing->Disconnect(), S_OK);
  EXPECT_EQ(healthy->Disconnect(), S_OK);
}

// What the add-in hears of Outlook's events, through its adapters and sinks.
using Log = std::vector<std::string>;
struct Recorder : host::ExplorersEvents,
                  host::InspectorsEvents,
                  host::ExplorerEvents,
                  host::InspectorEvents,
                  host::CommandBarButtonEvents {
  Log log;
  bool failing = false;
  std::vector<std::shared_ptr<host::Explorer>> explorers;
  std::vector<std::shared_ptr<host::Inspector>> inspectors;
  std::vector<std::shared_ptr<host::CommandBarButton>> clicked;
  void Note(const char* what) {
    log.push_back(what);
    if (failing) throw ZError(err::kEFail, "handler failed");
  }
  void NewExplorer(std::shared_ptr<host::Explorer> e) override { explorers.push_back(e); }
  void NewInspector(std::shared_ptr<host::Inspector> i) override { inspectors.push_back(i); }
  void FolderSwitch() override { Note("FolderSwitch"); }
  void ViewSwitch() override { Note("ViewSwitch"); }
  void SelectionChange() override { Note("SelectionChange"); }
  void Activate() override { Note("Activate"); }
  void Deactivate() override { Note("Deactivate"); }
  void Close() override { Note("Close"); }
  void AttachmentSelectionChange() override { Note("AttachmentSelectionChange"); }
  void Click(std::shared_ptr<host::CommandBarButton> ctrl, bool& cancelDefault) override {
    log.push_back(cancelDefault ? "Click:true" : "Click:false");
    clicked.push_back(std::move(ctrl));
    cancelDefault = true;
  }
};

// The add-in's adapters over the face: every member it uses is reached by its name, and once
// every adapter is dropped and every sink disconnected nothing of Outlook's is held, on either
// side.
TEST_F(Face, TheAdaptersReachEveryMemberByNameAndLetGoOfEverything) {
  const sim::ExplorerId explorer = model->OpenExplorer(inbox);
  model->Select(explorer, {mail});
  model->OpenInspector(draft, false);
  namespace fs = std::filesystem;
  const fs::path saved = fs::temp_directory_path() / L"Strand \u00e9t\u00e9.jpg";
  fs::remove(saved);
  EXPECT_EQ(win32::WrapApplication(nullptr), nullptr);
  {
    std::shared_ptr<host::Application> application = win32::WrapApplication(app.Get());
    ASSERT_TRUE(application);
    auto explorers = application->Explorers();
    auto inspectors = application->Inspectors();
    auto quiet = std::make_shared<Recorder>();
    const host::Cookie explorersCookie =
        explorers->Advise(std::static_pointer_cast<host::ExplorersEvents>(quiet));
    const host::Cookie inspectorsCookie =
        inspectors->Advise(std::static_pointer_cast<host::InspectorsEvents>(quiet));
    ASSERT_EQ(explorers->Count(), 1);
    auto xpl = explorers->Item(explorers->Count());
    EXPECT_EQ(xpl->Class(), host::kOlExplorer);
    EXPECT_EQ(xpl->CurrentFolder()->DefaultItemType(), host::kOlMailItem);
    EXPECT_EQ(xpl->Window(), 0u);  // the model shows no window
    EXPECT_TRUE(application->ActiveExplorer());
    auto selection = xpl->Selection();
    ASSERT_EQ(selection->Count(), 1);
    auto item = selection->Item(1);
    EXPECT_EQ(item->Class(), host::kOlMail);
    EXPECT_TRUE(item->Saved());
    EXPECT_EQ(item->EntryID(), model->EntryIdOf(mail));
    const host::Cookie itemCookie = item->Advise(std::make_shared<host::ItemEvents>());
    auto attachments = item->Attachments();
    ASSERT_EQ(attachments->Count(), 2);
    auto attachment = attachments->Item(1);
    EXPECT_EQ(attachment->FileName(), "beach.jpg");
    EXPECT_EQ(attachment->Type(), host::kOlByValue);
    const host::PropertyValue contentId = attachment->PropertyAccessor()->GetProperty(
        "http://schemas.microsoft.com/mapi/proptag/0x3712001F");
    ASSERT_TRUE(std::holds_alternative<std::string>(contentId));
    EXPECT_EQ(std::get<std::string>(contentId), "image001.png@01DA0000");
    EXPECT_EQ(attachments->Item(2)->FileName(), "notes.txt");
    attachment->SaveAsFile(win32::Narrow(saved.wstring()));

    ASSERT_EQ(inspectors->Count(), 1);
    auto isp = inspectors->Item(1);
    EXPECT_EQ(isp->CurrentItem()->EntryID(), model->EntryIdOf(draft));
    EXPECT_FALSE(isp->IsWordMail());
    const host::Cookie inspectorCookie = isp->Advise(std::make_shared<host::InspectorEvents>());
    EXPECT_EQ(win32::LiveSinkCount(), 4);
    EXPECT_EQ(model->ConnectedSinks(), 4);

    item->Unadvise(itemCookie);
    isp->Unadvise(inspectorCookie);
    explorers->Unadvise(explorersCookie);
    inspectors->Unadvise(inspectorsCookie);
    EXPECT_EQ(model->ConnectedSinks(), 0);
    EXPECT_GT(win32::LiveAdapterCount(), 0);
    model->CloseExplorer(explorer);
    EXPECT_EQ(application->ActiveExplorer(), nullptr);
  }
  EXPECT_EQ(win32::LiveAdapterCount(), 0);
  EXPECT_EQ(win32::LiveSinkCount(), 0);
  EXPECT_EQ(model->LiveReferences(), 1) << model->DescribeLiveReferences();  // the Application
  // The path arrived whole: the attachment's bytes are in the file of that name.
  std::ifstream file(saved, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), "jpeg bytes");
  file.close();
  EXPECT_TRUE(fs::remove(saved));
}

// Outlook's events reach the add-in's handlers through its sinks: each published number its
// own handler, object arguments as adapters in their published order, CancelDefault written
// back; a failing handler is no failure of the event; the sinks go with their connections.
TEST_F(Face, EventsReachTheAdaptersHandlersWithTheirObjects) {
  auto windows = std::make_shared<Recorder>();
  auto onExplorer = std::make_shared<Recorder>();
  auto onInspector = std::make_shared<Recorder>();
  auto onClick = std::make_shared<Recorder>();
  {
    auto application = win32::WrapApplication(app.Get());
    auto explorers = application->Explorers();
    auto inspectors = application->Inspectors();
    const host::Cookie c1 =
        explorers->Advise(std::static_pointer_cast<host::ExplorersEvents>(windows));
    const host::Cookie c2 =
        inspectors->Advise(std::static_pointer_cast<host::InspectorsEvents>(windows));

    const sim::ExplorerId explorer = model->OpenExplorer(inbox);
    ASSERT_EQ(windows->explorers.size(), 1u);
    auto xpl = windows->explorers[0];
    ASSERT_TRUE(xpl);
    EXPECT_EQ(xpl->CurrentFolder()->DefaultItemType(), host::kOlMailItem);
    const host::Cookie c3 = xpl->Advise(std::static_pointer_cast<host::ExplorerEvents>(onExplorer));
    model->SwitchFolder(explorer, inbox);
    model->Select(explorer, {mail});
    model->ActivateExplorer(explorer);
    model->SwitchView(explorer);
    model->SelectAttachments({WindowRef::kExplorer, explorer}, {1});
    onExplorer->failing = true;
    model->Select(explorer, {draft});
    onExplorer->failing = false;

    const sim::InspectorId inspector = model->OpenInspector(mail, true);
    ASSERT_EQ(windows->inspectors.size(), 1u);
    auto isp = windows->inspectors[0];
    ASSERT_TRUE(isp);
    EXPECT_TRUE(isp->IsWordMail());
    const host::Cookie c4 =
        isp->Advise(std::static_pointer_cast<host::InspectorEvents>(onInspector));
    model->ActivateInspector(inspector);
    model->SelectAttachments({WindowRef::kInspector, inspector}, {1});
    model->DeactivateInspector(inspector);
    model->CloseInspector(inspector);

    // Click(Ctrl, CancelDefault) on a button of the Explorer's "Standard" bar.
    ComRef<IDispatch> button =
        AddButton(StandardBar(Object(app.Get(), L"ActiveExplorer").Get()).Get());
    ASSERT_EQ(Put(button.Get(), L"Tag", Variant::Text(L"T1")), S_OK);
    auto buttonAdapter = win32::WrapCommandBarButton(button.Get());
    const host::Cookie c5 =
        buttonAdapter->Advise(std::static_pointer_cast<host::CommandBarButtonEvents>(onClick));
    EXPECT_TRUE(model->Click({WindowRef::kExplorer, explorer}, "T1"));
    ASSERT_EQ(onClick->clicked.size(), 1u);
    ASSERT_TRUE(onClick->clicked[0]);
    onClick->clicked[0]->SetTag("EXPLORER11");
    EXPECT_EQ(model->AddInControls({WindowRef::kExplorer, explorer}).at(0).tag, "EXPLORER11");
    model->CloseExplorer(explorer);
    EXPECT_EQ(win32::LiveSinkCount(), 5);

    explorers->Unadvise(c1);
    inspectors->Unadvise(c2);
    xpl->Unadvise(c3);
    isp->Unadvise(c4);
    buttonAdapter->Unadvise(c5);
    EXPECT_EQ(model->ConnectedSinks(), 0);
  }
  windows.reset();
  onClick->clicked.clear();
  EXPECT_EQ(onExplorer->log, (Log{"FolderSwitch", "SelectionChange", "Activate", "ViewSwitch",
                                  "AttachmentSelectionChange", "SelectionChange", "Close"}));
  EXPECT_EQ(onInspector->log,
            (Log{"Activate", "AttachmentSelectionChange", "Deactivate", "Close"}));
  EXPECT_EQ(onClick->log, Log{"Click:false"});
  EXPECT_EQ(model->EscapedExceptions(), 0);
  EXPECT_EQ(win32::LiveSinkCount(), 0);
  EXPECT_EQ(win32::LiveAdapterCount(), 0);
  EXPECT_EQ(model->LiveReferences(), 1) << model->DescribeLiveReferences();
}

}  // namespace
}  // namespace zormint::wine_test::outlook

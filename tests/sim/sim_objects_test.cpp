// The simulated Outlook's command bars, buttons and clicks, items and attachments, and the call
// record with fault injection.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>

#include "context/globals.h"
#include "platform/paths.h"
#include "sim/model/outlook_sim.h"

namespace zormint::sim {
namespace {

namespace fs = std::filesystem;

struct ClickSink : host::CommandBarButtonEvents {
  void Click(std::shared_ptr<host::CommandBarButton> ctrl, bool& cancelDefault) override {
    ++clicks;
    if (!mark.empty()) ctrl->SetCaption(mark);
    cancelDefault = cancel;
    if (onClick) onClick();
  }
  int clicks = 0;
  std::string mark;  // written on the Ctrl argument
  bool cancel = false;
  std::function<void()> onClick;
};

// Finds the first bar of the window with this name, as the add-in does.
std::shared_ptr<host::CommandBar> FindBar(host::Explorer& window, const std::string& name) {
  auto bars = window.CommandBars()->Enumerate();
  while (auto bar = bars->Next()) {
    if (bar->Name() == name) return bar;
  }
  return nullptr;
}

std::shared_ptr<host::CommandBarButton> AddButton(host::CommandBar& bar, const std::string& tag) {
  host::ControlAddArgs args;
  args.type = host::kMsoControlButton;
  args.temporary = true;
  auto button = bar.Controls()->Add(args);
  button->SetTag(tag);
  return button;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class SimObjects : public ::testing::Test {
 protected:
  std::shared_ptr<Outlook> outlook = Outlook::Create();
  FolderId inbox = outlook->AddFolder("Inbox", host::kOlMailItem);
  std::shared_ptr<host::Application> app = outlook->Application();
};

TEST_F(SimObjects, CommandBarEnumerationStopsWithATypeMismatchAtAnElementThatIsNoBar) {
  ExplorerId plain = outlook->OpenExplorer(inbox);
  EXPECT_EQ(outlook->BarNames({WindowRef::kExplorer, plain}),
            (std::vector<std::string>{"Menu Bar", "Standard", "Advanced"}));
  auto standard = outlook->Controls({WindowRef::kExplorer, plain}, "Standard");
  ASSERT_EQ(standard.size(), 3u);
  for (const ControlView& view : standard)
    EXPECT_FALSE(view.addedByAddIn);

  outlook->SetNewWindowBars({"Menu Bar", "", "STANDARD"});
  outlook->OpenExplorer(inbox);
  auto bars = app->ActiveExplorer()->CommandBars()->Enumerate();
  EXPECT_EQ(bars->Next()->Name(), "Menu Bar");
  try {
    bars->Next();
    FAIL() << "an element that is not a command bar converts with a type mismatch";
  } catch (const ZError& e) {
    EXPECT_EQ(e.Code(), err::kTypeMismatch);
  }
  EXPECT_EQ(bars->Next()->Name(), "STANDARD");  // the enumerator has moved past it
  EXPECT_EQ(bars->Next(), nullptr);
  EXPECT_EQ(bars->Next(), nullptr);
  outlook->CloseExplorer(outlook->OpenExplorers().back());
  EXPECT_THROW(bars->Next(), ZError);  // the window has gone
}

TEST_F(SimObjects, ButtonsAreAddedWhereAskedAndCarryEveryPropertySet) {
  ExplorerId explorer = outlook->OpenExplorer(inbox);
  WindowRef window{WindowRef::kExplorer, explorer};
  auto bar = FindBar(*app->ActiveExplorer(), "Standard");
  auto face = std::make_shared<SimPicture>(32, 32, 24);
  auto options = AddButton(*bar, "EXPLORER11");
  options->SetBeginGroup(true);
  options->SetStyle(host::kMsoButtonIcon);
  options->SetPicture(face);
  options->SetTooltipText("View ZORMINT Options");
  options->SetOnAction("!<ZORMINT.dsrWrapper>");
  auto view = AddButton(*bar, "EXPLORER12");
  view->SetCaption("Zormint");
  view->SetEnabled(false);
  host::ControlAddArgs first;
  first.before = 1;
  bar->Controls()->Add(first)->SetTag("FIRST");
  host::ControlAddArgs popup;
  popup.type = 10;
  EXPECT_THROW(bar->Controls()->Add(popup), ZError);  // on the bar, but not a button
  host::ControlAddArgs outside;
  outside.before = 99;
  EXPECT_THROW(bar->Controls()->Add(outside), ZError);
  EXPECT_THROW(options->SetStyle(42), ZError);

  auto controls = outlook->Controls(window, "Standard");
  ASSERT_EQ(controls.size(), 7u);
  EXPECT_EQ(controls[0].tag, "FIRST");
  EXPECT_FALSE(controls[1].addedByAddIn);
  const ControlView& o = controls[4];
  EXPECT_TRUE(o.addedByAddIn && o.temporary && o.beginGroup && o.enabled);
  EXPECT_EQ(o.style, host::kMsoButtonIcon);
  EXPECT_EQ(o.picture, face);
  EXPECT_EQ(o.tooltipText, "View ZORMINT Options");
  EXPECT_EQ(o.onAction, "!<ZORMINT.dsrWrapper>");
  EXPECT_EQ(o.caption, "");
  EXPECT_EQ(controls[5].caption, "Zormint");
  EXPECT_FALSE(controls[5].enabled);
  EXPECT_EQ(controls[5].style, 0);
  EXPECT_EQ(controls[6].type, 10);
  EXPECT_EQ(outlook->AddInControls(window).size(), 4u);

  // Delete takes the button off its bar; the proxy fails from then on, but can disconnect.
  host::Cookie cookie = options->Advise(std::make_shared<ClickSink>());
  options->Delete();
  EXPECT_EQ(outlook->Controls(window, "Standard").size(), 6u);
  EXPECT_THROW(options->SetCaption("x"), ZError);
  EXPECT_THROW(options->Delete(), ZError);
  EXPECT_THROW(options->Advise(std::make_shared<ClickSink>()), ZError);
  options->Unadvise(cookie);

  // Outlook drops the temporary controls when it exits.
  outlook->DiscardTemporaryControls();
  auto kept = outlook->AddInControls(window);  // "FIRST" and the popup were not temporary
  ASSERT_EQ(kept.size(), 2u);
  EXPECT_EQ(kept[0].tag, "FIRST");
  EXPECT_THROW(view->SetEnabled(true), ZError);
}

TEST_F(SimObjects, AClickReachesEveryButtonSharingTheClickedTagButNotADisabledOne) {
  ExplorerId one = outlook->OpenExplorer(inbox);
  auto firstBar = FindBar(*app->ActiveExplorer(), "Standard");
  ExplorerId two = outlook->OpenExplorer(inbox);
  auto secondBar = FindBar(*app->ActiveExplorer(), "Standard");
  InspectorId reader = outlook->OpenInspector(outlook->AddItem(inbox, {}));
  auto inspectorBar = [&] {
    auto bars = app->Inspectors()->Item(1)->CommandBars()->Enumerate();
    bars->Next();
    return bars->Next();
  }();

  auto a = AddButton(*firstBar, "EXPLORER12");
  auto b = AddButton(*secondBar, "EXPLORER12");  // two toolbars given the same index
  auto c = AddButton(*inspectorBar, "INSPECTOR12");
  auto sa = std::make_shared<ClickSink>(), sb = std::make_shared<ClickSink>(),
       sc = std::make_shared<ClickSink>();
  host::Cookie ca = a->Advise(sa), cb = b->Advise(sb), cc = c->Advise(sc);

  sa->mark = "seen by a";
  EXPECT_TRUE(outlook->Click({WindowRef::kExplorer, two}, "EXPLORER12"));
  EXPECT_EQ(sa->clicks, 1);
  EXPECT_EQ(sb->clicks, 1);
  EXPECT_EQ(sc->clicks, 0);
  // Ctrl is the button that was clicked, for the twin's sink too.
  EXPECT_EQ(outlook->AddInControls({WindowRef::kExplorer, two})[0].caption, "seen by a");
  EXPECT_EQ(outlook->AddInControls({WindowRef::kExplorer, one})[0].caption, "");
  sa->mark.clear();
  EXPECT_EQ(outlook->LiveReferences(), 7);  // the Ctrl arguments were released

  EXPECT_FALSE(outlook->Click({WindowRef::kExplorer, one}, "NOSUCHTAG"));
  EXPECT_FALSE(outlook->Click({WindowRef::kExplorer, one}, ""));
  EXPECT_FALSE(outlook->Click({WindowRef::kInspector, reader}, "EXPLORER12"));
  a->SetEnabled(false);
  EXPECT_FALSE(outlook->Click({WindowRef::kExplorer, one}, "EXPLORER12"));
  EXPECT_EQ(sb->clicks, 1);
  EXPECT_TRUE(outlook->Click({WindowRef::kExplorer, two}, "EXPLORER12"));
  EXPECT_EQ(sa->clicks, 2);  // a disabled twin still hears a click on an enabled one

  // A handler that deletes the twin's button and closes the other window: the twin hears
  // nothing more, and nothing breaks.
  sa->onClick = [&] {
    b->Delete();
    outlook->CloseExplorer(two);
  };
  a->SetEnabled(true);
  EXPECT_TRUE(outlook->Click({WindowRef::kExplorer, one}, "EXPLORER12"));
  EXPECT_EQ(sa->clicks, 3);
  EXPECT_EQ(sb->clicks, 2);
  EXPECT_FALSE(outlook->Click({WindowRef::kExplorer, two}, "EXPLORER12"));
  sa->onClick = nullptr;
  EXPECT_TRUE(outlook->Click({WindowRef::kInspector, reader}, "INSPECTOR12"));
  EXPECT_EQ(sc->clicks, 1);

  a->Unadvise(ca);
  b->Unadvise(cb);
  c->Unadvise(cc);
  EXPECT_EQ(outlook->ConnectedSinks(), 0);
}

TEST_F(SimObjects, ItemsShowTheirClassStateAndUniqueEntryIds) {
  FolderId calendar = outlook->AddFolder("Calendar", 1);
  ItemId mail = outlook->AddItem(inbox, {});
  ItemId draft = outlook->AddItem(inbox, {.itemClass = host::kOlMail, .saved = false});
  ItemId meeting = outlook->AddItem(calendar, {.itemClass = 26, .entryId = "ABC"});
  EXPECT_EQ(outlook->EntryIdOf(meeting), "ABC");
  std::set<std::string> ids;
  for (int i = 0; i < 20; ++i)
    ids.insert(outlook->EntryIdOf(outlook->AddItem(inbox, {})));
  ids.insert(outlook->EntryIdOf(mail));
  EXPECT_EQ(ids.size(), 21u);

  ExplorerId explorer = outlook->OpenExplorer(calendar);
  outlook->Select(explorer, {meeting, draft});
  auto selection = app->ActiveExplorer()->Selection();
  outlook->Select(explorer, {mail});  // a Selection already read does not change
  ASSERT_EQ(selection->Count(), 2);
  EXPECT_EQ(selection->Item(1)->Class(), 26);
  EXPECT_FALSE(selection->Item(2)->Saved());
  EXPECT_THROW(selection->Item(3), ZError);
  EXPECT_THROW(selection->Item(0), ZError);
  EXPECT_EQ(app->ActiveExplorer()->CurrentFolder()->DefaultItemType(), 1);
  outlook->SetSaved(draft, true);
  EXPECT_TRUE(selection->Item(2)->Saved());
  outlook->SwitchFolder(explorer, inbox);
  EXPECT_EQ(app->ActiveExplorer()->Selection()->Count(), 0);  // a new folder, nothing selected
}

// The ribbon's objects: a control's Context is its window or the attachments selected there,
// the selection follows the window's message, and the ribbon records invalidations.
TEST_F(SimObjects, RibbonControlsAnswerTheirContextAndTheRibbonRecordsInvalidations) {
  ItemId mail = outlook->AddItem(inbox, {.attachments = {{"a.jpg", "A"}, {"b.txt", "B"}}});
  ExplorerId explorer = outlook->OpenExplorer(inbox);
  InspectorId inspector = outlook->OpenInspector(mail, true);
  const WindowRef xpl{WindowRef::kExplorer, explorer}, isp{WindowRef::kInspector, inspector};
  EXPECT_EQ(app->Version(), "16.0.0.17928");
  outlook->SetVersion("14.0.7268.5000");
  EXPECT_EQ(app->Version(), "14.0.7268.5000");

  auto control = outlook->RibbonControl(xpl, "ZormintTabView", "zormint");
  EXPECT_EQ(control->Id(), "ZormintTabView");
  EXPECT_EQ(control->Tag(), "zormint");
  auto context = control->Context();
  EXPECT_EQ(context->Class(), host::kOlExplorer);
  EXPECT_FALSE(context->AsInspector());
  EXPECT_FALSE(context->AsAttachmentSelection());
  EXPECT_EQ(context->AsExplorer()->Selection()->Count(), 0);
  EXPECT_EQ(outlook->RibbonControl(isp, "x", "zormint")->Context()->Class(), host::kOlInspector);

  // Nothing selected, then the second attachment of the selected message.
  auto menu = outlook->RibbonControl(xpl, "ZormintMenuView", "zormint", true);
  EXPECT_EQ(menu->Context()->Class(), host::kOlAttachmentSelection);
  EXPECT_EQ(menu->Context()->AsAttachmentSelection()->Count(), 0);
  EXPECT_THROW(outlook->SelectAttachments(xpl, {1}), ZError);  // no message selected
  outlook->Select(explorer, {mail});
  outlook->SelectAttachments(xpl, {2});
  auto attachments = menu->Context()->AsAttachmentSelection();
  ASSERT_EQ(attachments->Count(), 1);
  EXPECT_EQ(attachments->Item(1)->FileName(), "b.txt");
  EXPECT_EQ(attachments->Item(1)->Parent()->EntryID(), outlook->EntryIdOf(mail));
  EXPECT_THROW(attachments->Item(2), ZError);
  outlook->Select(explorer, {mail});  // a new selection of items: no attachment selected
  EXPECT_EQ(menu->Context()->AsAttachmentSelection()->Count(), 0);
  EXPECT_EQ(attachments->Count(), 1);  // one read before stays as it was

  // Each customUI document has its ribbon; an invalidation drops only the answers Office kept
  // for the named control in that document's windows.
  auto ribbon = outlook->RibbonUI("Microsoft.Outlook.Explorer");
  auto readRibbon = outlook->RibbonUI("Microsoft.Outlook.Mail.Read");
  outlook->KeepAnswer(xpl, "ZormintTabView", true);
  outlook->KeepAnswer(xpl, "ZormintTabOptions", true);
  outlook->KeepAnswer(isp, "ZormintTabView", false);
  readRibbon->Invalidate();
  EXPECT_EQ(outlook->KeptAnswer(xpl, "ZormintTabView"), true);
  EXPECT_EQ(outlook->KeptAnswer(isp, "ZormintTabView"), std::nullopt);
  ribbon->InvalidateControl("ZormintTabView");
  EXPECT_EQ(outlook->KeptAnswer(xpl, "ZormintTabView"), std::nullopt);
  EXPECT_EQ(outlook->KeptAnswer(xpl, "ZormintTabOptions"), true);
  ribbon->Invalidate();
  EXPECT_EQ(outlook->KeptAnswer(xpl, "ZormintTabOptions"), std::nullopt);
  EXPECT_EQ(outlook->Invalidations(), (std::vector<std::string>{"*", "ZormintTabView", "*"}));
  EXPECT_EQ(outlook->Invalidations("Microsoft.Outlook.Mail.Read"), std::vector<std::string>{"*"});
  outlook->ClearInvalidations();
  EXPECT_TRUE(outlook->Invalidations().empty());

  // Every call is recorded by its published name and can fail.
  outlook->Faults().ClearCalls();
  control->Context()->Class();
  menu->Context()->AsAttachmentSelection()->Count();
  EXPECT_EQ(outlook->Faults().Calls(),
            (std::vector<std::string>{"IRibbonControl.Context", "Explorer.Class",
                                      "IRibbonControl.Context", "AttachmentSelection.Count"}));
  outlook->Faults().FailMember("IRibbonUI.InvalidateControl");
  EXPECT_THROW(ribbon->InvalidateControl("x"), ZError);
  EXPECT_TRUE(outlook->Invalidations().empty());
  outlook->CloseInspector(inspector);
  EXPECT_THROW(outlook->RibbonControl(isp, "x", "zormint")->Context()->Class(), ZError);
}

// Attachment.Type, the MAPI properties through PropertyAccessor (from Outlook 2007 on), and the
// attachments that hold no file or belong to a protected message, which cannot be saved.
TEST_F(SimObjects, AttachmentTypesPropertiesAndSavesThatCannotBe) {
  sim::AttachmentSpec logo{"logo.png", "logo"};
  logo.contentId = "image001.png@01DA0000";
  logo.hidden = true;
  logo.flags = 4;
  ItemId item = outlook->AddItem(
      inbox, {.attachments = {{"sun.jpg", "sun"}, {"album.jpg", "", host::kOlByReference}, logo}});
  ItemId locked = outlook->AddItem(inbox, {.saveRefused = true, .attachments = {{"a.jpg", "a"}}});
  const ExplorerId explorer = outlook->OpenExplorer(inbox);
  outlook->Select(explorer, {item, locked});
  auto attachments = app->ActiveExplorer()->Selection()->Item(1)->Attachments();
  EXPECT_EQ(attachments->Item(1)->Type(), host::kOlByValue);
  EXPECT_EQ(attachments->Item(2)->Type(), host::kOlByReference);

  auto properties = attachments->Item(3)->PropertyAccessor();
  const std::string tag = "http://schemas.microsoft.com/mapi/proptag/";
  EXPECT_EQ(std::get<std::string>(properties->GetProperty(tag + "0x3712001F")),
            "image001.png@01DA0000");
  EXPECT_TRUE(std::get<bool>(properties->GetProperty(tag + "0x7FFE000B")));
  EXPECT_EQ(std::get<int32_t>(properties->GetProperty(tag + "0x37140003")), 4);
  // A property the attachment lacks fails as Outlook's does (MAPI_E_NOT_FOUND).
  try {
    attachments->Item(1)->PropertyAccessor()->GetProperty(tag + "0x3712001F");
    FAIL() << "an attachment without a content id has none to read";
  } catch (const ZError& e) {
    EXPECT_EQ(e.Code(), static_cast<int32_t>(0x8004010Fu));
  }
  EXPECT_EQ(outlook->Faults().CallCount("PropertyAccessor.GetProperty"), 4u);
  EXPECT_EQ(outlook->Faults().CallCount("Attachment.Type"), 2u);

  const std::string folder = platform::FromFsPath(fs::temp_directory_path()) + "\\";
  EXPECT_THROW(attachments->Item(2)->SaveAsFile(folder + "album.jpg"), ZError);
  auto lockedAttachment = app->ActiveExplorer()->Selection()->Item(2)->Attachments()->Item(1);
  EXPECT_THROW(lockedAttachment->SaveAsFile(folder + "a.jpg"), ZError);
  EXPECT_FALSE(fs::exists(fs::temp_directory_path() / "album.jpg"));
  EXPECT_FALSE(fs::exists(fs::temp_directory_path() / "a.jpg"));

  // Outlook 2003 has no PropertyAccessor.
  outlook->SetVersion("11.0.0.8312");
  EXPECT_THROW(attachments->Item(3)->PropertyAccessor(), ZError);
}

TEST_F(SimObjects, SaveAsFileWritesTheBytesReplacingAFileAndFailsWithoutItsFolder) {
  fs::path dir = fs::temp_directory_path() /
                 ("zormint_sim_" +
                  std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
  fs::remove_all(dir);
  fs::create_directories(dir / "pics");
  ItemId item = outlook->AddItem(
      inbox, {.attachments = {{"notes.txt", "hello"}, {"sun.jpg", std::string("\xFF\xD8\0x", 4)}}});
  InspectorId reader = outlook->OpenInspector(item);
  auto attachments = app->Inspectors()->Item(1)->CurrentItem()->Attachments();
  ASSERT_EQ(attachments->Count(), 2);
  auto picture = attachments->Item(2);
  EXPECT_EQ(picture->FileName(), "sun.jpg");

  { std::ofstream(dir / "pics" / "sun.jpg") << "an older and much longer file"; }
  // The core writes its paths with "\".
  std::string target = platform::FromFsPath(dir) + "\\pics\\sun.jpg";
  picture->SaveAsFile(target);
  EXPECT_EQ(ReadFile(dir / "pics" / "sun.jpg"), std::string("\xFF\xD8\0x", 4));

  try {
    picture->SaveAsFile(platform::FromFsPath(dir) + "\\missing\\sun.jpg");
    FAIL() << "saving into a missing folder must fail";
  } catch (const ZError& e) {
    EXPECT_EQ(e.Code(), err::kPathNotFound);
  }
  EXPECT_THROW(picture->SaveAsFile(platform::FromFsPath(dir / "pics")), ZError);
  EXPECT_FALSE(fs::exists(dir / "missing"));

  outlook->CloseInspector(reader);
  picture->SaveAsFile(target);  // an attachment outlives its window, as in Outlook
  fs::remove_all(dir);
}

TEST_F(SimObjects, TheCallRecordNamesEveryCallAndFaultsHitByMemberOrByCallNumber) {
  outlook->OpenExplorer(inbox);
  outlook->Select(outlook->OpenExplorers()[0],
                  {outlook->AddItem(inbox, {.attachments = {{"a.gif", ""}, {"b.gif", ""}}})});
  FaultPlan& faults = outlook->Faults();
  faults.ClearCalls();
  auto item = app->ActiveExplorer()->Selection()->Item(1);
  auto attachments = item->Attachments();
  EXPECT_EQ(attachments->Item(2)->FileName(), "b.gif");
  EXPECT_EQ(faults.Calls(),
            (std::vector<std::string>{"Application.ActiveExplorer", "Explorer.Selection",
                                      "Selection.Item", "Item.Attachments", "Attachments.Item",
                                      "Attachment.FileName"}));
  EXPECT_EQ(faults.CallCount("Attachment.FileName"), 1u);

  faults.FailMember("Attachment.FileName", 2, err::kCallRejected);
  auto first = attachments->Item(1);
  EXPECT_EQ(first->FileName(), "a.gif");
  try {
    first->FileName();
    FAIL() << "the second FileName call was planned to fail";
  } catch (const ZError& e) {
    EXPECT_EQ(e.Code(), err::kCallRejected);
  }
  faults.FailMember("CommandBarButton.Enabled");
  faults.FailMember("CommandBarButton.Unadvise");
  auto bar = FindBar(*app->ActiveExplorer(), "Standard");
  auto button = AddButton(*bar, "T");
  EXPECT_THROW(button->SetEnabled(false), ZError);
  EXPECT_TRUE(outlook->AddInControls({WindowRef::kExplorer, 1})[0].enabled);  // nothing changed
  host::Cookie cookie = button->Advise(std::make_shared<ClickSink>());
  EXPECT_THROW(button->Unadvise(cookie), ZError);
  EXPECT_EQ(outlook->ConnectedSinks(), 1);  // a failed Unadvise leaves the sink connected
  faults.ClearFaults();
  button->Unadvise(cookie);

  // The nth call overall, whatever it is.
  faults.ClearCalls();
  faults.FailCallNumber(3);
  auto explorers = app->Explorers();
  EXPECT_EQ(explorers->Count(), 1);
  EXPECT_THROW(explorers->Item(1), ZError);
  EXPECT_EQ(faults.Calls().back(), "Explorers.Item");
  EXPECT_NE(explorers->Item(1), nullptr);
  EXPECT_EQ(faults.InjectedCount(), 4u);
}

// A client that does what a toolbar does, each step in its own guard. Whichever call fails,
// the host must neither crash nor keep anything once the client has let go.
void ToolbarLikeClient(Outlook& outlook, InspectorId reader) {
  auto app = outlook.Application();
  std::shared_ptr<host::CommandBarButton> button;
  std::shared_ptr<ClickSink> sink = std::make_shared<ClickSink>();
  host::Cookie cookie = 0;
  std::shared_ptr<host::Inspector> inspector;
  Attempt("inspector", [&] { inspector = app->Inspectors()->Item(app->Inspectors()->Count()); });
  Attempt("button", [&] {
    auto bars = Require(inspector, "inspector")->CommandBars()->Enumerate();
    while (auto bar = bars->Next()) {
      if (bar->Name() == "Standard") {
        button = bar->Controls()->Add({.type = 1, .temporary = true});
        button->SetTag("INSPECTOR12");
        cookie = button->Advise(sink);
        break;
      }
    }
  });
  Attempt("attachment names", [&] {
    auto attachments = Require(inspector, "inspector")->CurrentItem()->Attachments();
    for (int32_t i = 1; i <= attachments->Count(); ++i) {
      attachments->Item(i)->FileName();
    }
  });
  Attempt("click", [&] { outlook.Click({WindowRef::kInspector, reader}, "INSPECTOR12"); });
  Attempt("close", [&] { outlook.CloseInspector(reader); });
  Attempt("delete", [&] { Require(button, "button")->Delete(); });
  Attempt("unadvise", [&] { Require(button, "button")->Unadvise(cookie); });
}

TEST_F(SimObjects, AFailureAtAnyCallLeavesTheHostSound) {
  auto countCalls = [this] {
    auto fresh = Outlook::Create();
    FolderId folder = fresh->AddFolder("Inbox", 0);
    InspectorId reader =
        fresh->OpenInspector(fresh->AddItem(folder, {.attachments = {{"a.jpg", "x"}}}));
    fresh->Faults().ClearCalls();
    ToolbarLikeClient(*fresh, reader);
    EXPECT_EQ(fresh->ConnectedSinks(), 0);
    return fresh->Faults().Calls().size();
  };
  const size_t calls = countCalls();
  ASSERT_GT(calls, 15u);
  for (size_t nth = 1; nth <= calls; ++nth) {
    auto fresh = Outlook::Create();
    FolderId folder = fresh->AddFolder("Inbox", 0);
    InspectorId reader =
        fresh->OpenInspector(fresh->AddItem(folder, {.attachments = {{"a.jpg", "x"}}}));
    fresh->Faults().ClearCalls();
    fresh->Faults().FailCallNumber(nth);
    ToolbarLikeClient(*fresh, reader);
    EXPECT_EQ(fresh->Faults().InjectedCount(), 1u) << "call " << nth;
    EXPECT_EQ(fresh->LiveReferences(), 0) << fresh->DescribeLiveReferences();
    EXPECT_EQ(fresh->EscapedExceptions(), 0);
  }
}

}  // namespace
}  // namespace zormint::sim

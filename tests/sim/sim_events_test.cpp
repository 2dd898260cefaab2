// The simulated Outlook's windows and events: the order Outlook fires them in, what the
// collections show meanwhile, proxies and sinks counted, and handlers that re-enter the host.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "sim/model/outlook_sim.h"

namespace zormint::sim {
namespace {

using Log = std::vector<std::string>;

struct ExplorerRecorder : host::ExplorerEvents {
  ExplorerRecorder(Log& log, std::string name) : log(log), name(std::move(name)) {}
  void Activate() override { Note("Activate"); }
  void FolderSwitch() override { Note("FolderSwitch"); }
  void ViewSwitch() override { Note("ViewSwitch"); }
  void SelectionChange() override { Note("SelectionChange"); }
  void Close() override { Note("Close"); }
  void Note(const std::string& event) {
    log.push_back(name + "." + event);
    if (onEvent) onEvent(event);
  }
  Log& log;
  std::string name;
  std::function<void(const std::string&)> onEvent;
};

struct InspectorRecorder : host::InspectorEvents {
  InspectorRecorder(Log& log, std::string name) : log(log), name(std::move(name)) {}
  void Activate() override { log.push_back(name + ".Activate"); }
  void Deactivate() override { log.push_back(name + ".Deactivate"); }
  void Close() override { log.push_back(name + ".Close"); }
  Log& log;
  std::string name;
};

struct ItemRecorder : host::ItemEvents {
  ItemRecorder(Log& log, std::string name) : log(log), name(std::move(name)) {}
  void Read() override { log.push_back(name + ".Read"); }
  void Write(bool&) override { log.push_back(name + ".Write"); }
  void Open(bool&) override { log.push_back(name + ".Open"); }
  void Close(bool& cancel) override {
    log.push_back(name + ".Close");
    if (onClose) onClose();
    cancel = cancelClose;
  }
  Log& log;
  std::string name;
  bool cancelClose = false;
  std::function<void()> onClose;
};

struct NewExplorerSink : host::ExplorersEvents {
  std::function<void(std::shared_ptr<host::Explorer>)> handler;
  void NewExplorer(std::shared_ptr<host::Explorer> explorer) override { handler(explorer); }
};

struct NewInspectorSink : host::InspectorsEvents {
  std::function<void(std::shared_ptr<host::Inspector>)> handler;
  void NewInspector(std::shared_ptr<host::Inspector> inspector) override { handler(inspector); }
};

class SimEvents : public ::testing::Test {
 protected:
  std::shared_ptr<Outlook> outlook = Outlook::Create();
  FolderId inbox = outlook->AddFolder("Inbox", host::kOlMailItem);
  ItemId first = outlook->AddItem(inbox, {});
  ItemId second = outlook->AddItem(inbox, {});
  Log log;  // what the recorders heard
};

TEST_F(SimEvents, EveryHandOutIsAFreshCountedProxyReleasedWithItsLastReference) {
  ExplorerId explorer = outlook->OpenExplorer(inbox);
  outlook->Select(explorer, {first});
  EXPECT_EQ(outlook->LiveReferences(), 0);
  EXPECT_EQ(outlook->DescribeLiveReferences(), "none");
  {
    auto app = outlook->Application();
    auto active = app->ActiveExplorer();
    auto again = app->Explorers()->Item(1);  // the collection proxy dies at the end of the line
    EXPECT_NE(active, again);
    auto item = active->Selection()->Item(1);
    EXPECT_EQ(outlook->LiveReferences(), 4);
    EXPECT_EQ(outlook->DescribeLiveReferences(), "Application x1, Explorer x2, Item x1");
  }
  EXPECT_EQ(outlook->LiveReferences(), 0);
}

TEST_F(SimEvents, SinksAreHeldUntilUnadvisedEvenAfterTheirWindowHasClosed) {
  ExplorerId explorer = outlook->OpenExplorer(inbox);
  auto window = outlook->Application()->ActiveExplorer();
  auto sink = std::make_shared<ExplorerRecorder>(log, "x");
  host::Cookie cookie = window->Advise(sink);
  EXPECT_EQ(outlook->ConnectedSinks(), 1);
  EXPECT_EQ(sink.use_count(), 2);  // the host keeps it

  outlook->CloseExplorer(explorer);
  EXPECT_EQ(log, (Log{"x.Close"}));
  EXPECT_EQ(outlook->ConnectedSinks(), 1);
  EXPECT_THROW(window->Advise(std::make_shared<ExplorerRecorder>(log, "y")), ZError);
  EXPECT_THROW(window->Unadvise(cookie + 100), ZError);
  window->Unadvise(cookie);
  EXPECT_EQ(outlook->ConnectedSinks(), 0);
  EXPECT_EQ(sink.use_count(), 1);
  EXPECT_THROW(window->Unadvise(cookie), ZError);  // not twice
}

TEST_F(SimEvents, NewExplorerSeesTheNewWindowAsLastAndActiveAndReleasesItsArgument) {
  auto app = outlook->Application();
  auto explorers = app->Explorers();
  outlook->OpenExplorer(inbox);
  auto sink = std::make_shared<NewExplorerSink>();
  int calls = 0;
  std::shared_ptr<host::Explorer> kept;
  sink->handler = [&](std::shared_ptr<host::Explorer> explorer) {
    ++calls;
    EXPECT_EQ(explorers->Count(), 2);
    kept = explorer;
  };
  host::Cookie cookie = explorers->Advise(sink);
  const int before = outlook->LiveReferences();
  FolderId contacts = outlook->AddFolder("Contacts", 2);
  ExplorerId second = outlook->OpenExplorer(contacts);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(outlook->LiveReferences(), before + 1);  // the argument the sink kept
  EXPECT_EQ(kept->CurrentFolder()->DefaultItemType(), 2);
  EXPECT_EQ(app->ActiveExplorer()->CurrentFolder()->DefaultItemType(), 2);
  kept.reset();
  sink->handler = [&](std::shared_ptr<host::Explorer>) { ++calls; };
  outlook->OpenExplorer(inbox);
  EXPECT_EQ(outlook->LiveReferences(), before);  // an argument not kept is released

  // Closing the active window makes the last remaining one active; Count falls after Close.
  auto closing = explorers->Item(3);
  auto watcher = std::make_shared<ExplorerRecorder>(log, "third");
  watcher->onEvent = [&](const std::string&) { log.push_back(std::to_string(explorers->Count())); };
  host::Cookie watch = closing->Advise(watcher);
  outlook->CloseExplorer(outlook->OpenExplorers().back());
  EXPECT_EQ(log, (Log{"third.Close", "3"}));
  EXPECT_EQ(explorers->Count(), 2);
  EXPECT_EQ(outlook->OpenExplorers().back(), second);
  EXPECT_EQ(app->ActiveExplorer()->CurrentFolder()->DefaultItemType(), 2);
  closing->Unadvise(watch);
  explorers->Unadvise(cookie);
}

TEST_F(SimEvents, InspectorsOpenMoveOnAndCloseInOutlooksOrder) {
  auto inspectors = outlook->Application()->Inspectors();
  std::shared_ptr<host::Inspector> window;
  std::vector<host::Cookie> cookies;
  auto firstItem = std::make_shared<ItemRecorder>(log, "first");
  auto secondItem = std::make_shared<ItemRecorder>(log, "second");
  auto sink = std::make_shared<NewInspectorSink>();
  sink->handler = [&](std::shared_ptr<host::Inspector> inspector) {
    log.push_back("NewInspector " + std::to_string(inspectors->Count()));
    window = inspectors->Item(inspectors->Count());
    cookies.push_back(window->Advise(std::make_shared<InspectorRecorder>(log, "window")));
    cookies.push_back(inspector->CurrentItem()->Advise(firstItem));
  };
  host::Cookie newCookie = inspectors->Advise(sink);
  InspectorId id = outlook->OpenInspector(first);
  EXPECT_EQ(log, (Log{"NewInspector 1", "window.Activate"}));

  // At the previous item's Close the window already shows the next one.
  firstItem->onClose = [&] { log.push_back("shows " + window->CurrentItem()->EntryID()); };
  log.clear();
  outlook->MoveInspector(id, second);
  EXPECT_EQ(log, (Log{"first.Close", "shows " + outlook->EntryIdOf(second), "window.Activate"}));
  firstItem->onClose = nullptr;

  cookies.push_back(window->CurrentItem()->Advise(secondItem));
  log.clear();
  outlook->FireItemRead(id);
  outlook->FireItemOpen(id);
  outlook->FireItemWrite(id);
  outlook->DeactivateInspector(id);
  EXPECT_EQ(log, (Log{"second.Read", "second.Open", "second.Write", "window.Deactivate"}));

  // An item that refuses to close keeps its window open.
  log.clear();
  secondItem->cancelClose = true;
  outlook->CloseInspector(id);
  EXPECT_EQ(log, (Log{"second.Close"}));
  EXPECT_EQ(inspectors->Count(), 1);
  secondItem->cancelClose = false;
  log.clear();
  outlook->CloseInspector(id);
  EXPECT_EQ(log, (Log{"second.Close", "window.Close"}));
  EXPECT_EQ(inspectors->Count(), 0);
  EXPECT_THROW(window->CurrentItem(), ZError);
  EXPECT_THROW(window->CommandBars(), ZError);

  window->Unadvise(cookies[0]);
  auto items = outlook->Application();  // items keep their sinks; undo them through new proxies
  outlook->Select(outlook->OpenExplorer(inbox), {first, second});
  auto selection = items->ActiveExplorer()->Selection();
  selection->Item(1)->Unadvise(cookies[1]);
  selection->Item(2)->Unadvise(cookies[2]);
  inspectors->Unadvise(newCookie);
  EXPECT_EQ(outlook->ConnectedSinks(), 0);
}

TEST_F(SimEvents, AHandlerMayUnadviseItselfAndOthersAndCloseWindows) {
  ExplorerId explorer = outlook->OpenExplorer(inbox);
  ExplorerId other = outlook->OpenExplorer(inbox);
  auto app = outlook->Application();
  auto window = app->Explorers()->Item(1);
  auto otherWindow = app->Explorers()->Item(2);
  host::Cookie otherCookie = otherWindow->Advise(std::make_shared<ExplorerRecorder>(log, "o"));

  // Only the host holds these sinks: the one that unadvises itself must survive its own call.
  host::Cookie selfCookie = 0, laterCookie = 0;
  auto self = std::make_shared<ExplorerRecorder>(log, "self");
  self->onEvent = [&, window](const std::string& event) {
    if (event != "SelectionChange") return;
    window->Unadvise(selfCookie);
    window->Unadvise(laterCookie);
    outlook->CloseExplorer(other);
    outlook->CloseExplorer(explorer);
    log.push_back("still running");
  };
  selfCookie = window->Advise(std::move(self));
  laterCookie = window->Advise(std::make_shared<ExplorerRecorder>(log, "later"));
  outlook->Select(explorer, {first});

  // The later sink was disconnected before its turn; both windows closed from inside.
  EXPECT_EQ(log, (Log{"self.SelectionChange", "o.Close", "still running"}));
  EXPECT_TRUE(outlook->OpenExplorers().empty());
  EXPECT_EQ(app->ActiveExplorer(), nullptr);
  otherWindow->Unadvise(otherCookie);
  EXPECT_EQ(outlook->ConnectedSinks(), 0);
}

TEST_F(SimEvents, ClosingAWindowFromItsOwnCloseOrTwiceIsHarmless) {
  ExplorerId explorer = outlook->OpenExplorer(inbox);
  auto window = outlook->Application()->ActiveExplorer();
  auto sink = std::make_shared<ExplorerRecorder>(log, "x");
  sink->onEvent = [&](const std::string&) { outlook->CloseExplorer(explorer); };
  host::Cookie cookie = window->Advise(sink);
  outlook->CloseExplorer(explorer);
  outlook->CloseExplorer(explorer);
  EXPECT_EQ(log, (Log{"x.Close"}));
  EXPECT_THROW(outlook->Select(explorer, {first}), ZError);
  window->Unadvise(cookie);
}

TEST_F(SimEvents, AnExceptionFromASinkIsSwallowedAndTheNextSinkStillRuns) {
  ExplorerId explorer = outlook->OpenExplorer(inbox);
  auto window = outlook->Application()->ActiveExplorer();
  auto thrower = std::make_shared<ExplorerRecorder>(log, "a");
  thrower->onEvent = [](const std::string&) { Fail(err::kEFail, "boom"); };
  host::Cookie a = window->Advise(thrower);
  host::Cookie b = window->Advise(std::make_shared<ExplorerRecorder>(log, "b"));
  outlook->SwitchFolder(explorer, inbox);
  outlook->SwitchView(explorer);
  EXPECT_EQ(log, (Log{"a.FolderSwitch", "b.FolderSwitch", "a.ViewSwitch", "b.ViewSwitch"}));
  EXPECT_EQ(outlook->EscapedExceptions(), 2);
  window->Unadvise(a);
  window->Unadvise(b);
}

TEST_F(SimEvents, ProxiesOutlivingTheHostFailInsteadOfCrashing) {
  outlook->OpenExplorer(inbox);
  auto window = outlook->Application()->ActiveExplorer();
  outlook.reset();
  EXPECT_THROW(window->Selection(), ZError);
  EXPECT_THROW(window->Unadvise(1), ZError);
}

}  // namespace
}  // namespace zormint::sim

// Long runs in one process: a hundred connections and disconnections, a long session of
// selections and clicks, and windows opened and closed in every order. Memory, open file
// descriptors, references to Outlook's objects and event connections must stay flat.
//
// Memory is compared after a warm-up, as a bound on growth. The simulated Outlook keeps a
// record of every window that closed and every button that was deleted (so that a connection
// left on them could still be seen and undone); where a run closes windows or deletes buttons,
// that record is measured apart, by the same host operations without the add-in's logic, and
// taken off.
#include <algorithm>
#include <functional>
#include <iostream>
#include <memory>

#include "addin/zormint.h"
#include "net/internet.h"
#include "pictures/pic_attachments.h"
#include "settings/settings.h"
#include "tests/hardening/hardening.h"
#include "tests/stories/outlook_story.h"
#include "ui/options_layout.h"

namespace zormint::test {
namespace {

// Growth in heap allowed over a whole measured stretch, beyond what the host keeps: room for
// the allocator's own rounding, not for anything that grows with the number of iterations.
constexpr size_t kSlack = 2048;

// Every object of the add-in that must be gone after a disconnection.
struct AddInObjects {
  std::vector<std::weak_ptr<void>> objects;
  void Take(OutlookStory& s) {
    if (const auto& tracker = s.addin->Tracker()) {
      objects.push_back(tracker);
      for (int32_t i = 1; i <= 8; ++i) {
        if (auto t = tracker->ExplorerToolbar(i)) objects.push_back(t);
        if (auto t = tracker->InspectorToolbar(i)) objects.push_back(t);
      }
    }
    Globals& g = s.G();
    if (gclsPicAttachments(g)) objects.push_back(gclsPicAttachments(g));
    if (gclsSettings(g)) objects.push_back(gclsSettings(g));
    if (gclsInternet(g)) objects.push_back(gclsInternet(g));
  }
  size_t Alive() const {
    return static_cast<size_t>(
        std::count_if(objects.begin(), objects.end(), [](const auto& w) { return !w.expired(); }));
  }
};

// Forgets what the fakes recorded, so that only the add-in's own memory is measured.
void ForgetRecords(OutlookStory& s) {
  s.env.faults.ClearCalls();
  s.env.launcher->shellExecutes.clear();
  s.env.launcher->startedPrograms.clear();
  s.env.launcher->order.clear();
  s.env.settingsStore->writes.clear();
  s.internet->ClearCalls();
  s.eventLog->Clear();
  // The headless toolkit keeps a record of every dialog; a fresh one replaces it.
  s.dialogs = std::make_shared<sim::HeadlessDialogs>(&s.env.faults);
  s.G().services.dialogs = s.dialogs;
}

void CheckReleased(OutlookStory& s, const AddInObjects& objects, size_t fds, int cycle) {
  EXPECT_EQ(s.outlook.LiveReferences(), 0)
      << "cycle " << cycle << ": " << s.outlook.DescribeLiveReferences();
  EXPECT_EQ(s.outlook.ConnectedSinks(), 0) << "cycle " << cycle;
  EXPECT_EQ(s.outlook.EscapedExceptions(), 0) << "cycle " << cycle;
  EXPECT_EQ(objects.Alive(), 0u) << "cycle " << cycle;
  EXPECT_EQ(OpenDescriptors(), fds) << "cycle " << cycle;
}

// One connection as a user switching the add-in on in a running Outlook would make it: view
// the pictures of a message, choose them in the options dialog, switch the add-in off.
void Cycle(OutlookStory& s, ItemId mail, int n, AddInObjects& objects) {
  if (n % 2 == 0) s.addin = std::make_unique<dsrWrapper>(s.G().services);
  s.addin->AddinInstance_OnConnection(s.outlook.Application(),
                                      n % 3 == 0 ? ext_cm_Startup : ext_cm_AfterStartup);
  s.outlook.Select(s.mainExplorer, {mail});
  s.ClickZormint(Xpl(s.mainExplorer));
  s.dialogs->OnNextShow([](sim::HeadlessForm& form) { form.Click(ui::kCmdOpen); });
  s.ClickOptions(Xpl(s.mainExplorer));
  objects.Take(s);
  s.Disconnect(ext_dm_UserClosed);
}

// What the host keeps of one connection: the two deleted buttons, with what the add-in set on
// them, and the record of their event connections. Measured on a host of its own, through the
// same host calls.
size_t HostRecordOfACycle(int cycles) {
  OutlookStory s;
  auto app = s.outlook.Application();
  auto once = [&] {
    std::shared_ptr<host::CommandBar> standard;
    auto bars = app->ActiveExplorer()->CommandBars()->Enumerate();
    while (auto bar = bars->Next()) {
      if (bar->Name() == "Standard") standard = bar;
    }
    host::ControlAddArgs args;
    args.type = host::kMsoControlButton;
    args.temporary = true;
    class NoSink : public host::CommandBarButtonEvents {
      void Click(std::shared_ptr<host::CommandBarButton>, bool&) override {}
    };
    for (int b = 1; b <= 2; ++b) {
      auto button = standard->Controls()->Add(args);
      const host::Cookie cookie = button->Advise(std::make_shared<NoSink>());
      if (b == 1) {
        button->SetBeginGroup(true);
        button->SetStyle(host::kMsoButtonIcon);
        button->SetPicture(s.env.resources->LoadBitmapPicture(101));
        button->SetTooltipText("View ZORMINT Options");
        button->SetTag("EXPLORER11");
      } else {
        button->SetCaption("Zormint");
        button->SetTooltipText("View All Picture Attachments");
        button->SetTag("EXPLORER12");
      }
      button->SetOnAction("!<ZORMINT.dsrWrapper>");
      button->SetEnabled(false);
      button->Delete();
      button->Unadvise(cookie);
    }
    s.env.faults.ClearCalls();
  };
  for (int i = 0; i < 10; ++i)
    once();
  const size_t before = HeapInUse();
  for (int i = 0; i < cycles; ++i)
    once();
  const size_t after = HeapInUse();
  return after > before ? after - before : 0;
}

TEST(LongRun, AHundredConnectionsInOneProcessLeaveNothingBehind) {
  OutlookStory s;
  const ItemId mail = s.Mail({"notes.pdf", "beach.jpg", "chart.GIF"});
  const size_t fds = OpenDescriptors();

  AddInObjects warmUp;
  for (int n = 0; n < 10; ++n)
    Cycle(s, mail, n, warmUp);
  ForgetRecords(s);
  const size_t before = HeapInUse();

  constexpr int kCycles = 100;
  for (int n = 0; n < kCycles; ++n) {
    AddInObjects objects;
    const size_t shown = s.env.launcher->shellExecutes.size();
    Cycle(s, mail, n, objects);
    // Each connection works: view all, then the options dialog's "&Open", each shows.
    EXPECT_EQ(s.env.launcher->shellExecutes.size() - shown, 2u) << "cycle " << n;
    CheckReleased(s, objects, fds, n);
    // Both buttons are gone from the window, each cycle.
    EXPECT_TRUE(s.Buttons(Xpl(s.mainExplorer)).empty()) << "cycle " << n;
    if (n % 10 == 9) ForgetRecords(s);
  }
  ForgetRecords(s);
  const size_t after = HeapInUse();
  const size_t host = HostRecordOfACycle(kCycles);
  const size_t growth = after > before ? after - before : 0;
  std::cout << "[ MEASURED ] " << kCycles << " cycles: heap " << before << " -> " << after << " (+"
            << growth << "), the host's record " << host << "\n";
  EXPECT_LE(growth, host + kSlack);
  Figure("connect_disconnect_cycles", kCycles + 10);
  Figure("cycles_heap_growth_beyond_host_record", growth > host ? growth - host : 0);
}

// A long session: ten thousand selection changes (messages with and without pictures, two
// messages at once, none, another folder) and a thousand clicks (view all, and the options
// dialog confirmed or dismissed).
TEST(LongRun, ALongSessionKeepsMemoryHandlesAndReferencesFlat) {
  OutlookStory s;
  const ItemId pictures = s.Mail({"notes.pdf", "beach.jpg", "chart.GIF"});
  const ItemId plain = s.Mail({"notes.pdf"});
  const ItemId post = s.Mail({"scan.tif"}, s.posts, host::kOlPost);
  s.Connect();
  const WindowRef main = Xpl(s.mainExplorer);

  size_t selections = 0, clicks = 0, shown = 0;
  auto batch = [&] {
    for (int i = 0; i < 1000; ++i) {
      if (i % 10 == 7) {
        // A message with pictures is selected, and one of the buttons clicked.
        s.outlook.Select(s.mainExplorer, {pictures});
        ++selections;
        const size_t before = s.env.launcher->shellExecutes.size();
        if (i % 100 == 17) {
          s.dialogs->OnNextShow([i](sim::HeadlessForm& form) {
            form.Click(i % 200 == 17 ? ui::kCmdOpen : ui::kCmdClose);
          });
          EXPECT_TRUE(s.ClickOptions(main));
        } else {
          EXPECT_TRUE(s.ClickZormint(main));
        }
        ++clicks;
        shown += s.env.launcher->shellExecutes.size() - before;
        continue;
      }
      switch (i % 8) {
        case 0:
          s.outlook.Select(s.mainExplorer, {plain});
          break;
        case 1:
          s.outlook.Select(s.mainExplorer, {});
          break;
        case 2:
          s.outlook.Select(s.mainExplorer, {pictures, plain});
          break;
        case 3:
          s.outlook.SwitchFolder(s.mainExplorer, i % 16 == 3 ? s.posts : s.inbox);
          break;
        case 4:
          s.outlook.Select(s.mainExplorer, {i % 16 == 4 ? post : pictures});
          break;
        default:
          s.outlook.Select(s.mainExplorer, {pictures});
          break;
      }
      ++selections;
    }
  };

  batch();  // warm-up
  ForgetRecords(s);
  const size_t fds = OpenDescriptors();
  const int references = s.outlook.LiveReferences();
  const int sinks = s.outlook.ConnectedSinks();
  const size_t before = HeapInUse();
  for (int n = 1; n < 10; ++n) {
    batch();
    ForgetRecords(s);
    EXPECT_EQ(OpenDescriptors(), fds) << "batch " << n;
    EXPECT_EQ(s.outlook.LiveReferences(), references) << "batch " << n;
    EXPECT_EQ(s.outlook.ConnectedSinks(), sinks) << "batch " << n;
  }
  const size_t after = HeapInUse();
  const size_t growth = after > before ? after - before : 0;
  std::cout << "[ MEASURED ] " << selections << " selection changes, " << clicks << " clicks: heap "
            << before << " -> " << after << " (+" << growth << ")\n";
  EXPECT_LE(growth, kSlack);
  EXPECT_EQ(selections, 10000u);
  EXPECT_EQ(clicks, 1000u);
  EXPECT_EQ(shown, 1000u - 50u);  // every click shows, but the dismissed dialogs

  s.DisconnectAndExpectNothingHeld(ext_dm_UserClosed);
  Figure("long_session_selection_changes", selections);
  Figure("long_session_clicks", clicks);
  Figure("long_session_heap_growth", growth);
}

// What the host keeps of windows opened and closed with the add-in's buttons on them: the
// windows themselves, their bars, the deleted buttons and the records of the connections.
// Measured by the same host calls on a host of its own, without the add-in.
size_t HostRecordOfWindows(int rounds) {
  OutlookStory s;
  const std::vector<ItemId> messages = {s.Mail({"a.jpg", "notes.pdf"}), s.Mail({"notes.pdf"})};
  auto mails = [&](OutlookStory&, int r) { return messages[static_cast<size_t>(r % 2)]; };
  auto app = s.outlook.Application();
  class NoSink : public host::CommandBarButtonEvents,
                 public host::ExplorerEvents,
                 public host::InspectorEvents,
                 public host::ItemEvents {
    void Click(std::shared_ptr<host::CommandBarButton>, bool&) override {}
    void Activate() override {}
    void FolderSwitch() override {}
    void ViewSwitch() override {}
    void SelectionChange() override {}
    void Close() override {}
    void Deactivate() override {}
    void Read() override {}
    void Write(bool&) override {}
    void Open(bool&) override {}
    void Close(bool&) override {}
  };
  auto sink = std::make_shared<NoSink>();
  auto buttons = [&](const std::shared_ptr<host::CommandBars>& commandBars, const char* kind,
                     int index) {
    std::shared_ptr<host::CommandBar> standard;
    auto bars = commandBars->Enumerate();
    while (auto bar = bars->Next()) {
      if (bar->Name() == "Standard") standard = bar;
    }
    host::ControlAddArgs args;
    args.type = host::kMsoControlButton;
    args.temporary = true;
    std::vector<std::pair<std::shared_ptr<host::CommandBarButton>, host::Cookie>> added;
    for (int b = 1; b <= 2; ++b) {
      auto button = standard->Controls()->Add(args);
      const host::Cookie cookie =
          button->Advise(std::shared_ptr<host::CommandBarButtonEvents>(sink));
      const std::string tag = kind + std::to_string(index) + std::to_string(b);
      if (b == 1) {
        button->SetBeginGroup(true);
        button->SetStyle(host::kMsoButtonIcon);
        button->SetPicture(s.env.resources->LoadBitmapPicture(101));
        button->SetTooltipText("View ZORMINT Options");
      } else {
        button->SetCaption("Zormint");
        button->SetTooltipText("View All Picture Attachments");
      }
      button->SetTag(tag);
      button->SetOnAction("!<ZORMINT.dsrWrapper>");
      added.emplace_back(button, cookie);
    }
    return added;
  };
  auto round = [&](int r) {
    std::vector<std::function<void()>> closers;
    for (int e = 0; e < 2; ++e) {
      const ExplorerId id = s.outlook.OpenExplorer(s.inbox);
      auto explorers = app->Explorers();
      auto explorer = explorers->Item(explorers->Count());
      const host::Cookie cookie = explorer->Advise(std::shared_ptr<host::ExplorerEvents>(sink));
      s.outlook.SwitchFolder(id, s.inbox);
      auto added = buttons(explorer->CommandBars(), "EXPLORER", e + 2);
      s.outlook.Select(id, {mails(s, r)});
      closers.push_back([&s, id, explorer, cookie, added] {
        for (const auto& [button, c] : added) {
          button->Delete();
          button->Unadvise(c);
        }
        explorer->Unadvise(cookie);
        s.outlook.CloseExplorer(id);
      });
    }
    for (int i = 0; i < 2; ++i) {
      const InspectorId id = s.outlook.OpenInspector(mails(s, r + i));
      auto inspectors = app->Inspectors();
      auto inspector = inspectors->Item(inspectors->Count());
      const host::Cookie cookie = inspector->Advise(std::shared_ptr<host::InspectorEvents>(sink));
      auto item = inspector->CurrentItem();
      const host::Cookie itemCookie = item->Advise(std::shared_ptr<host::ItemEvents>(sink));
      auto added = buttons(inspector->CommandBars(), "INSPECTOR", i + 1);
      closers.push_back([&s, id, inspector, cookie, item, itemCookie, added] {
        for (const auto& [button, c] : added) {
          button->Delete();
          button->Unadvise(c);
        }
        item->Unadvise(itemCookie);
        inspector->Unadvise(cookie);
        s.outlook.CloseInspector(id);
      });
    }
    for (auto& close : closers)
      close();
    s.env.faults.ClearCalls();
  };
  for (int r = 0; r < 4; ++r)
    round(r);
  const size_t before = HeapInUse();
  for (int r = 0; r < rounds; ++r)
    round(r);
  const size_t after = HeapInUse();
  return after > before ? after - before : 0;
}

// Two Explorers and two message windows opened, used and closed, in every one of the 24 orders
// of closing them.
TEST(LongRun, WindowsOpenedAndClosedInEveryOrderLeaveNothingBehind) {
  OutlookStory s;
  static std::vector<ItemId> mails;
  mails = {s.Mail({"a.jpg", "notes.pdf"}), s.Mail({"notes.pdf"})};
  auto mail = [](OutlookStory&, int r) { return mails[static_cast<size_t>(r % 2)]; };
  s.Connect();
  s.outlook.Select(s.mainExplorer, {mails[0]});

  std::vector<int> order = {0, 1, 2, 3};
  int rounds = 0, windows = 0;
  auto round = [&](const std::vector<int>& closing, AddInObjects& objects) {
    std::vector<std::function<void()>> closers;
    for (int e = 0; e < 2; ++e) {
      const ExplorerId id = s.OpenExplorer();
      s.outlook.Select(id, {mail(s, rounds)});
      if (e == rounds % 2) s.ClickZormint(Xpl(id));
      closers.push_back([&s, id] { s.outlook.CloseExplorer(id); });
    }
    for (int i = 0; i < 2; ++i) {
      const InspectorId id = s.outlook.OpenInspector(mail(s, rounds + i));
      closers.push_back([&s, id] { s.outlook.CloseInspector(id); });
    }
    objects.Take(s);
    windows += 4;
    for (int c : closing)
      closers[static_cast<size_t>(c)]();
    ++rounds;
    ForgetRecords(s);
  };

  AddInObjects warmUp;
  for (int r = 0; r < 4; ++r)
    round(order, warmUp);
  ForgetRecords(s);
  const size_t fds = OpenDescriptors();
  const int references = s.outlook.LiveReferences();
  const int sinks = s.outlook.ConnectedSinks();
  const size_t before = HeapInUse();
  int permutations = 0;
  do {
    AddInObjects objects;
    objects.objects.clear();
    round(order, objects);
    ++permutations;
    // Only the start-up Explorer's toolbar is left, under its own key.
    EXPECT_EQ(s.Tracker().ExplorerKeys(), std::vector<std::string>{"1UNT"});
    EXPECT_TRUE(s.Tracker().InspectorKeys().empty());
    EXPECT_EQ(s.Tracker().ExplorerCount(), 1);
    EXPECT_EQ(s.Tracker().InspectorCount(), 0);
    EXPECT_EQ(s.outlook.LiveReferences(), references) << s.outlook.DescribeLiveReferences();
    EXPECT_EQ(s.outlook.ConnectedSinks(), sinks);
    EXPECT_EQ(s.outlook.EscapedExceptions(), 0);
    EXPECT_EQ(OpenDescriptors(), fds);
    // Every toolbar of the round is gone (the tracker and the engine stay).
    EXPECT_EQ(objects.Alive(), 5u);
  } while (std::next_permutation(order.begin(), order.end()));
  ForgetRecords(s);
  const size_t after = HeapInUse();
  const size_t host = HostRecordOfWindows(permutations);
  const size_t growth = after > before ? after - before : 0;
  std::cout << "[ MEASURED ] " << permutations << " orders, " << windows << " windows: heap "
            << before << " -> " << after << " (+" << growth << "), the host's record " << host
            << "\n";
  EXPECT_EQ(permutations, 24);
  EXPECT_LE(growth, host + kSlack);

  s.DisconnectAndExpectNothingHeld(ext_dm_UserClosed);
  Figure("windows_opened_and_closed", static_cast<size_t>(windows));
  Figure("windows_heap_growth_beyond_host_record", growth > host ? growth - host : 0);
}

}  // namespace
}  // namespace zormint::test

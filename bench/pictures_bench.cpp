// What the picture engine costs beyond the disk work it cannot avoid, and how many host calls
// the toolbar's and the ribbon's enabling checks make.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "addin/dsr_wrapper.h"
#include "pictures/pic_attachments.h"
#include "platform/paths.h"
#include "ribbon/ribbon.h"
#include "settings/settings.h"
#include "tests/support/test_env.h"

namespace zormint {
namespace {

using Clock = std::chrono::steady_clock;

// A simulated Outlook with an Explorer on a mail folder, and the engine connected over it.
struct Stage {
  test::TestEnv env;
  std::shared_ptr<host::Application> app;
  sim::FolderId inbox = 0;
  sim::ExplorerId explorer = 0;
  std::shared_ptr<CPicAttachments> engine;

  Stage() {
    env.globals.gfsoFileSystem = env.fileSystem;
    gclsSettings(env.globals) = std::make_shared<CSettings>(env.globals);
    gclsSettings(env.globals)->Initialize();
    engine = std::make_shared<CPicAttachments>(env.globals);
    engine->Initialize();
    inbox = env.outlook->AddFolder("Inbox", host::kOlMailItem);
    explorer = env.outlook->OpenExplorer(inbox);
    app = env.outlook->Application();
  }

  std::shared_ptr<host::Item> Mail(sim::ItemSpec contents) {
    const sim::ItemId id = env.outlook->AddItem(inbox, std::move(contents));
    env.outlook->Select(explorer, {id});
    auto item = app->ActiveExplorer()->Selection()->Item(1);
    env.faults.ClearCalls();
    return item;
  }
};

double Seconds(Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

// "View all" on 50 pictures of 1 MB: the engine through the simulated Outlook (prepare the
// working folder, which removes the previous run's 50 files, then 50 saves and the viewer
// start) against the same disk work done directly, in the same order (remove the 50 files,
// then write 50 files; removing and writing file by file is a cheaper pattern for the file
// system, about 15% on ext4, and would not compare like with like). The two run interleaved
// in each iteration so that the machine's noise hits both alike; the reported time is the
// engine's, "ratio" is engine time over direct time.
void BM_ViewAll50x1MB(benchmark::State& state) {
  constexpr int kPictures = 50;
  const std::string bytes(1 << 20, '\x5a');
  Stage stage;
  sim::ItemSpec contents;
  for (int i = 0; i < kPictures; ++i) {
    contents.attachments.push_back({"picture" + std::to_string(i) + ".jpg", bytes});
  }
  auto mail = stage.Mail(contents);
  const std::string suffix = "071226210509";
  const std::string direct = stage.env.Path("direct");
  std::filesystem::create_directory(platform::ToFsPath(direct));

  Clock::duration engineTotal{}, directTotal{};
  auto viaEngine = [&] {
    const auto t0 = Clock::now();
    stage.engine->ExtractAllNShow(mail, suffix);
    return Clock::now() - t0;
  };
  auto directly = [&] {
    const auto t0 = Clock::now();
    for (int i = 0; i < kPictures; ++i) {
      const auto path = platform::ToFsPath(direct + "/picture" + std::to_string(i) + ".jpg");
      std::error_code ec;
      std::filesystem::remove(path, ec);
    }
    for (int i = 0; i < kPictures; ++i) {
      const auto path = platform::ToFsPath(direct + "/picture" + std::to_string(i) + ".jpg");
      std::ofstream out(path, std::ios::binary | std::ios::trunc);
      out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    return Clock::now() - t0;
  };
  bool engineFirst = true;
  for (auto _ : state) {
    // Which of the two runs first alternates: the second pays for the first's 50 MB still
    // being written back by the system, which would otherwise always burden the same one.
    Clock::duration engine{}, plain{};
    if (engineFirst) {
      engine = viaEngine();
      plain = directly();
    } else {
      plain = directly();
      engine = viaEngine();
    }
    engineFirst = !engineFirst;
    engineTotal += engine;
    directTotal += plain;
    state.SetIterationTime(Seconds(engine));
    stage.env.faults.ClearCalls();  // the call record would otherwise grow without end
  }
  if (static_cast<int64_t>(stage.env.launcher->shellExecutes.size()) != state.iterations()) {
    state.SkipWithError("the viewer was not started once per run");
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["engine_ms"] = Seconds(engineTotal) * 1000 / n;
  state.counters["direct_ms"] = Seconds(directTotal) * 1000 / n;
  state.counters["ratio"] = Seconds(engineTotal) / Seconds(directTotal);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kPictures * bytes.size());
}
BENCHMARK(BM_ViewAll50x1MB)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The toolbar's enabling check on a message of 1,000 attachments whose first is a picture:
// the host calls it makes ("host_calls": one name read, and the type of that one picture name)
// and its time.
// state.range(0) == 1: with the more recent picture types switched on, which adds the reading
// of the first picture's content id ("property_reads").
void BM_AtLeastOnePresent1000(benchmark::State& state) {
  Stage stage;
  const bool more = state.range(0) == 1;
  gclsSettings(stage.env.globals)->SetValue(rvMorePictureTypes, more ? "1" : "0");
  sim::ItemSpec contents;
  contents.attachments.push_back({more ? "first.png" : "first.jpg", "x"});
  for (int i = 1; i < 1000; ++i)
    contents.attachments.push_back({"doc" + std::to_string(i) + ".pdf", "x"});
  auto mail = stage.Mail(contents);

  size_t calls = 0;
  bool found = true;
  for (auto _ : state) {
    stage.env.faults.ClearCalls();
    found = stage.engine->AtLeastOnePresent(mail) && found;
    calls = stage.env.faults.Calls().size();
  }
  if (!found) state.SkipWithError("the picture was not found");
  state.counters["host_calls"] = static_cast<double>(calls);
  state.counters["name_reads"] =
      static_cast<double>(stage.env.faults.CallCount("Attachment.FileName"));
  state.counters["type_reads"] = static_cast<double>(stage.env.faults.CallCount("Attachment.Type"));
  state.counters["property_reads"] =
      static_cast<double>(stage.env.faults.CallCount("PropertyAccessor.GetProperty"));
}
BENCHMARK(BM_AtLeastOnePresent1000)->Arg(0)->Arg(1);

// The ribbon's getEnabled for the Home tab's "Zormint" on the same message, selected in the
// Explorer: Office asks it after every invalidation, so it must stay as cheap as the buttons'
// check (one name read; the count is checked by the ribbon's tests, the time is reported here).
void BM_RibbonGetEnabled1000(benchmark::State& state) {
  Stage stage;
  gclsPicAttachments(stage.env.globals) = stage.engine;
  CRibbon ribbon(stage.env.globals);
  sim::ItemSpec contents;
  contents.attachments.push_back({"first.jpg", "x"});
  for (int i = 1; i < 1000; ++i)
    contents.attachments.push_back({"doc" + std::to_string(i) + ".pdf", "x"});
  stage.Mail(contents);
  auto control = stage.env.outlook->RibbonControl({sim::WindowRef::kExplorer, stage.explorer},
                                                  "ZormintTabView", "zormint");
  size_t calls = 0;
  bool enabled = true;
  for (auto _ : state) {
    stage.env.faults.ClearCalls();
    enabled = ribbon.Ribbon_GetEnabled(control) && enabled;
    calls = stage.env.faults.Calls().size();
  }
  if (!enabled) state.SkipWithError("the control was not enabled");
  state.counters["host_calls"] = static_cast<double>(calls);
  state.counters["name_reads"] =
      static_cast<double>(stage.env.faults.CallCount("Attachment.FileName"));
}
BENCHMARK(BM_RibbonGetEnabled1000);

// A selection change in the main window of a whole connected add-in, between two messages of
// 1,000 attachments none of which is a picture: the toolbar's refresh alone (the ribbon not
// shown), against the same change with Office asking the five ribbon controls of that window
// (getEnabled and getImage each), as it does after the add-in's invalidation. "name_reads" are
// the attachment names read per change; the two figures' ratio is the ribbon's cost.
void SelectionChange1000(benchmark::State& state, bool askRibbon) {
  test::TestEnv env;
  const sim::FolderId inbox = env.outlook->AddFolder("Inbox", host::kOlMailItem);
  const sim::ExplorerId explorer = env.outlook->OpenExplorer(inbox);
  std::vector<sim::ItemId> messages;
  for (int message = 0; message < 2; ++message) {
    sim::ItemSpec contents;
    for (int i = 1; i <= 1000; ++i)
      contents.attachments.push_back({"doc" + std::to_string(i) + ".pdf", "x"});
    messages.push_back(env.outlook->AddItem(inbox, contents));
  }
  dsrWrapper addin(env.globals.services);
  addin.AddinInstance_OnConnection(env.outlook->Application(), ext_cm_Startup);
  if (askRibbon) {
    addin.Ribbon_GetCustomUI(ribbon::kExplorerRibbon);
    addin.Ribbon_OnLoad(ribbon::kExplorerRibbon, env.outlook->RibbonUI(ribbon::kExplorerRibbon));
  }
  const sim::WindowRef window{sim::WindowRef::kExplorer, explorer};
  std::vector<std::shared_ptr<host::RibbonControl>> controls;
  for (const char* id : ribbon::kControlIds) {
    const std::string control = id;
    controls.push_back(env.outlook->RibbonControl(
        window, control, control.find("Options") != std::string::npos ? "options" : "zormint",
        control == "ZormintMenuView"));
  }
  size_t changes = 0, reads = 0, calls = 0;
  bool enabled = false;
  env.faults.ClearCalls();
  for (auto _ : state) {
    env.outlook->Select(explorer, {messages[changes++ % 2]});
    if (askRibbon) {
      for (const auto& control : controls) {
        enabled = addin.Ribbon_GetEnabled(control) || enabled;
        benchmark::DoNotOptimize(addin.Ribbon_GetImage(control));
      }
    }
    // The record of calls would grow without end: counted, then emptied.
    if (changes % 64 == 0) {
      reads += env.faults.CallCount("Attachment.FileName");
      calls += env.faults.Calls().size();
      env.faults.ClearCalls();
    }
  }
  reads += env.faults.CallCount("Attachment.FileName");
  calls += env.faults.Calls().size();
  if (enabled) state.SkipWithError("a control was enabled");
  state.counters["name_reads"] =
      static_cast<double>(reads) / static_cast<double>(std::max<size_t>(1, changes));
  state.counters["host_calls"] =
      static_cast<double>(calls) / static_cast<double>(std::max<size_t>(1, changes));
  controls.clear();
  addin.AddinInstance_OnDisconnection(ext_dm_HostShutdown);
}
void BM_SelectionChangeToolbarAlone1000(benchmark::State& state) {
  SelectionChange1000(state, false);
}
void BM_SelectionChangeWithRibbon1000(benchmark::State& state) {
  SelectionChange1000(state, true);
}
BENCHMARK(BM_SelectionChangeToolbarAlone1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SelectionChangeWithRibbon1000)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace zormint

BENCHMARK_MAIN();

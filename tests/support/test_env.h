// A test environment: a fresh real directory on disk, a simulated Outlook, the fake platform
// services wired into a Globals, and one FaultPlan (the simulated Outlook's) that the host, the
// fakes and the file system all enter, so that one plan can fail or sweep any call.
//
//   zormint::test::TestEnv env;                 // <dir>/Temp is the temporary folder
//   env.globals.gfsoFileSystem = env.fileSystem;  // as the connection would do
//   env.faults.FailMember("FileSystem.CreateFolder");
//
// The directory is removed (read-only items and links included, never following a link) when
// the environment goes away. The g-objects of the Globals are left none: each test creates
// what it needs, as the add-in's connection does. Does not depend on GoogleTest, so that the
// benchmarks can use it too.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "common/trace.h"
#include "context/globals.h"
#include "platform/portable_file_system.h"
#include "sim/fakes/fake_net.h"
#include "sim/fakes/fakes.h"
#include "sim/fakes/headless_dialogs.h"
#include "sim/model/fault_plan.h"
#include "sim/model/outlook_sim.h"

namespace zormint::test {

// A unique directory under the system's temporary directory, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  // The directory as the core's path text (UTF-8).
  std::string Text() const;

 private:
  std::filesystem::path path_;
};

// The trace of skipped failures, as the add-in reported them while an environment lived.
class TraceRecorder final : public trace::Sink {
 public:
  struct Entry {
    std::string step;
    int32_t code = 0;
    std::string description;
  };
  void Skipped(const char* step, int32_t code, const std::string& description) noexcept override;
  const std::vector<Entry>& Entries() const { return entries_; }
  // The entry whose description contains `text`, if any.
  const Entry* Find(const std::string& text) const;

 private:
  std::vector<Entry> entries_;
};

struct TestEnvOptions {
  bool temporaryFolder = true;        // special folder 2 is <dir>/Temp
  bool createTemporaryFolder = true;  // and it exists on disk
  bool windowsFolder = true;          // special folder 0 is <dir>/Windows (created on disk)
};

class TestEnv {
 public:
  explicit TestEnv(TestEnvOptions options = {});
  ~TestEnv();
  TestEnv(const TestEnv&) = delete;
  TestEnv& operator=(const TestEnv&) = delete;

  // Receives the trace while this environment lives (the one made last, when several are).
  std::shared_ptr<TraceRecorder> trace = std::make_shared<TraceRecorder>();
  // Declared first so that it (and its FaultPlan) outlives every fake that points to it.
  std::shared_ptr<sim::Outlook> outlook;
  sim::FaultPlan& faults;  // outlook->Faults()
  TempDir dir;
  std::string temporaryFolder;  // <dir>/Temp as path text, even when not reported
  std::string windowsFolder;    // <dir>/Windows as path text, even when not reported

  std::shared_ptr<platform::PortableFileSystem> disk;  // the real file system, no faults
  std::shared_ptr<sim::FaultyFileSystem> fileSystem;   // the same, entering `faults`
  std::shared_ptr<sim::FakeLauncher> launcher;
  std::shared_ptr<sim::MemorySettingsStore> settingsStore;
  std::shared_ptr<sim::FakeClock> clock;
  std::shared_ptr<sim::FakeScriptShellFactory> scriptShell;
  std::shared_ptr<sim::FakeMessagePump> messagePump;
  std::shared_ptr<sim::FakeResources> resources;
  std::shared_ptr<sim::FakeInternet> internet;
  std::shared_ptr<sim::FakeEventLog> eventLog;
  std::shared_ptr<sim::HeadlessDialogs> dialogs;
  std::shared_ptr<sim::FakeBackground> background;

  // services.fileSystem is `fileSystem`, the other services are the fakes above. The
  // g-objects are none.
  Globals globals;

 private:
  std::shared_ptr<trace::Sink> previousTrace_;

 public:
  // Path text of a place inside the directory: Path("Temp/a.jpg").
  std::string Path(const std::string& relative) const;
  // Small file helpers on real paths given as path text.
  static void WriteFile(const std::string& path, const std::string& bytes);
  static std::string ReadFile(const std::string& path);
};

}  // namespace zormint::test

// Fake platform services for tests and the simulated Outlook program: they record what the
// add-in asked of them and can be made to fail.
//
// Every fake takes an optional FaultPlan and enters it with "<Service>.<Member>" before it does
// anything ("Launcher.ShellExecute", "SettingsStore.SaveSetting", "Clock.Now" ...), so a test
// can fail any call and sweep faults across services and the simulated host alike. A call that
// fails (planned in the FaultPlan or by the fake's own switch) has no effect and is not
// recorded by the fake; the FaultPlan still lists it.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "sim/model/fault_plan.h"

namespace zormint::sim {

// ---- Launcher -------------------------------------------------------------------------------

struct ShellExecuteCall {
  std::string verb, file, parameters, directory;
  int32_t showCommand = 0;
};

struct StartProgramCall {
  std::string commandLine;
  int32_t windowStyle = 0;
  std::string startFolder;
};

class FakeLauncher : public platform::Launcher {
 public:
  explicit FakeLauncher(FaultPlan* faults = nullptr) : faults_(faults) {}

  intptr_t ShellExecute(const std::string& verb, const std::string& file,
                        const std::string& parameters, const std::string& directory,
                        int32_t showCommand) override;
  void StartProgram(const std::string& commandLine, int32_t windowStyle,
                    const std::string& startFolder) override;

  // What ShellExecute returns (greater than 32 is success).
  intptr_t shellExecuteResult = 42;
  // Makes the member fail with a file-not-found error, as a missing program would.
  bool failShellExecute = false;
  bool failStartProgram = false;

  std::vector<ShellExecuteCall> shellExecutes;
  std::vector<StartProgramCall> startedPrograms;
  // The members that succeeded, in call order ("ShellExecute", "StartProgram").
  std::vector<std::string> order;

  // Whether any viewer was started (either way).
  bool AnyLaunch() const { return !shellExecutes.empty() || !startedPrograms.empty(); }

 private:
  FaultPlan* faults_;
};

// ---- Settings store -------------------------------------------------------------------------

struct SettingWrite {
  std::string app, section, key, value;
};

// The per-user settings store in memory. Application, section and key compare without regard
// to case, as in the registry.
class MemorySettingsStore : public platform::SettingsStore {
 public:
  explicit MemorySettingsStore(FaultPlan* faults = nullptr) : faults_(faults) {}

  std::string GetSetting(const std::string& app, const std::string& section, const std::string& key,
                         const std::string& defaultValue) override;
  void SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                   const std::string& value) override;

  // Inspection and preparation by tests; none of these enter the FaultPlan or count as writes.
  bool Has(const std::string& app, const std::string& section, const std::string& key) const;
  // The stored value, or the empty text when the key does not exist.
  std::string Peek(const std::string& app, const std::string& section,
                   const std::string& key) const;
  void Put(const std::string& app, const std::string& section, const std::string& key,
           const std::string& value);
  void Erase(const std::string& app, const std::string& section, const std::string& key);
  size_t Size() const { return values_.size(); }

  std::vector<SettingWrite> writes;  // every successful SaveSetting, in order
  int reads = 0;                     // successful GetSetting calls

 private:
  static std::string KeyOf(const std::string& app, const std::string& section,
                           const std::string& key);
  FaultPlan* faults_;
  std::map<std::string, std::string> values_;
};

// ---- Clock, message pump, resources ---------------------------------------------------------

class FakeClock : public platform::Clock {
 public:
  explicit FakeClock(FaultPlan* faults = nullptr) : faults_(faults) {}
  platform::LocalTime Now() override;

  platform::LocalTime now;  // what Now returns
  int calls = 0;

 private:
  FaultPlan* faults_;
};

// Background work run where a test says: at once on the caller's thread (the default, so that
// a story runs its steps in one order), or held until RunPending or the task's Wait.
class FakeBackground : public platform::Background {
 public:
  explicit FakeBackground(FaultPlan* faults = nullptr) : faults_(faults) {}
  std::unique_ptr<Task> Start(std::function<void()> work) override;
  // Runs the work held so far, in the order it was started.
  void RunPending();
  // How much held work has not run yet.
  size_t Pending() const;

  bool holdWork = false;
  int starts = 0;

 private:
  using Queue = std::vector<std::shared_ptr<std::function<void()>>>;
  FaultPlan* faults_;
  std::shared_ptr<Queue> pending_ = std::make_shared<Queue>();
};

class FakeMessagePump : public platform::MessagePump {
 public:
  explicit FakeMessagePump(FaultPlan* faults = nullptr) : faults_(faults) {}
  // Counts the call, then runs the hook (which may close windows, fire events ...).
  void DoEvents() override;

  std::function<void()> onDoEvents;
  int calls = 0;

 private:
  FaultPlan* faults_;
};

// Resource 101 is the button face, a 32 x 32 bitmap of 24 bits per pixel (a SimPicture);
// every other id fails as a missing resource.
class FakeResources : public platform::Resources {
 public:
  static constexpr int32_t kButtonFace = 101;
  static constexpr int32_t kRibbonZormint = 107, kRibbonOptions = 108;
  explicit FakeResources(FaultPlan* faults = nullptr) : faults_(faults) {}
  std::shared_ptr<host::Picture> LoadBitmapPicture(int32_t resourceId) override;
  // The ribbon's two pictures (107, 108): 64 x 64, 32 bits.
  std::shared_ptr<host::Picture> LoadAlphaPicture(int32_t resourceId) override;

  int loads = 0;  // successful loads

 private:
  FaultPlan* faults_;
};

// ---- Scripting shell ------------------------------------------------------------------------

// The WScript.Shell object: the user's environment settings, and the expansion of %NAME%
// references from a map of process environment values. Names compare without regard to case;
// a reference to an unknown name stays as written, as on Windows.
class FakeScriptShell : public platform::ScriptShell {
 public:
  explicit FakeScriptShell(FaultPlan* faults = nullptr) : faults_(faults) {}

  std::string UserEnvironment(const std::string& name) override;
  std::string ExpandEnvironmentStrings(const std::string& text) override;

  std::map<std::string, std::string> userVariables;  // the "User" environment, unexpanded
  std::map<std::string, std::string> expansions;     // what %NAME% expands to

 private:
  FaultPlan* faults_;
};

class FakeScriptShellFactory : public platform::ScriptShellFactory {
 public:
  explicit FakeScriptShellFactory(FaultPlan* faults = nullptr)
      : shell(std::make_shared<FakeScriptShell>(faults)), faults_(faults) {}

  // Hands out `shell`; with failCreate set it fails as an object that cannot be created.
  std::shared_ptr<platform::ScriptShell> Create() override;

  std::shared_ptr<FakeScriptShell> shell;
  bool failCreate = false;
  int created = 0;

  // True while someone besides this factory still holds the shell.
  bool ShellHeld() const { return shell.use_count() > 1; }

 private:
  FaultPlan* faults_;
};

// ---- File system ----------------------------------------------------------------------------

// Enters "FileSystem.<Member>" in the plan, then forwards to the real file system.
class FaultyFileSystem : public platform::FileSystem {
 public:
  FaultyFileSystem(std::shared_ptr<platform::FileSystem> inner, FaultPlan* faults)
      : inner_(std::move(inner)), faults_(faults) {}

  std::optional<std::string> GetSpecialFolder(int32_t which) override;
  bool FolderExists(const std::string& path) override;
  bool FileExists(const std::string& path) override;
  void CreateFolder(const std::string& path) override;
  std::vector<std::string> SubFolderNames(const std::string& folder) override;
  std::vector<std::string> FileNames(const std::string& folder) override;
  Contents FolderContents(const std::string& folder) override;
  void DeleteFolder(const std::string& path, bool force) override;
  void DeleteFile(const std::string& path, bool force) override;
  bool IsLink(const std::string& path) override;

  const std::shared_ptr<platform::FileSystem>& Inner() const { return inner_; }

 private:
  void Enter(const char* member);
  std::shared_ptr<platform::FileSystem> inner_;
  FaultPlan* faults_;
};

}  // namespace zormint::sim

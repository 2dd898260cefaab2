#include "sim/fakes/fakes.h"

#include <cctype>
#include <functional>
#include <utility>

#include "common/error.h"
#include "sim/model/outlook_sim.h"

namespace zormint::sim {

namespace {

void EnterPlan(FaultPlan* faults, const char* member) {
  if (faults) faults->Enter(member);
}

std::string Upper(std::string text) {
  for (char& c : text)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// Looks a name up in a map whose keys are compared without regard to case.
const std::string* FindNoCase(const std::map<std::string, std::string>& map,
                              const std::string& name) {
  const std::string wanted = Upper(name);
  for (const auto& [key, value] : map) {
    if (Upper(key) == wanted) return &value;
  }
  return nullptr;
}

}  // namespace

// ---- Launcher -------------------------------------------------------------------------------

intptr_t FakeLauncher::ShellExecute(const std::string& verb, const std::string& file,
                                    const std::string& parameters, const std::string& directory,
                                    int32_t showCommand) {
  EnterPlan(faults_, "Launcher.ShellExecute");
  if (failShellExecute) Fail(err::kFileNotFound, "File not found: " + file);
  shellExecutes.push_back({verb, file, parameters, directory, showCommand});
  order.push_back("ShellExecute");
  return shellExecuteResult;
}

void FakeLauncher::StartProgram(const std::string& commandLine, int32_t windowStyle,
                                const std::string& startFolder) {
  EnterPlan(faults_, "Launcher.StartProgram");
  if (failStartProgram) Fail(err::kFileNotFound, "File not found: " + commandLine);
  startedPrograms.push_back({commandLine, windowStyle, startFolder});
  order.push_back("StartProgram");
}

// ---- Settings store -------------------------------------------------------------------------

std::string MemorySettingsStore::KeyOf(const std::string& app, const std::string& section,
                                       const std::string& key) {
  // The separator cannot occur in a registry key name.
  return Upper(app) + '\0' + Upper(section) + '\0' + Upper(key);
}

std::string MemorySettingsStore::GetSetting(const std::string& app, const std::string& section,
                                            const std::string& key,
                                            const std::string& defaultValue) {
  EnterPlan(faults_, "SettingsStore.GetSetting");
  ++reads;
  auto it = values_.find(KeyOf(app, section, key));
  return it == values_.end() ? defaultValue : it->second;
}

void MemorySettingsStore::SaveSetting(const std::string& app, const std::string& section,
                                      const std::string& key, const std::string& value) {
  EnterPlan(faults_, "SettingsStore.SaveSetting");
  values_[KeyOf(app, section, key)] = value;
  writes.push_back({app, section, key, value});
}

bool MemorySettingsStore::Has(const std::string& app, const std::string& section,
                              const std::string& key) const {
  return values_.count(KeyOf(app, section, key)) != 0;
}

std::string MemorySettingsStore::Peek(const std::string& app, const std::string& section,
                                      const std::string& key) const {
  auto it = values_.find(KeyOf(app, section, key));
  return it == values_.end() ? std::string() : it->second;
}

void MemorySettingsStore::Put(const std::string& app, const std::string& section,
                              const std::string& key, const std::string& value) {
  values_[KeyOf(app, section, key)] = value;
}

void MemorySettingsStore::Erase(const std::string& app, const std::string& section,
                                const std::string& key) {
  values_.erase(KeyOf(app, section, key));
}

// ---- Clock, message pump, resources ---------------------------------------------------------

platform::LocalTime FakeClock::Now() {
  EnterPlan(faults_, "Clock.Now");
  ++calls;
  return now;
}

namespace {

// Runs the work once, whoever asks first: RunPending or the task's Wait.
class FakeTask : public platform::Background::Task {
 public:
  explicit FakeTask(std::shared_ptr<std::function<void()>> work) : work_(std::move(work)) {}
  ~FakeTask() override { Wait(); }
  void Wait() override {
    if (auto work = std::exchange(*work_, nullptr)) work();
  }

 private:
  std::shared_ptr<std::function<void()>> work_;
};

}  // namespace

std::unique_ptr<platform::Background::Task> FakeBackground::Start(std::function<void()> work) {
  EnterPlan(faults_, "Background.Start");
  ++starts;
  auto held = std::make_shared<std::function<void()>>(std::move(work));
  auto task = std::make_unique<FakeTask>(held);
  if (holdWork) {
    pending_->push_back(held);
  } else {
    task->Wait();
  }
  return task;
}

size_t FakeBackground::Pending() const {
  size_t count = 0;
  for (const auto& held : *pending_)
    count += *held ? 1 : 0;
  return count;
}

void FakeBackground::RunPending() {
  const Queue queue = std::exchange(*pending_, Queue());
  for (const auto& held : queue) {
    if (auto work = std::exchange(*held, nullptr)) work();
  }
}

void FakeMessagePump::DoEvents() {
  EnterPlan(faults_, "MessagePump.DoEvents");
  ++calls;
  if (onDoEvents) onDoEvents();
}

std::shared_ptr<host::Picture> FakeResources::LoadBitmapPicture(int32_t resourceId) {
  EnterPlan(faults_, "Resources.LoadBitmapPicture");
  if (resourceId != kButtonFace) {
    Fail(err::kFileNotFound,
         "Resource with identifier " + std::to_string(resourceId) + " not found");
  }
  ++loads;
  return std::make_shared<SimPicture>(32, 32, 24);
}

std::shared_ptr<host::Picture> FakeResources::LoadAlphaPicture(int32_t resourceId) {
  EnterPlan(faults_, "Resources.LoadAlphaPicture");
  if (resourceId != kRibbonZormint && resourceId != kRibbonOptions) {
    Fail(err::kFileNotFound,
         "Resource with identifier " + std::to_string(resourceId) + " not found");
  }
  ++loads;
  return std::make_shared<SimPicture>(64, 64, 32);
}

// ---- Scripting shell ------------------------------------------------------------------------

std::string FakeScriptShell::UserEnvironment(const std::string& name) {
  EnterPlan(faults_, "ScriptShell.UserEnvironment");
  const std::string* value = FindNoCase(userVariables, name);
  return value ? *value : std::string();
}

std::string FakeScriptShell::ExpandEnvironmentStrings(const std::string& text) {
  EnterPlan(faults_, "ScriptShell.ExpandEnvironmentStrings");
  std::string out;
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t open = text.find('%', pos);
    if (open == std::string::npos) break;
    const size_t close = text.find('%', open + 1);
    if (close == std::string::npos) break;
    const std::string* value = FindNoCase(expansions, text.substr(open + 1, close - open - 1));
    out += text.substr(pos, open - pos);
    if (value) {
      out += *value;
      pos = close + 1;
    } else {
      // An unknown reference stays; its closing "%" may open the next one.
      out += text.substr(open, close - open);
      pos = close;
    }
  }
  out += text.substr(pos);
  return out;
}

std::shared_ptr<platform::ScriptShell> FakeScriptShellFactory::Create() {
  EnterPlan(faults_, "ScriptShellFactory.Create");
  if (failCreate) Fail(err::kCannotCreate, "ActiveX component can't create object");
  ++created;
  return shell;
}

// ---- File system ----------------------------------------------------------------------------

void FaultyFileSystem::Enter(const char* member) {
  if (faults_) faults_->Enter(std::string("FileSystem.") + member);
}

std::optional<std::string> FaultyFileSystem::GetSpecialFolder(int32_t which) {
  Enter("GetSpecialFolder");
  return inner_->GetSpecialFolder(which);
}

bool FaultyFileSystem::FolderExists(const std::string& path) {
  Enter("FolderExists");
  return inner_->FolderExists(path);
}

bool FaultyFileSystem::FileExists(const std::string& path) {
  Enter("FileExists");
  return inner_->FileExists(path);
}

void FaultyFileSystem::CreateFolder(const std::string& path) {
  Enter("CreateFolder");
  inner_->CreateFolder(path);
}

std::vector<std::string> FaultyFileSystem::SubFolderNames(const std::string& folder) {
  Enter("SubFolderNames");
  return inner_->SubFolderNames(folder);
}

std::vector<std::string> FaultyFileSystem::FileNames(const std::string& folder) {
  Enter("FileNames");
  return inner_->FileNames(folder);
}

platform::FileSystem::Contents FaultyFileSystem::FolderContents(const std::string& folder) {
  Enter("FolderContents");
  return inner_->FolderContents(folder);
}

void FaultyFileSystem::DeleteFolder(const std::string& path, bool force) {
  Enter("DeleteFolder");
  inner_->DeleteFolder(path, force);
}

void FaultyFileSystem::DeleteFile(const std::string& path, bool force) {
  Enter("DeleteFile");
  inner_->DeleteFile(path, force);
}

bool FaultyFileSystem::IsLink(const std::string& path) {
  Enter("IsLink");
  return inner_->IsLink(path);
}

}  // namespace zormint::sim

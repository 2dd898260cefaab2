#include "tests/support/test_env.h"

#include <atomic>
#include <fstream>
#include <random>
#include <sstream>

#include "platform/paths.h"

namespace zormint::test {

namespace fs = std::filesystem;

TempDir::TempDir() {
  static std::atomic<unsigned> counter{0};
  std::random_device random;
  const fs::path base = fs::temp_directory_path();
  for (;;) {
    std::ostringstream name;
    name << "zormint-test-" << std::hex << random() << '-' << counter++;
    // create_directory answers false when the name is already taken.
    if (fs::create_directory(base / name.str())) {
      path_ = base / name.str();
      return;
    }
  }
}

TempDir::~TempDir() {
  try {
    // Read-only items go too; links inside are removed as links, never followed.
    platform::PortableFileSystem().DeleteFolder(Text(), true);
  } catch (...) {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
}

std::string TempDir::Text() const {
  return platform::FromFsPath(path_);
}

void TraceRecorder::Skipped(const char* step, int32_t code,
                            const std::string& description) noexcept {
  try {
    entries_.push_back({step, code, description});
  } catch (...) {
  }
}

const TraceRecorder::Entry* TraceRecorder::Find(const std::string& text) const {
  for (const Entry& entry : entries_) {
    if (entry.description.find(text) != std::string::npos) return &entry;
  }
  return nullptr;
}

TestEnv::~TestEnv() {
  trace::SetSink(std::move(previousTrace_));
}

TestEnv::TestEnv(TestEnvOptions options)
    : outlook(sim::Outlook::Create()),
      faults(outlook->Faults()),
      temporaryFolder(platform::FromFsPath(dir.Path() / "Temp")),
      windowsFolder(platform::FromFsPath(dir.Path() / "Windows")) {
  previousTrace_ = trace::SetSink(trace);
  if (options.createTemporaryFolder) fs::create_directory(dir.Path() / "Temp");
  if (options.windowsFolder) fs::create_directory(dir.Path() / "Windows");
  disk = std::make_shared<platform::PortableFileSystem>(
      options.temporaryFolder ? std::optional<std::string>(temporaryFolder) : std::nullopt,
      options.windowsFolder ? std::optional<std::string>(windowsFolder) : std::nullopt);
  fileSystem = std::make_shared<sim::FaultyFileSystem>(disk, &faults);
  launcher = std::make_shared<sim::FakeLauncher>(&faults);
  settingsStore = std::make_shared<sim::MemorySettingsStore>(&faults);
  clock = std::make_shared<sim::FakeClock>(&faults);
  scriptShell = std::make_shared<sim::FakeScriptShellFactory>(&faults);
  messagePump = std::make_shared<sim::FakeMessagePump>(&faults);
  resources = std::make_shared<sim::FakeResources>(&faults);
  internet = std::make_shared<sim::FakeInternet>(&faults);
  eventLog = std::make_shared<sim::FakeEventLog>(&faults);
  dialogs = std::make_shared<sim::HeadlessDialogs>(&faults);
  background = std::make_shared<sim::FakeBackground>(&faults);

  Services& s = globals.services;
  s.fileSystem = fileSystem;
  s.launcher = launcher;
  s.settingsStore = settingsStore;
  s.clock = clock;
  s.scriptShell = scriptShell;
  s.messagePump = messagePump;
  s.resources = resources;
  s.internet = internet;
  s.eventLog = eventLog;
  s.dialogs = dialogs;
  s.background = background;
}

std::string TestEnv::Path(const std::string& relative) const {
  return platform::FromFsPath(dir.Path() / platform::ToFsPath(relative));
}

void TestEnv::WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(platform::ToFsPath(path), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::string TestEnv::ReadFile(const std::string& path) {
  std::ifstream in(platform::ToFsPath(path), std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

}  // namespace zormint::test

// Fuzzes the settings store's normalisation: whatever the stored texts and whatever is written
// afterwards, the store ends up holding a viewer choice worth 1 or 2 and a custom viewer path
// that is empty or names an existing EXE file, the cache always equals the store, and starting
// again on what a start left changes nothing.
//
// Input: the stored viewer choice, the stored path, then writes of (setting number, text), all
// taken from the bytes by FuzzedDataProvider. The files that exist are those whose path begins
// with "C:\Apps\" and does not end in "missing.exe".
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "settings/settings.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

class MemoryStore : public zormint::platform::SettingsStore {
 public:
  std::string GetSetting(const std::string& app, const std::string& section, const std::string& key,
                         const std::string& defaultValue) override {
    auto it = values.find(app + "/" + section + "/" + key);
    return it == values.end() ? defaultValue : it->second;
  }
  void SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                   const std::string& value) override {
    values[app + "/" + section + "/" + key] = value;
  }
  std::map<std::string, std::string> values;
};

// Answers only whether a file exists; nothing else is asked of it by the settings store.
class Files : public zormint::platform::FileSystem {
 public:
  static bool Exists(const std::string& path) {
    return path.rfind("C:\\Apps\\", 0) == 0 &&
           (path.size() < 11 || path.substr(path.size() - 11) != "missing.exe");
  }
  std::optional<std::string> GetSpecialFolder(int32_t) override { return std::nullopt; }
  bool FolderExists(const std::string&) override { return false; }
  bool FileExists(const std::string& path) override {
    // Like the real file systems: no file name holds a NUL.
    return path.find('\0') == std::string::npos && Exists(path);
  }
  void CreateFolder(const std::string&) override { std::abort(); }
  std::vector<std::string> SubFolderNames(const std::string&) override { std::abort(); }
  std::vector<std::string> FileNames(const std::string&) override { std::abort(); }
  Contents FolderContents(const std::string&) override { std::abort(); }
  void DeleteFolder(const std::string&, bool) override { std::abort(); }
  void DeleteFile(const std::string&, bool) override { std::abort(); }
  bool IsLink(const std::string&) override { std::abort(); }
};

const char* const kChoice = "ZORMINT/Startup/Image Viewer";
const char* const kPath = "ZORMINT/Startup/User Image App";
const char* const kMore = "ZORMINT/Startup/More Picture Types";

std::string Trimmed(const std::string& s) {
  const size_t first = s.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

// A viewer choice the store may keep: text that reads as exactly 1 or 2.
void CheckChoice(const std::string& v) {
  Check(!v.empty() && v == Trimmed(v));
  if (v == "1" || v == "2") return;
  // Plain decimal text (no hex, no words, no blanks inside) whose value is 1 or 2.
  for (char c : v)
    Check((c >= '0' && c <= '9') || c == '.' || c == '+' || c == '-' || c == 'e' || c == 'E');
  char* end = nullptr;
  const double value = std::strtod(v.c_str(), &end);
  Check(end == v.c_str() + v.size());
  Check(value == 1.0 || value == 2.0);
}

void CheckPath(const std::string& p) {
  if (p.empty()) return;
  Check(p == Trimmed(p));
  Check(p.find('\0') == std::string::npos);
  std::string tail = p.size() >= 3 ? p.substr(p.size() - 3) : p;
  for (char& c : tail)
    c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  Check(tail == "EXE");
  Check(Files::Exists(p));
}

void CheckStored(MemoryStore& store, zormint::CSettings& settings) {
  CheckChoice(store.values.at(kChoice));
  CheckPath(store.values.at(kPath));
  Check(settings.Value(1) == store.values.at(kChoice));
  Check(settings.Value(2) == store.values.at(kPath));
  // The extra picture types: on or off, nothing else.
  Check(store.values.at(kMore) == "1" || store.values.at(kMore) == "0");
  Check(settings.Value(3) == store.values.at(kMore));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  auto store = std::make_shared<MemoryStore>();
  if (input.ConsumeBool()) store->values[kChoice] = input.ConsumeRandomLengthString(64);
  if (input.ConsumeBool()) store->values[kPath] = input.ConsumeRandomLengthString(64);
  if (input.ConsumeBool()) store->values[kMore] = input.ConsumeRandomLengthString(8);

  zormint::Globals g;
  g.services.settingsStore = store;
  g.gfsoFileSystem = std::make_shared<Files>();
  zormint::CSettings settings(g);
  settings.Initialize();
  CheckStored(*store, settings);

  // A second start on what the first left is a fixed point.
  const auto normalised = store->values;
  zormint::CSettings again(g);
  again.Initialize();
  Check(store->values == normalised);

  // Writes, valid or not, to any setting number.
  while (input.remaining_bytes() > 0) {
    const int32_t which = input.ConsumeIntegralInRange<int32_t>(-1, 4);
    const std::string text = input.ConsumeRandomLengthString(64);
    const auto before = store->values;
    settings.SetValue(which, text);
    if (which < 1 || which > 3) {
      Check(store->values == before);
      try {
        settings.Value(which);
        std::abort();
      } catch (const zormint::ZError& e) {
        Check(e.Code() == zormint::err::kSubscriptOutOfRange);
      }
    }
    CheckStored(*store, settings);
  }
  return 0;
}

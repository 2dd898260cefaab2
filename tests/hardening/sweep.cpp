#include "tests/hardening/sweep.h"

#include <cstdlib>
#include <iostream>
#include <regex>
#include <sstream>

#include "net/internet.h"
#include "pictures/pic_attachments.h"
#include "platform/paths.h"
#include "settings/settings.h"

namespace zormint::test {

namespace fs = std::filesystem;

CallSite Phases::Locate(size_t n) const {
  const std::vector<std::string>& calls = faults_.Calls();
  CallSite site;
  site.member = n >= 1 && n <= calls.size() ? calls[n - 1] : "(none)";
  size_t start = 0;
  site.phase = "(before)";
  for (const auto& [name, first] : starts_) {
    if (first >= n) break;
    site.phase = name;
    start = first;
  }
  for (size_t i = start; i < n && i < calls.size(); ++i) {
    if (calls[i] == site.member) ++site.occurrence;
  }
  return site;
}

std::string Phases::Describe() const {
  const std::vector<std::string>& calls = faults_.Calls();
  std::ostringstream out;
  for (size_t p = 0; p < starts_.size(); ++p) {
    const size_t end = p + 1 < starts_.size() ? starts_[p + 1].second : calls.size();
    out << "---- " << starts_[p].first << "\n";
    for (size_t i = starts_[p].second; i < end; ++i)
      out << "  " << (i + 1) << " " << calls[i] << "\n";
  }
  return out.str();
}

std::set<std::string> FilesIn(const std::string& folder) {
  std::set<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(platform::ToFsPath(folder), ec), end; !ec && it != end;
       it.increment(ec)) {
    if (it->is_regular_file()) names.insert(platform::FromFsPath(it->path().filename()));
  }
  return names;
}

std::string WithoutFolderNumbers(std::string text) {
  static const std::regex numbered(R"((ZORMINT\$[0-9]{12})-[0-9]+)");
  return std::regex_replace(text, numbered, "$1");
}

std::set<std::string> FilesInFoldersOf(const std::string& folder) {
  std::string base = folder;
  while (!base.empty() && (base.back() == '\\' || base.back() == '/'))
    base.pop_back();
  std::set<std::string> names = FilesIn(base);
  for (int number = 2; number <= 9; ++number) {
    names.merge(FilesIn(base + "-" + std::to_string(number)));
  }
  return names;
}

std::set<std::string> FilesInLastFolderOf(const std::string& folder) {
  std::string last = folder;
  while (!last.empty() && (last.back() == '\\' || last.back() == '/'))
    last.pop_back();
  const std::string base = last;
  std::error_code ec;
  for (int number = 2; number <= 9; ++number) {
    const std::string numbered = base + "-" + std::to_string(number);
    if (fs::is_directory(platform::ToFsPath(numbered), ec)) last = numbered;
  }
  return FilesIn(last);
}

void ExpectNothingLeftBehind(OutlookStory& s, const Tree& before, const CallSite& failed) {
  SCOPED_TRACE("failed call: " + failed.Describe());
  // Nothing escaped, nothing of Outlook is held or connected, the add-in is back to not
  // connected and no dialog is still up.
  EXPECT_EQ(s.outlook.EscapedExceptions(), 0);
  EXPECT_EQ(s.outlook.LiveReferences(), 0) << s.outlook.DescribeLiveReferences();
  EXPECT_EQ(s.outlook.ConnectedSinks(), 0);
  EXPECT_FALSE(s.addin->Tracker());
  Globals& g = s.G();
  EXPECT_FALSE(g.gfsoFileSystem || gclsPicAttachments(g) || gclsSettings(g) || gclsInternet(g));
  EXPECT_FALSE(s.dialogs->Modal());

  // Every handle the probe opened is closed again, unless closing it was the failing call.
  EXPECT_LE(s.internet->OpenHandleCount(), failed.member == "Internet.CloseHandle" ? 1u : 0u);

  // Whatever the add-in wrote to the settings store is valid.
  for (const sim::SettingWrite& w : s.env.settingsStore->writes) {
    if (w.key == "Image Viewer") {
      EXPECT_TRUE(w.value == "1" || w.value == "2") << "viewer choice '" << w.value << "'";
    } else if (w.key == "More Picture Types") {
      EXPECT_TRUE(w.value == "0" || w.value == "1") << "picture types '" << w.value << "'";
    } else {
      EXPECT_EQ(w.key, "User Image App");
      const bool exe = w.value.size() >= 4 && (w.value.substr(w.value.size() - 3) == "exe" ||
                                               w.value.substr(w.value.size() - 3) == "EXE");
      EXPECT_TRUE(w.value.empty() || (exe && s.env.disk->FileExists(w.value)))
          << "viewer path '" << w.value << "'";
    }
  }

  // Nothing written, changed or deleted outside the working folders; every file in them is a
  // whole picture of the story's mail (the attachments' bytes name them).
  const Tree after = ReadTree(s.env.dir.Path());
  const TreeChange change = Compare(before, after);
  for (const std::vector<std::string>* list : {&change.added, &change.changed, &change.removed}) {
    for (const std::string& path : *list) {
      // The Windows folder's "Temp" is made when it has to serve as the temporary root.
      if (path == "Windows/Temp/" && list == &change.added) continue;
      EXPECT_TRUE(InWorkingFolder(path)) << path;
    }
  }
  for (const std::vector<std::string>* list : {&change.added, &change.changed}) {
    for (const std::string& path : *list) {
      if (path.back() == '/') continue;
      const std::string name = path.substr(path.find_last_of('/') + 1);
      EXPECT_EQ(after.at(path), "bytes of " + name) << path;
    }
  }
}

SweepFigures Sweep(SweepStory& story) {
  SweepFigures figures;
  {
    std::unique_ptr<OutlookStory> s = story.Setup();
    const Tree before = ReadTree(s->env.dir.Path());
    story.PlanStandingFaults(s->env.faults);
    s->env.faults.ClearCalls();
    Phases phases(s->env.faults);
    story.Run(*s, phases);
    if (std::getenv("ZORMINT_SWEEP_CALLS")) std::cout << phases.Describe();
    ExpectNothingLeftBehind(*s, before, CallSite{"(none)", "(clean run)", 0});
    EXPECT_TRUE(story.Check(*s, nullptr));
    figures.calls = s->env.faults.Calls().size();
  }
  for (size_t n = 1; n <= figures.calls; ++n) {
    std::unique_ptr<OutlookStory> s = story.Setup();
    const Tree before = ReadTree(s->env.dir.Path());
    story.PlanStandingFaults(s->env.faults);
    s->env.faults.ClearCalls();
    s->env.faults.FailCallNumber(n);
    Phases phases(s->env.faults);
    EXPECT_NO_THROW(story.Run(*s, phases)) << "call " << n;
    const CallSite failed = phases.Locate(n);
    figures.injected += s->env.faults.InjectedCount();
    // A failure the add-in swallowed shows in the trace under the name of the step it skipped.
    if (s->env.faults.InjectedCount() > 0) {
      const TraceRecorder::Entry* entry =
          s->env.trace->Find("Injected failure of " + failed.member);
      EXPECT_TRUE(entry && !entry->step.empty()) << "not in the trace: " << failed.Describe();
      if (entry) ++figures.traced;
    }
    s->env.faults.ClearFaults();
    ExpectNothingLeftBehind(*s, before, failed);
    SCOPED_TRACE("failed call " + std::to_string(n) + ": " + failed.Describe());
    if (story.Check(*s, &failed)) {
      ++figures.named;
    } else if (std::getenv("ZORMINT_SWEEP_CALLS")) {
      std::cout << "unnamed: " << n << " " << failed.Describe() << "\n";
    }
  }
  return figures;
}

void Report(const std::string& story, const SweepFigures& figures) {
  Figure(story + "_calls", figures.calls);
  Figure(story + "_injected", figures.injected);
  Figure(story + "_named", figures.named);
  Figure(story + "_traced", figures.traced);
}

}  // namespace zormint::test

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

namespace {

// A text with working-folder names, without the "-2", "-3", ... that another selection stamped
// in the same second gets: which of a second's selections came first depends on where the
// failure fell.
std::string WithoutFolderNumbers(std::string text) {
  static const std::regex numbered(R"((ZORMINT\$[0-9]{12})-[0-9]+)");
  return std::regex_replace(text, numbered, "$1");
}

std::string Describe(const Outcome& outcome) {
  std::string text;
  for (const auto& [aspect, value] : outcome)
    text += "  " + aspect + ": " + value + "\n";
  return text;
}

// Checks the outcome of one run against the story's, and returns the names it goes by (none
// when the story does not name it). A failure that pins outcomes must give one of those.
std::set<std::string> ExpectAcceptable(SweepStory& story, OutlookStory& s, const CallSite* failed) {
  story.ExpectAlways(s);
  const Outcome seen = story.Observe(s);
  const Outcomes acceptable = story.Acceptable();
  const std::set<std::string> pinned = failed ? story.Pinned(*failed) : std::set<std::string>{};
  std::set<std::string> names;
  const std::pair<std::string, Outcome>* nearest = nullptr;
  size_t fewest = SIZE_MAX;
  for (const auto& named : acceptable) {
    if (!failed && &named != &acceptable.front()) break;
    if (!pinned.empty() && !pinned.count(named.first)) continue;
    if (named.second == seen) names.insert(named.first);
    size_t differing = 0;
    for (const auto& [aspect, value] : named.second) {
      const auto it = seen.find(aspect);
      if (it == seen.end() || it->second != value) ++differing;
    }
    if (differing < fewest) fewest = differing, nearest = &named;
  }
  if (!names.empty()) return names;
  ADD_FAILURE() << "an outcome the story does not name:\n"
                << Describe(seen) << "nearest named outcome, \"" << (nearest ? nearest->first : "")
                << "\":\n"
                << (nearest ? Describe(nearest->second) : "");
  return names;
}

struct SweepFigures {
  size_t calls = 0;     // calls of the clean run = runs with one failing call
  size_t injected = 0;  // failures actually injected
  size_t named = 0;     // runs whose failure the user meets, as one of the story's named outcomes
  size_t traced = 0;    // runs whose injected failure the trace names with its step
};

// Runs the story cleanly, then once per call with that call failing; `met` gets the names of the
// outcomes the runs had.
SweepFigures Sweep(SweepStory& story, std::set<std::string>& met) {
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
    met.merge(ExpectAcceptable(story, *s, nullptr));
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
    EXPECT_GE(s->env.faults.InjectedCount(), 1u) << "call " << n << " did not fail";
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
    const std::set<std::string> outcome = ExpectAcceptable(story, *s, &failed);
    if (!outcome.empty() && !outcome.count("clean")) ++figures.named;
    if (std::getenv("ZORMINT_SWEEP_CALLS"))
      std::cout << n << " " << failed.Describe() << ": " << Joined(outcome) << "\n";
    met.merge(std::set<std::string>(outcome));
  }
  return figures;
}

}  // namespace

void SweepAndReport(SweepStory& story, const std::string& name, size_t minCalls) {
  std::set<std::string> met;
  const SweepFigures figures = Sweep(story, met);
  EXPECT_GT(figures.calls, minCalls);
  // Every call failed in its run, the standing faults besides.
  EXPECT_GE(figures.injected, figures.calls);
  // Every outcome the story names is one a failure leads to: none is kept that no run meets.
  std::set<std::string> named;
  for (const auto& [outcome, aspects] : story.Acceptable()) {
    EXPECT_TRUE(met.count(outcome)) << "no run ends as \"" << outcome << "\"";
    named.insert(outcome);
  }
  Figure(name + "_outcomes", named.size());
  Figure(name + "_calls", figures.calls);
  Figure(name + "_injected", figures.injected);
  Figure(name + "_named", figures.named);
  Figure(name + "_traced", figures.traced);
}

std::string Joined(const std::set<std::string>& names) {
  std::string text;
  for (const std::string& name : names)
    text += (text.empty() ? "" : " ") + name;
  return text;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines)
    text += (text.empty() ? "" : "; ") + line;
  return text;
}

std::string Shown(OutlookStory& s) {
  // A picture as its working folder and name.
  auto picture = [&](const std::string& path) {
    for (const auto& [mark, root] :
         {std::pair<std::string, std::string>{"", s.env.temporaryFolder + "\\ZORMINT$"},
          {"Windows\\", s.env.windowsFolder + "\\Temp\\ZORMINT$"}}) {
      if (path.rfind(root, 0) == 0)
        return mark + WithoutFolderNumbers(path.substr(root.size() - 8));
    }
    return "(elsewhere) " + path;
  };
  std::vector<std::string> lines;
  for (const sim::StartProgramCall& call : s.env.launcher->startedPrograms) {
    // "<viewer>"  "<picture>"
    const std::string& line = call.commandLine;
    const size_t split = line.find("\"  \"");
    if (split == std::string::npos || line.size() < split + 5 || line.front() != '"') {
      lines.push_back("(unparsed) " + line);
      continue;
    }
    const std::string viewer = line.substr(1, split - 1);
    const std::string name = viewer.substr(viewer.find_last_of("\\/") + 1);
    lines.push_back((name.empty() ? "\"\"" : name) + " " +
                    picture(line.substr(split + 4, line.size() - split - 5)));
  }
  for (const sim::ShellExecuteCall& call : s.env.launcher->shellExecutes) {
    // The associated viewer starts in the picture's own folder.
    EXPECT_EQ(call.directory + call.file.substr(call.file.find_last_of('\\') + 1), call.file);
    lines.push_back("- " + picture(call.file));
  }
  return Joined(lines);
}

std::string Saved(OutlookStory& s, const std::vector<std::string>& stamps) {
  std::string text;
  for (const auto& [mark, root] : {std::pair<std::string, std::string>{"", s.env.temporaryFolder},
                                   {"Windows\\", s.env.windowsFolder + "\\Temp"}}) {
    for (const std::string& stamp : stamps) {
      const std::string folder = root + "\\ZORMINT$" + stamp;
      std::multiset<std::string> sets;
      for (int number = 1; number <= 9; ++number) {
        const Names files = FilesIn(number == 1 ? folder : folder + "-" + std::to_string(number));
        if (!files.empty()) sets.insert("{" + Joined(files) + "}");
      }
      if (sets.empty()) continue;
      text += (text.empty() ? "" : "; ") + mark + "ZORMINT$" + stamp;
      for (const std::string& set : sets)
        text += " " + set;
    }
  }
  return text;
}

}  // namespace zormint::test

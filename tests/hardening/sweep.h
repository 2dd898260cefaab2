// Fault sweeps over whole stories on the simulated Outlook: a story runs once cleanly, then once
// for every call it made to the host or the platform, with that call failing.
//
// A story marks its steps ("connect", "select", "options" ...) as it goes; a failed call is then
// named by its member, the step it was made in, and which call of that member within the step it
// was ("Attachment.SaveAsFile", "viewall", 2). The story's own checks say, for the failures
// whose handling has a name, what the user must see (the picture that failed to save is
// missing, the viewer still opens the first picture ...); every run, named or not, must leave
// nothing behind: nothing escaped to the host, no reference or event connection after the
// disconnection, no dialog left shown, nothing written or deleted outside the working folders,
// no picture with the wrong bytes, valid settings, no internet handle open.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "tests/hardening/hardening.h"
#include "tests/stories/outlook_story.h"

namespace zormint::test {

// Where one call of a run was made.
struct CallSite {
  std::string member;  // "(none)" when the run made fewer calls
  std::string phase;
  int occurrence = 0;  // 1-based, among the calls of that member within the phase

  bool Is(const std::string& m, const std::string& p, int nth = 0) const {
    return member == m && phase == p && (nth == 0 || occurrence == nth);
  }
  bool In(const std::string& p) const { return phase == p; }
  bool MemberStartsWith(const std::string& prefix) const { return member.rfind(prefix, 0) == 0; }
  std::string Describe() const {
    return member + " #" + std::to_string(occurrence) + " in " + phase;
  }
};

// The steps of one run, each with the number of calls made before it began.
class Phases {
 public:
  explicit Phases(const sim::FaultPlan& faults) : faults_(faults) {}
  void Begin(const std::string& name) { starts_.emplace_back(name, faults_.Calls().size()); }
  // Call n (1-based) of this run.
  CallSite Locate(size_t n) const;
  // The members called in each phase, in order (to write a story's checks against).
  std::string Describe() const;

 private:
  const sim::FaultPlan& faults_;
  std::vector<std::pair<std::string, size_t>> starts_;
};

// The names of the files directly in a folder given as path text; empty when it is missing.
std::set<std::string> FilesIn(const std::string& folder);
// A text with working-folder names, without the "-2", "-3", ... that another selection stamped
// in the same second gets: the sweeps check which second's folder a picture went to, while
// which of its selections came first depends on where the failure fell.
std::string WithoutFolderNumbers(std::string text);
// The files of a working folder (given without a number) and of its numbered siblings.
std::set<std::string> FilesInFoldersOf(const std::string& folder);
// The files of the last of these folders that exists: the one written last.
std::set<std::string> FilesInLastFolderOf(const std::string& folder);

// One story for a sweep.
class SweepStory {
 public:
  virtual ~SweepStory() = default;
  // A fresh environment with everything the story needs before the add-in connects.
  virtual std::unique_ptr<OutlookStory> Setup() = 0;
  // The story itself, from the connection to the disconnection.
  virtual void Run(OutlookStory& s, Phases& phases) = 0;
  // What the user must see after a run with this failure (none: the clean run). Returns true
  // when the failure's handling has a name and was checked, false when only the rules that hold
  // for every run apply.
  virtual bool Check(OutlookStory& s, const CallSite* failed) = 0;
  // Extra faults present in every run of the sweep (besides the one failing call).
  virtual void PlanStandingFaults(sim::FaultPlan&) {}
};

struct SweepFigures {
  size_t calls = 0;     // calls of the clean run = runs with one failing call
  size_t injected = 0;  // failures actually injected
  size_t named = 0;     // runs whose outcome was checked against the named behaviour
  size_t traced = 0;    // runs whose injected failure the trace names with its step
};

// Runs the story cleanly, then once per call with that call failing.
SweepFigures Sweep(SweepStory& story);
// Prints the figures of a sweep as "<story>_calls", "_injected", "_named" and "_traced".
void Report(const std::string& story, const SweepFigures& figures);

// The rules every run must keep. `before` is the test directory's content before the story.
void ExpectNothingLeftBehind(OutlookStory& s, const Tree& before, const CallSite& failed);

}  // namespace zormint::test

// Fault sweeps over whole stories on the simulated Outlook: a story runs once cleanly, then once
// for every call it made to the host or the platform, with that call failing.
//
// A story marks its steps ("connect", "select", "options" ...) as it goes; a failed call is then
// named by its member, the step it was made in, and which call of that member within the step it
// was ("Attachment.SaveAsFile", "viewall", 2). What a run left is read as its outcome: what the
// user saw (buttons, pictures saved and shown, dialogs, settings) and what was left held. Each
// story lists the few outcomes a failure may have (the clean run's, "the view-all button cannot
// be used", "the first picture failed, the second is shown" ...), and every run's outcome must be
// one of them; only where the handling of one failure is itself the behaviour protected (a
// failing settings read gives the default viewer ...) does the failure pin its outcome. Every run
// must also leave nothing behind: nothing escaped to the host, no reference or event connection
// after the disconnection, no dialog left shown, nothing written or deleted outside the working
// folders, no picture with the wrong bytes, valid settings, no internet handle open.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
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

  bool Is(const std::string& m, const std::string& p) const { return member == m && phase == p; }
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

using Names = std::set<std::string>;

// The names of the files directly in a folder given as path text; empty when it is missing.
std::set<std::string> FilesIn(const std::string& folder);

// What a run showed the user and left held, aspect by aspect ("buttons", "shown", "saved",
// "boxes" ...), each written as text.
using Outcome = std::map<std::string, std::string>;
// The outcomes a story accepts, each named for what the user meets; the clean run's comes first.
using Outcomes = std::vector<std::pair<std::string, Outcome>>;

// One story for a sweep.
class SweepStory {
 public:
  virtual ~SweepStory() = default;
  // A fresh environment with everything the story needs before the add-in connects.
  virtual std::unique_ptr<OutlookStory> Setup() = 0;
  // The story itself, from the connection to the disconnection.
  virtual void Run(OutlookStory& s, Phases& phases) = 0;
  // What this run showed the user and left held.
  virtual Outcome Observe(OutlookStory& s) = 0;
  // The outcomes any run of the story may have, the clean run's first, named "clean".
  virtual Outcomes Acceptable() const = 0;
  // The outcomes a failure must give where its handling is the behaviour protected; empty when
  // any acceptable outcome will do.
  virtual std::set<std::string> Pinned(const CallSite&) const { return {}; }
  // What holds whatever failed, besides the rules of every story.
  virtual void ExpectAlways(OutlookStory&) {}
  // Extra faults present in every run of the sweep (besides the one failing call).
  virtual void PlanStandingFaults(sim::FaultPlan&) {}
};

// Runs the story cleanly, then once per call with that call failing, and checks what holds for
// every sweep: it makes more than `minCalls` calls,
// every call failed in its run (the standing faults besides), every outcome the story names
// was met; then prints the figures as "<story>_outcomes" (the outcomes it names), "_calls",
// "_injected", "_named" and "_traced".
void SweepAndReport(SweepStory& story, const std::string& name, size_t minCalls);

// The pictures the viewers were sent to, one a line in order: "<viewer> <picture>" for a viewer
// program started with it ("-" for the associated viewer), the picture as its working folder and
// name ("ZORMINT$071226210509\\a.jpg", without folder numbers, "Windows\\" in front when the
// folder lies in the Windows folder's "Temp").
std::string Shown(OutlookStory& s);
// The pictures in the working folders of these time stamps, folder by folder: "<folder> {a.jpg
// b.gif} {a.jpg}" (the folders of one stamp in no particular order, empty ones left out).
std::string Saved(OutlookStory& s, const std::vector<std::string>& stamps);
// Names, or lines, as one text.
std::string Joined(const std::set<std::string>& names);
std::string Joined(const std::vector<std::string>& lines);

// The rules every run must keep. `before` is the test directory's content before the story.
void ExpectNothingLeftBehind(OutlookStory& s, const Tree& before, const CallSite& failed);

}  // namespace zormint::test

// Outlook's COM face fails, member by member, in each of the ways a COM call fails: on every
// call of the member and on its first call only. The real add-in goes through a whole story
// each time (connect, selections, view all in an Explorer and an Inspector, an Inspector that
// moves on to another message, a second Explorer, switching off): every line of the story
// runs, every add-in event answers S_OK, no event sink reports a failure and, once it is
// disconnected, the add-in holds nothing of Outlook's and no object of its own.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <set>

#include "hardening_fixture.h"

namespace zormint::wine_test::hardening {
namespace {

const std::vector<std::string> kStory = {
    "open-explorer Inbox",
    "start",
    "select holiday",
    "click explorer1 \"View All Picture Attachments\"",
    "select lunch",
    "select holiday",
    "open-inspector drawings",
    "move-inspector inspector1 holiday",
    "click inspector1 \"View All Picture Attachments\"",
    "close inspector1",
    "open-explorer Inbox",
    "switch-folder explorer2 Inbox",
    "select explorer2 drawings",
    "close explorer2",
    "switch-off",
};

class FaultSweep : public HardeningStory {
 protected:
  // The Outlook members the add-in calls in the story, in the order it first calls them.
  std::vector<std::string> MembersOfTheStory() {
    NewStory();
    if (!RunChecked(kStory)) return {};
    std::vector<std::string> members;
    std::set<std::string> seen;
    for (const std::string& call : Model().Faults().Calls()) {
      if (seen.insert(call).second) members.push_back(call);
    }
    ExpectNothingHeld();
    return members;
  }

  // Every member fails with `code`, on every call and then on its first call only.
  void Sweep(const char* code) {
    const std::vector<std::string> members = MembersOfTheStory();
    // Connection, windows, selections, attachments, saving, buttons and their events.
    ASSERT_GE(members.size(), 30u) << Text();
    std::string list;
    for (const std::string& member : members)
      list += " " + member;
    std::printf("[ members  ]%s\n", list.c_str());
    size_t runs = 0, injected = 0;
    for (const std::string& member : members) {
      for (const char* nth : {"", " 1"}) {
        const std::string fault = "fail " + member + " " + code + nth;
        SCOPED_TRACE(fault);
        NewStory();
        std::vector<std::string> lines = {fault};
        lines.insert(lines.end(), kStory.begin(), kStory.end());
        RunChecked(lines);
        const size_t count = Model().Faults().InjectedCount();
        EXPECT_GE(count, 1u) << "the failure was never injected";
        injected += count;
        ++runs;
        // Outlook that never lets a connection end keeps those connections, whatever the
        // add-in does.
        const bool refusesDisconnection = *nth == '\0' && member.ends_with(".Unadvise");
        if (refusesDisconnection) {
          ExpectOnlyRefusedConnectionsLeft(static_cast<int>(count));
        } else {
          ExpectNothingHeld();
        }
        if (HasFailure()) return;
      }
    }
    std::printf("[ figures  ] %s: %zu members, %zu stories, %zu failures injected\n", code,
                members.size(), runs, injected);
  }

  void SetUp() override {
    HardeningStory::SetUp();
    // No viewer is started here (the shell's call fails): the sweep is about the calls into
    // Outlook, and a viewer process per story would only add time.
    UseNoViewer();
  }
};

TEST_F(FaultSweep, EveryMemberFailingWithE_FAIL) {
  Sweep("E_FAIL");
}

TEST_F(FaultSweep, EveryMemberFailingWithCallRejected) {
  Sweep("RPC_E_CALL_REJECTED");
}

TEST_F(FaultSweep, EveryMemberFailingWithAnException) {
  Sweep("DISP_E_EXCEPTION");
}

}  // namespace
}  // namespace zormint::wine_test::hardening

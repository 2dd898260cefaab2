#include "net/internet.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "sim/fakes/fake_net.h"
#include "sim/model/fault_plan.h"

namespace zormint {
namespace {

using sim::FakeEventLog;
using sim::FakeInternet;
using Names = std::vector<std::string>;

constexpr uint32_t kReloadNoCacheWriteKeepConnection = 0x84400000u;

class InternetProbe : public ::testing::Test {
 protected:
  InternetProbe() {
    g.services.internet = internet;
    g.services.eventLog = eventLog;
  }

  std::shared_ptr<FakeInternet> internet = std::make_shared<FakeInternet>();
  std::shared_ptr<FakeEventLog> eventLog = std::make_shared<FakeEventLog>();
  Globals g;
  CInternet probe{g};
};

std::string Entry(const std::string& where, int32_t number, const std::string& description) {
  return "A run-time error has occurred in " + where +
         ".\r\nat Line : 0\r\nError Number : " + std::to_string(number) +
         "\r\nError Description : " + description + "\r\n";
}

TEST_F(InternetProbe, ReachableServerOpensTheBannerAddressOnceAndClosesBothHandles) {
  EXPECT_FALSE(probe.IsConnected());
  internet->SetConnected(true);
  internet->SetOpenAnswer(0x11);
  internet->SetOpenUrlAnswer(0x22);

  probe.Refresh();

  EXPECT_TRUE(probe.IsConnected());
  const auto& calls = internet->Calls();
  ASSERT_EQ(internet->CallNames(),
            (Names{"GetConnectedState", "Open", "OpenUrl", "CloseHandle", "CloseHandle"}));
  EXPECT_EQ(calls[1].agent, "ZORMINT");
  EXPECT_EQ(calls[1].accessType, 0u);
  EXPECT_EQ(calls[1].flags, 0u);
  EXPECT_EQ(calls[2].handle, 0x11u);
  EXPECT_EQ(calls[2].url, "http://www.zormint.com/adbanner.htm");
  EXPECT_EQ(calls[2].flags, kReloadNoCacheWriteKeepConnection);
  // The request first, then the root it was opened from.
  EXPECT_EQ(internet->ClosedHandles(), (std::vector<FakeInternet::Handle>{0x22, 0x11}));
  EXPECT_EQ(internet->OpenHandleCount(), 0u);
  EXPECT_TRUE(eventLog->Entries().empty());
}

TEST_F(InternetProbe, NoReportedConnectionMeansUnreachableWithoutAnyRequest) {
  internet->SetConnected(false);
  probe.Refresh();
  EXPECT_FALSE(probe.IsConnected());
  EXPECT_EQ(internet->CallNames(), (Names{"GetConnectedState"}));
  EXPECT_TRUE(eventLog->Entries().empty());
}

TEST_F(InternetProbe, UnreachableServerClosesTheRootAndAnswersFalse) {
  internet->SetConnected(true);
  internet->SetOpenAnswer(0x11);
  internet->SetOpenUrlAnswer(0);
  probe.Refresh();
  EXPECT_FALSE(probe.IsConnected());
  EXPECT_EQ(internet->CallNames(), (Names{"GetConnectedState", "Open", "OpenUrl", "CloseHandle"}));
  EXPECT_EQ(internet->ClosedHandles(), (std::vector<FakeInternet::Handle>{0x11}));
  EXPECT_EQ(internet->OpenHandleCount(), 0u);
  // A zero handle is an answer, not an error.
  EXPECT_TRUE(eventLog->Entries().empty());
}

TEST_F(InternetProbe, FailingOpenStillHandsItsZeroHandleToClose) {
  internet->SetConnected(true);
  internet->SetOpenAnswer(0);
  probe.Refresh();
  EXPECT_FALSE(probe.IsConnected());
  EXPECT_EQ(internet->CallNames(), (Names{"GetConnectedState", "Open", "CloseHandle"}));
  EXPECT_EQ(internet->ClosedHandles(), (std::vector<FakeInternet::Handle>{0}));
  EXPECT_TRUE(eventLog->Entries().empty());
}

TEST_F(InternetProbe, EveryRefreshProbesAgainAndTheAnswerFollowsTheNetwork) {
  internet->SetConnected(true);
  probe.Refresh();
  EXPECT_TRUE(probe.IsConnected());
  EXPECT_TRUE(probe.IsConnected());  // reading the answer does not probe
  EXPECT_EQ(internet->CallCount("GetConnectedState"), 1u);

  probe.Refresh();
  EXPECT_TRUE(probe.IsConnected());
  EXPECT_EQ(internet->CallCount("GetConnectedState"), 2u);
  EXPECT_EQ(internet->CallCount("OpenUrl"), 2u);

  internet->SetOpenUrlAnswer(0);
  probe.Refresh();
  EXPECT_FALSE(probe.IsConnected());

  internet->SetOpenUrlAnswer(0x22);
  internet->SetConnected(false);
  internet->ClearCalls();
  probe.Refresh();
  EXPECT_FALSE(probe.IsConnected());
  EXPECT_EQ(internet->CallNames(), (Names{"GetConnectedState"}));
}

TEST_F(InternetProbe, FailingConnectionStateIsLoggedUnderRefreshAndAnswersFalse) {
  internet->SetConnected(true);
  probe.Refresh();
  ASSERT_TRUE(probe.IsConnected());

  internet->FailOn("GetConnectedState", 0, err::kPermissionDenied, "Permission denied");
  probe.Refresh();
  // The answer was reset before the failing step: a stale True must not survive.
  EXPECT_FALSE(probe.IsConnected());
  EXPECT_EQ(eventLog->Entries(),
            (Names{Entry("CInternet.Refresh", err::kPermissionDenied, "Permission denied")}));
}

TEST_F(InternetProbe, FailuresInsideTheRequestAreLoggedUnderTryToOpenUrlOnly) {
  internet->SetConnected(true);
  internet->FailOn("Open", 0, err::kEFail, "Unspecified error");
  probe.Refresh();
  EXPECT_FALSE(probe.IsConnected());
  // The error number of a COM failure prints as the signed 32-bit number.
  EXPECT_EQ(eventLog->Entries(),
            (Names{Entry("CInternet.TryToOpenURL", -2147467259, "Unspecified error")}));
  EXPECT_EQ(internet->CallNames(), (Names{"GetConnectedState", "Open"}));
}

TEST_F(InternetProbe, FailingRequestDoesNotLeaveTheRootHandleOpen) {
  internet->SetConnected(true);
  internet->SetOpenAnswer(0x11);
  internet->FailOn("OpenUrl", 0, err::kCallRejected, "Call was rejected by callee.");
  probe.Refresh();
  EXPECT_FALSE(probe.IsConnected());
  ASSERT_EQ(eventLog->Entries().size(), 1u);
  EXPECT_EQ(eventLog->Entries()[0].rfind("A run-time error has occurred in CInternet.TryToOpenURL."
                                         "\r\n",
                                         0),
            0u);
  EXPECT_EQ(internet->ClosedHandles(), (std::vector<FakeInternet::Handle>{0x11}));
  EXPECT_EQ(internet->OpenHandleCount(), 0u);
}

TEST_F(InternetProbe, FailingCloseOfTheRequestStillClosesTheRoot) {
  internet->SetConnected(true);
  internet->SetOpenAnswer(0x11);
  internet->SetOpenUrlAnswer(0x22);
  internet->FailOn("CloseHandle", 1);
  probe.Refresh();
  EXPECT_FALSE(probe.IsConnected());
  EXPECT_EQ(eventLog->Entries().size(), 1u);
  // The request's close was attempted once and not repeated; the root is closed afterwards.
  EXPECT_EQ(internet->CallNames(),
            (Names{"GetConnectedState", "Open", "OpenUrl", "CloseHandle", "CloseHandle"}));
  EXPECT_EQ(internet->ClosedHandles(), (std::vector<FakeInternet::Handle>{0x11}));
}

TEST_F(InternetProbe, MissingServicesAndAFailingLogNeverEscape) {
  Globals bare;
  CInternet lonely(bare);
  lonely.Refresh();  // neither internet functions nor a log: nothing to do, nothing thrown
  EXPECT_FALSE(lonely.IsConnected());

  Globals logOnly;
  logOnly.services.eventLog = eventLog;
  CInternet noNet(logOnly);
  noNet.Refresh();
  ASSERT_EQ(eventLog->Entries().size(), 1u);
  EXPECT_NE(eventLog->Entries()[0].find("CInternet.Refresh.\r\n"), std::string::npos);
  EXPECT_NE(eventLog->Entries()[0].find("Error Number : 91\r\n"), std::string::npos);

  sim::FaultPlan plan;
  plan.FailMember("EventLog.ReportError");
  auto faultyLog = std::make_shared<FakeEventLog>(&plan);
  g.services.eventLog = faultyLog;
  internet->FailOn("GetConnectedState");
  probe.Refresh();
  EXPECT_FALSE(probe.IsConnected());
  EXPECT_EQ(plan.CallCount("EventLog.ReportError"), 1u);
  EXPECT_TRUE(faultyLog->Entries().empty());
}

// Fails each call of a successful probe in turn, through the fault plan: the answer is then
// False, exactly one entry is logged (naming the operation whose step failed), and every
// handle that was handed out has been given back to CloseHandle.
TEST(InternetProbeSweep, EachFailingCallGivesFalseOneEntryAndNoForgottenHandle) {
  size_t callsOfASuccessfulProbe = 0;
  {
    sim::FaultPlan plan;
    Globals g;
    auto internet = std::make_shared<FakeInternet>(&plan);
    internet->SetConnected(true);
    g.services.internet = internet;
    CInternet probe(g);
    probe.Refresh();
    ASSERT_TRUE(probe.IsConnected());
    callsOfASuccessfulProbe = plan.Calls().size();
    ASSERT_EQ(callsOfASuccessfulProbe, 5u);
  }
  for (size_t nth = 1; nth <= callsOfASuccessfulProbe; ++nth) {
    SCOPED_TRACE("failing call " + std::to_string(nth));
    sim::FaultPlan plan;
    Globals g;
    auto internet = std::make_shared<FakeInternet>(&plan);
    auto eventLog = std::make_shared<FakeEventLog>();
    internet->SetConnected(true);
    g.services.internet = internet;
    g.services.eventLog = eventLog;
    CInternet probe(g);
    plan.FailCallNumber(nth);

    probe.Refresh();

    EXPECT_FALSE(probe.IsConnected());
    EXPECT_EQ(plan.InjectedCount(), 1u);
    ASSERT_EQ(eventLog->Entries().size(), 1u);
    const std::string where = nth == 1 ? "CInternet.Refresh." : "CInternet.TryToOpenURL.";
    EXPECT_EQ(eventLog->Entries()[0].rfind("A run-time error has occurred in " + where, 0), 0u);
    std::multiset<FakeInternet::Handle> handedOut, givenBack;
    for (const auto& call : internet->Calls()) {
      if (call.result != 0) handedOut.insert(call.result);
      if (call.member == "CloseHandle") givenBack.insert(call.handle);
    }
    EXPECT_EQ(handedOut, givenBack);
  }
}

}  // namespace
}  // namespace zormint

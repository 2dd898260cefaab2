#include "sim/fault_plan.h"

#include <gtest/gtest.h>

namespace zormint::sim {
namespace {

TEST(FaultPlan, FailsAMemberAlwaysOrOnItsNthCall) {
  FaultPlan plan;
  plan.FailMember("Attachment.FileName", 2, err::kCallRejected);
  EXPECT_NO_THROW(plan.Enter("Attachment.FileName"));
  try {
    plan.Enter("Attachment.FileName");
    FAIL() << "the second call should fail";
  } catch (const ZError& e) {
    EXPECT_EQ(e.Code(), err::kCallRejected);
  }
  EXPECT_NO_THROW(plan.Enter("Attachment.FileName"));
  plan.FailMember("Explorer.Selection");
  EXPECT_THROW(plan.Enter("Explorer.Selection"), ZError);
  EXPECT_THROW(plan.Enter("Explorer.Selection"), ZError);
  plan.ClearFaults();
  EXPECT_NO_THROW(plan.Enter("Explorer.Selection"));
  EXPECT_EQ(plan.InjectedCount(), 3u);
  EXPECT_EQ(plan.CallCount("Attachment.FileName"), 3u);
}

TEST(FaultPlan, FailsTheNthCallOverallCountedFromTheLastClear) {
  FaultPlan plan;
  plan.Enter("A.x");
  plan.ClearCalls();
  plan.FailCallNumber(2);
  EXPECT_NO_THROW(plan.Enter("A.x"));
  EXPECT_THROW(plan.Enter("B.y"), ZError);
  EXPECT_NO_THROW(plan.Enter("B.y"));
  EXPECT_EQ(plan.Calls(), (std::vector<std::string>{"A.x", "B.y", "B.y"}));
}

TEST(Attempt, SwallowsEveryFailureAndReportsIt) {
  FailureInfo info;
  EXPECT_FALSE(Attempt([] { Fail(err::kTypeMismatch, "Type mismatch"); }, info));
  EXPECT_EQ(info.code, err::kTypeMismatch);
  EXPECT_EQ(info.description, "Type mismatch");
  EXPECT_FALSE(Attempt([] { throw 42; }));
  EXPECT_TRUE(Attempt([] {}));
}

}  // namespace
}  // namespace zormint::sim

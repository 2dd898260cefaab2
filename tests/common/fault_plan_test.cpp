#include "sim/model/fault_plan.h"

#include <gtest/gtest.h>

#include <new>

#include "tests/support/test_env.h"

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

TEST(Attempt, SwallowsEveryFailureAndReportsItToTheTrace) {
  test::TestEnv env;  // records the trace
  FailureInfo info;
  EXPECT_FALSE(Attempt(
      "step one", [] { Fail(err::kTypeMismatch, "Type mismatch"); }, info));
  EXPECT_EQ(info.code, err::kTypeMismatch);
  EXPECT_EQ(info.description, "Type mismatch");
  EXPECT_FALSE(Attempt("step two", [] { throw 42; }));
  EXPECT_FALSE(Attempt("step three", [] { throw std::bad_alloc(); }));
  EXPECT_TRUE(Attempt("step four", [] {}));
  const auto& entries = env.trace->Entries();
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].step, "step one");
  EXPECT_EQ(entries[0].code, err::kTypeMismatch);
  EXPECT_EQ(entries[0].description, "Type mismatch");
  EXPECT_EQ(entries[1].step, "step two");
  EXPECT_EQ(entries[1].code, err::kEFail);
  EXPECT_EQ(entries[1].description, "Unknown error");
  EXPECT_EQ(entries[2].description, "Out of memory");
}

}  // namespace
}  // namespace zormint::sim

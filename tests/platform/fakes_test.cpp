#include "sim/fakes/fakes.h"

#include <gtest/gtest.h>

namespace zormint::sim {
namespace {

TEST(FakeScriptShell, ExpandsKnownReferencesAndKeepsUnknownOnesAsWindowsDoes) {
  FakeScriptShell shell;
  shell.expansions = {{"USERPROFILE", "C:\\Users\\me"}, {"x", "1"}};
  EXPECT_EQ(shell.ExpandEnvironmentStrings("%UserProfile%\\Temp"), "C:\\Users\\me\\Temp");
  EXPECT_EQ(shell.ExpandEnvironmentStrings("%NOPE%%X%"), "%NOPE%1");
  EXPECT_EQ(shell.ExpandEnvironmentStrings("a%b%X%"), "a%b1");
  EXPECT_EQ(shell.ExpandEnvironmentStrings("50%"), "50%");
  shell.userVariables = {{"Temp", "%USERPROFILE%\\Temp"}};
  EXPECT_EQ(shell.UserEnvironment("TEMP"), "%USERPROFILE%\\Temp");
  EXPECT_EQ(shell.UserEnvironment("TMP"), "");
}

}  // namespace
}  // namespace zormint::sim

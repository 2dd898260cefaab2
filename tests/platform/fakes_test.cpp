#include "sim/fakes.h"

#include <gtest/gtest.h>

#include "tests/support/test_env.h"

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

TEST(Fakes, EnterTheSharedPlanAndAFailedCallLeavesNoRecord) {
  test::TestEnv env;
  env.faults.FailMember("Launcher.ShellExecute", 1);
  env.faults.FailMember("SettingsStore.SaveSetting", 1);
  env.faults.FailMember("FileSystem.CreateFolder", 1);

  EXPECT_THROW(env.launcher->ShellExecute("open", "a.jpg", "", "d", 1), ZError);
  EXPECT_EQ(env.launcher->ShellExecute("open", "b.jpg", "", "d", 1), 42);
  ASSERT_EQ(env.launcher->shellExecutes.size(), 1u);
  EXPECT_EQ(env.launcher->shellExecutes[0].file, "b.jpg");

  EXPECT_THROW(env.settingsStore->SaveSetting("ZORMINT", "Startup", "k", "v"), ZError);
  EXPECT_FALSE(env.settingsStore->Has("ZORMINT", "Startup", "k"));
  env.settingsStore->SaveSetting("zormint", "STARTUP", "K", "v");
  EXPECT_EQ(env.settingsStore->GetSetting("ZORMINT", "Startup", "k", "none"), "v");

  const std::string folder = env.Path("Temp/new");
  EXPECT_THROW(env.fileSystem->CreateFolder(folder), ZError);
  EXPECT_FALSE(env.disk->FolderExists(folder));
  env.fileSystem->CreateFolder(folder);
  EXPECT_TRUE(env.disk->FolderExists(folder));

  env.scriptShell->failCreate = true;
  EXPECT_THROW(env.scriptShell->Create(), ZError);
  EXPECT_THROW(env.resources->LoadBitmapPicture(102), ZError);
  auto face = std::dynamic_pointer_cast<SimPicture>(env.resources->LoadBitmapPicture(101));
  ASSERT_TRUE(face);
  EXPECT_EQ(face->width * face->height * face->bitsPerPixel, 32 * 32 * 24);

  EXPECT_EQ(env.faults.CallCount("Launcher.ShellExecute"), 2u);
  EXPECT_EQ(env.faults.CallCount("FileSystem.CreateFolder"), 2u);
  EXPECT_EQ(env.faults.CallCount("ScriptShellFactory.Create"), 1u);
}

TEST(FakeMessagePump, RunsItsHookInsideEveryCall) {
  FaultPlan plan;
  FakeMessagePump pump(&plan);
  int inside = 0;
  pump.onDoEvents = [&] { inside = pump.calls; };
  pump.DoEvents();
  pump.DoEvents();
  EXPECT_EQ(inside, 2);
  plan.FailMember("MessagePump.DoEvents");
  EXPECT_THROW(pump.DoEvents(), ZError);
  EXPECT_EQ(pump.calls, 2);
}

}  // namespace
}  // namespace zormint::sim

// The real ZORMINT.dll in the simulated Outlook, for the hardening tests: registered and
// created through COM as Outlook does, with a picture viewer that reports its starts, and the
// checks every story of these tests ends with.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "sim/session/story.h"
#include "support/addin_fixture.h"

namespace zormint::wine_test::hardening {

class HardeningStory : public RegisteredAddin {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Outlook with a mailbox (the sample one unless named); the add-ins load at "start".
  void NewStory(const std::filesystem::path& manifest = SampleMailbox());
  // Runs the lines; each must run (a line that cannot is a failure of the test).
  void Run(const std::vector<std::string>& lines);
  // Runs the lines; false (with the reason added as a test failure) at the first that fails.
  bool RunChecked(const std::vector<std::string>& lines);

  // How a click shows the first picture: the program Windows associates with pictures (the
  // recorder, the default here), a missing program (UseNoViewer), or the recorder as the
  // custom viewer.
  void UseCustomViewer();

  sim::Outlook& Model() { return story->Model(); }
  std::vector<sim::ControlView> Buttons(sim::WindowRef window) {
    return Model().AddInControls(window);
  }
  static sim::WindowRef Xpl(int id) { return {sim::WindowRef::kExplorer, id}; }
  static sim::WindowRef Isp(int id) { return {sim::WindowRef::kInspector, id}; }
  // Both add-in buttons of the window exist and are enabled.
  bool Enabled(sim::WindowRef window);

  // Every add-in event the host called was answered with S_OK.
  void ExpectEveryEventAnsweredOk();
  // The end of every story: Outlook exits (disconnecting what is still connected) and lets go
  // of the add-in; then the add-in holds no Outlook object and no event connection, no event
  // call failed, and ZORMINT.dll has no live object left (it may be unloaded).
  void ExpectNothingHeld();
  // The same when Outlook refused `refused` disconnections (Unadvise failed): at most that many
  // connections stay (the add-in may ask more than once), held by Outlook, which lets go of
  // them, and so of the add-in's sinks, only when its objects go away.
  void ExpectOnlyRefusedConnectionsLeft(int refused);

  // The picture a viewer start (a line of ViewerStarts) was given: the last quoted path of its
  // command line; and the files (sorted) in the folder of that picture.
  static std::filesystem::path ShownPicture(const std::string& start);
  static std::vector<std::wstring> FilesBeside(const std::filesystem::path& picture);
  std::string Text() const { return transcript.str(); }
  // Empties the transcript and gives back its memory (emptying it in place keeps its buffer,
  // which a long run would see as growth).
  void ClearTranscript();

  std::ostringstream transcript;
  std::unique_ptr<sim::Story> story;
};

}  // namespace zormint::wine_test::hardening

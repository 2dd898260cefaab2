// What the tests that run the real ZORMINT.dll inside the simulated Outlook share: where the
// build put the programs, the sample mailbox, programs run with their output captured, and the
// fixture that registers the add-in and gives it a picture viewer that reports its starts.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/wine_test.h"

namespace zormint::wine_test {

// The folder of the test programs, ZORMINT.dll and the simulated Outlook's programs.
std::wstring BinFolder();
// The temporary folder as Windows reports it, with its trailing "\".
std::wstring TempPath();
// The sample mailbox of the repository (needs ZORMINT_SAMPLES_DIR).
std::filesystem::path SampleMailbox();

// A program started with its standard output and error going to a file of its own, so that a
// test can read what it printed. The file is deleted when this ends; a program still running
// then is ended.
class CapturedProcess {
 public:
  explicit CapturedProcess(const std::wstring& commandLine);
  ~CapturedProcess();
  CapturedProcess(const CapturedProcess&) = delete;
  CapturedProcess& operator=(const CapturedProcess&) = delete;

  bool Started() const { return process_ != nullptr; }
  // The exit code, or nullopt when the program did not end within `milliseconds` (it is then
  // ended with code 99) or never started.
  std::optional<DWORD> Wait(DWORD milliseconds);
  std::string Output() const;

 private:
  std::wstring outputPath_;
  HANDLE process_ = nullptr;
};

// ZORMINT.dll registered for the current user, its classes mirrored where Wine's COM looks,
// every picture type opened by the viewer recorder, which reports each start to `viewerLog`.
// TearDown undoes it all; a fixture deriving from this ends its stories before calling it.
class RegisteredAddin : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The viewer starts reported since the log was last emptied, each
  // "<command line>\t<folder>\t<size>".
  std::vector<std::string> ViewerStarts() const;
  // The program Windows opens a picture with is missing: the shell is asked, and fails.
  void UseNoViewer();

  Apartment apartment;
  ZormintDll dll;
  std::optional<PictureAssociations> pictures;
  std::wstring viewerLog;
};

}  // namespace zormint::wine_test

// outlook-sim.exe: the simulated Outlook with real add-ins. It loads the add-ins registered
// for Outlook the way Outlook does, runs a scripted story over a sample mailbox and prints
// what a user would see.
//
//   outlook-sim.exe <mailbox manifest> <story script>
//
// After a fast shutdown that let go of the add-ins (story.h), the program reports for each
// add-in library whether COM unloaded it when asked to free unused libraries, and whether it
// is still loaded once the COM apartment has ended.
//
// Exit code: 0 when the add-ins hold nothing of Outlook's after they were disconnected, 1 when
// they still do, 2 when the mailbox or the story cannot be read or a command fails.
#include <ole2.h>
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "sim/session/story.h"

namespace {

std::filesystem::path ArgumentPath(const wchar_t* argument) {
  return std::filesystem::path(argument);
}

std::string Narrow(const std::wstring& text) {
  const std::u8string utf8 = std::filesystem::path(text).u8string();
  return std::string(utf8.begin(), utf8.end());
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  using namespace zormint::sim;
  if (argc != 3) {
    std::cerr << "usage: outlook-sim.exe <mailbox manifest> <story script>\n";
    return 2;
  }
  std::ifstream script(ArgumentPath(argv[2]));
  if (!script) {
    std::cerr << "outlook-sim: cannot read the story script\n";
    return 2;
  }
  std::vector<std::string> lines;
  for (std::string line; std::getline(script, line);)
    lines.push_back(line);

  // The viewer recorder reports to this file unless the caller chose one.
  if (ViewerLogPath().empty()) {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    SetEnvironmentVariableW(L"ZORMINT_VIEWER_LOG",
                            (std::wstring(temp) + L"outlook-sim-viewer.log").c_str());
  }
  // Outlook's user-interface thread is a single-threaded apartment.
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
    std::cerr << "outlook-sim: COM cannot be initialised\n";
    return 2;
  }
  int code = 2;
  bool fast = false;
  Story::FastShutdown fastMode = Story::FastShutdown::kTerminate;
  std::vector<std::wstring> modules;  // the add-ins' libraries
  try {
    Story story(std::cout, ArgumentPath(argv[1]));
    code = story.Run(lines);
    fast = story.FastShutdownRequested();
    fastMode = story.FastShutdownMode();
    for (const HostedAddin& addin : story.Host().Addins()) {
      if (!addin.module.empty()) modules.push_back(addin.module);
    }
  } catch (const std::exception& e) {
    std::cout << "outlook-sim: " << e.what() << "\n";
    code = 2;
  }
  std::cout.flush();
  if (fast && fastMode == Story::FastShutdown::kTerminate) {
    // A fast shutdown ends the process without telling the add-ins anything.
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(code));
  }
  if (fast && fastMode == Story::FastShutdown::kExit) {
    // The process ends with the add-ins still connected: their libraries see only the
    // process detach.
    std::cout << "the process ends with its add-ins loaded\n";
    std::cout.flush();
    ExitProcess(static_cast<UINT>(code));
  }
  if (fast) {
    // The host has let go of its add-ins: COM may unload a library that says it is unused, and
    // unloads every one when the apartment ends.
    CoFreeUnusedLibrariesEx(0, 0);
    for (const std::wstring& module : modules) {
      std::cout << (GetModuleHandleW(module.c_str()) ? "still loaded after " : "unloaded by ")
                << "CoFreeUnusedLibraries: " << Narrow(module) << "\n";
    }
  }
  CoUninitialize();
  if (fast) {
    for (const std::wstring& module : modules) {
      std::cout << (GetModuleHandleW(module.c_str()) ? "still loaded after " : "not loaded after ")
                << "CoUninitialize: " << Narrow(module) << "\n";
    }
    std::cout.flush();
  }
  return code;
}

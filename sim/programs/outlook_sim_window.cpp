// outlook-sim-window.exe: the simulated Outlook in windows, for a person to try add-ins in. It
// loads the add-ins registered for Outlook the way Outlook does, opens its main window on a
// sample mailbox and turns what the user does into Outlook's events (window_session.h). The
// transcript goes to standard output (its lines after "> " are a story that outlook-sim.exe can
// play again) and ends with what the add-ins still hold once Outlook has exited.
//
//   outlook-sim-window.exe <mailbox manifest> [<folder>]     the folder defaults to Inbox
//
// Exit code: 0 when the add-ins hold nothing of Outlook's after they were disconnected, 1 when
// they still do, 2 when the mailbox cannot be read or the window cannot be opened.
#include <ole2.h>
#include <windows.h>

#include <iostream>
#include <string>

#include "sim/window/window_session.h"
#include "win32/com/text.h"

int wmain(int argc, wchar_t** argv) {
  using namespace zormint::sim;
  if (argc < 2 || argc > 3) {
    std::cerr << "usage: outlook-sim-window.exe <mailbox manifest> [<folder>]\n";
    return 2;
  }
  // The viewer recorder reports to this file unless the caller chose one.
  if (ViewerLogPath().empty()) {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    SetEnvironmentVariableW(L"ZORMINT_VIEWER_LOG",
                            (std::wstring(temp) + L"outlook-sim-viewer.log").c_str());
  }
  // Outlook's user-interface thread is a single-threaded apartment, initialised for OLE: add-ins
  // may embed controls in their dialogs.
  if (FAILED(OleInitialize(nullptr))) {
    std::cerr << "outlook-sim-window: OLE cannot be initialised\n";
    return 2;
  }
  int code = 2;
  try {
    WindowSession session(std::cout, std::filesystem::path(argv[1]));
    const std::string folder = argc > 2 ? zormint::win32::Narrow(argv[2]) : "Inbox";
    code = session.Start(folder) ? session.Run() : (session.Finish(), 2);
  } catch (const std::exception& e) {
    std::cout << "outlook-sim-window: " << e.what() << "\n";
    code = 2;
  }
  std::cout.flush();
  OleUninitialize();
  return code;
}

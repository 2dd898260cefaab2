// A scripted story on the simulated Outlook with real add-ins loaded through COM, told as the
// transcript of what a user would see: the windows, the add-in buttons on their command bars,
// the files in the add-in's working folders after a click and the viewers Windows started.
//
// Script commands, one a line (words as in the mailbox manifest; a window is named
// explorer<N> or inspector<N>, N counting from 1 in the order the windows opened):
//   start [after-startup]          Outlook loads its add-ins (before the first other command
//                                  when the script never says so); after-startup: the user
//                                  switches them on while Outlook runs (ext_cm_AfterStartup),
//                                  also again after switching them off
//   open-explorer <folder>         a new main window on a folder
//   switch-folder [explorer<N>] <folder>
//   select [explorer<N>] <message>...   (no message: nothing selected)
//   view-switch [explorer<N>]
//   activate <window>              deactivate <inspector>
//   open-inspector <message> [wordmail]
//   move-inspector <inspector> <message>
//   close <window>
//   click <window> <tag, caption or tooltip of a button>
//   ribbon <window>                the add-ins' buttons on the window's ribbon and menus
//   ribbon-click <window> <id, label or screentip of a ribbon button>
//   attachment-select <window> [<attachment number>...]   the user selects attachments of the
//                                  message the window shows (none: no attachment selected)
//   outlook-version <major>        the Outlook being simulated (16 unless said; 12 is 2007,
//                                  whose main windows have no ribbon); before start
//   fail <Object.Member> [E_FAIL|RPC_E_CALL_REJECTED|DISP_E_EXCEPTION|0x...] [nth]
//   clear-faults
//   viewer-wait <milliseconds>     how long a click waits for a viewer to start (default 5000)
//   show                           the windows, their add-in buttons and ribbon buttons
//   switch-off [<ProgID>]          the user switches an add-in (all of them) off
//   shutdown                       Outlook exits and disconnects its add-ins
//   fast-shutdown [exit|release]   Outlook exits without disconnecting them: the process is
//                                  terminated; exit: it ends normally, the libraries are told
//                                  of the process's end with the add-ins still connected;
//                                  release: the host lets go of the add-ins, then the program
//                                  unloads their libraries and ends
// A message box that appears while a click runs is read into the transcript and answered OK.
// The viewer is whatever Windows starts for a picture; the program it starts reports itself
// by appending a line (command line, tab, current folder, tab, size of its file argument) to
// the file named by the environment variable ZORMINT_VIEWER_LOG.
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "sim/model/outlook_sim.h"
#include "sim/session/addin_host.h"
#include "sim/session/mailbox.h"
#include "sim/session/ribbon_host.h"

namespace zormint::sim {

class Story {
 public:
  // Loads the mailbox; the COM apartment must already be initialised on this thread.
  Story(std::ostream& out, const std::filesystem::path& manifest);
  ~Story();
  Story(const Story&) = delete;
  Story& operator=(const Story&) = delete;

  // Runs one command line. Returns false (after printing why) when it cannot be run.
  bool Command(const std::string& line);
  // Runs a whole script: every line, then Finish. Returns the program's exit code.
  int Run(const std::vector<std::string>& lines);
  // Ends the story: when add-ins are still connected Outlook shuts down; then the host lets go
  // of its Application object and reports what the add-ins still hold. Returns 0 when nothing
  // is held, 1 otherwise.
  int Finish();
  bool FastShutdownRequested() const { return fastShutdown_; }
  enum class FastShutdown { kTerminate, kExit, kRelease };
  FastShutdown FastShutdownMode() const { return fastShutdownMode_; }

  Outlook& Model() { return *outlook_; }
  AddinHost& Host() { return *host_; }
  RibbonHost& Ribbon() { return host_->Ribbon(); }
  const Mailbox& Messages() const { return mailbox_; }
  bool Started() const { return started_; }
  void SetViewerWait(int milliseconds) { viewerWaitMs_ = milliseconds; }

  // What the user sees, also for tests.
  void Show();
  void ShowWorkingFolders();
  // The viewer starts recorded since the last call, each as "<command line>\t<folder>\t<size>".
  std::vector<std::string> NewViewerStarts();

 private:
  void Start(ext_ConnectMode mode);
  void Click(const std::vector<std::string>& words);
  WindowRef Window(const std::string& name) const;
  ExplorerId ExplorerOrActive(const std::vector<std::string>& words, size_t& next) const;
  std::string MessageText(ItemId id) const;
  void ShowButtons(WindowRef window);
  void ShowRibbon(WindowRef window);
  void RibbonClick(const std::vector<std::string>& words);
  // The viewers started by a click, and the working folders after it.
  void ShowClickOutcome();
  // The invalidations and what Office would report, after each command.
  void ShowRibbonNews();
  void ReportHeld();

  std::ostream& out_;
  std::shared_ptr<Outlook> outlook_;
  Mailbox mailbox_;
  std::unique_ptr<AddinHost> host_;
  bool started_ = false;
  bool finished_ = false;
  bool fastShutdown_ = false;
  FastShutdown fastShutdownMode_ = FastShutdown::kTerminate;
  int viewerWaitMs_ = 5000;
  size_t viewerLinesSeen_ = 0;

  // What the story did to the windows, to describe them.
  std::map<ExplorerId, FolderId> explorerFolder_;
  std::map<ExplorerId, std::vector<ItemId>> explorerSelection_;
  std::map<InspectorId, ItemId> inspectorItem_;
  ExplorerId activeExplorer_ = 0;
};

// The file the viewer recorder writes to (ZORMINT_VIEWER_LOG), or empty.
std::wstring ViewerLogPath();

}  // namespace zormint::sim

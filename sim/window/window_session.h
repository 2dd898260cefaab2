// The simulated Outlook with windows: a main window (Explorer) with the mailbox's folders, the
// current folder's messages and the "Standard" toolbar, and a window for each opened message
// (Inspector) with its own toolbar. What the user does in them becomes the model's events, told
// as story commands (sim/com/story.h), so that the commands of a session's transcript (its
// lines after "> ") are a story that outlook-sim.exe can play again:
//
//   picking a folder in the folder list    switch-folder explorer<N> <folder>   (FolderSwitch)
//   selecting messages in the list         select explorer<N> <message>...      (SelectionChange)
//   a double click (or Enter) on a message open-inspector <message>             (NewInspector)
//   activating / leaving a window          activate <window>, deactivate <inspector>
//   closing a window                       close <window>                       (Close)
//   pressing an add-in's button            click <window> <tag>                 (Click)
//
// The add-ins are loaded as Outlook loads them (Story's "start") once the first Explorer is
// open; the toolbars are drawn from the model's command bars and redrawn after every event.
// When the last window has closed, Outlook exits: its add-ins are disconnected and the report
// of what they still hold ends the transcript.
//
// All the model's events run from the windows' own posted messages, never inside a common
// control's notification, and a window the model has closed is destroyed only once no event
// is running: an add-in may pump messages or show a modal dialog inside an event.
#pragma once

#include <ole2.h>
#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "sim/model/outlook_sim.h"
#include "sim/session/story.h"

namespace zormint::sim {

// The children of the simulated Outlook's windows, by control id.
enum WindowChild : int {
  kToolbarId = 100,      // the "Standard" command bar (a Windows toolbar)
  kStatusBarId = 101,    // the status bar
  kFolderTreeId = 102,   // Explorer: the folder list (a tree view)
  kMessageListId = 103,  // Explorer: the messages of the current folder (a list view)
  kBannerId = 104,       // Explorer: the current folder's name above the list
  kMessageBodyId = 105,  // Inspector: the message's header and attachments
  kRibbonId = 106,       // the add-ins' groups on the window's own ribbon tab (a Windows toolbar)
};

// The window classes.
extern const wchar_t kExplorerClass[];   // L"ZormintSimExplorer"
extern const wchar_t kInspectorClass[];  // L"ZormintSimInspector"

class Frame;

class WindowSession {
 public:
  // Loads the mailbox; the COM apartment must already be initialised on this thread.
  WindowSession(std::ostream& transcript, const std::filesystem::path& manifest);
  ~WindowSession();
  WindowSession(const WindowSession&) = delete;
  WindowSession& operator=(const WindowSession&) = delete;

  // Opens the main window on a folder, then loads the add-ins. False (after telling why in the
  // transcript) when the window cannot be opened.
  bool Start(const std::string& folder);
  // Runs the message loop until Outlook has exited; returns Finish's code (0: the add-ins hold
  // nothing of Outlook's).
  int Run();
  // Ends the session now: Outlook exits as when its last window closes.
  int Finish();

  bool Finished() const { return finished_; }
  int ExitCode() const { return exitCode_; }

  // The open window that shows the model's window, or nullptr.
  HWND WindowOf(WindowRef window) const;
  Story& Transcript() { return *story_; }
  Outlook& Model() { return story_->Model(); }
  const Mailbox& Messages() const { return story_->Messages(); }

  // ---- For the windows ----------------------------------------------------------------------
  // Runs one story command as an event of `from`; false (and a word on from's status bar) when
  // the model refused it.
  bool Command(const std::string& line, Frame* from);
  void Click(Frame& from, const ControlView& control);
  // The add-ins' buttons on the window's own ribbon tab (Home, or a message's Message tab), as
  // controls to draw: the group's name, then each button with its picture and state.
  std::vector<ControlView> RibbonControls(WindowRef window);
  void RibbonClick(Frame& from, const ControlView& control);
  void OpenInspector(ItemId item, Frame* from);
  void Close(Frame& frame);
  void Activate(Frame& frame, bool active);
  std::string NameOf(WindowRef window) const;
  std::string FolderName(FolderId folder) const;
  HFONT Font() const { return font_; }
  HFONT BoldFont() const { return boldFont_; }

 private:
  friend class EventScope;
  static LRESULT CALLBACK SessionProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  Frame* FrameOf(WindowRef window) const;
  void RedrawToolbars();
  void Settle();
  void WatchViewers();

  std::ostream& out_;
  std::unique_ptr<Story> story_;
  std::vector<std::unique_ptr<Frame>> frames_;
  HWND messages_ = nullptr;  // the session's own message-only window (timer, settling)
  HFONT font_ = nullptr, boldFont_ = nullptr;
  int depth_ = 0;  // events running, nested ones included
  bool settlePosted_ = false;
  bool running_ = false;
  bool finished_ = false;
  int exitCode_ = 0;
  WindowRef lastClicked_{WindowRef::kExplorer, 0};
  int inspectorsOpened_ = 0;
};

}  // namespace zormint::sim

// The simulated Outlook's two kinds of window (window_session.h tells what they do). Each keeps
// the id of the model's window it shows; the session owns them.
#pragma once

#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <string>
#include <vector>

#include "sim/window/window_session.h"
#include "sim/window/window_toolbar.h"

namespace zormint::sim {

// What a window posts to itself, so that the model's events run outside the controls' code.
enum FrameAction : UINT {
  kActionClick = WM_APP + 1,  // wParam: the toolbar command
  kActionSelection,           // the message list's selection changed
  kActionFolder,              // wParam: the folder picked in the folder list
  kActionOpen,                // wParam: the message to open
  kActionActivate,            // wParam: 1 active, 0 inactive
  kActionRibbonClick,         // wParam: the ribbon strip's command
};

class Frame {
 public:
  Frame(WindowSession& session, WindowRef window) : session_(session), window_(window) {}
  virtual ~Frame();
  Frame(const Frame&) = delete;
  Frame& operator=(const Frame&) = delete;

  HWND Handle() const { return hwnd_; }
  WindowRef Window() const { return window_; }
  // The model has closed the window: it is hidden and waits to be destroyed.
  bool Closed() const { return closed_; }
  void MarkClosed();
  // Whether the model was last told that the window is active.
  bool Active() const { return active_; }
  void SetActive(bool active) { active_ = active; }
  // Draws the window's "Standard" bar and its ribbon group as the model has them now.
  void RedrawToolbar();
  void SetStatus(const std::wstring& text);

 protected:
  bool CreateFrame(const wchar_t* windowClass, const std::wstring& title, const RECT& placement);
  virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // Places the window's own children between the toolbar and the status bar.
  virtual void Layout(int width, int top, int bottom) = 0;
  void Relayout();

  WindowSession& session_;
  WindowRef window_;
  HWND hwnd_ = nullptr;
  HWND status_ = nullptr;
  CommandBarStrip strip_;
  CommandBarStrip ribbon_;  // below the toolbar: the add-ins' group on the window's ribbon tab

 private:
  friend LRESULT CALLBACK FrameProc(HWND, UINT, WPARAM, LPARAM);
  bool closed_ = false;
  bool active_ = true;
};

class ExplorerFrame final : public Frame {
 public:
  ExplorerFrame(WindowSession& session, ExplorerId id, FolderId folder)
      : Frame(session, {WindowRef::kExplorer, id}), folder_(folder) {}
  bool Create(const RECT& placement);

 private:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void Layout(int width, int top, int bottom) override;
  void FillFolders();
  void FillMessages();
  void ShowFolder();
  std::vector<ItemId> ListSelection() const;
  void SwitchFolder(FolderId folder);
  void SelectionChanged();

  FolderId folder_;
  HWND label_ = nullptr, tree_ = nullptr, banner_ = nullptr, list_ = nullptr;
  bool filling_ = false;
  bool selectionPosted_ = false;
  std::vector<ItemId> selection_;  // as the model was last told
};

class InspectorFrame final : public Frame {
 public:
  InspectorFrame(WindowSession& session, InspectorId id, ItemId item)
      : Frame(session, {WindowRef::kInspector, id}), item_(item) {}
  bool Create(const RECT& placement);

 private:
  void Layout(int width, int top, int bottom) override;

  ItemId item_;
  HWND body_ = nullptr;
};

}  // namespace zormint::sim

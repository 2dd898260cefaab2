// A person at the keyboard and the mouse, for tests of real windows: real input (SendInput)
// from a script of steps that a timer runs inside whatever modal loop the thread is in (the
// form's own, a message box's, the file dialog's).
//
//   User user;
//   user.When("the dialog is up", [&] { return FindForm() != nullptr; }, [&] { Click(...); });
//   user.Start();
//   form->ShowModal();  // the steps run while the form's loop pumps messages
//   EXPECT_TRUE(user.Finished()) << user.Report();
//
// A step waits until its condition holds, then acts. A step whose condition does not come true
// within its time is reported, and the user then gets every window of the thread closed (message
// boxes answered, dialogs cancelled, forms closed with their close box), so that a failing test
// ends rather than hangs.
#pragma once

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace zormint::wine_test {

class User {
 public:
  User();
  ~User();
  User(const User&) = delete;
  User& operator=(const User&) = delete;

  // Waits (at most `seconds`) until `ready` holds, then runs `act`.
  void When(std::string what, std::function<bool()> ready, std::function<void()> act = {},
            double seconds = 10);
  // Runs `act` when the steps before it are done.
  void Do(std::string what, std::function<void()> act);
  // Starts working: the steps run from a timer of the calling thread.
  void Start();

  // True when every step has run without a problem. Steps left over whose conditions already
  // hold (such as "the dialog has closed", which no loop pumps for once it has) run now.
  bool Finished();
  // What went wrong, one line per problem; empty when every step ran.
  std::string Report() const;

 private:
  struct Step {
    std::string what;
    std::function<bool()> ready;
    std::function<void()> act;
    DWORD waitMs = 0;
  };
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  void OnTick();
  void GiveUp();

  std::vector<Step> steps_;
  size_t next_ = 0;
  DWORD stepStarted_ = 0;
  UINT_PTR timer_ = 0;
  bool busy_ = false;
  bool givingUp_ = false;
  DWORD gaveUpAt_ = 0;
  std::vector<std::string> failures_;
};

// ---- Input (SendInput: the system routes it as it routes a person's) --------------------------

// A left click at the centre of a window (or at a point on the screen), with these keys held.
void Click(HWND window, std::initializer_list<WORD> held = {});
void ClickAt(POINT screen, std::initializer_list<WORD> held = {});
// A key pressed and released, with these keys held (VK_CONTROL, VK_SHIFT, VK_MENU for Alt).
void PressKey(WORD key, std::initializer_list<WORD> held = {});
// Typed characters, as an input method sends them.
void TypeText(const std::wstring& text);
// Replaces the text of the focused edit box: End, Shift+Home, then the new text.
void ReplaceText(const std::wstring& text);

// ---- Looking at windows ---------------------------------------------------------------------

std::wstring WindowText(HWND window);
// A visible top-level window of this thread with this caption.
HWND FindTopLevel(const std::wstring& caption);
// A visible dialog window (message box, file dialog) owned by `owner`, with this caption.
HWND FindOwnedDialog(HWND owner, const std::wstring& caption);
// The text of a message box (its static control 0xFFFF).
std::wstring MessageBoxText(HWND box);
// Saves what the screen shows of `window` as a 24-bit BMP file; false when it cannot.
bool SaveWindowPicture(HWND window, const std::wstring& path);

}  // namespace zormint::wine_test

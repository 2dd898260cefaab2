// The banner's probe against servers that never answer: Outlook's thread goes on drawing the
// dialog and answering the user while the probe waits beside it. How long the thread was held
// at the longest, and how long from the click to the dialog's first paint, are printed as
// figures for each kind of server.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "dialog/dialog_fixture.h"
#include "services/loopback_server.h"
#include "win32/services/internet.h"

namespace zormint::wine_test {
namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start, Clock::time_point end = Clock::now()) {
  return std::chrono::duration<double, std::milli>(end - start).count();
}

// The real WinInet functions, with the banner's address turned to the loopback server and a
// connection always reported; counts the probes that have come to an end.
class LoopbackInternet : public platform::Internet {
 public:
  explicit LoopbackInternet(std::string url) : url_(std::move(url)) {}
  bool GetConnectedState() override { return true; }
  Handle Open(const std::string& agent, uint32_t accessType, uint32_t flags) override {
    return real_.Open(agent, accessType, flags);
  }
  Handle OpenUrl(Handle root, const std::string&, uint32_t flags) override {
    const Handle request = real_.OpenUrl(root, url_, flags);
    ++answered;
    return request;
  }
  void CloseHandle(Handle handle) override { real_.CloseHandle(handle); }

  std::atomic<int> answered{0};

 private:
  std::string url_;
  win32::Win32Internet real_;
};

// Watches the user-interface thread from a thread of its own: every few milliseconds it sends
// a message to a window of that thread and keeps the longest wait for its return, which is the
// longest time the thread read no message.
class ThreadWatch {
 public:
  ThreadWatch() {
    target_ =
        CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    watcher_ = std::thread([this] {
      struct Done {
        std::atomic<bool>& flag;
        ~Done() { flag = true; }
      } done{ended_};
      while (!stop_) {
        const Clock::time_point sent = Clock::now();
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(target_, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &ignored);
        const double waited = MsSince(sent);
        for (std::atomic<double>* longest : {&longest_, &longestSinceMark_}) {
          double seen = longest->load();
          while (waited > seen && !longest->compare_exchange_weak(seen, waited)) {
          }
        }
        Sleep(2);
      }
    });
  }
  ~ThreadWatch() {
    stop_ = true;
    // The watcher may be waiting for this thread: let its message through.
    while (!ended_) {
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
      Sleep(5);
    }
    watcher_.join();
    DestroyWindow(target_);
  }
  double LongestMs() const { return longest_; }
  // From now on, a second longest wait is kept beside the first.
  void Mark() { longestSinceMark_ = 0; }
  double LongestSinceMarkMs() const { return longestSinceMark_; }

 private:
  HWND target_ = nullptr;
  std::atomic<bool> stop_{false};
  std::atomic<bool> ended_{false};
  std::atomic<double> longest_{0};
  std::atomic<double> longestSinceMark_{0};
  std::thread watcher_;
};

// The first WM_PAINT of the dialog or one of its controls, from the messages of this thread.
Clock::time_point gFirstPaint;
bool gPainted = false;

void NotePaint(HWND hwnd, UINT message) {
  if (gPainted || message != WM_PAINT || !hwnd) return;
  wchar_t caption[64] = {};
  HWND top = GetAncestor(hwnd, GA_ROOT);
  GetWindowTextW(top, caption, 64);
  if (std::wstring(caption) != kCaption) return;
  gPainted = true;
  gFirstPaint = Clock::now();
}

LRESULT CALLBACK GetMessageHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code >= 0) {
    const MSG* msg = reinterpret_cast<const MSG*>(lParam);
    NotePaint(msg->hwnd, msg->message);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK CallWindowHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code >= 0) {
    const CWPSTRUCT* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    NotePaint(call->hwnd, call->message);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

using ProbeTest = DialogTest;

// The server's answer can never come, so the dialog is up and used before the probe has
// decided, whatever the machine's speed; the user closes it while the probe still waits, and
// the probe's late answer changes nothing.
TEST_F(ProbeTest, ServersThatNeverAnswerNeverHoldTheDialog) {
  using Behaviour = LoopbackServer::Behaviour;
  for (const Behaviour behaviour : {Behaviour::kNeverAccepts, Behaviour::kAcceptsButNeverAnswers}) {
    const bool accepts = behaviour == Behaviour::kAcceptsButNeverAnswers;
    const char* kind = accepts ? "silent_server" : "no_accept";
    SCOPED_TRACE(kind);
    auto server = std::make_unique<LoopbackServer>(behaviour);
    auto probe = std::make_shared<LoopbackInternet>(
        "http://127.0.0.1:" + std::to_string(server->Port()) + "/adbanner.htm");
    g.services.internet = probe;
    gclsInternet(g)->SetConnected(false);

    HHOOK messages =
        SetWindowsHookExW(WH_GETMESSAGE, &GetMessageHook, nullptr, GetCurrentThreadId());
    HHOOK calls = SetWindowsHookExW(WH_CALLWNDPROC, &CallWindowHook, nullptr, GetCurrentThreadId());
    gPainted = false;
    bool answeredBeforeUse = true;
    double longest = 0, longestWhileUp = 0;
    Clock::time_point clicked;
    {
      ThreadWatch watch;
      user.When(
          "the dialog is up", [this] { return Ready(); }, [&] { watch.Mark(); });
      user.Do("use the dialog while the probe waits", [&] {
        answeredBeforeUse = probe->answered > 0;
        Click(Control(ui::kOptCustomViewer));
      });
      user.When("the custom viewer is chosen",
                [this] { return IsWindowEnabled(Control(ui::kTxtCustomViewer)) != FALSE; });
      // The user reads the dialog for longer than the probe's time-outs allow a server.
      const Clock::time_point* start = &clicked;
      user.When(
          "three seconds after the click", [start] { return MsSince(*start) > 3000; },
          [] { PressKey(VK_ESCAPE); }, 15);
      WhenClosed("Esc");
      clicked = Clock::now();
      Open();
      EXPECT_TRUE(user.Finished()) << user.Report();
      longest = watch.LongestMs();
      longestWhileUp = watch.LongestSinceMarkMs();
    }
    UnhookWindowsHookEx(messages);
    UnhookWindowsHookEx(calls);
    if (!accepts) {
      EXPECT_FALSE(answeredBeforeUse) << "the probe ended before the dialog was used";
    }
    EXPECT_EQ(gfrmOptions(g), nullptr);
    EXPECT_TRUE(gPainted);

    // The server goes; the probe's worker ends on its own, and its answer finds no dialog.
    server.reset();
    const Clock::time_point closed = Clock::now();
    while (probe->answered == 0 && MsSince(closed) < 60000) {
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
      Sleep(10);
    }
    EXPECT_EQ(probe->answered, 1);
    EXPECT_FALSE(gclsInternet(g)->IsConnected());
    EXPECT_TRUE(eventLog->Entries().empty());
    // From the click on (the dialog's own building included), and from the moment the dialog
    // was up and the probe out until the dialog closed.
    std::printf("[ FIGURE   ] dialog_ui_thread_longest_wait_%s_ms: %.1f\n", kind, longest);
    std::printf("[ FIGURE   ] dialog_ui_thread_longest_wait_while_probing_%s_ms: %.1f\n", kind,
                longestWhileUp);
    std::printf("[ FIGURE   ] dialog_click_to_first_paint_%s_ms: %.1f\n", kind,
                gPainted ? MsSince(clicked, gFirstPaint) : -1.0);
  }
}

}  // namespace
}  // namespace zormint::wine_test

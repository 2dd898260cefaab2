// Clock, message pump, resources, WinInet and the event log.
#include "services/test_util.h"

#include <wininet.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "common/error.h"
#include "services/loopback_server.h"
#include "support/addin_fixture.h"
#include "support/wine_test.h"
#include "win32/com/text.h"
#include "win32/outlook/adapters.h"
#include "win32/services/file_system.h"
#include "win32/services/internet.h"
#include "win32/services/resources.h"
#include "win32/services/system.h"

namespace zormint::wine_test {
namespace {

// Started with ZORMINT_EVENTLOG_ENTRY set, this program writes that text as one error entry
// and ends before any test runs (the event log test starts it so).
const bool kEventLogEntryChild = [] {
  std::wstring text(4096, L'\0');
  const DWORD length = GetEnvironmentVariableW(L"ZORMINT_EVENTLOG_ENTRY", text.data(), 4096);
  if (length == 0 || length >= 4096) return false;
  text.resize(length);
  int code = 0;
  try {
    win32::Win32EventLog().ReportError(win32::Narrow(text));
  } catch (...) {
    code = 1;
  }
  ExitProcess(code);
}();

ULONGLONG Ticks(const SYSTEMTIME& time) {
  FILETIME file = {};
  SystemTimeToFileTime(&time, &file);
  return (static_cast<ULONGLONG>(file.dwHighDateTime) << 32) | file.dwLowDateTime;
}

TEST(Win32Clock, TellsTheLocalTime) {
  SYSTEMTIME before = {};
  GetLocalTime(&before);
  const platform::LocalTime now = win32::Win32Clock().Now();
  SYSTEMTIME after = {};
  GetLocalTime(&after);
  SYSTEMTIME seen = {};
  seen.wYear = static_cast<WORD>(now.year);
  seen.wMonth = static_cast<WORD>(now.month);
  seen.wDay = static_cast<WORD>(now.day);
  seen.wHour = static_cast<WORD>(now.hour);
  seen.wMinute = static_cast<WORD>(now.minute);
  seen.wSecond = static_cast<WORD>(now.second);
  before.wMilliseconds = 0;
  EXPECT_LE(Ticks(before), Ticks(seen));
  EXPECT_LE(Ticks(seen), Ticks(after));
}

// A message-only window that counts the messages it gets and may post itself another.
struct Counter {
  static constexpr UINT kMessage = WM_APP + 7;
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<Counter*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self && message == kMessage) {
      ++self->count;
      if (self->repost) PostMessageW(window, kMessage, 0, 0);
      return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }
  Counter() {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"ZormintPumpTest";
    RegisterClassW(&windowClass);
    window = CreateWindowExW(0, L"ZormintPumpTest", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                             windowClass.hInstance, nullptr);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~Counter() { DestroyWindow(window); }
  HWND window = nullptr;
  int count = 0;
  bool repost = false;
};

TEST(Win32MessagePump, DispatchesWhatIsPendingAndPutsQuitBack) {
  Counter counter;
  ASSERT_TRUE(counter.window);
  win32::Win32MessagePump pump;
  for (int i = 0; i < 3; ++i)
    PostMessageW(counter.window, Counter::kMessage, 0, 0);
  pump.DoEvents();
  EXPECT_EQ(counter.count, 3);
  pump.DoEvents();  // nothing pending: returns at once
  EXPECT_EQ(counter.count, 3);

  PostQuitMessage(7);
  PostMessageW(counter.window, Counter::kMessage, 0, 0);
  pump.DoEvents();
  EXPECT_EQ(counter.count, 4);
  MSG quit = {};
  ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(quit.wParam, 7u);
}

TEST(Win32MessagePump, AWindowThatKeepsPostingCannotHoldTheCaller) {
  Counter counter;
  counter.repost = true;
  PostMessageW(counter.window, Counter::kMessage, 0, 0);
  win32::Win32MessagePump().DoEvents();
  EXPECT_EQ(counter.count, win32::Win32MessagePump::kMaxMessages);
  counter.repost = false;
  MSG left = {};
  while (PeekMessageW(&left, counter.window, 0, 0, PM_REMOVE)) {
  }
}

TEST(Win32Resources, TheButtonFaceOfTheDllIsA32By32BitmapPicture) {
  HMODULE dll = LoadLibraryW(DllPath().c_str());
  ASSERT_TRUE(dll);
  win32::Win32Resources resources(dll);
  HBITMAP bitmap = nullptr;
  {
    const auto picture = resources.LoadBitmapPicture(101);
    auto* face = dynamic_cast<win32::ComPicture*>(picture.get());
    ASSERT_TRUE(face && face->Get());
    ComPtr<IPicture> ipicture;
    ASSERT_EQ(face->Get()->QueryInterface(IID_IPicture, ipicture.OutVoid()), S_OK);
    SHORT type = 0;
    ASSERT_EQ(ipicture->get_Type(&type), S_OK);
    EXPECT_EQ(type, PICTYPE_BITMAP);
    OLE_XSIZE_HIMETRIC width = 0;
    OLE_YSIZE_HIMETRIC height = 0;
    ipicture->get_Width(&width);
    ipicture->get_Height(&height);
    HDC screen = GetDC(nullptr);
    const int dpiX = GetDeviceCaps(screen, LOGPIXELSX);
    const int dpiY = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(MulDiv(width, dpiX, 2540), 32);  // HIMETRIC: hundredths of a millimetre
    EXPECT_EQ(MulDiv(height, dpiY, 2540), 32);

    OLE_HANDLE handle = 0;
    ASSERT_EQ(ipicture->get_Handle(&handle), S_OK);
    bitmap = reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle));
    BITMAP info = {};
    ASSERT_EQ(GetObjectW(bitmap, sizeof(info), &info), static_cast<int>(sizeof(info)));
    EXPECT_EQ(info.bmWidth, 32);
    EXPECT_EQ(info.bmHeight, 32);
  }
  // The picture owned its bitmap and is gone with the last reference to it.
  EXPECT_EQ(GetObjectType(bitmap), 0u);

  try {
    resources.LoadBitmapPicture(9999);
    ADD_FAILURE() << "a missing resource was found";
  } catch (const ZError& e) {
    EXPECT_EQ(e.Code(), 326);
  }
  FreeLibrary(dll);
}

class Win32Internet : public ::testing::Test {
 protected:
  void SetUp() override {
    // WinInet would send everything to a proxy named in the environment.
    for (const wchar_t* name : {L"http_proxy", L"HTTP_PROXY", L"https_proxy", L"all_proxy"}) {
      SetEnvironmentVariableW(name, nullptr);
    }
  }
  static constexpr uint32_t kProbeFlags = 0x84400000u;
  win32::Win32Internet internet_;
};

TEST_F(Win32Internet, AServerAnsweringWithAnErrorIsReachable) {
  LoopbackServer server;
  const auto root = internet_.Open("ZORMINT", INTERNET_OPEN_TYPE_PRECONFIG, 0);
  ASSERT_NE(root, 0u);
  const std::string url = "http://127.0.0.1:" + std::to_string(server.Port()) + "/adbanner.htm";
  const auto request = internet_.OpenUrl(root, url, kProbeFlags);
  EXPECT_NE(request, 0u) << "error " << GetLastError();
  internet_.CloseHandle(request);
  internet_.CloseHandle(root);
  EXPECT_EQ(server.Requests(), 1);
  const std::string seen = server.FirstRequest();
  EXPECT_EQ(seen.rfind("GET /adbanner.htm HTTP/1.1\r\n", 0), 0u) << seen;
  EXPECT_NE(seen.find("User-Agent: ZORMINT\r\n"), std::string::npos) << seen;
}

TEST_F(Win32Internet, NothingListeningIsUnreachableAndZeroHandlesCloseQuietly) {
  const auto root = internet_.Open("ZORMINT", INTERNET_OPEN_TYPE_PRECONFIG, 0);
  ASSERT_NE(root, 0u);
  const std::string url = "http://127.0.0.1:" + std::to_string(FreePort()) + "/adbanner.htm";
  EXPECT_EQ(internet_.OpenUrl(root, url, kProbeFlags), 0u);
  EXPECT_EQ(internet_.OpenUrl(0, url, kProbeFlags), 0u);  // no root: a failing call, no crash
  internet_.CloseHandle(0);
  internet_.CloseHandle(root);
}

// A server that never answers must not hold Outlook's thread: the probe's session carries
// time-outs of its own, and a request that runs into one ends like an unreachable server. (How
// long that took is printed as a figure; the bound is the time-outs' sum, about 5 s.)
TEST_F(Win32Internet, AServerThatNeverAnswersEndsTheRequestAtTheProbesTimeOuts) {
  using Behaviour = LoopbackServer::Behaviour;
  for (const Behaviour behaviour : {Behaviour::kAcceptsButNeverAnswers, Behaviour::kNeverAccepts}) {
    const bool accepts = behaviour == Behaviour::kAcceptsButNeverAnswers;
    SCOPED_TRACE(accepts ? "accepts, never answers" : "never accepts");
    LoopbackServer server(behaviour);
    const auto root = internet_.Open("ZORMINT", INTERNET_OPEN_TYPE_PRECONFIG, 0);
    ASSERT_NE(root, 0u);
    const std::string url = "http://127.0.0.1:" + std::to_string(server.Port()) + "/adbanner.htm";
    const ULONGLONG started = GetTickCount64();
    const auto request = internet_.OpenUrl(root, url, kProbeFlags);
    const DWORD error = GetLastError();
    const ULONGLONG took = GetTickCount64() - started;
    EXPECT_EQ(request, 0u);
    EXPECT_NE(error, ERROR_SUCCESS);
    if (accepts) EXPECT_EQ(server.Requests(), 1);  // the request was sent, and never answered
    internet_.CloseHandle(request);
    internet_.CloseHandle(root);
    std::printf("[ FIGURE   ] probe_%s_ms: %llu (WinInet error %lu)\n",
                accepts ? "silent_server" : "no_accept", static_cast<unsigned long long>(took),
                static_cast<unsigned long>(error));
  }
}

TEST_F(Win32Internet, ConnectedStateIsTheSystems) {
  DWORD flags = 0;
  const bool system = InternetGetConnectedState(&flags, 0) != FALSE;
  EXPECT_EQ(internet_.GetConnectedState(), system);
  // Wine always reports a LAN connection.
  if (win32::RunningUnderWine()) {
    EXPECT_TRUE(system);
  }
}

// Wine keeps no event log: an error entry shows only on its "eventlog" debug channel, which
// Wine writes to the Unix standard error of the program that reports the entry (here a copy
// of this program, see kEventLogEntryChild); tools/wine-run.sh names that file.
TEST(Win32EventLog, WritesTheTextAsAnErrorEntry) {
  if (!win32::RunningUnderWine()) GTEST_SKIP() << "Windows keeps the entry in its event log";
  std::string channel(1024, '\0');
  channel.resize(GetEnvironmentVariableA("ZORMINT_WINE_STDERR", channel.data(), 1024));
  if (channel.empty()) GTEST_SKIP() << "not run by tools/wine-run.sh";
  std::replace(channel.begin(), channel.end(), '/', '\\');
  channel = "Z:" + channel;
  auto read = [&] {
    std::ifstream file(channel, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
  };
  const size_t before = read().size();

  wchar_t self[MAX_PATH] = {};
  ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
  SetEnvironmentVariableW(L"ZORMINT_EVENTLOG_ENTRY",
                          L"A run-time error has occurred in CInternet.Refresh.\r\nat Line : 0\r\n"
                          L"Error Number : 5\r\nError Description : Ung\u00fcltiger Aufruf\r\n");
  SetEnvironmentVariableW(L"WINEDEBUG", L"-all,err+eventlog");
  CapturedProcess child(L"\"" + std::wstring(self) + L"\"");
  SetEnvironmentVariableW(L"ZORMINT_EVENTLOG_ENTRY", nullptr);
  SetEnvironmentVariableW(L"WINEDEBUG", L"-all");
  ASSERT_TRUE(child.Started());
  EXPECT_EQ(child.Wait(60000), std::optional<DWORD>(0));

  // One error entry, whose text is exactly what the add-in wrote (Wine's debug output escapes
  // line breaks, and characters beyond ASCII as four hexadecimal digits).
  const std::string written = read().substr(before);
  const std::string entry =
      "err:eventlog:ReportEventW L\"A run-time error has occurred in CInternet.Refresh.\\r\\n"
      "at Line : 0\\r\\nError Number : 5\\r\\nError Description : Ung\\00fcltiger "
      "Aufruf\\r\\n\"\n";
  EXPECT_NE(written.find(entry), std::string::npos) << written;
  EXPECT_EQ(written.find("err:eventlog"), written.rfind("err:eventlog")) << "one entry";
}

}  // namespace
}  // namespace zormint::wine_test

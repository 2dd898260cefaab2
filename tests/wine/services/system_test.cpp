// Clock, message pump, resources, WinInet and the event log.
#include "services/test_util.h"

#include <wininet.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <thread>

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
#include "win32/services/trace_log.h"
#include "zormint_messages.h"

namespace zormint::wine_test {
namespace {

// Started with ZORMINT_EVENTLOG_ENTRY set, this program writes that text as one error entry,
// or with ZORMINT_TRACE_STEP set, reports one skipped failure of that step to the trace, and
// ends before any test runs (the tests below start it so, to read what Wine writes of it).
const bool kChildAction = [] {
  auto variable = [](const wchar_t* name) {
    std::wstring text(4096, L'\0');
    const DWORD length = GetEnvironmentVariableW(name, text.data(), 4096);
    text.resize(length < 4096 ? length : 0);
    return text;
  };
  const std::wstring entry = variable(L"ZORMINT_EVENTLOG_ENTRY");
  const std::wstring step = variable(L"ZORMINT_TRACE_STEP");
  if (entry.empty() && step.empty()) return false;
  int code = 0;
  try {
    if (!entry.empty()) win32::Win32EventLog().ReportError(win32::Narrow(entry));
    if (!step.empty()) {
      wchar_t temp[MAX_PATH] = {};
      GetTempPathW(MAX_PATH, temp);
      win32::Win32TraceLog trace(std::wstring(temp) + L"zormint-trace-child");
      trace.ReadSwitch();
      trace.Skipped(win32::Narrow(step).c_str(), 53, "File not found");
    }
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

// A server that never answers must not keep the probe's worker (and the library it holds) for
// ever: the request carries time-outs of its own, and a request that runs into one ends like an
// unreachable server. Every handle is opened and closed by the calling thread. (How long that
// took is printed as a figure; against a server that accepts, the bound is the receive
// time-out. Wine ignores the connect time-out when nobody accepts: there the request ends when
// the server goes, which the test does after a second.)
TEST_F(Win32Internet, AServerThatNeverAnswersEndsTheRequestOnItsOwn) {
  using Behaviour = LoopbackServer::Behaviour;
  for (const Behaviour behaviour : {Behaviour::kAcceptsButNeverAnswers, Behaviour::kNeverAccepts}) {
    const bool accepts = behaviour == Behaviour::kAcceptsButNeverAnswers;
    SCOPED_TRACE(accepts ? "accepts, never answers" : "never accepts");
    auto server = std::make_unique<LoopbackServer>(behaviour);
    const int port = server->Port();
    win32::Win32Internet::Handle request = 1;
    DWORD error = ERROR_SUCCESS;
    ULONGLONG took = 0;
    std::thread worker([&] {
      const auto root = internet_.Open("ZORMINT", INTERNET_OPEN_TYPE_PRECONFIG, 0);
      const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/adbanner.htm";
      const ULONGLONG started = GetTickCount64();
      request = internet_.OpenUrl(root, url, kProbeFlags);
      error = GetLastError();
      took = GetTickCount64() - started;
      internet_.CloseHandle(request);
      internet_.CloseHandle(root);
    });
    if (!accepts) {
      Sleep(1000);
      server.reset();
    }
    worker.join();
    EXPECT_EQ(request, 0u);
    EXPECT_NE(error, ERROR_SUCCESS);
    if (accepts) {
      EXPECT_EQ(server->Requests(), 1);  // the request was sent, and never answered
    }
    std::printf("[ FIGURE   ] probe_%s_ms: %llu (WinInet error %lu)\n",
                accepts ? "silent_server" : "no_accept_until_the_server_goes",
                static_cast<unsigned long long>(took), static_cast<unsigned long>(error));
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

// What a copy of this program writes to Wine's debug channels (`channels`, as WINEDEBUG takes
// them) when started with the environment variable `name` set to `value`; Wine writes them to
// the program's Unix standard error, which tools/wine-run.sh names. Nothing (and a skipped
// test) when not run so.
std::string ChildDebugOutput(const wchar_t* name, const std::wstring& value,
                             const wchar_t* channels) {
  std::string path(1024, '\0');
  path.resize(GetEnvironmentVariableA("ZORMINT_WINE_STDERR", path.data(), 1024));
  if (path.empty()) return std::string();
  std::replace(path.begin(), path.end(), '/', '\\');
  path = "Z:" + path;
  auto read = [&] {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
  };
  const size_t before = read().size();
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  SetEnvironmentVariableW(name, value.c_str());
  SetEnvironmentVariableW(L"WINEDEBUG", channels);
  CapturedProcess child(L"\"" + std::wstring(self) + L"\"");
  SetEnvironmentVariableW(name, nullptr);
  SetEnvironmentVariableW(L"WINEDEBUG", L"-all");
  EXPECT_TRUE(child.Started());
  EXPECT_EQ(child.Wait(60000), std::optional<DWORD>(0));
  return read().substr(before);
}

// Wine keeps no event log: an error entry shows only on its "eventlog" debug channel.
TEST(Win32EventLog, WritesTheTextAsAnErrorEntry) {
  if (!win32::RunningUnderWine()) GTEST_SKIP() << "Windows keeps the entry in its event log";
  const std::string written =
      ChildDebugOutput(L"ZORMINT_EVENTLOG_ENTRY",
                       L"A run-time error has occurred in CInternet.Refresh.\r\nat Line : 0\r\n"
                       L"Error Number : 5\r\nError Description : Ung\u00fcltiger Aufruf\r\n",
                       L"-all,err+eventlog,fixme+advapi");
  if (!std::getenv("ZORMINT_WINE_STDERR")) GTEST_SKIP() << "not run by tools/wine-run.sh";
  // One error entry, whose text is exactly what the add-in wrote (Wine's debug output escapes
  // line breaks, and characters beyond ASCII as four hexadecimal digits).
  const std::string entry =
      "err:eventlog:ReportEventW L\"A run-time error has occurred in CInternet.Refresh.\\r\\n"
      "at Line : 0\\r\\nError Number : 5\\r\\nError Description : Ung\\00fcltiger "
      "Aufruf\\r\\n\"\n";
  EXPECT_NE(written.find(entry), std::string::npos) << written;
  EXPECT_EQ(written.find("err:eventlog"), written.rfind("err:eventlog")) << "one entry";
  // The "advapi" channel shows the call: "ReportEventW (<source>,<type>,<category>,<event id>,":
  // an error, category 0, and the id of the message in ZORMINT.dll's table that shows the text
  // unchanged (tests/wine/installer).
  const size_t call = written.find("ReportEventW (");
  ASSERT_NE(call, std::string::npos) << written;
  char arguments[64];
  std::snprintf(arguments, sizeof arguments, ",0x%04x,0x0000,0x%08lx,", EVENTLOG_ERROR_TYPE,
                static_cast<unsigned long>(ZORMINT_EVENT_ERROR));
  EXPECT_EQ(written.find(arguments, call), written.find(',', call)) << arguments << "\n" << written;
}

// The user's trace switch: on, off (0) or not set.
void SetTraceSwitch(std::optional<DWORD> value) {
  HKEY key = nullptr;
  RegCreateKeyExW(HKEY_CURRENT_USER, win32::Win32TraceLog::kSwitchKey, 0, nullptr, 0, KEY_SET_VALUE,
                  nullptr, &key, nullptr);
  if (value) {
    RegSetValueExW(key, win32::Win32TraceLog::kSwitchValue, 0, REG_DWORD,
                   reinterpret_cast<const BYTE*>(&*value), sizeof(DWORD));
  } else {
    RegDeleteValueW(key, win32::Win32TraceLog::kSwitchValue);
  }
  RegCloseKey(key);
}

// A skipped failure goes to the debugger output, which Wine shows on its "seh" channel, only
// while the user's trace switch is on: its paths hold the user's and the attachments' names.
TEST(Win32TraceLog, SendsSkippedFailuresToTheDebuggerOutputOnlyWhenSwitchedOn) {
  if (!win32::RunningUnderWine()) GTEST_SKIP() << "a debugger shows it on Windows";
  const std::string line =
      "OutputDebugStringA \"ZORMINT: CPicAttachments.SavePicture: SaveAsFile: File not found "
      "(53)\\n\"";
  SetTraceSwitch(std::nullopt);
  const std::string off = ChildDebugOutput(
      L"ZORMINT_TRACE_STEP", L"CPicAttachments.SavePicture: SaveAsFile", L"-all,warn+seh");
  SetTraceSwitch(1);
  const std::string on = ChildDebugOutput(
      L"ZORMINT_TRACE_STEP", L"CPicAttachments.SavePicture: SaveAsFile", L"-all,warn+seh");
  SetTraceSwitch(std::nullopt);
  const std::wstring folder = TempPath() + L"zormint-trace-child";
  DeleteFileW((folder + L"\\ZORMINT.log").c_str());
  RemoveDirectoryW(folder.c_str());
  if (!std::getenv("ZORMINT_WINE_STDERR")) GTEST_SKIP() << "not run by tools/wine-run.sh";
  EXPECT_EQ(off.find("ZORMINT:"), std::string::npos) << off;
  EXPECT_NE(on.find(line), std::string::npos) << on;
}

// The log file: written only when the user switches it on, one line per skipped failure, and
// kept under its cap by starting a new one.
TEST(Win32TraceLog, WritesTheLogFileOnlyWhenSwitchedOnAndKeepsItUnderItsCap) {
  const std::wstring folder = TempPath() + L"zormint-trace-test";
  const std::wstring log = folder + L"\\ZORMINT.log", old = log + L".1";
  auto size = [](const std::wstring& path) -> long long {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  };
  const auto setSwitch = SetTraceSwitch;
  win32::Win32TraceLog trace(folder);

  setSwitch(std::nullopt);
  trace.ReadSwitch();
  trace.Skipped("step", 53, "File not found");
  EXPECT_FALSE(trace.LogsToFile());
  EXPECT_EQ(size(log), -1);  // no file, not even the folder's
  EXPECT_EQ(GetFileAttributesW(folder.c_str()), INVALID_FILE_ATTRIBUTES);

  setSwitch(1);
  trace.ReadSwitch();
  EXPECT_TRUE(trace.LogsToFile());
  EXPECT_EQ(trace.LogPath(), log);
  trace.Skipped("CPicAttachments.SavePicture: SaveAsFile", static_cast<int32_t>(0x80070005),
                "Access is denied.\r\nThe file is in use.");
  std::ifstream first{std::filesystem::path(log), std::ios::binary};
  std::string line;
  std::getline(first, line);
  first.close();
  EXPECT_NE(line.find("  CPicAttachments.SavePicture: SaveAsFile: Access is denied.  The file "
                      "is in use. (0x80070005)"),
            std::string::npos)
      << line;
  // "yyyy-mm-dd hh:mm:ss.mmm  " in front, a Windows line end after.
  ASSERT_GE(line.size(), 25u);
  EXPECT_TRUE(line[4] == '-' && line[7] == '-' && line[10] == ' ' && line[19] == '.') << line;
  EXPECT_EQ(line.substr(23, 2), "  ");
  EXPECT_EQ(line.back(), '\r');

  // A log over the cap is renamed ZORMINT.log.1 and a new one begins.
  const std::string text(1000, 'x');
  for (int i = 0; i < 1100; ++i)
    trace.Skipped("a step", 5, text);
  EXPECT_GT(size(old), 1000000);
  EXPECT_LE(size(old), static_cast<long long>(win32::Win32TraceLog::kMaxLogBytes));
  EXPECT_GT(size(log), 0);
  EXPECT_LT(size(log), 200000);

  // A reader holds the log open without delete sharing: it cannot be renamed, and stays under
  // its cap all the same; once the reader lets go, the log goes on.
  {
    HANDLE reader = CreateFileW(log.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    for (int i = 0; i < 1100; ++i)
      trace.Skipped("a step", 5, text);
    EXPECT_LE(size(log), static_cast<long long>(win32::Win32TraceLog::kMaxLogBytes));
    EXPECT_GT(size(log), 1000000);
    CloseHandle(reader);
  }
  trace.Skipped("a step", 5, text);
  EXPECT_LT(size(log), 200000);

  // Switched off again: nothing more is written.
  setSwitch(0);
  trace.ReadSwitch();
  const long long before = size(log);
  trace.Skipped("step", 53, "File not found");
  EXPECT_EQ(size(log), before);

  setSwitch(std::nullopt);
  DeleteFileW(log.c_str());
  DeleteFileW(old.c_str());
  RemoveDirectoryW(folder.c_str());
}

}  // namespace
}  // namespace zormint::wine_test

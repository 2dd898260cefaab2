// First: see win32_windows.h.
#include "win32/com/win32_windows.h"

#include "win32/services/system.h"

#include "common/error.h"
#include "win32/com/failure.h"
#include "win32/com/text.h"
#include "zormint_messages.h"

namespace zormint::win32 {

platform::LocalTime Win32Clock::Now() {
  SYSTEMTIME time = {};
  GetLocalTime(&time);
  platform::LocalTime now;
  now.year = time.wYear;
  now.month = time.wMonth;
  now.day = time.wDay;
  now.hour = time.wHour;
  now.minute = time.wMinute;
  now.second = time.wSecond;
  return now;
}

void Win32MessagePump::DoEvents() {
  MSG message = {};
  for (int handled = 0; handled < kMaxMessages && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);
       ++handled) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

void Win32EventLog::ReportError(const std::string& text) {
  HANDLE source = RegisterEventSourceW(nullptr, L"ZORMINT");
  if (!source) {
    const DWORD error = GetLastError();
    FailWithSystemError(HresultOf(error), "Cannot open the event log", "", error);
  }
  const std::wstring wide = Widen(text);
  const wchar_t* strings[] = {wide.c_str()};
  // The entry's event id names the message "%1" of this DLL's message table: with the source
  // registered, the Event Viewer shows the text exactly as written here.
  const BOOL reported = ReportEventW(source, EVENTLOG_ERROR_TYPE, 0, ZORMINT_EVENT_ERROR, nullptr,
                                     1, 0, strings, nullptr);
  const DWORD error = reported ? ERROR_SUCCESS : GetLastError();
  DeregisterEventSource(source);
  if (!reported) FailWithSystemError(HresultOf(error), "Cannot write to the event log", "", error);
}

}  // namespace zormint::win32

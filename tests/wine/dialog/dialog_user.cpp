#include "dialog/dialog_user.h"

#include <cstdio>
#include <utility>

namespace zormint::wine_test {

namespace {

User* gUser = nullptr;  // the one user working now (one per thread and test)

constexpr UINT kTickMs = 25;
constexpr DWORD kGiveUpMs = 10000;

bool IsExtendedKey(WORD key) {
  switch (key) {
    case VK_HOME:
    case VK_END:
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
    case VK_INSERT:
    case VK_DELETE:
    case VK_PRIOR:
    case VK_NEXT:
      return true;
    default:
      return false;
  }
}

INPUT Key(WORD key, bool up) {
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (IsExtendedKey(key) ? KEYEVENTF_EXTENDEDKEY : 0);
  return input;
}

INPUT Mouse(DWORD flags) {
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  return input;
}

void Send(std::vector<INPUT>& inputs) {
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

bool IsDialogClass(HWND window) {
  wchar_t name[32] = {};
  GetClassNameW(window, name, 32);
  return std::wstring(name) == L"#32770";
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

std::vector<HWND> ThreadWindows() {
  std::vector<HWND> windows;
  EnumThreadWindows(GetCurrentThreadId(), &CollectWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

}  // namespace

// ---- The script
// -----------------------------------------------------------------------------------

User::User() = default;

User::~User() {
  if (timer_) KillTimer(nullptr, timer_);
  if (gUser == this) gUser = nullptr;
}

void User::When(std::string what, std::function<bool()> ready, std::function<void()> act,
                double seconds) {
  steps_.push_back(
      {std::move(what), std::move(ready), std::move(act), static_cast<DWORD>(seconds * 1000)});
}

void User::Do(std::string what, std::function<void()> act) {
  When(std::move(what), nullptr, std::move(act));
}

void User::Start() {
  if (timer_) return;
  gUser = this;
  stepStarted_ = GetTickCount();
  timer_ = SetTimer(nullptr, 0, kTickMs, &User::Tick);
}

void CALLBACK User::Tick(HWND, UINT, UINT_PTR, DWORD) {
  if (gUser) gUser->OnTick();
}

void User::OnTick() {
  if (busy_) return;  // a step's action is still running (it may pump messages)
  busy_ = true;
  if (givingUp_) {
    GiveUp();
  } else if (next_ < steps_.size()) {
    Step& step = steps_[next_];
    if (!step.ready || step.ready()) {
      if (step.act) step.act();
      ++next_;
      stepStarted_ = GetTickCount();
    } else if (GetTickCount() - stepStarted_ > step.waitMs) {
      failures_.push_back("timed out waiting for: " + step.what);
      givingUp_ = true;
      gaveUpAt_ = GetTickCount();
    }
  }
  busy_ = false;
}

void User::GiveUp() {
  // Cancel every dialog of the thread (message boxes, file dialogs and the forms, which take
  // IDCANCEL as Esc) and close the other windows; what is still there after a while (a form
  // that refuses to close) is destroyed, so that every modal loop ends.
  const bool force = GetTickCount() - gaveUpAt_ > kGiveUpMs / 2;
  bool any = false;
  for (HWND window : ThreadWindows()) {
    if (!IsWindowVisible(window)) continue;
    any = true;
    if (force) {
      DestroyWindow(window);
    } else {
      if (IsDialogClass(window)) PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
      PostMessageW(window, WM_CLOSE, 0, 0);
    }
  }
  if (!any || GetTickCount() - gaveUpAt_ > kGiveUpMs) {
    KillTimer(nullptr, timer_);
    timer_ = 0;
  }
}

bool User::Finished() {
  while (!givingUp_ && next_ < steps_.size()) {
    Step& step = steps_[next_];
    if (step.ready && !step.ready()) break;
    if (step.act) step.act();
    ++next_;
  }
  stepStarted_ = GetTickCount();
  return next_ >= steps_.size() && failures_.empty();
}

std::string User::Report() const {
  std::string report;
  for (const std::string& f : failures_)
    report += f + "\n";
  if (failures_.empty() && next_ < steps_.size()) {
    report += "stopped before: " + steps_[next_].what + "\n";
  }
  return report;
}

// ---- Input
// ----------------------------------------------------------------------------------------

void ClickAt(POINT screen, std::initializer_list<WORD> held) {
  SetCursorPos(screen.x, screen.y);
  std::vector<INPUT> inputs;
  for (WORD key : held)
    inputs.push_back(Key(key, false));
  inputs.push_back(Mouse(MOUSEEVENTF_LEFTDOWN));
  inputs.push_back(Mouse(MOUSEEVENTF_LEFTUP));
  for (WORD key : held)
    inputs.push_back(Key(key, true));
  Send(inputs);
}

void Click(HWND window, std::initializer_list<WORD> held) {
  RECT r = {};
  GetWindowRect(window, &r);
  ClickAt({(r.left + r.right) / 2, (r.top + r.bottom) / 2}, held);
}

void PressKey(WORD key, std::initializer_list<WORD> held) {
  std::vector<INPUT> inputs;
  for (WORD k : held)
    inputs.push_back(Key(k, false));
  inputs.push_back(Key(key, false));
  inputs.push_back(Key(key, true));
  for (WORD k : held)
    inputs.push_back(Key(k, true));
  Send(inputs);
}

void TypeText(const std::wstring& text) {
  std::vector<INPUT> inputs;
  for (wchar_t c : text) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wScan = static_cast<WORD>(c);
    input.ki.dwFlags = KEYEVENTF_UNICODE;
    inputs.push_back(input);
    input.ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
    inputs.push_back(input);
  }
  if (!inputs.empty()) Send(inputs);
}

void ReplaceText(const std::wstring& text) {
  PressKey(VK_END);
  PressKey(VK_HOME, {VK_SHIFT});
  if (text.empty()) {
    PressKey(VK_DELETE);
  } else {
    TypeText(text);
  }
}

// ---- Looking at windows
// ---------------------------------------------------------------------------

std::wstring WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const int got = GetWindowTextW(window, text.data(), length + 1);
  text.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return text;
}

HWND FindTopLevel(const std::wstring& caption) {
  for (HWND window : ThreadWindows()) {
    if (IsWindowVisible(window) && WindowText(window) == caption) return window;
  }
  return nullptr;
}

HWND FindOwnedDialog(HWND owner, const std::wstring& caption) {
  for (HWND window : ThreadWindows()) {
    if (IsWindowVisible(window) && IsDialogClass(window) && GetWindow(window, GW_OWNER) == owner &&
        WindowText(window) == caption) {
      return window;
    }
  }
  return nullptr;
}

std::wstring MessageBoxText(HWND box) {
  HWND text = GetDlgItem(box, 0xFFFF);
  return text ? WindowText(text) : std::wstring();
}

bool SaveWindowPicture(HWND window, const std::wstring& path) {
  RECT r = {};
  if (!GetWindowRect(window, &r)) return false;
  const int width = r.right - r.left, height = r.bottom - r.top;
  if (width <= 0 || height <= 0) return false;

  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // bottom-up, as BMP files keep their rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP picture = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool saved = false;
  if (picture && memory) {
    HGDIOBJ old = SelectObject(memory, picture);
    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, old);
    GdiFlush();
    const DWORD rowBytes = ((static_cast<DWORD>(width) * 3 + 3) / 4) * 4;
    const DWORD imageBytes = rowBytes * static_cast<DWORD>(height);
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + imageBytes;
    if (FILE* out = _wfopen(path.c_str(), L"wb")) {
      saved = fwrite(&file, sizeof file, 1, out) == 1 &&
              fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out) == 1 &&
              fwrite(bits, imageBytes, 1, out) == 1;
      saved = fclose(out) == 0 && saved;
    }
  }
  if (picture) DeleteObject(picture);
  if (memory) DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return saved;
}

}  // namespace zormint::wine_test

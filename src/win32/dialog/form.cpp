#include "win32/dialog/form.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <utility>

#include "common/error.h"
#include "win32/com/failure.h"
#include "win32/com/module.h"
#include "win32/com/text.h"

namespace zormint::win32 {

namespace {

using platform::ControlKind;

// Posted to the form when it has become the active window; see Handle(WM_ACTIVATE).
constexpr UINT kActivatedMessage = WM_APP + 0x5A1;

// Posted to the form by a worker of RunBeside: wParam the work's number, lParam its answer. A
// registered message, so that a window that took over a destroyed form's handle never mistakes
// it for one of its own; numbers are never reused in the process, so an answer is only ever
// taken by the form that is waiting for it.
UINT AnswerMessage() {
  static const UINT message = RegisterWindowMessageW(L"ZORMINT.WorkAnswered");
  return message;
}

std::atomic<uintptr_t> gLastWorkNumber{0};

struct BesideStart {
  std::function<bool()> work;
  HWND form = nullptr;
  uintptr_t number = 0;
  HMODULE module = nullptr;  // a reference of the worker's own: the library stays while it runs
};

DWORD WINAPI BesideWorker(void* parameter) {
  std::unique_ptr<BesideStart> start(static_cast<BesideStart*>(parameter));
  bool answer = false;
  {
    ModuleUse use;
    try {
      answer = start->work();
    } catch (...) {
      answer = false;
    }
    // A form that has gone takes no message: the answer is dropped.
    PostMessageW(start->form, AnswerMessage(), static_cast<WPARAM>(start->number), answer ? 1 : 0);
  }
  const HMODULE module = start->module;
  start.reset();  // what the work held goes here, on its own thread
  FreeLibraryAndExitThread(module, 0);
}

bool IsFocusableKind(ControlKind kind) {
  switch (kind) {
    case ControlKind::kListBox:
    case ControlKind::kOptionButton:
    case ControlKind::kCheckBox:
    case ControlKind::kTextBox:
    case ControlKind::kCommandButton:
      return true;
    default:
      return false;
  }
}

// The work area of the monitor that shows `window` (or most of it), else of the whole screen.
RECT WorkAreaOf(HWND window, DWORD fallback) {
  RECT area = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof monitor;
  HMONITOR handle = MonitorFromWindow(window, fallback);
  if (handle && GetMonitorInfoW(handle, &monitor)) area = monitor.rcWork;
  return area;
}

// Where a window of `size` sits centred on the work area of the monitor the user works on.
POINT CentredPosition(SIZE size) {
  const RECT area = WorkAreaOf(GetForegroundWindow(), MONITOR_DEFAULTTOPRIMARY);
  POINT p;
  p.x = area.left + std::max<LONG>(0, (area.right - area.left - size.cx) / 2);
  p.y = area.top + std::max<LONG>(0, (area.bottom - area.top - size.cy) / 2);
  return p;
}

// Where a window of `size` sits centred on `owner`, moved into the work area of the owner's
// monitor where it would go off it; centred on that work area when the owner is minimised.
POINT CentredOn(HWND owner, SIZE size) {
  const RECT area = WorkAreaOf(owner, MONITOR_DEFAULTTONEAREST);
  RECT frame = {};
  if (IsIconic(owner) || !GetWindowRect(owner, &frame)) frame = area;
  POINT p;
  p.x = frame.left + (frame.right - frame.left - size.cx) / 2;
  p.y = frame.top + (frame.bottom - frame.top - size.cy) / 2;
  p.x = std::max<LONG>(area.left, std::min<LONG>(p.x, area.right - size.cx));
  p.y = std::max<LONG>(area.top, std::min<LONG>(p.y, area.bottom - size.cy));
  return p;
}

}  // namespace

DialogForm::DialogForm(platform::FormLayout layout, std::weak_ptr<platform::FormEvents> events,
                       std::shared_ptr<FormIcons> icons)
    : layout_(std::move(layout)), events_(std::move(events)), icons_(std::move(icons)) {}

DialogForm::~DialogForm() {
  // A form released while loaded takes its windows with it, without events.
  if (loaded_ || hwnd_) Destroy();
}

void DialogForm::Raise(const std::function<void(platform::FormEvents&)>& fire) {
  if (std::shared_ptr<platform::FormEvents> events = events_.lock()) fire(*events);
}

// ---- Loading ------------------------------------------------------------------------------------

void DialogForm::Load() {
  if (loaded_) return;
  std::shared_ptr<DialogForm> self = shared_from_this();
  CreateWindows();
  loaded_ = true;
  Raise([](platform::FormEvents& e) { e.OnLoad(); });
}

void DialogForm::CreateWindows() {
  const int dpi = ScreenDpi();
  const std::vector<DWORD> dialogTemplate =
      EmptyDialogTemplate(FormStyle(layout_), 0, Widen(layout_.caption));
  HWND hwnd = CreateDialogIndirectParamW(
      ThisModule(), reinterpret_cast<LPCDLGTEMPLATEW>(dialogTemplate.data()), nullptr,
      &DialogForm::DialogProc, reinterpret_cast<LPARAM>(this));
  if (!hwnd) {
    Fail(static_cast<int32_t>(HRESULT_FROM_WIN32(GetLastError())),
         "The window of " + layout_.name + " cannot be created");
  }
  hwnd_ = hwnd;

  // The client area as the layout has it, the window around it centred on the screen.
  RECT frame = {0, 0, platform::TwipsToPixels(layout_.clientWidth, dpi),
                platform::TwipsToPixels(layout_.clientHeight, dpi)};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_EXSTYLE)));
  const SIZE size = {frame.right - frame.left, frame.bottom - frame.top};
  const POINT at = CentredPosition(size);
  SetWindowPos(hwnd, nullptr, at.x, at.y, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);

  if (layout_.ownIcon && icons_) {
    if (icons_->bigIcon) SendMessageW(hwnd, WM_SETICON, ICON_BIG, (LPARAM)icons_->bigIcon);
    if (icons_->smallIcon) SendMessageW(hwnd, WM_SETICON, ICON_SMALL, (LPARAM)icons_->smallIcon);
  }
  font_ = CreateFormFont(layout_, dpi);
  if (font_) SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);

  controls_.clear();
  byName_.clear();
  for (size_t i = 0; i < layout_.controls.size(); ++i) {
    auto c = std::make_shared<DialogControl>();
    c->layout = layout_.controls[i];
    c->enabled = c->layout.enabled;
    c->checked = c->layout.value;
    if (c->layout.kind != ControlKind::kFileDialog) {
      c->id = kFirstControlId + static_cast<int>(i);
    }
    controls_.push_back(c);
    byName_[c->layout.name] = c;
  }

  // Windows are created in tab order (the order of the sibling windows is the order Tab
  // follows and that groups radio buttons); controls outside the tab order come last.
  std::vector<DialogControl*> order;
  for (const auto& c : controls_) {
    if (c->id) order.push_back(c.get());
  }
  std::stable_sort(order.begin(), order.end(), [](const DialogControl* a, const DialogControl* b) {
    const int32_t ta = a->layout.tabIndex < 0 ? INT32_MAX : a->layout.tabIndex;
    const int32_t tb = b->layout.tabIndex < 0 ? INT32_MAX : b->layout.tabIndex;
    return ta < tb;
  });

  HINSTANCE instance = ThisModule();
  const DialogControl* previous = nullptr;
  for (DialogControl* c : order) {
    const platform::ControlLayout& l = c->layout;
    // Positions inside a frame are relative to the frame's corner.
    int32_t left = l.left, top = l.top;
    for (std::string parent = l.parent; !parent.empty();) {
      const platform::ControlLayout* p = layout_.Find(parent);
      if (!p) break;
      left += p->left;
      top += p->top;
      parent = p->parent;
    }
    RECT r = TwipsRect(left, top, l.width, l.height, dpi);

    const wchar_t* windowClass = L"STATIC";
    DWORD style = WS_CHILD | WS_VISIBLE;
    DWORD exStyle = 0;
    std::wstring text = Widen(l.caption);
    switch (l.kind) {
      case ControlKind::kWebBrowser:
        style |= WS_CLIPCHILDREN;
        text.clear();
        break;
      case ControlKind::kListBox:
        windowClass = L"LISTBOX";
        style |= WS_TABSTOP | WS_GROUP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
        if (l.multiSelectExtended) style |= LBS_EXTENDEDSEL;
        exStyle = WS_EX_CLIENTEDGE;
        break;
      case ControlKind::kFrame:
        windowClass = L"BUTTON";
        style |= BS_GROUPBOX | WS_GROUP;
        break;
      case ControlKind::kOptionButton:
        windowClass = L"BUTTON";
        style |= BS_AUTORADIOBUTTON;
        // A group starts with the first option button of a container.
        if (!previous || previous->layout.kind != ControlKind::kOptionButton ||
            previous->layout.parent != l.parent) {
          style |= WS_GROUP;
        }
        break;
      case ControlKind::kCheckBox:
        windowClass = L"BUTTON";
        style |= WS_TABSTOP | WS_GROUP | BS_AUTOCHECKBOX;
        break;
      case ControlKind::kTextBox:
        windowClass = L"EDIT";
        style |= WS_TABSTOP | WS_GROUP | ES_AUTOHSCROLL | ES_LEFT;
        exStyle = WS_EX_CLIENTEDGE;
        text = Widen(l.text);
        break;
      case ControlKind::kCommandButton:
        windowClass = L"BUTTON";
        style |= WS_TABSTOP | WS_GROUP | (l.isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
        break;
      case ControlKind::kLine: {
        // An etched line from (left, top) to (x2, y2): horizontal unless it is vertical.
        style |= WS_GROUP;
        text.clear();
        const RECT to = TwipsRect(l.x2, l.y2, 0, 0, dpi);
        if (l.x2 == l.left && l.y2 != l.top) {
          style |= SS_ETCHEDVERT;
          r = {r.left, std::min(r.top, to.top), r.left + 2, std::max(r.top, to.top)};
        } else {
          style |= SS_ETCHEDHORZ;
          r = {std::min(r.left, to.left), r.top, std::max(r.left, to.left), r.top + 2};
        }
        break;
      }
      case ControlKind::kFileDialog:
        continue;
    }
    c->hwnd =
        CreateWindowExW(exStyle, windowClass, text.c_str(), style, r.left, r.top, r.right - r.left,
                        r.bottom - r.top, hwnd,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(c->id)), instance, nullptr);
    if (!c->hwnd) {
      const DWORD error = GetLastError();
      Destroy();
      Fail(static_cast<int32_t>(HRESULT_FROM_WIN32(error)),
           "The control " + l.name + " cannot be created");
    }
    if (font_) SendMessageW(c->hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    if (l.kind == ControlKind::kLine) {
      // An etched static takes an edge of its own as it is created, which widens it on some
      // systems: the line ends where the layout says.
      SetWindowPos(c->hwnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (l.kind == ControlKind::kOptionButton || l.kind == ControlKind::kCheckBox) {
      SendMessageW(c->hwnd, BM_SETCHECK, c->checked ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    if (l.kind == ControlKind::kWebBrowser) {
      c->browser = std::make_shared<BrowserHost>(c->hwnd);
      std::weak_ptr<DialogForm> weak = weak_from_this();
      const std::string name = l.name;
      c->browser->SetDocumentCompleteHandler(
          [weak, name](const void* pDisp, const std::string& url) {
            if (std::shared_ptr<DialogForm> form = weak.lock()) {
              form->Raise([&](platform::FormEvents& e) { e.OnDocumentComplete(name, pDisp, url); });
            }
          });
    }
    if (l.isDefault) SendMessageW(hwnd, DM_SETDEFID, static_cast<WPARAM>(c->id), 0);
    previous = c;
  }
  UpdateRadioTabStops();
  ApplyEnabled();
}

// ---- Controls -----------------------------------------------------------------------------------

DialogControl& DialogForm::Find(const std::string& name) {
  if (!loaded_) Fail(err::kObjectNotSet, "The form is not loaded");
  auto it = byName_.find(name);
  if (it == byName_.end()) Fail(730, "Control not found: " + name);
  return *it->second;
}

DialogControl& DialogForm::FindKind(const std::string& name, ControlKind kind) {
  DialogControl& c = Find(name);
  if (c.layout.kind != kind) Fail(730, "Control not found: " + name);
  return c;
}

DialogControl* DialogForm::ById(int id) {
  for (const auto& c : controls_) {
    if (c->id == id && id != 0) return c.get();
  }
  return nullptr;
}

bool DialogForm::EffectiveEnabled(const DialogControl& c) const {
  if (!c.enabled) return false;
  if (c.layout.parent.empty()) return true;
  auto it = byName_.find(c.layout.parent);
  return it == byName_.end() || EffectiveEnabled(*it->second);
}

bool DialogForm::Focusable(const DialogControl& c) const {
  return !c.dead && c.hwnd && IsFocusableKind(c.layout.kind) && EffectiveEnabled(c) &&
         IsWindowEnabled(c.hwnd) && IsWindowVisible(c.hwnd);
}

DialogControl* DialogForm::FirstInTabOrder() {
  DialogControl* first = nullptr;
  for (const auto& c : controls_) {
    if (c->layout.tabIndex < 0 || !Focusable(*c)) continue;
    if (!first || c->layout.tabIndex < first->layout.tabIndex) first = c.get();
  }
  return first;
}

void DialogForm::ApplyEnabled() {
  for (const auto& c : controls_) {
    if (!c->hwnd || c->dead) continue;
    const bool enable = EffectiveEnabled(*c);
    // A control that loses the focus this way hands it on, as Tab would, rather than keeping
    // it where no key reaches.
    if (!enable && hwnd_ && GetFocus() == c->hwnd) SendMessageW(hwnd_, WM_NEXTDLGCTL, 0, FALSE);
    EnableWindow(c->hwnd, enable ? TRUE : FALSE);
  }
}

void DialogForm::UpdateRadioTabStops() {
  // Tab stops at the selected button of each group (at its first when none is selected).
  std::map<std::string, DialogControl*> stop;
  for (const auto& c : controls_) {
    if (c->layout.kind != ControlKind::kOptionButton || !c->hwnd) continue;
    auto it = stop.find(c->layout.parent);
    if (it == stop.end()) {
      stop[c->layout.parent] = c.get();
    } else if (c->checked && !it->second->checked) {
      it->second = c.get();
    }
  }
  for (const auto& c : controls_) {
    if (c->layout.kind != ControlKind::kOptionButton || !c->hwnd) continue;
    LONG_PTR style = GetWindowLongPtrW(c->hwnd, GWL_STYLE);
    style = stop[c->layout.parent] == c.get() ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP);
    SetWindowLongPtrW(c->hwnd, GWL_STYLE, style);
  }
}

void DialogForm::SelectOption(DialogControl& option) {
  const bool wasSelected = SendMessageW(option.hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
  for (const auto& c : controls_) {
    if (c->layout.kind != ControlKind::kOptionButton || c->layout.parent != option.layout.parent ||
        !c->hwnd) {
      continue;
    }
    c->checked = c.get() == &option;
    SendMessageW(c->hwnd, BM_SETCHECK, c->checked ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  UpdateRadioTabStops();
  if (!wasSelected) {
    const std::string name = option.layout.name;
    Raise([&](platform::FormEvents& e) { e.OnClick(name); });
  }
}

void DialogForm::OptionClicked(DialogControl& option) {
  const bool wasSelected = option.checked;
  for (const auto& c : controls_) {
    if (c->layout.kind == ControlKind::kOptionButton && c->layout.parent == option.layout.parent &&
        c->hwnd) {
      c->checked = SendMessageW(c->hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
    }
  }
  UpdateRadioTabStops();
  if (option.checked && !wasSelected) {
    const std::string name = option.layout.name;
    Raise([&](platform::FormEvents& e) { e.OnClick(name); });
  }
}

// ---- Messages -----------------------------------------------------------------------------------

INT_PTR CALLBACK DialogForm::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  // Nothing thrown by a handler unwinds into the dialog manager's frames.
  return GuardedCall("DialogForm.DialogProc", INT_PTR{FALSE}, [&]() -> INT_PTR {
    if (message == WM_INITDIALOG) {
      SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
      reinterpret_cast<DialogForm*>(lParam)->hwnd_ = hwnd;
      return FALSE;  // the form sets the focus itself when it is shown
    }
    auto* form = reinterpret_cast<DialogForm*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    if (!form) return FALSE;
    // The form stays alive while it handles a message, whatever the handlers release; one that
    // is already being destroyed handles nothing.
    std::shared_ptr<DialogForm> self = form->weak_from_this().lock();
    if (!self) return FALSE;
    const INT_PTR result = form->Handle(message, wParam, lParam);
    if (message == WM_NCDESTROY) SetWindowLongPtrW(hwnd, DWLP_USER, 0);
    return result;
  });
}

INT_PTR DialogForm::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == AnswerMessage() && message != 0) {
    auto it = awaited_.find(static_cast<uintptr_t>(wParam));
    if (it == awaited_.end()) return TRUE;
    std::function<void(bool)> answered = std::move(it->second);
    awaited_.erase(it);
    if (loaded_ && answered) answered(lParam != 0);
    return TRUE;
  }
  switch (message) {
    case WM_ACTIVATE:
      // The activation event runs after the activation has finished (the focus restored, the
      // window drawn next), not inside it: its handler may pump messages and block.
      if (LOWORD(wParam) != WA_INACTIVE && !HIWORD(wParam)) {
        PostMessageW(hwnd_, kActivatedMessage, 0, 0);
      }
      return FALSE;  // the dialog manager puts the focus back where it was
    case kActivatedMessage:
      if (shown_) Raise([](platform::FormEvents& e) { e.OnActivate(); });
      return TRUE;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
      return TRUE;
    case WM_CLOSE:
      // The close box, the system menu's Close and Alt+F4 (not the cancel button).
      UnloadWith(platform::vbFormControlMenu);
      return TRUE;
    case WM_NCDESTROY:
      // Destroyed from outside (its thread or process ending): the form is unloaded without
      // events, and a modal loop still running ends.
      if (!destroying_) {
        for (const auto& c : controls_) {
          c->dead = true;
          if (c->browser) c->browser->Destroy();
          c->hwnd = nullptr;
        }
        loaded_ = false;
        shown_ = false;
        hwnd_ = nullptr;
        awaited_.clear();
        EnableThreadWindows();
        owner_ = nullptr;
        activeBefore_ = nullptr;
        if (font_) DeleteObject(std::exchange(font_, nullptr));
      }
      return FALSE;
    default:
      return FALSE;
  }
}

void DialogForm::OnCommand(int id, int code, HWND /*control*/) {
  if (id == IDCANCEL) {
    // Esc: the cancel button, when it can be pressed.
    for (const auto& c : controls_) {
      if (c->layout.isCancel && c->layout.kind == ControlKind::kCommandButton && Focusable(*c)) {
        const std::string name = c->layout.name;
        Raise([&](platform::FormEvents& e) { e.OnClick(name); });
        return;
      }
    }
    return;
  }
  DialogControl* c = ById(id);
  if (!c || c->dead || (code != BN_CLICKED && code != BN_DOUBLECLICKED)) return;
  if ((c->layout.kind == ControlKind::kCommandButton || c->layout.kind == ControlKind::kCheckBox) &&
      code == BN_CLICKED) {
    // A check box has toggled itself (BS_AUTOCHECKBOX) by the time it reports the click.
    const std::string name = c->layout.name;
    Raise([&](platform::FormEvents& e) { e.OnClick(name); });
  } else if (c->layout.kind == ControlKind::kOptionButton) {
    OptionClicked(*c);
  }
}

// ---- Showing and unloading ----------------------------------------------------------------------

void DialogForm::ShowModal(uintptr_t owner) {
  std::shared_ptr<DialogForm> self = shared_from_this();
  if (shown_) Fail(platform::kErrFormAlreadyShown, "Form already displayed; can't show modally");
  if (!loaded_) Load();
  if (!loaded_) return;  // its load handler unloaded it again

  shown_ = true;
  TakeOwner(reinterpret_cast<HWND>(owner));
  DisableThreadWindows();
  ShowWindow(hwnd_, SW_SHOWNORMAL);
  SetForegroundWindow(hwnd_);
  if (DialogControl* first = FirstInTabOrder()) {
    SendMessageW(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(first->hwnd), TRUE);
  }
  UpdateWindow(hwnd_);
  // Whatever ends the loop, Outlook's windows take input again.
  struct Reenable {
    DialogForm& form;
    ~Reenable() { form.EnableThreadWindows(); }
  } reenable{*this};
  RunModalLoop();
}

namespace {

// Collects the thread's top-level windows that are visible and take input (EnumThreadWindows
// calls back with the system's calling convention, which a lambda cannot have on 32-bit x86).
BOOL CALLBACK CollectEnabledWindow(HWND window, LPARAM windows) {
  if (IsWindowVisible(window) && IsWindowEnabled(window))
    reinterpret_cast<std::vector<HWND>*>(windows)->push_back(window);
  return TRUE;
}

}  // namespace

void DialogForm::TakeOwner(HWND owner) {
  // Only a window of this thread owns the form: one of another thread would tie the two
  // threads' input together.
  if (owner &&
      (!IsWindow(owner) || GetWindowThreadProcessId(owner, nullptr) != GetCurrentThreadId()))
    owner = nullptr;
  if (owner) owner = GetAncestor(owner, GA_ROOT);
  if (owner == hwnd_) owner = nullptr;
  owner_ = owner;
  SetWindowLongPtrW(hwnd_, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner_));
  RECT frame = {};
  if (!GetWindowRect(hwnd_, &frame)) return;
  const SIZE size = {frame.right - frame.left, frame.bottom - frame.top};
  const POINT at = owner_ ? CentredOn(owner_, size) : CentredPosition(size);
  SetWindowPos(hwnd_, nullptr, at.x, at.y, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
}

void DialogForm::DisableThreadWindows() {
  activeBefore_ = GetActiveWindow();
  std::vector<HWND> windows;
  EnumThreadWindows(GetCurrentThreadId(), CollectEnabledWindow, reinterpret_cast<LPARAM>(&windows));
  for (HWND window : windows) {
    if (window == hwnd_) continue;
    EnableWindow(window, FALSE);
    disabled_.push_back(window);
  }
}

void DialogForm::EnableThreadWindows() {
  for (HWND window : std::exchange(disabled_, {})) {
    if (IsWindow(window)) EnableWindow(window, TRUE);
  }
}

void DialogForm::RunModalLoop() {
  MSG msg;
  while (shown_) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == -1) break;
    if (got == 0) {
      // The host is quitting: the form closes as with its close box and the quit goes on to
      // the host's own loop.
      const int exitCode = static_cast<int>(msg.wParam);
      if (!UnloadWith(platform::vbFormControlMenu) && loaded_) Destroy();
      PostQuitMessage(exitCode);
      return;
    }
    bool used = false;
    for (const auto& c : controls_) {
      if (c->browser && c->browser->TranslateAccelerator(msg)) {
        used = true;
        break;
      }
    }
    if (used) continue;
    if (hwnd_ && IsDialogMessageW(hwnd_, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  // The loop only ends with the form gone; a broken message queue takes it down.
  if (shown_ && !UnloadWith(platform::vbFormControlMenu) && loaded_) Destroy();
}

void DialogForm::BringToFront() {
  if (!shown_ || !hwnd_) return;
  if (IsIconic(hwnd_)) ShowWindow(hwnd_, SW_RESTORE);
  // The dialog manager puts the focus back on the control that had it when it is activated.
  SetForegroundWindow(hwnd_);
  SetActiveWindow(hwnd_);
}

void DialogForm::Unload() {
  UnloadWith(platform::vbFormCode);
}

void DialogForm::RunBeside(std::function<bool()> work, std::function<void(bool)> answered) {
  if (!loaded_ || !hwnd_) Fail(err::kObjectNotSet, "The form is not loaded");
  if (AnswerMessage() == 0) {
    Fail(static_cast<int32_t>(HRESULT_FROM_WIN32(GetLastError())), "No message for the answer");
  }
  auto start = std::make_unique<BesideStart>();
  start->work = std::move(work);
  start->form = hwnd_;
  start->number = ++gLastWorkNumber;
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                          reinterpret_cast<LPCWSTR>(&BesideWorker), &start->module)) {
    Fail(static_cast<int32_t>(HRESULT_FROM_WIN32(GetLastError())), "The library is not known");
  }
  const uintptr_t number = start->number;
  awaited_[number] = std::move(answered);
  HANDLE thread = CreateThread(nullptr, 0, &BesideWorker, start.get(), 0, nullptr);
  if (!thread) {
    const DWORD error = GetLastError();
    awaited_.erase(number);
    FreeLibrary(start->module);
    Fail(static_cast<int32_t>(HRESULT_FROM_WIN32(error)), "No thread for the work");
  }
  start.release();  // the worker's now
  ::CloseHandle(thread);
}

bool DialogForm::UnloadWith(int32_t mode) {
  if (!loaded_ || unloading_) return false;
  std::shared_ptr<DialogForm> self = shared_from_this();
  unloading_ = true;
  bool cancel = false;
  Raise([&](platform::FormEvents& e) { e.OnQueryUnload(cancel, mode); });
  if (!cancel) Raise([&](platform::FormEvents& e) { e.OnUnload(cancel); });
  unloading_ = false;
  if (cancel || !loaded_) return false;
  Destroy();
  return true;
}

void DialogForm::Destroy() {
  destroying_ = true;
  awaited_.clear();  // answers still to come are dropped
  for (const auto& c : controls_) {
    c->dead = true;
    if (c->browser) c->browser->Destroy();
  }
  loaded_ = false;
  shown_ = false;
  // Outlook's windows are enabled before the form goes, so that the activation goes back to
  // them (to the owner first) and not to another program.
  EnableThreadWindows();
  const bool hadFocus = hwnd_ && GetActiveWindow() == hwnd_;
  if (HWND hwnd = std::exchange(hwnd_, nullptr)) DestroyWindow(hwnd);
  HWND before = std::exchange(activeBefore_, nullptr);
  if (HWND owner = std::exchange(owner_, nullptr); owner && IsWindow(owner)) before = owner;
  if (hadFocus && before && IsWindow(before) && IsWindowEnabled(before)) {
    SetActiveWindow(before);
  }
  for (const auto& c : controls_)
    c->hwnd = nullptr;
  if (font_) DeleteObject(std::exchange(font_, nullptr));
  destroying_ = false;
}

// ---- Focus and message boxes --------------------------------------------------------------------

void DialogForm::SetFocus(const std::string& control) {
  DialogControl& c = Find(control);
  // Only an enabled control of a visible form can take the focus.
  if (!shown_ || !Focusable(c)) Fail(err::kInvalidCall, "Invalid procedure call or argument");
  SendMessageW(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(c.hwnd), TRUE);
}

int32_t DialogForm::MsgBox(const std::string& prompt, uint32_t buttons, const std::string& title) {
  std::shared_ptr<DialogForm> self = shared_from_this();
  // Owned by the form, which it disables while it is up.
  HWND owner = loaded_ ? hwnd_ : nullptr;
  const int answer =
      MessageBoxW(owner, Widen(prompt).c_str(), Widen(title).c_str(), static_cast<UINT>(buttons));
  if (answer == 0) {
    Fail(static_cast<int32_t>(HRESULT_FROM_WIN32(GetLastError())), "The message box failed");
  }
  return answer;
}

}  // namespace zormint::win32

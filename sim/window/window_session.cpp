#include "sim/window/window_session.h"

#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <algorithm>
#include <sstream>

#include "sim/com/com_face.h"
#include "sim/window/window_frames.h"
#include "win32/com/failure.h"
#include "win32/com/text.h"

namespace zormint::sim {

namespace {

constexpr UINT kSettle = WM_APP + 20;
constexpr UINT_PTR kViewerTimer = 1;
constexpr UINT kViewerPollMs = 250;
const wchar_t kSessionClass[] = L"ZormintSimSession";

std::string Quoted(const std::string& text) {
  return "\"" + text + "\"";
}

bool Contains(const std::vector<int>& ids, int id) {
  return std::find(ids.begin(), ids.end(), id) != ids.end();
}

// The last argument of a command line: the file a viewer was started on.
std::string LastArgument(const std::string& commandLine) {
  std::string line = commandLine;
  while (!line.empty() && line.back() == ' ')
    line.pop_back();
  if (!line.empty() && line.back() == '"') {
    const size_t open = line.rfind('"', line.size() - 2);
    if (open != std::string::npos) return line.substr(open + 1, line.size() - open - 2);
  }
  const size_t blank = line.rfind(' ');
  return blank == std::string::npos ? line : line.substr(blank + 1);
}

}  // namespace

// Counts the events running; when one ends the toolbars are redrawn, and the session settles
// (closed windows are destroyed, Outlook exits after its last window) once none runs.
class EventScope {
 public:
  explicit EventScope(WindowSession& session) : session_(session) { ++session_.depth_; }
  ~EventScope() {
    --session_.depth_;
    session_.RedrawToolbars();
    if (!session_.settlePosted_ && session_.messages_) {
      session_.settlePosted_ = true;
      PostMessageW(session_.messages_, kSettle, 0, 0);
    }
  }
  EventScope(const EventScope&) = delete;
  EventScope& operator=(const EventScope&) = delete;

 private:
  WindowSession& session_;
};

WindowSession::WindowSession(std::ostream& transcript, const std::filesystem::path& manifest)
    : out_(transcript), story_(std::make_unique<Story>(transcript, manifest)) {
  INITCOMMONCONTROLSEX controls = {sizeof controls,
                                   ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  NONCLIENTMETRICSW metrics = {};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  font_ = CreateFontIndirectW(&metrics.lfMessageFont);
  LOGFONTW bold = metrics.lfMessageFont;
  bold.lfWeight = FW_BOLD;
  boldFont_ = CreateFontIndirectW(&bold);

  static bool registered = false;
  if (!registered) {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = SessionProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kSessionClass;
    registered = RegisterClassExW(&windowClass) != 0;
  }
  messages_ = CreateWindowExW(0, kSessionClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              GetModuleHandleW(nullptr), this);
  if (messages_) SetTimer(messages_, kViewerTimer, kViewerPollMs, nullptr);
}

WindowSession::~WindowSession() {
  if (!finished_) Finish();
  frames_.clear();
  if (messages_) {
    KillTimer(messages_, kViewerTimer);
    SetWindowLongPtrW(messages_, GWLP_USERDATA, 0);
    DestroyWindow(messages_);
  }
  if (font_) DeleteObject(font_);
  if (boldFont_) DeleteObject(boldFont_);
}

LRESULT CALLBACK WindowSession::SessionProc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
  if (message == WM_NCCREATE) {
    SetWindowLongPtrW(
        window, GWLP_USERDATA,
        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
  }
  auto* session = reinterpret_cast<WindowSession*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  const bool own = message == kSettle || (message == WM_TIMER && wParam == kViewerTimer);
  if (!session || !own) return DefWindowProcW(window, message, wParam, lParam);
  // A failure of the simulation goes into the transcript; nothing unwinds into Windows.
  return win32::GuardedCall("WindowSession", LRESULT{0}, [&]() -> LRESULT {
    try {
      if (message == kSettle) {
        session->Settle();
      } else {
        session->WatchViewers();
      }
    } catch (...) {
      session->out_ << "  the simulated Outlook failed: " << win32::DescribeCaught().description
                    << "\n";
    }
    return 0;
  });
}

bool WindowSession::Start(const std::string& folder) {
  FolderId folderId = 0;
  try {
    folderId = Messages().Folder(folder);
  } catch (const std::exception& e) {
    out_ << "outlook-sim: " << e.what() << "\n";
    return false;
  }
  if (!Command("open-explorer " + Quoted(folder), nullptr)) return false;
  const std::vector<ExplorerId> explorers = Model().OpenExplorers();
  if (explorers.empty()) return false;
  auto frame = std::make_unique<ExplorerFrame>(*this, explorers.back(), folderId);
  if (!frame->Create({40, 30, 40 + 900, 30 + 600})) {
    out_ << "outlook-sim: the main window cannot be made\n";
    return false;
  }
  frames_.push_back(std::move(frame));
  Command("start", frames_.back().get());

  // What Outlook loaded, on the status bar.
  std::wstring loaded;
  for (const HostedAddin& addin : story_->Host().Addins()) {
    std::wstring name =
        addin.entry.friendlyName.empty() ? addin.entry.progId : addin.entry.friendlyName;
    if (!loaded.empty()) loaded += L"; ";
    if (FAILED(addin.created)) {
      loaded += L"add-in " + name + L" cannot be created";
      continue;
    }
    wchar_t ms[32];
    swprintf(ms, 32, L"%.1f", addin.connectionMs);
    loaded += L"add-in " + name + L" connected in " + ms + L" ms";
  }
  frames_.back()->SetStatus(loaded.empty() ? L"No add-in is registered to load at start-up"
                                           : loaded);
  RedrawToolbars();
  return true;
}

int WindowSession::Run() {
  running_ = true;
  MSG message;
  while (!finished_ && GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  running_ = false;
  return Finish();
}

int WindowSession::Finish() {
  if (finished_) return exitCode_;
  WatchViewers();  // the viewers that reported since the last look
  finished_ = true;
  exitCode_ = story_->Finish();
  out_.flush();
  if (running_) PostQuitMessage(exitCode_);
  return exitCode_;
}

Frame* WindowSession::FrameOf(WindowRef window) const {
  for (const auto& frame : frames_) {
    if (frame->Window().kind == window.kind && frame->Window().id == window.id) {
      return frame.get();
    }
  }
  return nullptr;
}

HWND WindowSession::WindowOf(WindowRef window) const {
  Frame* frame = FrameOf(window);
  return frame && !frame->Closed() ? frame->Handle() : nullptr;
}

std::string WindowSession::NameOf(WindowRef window) const {
  return (window.kind == WindowRef::kExplorer ? "explorer" : "inspector") +
         std::to_string(window.id);
}

std::string WindowSession::FolderName(FolderId folder) const {
  for (const auto& [name, id] : Messages().folders) {
    if (id == folder) return name;
  }
  return std::string();
}

bool WindowSession::Command(const std::string& line, Frame* from) {
  if (finished_) return false;
  EventScope scope(*this);
  const bool done = story_->Command(line);
  out_.flush();
  if (!done && from && !from->Closed()) {
    from->SetStatus(L"The simulated Outlook could not do this: " + win32::Widen(line));
  }
  return done;
}

void WindowSession::Click(Frame& from, const ControlView& control) {
  if (finished_ || from.Closed()) return;
  if (control.tag.empty()) {
    from.SetStatus(
        L"\"" + CommandBarStrip::PlainCaption(control.caption) +
        L"\" is one of Outlook's own buttons: the simulated Outlook does nothing for it");
    return;
  }
  EventScope scope(*this);
  const WindowRef window = from.Window();
  out_ << "> click " << NameOf(window) << " " << Quoted(control.tag) << "\n";
  out_.flush();
  bool clicked = false;
  try {
    clicked = Model().Click(window, control.tag);
  } catch (const std::exception& e) {
    out_ << "  error: " << e.what() << "\n";
  }
  const std::wstring what = control.tooltipText.empty()
                                ? CommandBarStrip::PlainCaption(control.caption)
                                : win32::Widen(control.tooltipText);
  if (!clicked) {
    out_ << "  the button " << Quoted(control.tag) << " is disabled: nothing happens\n";
    if (!from.Closed()) from.SetStatus(L"\"" + what + L"\" is disabled");
  } else {
    out_ << "  clicked " << Quoted(control.tag) << "\n";
    story_->ShowWorkingFolders();
    lastClicked_ = window;
    if (!from.Closed()) from.SetStatus(L"\"" + what + L"\" clicked");
  }
  out_.flush();
}

std::vector<ControlView> WindowSession::RibbonControls(WindowRef window) {
  std::vector<ControlView> controls;
  std::vector<ShownRibbonButton> buttons;
  try {
    buttons = story_->Ribbon().Buttons(window);
  } catch (const std::exception&) {
    return controls;  // a window the model no longer knows
  }
  std::string group;
  for (const ShownRibbonButton& shown : buttons) {
    const RibbonButton& button = shown.button;
    if (button.place != "TabMail" && button.place != "TabReadMessage") continue;
    if (button.group != group) {  // the group's name, as the ribbon writes it under the group
      group = button.group;
      ControlView name;
      name.type = 0;  // not a button: drawn by its caption, never pressed
      name.caption = group + ":";
      name.enabled = false;
      name.beginGroup = true;
      controls.push_back(name);
    }
    ControlView control;
    control.addedByAddIn = true;
    control.caption = button.label;
    control.tag = button.id;
    control.tooltipText = button.screentip;
    control.enabled = shown.enabled;
    control.style = 3;  // a large ribbon button: its picture and its label
    if (const RibbonPicture* picture = shown.picture.get()) {
      // Drawn on the window's colour: the picture's alpha (premultiplied) decides the mix.
      const COLORREF ground = GetSysColor(COLOR_BTNFACE);
      const uint32_t back[3] = {GetRValue(ground), GetGValue(ground), GetBValue(ground)};
      std::vector<uint32_t> pixels;
      pixels.reserve(picture->pixels.size());
      for (uint32_t pixel : picture->pixels) {
        const uint32_t a = pixel >> 24;
        uint32_t mixed = 0;
        for (int channel = 0; channel < 3; ++channel) {
          const uint32_t c = (pixel >> (16 - 8 * channel)) & 0xFF;
          mixed = (mixed << 8) | std::min<uint32_t>(255, c + back[channel] * (255 - a) / 255);
        }
        pixels.push_back(mixed);
      }
      control.picture = std::make_shared<com::BitmapFace>(picture->width, picture->height,
                                                          picture->bitsPerPixel, pixels);
    }
    controls.push_back(control);
  }
  return controls;
}

void WindowSession::RibbonClick(Frame& from, const ControlView& control) {
  if (finished_ || from.Closed() || control.tag.empty()) return;
  EventScope scope(*this);
  const WindowRef window = from.Window();
  const std::wstring what =
      win32::Widen(control.tooltipText.empty() ? control.caption : control.tooltipText);
  if (Command("ribbon-click " + NameOf(window) + " " + control.tag, &from)) {
    lastClicked_ = window;
    if (!from.Closed()) from.SetStatus(L"\"" + what + L"\" clicked on the ribbon");
  }
}

void WindowSession::OpenInspector(ItemId item, Frame* from) {
  const MailboxMessage* message = Messages().MessageWithId(item);
  if (!message) return;
  const std::vector<InspectorId> before = Model().OpenInspectors();
  if (!Command("open-inspector " + Quoted(message->name), from)) return;
  for (InspectorId id : Model().OpenInspectors()) {
    if (Contains(before, id)) continue;
    const int step = 30 * (inspectorsOpened_++ % 8);
    auto frame = std::make_unique<InspectorFrame>(*this, id, item);
    if (!frame->Create({120 + step, 90 + step, 120 + step + 640, 90 + step + 430})) {
      if (from) from->SetStatus(L"The message window cannot be made");
      continue;
    }
    frame->RedrawToolbar();
    frames_.push_back(std::move(frame));
  }
}

void WindowSession::Close(Frame& frame) {
  if (frame.Closed()) return;
  const WindowRef window = frame.Window();
  if (finished_) {
    frame.MarkClosed();
    return;
  }
  if (!Command("close " + NameOf(window), &frame)) return;
  const bool open = window.kind == WindowRef::kExplorer
                        ? Contains(Model().OpenExplorers(), window.id)
                        : Contains(Model().OpenInspectors(), window.id);
  if (open) {
    frame.SetStatus(L"The item refused to close: the window stays open");
  } else {
    frame.MarkClosed();
  }
}

void WindowSession::Activate(Frame& frame, bool active) {
  if (finished_ || frame.Closed() || frame.Active() == active) return;
  frame.SetActive(active);
  const std::string name = NameOf(frame.Window());
  if (frame.Window().kind == WindowRef::kInspector) {
    Command((active ? "activate " : "deactivate ") + name, &frame);
  } else if (active) {  // Explorers tell only their activation
    Command("activate " + name, &frame);
  }
}

void WindowSession::RedrawToolbars() {
  for (const auto& frame : frames_) {
    if (!frame->Closed()) frame->RedrawToolbar();
  }
}

void WindowSession::Settle() {
  settlePosted_ = false;
  if (depth_ > 0) return;  // the event that ends last settles
  frames_.erase(std::remove_if(frames_.begin(), frames_.end(),
                               [](const std::unique_ptr<Frame>& frame) { return frame->Closed(); }),
                frames_.end());
  if (frames_.empty() && story_->Started() && !finished_) Finish();
}

void WindowSession::WatchViewers() {
  if (finished_) return;
  for (const std::string& start : story_->NewViewerStarts()) {
    std::vector<std::string> fields;
    std::istringstream in(start);
    for (std::string field; std::getline(in, field, '\t');)
      fields.push_back(field);
    const std::string commandLine = fields.empty() ? start : fields[0];
    out_ << "  viewer started: " << commandLine << "\n";
    if (fields.size() > 1) out_ << "    in the folder " << fields[1] << "\n";
    if (fields.size() > 2) out_ << "    its file: " << fields[2] << "\n";
    out_.flush();
    if (Frame* frame = FrameOf(lastClicked_); frame && !frame->Closed()) {
      std::wstring text = L"Viewer started on " + win32::Widen(LastArgument(commandLine));
      if (fields.size() > 2) text += L" (" + win32::Widen(fields[2]) + L")";
      frame->SetStatus(text);
    }
  }
}

}  // namespace zormint::sim

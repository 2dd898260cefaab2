#include "sim/session/story.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>

#include "win32/com/text.h"

namespace zormint::sim {

namespace {

// The message boxes that appear on one thread while a user's click runs there: each is read
// (title and text) and answered with OK, as the user would, from a thread of its own.
class MessageBoxWatcher {
 public:
  MessageBoxWatcher() : thread_(GetCurrentThreadId()) {
    watcher_ = std::thread([this] {
      while (!done_) {
        EnumThreadWindows(thread_, &MessageBoxWatcher::Visit, reinterpret_cast<LPARAM>(this));
        Sleep(20);
      }
    });
  }
  ~MessageBoxWatcher() { Stop(); }
  // Stops watching; the boxes seen, each as "\"<title>\": <text>".
  std::vector<std::string> Stop() {
    done_ = true;
    if (watcher_.joinable()) watcher_.join();
    std::lock_guard<std::mutex> lock(mutex_);
    return seen_;
  }

 private:
  static BOOL CALLBACK Visit(HWND window, LPARAM self) {
    auto& watcher = *reinterpret_cast<MessageBoxWatcher*>(self);
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    // A message box is a dialog whose text is the static control 0xFFFF.
    HWND text = GetDlgItem(window, 0xFFFF);
    if (std::wstring(className) != L"#32770" || !text || !IsWindowVisible(window)) return TRUE;
    if (!watcher.answered_.insert(window).second) return TRUE;
    wchar_t buffer[1024] = {};
    GetWindowTextW(window, buffer, 1024);
    std::string seen = "\"" + win32::Narrow(std::wstring(buffer)) + "\": ";
    GetWindowTextW(text, buffer, 1024);
    seen += win32::Narrow(std::wstring(buffer));
    {
      std::lock_guard<std::mutex> lock(watcher.mutex_);
      watcher.seen_.push_back(seen);
    }
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return TRUE;
  }

  DWORD thread_;
  std::atomic<bool> done_{false};
  std::set<HWND> answered_;
  std::mutex mutex_;
  std::vector<std::string> seen_;
  std::thread watcher_;
};

void ShowMessageBoxes(std::ostream& out, const std::vector<std::string>& boxes) {
  for (const std::string& box : boxes)
    out << "  message box " << box << "\n";
}

std::string Utf8(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

std::string Quoted(const std::string& text) {
  return "\"" + text + "\"";
}

std::string Hex(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
  return text;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

// explorer<N> / inspector<N> -> N, or 0.
int NumberAfter(const std::string& word, const std::string& prefix) {
  if (!StartsWith(word, prefix) || word.size() == prefix.size()) return 0;
  int number = 0;
  for (size_t i = prefix.size(); i < word.size(); ++i) {
    if (word[i] < '0' || word[i] > '9' || number > 100000) return 0;
    number = number * 10 + (word[i] - '0');
  }
  return number;
}

int32_t FaultCode(const std::string& word) {
  if (word == "E_FAIL") return static_cast<int32_t>(E_FAIL);
  if (word == "RPC_E_CALL_REJECTED") return static_cast<int32_t>(RPC_E_CALL_REJECTED);
  if (word == "DISP_E_EXCEPTION") return static_cast<int32_t>(DISP_E_EXCEPTION);
  if (StartsWith(word, "0x") || StartsWith(word, "0X")) {
    return static_cast<int32_t>(std::stoul(word.substr(2), nullptr, 16));
  }
  return std::stoi(word);
}

std::string StyleText(int32_t style) {
  switch (style) {
    case 0:
      return "";
    case 1:
      return "icon only";
    case 2:
      return "caption only";
    case 3:
      return "icon and caption";
    default:
      return "style " + std::to_string(style);
  }
}

std::string ReadAll(const std::wstring& path) {
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  if (!in) return std::string();
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

std::wstring TemporaryFolder() {
  wchar_t buffer[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
  return std::wstring(buffer, length);
}

}  // namespace

std::wstring ViewerLogPath() {
  wchar_t buffer[32768];
  const DWORD length = GetEnvironmentVariableW(L"ZORMINT_VIEWER_LOG", buffer, 32768);
  if (length == 0 || length >= 32768) return std::wstring();
  return std::wstring(buffer, length);
}

Story::Story(std::ostream& out, const std::filesystem::path& manifest)
    : out_(out), outlook_(Outlook::Create()) {
  mailbox_ = LoadMailbox(*outlook_, manifest);
  host_ = std::make_unique<AddinHost>(*outlook_);
  const std::wstring log = ViewerLogPath();
  if (!log.empty()) viewerLinesSeen_ = Lines(ReadAll(log)).size();
}

Story::~Story() = default;

int Story::Run(const std::vector<std::string>& lines) {
  bool saysStart = false;
  for (const std::string& line : lines) {
    try {
      std::vector<std::string> words = SplitWords(line);
      if (!words.empty() && words[0] == "start") saysStart = true;
    } catch (...) {
    }
  }
  if (!saysStart) Command("start");
  for (const std::string& line : lines) {
    if (!Command(line)) return 2;
    if (fastShutdown_) return 0;
  }
  return Finish();
}

bool Story::Command(const std::string& line) {
  std::vector<std::string> words;
  try {
    words = SplitWords(line);
  } catch (const std::exception& e) {
    out_ << "> " << line << "\n  cannot read this line: " << e.what() << "\n";
    return false;
  }
  if (words.empty()) return true;
  out_ << "> " << line.substr(line.find_first_not_of(" \t")) << "\n";
  const std::string& verb = words[0];
  try {
    if (finished_) throw std::runtime_error("Outlook has exited");
    auto need = [&](size_t count) {
      if (words.size() < count) throw std::runtime_error("too few words for " + verb);
    };
    if (verb == "start") {
      if (words.size() > 1 && words[1] != "after-startup") {
        throw std::runtime_error("start takes only after-startup");
      }
      Start(words.size() > 1 ? ext_cm_AfterStartup : ext_cm_Startup);
    } else if (verb == "open-explorer") {
      need(2);
      const FolderId folder = mailbox_.Folder(words[1]);
      const ExplorerId id = outlook_->OpenExplorer(folder);
      explorerFolder_[id] = folder;
      activeExplorer_ = id;
      out_ << "  explorer" << id << " opens on " << Quoted(words[1]) << "\n";
    } else if (verb == "switch-folder") {
      size_t next = 1;
      const ExplorerId id = ExplorerOrActive(words, next);
      if (next >= words.size()) throw std::runtime_error("switch-folder needs a folder");
      const FolderId folder = mailbox_.Folder(words[next]);
      outlook_->SwitchFolder(id, folder);
      explorerFolder_[id] = folder;
      explorerSelection_[id].clear();
    } else if (verb == "select") {
      size_t next = 1;
      const ExplorerId id = ExplorerOrActive(words, next);
      std::vector<ItemId> items;
      for (; next < words.size(); ++next)
        items.push_back(mailbox_.Message(words[next]).id);
      outlook_->Select(id, items);
      explorerSelection_[id] = items;
    } else if (verb == "view-switch") {
      size_t next = 1;
      outlook_->SwitchView(ExplorerOrActive(words, next));
    } else if (verb == "activate") {
      need(2);
      const WindowRef window = Window(words[1]);
      if (window.kind == WindowRef::kExplorer) {
        outlook_->ActivateExplorer(window.id);
        activeExplorer_ = window.id;
      } else {
        outlook_->ActivateInspector(window.id);
      }
    } else if (verb == "deactivate") {
      need(2);
      const WindowRef window = Window(words[1]);
      if (window.kind != WindowRef::kInspector) {
        throw std::runtime_error("only an Inspector is deactivated here");
      }
      outlook_->DeactivateInspector(window.id);
    } else if (verb == "open-inspector") {
      need(2);
      const ItemId item = mailbox_.Message(words[1]).id;
      const bool wordMail = words.size() > 2 && words[2] == "wordmail";
      const InspectorId id = outlook_->OpenInspector(item, wordMail);
      Ribbon().MessageWindowOpened();
      inspectorItem_[id] = item;
      out_ << "  inspector" << id << " opens on " << MessageText(item)
           << (wordMail ? " in the word-processor editor" : "") << "\n";
    } else if (verb == "move-inspector") {
      need(3);
      const WindowRef window = Window(words[1]);
      if (window.kind != WindowRef::kInspector) throw std::runtime_error("not an Inspector");
      const ItemId item = mailbox_.Message(words[2]).id;
      outlook_->MoveInspector(window.id, item);
      inspectorItem_[window.id] = item;
    } else if (verb == "close") {
      need(2);
      const WindowRef window = Window(words[1]);
      if (window.kind == WindowRef::kExplorer) {
        outlook_->CloseExplorer(window.id);
        const std::vector<ExplorerId> open = outlook_->OpenExplorers();
        if (activeExplorer_ == window.id) activeExplorer_ = open.empty() ? 0 : open.back();
      } else {
        outlook_->CloseInspector(window.id);
        const std::vector<InspectorId> open = outlook_->OpenInspectors();
        if (std::find(open.begin(), open.end(), window.id) != open.end()) {
          out_ << "  the window stays open: its item refused to close\n";
        }
      }
    } else if (verb == "click") {
      need(3);
      Click(words);
    } else if (verb == "ribbon") {
      need(2);
      ShowRibbon(Window(words[1]));
    } else if (verb == "ribbon-click") {
      need(3);
      RibbonClick(words);
    } else if (verb == "attachment-select") {
      need(2);
      std::vector<int32_t> positions;
      for (size_t i = 2; i < words.size(); ++i)
        positions.push_back(std::stoi(words[i]));
      outlook_->SelectAttachments(Window(words[1]), positions);
    } else if (verb == "outlook-version") {
      need(2);
      if (started_) throw std::runtime_error("the version is set before start");
      const int major = std::stoi(words[1]);
      outlook_->SetVersion(std::to_string(major) + ".0.0.0");
      Ribbon().SetVersion(major);
    } else if (verb == "fail") {
      need(2);
      const int32_t code = words.size() > 2 ? FaultCode(words[2]) : static_cast<int32_t>(E_FAIL);
      const int nth = words.size() > 3 ? std::stoi(words[3]) : 0;
      outlook_->Faults().FailMember(words[1], nth, code);
      out_ << "  " << words[1] << " fails with " << Hex(code)
           << (nth ? " on call " + std::to_string(nth) : std::string(" on every call")) << "\n";
    } else if (verb == "clear-faults") {
      outlook_->Faults().ClearFaults();
    } else if (verb == "viewer-wait") {
      need(2);
      viewerWaitMs_ = std::stoi(words[1]);
    } else if (verb == "show") {
      Show();
    } else if (verb == "switch-off") {
      bool any = false;
      std::vector<std::wstring> progIds;
      for (const HostedAddin& addin : host_->Addins()) {
        if (addin.active) progIds.push_back(addin.entry.progId);
      }
      for (const std::wstring& progId : progIds) {
        if (words.size() > 1 &&
            CompareStringOrdinal(progId.c_str(), -1, win32::Widen(words[1]).c_str(), -1, TRUE) !=
                CSTR_EQUAL) {
          continue;
        }
        out_ << "  the user switches " << win32::Narrow(progId)
             << " off: OnDisconnection(ext_dm_UserClosed)\n";
        host_->SwitchOff(progId);
        any = true;
      }
      if (!any) throw std::runtime_error("no connected add-in to switch off");
    } else if (verb == "shutdown") {
      out_ << "  Outlook exits: OnBeginShutdown, then OnDisconnection(ext_dm_HostShutdown)\n";
      host_->Shutdown();
    } else if (verb == "fast-shutdown") {
      const std::string how = words.size() > 1 ? words[1] : std::string();
      if (how == "exit") {
        fastShutdownMode_ = FastShutdown::kExit;
      } else if (how == "release") {
        fastShutdownMode_ = FastShutdown::kRelease;
      } else if (!how.empty()) {
        throw std::runtime_error("fast-shutdown takes exit or release");
      }
      out_ << "  Outlook exits at once (fast shutdown): its add-ins are not disconnected\n";
      if (fastShutdownMode_ == FastShutdown::kRelease) {
        out_ << "  the host lets go of its add-ins\n";
        host_->Abandon();
      }
      host_->ReleaseApplication();
      out_ << "  they still hold " << outlook_->LiveReferences()
           << " references to Outlook objects and " << outlook_->ConnectedSinks()
           << " event connections, which end with the process\n";
      fastShutdown_ = true;
      finished_ = true;
    } else {
      throw std::runtime_error("unknown command " + Quoted(verb));
    }
    ShowRibbonNews();
  } catch (const ZError& e) {
    out_ << "  error: " << e.Description() << "\n";
    return false;
  } catch (const std::exception& e) {
    out_ << "  error: " << e.what() << "\n";
    return false;
  }
  out_.flush();
  return true;
}

void Story::Start(ext_ConnectMode mode) {
  // The user may switch add-ins on again after switching them all off.
  for (const HostedAddin& addin : host_->Addins()) {
    if (addin.active) throw std::runtime_error("the add-ins are loaded already");
  }
  started_ = true;
  out_ << (mode == ext_cm_Startup ? "  Outlook loads its add-ins\n"
                                  : "  the user switches the add-ins on while Outlook runs\n");
  for (const AddinEntry& entry : ReadOutlookAddins()) {
    if (entry.loadBehavior != 3) {
      out_ << "  " << win32::Narrow(entry.progId) << ": LoadBehavior " << entry.loadBehavior
           << ", not loaded\n";
    }
  }
  // The host keeps the add-ins of earlier connections: report only the ones loaded now.
  const size_t earlier = host_->Addins().size();
  host_->Start(mode);
  const auto& addins = host_->Addins();
  if (addins.size() == earlier) out_ << "  no add-in is registered to load at start-up\n";
  for (size_t i = earlier; i < addins.size(); ++i) {
    const HostedAddin& addin = addins[i];
    out_ << "  " << win32::Narrow(addin.entry.progId);
    if (!addin.entry.friendlyName.empty()) {
      out_ << " (" << Quoted(win32::Narrow(addin.entry.friendlyName)) << ")";
    }
    if (FAILED(addin.created)) {
      out_ << ": cannot be created (" << Hex(addin.created) << ")\n";
      continue;
    }
    char ms[32];
    std::snprintf(ms, sizeof ms, "%.1f", addin.connectionMs);
    out_ << ": OnConnection took " << ms << " ms";
    if (FAILED(addin.connected)) out_ << " and answered " << Hex(addin.connected);
    out_ << "\n";
    if (addin.connectionMs > 1000) {
      out_ << "    slower than the second Outlook allows at start-up: Outlook would disable it\n";
    }
  }
}

void Story::ShowRibbonNews() {
  const std::vector<std::string> ids = Ribbon().TakeInvalidations();
  if (!ids.empty()) {
    out_ << "  ribbon controls invalidated:";
    for (const std::string& id : ids)
      out_ << " " << id;
    out_ << "\n";
  }
  for (const std::string& report : Ribbon().TakeReports())
    out_ << "  ribbon: " << report << "\n";
}

void Story::ShowRibbon(WindowRef window) {
  const std::vector<ShownRibbonButton> buttons = Ribbon().Buttons(window);
  if (buttons.empty()) {
    out_ << "    no add-in buttons on the ribbon\n";
    return;
  }
  for (const ShownRibbonButton& shown : buttons) {
    const RibbonButton& b = shown.button;
    out_ << "    ribbon " << b.place;
    if (!b.group.empty()) out_ << ", group " << Quoted(b.group);
    out_ << ": " << Quoted(b.label) << " (" << b.id;
    if (!b.size.empty()) out_ << ", " << b.size;
    if (!b.screentip.empty()) out_ << ", screentip " << Quoted(b.screentip);
    if (shown.picture) {
      out_ << ", picture " << shown.picture->width << "x" << shown.picture->height << " "
           << shown.picture->bitsPerPixel << "-bit";
    }
    out_ << ") " << (shown.enabled ? "enabled" : "disabled") << "\n";
  }
}

void Story::RibbonClick(const std::vector<std::string>& words) {
  const WindowRef window = Window(words[1]);
  RibbonButton button;
  MessageBoxWatcher boxes;
  const RibbonHost::Clicked clicked = Ribbon().Click(window, words[2], &button);
  const std::vector<std::string> seen = boxes.Stop();
  switch (clicked) {
    case RibbonHost::Clicked::kNoSuchButton:
      out_ << "  " << words[1] << " has no ribbon button " << Quoted(words[2]) << "\n";
      return;
    case RibbonHost::Clicked::kDisabled:
      out_ << "  the ribbon button " << Quoted(button.id) << " is disabled: nothing happens\n";
      return;
    case RibbonHost::Clicked::kRan:
      out_ << "  clicked the ribbon button " << Quoted(button.id) << " on " << button.place << "\n";
      ShowMessageBoxes(out_, seen);
      break;
  }
  ShowClickOutcome();
}

ExplorerId Story::ExplorerOrActive(const std::vector<std::string>& words, size_t& next) const {
  if (next < words.size()) {
    if (const int id = NumberAfter(words[next], "explorer")) {
      ++next;
      if (!explorerFolder_.count(id)) throw std::runtime_error("no window " + words[next - 1]);
      return id;
    }
  }
  if (activeExplorer_ == 0) throw std::runtime_error("no Explorer is open");
  return activeExplorer_;
}

WindowRef Story::Window(const std::string& name) const {
  if (const int id = NumberAfter(name, "explorer")) {
    if (explorerFolder_.count(id)) return {WindowRef::kExplorer, id};
  }
  if (const int id = NumberAfter(name, "inspector")) {
    if (inspectorItem_.count(id)) return {WindowRef::kInspector, id};
  }
  throw std::runtime_error("no window " + Quoted(name));
}

std::string Story::MessageText(ItemId id) const {
  const MailboxMessage* message = mailbox_.MessageWithId(id);
  if (!message) return "item " + std::to_string(id);
  return message->name + " " + Quoted(message->subject);
}

void Story::Click(const std::vector<std::string>& words) {
  const WindowRef window = Window(words[1]);
  const std::string& wanted = words[2];
  std::string tag;
  for (const std::string& bar : outlook_->BarNames(window)) {
    for (const ControlView& control : outlook_->Controls(window, bar)) {
      if (!tag.empty()) break;
      if (control.tag == wanted ||
          (!control.tag.empty() && (control.caption == wanted || control.tooltipText == wanted))) {
        tag = control.tag;
      }
    }
  }
  if (tag.empty()) {
    out_ << "  " << words[1] << " has no button " << Quoted(wanted) << "\n";
    return;
  }
  MessageBoxWatcher boxes;
  const bool ran = outlook_->Click(window, tag);
  const std::vector<std::string> seen = boxes.Stop();
  if (!ran) {
    out_ << "  the button " << Quoted(tag) << " is disabled: nothing happens\n";
    return;
  }
  out_ << "  clicked " << Quoted(tag) << "\n";
  ShowMessageBoxes(out_, seen);
  ShowClickOutcome();
}

void Story::ShowClickOutcome() {
  // The viewer is a process of its own: give it time to start and report.
  std::vector<std::string> starts = NewViewerStarts();
  for (int waited = 0; starts.empty() && waited < viewerWaitMs_; waited += 50) {
    Sleep(50);
    starts = NewViewerStarts();
  }
  if (starts.empty()) out_ << "  no viewer started\n";
  for (const std::string& start : starts) {
    std::vector<std::string> fields;
    std::istringstream in(start);
    for (std::string field; std::getline(in, field, '\t');)
      fields.push_back(field);
    out_ << "  viewer started: " << (fields.empty() ? start : fields[0]) << "\n";
    if (fields.size() > 1) out_ << "    in the folder " << fields[1] << "\n";
    if (fields.size() > 2) out_ << "    its file: " << fields[2] << "\n";
  }
  ShowWorkingFolders();
}

std::vector<std::string> Story::NewViewerStarts() {
  const std::wstring log = ViewerLogPath();
  if (log.empty()) return {};
  std::vector<std::string> lines = Lines(ReadAll(log));
  if (lines.size() <= viewerLinesSeen_) return {};
  std::vector<std::string> fresh(lines.begin() + static_cast<std::ptrdiff_t>(viewerLinesSeen_),
                                 lines.end());
  viewerLinesSeen_ = lines.size();
  return fresh;
}

void Story::ShowWorkingFolders() {
  namespace fs = std::filesystem;
  const fs::path temp(TemporaryFolder());
  std::vector<fs::path> folders;
  std::error_code ec;
  for (fs::directory_iterator it(temp, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = Utf8(it->path().filename());
    if (StartsWith(name, "ZORMINT$") && it->is_directory(ec)) folders.push_back(it->path());
  }
  std::sort(folders.begin(), folders.end());
  if (folders.empty()) out_ << "  no working folder under " << Utf8(temp) << "\n";
  for (const fs::path& folder : folders) {
    out_ << "  working folder " << Utf8(folder) << "\n";
    std::vector<std::pair<std::string, uintmax_t>> files;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
      files.emplace_back(Utf8(it->path().filename()),
                         it->is_regular_file(ec) ? it->file_size(ec) : 0);
    }
    std::sort(files.begin(), files.end());
    if (files.empty()) out_ << "    (empty)\n";
    for (const auto& [name, size] : files)
      out_ << "    " << name << "  " << size << " bytes\n";
  }
}

void Story::Show() {
  const std::vector<ExplorerId> explorers = outlook_->OpenExplorers();
  const std::vector<InspectorId> inspectors = outlook_->OpenInspectors();
  if (explorers.empty() && inspectors.empty()) out_ << "  no Outlook window is open\n";
  for (ExplorerId id : explorers) {
    std::string folderName;
    for (const auto& [name, folder] : mailbox_.folders) {
      if (folder == explorerFolder_[id]) folderName = name;
    }
    out_ << "  explorer" << id << ": Explorer on " << Quoted(folderName)
         << (id == activeExplorer_ ? " (active)" : "") << "; selected: ";
    const std::vector<ItemId>& selection = explorerSelection_[id];
    if (selection.empty()) out_ << "nothing";
    for (size_t i = 0; i < selection.size(); ++i)
      out_ << (i ? ", " : "") << MessageText(selection[i]);
    out_ << "\n";
    ShowButtons({WindowRef::kExplorer, id});
    ShowRibbon({WindowRef::kExplorer, id});
  }
  for (InspectorId id : inspectors) {
    out_ << "  inspector" << id << ": Inspector on " << MessageText(inspectorItem_[id]) << "\n";
    ShowButtons({WindowRef::kInspector, id});
    ShowRibbon({WindowRef::kInspector, id});
  }
}

void Story::ShowButtons(WindowRef window) {
  bool any = false;
  for (const std::string& bar : outlook_->BarNames(window)) {
    if (bar.empty()) continue;
    const std::vector<ControlView> controls = outlook_->Controls(window, bar);
    if (std::none_of(controls.begin(), controls.end(),
                     [](const ControlView& c) { return c.addedByAddIn; })) {
      continue;
    }
    any = true;
    out_ << "    bar " << Quoted(bar) << ":";
    for (const ControlView& control : controls) {
      out_ << (control.beginGroup ? " |" : "") << " "
           << (control.caption.empty() ? "[" + control.tooltipText + "]" : Quoted(control.caption));
    }
    out_ << "\n";
    for (const ControlView& control : controls) {
      if (!control.addedByAddIn) continue;
      std::vector<std::string> parts;
      if (control.type != host::kMsoControlButton) {
        parts.push_back("control type " + std::to_string(control.type));
      }
      if (control.beginGroup) parts.push_back("group separator before it");
      if (!StyleText(control.style).empty()) parts.push_back(StyleText(control.style));
      if (!control.caption.empty()) parts.push_back("caption " + Quoted(control.caption));
      if (auto* face = dynamic_cast<const SimPicture*>(control.picture.get())) {
        std::string text =
            "face " + std::to_string(face->width) + "x" + std::to_string(face->height);
        if (face->bitsPerPixel) text += ", " + std::to_string(face->bitsPerPixel) + "-bit";
        parts.push_back(text);
      }
      if (!control.tooltipText.empty()) parts.push_back("tooltip " + Quoted(control.tooltipText));
      parts.push_back("tag " + Quoted(control.tag));
      if (!control.onAction.empty()) parts.push_back("OnAction " + Quoted(control.onAction));
      parts.push_back(control.enabled ? "enabled" : "disabled");
      parts.push_back(control.temporary ? "temporary" : "permanent");
      out_ << "      add-in button:";
      for (size_t i = 0; i < parts.size(); ++i)
        out_ << (i ? "; " : " ") << parts[i];
      out_ << "\n";
    }
  }
  if (!any) out_ << "    no add-in buttons\n";
}

void Story::ReportHeld() {
  host_->ReleaseApplication();
  out_ << "Outlook has exited. What its add-ins still hold:\n"
       << "  references to Outlook objects: " << outlook_->LiveReferences();
  if (outlook_->LiveReferences() > 0) out_ << " (" << outlook_->DescribeLiveReferences() << ")";
  out_ << "\n  event connections: " << outlook_->ConnectedSinks() << "\n"
       << "  failed event calls: " << outlook_->EscapedExceptions() << "\n";
}

int Story::Finish() {
  if (fastShutdown_) return 0;
  if (finished_) return 0;
  const bool anyActive = std::any_of(host_->Addins().begin(), host_->Addins().end(),
                                     [](const HostedAddin& a) { return a.active; });
  if (anyActive) {
    out_ << "(end of the story: Outlook exits and disconnects its add-ins)\n";
    host_->Shutdown();
  }
  finished_ = true;
  ReportHeld();
  out_.flush();
  return outlook_->LiveReferences() == 0 && outlook_->ConnectedSinks() == 0 ? 0 : 1;
}

}  // namespace zormint::sim

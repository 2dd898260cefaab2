#include "sim/window/window_frames.h"

#include <algorithm>

#include "win32/com/failure.h"
#include "win32/com/text.h"

namespace zormint::sim {

namespace {

constexpr int kFolderPaneWidth = 190;
constexpr int kHeadingHeight = 22;
constexpr COLORREF kHeadingColour = RGB(0x4A, 0x6E, 0xA9);  // Outlook's blue folder banner

HBRUSH HeadingBrush() {
  static HBRUSH brush = CreateSolidBrush(kHeadingColour);
  return brush;
}

std::string Quoted(const std::string& text) {
  return "\"" + text + "\"";
}

HWND Child(HWND parent, const wchar_t* windowClass, DWORD style, int id, HFONT font,
           const wchar_t* text = L"", DWORD extended = 0) {
  HWND child = CreateWindowExW(extended, windowClass, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0,
                               0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                               GetModuleHandleW(nullptr), nullptr);
  if (child && font) SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return child;
}

// What Outlook calls an item of this class in an Inspector's title.
const wchar_t* KindOf(int32_t itemClass) {
  switch (itemClass) {
    case host::kOlMail:
      return L"Message";
    case host::kOlPost:
      return L"Post";
    case 40:
      return L"Contact";
    case 26:
      return L"Appointment";
    case 48:
      return L"Task";
    default:
      return L"Item";
  }
}

std::wstring Bytes(size_t size) {
  std::wstring digits = std::to_wstring(size);
  for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3)
    digits.insert(static_cast<size_t>(i), L",");
  return digits + (size == 1 ? L" byte" : L" bytes");
}

}  // namespace

// ---- Frame --------------------------------------------------------------------------------------

LRESULT CALLBACK FrameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* frame = static_cast<Frame*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    frame->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(frame));
  }
  auto* frame = reinterpret_cast<Frame*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    if (frame) frame->hwnd_ = nullptr;
  }
  if (!frame || message == WM_NCDESTROY) return DefWindowProcW(hwnd, message, wParam, lParam);
  // A failure of the simulation shows on the window's status bar; nothing unwinds into Windows.
  return win32::GuardedCall("Frame.OnMessage", LRESULT{0}, [&]() -> LRESULT {
    try {
      return frame->OnMessage(message, wParam, lParam);
    } catch (...) {
      const std::string why = win32::DescribeCaught().description;
      frame->SetStatus(L"The simulated Outlook failed: " + win32::Widen(why));
      return 0;
    }
  });
}

const wchar_t kExplorerClass[] = L"ZormintSimExplorer";
const wchar_t kInspectorClass[] = L"ZormintSimInspector";

void RegisterFrameClasses() {
  static bool registered = false;
  if (registered) return;
  registered = true;
  for (const wchar_t* name : {kExplorerClass, kInspectorClass}) {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = FrameProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hIcon = LoadIconW(nullptr, MAKEINTRESOURCEW(32512));      // IDI_APPLICATION
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = name;
    RegisterClassExW(&windowClass);
  }
}

Frame::~Frame() {
  if (hwnd_ && IsWindow(hwnd_)) {
    // No message reaches this object while it goes.
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
}

bool Frame::CreateFrame(const wchar_t* windowClass, const std::wstring& title,
                        const RECT& placement) {
  RegisterFrameClasses();
  CreateWindowExW(0, windowClass, title.c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                  placement.left, placement.top, placement.right - placement.left,
                  placement.bottom - placement.top, nullptr, nullptr, GetModuleHandleW(nullptr),
                  this);
  if (!hwnd_) return false;
  // The Explorer or Inspector object answers IOleWindow with this window, as Outlook's do.
  try {
    session_.Model().SetWindowHandle(window_, reinterpret_cast<host::WindowHandle>(hwnd_));
  } catch (...) {
    return false;  // the model's window closed meanwhile
  }
  if (!strip_.Create(hwnd_, kToolbarId, session_.Font())) return false;
  if (!ribbon_.Create(hwnd_, kRibbonId, session_.Font(), false)) return false;
  status_ = Child(hwnd_, STATUSCLASSNAMEW, SBARS_SIZEGRIP, kStatusBarId, session_.Font());
  return status_ != nullptr;
}

void Frame::MarkClosed() {
  closed_ = true;
  if (hwnd_) ShowWindow(hwnd_, SW_HIDE);
}

void Frame::RedrawToolbar() {
  std::vector<ControlView> controls;
  try {
    const std::vector<std::string> bars = session_.Model().BarNames(window_);
    if (std::find(bars.begin(), bars.end(), "Standard") != bars.end()) {
      controls = session_.Model().Controls(window_, "Standard");
    }
  } catch (...) {
    controls.clear();  // a window the model does not know has no bar to draw
  }
  const bool toolbarChanged = strip_.Show(controls);
  const bool ribbonChanged = ribbon_.Show(session_.RibbonControls(window_));
  if (toolbarChanged || ribbonChanged) Relayout();
}

void Frame::SetStatus(const std::wstring& text) {
  if (status_) SendMessageW(status_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void Frame::Relayout() {
  if (!hwnd_) return;
  RECT client;
  GetClientRect(hwnd_, &client);
  int top = 0, bottom = client.bottom;
  if (HWND toolbar = strip_.Handle()) {
    SendMessageW(toolbar, TB_AUTOSIZE, 0, 0);
    RECT r;
    GetWindowRect(toolbar, &r);
    top = r.bottom - r.top;
  }
  if (HWND ribbon = ribbon_.Handle()) {
    const bool any = SendMessageW(ribbon, TB_BUTTONCOUNT, 0, 0) > 0;
    SIZE size = {};
    SendMessageW(ribbon, TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&size));
    const int height = any ? static_cast<int>(size.cy) + 6 : 0;
    MoveWindow(ribbon, 0, top, client.right, height, TRUE);
    ShowWindow(ribbon, any ? SW_SHOW : SW_HIDE);
    top += height;
  }
  if (status_) {
    SendMessageW(status_, WM_SIZE, 0, 0);
    RECT r;
    GetWindowRect(status_, &r);
    bottom -= r.bottom - r.top;
  }
  Layout(client.right, top, std::max(top, bottom));
  // Children moved by a strip that appeared or changed height are drawn again where they are now.
  RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

LRESULT Frame::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      Relayout();
      return 0;
    case WM_COMMAND:
      if (lParam && reinterpret_cast<HWND>(lParam) == strip_.Handle()) {
        PostMessageW(hwnd_, kActionClick, LOWORD(wParam), 0);
        return 0;
      }
      if (lParam && reinterpret_cast<HWND>(lParam) == ribbon_.Handle()) {
        PostMessageW(hwnd_, kActionRibbonClick, LOWORD(wParam), 0);
        return 0;
      }
      break;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (header->code == TBN_GETINFOTIPW) {
        auto* tip = reinterpret_cast<NMTBGETINFOTIPW*>(lParam);
        const std::wstring text = header->hwndFrom == ribbon_.Handle()
                                      ? ribbon_.TooltipOf(tip->iItem)
                                      : strip_.TooltipOf(tip->iItem);
        if (tip->pszText && tip->cchTextMax > 0)
          lstrcpynW(tip->pszText, text.c_str(), tip->cchTextMax);
        return 0;
      }
      break;
    }
    case kActionClick:
      if (const ControlView* control = strip_.ControlOf(static_cast<int>(wParam))) {
        const ControlView pressed = *control;  // the bar may be redrawn during the click
        session_.Click(*this, pressed);
      }
      return 0;
    case kActionRibbonClick:
      if (const ControlView* control = ribbon_.ControlOf(static_cast<int>(wParam))) {
        const ControlView pressed = *control;
        session_.RibbonClick(*this, pressed);
      }
      return 0;
    case WM_ACTIVATE:
      PostMessageW(hwnd_, kActionActivate, LOWORD(wParam) != WA_INACTIVE ? 1 : 0, 0);
      break;
    case kActionActivate:
      session_.Activate(*this, wParam != 0);
      return 0;
    case WM_CLOSE:
      session_.Close(*this);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd_, message, wParam, lParam);
}

// ---- Explorer -----------------------------------------------------------------------------------

bool ExplorerFrame::Create(const RECT& placement) {
  if (!CreateFrame(kExplorerClass, L"", placement)) return false;
  label_ =
      Child(hwnd_, L"STATIC", SS_LEFT | SS_CENTERIMAGE, 0, session_.BoldFont(), L" Folder List");
  tree_ = Child(hwnd_, WC_TREEVIEWW,
                WS_TABSTOP | TVS_HASLINES | TVS_LINESATROOT | TVS_HASBUTTONS | TVS_SHOWSELALWAYS,
                kFolderTreeId, session_.Font(), L"", WS_EX_CLIENTEDGE);
  banner_ = Child(hwnd_, L"STATIC", SS_LEFT | SS_CENTERIMAGE, kBannerId, session_.BoldFont());
  list_ = Child(hwnd_, WC_LISTVIEWW, WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS, kMessageListId,
                session_.Font(), L"", WS_EX_CLIENTEDGE);
  if (!label_ || !tree_ || !banner_ || !list_) return false;
  SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  const struct {
    const wchar_t* title;
    int width;
    int format;
  } columns[] = {{L"Subject", 330, LVCFMT_LEFT},
                 {L"From", 190, LVCFMT_LEFT},
                 {L"Attachments", 90, LVCFMT_RIGHT}};
  for (int i = 0; i < 3; ++i) {
    LVCOLUMNW column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
    column.fmt = columns[i].format;
    column.cx = columns[i].width;
    column.pszText = const_cast<wchar_t*>(columns[i].title);
    column.iSubItem = i;
    SendMessageW(list_, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
  }
  FillFolders();
  FillMessages();
  ShowFolder();
  Relayout();
  ShowWindow(hwnd_, SW_SHOW);
  UpdateWindow(hwnd_);
  SetFocus(list_);
  return true;
}

void ExplorerFrame::FillFolders() {
  filling_ = true;
  SendMessageW(tree_, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
  TVINSERTSTRUCTW insert = {};
  insert.hParent = TVI_ROOT;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT | TVIF_PARAM;
  insert.item.pszText = const_cast<wchar_t*>(L"Mailbox");
  insert.item.lParam = 0;
  auto root = reinterpret_cast<HTREEITEM>(
      SendMessageW(tree_, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
  HTREEITEM current = nullptr;
  for (const auto& [name, id] : session_.Messages().folders) {
    const std::wstring text = win32::Widen(name);
    insert.hParent = root;
    insert.item.pszText = const_cast<wchar_t*>(text.c_str());
    insert.item.lParam = id;
    auto item = reinterpret_cast<HTREEITEM>(
        SendMessageW(tree_, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
    if (id == folder_) current = item;
  }
  SendMessageW(tree_, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(root));
  if (current) SendMessageW(tree_, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(current));
  filling_ = false;
}

void ExplorerFrame::FillMessages() {
  filling_ = true;
  SendMessageW(list_, LVM_DELETEALLITEMS, 0, 0);
  const Mailbox& mailbox = session_.Messages();
  int row = 0;
  for (const std::string& name : mailbox.order) {
    const MailboxMessage& message = mailbox.messages.at(name);
    if (mailbox.Folder(message.folder) != folder_) continue;
    const std::wstring subject = win32::Widen(message.subject);
    std::wstring from = win32::Widen(message.from);
    if (from.empty() && !message.contents.saved) from = L"[Draft]";
    const size_t count = message.contents.attachments.size();
    const std::wstring attachments = count ? std::to_wstring(count) : std::wstring();
    LVITEMW item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = row;
    item.pszText = const_cast<wchar_t*>(subject.c_str());
    item.lParam = message.id;
    const int index =
        static_cast<int>(SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    if (index < 0) continue;
    LVITEMW sub = {};
    sub.iSubItem = 1;
    sub.pszText = const_cast<wchar_t*>(from.c_str());
    SendMessageW(list_, LVM_SETITEMTEXTW, index, reinterpret_cast<LPARAM>(&sub));
    sub.iSubItem = 2;
    sub.pszText = const_cast<wchar_t*>(attachments.c_str());
    SendMessageW(list_, LVM_SETITEMTEXTW, index, reinterpret_cast<LPARAM>(&sub));
    ++row;
  }
  selection_.clear();  // the model's selection is empty after a folder switch too
  filling_ = false;
}

void ExplorerFrame::ShowFolder() {
  const std::wstring name = win32::Widen(session_.FolderName(folder_));
  SetWindowTextW(hwnd_, (name + L" - Outlook (simulated)").c_str());
  SetWindowTextW(banner_, (L" " + name).c_str());
  const LRESULT count = SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0);
  SetStatus(std::to_wstring(count) + (count == 1 ? L" Item" : L" Items"));
}

std::vector<ItemId> ExplorerFrame::ListSelection() const {
  std::vector<ItemId> items;
  for (int row = -1;;) {
    row = static_cast<int>(SendMessageW(list_, LVM_GETNEXTITEM, row, LVNI_SELECTED));
    if (row < 0) break;
    LVITEMW item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (SendMessageW(list_, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) {
      items.push_back(static_cast<ItemId>(item.lParam));
    }
  }
  return items;
}

void ExplorerFrame::SwitchFolder(FolderId folder) {
  if (Closed() || folder == folder_) return;
  if (folder == 0) {  // the mailbox itself shows no messages: back to the folder shown
    FillFolders();
    return;
  }
  const std::string line =
      "switch-folder " + session_.NameOf(window_) + " " + Quoted(session_.FolderName(folder));
  if (session_.Command(line, this)) {
    folder_ = folder;
    FillMessages();
    ShowFolder();
  } else {
    FillFolders();  // back to the folder the window still shows
  }
}

void ExplorerFrame::SelectionChanged() {
  if (Closed()) return;
  const std::vector<ItemId> items = ListSelection();
  if (items == selection_) return;
  std::string line = "select " + session_.NameOf(window_);
  for (ItemId id : items) {
    const MailboxMessage* message = session_.Messages().MessageWithId(id);
    if (!message) continue;
    line += ' ';
    line += Quoted(message->name);
  }
  if (session_.Command(line, this)) selection_ = items;
}

LRESULT ExplorerFrame::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (header->hwndFrom == tree_ && header->code == TVN_SELCHANGEDW) {
        if (!filling_) {
          PostMessageW(hwnd_, kActionFolder,
                       static_cast<WPARAM>(reinterpret_cast<NMTREEVIEWW*>(lParam)->itemNew.lParam),
                       0);
        }
        return 0;
      }
      if (header->hwndFrom == list_ && header->code == LVN_ITEMCHANGED) {
        auto* change = reinterpret_cast<NMLISTVIEW*>(lParam);
        if (!filling_ && (change->uChanged & LVIF_STATE) &&
            ((change->uOldState ^ change->uNewState) & LVIS_SELECTED) && !selectionPosted_) {
          // One SelectionChange for all the rows that change together.
          selectionPosted_ = true;
          PostMessageW(hwnd_, kActionSelection, 0, 0);
        }
        return 0;
      }
      if (header->hwndFrom == list_ && header->code == LVN_ITEMACTIVATE) {
        auto* activate = reinterpret_cast<NMITEMACTIVATE*>(lParam);
        LVITEMW item = {};
        item.mask = LVIF_PARAM;
        item.iItem = activate->iItem;
        if (activate->iItem >= 0 &&
            SendMessageW(list_, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) {
          PostMessageW(hwnd_, kActionOpen, static_cast<WPARAM>(item.lParam), 0);
        }
        return 0;
      }
      break;
    }
    case kActionFolder:
      SwitchFolder(static_cast<FolderId>(wParam));
      return 0;
    case kActionSelection:
      selectionPosted_ = false;
      SelectionChanged();
      return 0;
    case kActionOpen:
      if (!Closed()) session_.OpenInspector(static_cast<ItemId>(wParam), this);
      return 0;
    case WM_CTLCOLORSTATIC:
      if (reinterpret_cast<HWND>(lParam) == banner_ || reinterpret_cast<HWND>(lParam) == label_) {
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, RGB(255, 255, 255));
        SetBkColor(dc, kHeadingColour);
        return reinterpret_cast<LRESULT>(HeadingBrush());
      }
      break;
    default:
      break;
  }
  return Frame::OnMessage(message, wParam, lParam);
}

void ExplorerFrame::Layout(int width, int top, int bottom) {
  const int pane = std::min(kFolderPaneWidth, width / 3);
  const int height = std::max(0, bottom - top - kHeadingHeight);
  MoveWindow(label_, 0, top, pane, kHeadingHeight, TRUE);
  MoveWindow(tree_, 0, top + kHeadingHeight, pane, height, TRUE);
  MoveWindow(banner_, pane + 3, top, std::max(0, width - pane - 3), kHeadingHeight, TRUE);
  MoveWindow(list_, pane + 3, top + kHeadingHeight, std::max(0, width - pane - 3), height, TRUE);
}

// ---- Inspector ----------------------------------------------------------------------------------

bool InspectorFrame::Create(const RECT& placement) {
  const MailboxMessage* message = session_.Messages().MessageWithId(item_);
  const std::wstring subject = message ? win32::Widen(message->subject) : L"(no subject)";
  const int32_t itemClass = message ? message->contents.itemClass : host::kOlMail;
  if (!CreateFrame(kInspectorClass, subject + L" - " + KindOf(itemClass) + L" (simulated)",
                   placement)) {
    return false;
  }
  body_ = Child(hwnd_, L"EDIT", ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL,
                kMessageBodyId, session_.Font(), L"", WS_EX_CLIENTEDGE);
  if (!body_) return false;
  std::wstring text;
  if (message) {
    if (!message->from.empty()) text += L"From:\t\t" + win32::Widen(message->from) + L"\r\n";
    text += L"Subject:\t\t" + subject + L"\r\n";
    if (!message->contents.saved) text += L"\t\t(not sent or saved yet)\r\n";
    text += L"Attachments:\t";
    if (message->contents.attachments.empty()) text += L"none";
    for (size_t i = 0; i < message->contents.attachments.size(); ++i) {
      const AttachmentSpec& attachment = message->contents.attachments[i];
      text += (i ? L"\r\n\t\t" : L"") + win32::Widen(attachment.fileName) + L"  (" +
              Bytes(attachment.bytes.size()) + L")";
    }
    text += L"\r\n";
  }
  SetWindowTextW(body_, text.c_str());
  Relayout();
  ShowWindow(hwnd_, SW_SHOW);
  UpdateWindow(hwnd_);
  return true;
}

void InspectorFrame::Layout(int width, int top, int bottom) {
  MoveWindow(body_, 0, top, width, bottom - top, TRUE);
}

}  // namespace zormint::sim

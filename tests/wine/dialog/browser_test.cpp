// The banner's browser control: hosted, navigated, its DocumentComplete passed on; and the
// dialog when there is no browser at all.
#include <exdispid.h>
#include <mshtmdid.h>
#include <mshtmhst.h>
#include <urlmon.h>

#include <algorithm>
#include <thread>
#include <vector>

#include "dialog/dialog_fixture.h"
#include "win32/dialog/browser_host.h"

namespace zormint::wine_test {
namespace {

// A child window to host a browser in, inside a hidden top-level window.
class Container {
 public:
  Container() {
    top_ = CreateWindowExW(0, L"STATIC", L"browser test", WS_POPUP, 0, 0, 520, 130, nullptr,
                           nullptr, nullptr, nullptr);
    child_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 8, 8, 505,
                             111, top_, nullptr, nullptr, nullptr);
  }
  ~Container() { DestroyWindow(top_); }
  HWND Get() const { return child_; }

 private:
  HWND top_ = nullptr;
  HWND child_ = nullptr;
};

void Pump(DWORD milliseconds) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < milliseconds) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(10);
  }
}

class BrowserHostTest : public ::testing::Test {
 protected:
  BrowserHostTest() : ole_(OleInitialize(nullptr)) {}
  ~BrowserHostTest() override {
    if (SUCCEEDED(ole_)) OleUninitialize();
  }
  HRESULT ole_;
};

TEST_F(BrowserHostTest, NavigatesAndPassesDocumentCompleteOnUntilDestroyed) {
  Container container;
  win32::BrowserHost host(container.Get());
  ASSERT_TRUE(host.Available()) << std::hex << host.CreationResult();
  // The control fills its window.
  HWND inner = GetWindow(container.Get(), GW_CHILD);
  ASSERT_NE(inner, nullptr);
  RECT area = {};
  GetWindowRect(inner, &area);
  EXPECT_EQ(area.right - area.left, 505);
  EXPECT_EQ(area.bottom - area.top, 111);

  // No document before a page has loaded: switching the scroll bars off fails.
  EXPECT_THROW(host.SetBodyScroll("no"), ZError);
  EXPECT_NO_THROW(host.Navigate2(ui::kEmbeddedBannerUrl, ui::kEmbeddedBannerFlags));
  Pump(300);

  std::vector<std::pair<const void*, std::string>> completes;
  host.SetDocumentCompleteHandler(
      [&](const void* pDisp, const std::string& url) { completes.emplace_back(pDisp, url); });
  IDispatch* sink = host.EventSink();
  ASSERT_NE(sink, nullptr);
  IDispatch* frame = sink;  // any object stands for the frame that completed
  EXPECT_EQ(RaiseDocumentComplete(sink, frame, L"res://ZORMINT/%2323/%23102"), S_OK);
  ASSERT_EQ(completes.size(), 1u);
  EXPECT_EQ(completes[0].first, frame);
  EXPECT_EQ(completes[0].second, "res://ZORMINT/%2323/%23102");
  // Other events are not DocumentComplete.
  EXPECT_EQ(RaiseDocumentComplete(sink, frame, L"x", 271), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(completes.size(), 1u);

  // A sink the browser still holds after the host has gone does nothing.
  sink->AddRef();
  host.Destroy();
  EXPECT_FALSE(host.Available());
  EXPECT_EQ(host.EventSink(), nullptr);
  EXPECT_EQ(RaiseDocumentComplete(sink, frame, L"late"), S_OK);
  sink->Release();
  EXPECT_EQ(completes.size(), 1u);
  EXPECT_THROW(host.Navigate2("about:blank", 0), ZError);
  EXPECT_THROW(host.SetBodyScroll("no"), ZError);
}

// Calls the host's events sink as the browser does, with the arguments in their published
// order (they go last first into DISPPARAMS).
HRESULT Raise(IDispatch* sink, DISPID event, std::vector<VARIANT> args,
              WORD flags = DISPATCH_METHOD, VARIANT* result = nullptr) {
  std::reverse(args.begin(), args.end());
  DISPPARAMS params = {args.empty() ? nullptr : args.data(), nullptr,
                       static_cast<UINT>(args.size()), 0};
  return sink->Invoke(event, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, nullptr,
                      nullptr);
}

VARIANT FlagRef(VARIANT_BOOL* flag) {
  VARIANT v;
  V_VT(&v) = VT_BOOL | VT_BYREF;
  V_BOOLREF(&v) = flag;
  return v;
}
const VARIANT kEmpty = {};  // VT_EMPTY

// The banner is web content inside Outlook: the host reports a lock-down to the browser (no
// scripts, Java, ActiveX, behaviours or frames; no context menu, border or scroll bars), lets
// through only the navigations it asked for, and hands links to the user's web browser, for
// web addresses only. (What the browser then does with the flags only Windows can show: Wine
// has no HTML engine here.)
TEST_F(BrowserHostTest, LocksTheBannerDownAndSendsLinksToTheUsersBrowser) {
  Container container;
  win32::BrowserHost host(container.Get());
  ASSERT_TRUE(host.Available()) << std::hex << host.CreationResult();
  std::vector<std::string> opened;
  host.SetExternalOpener([&](const std::string& url) { opened.push_back(url); });
  IDispatch* sink = host.EventSink();
  ASSERT_NE(sink, nullptr);

  // The ambient download control, as the browser reads it from its site.
  VARIANT control;
  VariantInit(&control);
  ASSERT_EQ(Raise(sink, DISPID_AMBIENT_DLCONTROL, {}, DISPATCH_PROPERTYGET, &control), S_OK);
  ASSERT_EQ(V_VT(&control), VT_I4);
  const DWORD dl = static_cast<DWORD>(V_I4(&control));
  for (DWORD off : {DLCTL_NO_SCRIPTS, DLCTL_NO_JAVA, DLCTL_NO_RUNACTIVEXCTLS,
                    DLCTL_NO_DLACTIVEXCTLS, DLCTL_NO_BEHAVIORS, DLCTL_NO_FRAMEDOWNLOAD}) {
    EXPECT_EQ(dl & off, off) << std::hex << off;
  }
  EXPECT_TRUE(dl & DLCTL_DLIMAGES);  // the banner's picture still loads
  // The document's user interface, from the same site.
  IDocHostUIHandler* ui = nullptr;
  ASSERT_EQ(sink->QueryInterface(IID_IDocHostUIHandler, reinterpret_cast<void**>(&ui)), S_OK);
  DOCHOSTUIINFO info = {};
  info.cbSize = sizeof info;
  EXPECT_EQ(ui->GetHostInfo(&info), S_OK);
  for (DWORD flag : {DOCHOSTUIFLAG_NO3DBORDER, DOCHOSTUIFLAG_SCROLL_NO}) {
    EXPECT_EQ(info.dwFlags & flag, flag) << std::hex << flag;
  }
  POINT at = {10, 10};
  EXPECT_EQ(ui->ShowContextMenu(CONTEXT_MENU_DEFAULT, &at, nullptr, nullptr), S_OK);  // none
  ui->Release();

  // BeforeNavigate2(pDisp, URL, Flags, TargetFrameName, PostData, Headers, Cancel), of the
  // control itself (the top-level frame) or of a frame inside its page.
  IDispatch* const top = host.Control();
  ASSERT_NE(top, nullptr);
  IDispatch* const frame = sink;  // any other object stands for a frame
  auto navigate = [&](const wchar_t* url, IDispatch* pDisp) {
    VARIANT_BOOL cancel = VARIANT_FALSE;
    const win32::Variant address = win32::Variant::Text(url);
    VARIANT who;
    V_VT(&who) = VT_DISPATCH;
    V_DISPATCH(&who) = pDisp;
    EXPECT_EQ(Raise(sink, DISPID_BEFORENAVIGATE2,
                    {who, address.Get(), kEmpty, kEmpty, kEmpty, kEmpty, FlagRef(&cancel)}),
              S_OK);
    return cancel != VARIANT_FALSE;  // cancelled
  };
  // The host's own navigation goes through once, whether the browser announces it inside
  // Navigate2 or later, and whether it writes "%23" or "#"; never in a frame.
  host.Navigate2(ui::kEmbeddedBannerUrl, ui::kEmbeddedBannerFlags);
  EXPECT_TRUE(navigate(L"res://ZORMINT/#23/#102", frame));
  navigate(L"res://ZORMINT/#23/#102", top);
  EXPECT_EQ(host.AllowedNavigations(), 1);
  EXPECT_TRUE(navigate(L"res://ZORMINT/#23/#102", top));  // not a second time
  // Before the page has loaded, a navigation is the page's own doing: cancelled, opens nothing.
  EXPECT_TRUE(navigate(L"http://www.zormint.com/early.htm", top));
  EXPECT_TRUE(opened.empty());
  EXPECT_EQ(RaiseDocumentComplete(sink, frame, L"res://ZORMINT/%2323/%23102"), S_OK);
  EXPECT_TRUE(navigate(L"http://www.zormint.com/still-early.htm", top));  // a frame completed
  EXPECT_TRUE(opened.empty());
  EXPECT_EQ(RaiseDocumentComplete(sink, top, L"res://ZORMINT/%2323/%23102"), S_OK);
  // A link followed inside the loaded page opens outside instead, when it is a web address; a
  // frame's navigation (a page with frames, or one injected over plain HTTP) opens nothing.
  EXPECT_TRUE(navigate(L"http://www.zormint.com/more.htm", top));
  EXPECT_TRUE(navigate(L"file:///C:/Windows/notepad.exe", top));
  EXPECT_TRUE(navigate(L"http://www.zormint.com/frame.htm", frame));
  EXPECT_TRUE(navigate(L"https://www.zormint.com/frame.htm", nullptr));
  EXPECT_EQ(opened, std::vector<std::string>{"http://www.zormint.com/more.htm"});

  // Internet Explorer's security manager, as the browser asks its site for it: scripts, ActiveX,
  // Java and frame navigation are refused; anything else is left to the browser's settings.
  IServiceProvider* services = nullptr;
  ASSERT_EQ(sink->QueryInterface(IID_IServiceProvider, reinterpret_cast<void**>(&services)), S_OK);
  IInternetSecurityManager* security = nullptr;
  ASSERT_EQ(services->QueryService(SID_SInternetSecurityManager, IID_IInternetSecurityManager,
                                   reinterpret_cast<void**>(&security)),
            S_OK);
  services->Release();
  for (const DWORD action :
       {URLACTION_SCRIPT_RUN, URLACTION_ACTIVEX_RUN, URLACTION_DOWNLOAD_SIGNED_ACTIVEX,
        URLACTION_JAVA_PERMISSIONS, URLACTION_HTML_SUBFRAME_NAVIGATE, URLACTION_SCRIPT_JAVA_USE}) {
    DWORD policy = URLPOLICY_ALLOW;
    EXPECT_EQ(security->ProcessUrlAction(L"http://www.zormint.com/adbanner.htm", action,
                                         reinterpret_cast<BYTE*>(&policy), sizeof policy, nullptr,
                                         0, PUAF_DEFAULT, 0),
              S_FALSE)
        << std::hex << action;
    EXPECT_EQ(policy, static_cast<DWORD>(URLPOLICY_DISALLOW)) << std::hex << action;
  }
  DWORD policy = URLPOLICY_ALLOW;
  EXPECT_EQ(security->ProcessUrlAction(L"http://www.zormint.com/", URLACTION_HTML_FONT_DOWNLOAD,
                                       reinterpret_cast<BYTE*>(&policy), sizeof policy, nullptr, 0,
                                       PUAF_DEFAULT, 0),
            INET_E_DEFAULT_ACTION);
  security->Release();

  // NewWindow3(ppDisp, Cancel, dwFlags, bstrUrlContext, bstrUrl): target="_blank".
  auto newWindow = [&](const wchar_t* url) {
    VARIANT_BOOL cancel = VARIANT_FALSE;
    const win32::Variant address = win32::Variant::Text(url);
    EXPECT_EQ(
        Raise(sink, DISPID_NEWWINDOW3, {kEmpty, FlagRef(&cancel), kEmpty, kEmpty, address.Get()}),
        S_OK);
    return cancel != VARIANT_FALSE;
  };
  opened.clear();
  EXPECT_TRUE(newWindow(L"HTTPS://www.zormint.com/"));
  EXPECT_TRUE(newWindow(L"javascript:alert(1)"));
  EXPECT_TRUE(newWindow(L"mailto:someone@example.org"));
  EXPECT_EQ(opened, std::vector<std::string>{"HTTPS://www.zormint.com/"});
  // NewWindow2(ppDisp, Cancel), from a browser that tells no address: refused.
  VARIANT_BOOL cancel = VARIANT_FALSE;
  EXPECT_EQ(Raise(sink, DISPID_NEWWINDOW2, {kEmpty, FlagRef(&cancel)}), S_OK);
  EXPECT_NE(cancel, VARIANT_FALSE);
  // FileDownload(ActiveDocument, Cancel): a download is cancelled, a page to show is not.
  for (const bool document : {false, true}) {
    const win32::Variant active = win32::Variant::Bool(document);
    cancel = VARIANT_FALSE;
    EXPECT_EQ(Raise(sink, DISPID_FILEDOWNLOAD, {active.Get(), FlagRef(&cancel)}), S_OK);
    EXPECT_EQ(cancel != VARIANT_FALSE, !document);
  }
  EXPECT_EQ(opened.size(), 1u);

  // Arguments named by their place (rgdispidNamedArgs, in any order) are read as positional
  // ones are: NewWindow3 with bstrUrl and Cancel named, Cancel in a VARIANT passed by reference.
  const win32::Variant named = win32::Variant::Text(L"https://www.zormint.com/named.htm");
  VARIANT flag;
  V_VT(&flag) = VT_BOOL;
  V_BOOL(&flag) = VARIANT_FALSE;
  VARIANT flagRef;
  V_VT(&flagRef) = VT_VARIANT | VT_BYREF;
  V_VARIANTREF(&flagRef) = &flag;
  VARIANT args[] = {named.Get(), flagRef, kEmpty};
  DISPID places[] = {4, 1};
  DISPPARAMS params = {args, places, 3, 2};
  opened.clear();
  EXPECT_EQ(sink->Invoke(DISPID_NEWWINDOW3, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                         nullptr, nullptr, nullptr),
            S_OK);
  EXPECT_NE(V_BOOL(&flag), VARIANT_FALSE);
  EXPECT_EQ(opened, std::vector<std::string>{"https://www.zormint.com/named.htm"});
}

TEST(BrowserWithoutCom, IsEmptyAndEveryCallFails) {
  // A thread that never initialised COM cannot create the control.
  std::thread([] {
    Container container;
    win32::BrowserHost host(container.Get());
    EXPECT_FALSE(host.Available());
    EXPECT_EQ(host.CreationResult(), CO_E_NOTINITIALIZED);
    EXPECT_EQ(GetWindow(container.Get(), GW_CHILD), nullptr);  // nothing in the area
    EXPECT_EQ(host.EventSink(), nullptr);
    EXPECT_THROW(host.Navigate2(ui::kEmbeddedBannerUrl, ui::kEmbeddedBannerFlags), ZError);
    EXPECT_THROW(host.SetBodyScroll("no"), ZError);
  }).join();
}

using DialogWithoutBrowser = DialogTest;

TEST_F(DialogWithoutBrowser, OpensAndHandsBackTheChoice) {
  // The whole dialog on a thread without COM: the banner stays empty, the rest works.
  WhenUp();
  user.Do("look at the banner and press Enter", [this] {
    EXPECT_EQ(GetWindow(Control(ui::kWbrAdBanner), GW_CHILD), nullptr);
    PressKey(VK_RETURN);
  });
  WhenClosed("Enter");
  std::thread([this] { Open(); }).join();
  EXPECT_TRUE(user.Finished()) << user.Report();
  EXPECT_EQ(g.gsSelAttachmentIndexes, kAllPictures);
  EXPECT_EQ(stored.Choice(), "1");
}

}  // namespace
}  // namespace zormint::wine_test

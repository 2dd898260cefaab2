// The banner's browser control: hosted, navigated, its DocumentComplete passed on; and the
// dialog when there is no browser at all.
#include <thread>

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

// DocumentComplete(pDisp, URL) as the browser raises it: the arguments last first, the URL a
// reference to a VARIANT holding the address.
HRESULT RaiseDocumentComplete(IDispatch* sink, IDispatch* pDisp, const wchar_t* url,
                              DISPID member = 259) {
  VARIANT address;
  address.vt = VT_BSTR;
  address.bstrVal = SysAllocString(url);
  VARIANT args[2];
  args[0].vt = VT_BYREF | VT_VARIANT;
  args[0].pvarVal = &address;
  args[1].vt = VT_DISPATCH;
  args[1].pdispVal = pDisp;
  DISPPARAMS params = {args, nullptr, 2, 0};
  const HRESULT hr = sink->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                                  nullptr, nullptr, nullptr);
  VariantClear(&address);
  return hr;
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
  EXPECT_EQ(StoredChoice(), "1");
}

}  // namespace
}  // namespace zormint::wine_test

// A web browser for tests: it records every navigation with its flags and every change of the
// body's scroll attribute, and loads nothing by itself. The test decides when a requested page
// has finished loading (CompletePending) and fires DocumentComplete, for the page or a frame.
//
// Like the real control, a newer Navigate2 replaces a load still in progress, and the document
// (with its body) exists only once a page has completed. Calls from the add-in enter the fault
// plan when one is given: "WebBrowser.Navigate2", "WebBrowser.SetBodyScroll".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/web_browser.h"
#include "sim/model/fault_plan.h"

namespace zormint::sim {

class FakeBrowser : public platform::WebBrowser {
 public:
  explicit FakeBrowser(FaultPlan* faults = nullptr) : faults_(faults) {}

  struct Navigation {
    std::string url;
    int32_t flags = 0;
  };
  struct ScrollChange {
    std::string documentUrl;  // the document whose body was changed
    std::string value;
  };

  // ---- platform::WebBrowser ----
  void Navigate2(const std::string& URL, int32_t Flags) override;
  void SetBodyScroll(const std::string& value) override;
  void SetDocumentCompleteHandler(DocumentCompleteHandler handler) override;

  // ---- The test's side ----
  const std::vector<Navigation>& Navigations() const { return navigations_; }
  // The address whose load is in progress, if any.
  const std::optional<std::string>& Pending() const { return pending_; }
  // Finishes the load in progress: its page becomes the document (its body has no scroll
  // attribute set yet) and DocumentComplete fires with the browser itself as pDisp. Returns
  // false when no load is in progress.
  bool CompletePending();
  // DocumentComplete for a frame inside the current document; the document stays as it is.
  void CompleteFrame(const std::string& url);
  // The current document's address, none before the first completed page.
  const std::optional<std::string>& DocumentUrl() const { return documentUrl_; }
  // The current document body's scroll attribute as the add-in set it ("" when untouched).
  const std::string& BodyScroll() const { return bodyScroll_; }
  const std::vector<ScrollChange>& ScrollChanges() const { return scrollChanges_; }
  // The control goes away with its window: later calls fail, nothing fires any more.
  void Destroy();
  bool Destroyed() const { return destroyed_; }
  // The pDisp a frame's DocumentComplete carries (differs from the browser's own).
  const void* FrameDisp() const { return &frameToken_; }

 private:
  void Enter(const char* member);
  void Fire(const void* pDisp, const std::string& url);

  FaultPlan* faults_;
  DocumentCompleteHandler handler_;
  std::vector<Navigation> navigations_;
  std::optional<std::string> pending_;
  std::optional<std::string> documentUrl_;
  std::string bodyScroll_;
  std::vector<ScrollChange> scrollChanges_;
  bool destroyed_ = false;
  char frameToken_ = 0;
};

}  // namespace zormint::sim

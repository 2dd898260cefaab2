#include "sim/fakes/fake_browser.h"

#include <utility>

namespace zormint::sim {

void FakeBrowser::Enter(const char* member) {
  if (faults_) faults_->Enter(member);
  if (destroyed_) Fail(err::kObjectNotSet, "The web browser control is gone");
}

void FakeBrowser::Navigate2(const std::string& URL, int32_t Flags) {
  Enter("WebBrowser.Navigate2");
  navigations_.push_back({URL, Flags});
  pending_ = URL;  // replaces a load still in progress
}

void FakeBrowser::SetBodyScroll(const std::string& value) {
  Enter("WebBrowser.SetBodyScroll");
  if (!documentUrl_) Fail(err::kObjectNotSet, "The web browser has no document");
  bodyScroll_ = value;
  scrollChanges_.push_back({*documentUrl_, value});
}

void FakeBrowser::SetDocumentCompleteHandler(DocumentCompleteHandler handler) {
  handler_ = std::move(handler);
}

bool FakeBrowser::CompletePending() {
  if (destroyed_ || !pending_) return false;
  documentUrl_ = std::move(*pending_);
  pending_.reset();
  bodyScroll_.clear();
  Fire(this, *documentUrl_);
  return true;
}

void FakeBrowser::CompleteFrame(const std::string& url) {
  if (destroyed_) return;
  Fire(&frameToken_, url);
}

void FakeBrowser::Fire(const void* pDisp, const std::string& url) {
  // A copy: the handler may destroy the control (and drop the handler) while it runs.
  DocumentCompleteHandler handler = handler_;
  if (handler) handler(pDisp, url);
}

void FakeBrowser::Destroy() {
  destroyed_ = true;
  pending_.reset();
  handler_ = nullptr;
}

}  // namespace zormint::sim

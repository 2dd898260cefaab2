// The embeddable web browser as the dialog's banner pane uses it: load an address with
// navigation flags, switch the scroll bars of the loaded document's body off, and hear when a
// document has finished loading. The Windows build hosts the platform's browser control; the
// native tests use sim/fakes/fake_browser.h.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace zormint::platform {

// The browser's navigation constants (BrowserNavConstants).
inline constexpr int32_t navNoHistory = 2;        // do not add the page to the history
inline constexpr int32_t navNoReadFromCache = 4;  // fetch from the server, not from the cache

class WebBrowser {
 public:
  virtual ~WebBrowser() = default;

  // Starts loading an address and returns at once; the page loads in the background.
  virtual void Navigate2(const std::string& URL, int32_t Flags) = 0;
  // Document.Body.Scroll = value on the browser's current document. Fails when there is no
  // document (or no body) yet.
  virtual void SetBodyScroll(const std::string& value) = 0;

  // Raised each time a document has finished loading, frames included. pDisp identifies the
  // browser or frame that completed; URL is the address it loaded.
  using DocumentCompleteHandler = std::function<void(const void* pDisp, const std::string& URL)>;
  // The toolkit that owns the control sets this once, to pass the notification on to the
  // form's events. An empty handler disconnects.
  virtual void SetDocumentCompleteHandler(DocumentCompleteHandler handler) = 0;
};

}  // namespace zormint::platform

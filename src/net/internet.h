// CInternet: can the banner page on the maker's web server be reached right now?
#pragma once

#include <memory>
#include <string>

#include "context/globals.h"

namespace zormint {

// The maker's web server and the banner page on it.
inline constexpr const char* kBannerHost = "www.zormint.com";
inline const std::string kBannerUrl = std::string("http://") + kBannerHost + "/adbanner.htm";

class CInternet {
 public:
  explicit CInternet(Globals& globals) : g_(globals) {}

  bool IsConnected() const noexcept { return mbConnected; }
  // Probes and stores the answer. Never fails; errors go to the application event log.
  void Refresh() noexcept;
  // Stores the answer of a probe that ran elsewhere (see Probe).
  void SetConnected(bool connected) noexcept { mbConnected = connected; }

  // One probe with these services alone, for a worker thread: it reads nothing of the
  // connection's objects, which the user-interface thread may release meanwhile, and keeps the
  // services alive while it runs. Never fails; errors go to the event log.
  static bool Probe(std::shared_ptr<platform::Internet> internet,
                    std::shared_ptr<platform::EventLog> eventLog) noexcept;

 private:
  bool TryToOpenURL() noexcept;

  Globals& g_;
  bool mbConnected = false;
};

// The connection's CInternet.
inline std::shared_ptr<CInternet>& gclsInternet(Globals& g) {
  return g.objects.Of<CInternet>();
}

}  // namespace zormint

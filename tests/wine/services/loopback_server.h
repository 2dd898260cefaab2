// A loopback HTTP server for the WinInet tests.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace zormint::wine_test {

// Listens on 127.0.0.1 on a port of its own, on its own thread, and answers every request with
// "404 Not Found" (an answer all the same); remembers the first request it read.
class LoopbackServer {
 public:
  LoopbackServer();
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  int Port() const { return port_; }
  int Requests() const { return requests_; }
  std::string FirstRequest() const;

 private:
  void Serve();

  uintptr_t listener_;
  int port_ = 0;
  std::thread thread_;
  mutable std::mutex mutex_;
  std::string first_;
  std::atomic<int> requests_{0};
};

// A loopback port on which nothing listens (one that was free a moment ago).
int FreePort();

}  // namespace zormint::wine_test

// A loopback HTTP server for the WinInet tests.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zormint::wine_test {

// Listens on 127.0.0.1 on a port of its own, on its own thread, and answers every request with
// "404 Not Found" (an answer all the same); remembers the first request it read. Or it stands
// for a server that never answers: one that accepts the connection and reads the request but
// sends nothing (a captive portal, a dropped connection), or one whose queue of connections is
// full, so that a new connection is never accepted (a firewall swallowing packets).
class LoopbackServer {
 public:
  enum class Behaviour { kAnswers, kAcceptsButNeverAnswers, kNeverAccepts };
  explicit LoopbackServer(Behaviour behaviour = Behaviour::kAnswers);
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  int Port() const { return port_; }
  int Requests() const { return requests_; }
  std::string FirstRequest() const;

 private:
  void Serve();

  Behaviour behaviour_;
  uintptr_t listener_;
  std::vector<uintptr_t> filling_;  // kNeverAccepts: the connections that fill the queue
  int port_ = 0;
  std::thread thread_;
  mutable std::mutex mutex_;
  std::string first_;
  std::atomic<int> requests_{0};
};

// A loopback port on which nothing listens (one that was free a moment ago).
int FreePort();

}  // namespace zormint::wine_test

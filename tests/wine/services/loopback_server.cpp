// Winsock wants to come before <windows.h>.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "services/loopback_server.h"

namespace zormint::wine_test {

namespace {

// A socket bound to a free loopback port; the port is written to `port`.
SOCKET BoundSocket(int& port) {
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address));
  int length = sizeof(address);
  getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
  port = ntohs(address.sin_port);
  return s;
}

}  // namespace

LoopbackServer::LoopbackServer(Behaviour behaviour) : behaviour_(behaviour) {
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
  SOCKET s = BoundSocket(port_);
  listen(s, behaviour_ == Behaviour::kNeverAccepts ? 0 : 4);
  listener_ = static_cast<uintptr_t>(s);
  if (behaviour_ == Behaviour::kNeverAccepts) {
    // Nobody accepts: a few connections fill the listener's queue, after which the system drops
    // every new attempt unanswered.
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<u_short>(port_));
    for (int i = 0; i < 4; ++i) {
      SOCKET filler = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
      u_long nonBlocking = 1;
      ioctlsocket(filler, FIONBIO, &nonBlocking);
      connect(filler, reinterpret_cast<sockaddr*>(&address), sizeof address);
      filling_.push_back(static_cast<uintptr_t>(filler));
    }
    Sleep(200);  // the handshakes complete
    return;
  }
  thread_ = std::thread([this] { Serve(); });
}

LoopbackServer::~LoopbackServer() {
  for (uintptr_t filler : filling_)
    closesocket(static_cast<SOCKET>(filler));
  closesocket(static_cast<SOCKET>(listener_));  // ends the waiting accept()
  if (thread_.joinable()) thread_.join();
  WSACleanup();
}

std::string LoopbackServer::FirstRequest() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return first_;
}

void LoopbackServer::Serve() {
  for (;;) {
    SOCKET client = accept(static_cast<SOCKET>(listener_), nullptr, nullptr);
    if (client == INVALID_SOCKET) return;
    std::string request;
    char buffer[2048];
    while (request.find("\r\n\r\n") == std::string::npos) {
      const int got = recv(client, buffer, sizeof(buffer), 0);
      if (got <= 0) break;
      request.append(buffer, static_cast<size_t>(got));
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (first_.empty()) first_ = request;
    }
    ++requests_;
    if (behaviour_ == Behaviour::kAcceptsButNeverAnswers) {
      // The connection stays open and silent until the client gives up.
      while (recv(client, buffer, sizeof(buffer), 0) > 0) {
      }
      closesocket(client);
      continue;
    }
    const char answer[] =
        "HTTP/1.1 404 Not Found\r\nContent-Type: text/html\r\nContent-Length: 9\r\n"
        "Connection: close\r\n\r\nnot found";
    send(client, answer, sizeof(answer) - 1, 0);
    shutdown(client, SD_SEND);
    closesocket(client);
  }
}

int FreePort() {
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
  int port = 0;
  closesocket(BoundSocket(port));
  WSACleanup();
  return port;
}

}  // namespace zormint::wine_test

#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "LoopbackSocket.h"
#include "RecordedRequest.h"

namespace kelbrin::test {

// An HTTP forward proxy on 127.0.0.1 for the tests. It records every request line and its
// headers as they arrived (the body is passed on, not recorded), forwards absolute-URI requests
// to the origin they name and tunnels CONNECT; both only to 127.0.0.1 (others: 502 and 403), so
// a test can never reach past the loopback through it. It serves one connection at a time.
class LocalProxy {
 public:
  LocalProxy() = default;
  LocalProxy(const LocalProxy&) = delete;
  LocalProxy& operator=(const LocalProxy&) = delete;

  int port() const { return acceptor_.port(); }
  // "http://127.0.0.1:PORT", as a proxy variable names it.
  std::string url() const;

  // From now on every CONNECT is answered 403.
  void refuseConnect();
  // From now on a request without "Proxy-Authorization: Basic" of exactly these is answered 407.
  void requireCredentials(std::string user, std::string password);

  std::vector<RecordedRequest> requests() const;

 private:
  struct Policy {
    bool refuseConnect = false;
    std::optional<std::string> authorization;  // the expected header value
  };

  void serve(int fd);

  StopSignal stop_;
  mutable std::mutex mutex_;
  Policy policy_;
  std::vector<RecordedRequest> requests_;
  LoopbackAcceptor acceptor_{stop_, [this](int fd) { serve(fd); }};
};

}  // namespace kelbrin::test

#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "LoopbackSocket.h"
#include "RecordedRequest.h"

namespace kelbrin::test {

// A small HTTP/1.1 server on 127.0.0.1 for the tests: it records every request as it arrived
// (request line, headers in order, body byte for byte) and answers with a scripted reply. It
// serves one connection at a time and closes each after its reply.
class LocalHttpServer {
 public:
  using Request = RecordedRequest;

  enum class Ending {
    Complete,     // the whole reply
    DropMidBody,  // announces the full length, sends half of the body, closes
    BlackHole,    // reads the request and never answers (until the client gives up)
  };

  struct Reply {
    int status = 200;
    std::string body{};
    std::chrono::milliseconds delay{0};  // before the reply starts
    Ending ending = Ending::Complete;
    // Without Content-Length the end of the body is the end of the connection.
    bool announceLength = true;
    // Sent as a "Location:" header when not empty (a redirect).
    std::string location{};
  };

  // Listens on a free port of 127.0.0.1.
  LocalHttpServer() = default;
  LocalHttpServer(const LocalHttpServer&) = delete;
  LocalHttpServer& operator=(const LocalHttpServer&) = delete;

  int port() const { return acceptor_.port(); }
  std::string url(std::string_view path = "/pelmar/pelmar.dll/") const;

  // The reply to every following request.
  void setReply(Reply reply);

  std::vector<Request> requests() const;
  // Waits until at least `count` requests have arrived; false when `guard` passed first.
  bool waitForRequests(std::size_t count, std::chrono::milliseconds guard) const;

  // A port on 127.0.0.1 where nothing listens (bound and released again).
  static int closedPort();

 private:
  std::optional<Request> readRequest(int fd) const;
  void holdUntilClientLeaves(int fd, int timeoutMs) const;
  void serve(int fd);

  StopSignal stop_;
  mutable std::mutex mutex_;
  mutable std::condition_variable arrived_;
  std::vector<Request> requests_;
  Reply reply_;
  LoopbackAcceptor acceptor_{stop_, [this](int fd) { serve(fd); }};
};

}  // namespace kelbrin::test

#pragma once

#include <memory>
#include <vector>

#include "platform/sockets/ByteStream.h"
#include "platform/sockets/NameResolver.h"

namespace kelbrin::platform {

// A TCP connection whose every wait is bounded (non-blocking socket and poll). Sends never raise
// SIGPIPE. Closed when destroyed.
class TcpConnection final : public ByteStream {
 public:
  // Connects to the first of `addresses` that accepts, trying them in order within the deadline
  // of `bounds`: each but the last gets half the time left, so one address that drops the
  // attempt does not use up the time of the others. Nothing when none accepts in time.
  static std::unique_ptr<TcpConnection> Open(const std::vector<SocketAddress>& addresses,
                                             const IoBounds& bounds);

  ~TcpConnection() override;
  TcpConnection(const TcpConnection&) = delete;
  TcpConnection& operator=(const TcpConnection&) = delete;

  bool SendAll(std::string_view data, IoBounds& bounds) override;
  std::optional<std::size_t> Receive(std::span<char> buffer, IoBounds& bounds) override;

 private:
  explicit TcpConnection(int fd) : fd_(fd) {}

  int fd_;
};

}  // namespace kelbrin::platform

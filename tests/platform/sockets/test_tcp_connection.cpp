#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <future>
#include <stdexcept>
#include <string>

#include "platform/sockets/TcpConnection.h"

namespace kelbrin::platform {
namespace {

using namespace std::chrono_literals;

constexpr auto kHangGuard = 20s;

SteadyTime In(std::chrono::milliseconds duration) {
  return std::chrono::steady_clock::now() + duration;
}

// A listening socket on 127.0.0.1 owned by the test.
class Listener {
 public:
  explicit Listener(int backlog) {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(fd_, backlog) != 0 ||
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      throw std::runtime_error("cannot listen on 127.0.0.1");
    }
    address_.length = length;
    std::memcpy(&address_.storage, &address, length);
  }
  ~Listener() { ::close(fd_); }
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;

  const SocketAddress& address() const { return address_; }

  // The next connection waiting to be accepted, or -1 when none arrives within the guard.
  int Accept() const {
    pollfd descriptor{fd_, POLLIN, 0};
    if (::poll(&descriptor, 1, static_cast<int>(std::chrono::milliseconds(kHangGuard).count())) !=
        1) {
      return -1;
    }
    return ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
  }

 private:
  int fd_ = -1;
  SocketAddress address_;
};

// Connection attempts to it go unanswered: its accept queue (of one) is filled and never
// emptied, so the kernel drops further SYNs.
class Unanswering {
 public:
  Unanswering() : listener_(0) {
    filler_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ::connect(filler_, reinterpret_cast<const sockaddr*>(&listener_.address().storage),
              listener_.address().length);
  }
  ~Unanswering() { ::close(filler_); }
  const SocketAddress& address() const { return listener_.address(); }

 private:
  Listener listener_;
  int filler_ = -1;
};

SocketAddress ClosedAddress() {
  const Listener released(1);
  return released.address();
}

TEST(TcpConnectionTest, TriesTheNextAddressWhenOneDoesNotAnswer) {
  const Unanswering silent;
  const Listener live(8);
  // Each address but the last gets half of the time left, so the silent one cannot use it all.
  const IoBounds bounds(In(4s), nullptr);
  EXPECT_NE(TcpConnection::Open({silent.address(), live.address()}, bounds), nullptr);
}

TEST(TcpConnectionTest, SkipsARefusingAddress) {
  const Listener live(8);
  const IoBounds bounds(In(kHangGuard), nullptr);
  const auto connection = TcpConnection::Open({ClosedAddress(), live.address()}, bounds);
  ASSERT_NE(connection, nullptr);
  const int accepted = live.Accept();
  EXPECT_GE(accepted, 0);
  ::close(accepted);
}

TEST(TcpConnectionTest, GivesUpAtTheDeadline) {
  const Unanswering silent;
  auto attempt = std::async(std::launch::async, [&] {
    const IoBounds bounds(In(200ms), nullptr);
    return TcpConnection::Open({silent.address()}, bounds);
  });
  ASSERT_EQ(attempt.wait_for(kHangGuard), std::future_status::ready);
  EXPECT_EQ(attempt.get(), nullptr);
  EXPECT_EQ(TcpConnection::Open({}, IoBounds(In(kHangGuard), nullptr)), nullptr);
}

TEST(TcpConnectionTest, AnAbortEndsAConnectAttempt) {
  const Unanswering silent;
  std::atomic<bool> aborted{false};
  std::promise<void> starting;
  auto attempt = std::async(std::launch::async, [&] {
    const IoBounds bounds(In(60s), &aborted);
    starting.set_value();
    return TcpConnection::Open({silent.address()}, bounds);
  });
  starting.get_future().wait();
  aborted = true;
  ASSERT_EQ(attempt.wait_for(kHangGuard), std::future_status::ready);
  EXPECT_EQ(attempt.get(), nullptr);
}

TEST(TcpConnectionTest, AnAbortEndsAReceive) {
  const Listener live(8);
  std::atomic<bool> aborted{false};
  IoBounds bounds(In(60s), &aborted);
  const auto connection = TcpConnection::Open({live.address()}, bounds);
  ASSERT_NE(connection, nullptr);
  const int peer = live.Accept();  // stays silent
  std::promise<void> starting;
  auto receive = std::async(std::launch::async, [&] {
    char buffer[16];
    starting.set_value();
    return connection->Receive(buffer, bounds);
  });
  starting.get_future().wait();
  aborted = true;
  ASSERT_EQ(receive.wait_for(kHangGuard), std::future_status::ready);
  EXPECT_EQ(receive.get(), std::nullopt);
  ::close(peer);
}

// No byte for the stall bound ends a receive long before the deadline.
TEST(TcpConnectionTest, AStalledReceiveEnds) {
  const Listener live(8);
  IoBounds bounds(In(60s), nullptr);
  const auto connection = TcpConnection::Open({live.address()}, bounds);
  ASSERT_NE(connection, nullptr);
  const int peer = live.Accept();
  bounds.SetStallBound(100ms);
  auto receive = std::async(std::launch::async, [&] {
    char buffer[16];
    return connection->Receive(buffer, bounds);
  });
  ASSERT_EQ(receive.wait_for(kHangGuard), std::future_status::ready);
  EXPECT_EQ(receive.get(), std::nullopt);
  ::close(peer);
}

TEST(TcpConnectionTest, MovesBytesBothWaysAndSeesTheEnd) {
  const Listener live(8);
  IoBounds bounds(In(kHangGuard), nullptr);
  const auto connection = TcpConnection::Open({live.address()}, bounds);
  ASSERT_NE(connection, nullptr);
  const int peer = live.Accept();
  ASSERT_TRUE(connection->SendAll("ping", bounds));
  char buffer[16];
  ASSERT_EQ(::recv(peer, buffer, sizeof buffer, 0), 4);
  EXPECT_EQ(std::string_view(buffer, 4), "ping");
  ASSERT_EQ(::send(peer, "pong", 4, 0), 4);
  ::close(peer);
  std::string received;
  while (const auto got = connection->Receive(buffer, bounds)) {
    if (*got == 0) break;
    received.append(buffer, *got);
  }
  EXPECT_EQ(received, "pong");
  EXPECT_EQ(connection->Receive(buffer, bounds), 0u);
}

// A peer that streams without a pause never lets a wait happen: bytes already waiting do not
// carry a receive past the deadline.
TEST(TcpConnectionTest, NoReceivePastTheDeadlineEvenWithBytesWaiting) {
  const Listener live(8);
  IoBounds bounds(In(kHangGuard), nullptr);
  const auto connection = TcpConnection::Open({live.address()}, bounds);
  ASSERT_NE(connection, nullptr);
  const int peer = live.Accept();
  const std::string stream(65536, 's');
  ASSERT_EQ(::send(peer, stream.data(), stream.size(), 0), static_cast<ssize_t>(stream.size()));
  char buffer[4096];
  ASSERT_EQ(connection->Receive(buffer, bounds), sizeof buffer);

  bounds.SetDeadline(In(-1ms));
  EXPECT_EQ(connection->Receive(buffer, bounds), std::nullopt);
  ::close(peer);
}

// A peer that goes away while the request is still going out must not raise SIGPIPE, which
// would end the whole program.
TEST(TcpConnectionTest, APeerThatLeavesMidSendFailsTheSendOnly) {
  const Listener live(8);
  IoBounds bounds(In(kHangGuard), nullptr);
  const auto connection = TcpConnection::Open({live.address()}, bounds);
  ASSERT_NE(connection, nullptr);
  ::close(live.Accept());
  const std::string large(16u << 20, 'x');
  EXPECT_FALSE(connection->SendAll(large, bounds));
  EXPECT_FALSE(connection->SendAll(large, bounds));
}

}  // namespace
}  // namespace kelbrin::platform

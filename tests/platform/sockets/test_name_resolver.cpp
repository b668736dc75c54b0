#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <future>

#include "platform/sockets/NameResolver.h"

namespace kelbrin::platform {
namespace {

using namespace std::chrono_literals;

SteadyTime In(std::chrono::milliseconds duration) {
  return std::chrono::steady_clock::now() + duration;
}

std::string Text(const SocketAddress& address, std::uint16_t& port) {
  char text[INET6_ADDRSTRLEN] = {};
  if (address.storage.ss_family == AF_INET) {
    const auto& v4 = reinterpret_cast<const sockaddr_in&>(address.storage);
    port = ntohs(v4.sin_port);
    inet_ntop(AF_INET, &v4.sin_addr, text, sizeof text);
  } else {
    const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address.storage);
    port = ntohs(v6.sin6_port);
    inet_ntop(AF_INET6, &v6.sin6_addr, text, sizeof text);
  }
  return text;
}

TEST(NameResolverTest, TakesAddressesAsTheyAre) {
  const IoBounds bounds(In(5s), nullptr);
  for (const char* host : {"192.0.2.7", "::1", "2001:db8::5"}) {
    const auto addresses = ResolveHost(host, 8443, bounds);
    ASSERT_EQ(addresses.size(), 1u) << host;
    std::uint16_t port = 0;
    EXPECT_EQ(Text(addresses[0], port), host);
    EXPECT_EQ(port, 8443);
  }
}

// "localhost" comes from /etc/hosts: nothing leaves the machine.
TEST(NameResolverTest, LooksUpNames) {
  const IoBounds bounds(In(20s), nullptr);
  const auto addresses = ResolveHost("localhost", 80, bounds);
  ASSERT_FALSE(addresses.empty());
  for (const auto& address : addresses) {
    std::uint16_t port = 0;
    const std::string text = Text(address, port);
    EXPECT_TRUE(text == "::1" || text.starts_with("127.")) << text;
    EXPECT_EQ(port, 80);
  }
}

// The threads of this process that carry `name`.
int ThreadsNamed(const std::string& name) {
  int count = 0;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
    std::ifstream comm(task.path() / "comm");
    std::string line;
    if (std::getline(comm, line) && line == name) ++count;
  }
  return count;
}

// Lookups in a row are served by the one resolver thread kept for the run, not one each.
TEST(NameResolverTest, OneResolverThreadServesEveryLookup) {
  for (int lookup = 0; lookup < 4; ++lookup) {
    ASSERT_FALSE(ResolveHost("localhost", 80, IoBounds(In(20s), nullptr)).empty());
    EXPECT_EQ(ThreadsNamed(kResolverThreadName), 1) << "after lookup " << lookup + 1;
  }
}

TEST(NameResolverTest, NothingOnceAbortedOrPastTheDeadline) {
  const std::atomic<bool> aborted{true};
  EXPECT_TRUE(ResolveHost("localhost", 80, IoBounds(In(20s), &aborted)).empty());
  EXPECT_TRUE(ResolveHost("localhost", 80, IoBounds(In(-1ms), nullptr)).empty());
}

}  // namespace
}  // namespace kelbrin::platform

// The address watch against the real kernel, inside a network namespace of its own (needs root).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <net/if.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/net/AddressWatch.h"

namespace kelbrin::platform {
namespace {

using Change = AddressWatch::Change;
using namespace std::chrono_literals;

class AddressWatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root: the test creates a network namespace";
    ASSERT_TRUE(Ip("netns add " + ns_));
    created_ = true;
    ASSERT_TRUE(Ip("-n " + ns_ + " link add v0 type veth peer name v1"));
    ASSERT_TRUE(Ip("-n " + ns_ + " link set v0 up"));
    ASSERT_TRUE(Ip("-n " + ns_ + " link set v1 up"));
    InNamespace([&] {
      v0_ = static_cast<int>(::if_nametoindex("v0"));
      watch_ = std::make_unique<AddressWatch>([this](const Change& change) {
        {
          std::lock_guard guard(mutex_);
          seen_.push_back(change);
        }
        arrived_.notify_all();
      });
    });
    ASSERT_NE(v0_, 0);
    ASSERT_NE(watch_, nullptr);
  }
  void TearDown() override {
    watch_.reset();
    if (created_) Ip("netns del " + ns_);
  }

  static bool Ip(const std::string& arguments) {
    return std::system(("ip " + arguments + " >/dev/null 2>&1").c_str()) == 0;
  }
  bool InNs(const std::string& arguments) { return Ip("-n " + ns_ + " " + arguments); }

  // Runs `body` on this thread inside the test's namespace; a netlink socket belongs to the
  // namespace of the thread that opens it.
  void InNamespace(const std::function<void()>& body) {
    const int home = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    const int target = ::open(("/run/netns/" + ns_).c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(home, 0);
    ASSERT_GE(target, 0);
    ASSERT_EQ(::setns(target, CLONE_NEWNET), 0);
    body();
    ASSERT_EQ(::setns(home, CLONE_NEWNET), 0);
    ::close(target);
    ::close(home);
  }

  // The next change the watch reported (bounded in real time: the kernel reports at once).
  std::optional<Change> Next() {
    std::unique_lock lock(mutex_);
    if (!arrived_.wait_for(lock, 10s, [&] { return !seen_.empty(); })) return std::nullopt;
    Change change = seen_.front();
    seen_.pop_front();
    return change;
  }

  const std::string ns_ = "kelbrin-aw-" + std::to_string(::getpid());
  bool created_ = false;
  int v0_ = 0;
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::deque<Change> seen_;
  std::unique_ptr<AddressWatch> watch_;
};

struct Step {
  const char* what;
  const char* command;  // ip arguments inside the namespace
  Change::Kind kind;
  bool added;
  int family;
};

// Each step's command, then the one change it must produce; a route or an address that cannot
// carry the public address comes before a step and must not show up as a change of its own.
TEST_F(AddressWatchTest, ReportsAddressesAndDefaultRoutesInOrder) {
  const Step steps[] = {
      {"IPv4 address", "addr add 10.77.0.1/24 dev v0", Change::Kind::Address, true, AF_INET},
      {"IPv4 default route", "route add default via 10.77.0.2 dev v0", Change::Kind::DefaultRoute,
       true, AF_INET},
      {"IPv4 default route gone", "route del default", Change::Kind::DefaultRoute, false, AF_INET},
      {"IPv6 address", "addr add 2001:db8:77::1/64 dev v0 nodad", Change::Kind::Address, true,
       AF_INET6},
      {"IPv6 default route", "-6 route add default via 2001:db8:77::2 dev v0",
       Change::Kind::DefaultRoute, true, AF_INET6},
      {"IPv4 address gone", "addr del 10.77.0.1/24 dev v0", Change::Kind::Address, false, AF_INET},
  };
  // Neither a link-scope address nor a route to a subnet is a change of the public address.
  ASSERT_TRUE(InNs("addr add 169.254.7.7/16 dev v1 scope link"));
  ASSERT_TRUE(InNs("addr add 10.78.0.1/24 dev v1"));
  ASSERT_TRUE(InNs("route add 10.99.0.0/16 via 10.78.0.2 dev v1"));
  const auto marker = Next();  // the 10.78.0.1 address; the routes stayed silent
  ASSERT_TRUE(marker);
  EXPECT_EQ(marker->kind, Change::Kind::Address);
  EXPECT_EQ(marker->family, AF_INET);
  EXPECT_NE(marker->ifIndex, v0_);

  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    ASSERT_TRUE(InNs(step.command));
    const auto change = Next();
    ASSERT_TRUE(change);
    EXPECT_EQ(change->kind, step.kind);
    EXPECT_EQ(change->added, step.added);
    EXPECT_EQ(change->family, step.family);
    EXPECT_EQ(change->ifIndex, v0_);
  }
}

TEST_F(AddressWatchTest, StopsAtOnceWhileNothingHappens) {
  // The thread blocks in the kernel; destroying the watch must still end it.
  watch_.reset();
  ASSERT_TRUE(InNs("addr add 10.77.0.1/24 dev v0"));
  std::lock_guard guard(mutex_);
  EXPECT_TRUE(seen_.empty());
}

}  // namespace
}  // namespace kelbrin::platform

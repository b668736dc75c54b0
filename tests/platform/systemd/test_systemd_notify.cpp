#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <cstring>
#include <fstream>
#include <string>

#include "NotifyListener.h"
#include "ScopedEnv.h"
#include "TempDir.h"
#include "platform/systemd/JournalStream.h"
#include "platform/systemd/SystemdNotify.h"

namespace kelbrin::platform {
namespace {

using namespace std::chrono_literals;

TEST(SystemdNotifyTest, SendsEachStateAsOneDatagramToTheSocketPath) {
  const test::TempDir dir;
  test::NotifyListener listener(dir / "notify");
  SystemdNotify notify(listener.path().string());
  ASSERT_TRUE(notify.Active());

  EXPECT_TRUE(notify.Ready());
  EXPECT_TRUE(notify.Status("Offline — Password failure！\nsecond line"));
  EXPECT_TRUE(notify.Stopping());
  EXPECT_EQ(listener.Receive(5s), "READY=1");
  // A line end would start a second assignment of the service manager's own.
  EXPECT_EQ(listener.Receive(5s), "STATUS=Offline — Password failure！ second line");
  EXPECT_EQ(listener.Receive(5s), "STOPPING=1");
}

TEST(SystemdNotifyTest, TakesTheSocketOutOfNotifySocket) {
  const test::TempDir dir;
  test::NotifyListener listener(dir / "notify");
  const test::ScopedEnv env("NOTIFY_SOCKET", listener.path().string());
  SystemdNotify notify;
  // Programs the client starts must not inherit it.
  EXPECT_EQ(::getenv("NOTIFY_SOCKET"), nullptr);
  EXPECT_TRUE(notify.Ready());
  EXPECT_EQ(listener.Receive(5s), "READY=1");
}

TEST(SystemdNotifyTest, ReachesASocketInTheAbstractNamespace) {
  const std::string name = "kelbrin-notify-test-" + std::to_string(::getpid());
  const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  ASSERT_GE(fd, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path + 1, name.data(), name.size());
  const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
  ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), length), 0);

  SystemdNotify notify("@" + name);
  EXPECT_TRUE(notify.Stopping());
  char buffer[64] = {};
  EXPECT_EQ(::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT), 10);
  EXPECT_EQ(std::string(buffer), "STOPPING=1");
  ::close(fd);
}

TEST(SystemdNotifyTest, WithoutAUsableSocketEveryCallDoesNothing) {
  const test::TempDir dir;
  for (const std::string& address :
       {std::string(), std::string("relative/notify"), std::string("vsock:2:1234"),
        std::string("/") + std::string(200, 'x'), (dir / "nobody-listens").string()}) {
    SystemdNotify notify(address);
    EXPECT_FALSE(notify.Ready()) << address;
  }
  const test::ScopedEnv env("NOTIFY_SOCKET", std::nullopt);
  SystemdNotify unset;
  EXPECT_FALSE(unset.Active());
  EXPECT_FALSE(unset.Status("Online"));
}

TEST(JournalStreamTest, OnlyTheStreamWhoseDeviceAndInodeMatchIsTheJournal) {
  const test::TempDir dir;
  std::ofstream(dir / "journal") << "";
  std::ofstream(dir / "other") << "";
  const int fd = ::open((dir / "journal").c_str(), O_WRONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  struct stat journal {
  }, other{};
  ASSERT_EQ(::fstat(fd, &journal), 0);
  ASSERT_EQ(::stat((dir / "other").c_str(), &other), 0);
  const auto value = [](const struct stat& info) {
    return std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino);
  };

  EXPECT_TRUE(DescriptorIsJournal(fd, value(journal)));
  EXPECT_FALSE(DescriptorIsJournal(fd, value(other)));
  EXPECT_FALSE(DescriptorIsJournal(fd, value(journal) + "x"));
  EXPECT_FALSE(DescriptorIsJournal(fd, ":" + std::to_string(journal.st_ino)));
  EXPECT_FALSE(DescriptorIsJournal(fd, std::nullopt));
  EXPECT_FALSE(DescriptorIsJournal(-1, value(journal)));
  ::close(fd);
}

}  // namespace
}  // namespace kelbrin::platform

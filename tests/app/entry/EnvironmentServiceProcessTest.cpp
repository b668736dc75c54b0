// `kelbrin-client --service` configured by its environment, as a container runs it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <fstream>
#include <string>
#include <vector>

#include "ChildRun.h"
#include "ReferenceService.h"
#include "TempDir.h"
#include "settings/PubUtil.h"

namespace {

using kelbrin::test::EndWithin;
using kelbrin::test::ReadFile;
using kelbrin::test::StartProgram;
using kelbrin::test::WaitUntil;
using ::testing::HasSubstr;
using ::testing::Not;
using namespace std::chrono_literals;

class EnvironmentServiceTest : public ::testing::Test {
 protected:
  EnvironmentServiceTest() {
    // A saved account of its own, which the environment's replaces for the run.
    kelbrin::settings::SetConfigRoot(dir / "config");
    kelbrin::settings::TPubUtil::WriteRegString("UserName", "saved01");
    kelbrin::settings::TPubUtil::WriteRegString("UserPwd", "saved-pass");
    kelbrin::settings::TPubUtil::WriteRegString("SavePwd", "0");
    std::ofstream(dir / "password") << "demo-pass";
  }

  pid_t Start(std::vector<std::string> environment) {
    environment.insert(environment.end(), {"KELBRIN_ENDPOINT=" + service.endpoint(),
                                           "KELBRIN_CONFIG_ROOT=" + (dir / "config").string(),
                                           "STATE_DIRECTORY=" + (dir / "state").string()});
    return StartProgram(KELBRIN_CLIENT_EXECUTABLE, {"--service", "--time-scale", "0.01"},
                        "/dev/null", dir / "stderr", std::move(environment));
  }

  const kelbrin::test::TempDir dir;
  const kelbrin::test::ReferenceService service{{{}, dir / "service.log"}};
};

TEST_F(EnvironmentServiceTest, LogsInWithTheAccountOfTheEnvironmentAndStoresNoneOfIt) {
  const pid_t pid =
      Start({"KELBRIN_USER=demo01", "KELBRIN_PASSWORD_FILE=" + (dir / "password").string()});
  ASSERT_GT(pid, 0);
  // The answer is taken in (logged, kept in the history) a moment after the request came.
  EXPECT_TRUE(WaitUntil(
      [&] {
        return ReadFile(dir / "state" / "address-history").find("127.0.0.1") != std::string::npos;
      },
      20s));
  EXPECT_EQ(EndWithin(pid, SIGTERM, 10s), 0);
  const std::string err = ReadFile(dir / "stderr");
  EXPECT_THAT(err, HasSubstr("The password is kept in " + (dir / "password").string()));
  EXPECT_THAT(err, HasSubstr("Congradulation！"));
  EXPECT_THAT(err, HasSubstr("IP updates successfully：127.0.0.1"));
  EXPECT_THAT(err, Not(HasSubstr("demo-pass")));
  // The saved account is untouched, and the secret never reached the settings.
  const std::string settings = ReadFile(dir / "config" / "settings.ini");
  EXPECT_THAT(settings, HasSubstr("saved01"));
  EXPECT_THAT(settings, Not(HasSubstr("demo-pass")));
  EXPECT_THAT(ReadFile(dir / "state" / "address-history"), HasSubstr("127.0.0.1"));
}

TEST_F(EnvironmentServiceTest, RefusesAPasswordInTheEnvironmentBeforeAnyExchange) {
  const pid_t pid = Start({"KELBRIN_USER=demo01", "KELBRIN_PASSWORD=demo-pass"});
  ASSERT_GT(pid, 0);
  EXPECT_EQ(EndWithin(pid, 0, 10s), 64);
  EXPECT_THAT(ReadFile(dir / "stderr"), HasSubstr("KELBRIN_PASSWORD is refused"));
  EXPECT_EQ(service.countRequests("QueryUserProfileReq"), 0);
}

TEST_F(EnvironmentServiceTest, AMissingSecretEndsTheServiceWithOneLine) {
  const std::string missing = (dir / "no-secret").string();
  const pid_t pid = Start({"KELBRIN_USER=demo01", "KELBRIN_PASSWORD_FILE=" + missing});
  ASSERT_GT(pid, 0);
  EXPECT_EQ(EndWithin(pid, 0, 10s), 1);
  EXPECT_EQ(ReadFile(dir / "stderr"), "kelbrin-client: cannot read the password file " + missing +
                                          ": No such file or directory\n");
  EXPECT_EQ(service.countRequests("QueryUserProfileReq"), 0);
}

}  // namespace

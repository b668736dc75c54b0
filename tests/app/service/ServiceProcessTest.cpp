// `kelbrin-client --service`: the headless client as a separate process, at a fast pace.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "NotifyListener.h"
#include "ReferenceService.h"
#include "ChildRun.h"
#include "TempDir.h"
#include "app/entry/CommandLine.h"
#include "settings/PubUtil.h"

namespace {

using kelbrin::test::EndWithin;
using kelbrin::test::ReadFile;
using kelbrin::test::StartProgram;

using namespace std::chrono_literals;
using ::testing::ContainsRegex;
using ::testing::HasSubstr;
using ::testing::Not;

// `kelbrin-client --service ARGS`; `environment`: "NAME=VALUE" entries added to the test's own.
pid_t startService(std::vector<std::string> args, const std::filesystem::path& errFile,
                   std::vector<std::string> environment = {}) {
  args.insert(args.begin(), "--service");
  return StartProgram(KELBRIN_CLIENT_EXECUTABLE, args, "/dev/null", errFile,
                      std::move(environment));
}
// Exit status after `signo`, or -1 when it did not end normally.
int stopWith(pid_t pid, int signo) {
  kill(pid, signo);
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

class ServiceProcessTest : public ::testing::TestWithParam<int> {};

TEST_P(ServiceProcessTest, LogsInWithTheSavedPasswordReportsTheAddressAndEndsCleanly) {
  const kelbrin::test::TempDir dir;
  kelbrin::test::ReferenceService::Options serviceOptions;
  serviceOptions.logFile = dir / "service.log";
  const kelbrin::test::ReferenceService service(serviceOptions);
  kelbrin::settings::SetConfigRoot(dir / "config");
  kelbrin::settings::TPubUtil::WriteRegString("UserName", "demo01");
  kelbrin::settings::TPubUtil::WriteRegString("UserPwd", "demo-pass");
  kelbrin::settings::TPubUtil::WriteRegString("SavePwd", "1");

  // A hundredth of the real pace: an active test every 400 ms.
  const pid_t pid = startService({"--endpoint", service.endpoint(), "--config-root",
                                  (dir / "config").string(), "--time-scale", "0.01"},
                                 dir / "stderr");
  ASSERT_GT(pid, 0);
  const auto guard = std::chrono::steady_clock::now() + 20s;
  while (service.countRequests("ActiveTestReq") < 2 && std::chrono::steady_clock::now() < guard) {
    std::this_thread::sleep_for(20ms);
  }
  const int exitCode = stopWith(pid, GetParam());
  EXPECT_EQ(exitCode, 0);
  EXPECT_GE(service.countRequests("ActiveTestReq"), 2);
  EXPECT_EQ(service.countRequests("QueryUserProfileReq"), 1);
  const std::string err = ReadFile(dir / "stderr");
  // Each notice once: its log entry, as the saved log writes it, and no popup line repeating it.
  EXPECT_THAT(err, ContainsRegex("Tip      [0-9: -]+      Congradulation！\n"));
  EXPECT_THAT(err,
              ContainsRegex("Tip      [0-9: -]+      IP updates successfully：127\\.0\\.0\\.1\n"));
  EXPECT_THAT(err, Not(HasSubstr("Hint: ")));
  EXPECT_THAT(err, Not(HasSubstr("show main window")));
}

// systemctl reload: SIGHUP reads the settings again. The same account keeps its session; another
// account saved meanwhile is logged on in its place.
TEST(ServiceReloadTest, TheSameAccountGoesOnAndAnotherSavedOneIsLoggedOn) {
  const kelbrin::test::TempDir dir;
  const kelbrin::test::ReferenceService service{{{}, dir / "service.log"}};
  kelbrin::settings::SetConfigRoot(dir / "config");
  kelbrin::settings::TPubUtil::WriteRegStrings(
      {{"UserName", "demo01"}, {"UserPwd", "demo-pass"}, {"SavePwd", "1"}});
  const pid_t pid = startService({"--endpoint", service.endpoint(), "--config-root",
                                  (dir / "config").string(), "--time-scale", "0.01"},
                                 dir / "stderr");
  ASSERT_GT(pid, 0);
  // Bounded waits for what the service does next; the bound only prevents a hang.
  const auto waitFor = [](const std::function<bool()>& done) {
    const auto guard = std::chrono::steady_clock::now() + 20s;
    while (!done() && std::chrono::steady_clock::now() < guard) std::this_thread::sleep_for(20ms);
    return done();
  };
  const auto activeTestsOf = [&service](const std::string& user) {
    int count = 0;
    for (const auto& request : service.requests()) {
      count += request.msgType == "ActiveTestReq" && request.user == user;
    }
    return count;
  };
  const auto hangUps = [&dir] {
    const std::string err = ReadFile(dir / "stderr");
    std::size_t count = 0;
    for (auto at = err.find("SIGHUP"); at != std::string::npos; at = err.find("SIGHUP", at + 1)) {
      ++count;
    }
    return count;
  };
  ASSERT_TRUE(waitFor([&] { return activeTestsOf("demo01") >= 1; }));

  kill(pid, SIGHUP);
  ASSERT_TRUE(waitFor([&] { return hangUps() == 1; }));
  service.reset();
  EXPECT_TRUE(waitFor([&] { return activeTestsOf("demo01") >= 2; }));
  EXPECT_EQ(service.countRequests("QueryUserProfileReq"), 0) << "the session was started again";

  kelbrin::settings::TPubUtil::WriteRegStrings(
      {{"UserName", "trial01"}, {"UserPwd", "trial-pass"}, {"SavePwd", "1"}});
  kill(pid, SIGHUP);
  EXPECT_TRUE(waitFor([&] { return activeTestsOf("trial01") >= 1; }));
  EXPECT_EQ(stopWith(pid, SIGTERM), 0);
  const std::string err = ReadFile(dir / "stderr");
  EXPECT_THAT(err, HasSubstr("Logout Success！"));
  EXPECT_EQ(kelbrin::settings::TPubUtil::ReadRegString("UserName"), "trial01")
      << "the log-off kept the saved account";
  EXPECT_EQ(kelbrin::settings::TPubUtil::ReadRegString("UserPwd"), "trial-pass");
}

// What a Type=notify unit's service manager hears, through a notify socket of the test's own.
class ServiceNotifyTest : public ::testing::Test {
 protected:
  ServiceNotifyTest() {
    kelbrin::settings::SetConfigRoot(dir / "config");
    kelbrin::settings::TPubUtil::WriteRegString("UserName", "demo01");
    kelbrin::settings::TPubUtil::WriteRegString("SavePwd", "1");
  }

  // Starts the service, collects datagrams until `last` came, stops it with SIGTERM and
  // collects the rest; returns them in order, one per line.
  std::string Run(const std::string& last, std::vector<std::string> environment = {}) {
    environment.push_back("NOTIFY_SOCKET=" + listener.path().string());
    const pid_t pid = startService({"--endpoint", service.endpoint(), "--config-root",
                                    (dir / "config").string(), "--time-scale", "0.01"},
                                   dir / "stderr", environment);
    EXPECT_GT(pid, 0);
    if (pid <= 0) return {};
    std::string received;
    while (auto datagram = listener.Receive(20s)) {
      received += *datagram + "\n";
      if (*datagram == last) break;
    }
    EXPECT_EQ(stopWith(pid, SIGTERM), 0);
    while (auto datagram = listener.Receive(5s)) {
      received += *datagram + "\n";
      if (*datagram == "STOPPING=1") break;
    }
    return received;
  }

  const kelbrin::test::TempDir dir;
  const kelbrin::test::ReferenceService service{{{}, dir / "service.log"}};
  kelbrin::test::NotifyListener listener{dir / "notify"};
};

TEST_F(ServiceNotifyTest, ReadyThenTheAddressInTheStatusThenStopping) {
  kelbrin::settings::TPubUtil::WriteRegString("UserPwd", "demo-pass");
  const std::string received = Run("STATUS=Online — address 127.0.0.1");
  // Offline while the login is under way; ready once the session has started.
  EXPECT_THAT(received, ::testing::StartsWith("STATUS=Offline\nREADY=1\n"));
  EXPECT_THAT(received, HasSubstr("STATUS=Online — address 127.0.0.1\n"));
  EXPECT_THAT(received, ::testing::EndsWith("STOPPING=1\n"));
}

TEST_F(ServiceNotifyTest, ARefusedPasswordIsWhatTheStatusSays) {
  kelbrin::settings::TPubUtil::WriteRegString("UserPwd", "not-the-password");
  const std::string received = Run("STATUS=Offline — Password failure！");
  // The refusal may reach the status just before or just after READY, as the login races the
  // service's own start (the bus it publishes on).
  EXPECT_THAT(received, HasSubstr("READY=1\n"));
  EXPECT_THAT(received, HasSubstr("STATUS=Offline — Password failure！\n"));
  EXPECT_THAT(received, ::testing::Not(HasSubstr("Online")));
  EXPECT_THAT(received, ::testing::EndsWith("STOPPING=1\n"));
}

TEST_F(ServiceNotifyTest, LinesForTheJournalCarryTheirPriority) {
  kelbrin::settings::TPubUtil::WriteRegString("UserPwd", "not-the-password");
  // The service's stderr is the file the test hands it; JOURNAL_STREAM names that very file.
  std::ofstream(dir / "stderr") << "";
  struct stat info {};
  ASSERT_EQ(::stat((dir / "stderr").c_str(), &info), 0);
  Run("STATUS=Offline — Password failure！",
      {"JOURNAL_STREAM=" + std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino)});
  const std::string err = ReadFile(dir / "stderr");
  EXPECT_THAT(err, HasSubstr("<3>Error: Password failure！\n"));
  // The logout once: its log entry, no popup line repeating it.
  EXPECT_THAT(err, ContainsRegex("<6>Tip      [0-9: -]+      Logout Success！\n"));
  EXPECT_THAT(err, Not(HasSubstr("Hint: Logout Success")));
  EXPECT_THAT(err, HasSubstr("<5>kelbrin-client: SIGTERM, stopping\n"));
  std::istringstream lines(err);
  for (std::string line; std::getline(lines, line);) {
    EXPECT_THAT(line, ::testing::MatchesRegex("<[3-6]>.+")) << err;
  }
}

// Text of a reply is data: a UserIP with line ends and a terminal control stays inside its line.
// (A raw ESC would make the reply not well-formed, and it is refused whole.)
TEST(ServiceJournalTest, ServiceTextCannotForgeJournalLines) {
  const kelbrin::test::TempDir dir;
  kelbrin::test::ReferenceService::Options serviceOptions;
  serviceOptions.logFile = dir / "service.log";
  const kelbrin::test::ReferenceService service(serviceOptions);
  service.control("userip?ip=198.51.100.9%0D%0AError%3A%20forged%5B2J%C2%9B");
  kelbrin::settings::SetConfigRoot(dir / "config");
  kelbrin::settings::TPubUtil::WriteRegString("UserName", "demo01");
  kelbrin::settings::TPubUtil::WriteRegString("UserPwd", "demo-pass");
  kelbrin::settings::TPubUtil::WriteRegString("SavePwd", "1");

  const pid_t pid = startService({"--endpoint", service.endpoint(), "--config-root",
                                  (dir / "config").string(), "--time-scale", "0.01"},
                                 dir / "stderr");
  ASSERT_GT(pid, 0);
  // The XML reader makes the CR LF one LF. The notice is the log entry's line.
  const std::string expected =
      "      IP updates successfully：198.51.100.9\\nError: forged[2J\\xC2\\x9B\n";
  const auto guard = std::chrono::steady_clock::now() + 20s;
  while (ReadFile(dir / "stderr").find(expected) == std::string::npos &&
         std::chrono::steady_clock::now() < guard) {
    std::this_thread::sleep_for(20ms);
  }
  EXPECT_EQ(stopWith(pid, SIGTERM), 0);
  const std::string err = ReadFile(dir / "stderr");
  EXPECT_THAT(err, HasSubstr(expected));
  std::istringstream lines(err);
  for (std::string line; std::getline(lines, line);) {
    EXPECT_FALSE(line.starts_with("Error: forged")) << line;
    for (const char c : line) {
      const auto byte = static_cast<unsigned char>(c);
      EXPECT_TRUE(byte >= 0x20 && byte != 0x7f) << "control byte " << int(byte) << " in " << line;
    }
  }
}

TEST(ServiceInstanceTest, ASecondServiceOnTheSameSettingsFolderSaysWhyAndEnds) {
  const kelbrin::test::TempDir dir;
  kelbrin::test::ReferenceService::Options serviceOptions;
  serviceOptions.logFile = dir / "service.log";
  const kelbrin::test::ReferenceService service(serviceOptions);
  kelbrin::settings::SetConfigRoot(dir / "config");
  kelbrin::settings::TPubUtil::WriteRegStrings(
      {{"UserName", "demo01"}, {"UserPwd", "demo-pass"}, {"SavePwd", "1"}});
  const std::vector<std::string> args = {"--endpoint", service.endpoint(), "--config-root",
                                         (dir / "config").string(), "--time-scale", "0.01"};

  const pid_t first = startService(args, dir / "first.stderr");
  ASSERT_GT(first, 0);
  const auto guard = std::chrono::steady_clock::now() + 20s;
  while (service.countRequests("ActiveTestReq") < 1 && std::chrono::steady_clock::now() < guard) {
    std::this_thread::sleep_for(20ms);
  }
  ASSERT_GE(service.countRequests("ActiveTestReq"), 1);
  const int loginsBefore = service.countRequests("QueryUserProfileReq");

  const pid_t second = startService(args, dir / "second.stderr");
  ASSERT_GT(second, 0);
  EXPECT_EQ(EndWithin(second, 0, 10s), 1);
  EXPECT_EQ(ReadFile(dir / "second.stderr"),
            "kelbrin-client: another kelbrin-client --service already runs with the settings "
            "folder " + (dir / "config").string() + "; this one ends\n");
  EXPECT_EQ(service.countRequests("QueryUserProfileReq"), loginsBefore) << "the second logged in";
  EXPECT_EQ(stopWith(first, SIGTERM), 0);

  // Once the first has ended, a new one may run.
  // Counted before the start: a quick third may log in before the next line runs.
  const int loginsThird = service.countRequests("QueryUserProfileReq") + 1;
  const pid_t third = startService(args, dir / "third.stderr");
  ASSERT_GT(third, 0);
  const auto guard3 = std::chrono::steady_clock::now() + 20s;
  while (service.countRequests("QueryUserProfileReq") < loginsThird &&
         std::chrono::steady_clock::now() < guard3) {
    std::this_thread::sleep_for(20ms);
  }
  EXPECT_EQ(service.countRequests("QueryUserProfileReq"), loginsThird);
  EXPECT_EQ(stopWith(third, SIGTERM), 0);
}

TEST(ServiceInstanceTest, ASettingsFolderEverybodyMayWriteToIsRefused) {
  const kelbrin::test::TempDir dir;
  std::filesystem::create_directory(dir / "config");
  std::filesystem::permissions(dir / "config", std::filesystem::perms::all);
  const pid_t pid = startService({"--endpoint", "http://127.0.0.1:9/pelmar/pelmar.dll/",
                                  "--config-root", (dir / "config").string()},
                                 dir / "stderr");
  ASSERT_GT(pid, 0);
  EXPECT_EQ(EndWithin(pid, 0, 10s), 1);
  EXPECT_THAT(ReadFile(dir / "stderr"),
              HasSubstr("kelbrin-client: the settings folder " + (dir / "config").string() +
                        " is writable by every user"));
}

// The running service cannot be dumped: the kernel then gives its /proc files to root. Seen from
// a service that runs as nobody, whose files would otherwise be nobody's.
TEST(ServiceDumpTest, TheServiceHoldingThePasswordIsNotDumpable) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to start the service as another user";
  constexpr uid_t kNobody = 65534;
  const kelbrin::test::TempDir dir;
  std::filesystem::permissions(dir.path(), std::filesystem::perms(0755));
  kelbrin::test::ReferenceService::Options serviceOptions;
  serviceOptions.logFile = dir / "service.log";
  const kelbrin::test::ReferenceService service(serviceOptions);
  kelbrin::settings::SetConfigRoot(dir / "config");
  kelbrin::settings::TPubUtil::WriteRegStrings(
      {{"UserName", "demo01"}, {"UserPwd", "demo-pass"}, {"SavePwd", "1"}});
  for (const auto& path : {dir / "config", dir / "config" / "settings.ini"}) {
    ASSERT_EQ(chown(path.c_str(), kNobody, kNobody), 0);
  }
  std::vector<std::string> argvText = {KELBRIN_CLIENT_EXECUTABLE, "--service",
                                       "--endpoint", service.endpoint(),
                                       "--config-root", (dir / "config").string(),
                                       "--time-scale", "0.01"};
  std::vector<char*> argv;
  for (std::string& arg : argvText) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const int errFd = open((dir / "stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(errFd, 0);
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    const int nullFd = open("/dev/null", O_RDWR);
    dup2(nullFd, 0);
    dup2(nullFd, 1);
    dup2(errFd, 2);
    if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0) _exit(120);
    execv(argv[0], argv.data());
    _exit(121);
  }
  close(errFd);
  const auto guard = std::chrono::steady_clock::now() + 20s;
  while (service.countRequests("ActiveTestReq") < 1 && std::chrono::steady_clock::now() < guard) {
    std::this_thread::sleep_for(20ms);
  }
  ASSERT_GE(service.countRequests("ActiveTestReq"), 1) << ReadFile(dir / "stderr");
  struct stat status {};
  ASSERT_EQ(stat(("/proc/" + std::to_string(pid) + "/status").c_str(), &status), 0);
  EXPECT_EQ(status.st_uid, 0u) << "the service's /proc files belong to its user: dumpable";
  EXPECT_EQ(stopWith(pid, SIGTERM), 0) << ReadFile(dir / "stderr");
}

// The once-per-run inventory: at the first 30-minute tick (1.8 s at this scale) that finds the
// session logged in, both reports of this machine reach the service, and never again.
TEST(ServiceReportTest, ReportsThisMachineOncePerRun) {
  const kelbrin::test::TempDir dir;
  kelbrin::test::ReferenceService::Options serviceOptions;
  serviceOptions.logFile = dir / "service.log";
  const kelbrin::test::ReferenceService service(serviceOptions);
  kelbrin::settings::SetConfigRoot(dir / "config");
  kelbrin::settings::TPubUtil::WriteRegStrings({{"UserName", "demo01"},
                                                {"UserPwd", "demo-pass"},
                                                {"SavePwd", "1"},
                                                {"UpdateSysInfo", "1"}});
  const pid_t pid = startService({"--endpoint", service.endpoint(), "--config-root",
                                  (dir / "config").string(), "--time-scale", "0.001"},
                                 dir / "stderr");
  ASSERT_GT(pid, 0);
  const auto guard = std::chrono::steady_clock::now() + 20s;
  while (service.lastReport("network").empty() && std::chrono::steady_clock::now() < guard) {
    std::this_thread::sleep_for(20ms);
  }
  // One more interval: no second report in this run.
  std::this_thread::sleep_for(2s);
  EXPECT_EQ(stopWith(pid, SIGTERM), 0);
  EXPECT_EQ(service.countRequests("PostSystemInfoReq"), 1);
  EXPECT_EQ(service.countRequests("PostNetworkInfoReq"), 1);
  const std::string system = service.lastReport("system");
  EXPECT_THAT(system, HasSubstr("<MsgType>PostSystemInfoReq</MsgType>"));
  EXPECT_THAT(system, HasSubstr("<UserName>demo01</UserName>"));
  EXPECT_THAT(system, HasSubstr("<CPUVersion>"));
  EXPECT_THAT(service.lastReport("network"), HasSubstr("<MsgType>PostNetworkInfoReq</MsgType>"));
}

TEST(ServiceOption, IsAFlagOfItsOwn) {
  const std::string_view alone[] = {"--service", "--time-scale", "0.5"};
  const auto parsed = kelbrin::app::ParseCommandLine(alone);
  EXPECT_EQ(parsed.error, "");
  EXPECT_TRUE(parsed.options.service);
  const std::string_view withOnce[] = {"--service", "--once"};
  EXPECT_EQ(kelbrin::app::ParseCommandLine(withOnce).error,
            "--once and --service exclude each other");
}

INSTANTIATE_TEST_SUITE_P(Signals, ServiceProcessTest, ::testing::Values(SIGTERM, SIGINT),
                         [](const ::testing::TestParamInfo<int>& param) {
                           return param.param == SIGTERM ? "SIGTERM" : "SIGINT";
                         });

}  // namespace

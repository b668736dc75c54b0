// What the client does with a new public address besides showing it: the history file and the
// user's command.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "Eventually.h"
#include "SessionFixture.h"
#include "eventlog/AddressHistory.h"

namespace kelbrin::session::test {
namespace {

using ::testing::HasSubstr;

std::string ReadFile(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class AddressChangeTest : public SessionFixture {
 protected:
  void SetUp() override {
    SessionFixture::SetUp();
    addressHistory = dir / "state" / "address-history";
  }
  // A shell script of the test's (the client itself never runs a shell).
  std::filesystem::path Program(const std::string& body) {
    const auto file = dir / "on-address";
    std::ofstream(file) << "#!/bin/sh\n" << body << "\n";
    ::chmod(file.c_str(), 0700);
    return file;
  }
  // The kind of the first log entry that contains `text`, if any.
  std::optional<std::uint8_t> LogKindOf(const std::string& text) {
    const eventlog::LogList& list = root->EventLog().List();
    for (std::size_t row = 0; row < list.size(); ++row) {
      if (list.at(row).text.find(text) != std::string::npos) return list.at(row).kind;
    }
    return std::nullopt;
  }
  bool LogHas(const std::string& text) { return LogKindOf(text).has_value(); }

  // A program that starts a child of its own and waits for it, writing the child's pid to
  // `sleeper`: the shape of a script whose command hangs.
  std::filesystem::path SpawningProgram() {
    return Program("sleep 100 & echo $! > " + sleeper().string() + "; wait");
  }
  std::filesystem::path sleeper() const { return dir / "sleeper"; }
  // The sleeper's pid once the program has written it.
  pid_t SleeperPid() {
    pid_t pid = 0;
    kelbrin::test::Eventually([&] { return (std::ifstream(sleeper()) >> pid) && pid > 0; });
    return pid;
  }
  // Gone, or a zombie nobody has reaped yet: either way, it runs no more.
  static bool Ended(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string pidField, name, state;
    return !(stat >> pidField >> name >> state) || state == "Z";
  }

  kelbrin::test::TempDir dir;
};

TEST_F(AddressChangeTest, EachNewAddressGoesToTheHistoryAndToTheCommand) {
  const auto args = dir / "args";
  backend.values["AddressChangeCommand"] =
      Program("for a in \"$@\"; do echo \"[$a]\" >> " + args.string() + "; done; echo done $1").string();
  Start();
  ClickLogin("demo01", "demo-pass");
  ASSERT_TRUE(RunUntil([&] { return LogHas("exited 0: done 127.0.0.1"); }));
  Control("userip?ip=198.51.100.23");
  AdvanceAndSettle(40s, kAfterLogin - 1);
  ASSERT_TRUE(RunUntil([&] { return LogHas("exited 0: done 198.51.100.23"); }));

  EXPECT_EQ(ReadFile(args), "[127.0.0.1]\n[]\n[198.51.100.23]\n[127.0.0.1]\n");
  const auto history = eventlog::AddressHistory(*addressHistory).Read();
  ASSERT_EQ(history.size(), 2u);
  EXPECT_EQ(history[0].address, "127.0.0.1");
  EXPECT_EQ(history[1].address, "198.51.100.23");
  EXPECT_FALSE(ReadFile(*addressHistory).find("demo-pass") != std::string::npos);
}

TEST_F(AddressChangeTest, ACommandThatFailsIsReportedAsAnError) {
  backend.values["AddressChangeCommand"] = Program("echo 'no route'; exit 3").string();
  Start();
  ClickLogin("demo01", "demo-pass");
  ASSERT_TRUE(RunUntil([&] { return LogHas("exited 3: no route"); }));
  EXPECT_EQ(LogKindOf("exited 3: no route"), eventlog::kLogError);
}

// After a restart the history knows the last address: the same address again runs nothing, and
// the next one is run with it as the previous. Text that is no address never reaches the program.
TEST_F(AddressChangeTest, OnlyANewAddressLiteralRunsTheCommand) {
  std::filesystem::create_directories(addressHistory->parent_path());
  std::ofstream(*addressHistory) << "2026-12-10T13:42:40Z 127.0.0.1\n";
  const auto args = dir / "args";
  backend.values["AddressChangeCommand"] =
      Program("for a in \"$@\"; do echo \"[$a]\" >> " + args.string() + "; done; echo done $1")
          .string();
  Start();
  ClickLogin("demo01", "demo-pass");
  ASSERT_TRUE(RunUntil([&] { return controller->View().Label27 == "127.0.0.1"; }));
  Control("userip?ip=1.2.3.4;id");
  AdvanceAndSettle(40s, kAfterLogin - 1);
  ASSERT_TRUE(RunUntil([&] { return controller->View().Label27 == "1.2.3.4;id"; }));
  Control("userip?ip=198.51.100.23");
  AdvanceAndSettle(40s, kAfterLogin - 1);
  ASSERT_TRUE(RunUntil([&] { return LogHas("exited 0: done 198.51.100.23"); }));

  EXPECT_EQ(ReadFile(args), "[198.51.100.23]\n[127.0.0.1]\n");
  const auto history = eventlog::AddressHistory(*addressHistory).Read();
  ASSERT_EQ(history.size(), 2u);
  EXPECT_EQ(history[1].address, "198.51.100.23");
}

// A program that starts others is ended with all of them at the bound, and the report does not
// wait for their output.
TEST_F(AddressChangeTest, TheBoundEndsTheCommandWithEverythingItStarted) {
  addressCommandBound = 300ms;
  backend.values["AddressChangeCommand"] = SpawningProgram().string();
  Start();
  ClickLogin("demo01", "demo-pass");
  const pid_t pid = SleeperPid();
  ASSERT_GT(pid, 0);
  ASSERT_TRUE(RunUntil([&] { return LogHas("took too long and was ended"); }));
  EXPECT_TRUE(kelbrin::test::Eventually([&] { return Ended(pid); })) << "the child outlived it";
}

TEST_F(AddressChangeTest, AStopEndsTheCommandWithEverythingItStarted) {
  backend.values["AddressChangeCommand"] = SpawningProgram().string();
  Start();
  ClickLogin("demo01", "demo-pass");
  const pid_t pid = SleeperPid();
  ASSERT_GT(pid, 0);
  root.reset();
  controller = nullptr;
  EXPECT_TRUE(kelbrin::test::Eventually([&] { return Ended(pid); })) << "the child outlived it";
}

TEST_F(AddressChangeTest, ALogoutAndALoginAtTheSameAddressAddNothing) {
  Start();
  ClickLogin("demo01", "demo-pass");
  ASSERT_TRUE(RunUntil([&] { return controller->View().Label27 == "127.0.0.1"; }));
  controller->BtnLogonClick();  // logout
  ClickLogin("demo01", "demo-pass");
  ASSERT_TRUE(RunUntil([&] { return controller->View().Label27 == "127.0.0.1"; }));
  EXPECT_EQ(eventlog::AddressHistory(*addressHistory).Read().size(), 1u);
}

}  // namespace
}  // namespace kelbrin::session::test

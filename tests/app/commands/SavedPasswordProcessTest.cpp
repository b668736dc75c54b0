// The saved password of the real executable: in a Secret Service on a session bus of the test's
// own, or in the settings file when none answers.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "ChildRun.h"
#include "PrivateSecretService.h"
#include "ReferenceService.h"
#include "ScopedEnv.h"
#include "StandInSecretService.h"
#include "TempDir.h"
#include "platform/secrets/SecretServiceStore.h"
#include "settings/ParamInfoStorage.h"
#include "settings/PubUtil.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using kelbrin::test::ReadFile;
using ::testing::HasSubstr;
using ::testing::Not;

struct OnceRun {
  int exitCode = -1;
  std::string err;
};

class SavedPasswordProcessTest : public ::testing::Test {
 protected:
  std::vector<std::string> Common() const {
    return {"--endpoint",     service_.endpoint(), "--config-root",
            config_.string(), "--time-scale",      "0.01"};
  }

  // `kelbrin-client --once ARGS` with `input` on standard input, on `bus`.
  OnceRun Once(const kelbrin::test::PrivateSecretService& bus, std::vector<std::string> args,
               const std::string& input = "") {
    std::ofstream(dir_ / "stdin") << input;
    std::vector<std::string> all = Common();
    all.push_back("--once");
    all.insert(all.end(), args.begin(), args.end());
    const pid_t pid = kelbrin::test::StartProgram(KELBRIN_CLIENT_EXECUTABLE, all, dir_ / "stdin",
                                                  dir_ / "stderr", bus.Environment());
    OnceRun run;
    if (pid > 0) run.exitCode = kelbrin::test::EndWithin(pid, 0, 60s);
    run.err = ReadFile(dir_ / "stderr");
    return run;
  }

  // `kelbrin-client --store-line` of a portal line for kelbrin7 with the password "pa ss!", on
  // `bus`.
  OnceRun StoreLine(const kelbrin::test::PrivateSecretService& bus) {
    std::ofstream(dir_ / "line-password") << "pa ss!\n";
    const pid_t pid = kelbrin::test::StartProgram(
        KELBRIN_CLIENT_EXECUTABLE,
        {"--config-root", config_.string(), "--store-line", "1", "--connection", "eth0",
         "--line-user", "kelbrin7", "--line-password-stdin"},
        dir_ / "line-password", dir_ / "stderr", bus.Environment());
    OnceRun run;
    if (pid > 0) run.exitCode = kelbrin::test::EndWithin(pid, 0, 60s);
    run.err = ReadFile(dir_ / "stderr");
    return run;
  }

  // Whether any file of the settings folder holds `text`.
  bool SettingsHold(const std::string& text) const {
    for (const auto& entry : fs::recursive_directory_iterator(config_)) {
      if (entry.is_regular_file() && ReadFile(entry.path()).find(text) != std::string::npos) {
        return true;
      }
    }
    return false;
  }

  kelbrin::test::TempDir dir_;
  fs::path config_ = dir_ / "config";
  kelbrin::test::ReferenceService service_;
};

TEST_F(SavedPasswordProcessTest, APasswordInTheFileMovesToTheKeyringAndTheServiceLogsInFromIt) {
  kelbrin::test::PrivateSecretService keyring(dir_ / "session", true);
  if (!keyring.Missing().empty()) GTEST_SKIP() << keyring.Missing();
  ASSERT_EQ(keyring.Problem(), "");
  // A password saved in the file before a keyring was there.
  kelbrin::settings::SetConfigRoot(config_);
  kelbrin::settings::TPubUtil::WriteRegStrings(
      {{"UserName", "demo01"}, {"UserPwd", "demo-pass"}, {"SavePwd", "1"}});

  const OnceRun saved = Once(keyring, {"--save"});
  ASSERT_EQ(saved.exitCode, 0) << saved.err;
  EXPECT_FALSE(SettingsHold("demo-pass")) << "the settings folder keeps no password";
  EXPECT_THAT(ReadFile(config_ / "settings.ini"), HasSubstr("demo01"));
  EXPECT_THAT(saved.err, HasSubstr("The password is kept in the Secret Service\n"));
  EXPECT_THAT(saved.err, Not(HasSubstr("demo-pass")));

  const int testsBefore = service_.countRequests("ActiveTestReq");
  const pid_t pid = kelbrin::test::StartProgram(
      KELBRIN_CLIENT_EXECUTABLE,
      [&] {
        std::vector<std::string> args = Common();
        args.insert(args.begin(), "--service");
        return args;
      }(),
      "/dev/null", dir_ / "service.err", keyring.Environment());
  ASSERT_GT(pid, 0);
  const bool tested = kelbrin::test::WaitUntil(
      [&] { return service_.countRequests("ActiveTestReq") > testsBefore; }, 20s);
  EXPECT_EQ(kelbrin::test::EndWithin(pid, SIGTERM, 20s), 0);
  EXPECT_TRUE(tested) << ReadFile(dir_ / "service.err");
  EXPECT_EQ(service_.countRequests("QueryUserProfileReq"), 2) << "--once, then the service";
  EXPECT_FALSE(SettingsHold("demo-pass"));
}

// The line's password goes where the account's goes, under attributes of its own: the account
// of the same name finds nothing, and the settings read it back from the keyring.
TEST_F(SavedPasswordProcessTest, TheLinePasswordGoesToTheKeyringUnderItsOwnAttributes) {
  kelbrin::test::PrivateSecretService keyring(dir_ / "session", true);
  if (!keyring.Missing().empty()) GTEST_SKIP() << keyring.Missing();
  ASSERT_EQ(keyring.Problem(), "");
  const OnceRun stored = StoreLine(keyring);
  ASSERT_EQ(stored.exitCode, 0) << stored.err;
  EXPECT_FALSE(SettingsHold("pa ss!")) << "the settings folder keeps no line password";
  EXPECT_THAT(ReadFile(config_ / "settings.ini"), HasSubstr("kelbrin7"));
  EXPECT_THAT(stored.err, HasSubstr("The line password is kept in the Secret Service\n"));

  const kelbrin::test::ScopedEnv onTheBus("DBUS_SESSION_BUS_ADDRESS", keyring.Address());
  using kelbrin::platform::SecretKind;
  EXPECT_EQ(kelbrin::platform::SecretServiceStore(SecretKind::Line).Load("kelbrin7"), "pa ss!");
  EXPECT_EQ(kelbrin::platform::SecretServiceStore(SecretKind::Account).Load("kelbrin7"),
            std::nullopt);
  kelbrin::settings::SetConfigRoot(config_);
  EXPECT_EQ(kelbrin::settings::LoadParamInfo().LineUserPwd, "pa ss!");
}

TEST_F(SavedPasswordProcessTest, WithoutAKeyringTheFileKeepsThePasswordAndTheLogSaysSo) {
  kelbrin::test::PrivateSecretService bus(dir_ / "session", false);
  if (!bus.Missing().empty()) GTEST_SKIP() << bus.Missing();
  ASSERT_EQ(bus.Problem(), "");

  const OnceRun saved =
      Once(bus, {"--user", "demo01", "--password-stdin", "--save"}, "demo-pass\n");
  ASSERT_EQ(saved.exitCode, 0) << saved.err;
  EXPECT_TRUE(SettingsHold("demo-pass"));
  EXPECT_EQ(fs::status(config_ / "settings.ini").permissions() & fs::perms::all, fs::perms(0600));
  EXPECT_THAT(saved.err, HasSubstr("The password is kept in the settings file " +
                                   (config_ / "settings.ini").string()));

  const OnceRun again = Once(bus, {});
  EXPECT_EQ(again.exitCode, 0) << again.err;
}

// A user who declines to unlock the keyring is asked once a run (a settings save reads and writes
// several items), the password stays in the file, and the log says so once, with the reason.
TEST_F(SavedPasswordProcessTest, DecliningTheUnlockPromptKeepsThePasswordInTheFile) {
  kelbrin::test::PrivateSecretService bus(dir_ / "session", false);
  if (!bus.Missing().empty()) GTEST_SKIP() << bus.Missing();
  ASSERT_EQ(bus.Problem(), "");
  const kelbrin::test::StandInSecretService keyring(bus.Address());

  const OnceRun saved =
      Once(bus, {"--user", "demo01", "--password-stdin", "--save"}, "demo-pass\n");
  ASSERT_EQ(saved.exitCode, 0) << saved.err;
  EXPECT_EQ(keyring.PromptsShown(), 1);
  EXPECT_TRUE(SettingsHold("demo-pass"));
  const std::string line = "The password is kept in the settings file " +
                           (config_ / "settings.ini").string() +
                           " (the keyring is locked and was not unlocked)\n";
  ASSERT_THAT(saved.err, HasSubstr(line));
  EXPECT_EQ(saved.err.find(line), saved.err.rfind(line)) << "said more than once";
  EXPECT_THAT(saved.err, Not(HasSubstr("Secret Service\n")));

  // The account's password, then the line's, would each want the keyring.
  const OnceRun stored = StoreLine(bus);
  ASSERT_EQ(stored.exitCode, 0) << stored.err;
  EXPECT_EQ(keyring.PromptsShown(), 2) << "asked more than once in a run";
  EXPECT_TRUE(SettingsHold("pa ss!"));
  EXPECT_TRUE(SettingsHold("demo-pass"));
}

}  // namespace

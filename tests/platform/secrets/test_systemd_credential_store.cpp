// The system service's credential through the real systemd-creds.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include "ChildRun.h"
#include "ScopedEnv.h"
#include "TempDir.h"
#include "platform/secrets/SystemdCredentialStore.h"

namespace kelbrin::platform {
namespace {

namespace fs = std::filesystem;

class SystemdCredentialStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::geteuid() != 0) GTEST_SKIP() << "sealing with the machine's key needs root";
    try {
      store_.Save("probe", "probe");
    } catch (const SecretStoreError& error) {
      GTEST_SKIP() << "systemd-creds cannot seal a credential here: " << error.what();
    }
  }

  test::TempDir dir_;
  test::ScopedEnv noUnit_{"CREDENTIALS_DIRECTORY", std::nullopt};
  SystemdCredentialStore store_{SecretKind::Account, dir_ / "credstore"};
};

TEST_F(SystemdCredentialStoreTest, SealsTheAccountAndOpensItAgain) {
  store_.Save("demo01", "demo-pass");
  EXPECT_EQ(fs::status(store_.File()).permissions() & fs::perms::all, fs::perms(0600));
  EXPECT_EQ(test::ReadFile(store_.File()).find("demo-pass"), std::string::npos)
      << "the file holds the password sealed";
  EXPECT_EQ(store_.Load("demo01"), "demo-pass");
  EXPECT_EQ(store_.Load("demo02"), std::nullopt) << "another account's credential is not taken";

  store_.Remove("demo02");
  EXPECT_TRUE(fs::exists(store_.File())) << "only the account's own credential is removed";
  store_.Remove("demo01");
  EXPECT_FALSE(fs::exists(store_.File()));
  EXPECT_EQ(store_.Load("demo01"), std::nullopt);
}

// Under its unit the service takes the handed-over copy until the sealed file is written again
// (by the service's own save, or by root before a reload); then the file has the newer password.
TEST_F(SystemdCredentialStoreTest, ASealedFileWrittenAfterTheUnitsStartWins) {
  const fs::path handedOver = dir_ / "credentials";
  fs::create_directories(handedOver);
  const fs::path copy = handedOver / SystemdCredentialStore::CredentialName(SecretKind::Account);
  std::ofstream(copy, std::ios::binary) << std::string("demo01\0old-pass", 15);
  store_.Save("demo01", "new-pass");
  test::ScopedEnv unit("CREDENTIALS_DIRECTORY", handedOver.string());
  struct Case {
    fs::file_time_type::duration copyAge;  // how much older than the sealed file the copy is
    const char* expected;
  };
  for (const Case& c : {Case{std::chrono::hours(1), "new-pass"},
                        Case{-std::chrono::hours(1), "old-pass"}}) {
    fs::last_write_time(copy, fs::last_write_time(store_.File()) - c.copyAge);
    EXPECT_EQ(store_.Load("demo01"), c.expected);
  }
}

// Under its unit the service reads what the manager decrypted, without systemd-creds.
TEST(SystemdCredentialUnderUnitTest, ReadsTheCredentialsFolder) {
  test::TempDir dir;
  const fs::path handedOver = dir / "credentials";
  fs::create_directories(handedOver);
  std::ofstream(handedOver / SystemdCredentialStore::CredentialName(SecretKind::Account),
                std::ios::binary)
      << std::string("demo01\0demo-pass", 16);
  test::ScopedEnv unit("CREDENTIALS_DIRECTORY", handedOver.string());
  test::ScopedEnv noProgram("PATH", (dir / "empty").string());
  SystemdCredentialStore store(SecretKind::Account, dir / "credstore");
  EXPECT_EQ(store.Load("demo01"), "demo-pass");
  EXPECT_EQ(store.Load("demo"), std::nullopt);
  SystemdCredentialStore line(SecretKind::Line, dir / "credstore");
  EXPECT_EQ(line.Load("demo01"), std::nullopt)
      << "the account's credential stands in for the line's";
  std::ofstream(handedOver / SystemdCredentialStore::CredentialName(SecretKind::Line),
                std::ios::binary)
      << std::string("kelbrin7\0pa ss!", 15);
  EXPECT_EQ(line.Load("kelbrin7"), "pa ss!");
  EXPECT_EQ(store.Load("kelbrin7"), std::nullopt);
  // The unit's stand-in while nothing is saved reads as no password.
  std::ofstream(handedOver / SystemdCredentialStore::CredentialName(SecretKind::Account)) << "none";
  EXPECT_EQ(store.Load("demo01"), std::nullopt);
}

TEST(SystemdCredentialWithoutProgramTest, SavingFailsWithAReason) {
  test::TempDir dir;
  test::ScopedEnv noProgram("PATH", (dir / "empty").string());
  SystemdCredentialStore store(SecretKind::Account, dir / "credstore");
  try {
    store.Save("demo01", "demo-pass");
    ADD_FAILURE() << "saved without systemd-creds";
  } catch (const SecretStoreError& error) {
    EXPECT_STREQ(error.what(), "systemd-creds is not installed");
  }
  EXPECT_FALSE(fs::exists(store.File()));
}

}  // namespace
}  // namespace kelbrin::platform

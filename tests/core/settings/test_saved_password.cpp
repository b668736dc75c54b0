// Where the account password goes: a secret store when one takes it, the settings file else.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "MessagesLocale.h"
#include "runtime/Translate.h"
#include "settings/SavedPassword.h"

namespace kelbrin::settings {
namespace {

using ::testing::ElementsAre;
using Values = SavedPassword::Values;

// A keyring in memory; `reachable` false makes every call fail as a missing one does.
struct MemoryStore {
  bool reachable = true;
  std::map<std::string, std::string> secrets;
  int saves = 0;
};

class MemorySecretStore : public platform::SecretStore {
 public:
  explicit MemorySecretStore(MemoryStore& state) : state_(state) {}
  kelbrin::platform::SecretPlace Place() const override { return {"the test keyring", {}}; }
  std::optional<std::string> Load(const std::string& account) override {
    Reach();
    const auto found = state_.secrets.find(account);
    if (found == state_.secrets.end()) return std::nullopt;
    return found->second;
  }
  void Save(const std::string& account, const std::string& secret) override {
    Reach();
    ++state_.saves;
    state_.secrets[account] = secret;
  }
  void Remove(const std::string& account) override {
    Reach();
    state_.secrets.erase(account);
  }

 private:
  void Reach() const {
    if (!state_.reachable) throw platform::SecretStoreError("no keyring here");
  }
  MemoryStore& state_;
};

class SavedPasswordTest : public ::testing::Test {
 protected:
  // Writes `values` the way the settings backend does: into `file_`, with the file's user name.
  void Write(const Values& values) {
    const std::string storedUser = file_.count("UserName") ? file_["UserName"] : "";
    password_.Write(
        values, storedUser,
        [this](const Values& filed) {
          for (const auto& [name, text] : filed) file_[name] = text;
        },
        "settings.ini");
  }
  std::string Read() { return password_.Read(file_["UserName"], file_["UserPwd"], "settings.ini"); }

  MemoryStore store_;
  bool withStore_ = true;
  std::vector<std::string> log_;
  SavedPassword password_{kAccountPassword,
                          [this]() -> std::unique_ptr<platform::SecretStore> {
                            if (!withStore_) return nullptr;
                            return std::make_unique<MemorySecretStore>(store_);
                          },
                          [this](const std::string& line) { log_.push_back(line); }};
  Values file_;
};

TEST_F(SavedPasswordTest, TheKeyringTakesThePasswordAndTheFileKeepsTheRestInOneWrite) {
  Write({{"UserName", " demo01 "}, {"UserPwd", "demo-pass"}, {"SavePwd", "1"}});
  EXPECT_EQ(file_, (Values{{"UserName", " demo01 "}, {"UserPwd", ""}, {"SavePwd", "1"}}));
  EXPECT_EQ(store_.secrets, (std::map<std::string, std::string>{{"demo01", "demo-pass"}}))
      << "keyed by the user name as a read gives it back (trimmed)";
  file_["UserName"] = "demo01";  // as the store reads it back
  EXPECT_EQ(Read(), "demo-pass");
  EXPECT_THAT(log_, ElementsAre("The password is kept in the test keyring"));
}

TEST_F(SavedPasswordTest, APasswordInTheFileWinsAndMovesToTheKeyringOnTheNextSave) {
  file_ = {{"UserName", "demo01"}, {"UserPwd", "old-file-pass"}, {"SavePwd", "1"}};
  store_.secrets["demo01"] = "stale keyring pass";
  EXPECT_EQ(Read(), "old-file-pass");
  Write({{"UserName", "demo01"}, {"UserPwd", "old-file-pass"}, {"SavePwd", "1"}});
  EXPECT_EQ(file_["UserPwd"], "");
  EXPECT_EQ(store_.secrets["demo01"], "old-file-pass");
  EXPECT_EQ(Read(), "old-file-pass");
  EXPECT_THAT(log_, ElementsAre("The password is kept in the settings file settings.ini",
                                "The password is kept in the test keyring"));
}

// Where the password went is said in the messages language, the file's name kept as it is.
TEST_F(SavedPasswordTest, WhereThePasswordIsKeptIsSaidInTheMessagesLanguage) {
  kelbrin::runtime::UseCatalogs(KELBRIN_BUILD_LOCALE_DIR);
  const kelbrin::test::MessagesLocale chinese("zh_CN.UTF-8");
  ASSERT_TRUE(chinese.chosen()) << "zh_CN.UTF-8 is not installed (scripts/setup: locales-all)";
  file_ = {{"UserName", "demo01"}, {"UserPwd", "file-pass"}, {"SavePwd", "1"}};
  EXPECT_EQ(Read(), "file-pass");
  EXPECT_THAT(log_, ElementsAre("密码保存在设置文件 settings.ini中"));
}

TEST_F(SavedPasswordTest, WithoutAKeyringTheFileKeepsThePasswordAndTheLogSaysWhyOnce) {
  store_.reachable = false;
  Write({{"UserName", "demo01"}, {"UserPwd", "demo-pass"}, {"SavePwd", "1"}});
  Write({{"UserName", "demo01"}, {"UserPwd", "demo-pass"}, {"SavePwd", "1"}});
  EXPECT_EQ(file_["UserPwd"], "demo-pass");
  EXPECT_EQ(Read(), "demo-pass");
  EXPECT_THAT(log_, ElementsAre("The password is kept in the settings file settings.ini (no "
                                "keyring here)"));

  withStore_ = false;  // no store at all: the same place, nothing new to say
  Write({{"UserName", "demo01"}, {"UserPwd", "demo-pass"}, {"SavePwd", "1"}});
  EXPECT_EQ(file_["UserPwd"], "demo-pass");
  EXPECT_EQ(log_.size(), 1u);
}

TEST_F(SavedPasswordTest, AnEmptyPasswordIsForgottenByTheKeyringToo) {
  Write({{"UserName", "demo01"}, {"UserPwd", "demo-pass"}, {"SavePwd", "1"}});
  Write({{"UserPwd", ""}});  // the logout's single value
  EXPECT_EQ(file_["UserPwd"], "");
  EXPECT_TRUE(store_.secrets.empty());
  EXPECT_EQ(Read(), "");
}

TEST_F(SavedPasswordTest, AnotherAccountReplacesThePreviousOnesPassword) {
  Write({{"UserName", "ann"}, {"UserPwd", "ann-pass"}, {"SavePwd", "1"}});
  Write({{"UserName", "bob"}, {"UserPwd", "bob-pass"}, {"SavePwd", "1"}});
  EXPECT_EQ(store_.secrets, (std::map<std::string, std::string>{{"bob", "bob-pass"}}));
  EXPECT_EQ(Read(), "bob-pass");
}

TEST_F(SavedPasswordTest, AFailingFileWriteNeverPairsTheOldNameWithTheNewPassword) {
  Write({{"UserName", "ann"}, {"UserPwd", "ann-pass"}, {"SavePwd", "1"}});
  EXPECT_THROW(password_.Write(
                   {{"UserName", "bob"}, {"UserPwd", "bob-pass"}}, "ann",
                   [](const Values&) { throw std::runtime_error("disk full"); }, "settings.ini"),
               std::runtime_error);
  EXPECT_EQ(file_["UserName"], "ann");
  EXPECT_EQ(Read(), "ann-pass") << "the file still names ann, whose password is still there";
}

TEST_F(SavedPasswordTest, AnUnchangedPasswordIsNotWrittenAgain) {
  Write({{"UserName", "demo01"}, {"UserPwd", "demo-pass"}, {"SavePwd", "1"}});
  Write({{"UserName", "demo01"}, {"UserPwd", "demo-pass"}, {"SavePwd", "1"}});
  EXPECT_EQ(store_.saves, 1);
}

// The line's password follows the same rules, keyed by the line's user name; the account's values
// in the same write are not its business.
TEST_F(SavedPasswordTest, TheLinePasswordIsKeyedByTheLineUserName) {
  SavedPassword line{kLinePassword, [this] { return std::make_unique<MemorySecretStore>(store_); },
                     [this](const std::string& text) { log_.push_back(text); }};
  const Values values{{"UserName", "demo01"},
                      {"UserPwd", "demo-pass"},
                      {"LineUserName", "kelbrin7"},
                      {"LineUserPwd", "pa ss!"}};
  line.Write(
      values, "", [this](const Values& filed) { file_ = filed; }, "settings.ini");
  EXPECT_EQ(file_, (Values{{"UserName", "demo01"},
                           {"UserPwd", "demo-pass"},
                           {"LineUserName", "kelbrin7"},
                           {"LineUserPwd", ""}}));
  EXPECT_EQ(store_.secrets, (std::map<std::string, std::string>{{"kelbrin7", "pa ss!"}}));
  EXPECT_EQ(line.Read("kelbrin7", "", "settings.ini"), "pa ss!");
  EXPECT_THAT(log_, ElementsAre("The line password is kept in the test keyring"));
}

}  // namespace
}  // namespace kelbrin::settings

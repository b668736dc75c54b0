#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include "MessagesLocale.h"
#include "TempDir.h"
#include "platform/files/ConfigHome.h"
#include "platform/files/KeyValueStore.h"
#include "runtime/Translate.h"
#include "settings/PubUtil.h"

namespace kelbrin::settings {
namespace {

using test::TempDir;
namespace fs = std::filesystem;

class PubUtilTest : public ::testing::Test {
 protected:
  PubUtilTest() { SetConfigRoot(root_); }
  ~PubUtilTest() override { SetConfigRoot({}); }

  platform::KeyValueStore RawStore() const {
    return platform::KeyValueStore(root_ / "settings.ini");
  }

  TempDir dir_;
  fs::path root_ = dir_ / "kelbrin-client";
};

TEST_F(PubUtilTest, ReadTrimsBlanksAndControlCharactersAtBothEnds) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"bob", "bob"}, {"  bob  ", "bob"},   {"\t\r\n\x01pass word\x1f\x7f ", "pass word"},
      {" \t ", ""},   {"  密码  ", "密码"},
  };
  for (const auto& [stored, read] : cases) {
    TPubUtil::WriteRegString("UserPwd", stored);
    EXPECT_EQ(TPubUtil::ReadRegString("UserPwd"), read) << stored;
    EXPECT_EQ(RawStore().Read("UserPwd"), stored) << "written untrimmed";
  }
}

TEST_F(PubUtilTest, MissingValueStoreOrFolderReadsEmpty) {
  EXPECT_EQ(TPubUtil::ReadRegString("UserName"), "");
  EXPECT_FALSE(fs::exists(root_)) << "reading creates nothing";
  TPubUtil::WriteRegString("UserName", "ann");
  EXPECT_EQ(TPubUtil::ReadRegString("UserPwd"), "");
  EXPECT_EQ(TPubUtil::ReadRegString("UserName"), "ann");
}

TEST_F(PubUtilTest, GarbageStoreReadsEmptyAndIsReplacedByTheNextWrite) {
  fs::create_directories(root_);
  std::ofstream(root_ / "settings.ini", std::ios::binary) << std::string("\x00\xff[[=\"\n", 7);
  EXPECT_EQ(TPubUtil::ReadRegString("UserName"), "");
  TPubUtil::WriteRegString("UserName", "ann");
  EXPECT_EQ(TPubUtil::ReadRegString("UserName"), "ann");
}

TEST_F(PubUtilTest, WriteFailureRaisesSettingsErrorNamingTheFile) {
  std::ofstream(dir_ / "file") << "not a folder";
  SetConfigRoot(dir_ / "file" / "kelbrin-client");
  try {
    TPubUtil::WriteRegString("UserName", "ann");
    FAIL() << "no SettingsError";
  } catch (const SettingsError& error) {
    EXPECT_THAT(error.what(), ::testing::HasSubstr("\"UserName\""));
    EXPECT_THAT(error.what(),
                ::testing::HasSubstr((dir_ / "file" / "kelbrin-client" / "settings.ini").string()));
  }
  EXPECT_THROW(TPubUtil::WriteRegString("Not a name", "x"), SettingsError);
}

TEST_F(PubUtilTest, WriteFailureIsSaidInTheMessagesLanguage) {
  runtime::UseCatalogs(KELBRIN_BUILD_LOCALE_DIR);
  const test::MessagesLocale chinese("zh_CN.UTF-8");
  ASSERT_TRUE(chinese.chosen()) << "zh_CN.UTF-8 is not installed (scripts/setup: locales-all)";
  std::ofstream(dir_ / "file") << "not a folder";
  SetConfigRoot(dir_ / "file" / "kelbrin-client");
  const std::string file = (dir_ / "file" / "kelbrin-client" / "settings.ini").string();
  try {
    TPubUtil::WriteRegString("UserName", "ann");
    FAIL() << "no SettingsError";
  } catch (const SettingsError& error) {
    EXPECT_THAT(error.what(), ::testing::StartsWith("无法将设置“UserName”保存到 " + file + "："));
  }
  try {
    TPubUtil::WriteRegStrings({{"UserName", "ann"}});
    FAIL() << "no SettingsError";
  } catch (const SettingsError& error) {
    EXPECT_THAT(error.what(), ::testing::StartsWith("无法将设置保存到 " + file + "："));
  }
}

TEST(ConfigRoot, DefaultsToTheMachineFolderForRootElseTheUsersConfigHome) {
  SetConfigRoot({});
  EXPECT_EQ(ConfigRoot(), ::geteuid() == 0 ? fs::path("/etc/kelbrin-client")
                                           : platform::UserConfigHome() / "kelbrin-client");
  SetConfigRoot("/somewhere/else");
  EXPECT_EQ(ConfigRoot(), "/somewhere/else");
  SetConfigRoot({});
}

}  // namespace
}  // namespace kelbrin::settings

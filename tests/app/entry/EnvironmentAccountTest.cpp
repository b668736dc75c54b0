#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <string>

#include "TempDir.h"
#include "app/entry/EnvironmentAccount.h"

namespace kelbrin::app {
namespace {

// The settings store behind the account: what was written, and a saved account of its own.
class RecordingStore : public settings::SettingsBackend {
 public:
  std::map<std::string, std::string> values{
      {"UserName", "saved01"}, {"UserPwd", "saved-pass"}, {"SavePwd", "0"}, {"LineName", "eth0"}};

  std::string ReadValue(const std::string& name) override {
    const auto found = values.find(name);
    return found == values.end() ? "" : found->second;
  }
  void WriteValue(const std::string& name, const std::string& text) override {
    WriteValues({{name, text}});
  }
  void WriteValues(const std::map<std::string, std::string>& written) override {
    for (const auto& [name, text] : written) values[name] = text;
  }
  bool IsServiceInstalled(const std::string&) override { return false; }
  void SetAutorun(bool) override {}
};

TEST(EnvironmentAccountBackend, GivesTheAccountAndNeverStoresIt) {
  RecordingStore store;
  EnvironmentAccountBackend backend(store, {"demo01", "demo-pass"});
  EXPECT_EQ(backend.ReadValue("UserName"), "demo01");
  EXPECT_EQ(backend.ReadValue("UserPwd"), "demo-pass");
  EXPECT_EQ(backend.ReadValue("SavePwd"), "1");
  EXPECT_EQ(backend.ReadValue("LineName"), "eth0");

  backend.WriteValues(
      {{"UserName", "demo01"}, {"UserPwd", "demo-pass"}, {"SavePwd", "1"}, {"LineName", "eth1"}});
  backend.WriteValue("UserPwd", "demo-pass");
  EXPECT_EQ(store.values.at("UserName"), "saved01");
  EXPECT_EQ(store.values.at("UserPwd"), "saved-pass");
  EXPECT_EQ(store.values.at("SavePwd"), "0");
  EXPECT_EQ(store.values.at("LineName"), "eth1");
}

struct PasswordFileCase {
  const char* name;
  std::optional<std::string> content;  // none: no file
  bool folder = false;                 // a folder in the file's place
  std::string password;
  std::string error;  // after the file's path
};

class PasswordFileTest : public ::testing::TestWithParam<PasswordFileCase> {};

TEST_P(PasswordFileTest, ReadsTheFirstLine) {
  const test::TempDir dir;
  const std::filesystem::path file = dir / "kelbrin-password";
  if (GetParam().content) std::ofstream(file, std::ios::binary) << *GetParam().content;
  if (GetParam().folder) std::filesystem::create_directory(file);
  std::string error;
  const std::string password = ReadPasswordFile(file, error);
  EXPECT_EQ(password, GetParam().error.empty() ? GetParam().password : "");
  if (GetParam().error.empty()) {
    EXPECT_EQ(error, "");
  } else {
    EXPECT_NE(error.find(file.string()), std::string::npos) << error;
    EXPECT_NE(error.find(GetParam().error), std::string::npos) << error;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, PasswordFileTest,
    ::testing::Values(
        PasswordFileCase{"LineWithEnd", "demo-pass\n", false, "demo-pass", ""},
        // As `kubectl create secret --from-literal` and `printf %s` write it.
        PasswordFileCase{"LineWithoutEnd", "demo-pass", false, "demo-pass", ""},
        PasswordFileCase{"OnlyTheFirstLine", "demo-pass\r\nsecond\n", false, "demo-pass", ""},
        PasswordFileCase{"Missing", std::nullopt, false, "", "No such file or directory"},
        PasswordFileCase{"Folder", std::nullopt, true, "", "Is a directory"},
        PasswordFileCase{"Empty", "", false, "", "is empty"},
        PasswordFileCase{"NulByte", std::string("demo\0pass\n", 10), false, "", "NUL byte"},
        PasswordFileCase{"TooLong", std::string(5000, 'p'), false, "", "longer than 4096 bytes"}),
    [](const auto& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace kelbrin::app

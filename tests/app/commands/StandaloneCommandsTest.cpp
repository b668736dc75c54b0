// The commands that run on their own: storing the line settings, the system information.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "TempDir.h"
#include "app/entry/ClientMain.h"
#include "app/entry/CommandLine.h"
#include "settings/ParamInfoStorage.h"
#include "settings/PubUtil.h"

namespace kelbrin::app {
namespace {

using ::testing::HasSubstr;

class StandaloneCommandsTest : public ::testing::Test {
 protected:
  int Run(std::vector<std::string> args, const std::string& input = {}) {
    const std::string root = config.path().string();
    args.insert(args.begin(), {"--config-root", root});
    std::vector<std::string_view> views(args.begin(), args.end());
    std::istringstream in(input);
    out.str({});
    err.str({});
    return RunClient(views, in, -1, out, err);
  }

  test::TempDir config;
  std::ostringstream out;
  std::ostringstream err;
};

TEST_F(StandaloneCommandsTest, StoreLineChecksAsTheNetworkPageDoesAndStoresOneRecord) {
  const struct {
    std::vector<std::string> args;
    std::string input;
    int exit;
    const char* error;
  } cases[] = {
      {{"--store-line", "9"}, "", kExitUsage, "not a line type: '9'"},
      {{"--store-line", "Web Authorization", "--connection", "eth0"}, "", kExitUsage,
       "Please input user and password！"},
      {{"--store-line", "1", "--line-user", "bob", "--line-password-stdin"}, "  \n", kExitUsage,
       "Please input user and password！"},
      {{"--store-line", "3", "--auto-connect", "maybe"}, "", kExitUsage,
       "--auto-connect takes yes or no"},
      {{"--connection", "eth0"}, "", kExitUsage, "need --store-line"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Run(c.args, c.input), c.exit) << c.args[0];
    EXPECT_THAT(err.str(), HasSubstr(c.error));
  }
  EXPECT_EQ(settings::LoadParamInfo().LineName, "") << "a refused line stores nothing";

  ASSERT_EQ(Run({"--store-line", "Web Authorization", "--connection", "eth0", "--line-user", "bob",
                 "--line-password-stdin", "--auto-connect", "no"},
                "s3cret\n"),
            0)
      << err.str();
  const settings::TParamInfo stored = settings::LoadParamInfo();
  EXPECT_EQ(stored.InternalLineType, 1);
  EXPECT_EQ(stored.LineName, "eth0");
  EXPECT_EQ(stored.LineUserName, "bob");
  EXPECT_EQ(stored.LineUserPwd, "s3cret");
  EXPECT_FALSE(stored.AutoConn);
  EXPECT_THAT(out.str(), ::testing::Not(HasSubstr("s3cret")));

  // A LAN line needs no account.
  ASSERT_EQ(Run({"--store-line", "3", "--connection", "eth1"}), 0) << err.str();
  EXPECT_EQ(settings::LoadParamInfo().InternalLineType, 3);
  EXPECT_TRUE(settings::LoadParamInfo().AutoConn);
}

TEST_F(StandaloneCommandsTest, SystemInformationPrintsTheTreeAndRunsAlone) {
  EXPECT_EQ(Run({"--system-info"}), 0) << err.str();
  EXPECT_THAT(out.str(), ::testing::StartsWith("System Information\n"));
  EXPECT_THAT(out.str(), HasSubstr("CPU Numbers: "));
  EXPECT_EQ(Run({"--system-info", "--once"}), kExitUsage);
}

}  // namespace
}  // namespace kelbrin::app

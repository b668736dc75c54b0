#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cctype>
#include <fstream>
#include <sstream>

#include "ScopedEnv.h"
#include "TempDir.h"
#include "platform/systemd/SystemdServiceManager.h"

namespace kelbrin::platform {
namespace {

using namespace std::chrono_literals;
using test::ScopedEnv;
using test::TempDir;
namespace fs = std::filesystem;

// A fake systemctl, alone on PATH: it records its arguments and answers what the case says.
class FakeSystemctl : public ::testing::Test {
 protected:
  void Install(const std::string& answer, int exitCode) {
    const fs::path script = bin_ / "systemctl";
    std::ofstream(script) << "#!/bin/sh\n"
                          << "printf '%s\\n' \"$*\" >> '" << calls_.string() << "'\n"
                          << "printf '" << answer << "'\n"
                          << "exit " << exitCode << "\n";
    fs::permissions(script, fs::perms::owner_all);
  }

  std::string Calls() const {
    std::ifstream in(calls_);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  TempDir dir_;
  fs::path bin_ = dir_.path();
  fs::path calls_ = dir_ / "calls";
  ScopedEnv path_{"PATH", bin_.string()};
};

struct AnswerCase {
  const char* what;
  const char* answer;
  int exitCode;
  bool installed;
};

template <typename Case>
std::string CaseName(const ::testing::TestParamInfo<Case>& param) {
  std::string name = param.param.what;
  for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name;
}

class SystemctlAnswers : public FakeSystemctl, public ::testing::WithParamInterface<AnswerCase> {};

TEST_P(SystemctlAnswers, OnlyALoadedAndEnabledUnitIsInstalled) {
  Install(GetParam().answer, GetParam().exitCode);
  SystemdServiceManager manager(SystemdServiceManager::Scope::System);
  EXPECT_EQ(manager.IsInstalled("PROKelbrinService"), GetParam().installed);
  EXPECT_EQ(Calls(), "show -p LoadState -p UnitFileState PROKelbrinService.service\n");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SystemctlAnswers,
    ::testing::Values(
        AnswerCase{"enabled", "LoadState=loaded\\nUnitFileState=enabled\\n", 0, true},
        AnswerCase{"enabled for this boot only",
                   "UnitFileState=enabled-runtime\\nLoadState=loaded\\n", 0, true},
        // What the distribution's package leaves behind until the user turns the service on.
        AnswerCase{"packaged but disabled", "LoadState=loaded\\nUnitFileState=disabled\\n", 0,
                   false},
        AnswerCase{"not found", "LoadState=not-found\\nUnitFileState=\\n", 0, false},
        AnswerCase{"masked", "LoadState=masked\\nUnitFileState=masked\\n", 0, false},
        AnswerCase{"bus unreachable", "", 1, false},
        AnswerCase{"failing exit", "LoadState=loaded\\nUnitFileState=enabled\\n", 1, false}),
    CaseName<AnswerCase>);

TEST_F(FakeSystemctl, UserScopeAsksTheUserInstance) {
  Install("LoadState=loaded\\nUnitFileState=enabled\\n", 0);
  SystemdServiceManager manager(SystemdServiceManager::Scope::User);
  EXPECT_TRUE(manager.IsInstalled("PROKelbrinService"));
  EXPECT_EQ(Calls(), "--user show -p LoadState -p UnitFileState PROKelbrinService.service\n");
}

TEST_F(FakeSystemctl, NamesThatAreNoUnitNamesAreNotAsked) {
  Install("loaded\\n", 0);
  SystemdServiceManager manager(SystemdServiceManager::Scope::System);
  for (const std::string name : {"", "--all", "a/b", "a b", "a;b"}) {
    EXPECT_FALSE(manager.IsInstalled(name)) << name;
  }
  EXPECT_EQ(Calls(), "");
}

TEST_F(FakeSystemctl, WithoutSystemctlNothingIsInstalled) {
  SystemdServiceManager manager(SystemdServiceManager::Scope::System);
  EXPECT_FALSE(manager.IsInstalled("PROKelbrinService"));
}

TEST_F(FakeSystemctl, AHangingSystemctlIsKilledAfterTheTimeout) {
  std::ofstream(bin_ / "systemctl") << "#!/bin/sh\nexec /bin/sleep 60\n";
  fs::permissions(bin_ / "systemctl", fs::perms::owner_all);
  SystemdServiceManager manager(SystemdServiceManager::Scope::System, 50ms);
  EXPECT_FALSE(manager.IsInstalled("PROKelbrinService"));
}

TEST(SystemdServiceManager, DefaultScopeFollowsTheEffectiveUser) {
  EXPECT_EQ(SystemdServiceManager::DefaultScope(), ::geteuid() == 0
                                                       ? SystemdServiceManager::Scope::System
                                                       : SystemdServiceManager::Scope::User);
}

}  // namespace
}  // namespace kelbrin::platform

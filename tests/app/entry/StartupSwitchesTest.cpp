#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/entry/StartupSwitches.h"

namespace kelbrin::app {
namespace {

struct SwitchCase {
  std::vector<std::string_view> args;
  bool install;
  bool uninstall;
  bool silent;
  std::vector<std::string_view> options;  // what is left for the option parser
};

class StartupSwitchCases : public ::testing::TestWithParam<SwitchCase> {};

TEST_P(StartupSwitchCases, SwitchesAreTakenOutAndTheRestKeptInOrder) {
  const SwitchCase& c = GetParam();
  const StartupArguments split = SplitStartupArguments(c.args);
  EXPECT_EQ(split.switches.install, c.install);
  EXPECT_EQ(split.switches.uninstall, c.uninstall);
  EXPECT_EQ(split.switches.silent, c.silent);
  EXPECT_EQ(split.switches.HasServiceSwitch(), c.install || c.uninstall);
  EXPECT_EQ(split.options, c.options);
}

INSTANTIATE_TEST_SUITE_P(
    Table, StartupSwitchCases,
    ::testing::Values(
        // Every prefix, any letter case.
        SwitchCase{{"-install"}, true, false, false, {}},
        SwitchCase{{"/INSTALL"}, true, false, false, {}},
        SwitchCase{{"\\InStAlL"}, true, false, false, {}},
        SwitchCase{{"-Uninstall", "-SILENT"}, false, true, true, {}},
        SwitchCase{{"/uninstall", "\\silent"}, false, true, true, {}},
        SwitchCase{{"\\UNINSTALL"}, false, true, false, {}},
        // SILENT alone is honoured only beside the other two: no service switch.
        SwitchCase{{"/silent"}, false, false, true, {}},
        // The options of the client pass through, around the switches.
        SwitchCase{
            {"--endpoint", "http://127.0.0.1:1/", "-install", "-silent", "--config-root", "/tmp/x"},
            true,
            false,
            true,
            {"--endpoint", "http://127.0.0.1:1/", "--config-root", "/tmp/x"}},
        // Near misses are no switches: a doubled prefix, another prefix, a longer word, a bare
        // word, the prefix alone.
        SwitchCase{{"--install", "+install", "-installer", "install", "-", "--service"},
                   false,
                   false,
                   false,
                   {"--install", "+install", "-installer", "install", "-", "--service"}},
        SwitchCase{{}, false, false, false, {}}));

}  // namespace
}  // namespace kelbrin::app

#include <gtest/gtest.h>

#include "ScopedEnv.h"
#include "platform/files/ConfigHome.h"

namespace kelbrin::platform {
namespace {

using test::ScopedEnv;

TEST(UserConfigHome, FollowsXdgConfigHomeOnlyWhenItIsAbsolute) {
  ScopedEnv home("HOME", "/home/ann");
  {
    ScopedEnv xdg("XDG_CONFIG_HOME", "/srv/conf");
    EXPECT_EQ(UserConfigHome(), "/srv/conf");
  }
  {
    ScopedEnv xdg("XDG_CONFIG_HOME", "relative/conf");
    EXPECT_EQ(UserConfigHome(), "/home/ann/.config");
  }
  {
    ScopedEnv xdg("XDG_CONFIG_HOME", std::nullopt);
    EXPECT_EQ(UserConfigHome(), "/home/ann/.config");
  }
}

}  // namespace
}  // namespace kelbrin::platform

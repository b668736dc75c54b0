#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "TempDir.h"
#include "platform/files/Autostart.h"

namespace kelbrin::platform {
namespace {

using test::TempDir;
namespace fs = std::filesystem;

class AutostartTest : public ::testing::Test {
 protected:
  AutostartTest() { SetAutostartFolder(folder_); }
  ~AutostartTest() override { SetAutostartFolder({}); }

  std::string Entry() const {
    std::ifstream in(folder_ / "KelbrinClient.desktop");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  TempDir dir_;
  fs::path folder_ = dir_ / "config" / "autostart";
};

TEST_F(AutostartTest, EnablingCreatesTheEntryForThisExecutableAndItsFolder) {
  ASSERT_FALSE(fs::exists(folder_));
  EXPECT_TRUE(SetAutorun(true));

  EXPECT_EQ(AutostartEntryPath(), folder_ / "KelbrinClient.desktop");
  const fs::path self = fs::read_symlink("/proc/self/exe");
  EXPECT_TRUE(self.is_absolute());
  EXPECT_EQ(RunningExecutable(), self);
  EXPECT_EQ(Entry(),
            "[Desktop Entry]\nType=Application\nName=Kelbrin Client\n"
            "Icon=net.kelbrin.KelbrinClient\nExec=" +
                DesktopExecValue(self) + "\nTerminal=false\n");

  EXPECT_TRUE(SetAutorun(true)) << "enabling twice keeps one entry";
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1);
}

TEST_F(AutostartTest, TheEntryStartsTheProgramWithTheOptionsItWasStartedWith) {
  SetAutostartArguments({"--config-root", "/home/ann/my config", "--endpoint", "http://h/p?a=1%"});
  ASSERT_TRUE(SetAutorun(true));
  SetAutostartArguments({});
  EXPECT_NE(Entry().find("\nExec=" + DesktopExecValue(RunningExecutable()) +
                         " --config-root \"/home/ann/my config\" --endpoint "
                         "\"http://h/p?a=1%%\"\n"),
            std::string::npos)
      << Entry();
}

TEST_F(AutostartTest, DisablingRemovesTheEntryAndIsHarmlessWithoutOne) {
  ASSERT_TRUE(SetAutorun(true));
  EXPECT_TRUE(SetAutorun(false));
  EXPECT_FALSE(fs::exists(AutostartEntryPath()));
  EXPECT_TRUE(SetAutorun(false));

  fs::remove(folder_);
  EXPECT_TRUE(SetAutorun(false));
  EXPECT_FALSE(fs::exists(folder_)) << "disabling never creates the folder";
}

TEST_F(AutostartTest, FailureIsReportedNotThrown) {
  fs::create_directories(folder_.parent_path());
  std::ofstream(folder_) << "a file where the folder should be";
  EXPECT_FALSE(SetAutorun(true));
}

TEST(DesktopExecValue, QuotesAndEscapesAsDesktopEntriesRequire) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"/usr/bin/kelbrin-client", "/usr/bin/kelbrin-client"},
      {"/opt/My Apps/kelbrin client", "\"/opt/My Apps/kelbrin client\""},
      {"/opt/100%/client", "/opt/100%%/client"},
      {"/opt/a$b`c\"d/client", "\"/opt/a\\\\$b\\\\`c\\\\\"d/client\""},
      {"/opt/back\\slash", "\"/opt/back\\\\\\\\slash\""},
      {"/opt/new\nline", "\"/opt/new\\nline\""},
  };
  for (const auto& [path, exec] : cases) EXPECT_EQ(DesktopExecValue(path), exec) << path;
  EXPECT_EQ(DesktopExecValue("/usr/bin/kelbrin-client", {"--time-scale", "0.5", "a b", "$x"}),
            "/usr/bin/kelbrin-client --time-scale 0.5 \"a b\" \"\\\\$x\"");
}

TEST(ExecutableFromLink, AnUpgradedProgramIsStartedFromItsPathNotFromTheDeletedFile) {
  const TempDir dir;
  std::ofstream(dir / "kelbrin-client") << "new version";
  const std::string installed = (dir / "kelbrin-client").string();
  const std::string gone = (dir / "removed").string();
  const std::vector<std::pair<std::string, std::string>> cases = {
      {installed, installed},
      {installed + " (deleted)", installed},
      // Removed for good: nothing sound to start, so the link text stays as it is.
      {gone + " (deleted)", gone + " (deleted)"},
  };
  for (const auto& [link, executable] : cases) {
    EXPECT_EQ(ExecutableFromLink(link), fs::path(executable)) << link;
  }
}

}  // namespace
}  // namespace kelbrin::platform

// The test aids that move the dial-up folders and program for a run of the whole program.
#include <gtest/gtest.h>

#include <optional>

#include "ScopedEnv.h"
#include "app/entry/DialUpEnvironment.h"

namespace kelbrin::app {
namespace {

TEST(DialUpEnvironmentTest, TheTestAidsMoveTheFoldersAndTheProgram) {
  const platform::PppdSetup defaults;
  struct Row {
    std::optional<std::string> peers, run, program, privateDir;
    std::filesystem::path wantPeers, wantRun;
    std::string wantProgram;
    std::filesystem::path wantPrivate;
  };
  const Row rows[] = {
      {std::nullopt, std::nullopt, std::nullopt, std::nullopt, defaults.peersDir, defaults.runDir,
       defaults.program, defaults.privateDir},
      {"", "", "", "", defaults.peersDir, defaults.runDir, defaults.program, defaults.privateDir},
      {"/tmp/peers", "/tmp/run", "/opt/fake_pppd", "/tmp/private", "/tmp/peers", "/tmp/run",
       "/opt/fake_pppd", "/tmp/private"},
      {"/tmp/peers", std::nullopt, std::nullopt, std::nullopt, "/tmp/peers", defaults.runDir,
       defaults.program, defaults.privateDir},
  };
  for (const auto& row : rows) {
    test::ScopedEnv peers("KELBRIN_PPP_PEERS", row.peers);
    test::ScopedEnv run("KELBRIN_PPP_RUN", row.run);
    test::ScopedEnv program("KELBRIN_PPPD", row.program);
    test::ScopedEnv privateDir("KELBRIN_PPP_PRIVATE", row.privateDir);
    const platform::PppdSetup setup = DialUpSetupFromEnvironment();
    EXPECT_EQ(setup.peersDir, row.wantPeers) << row.wantPeers;
    EXPECT_EQ(setup.runDir, row.wantRun) << row.wantPeers;
    EXPECT_EQ(setup.program, row.wantProgram) << row.wantPeers;
    EXPECT_EQ(setup.privateDir, row.wantPrivate) << row.wantPeers;
    EXPECT_EQ(setup.netClassDir, defaults.netClassDir);
    EXPECT_EQ(setup.hangUpBound, defaults.hangUpBound);
  }
}

}  // namespace
}  // namespace kelbrin::app

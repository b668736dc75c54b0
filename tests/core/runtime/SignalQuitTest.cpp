#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>

#include "runtime/CoreEventLoop.h"
#include "runtime/SignalQuit.h"

namespace kelbrin::runtime {
namespace {

using namespace std::chrono_literals;

class SignalQuitTest : public ::testing::TestWithParam<int> {};

TEST_P(SignalQuitTest, SignalToTheProcessEndsTheRealLoopOnItsThread) {
  const int signo = GetParam();
  CoreEventLoop loop(RealClock());
  int seen = 0;
  bool seenOnLoopThread = false;
  {
    SignalQuit signalQuit(loop, [&](int s) {
      seen = s;
      seenOnLoopThread = loop.IsLoopThread();
      loop.Quit();
    });
    loop.Post([signo] { ::kill(::getpid(), signo); });
    // Ends only through the quit the signal posts; the guard only prevents a hang.
    loop.RunUntil([] { return false; }, 10s);
  }
  EXPECT_EQ(seen, signo);
  EXPECT_TRUE(seenOnLoopThread);

  struct sigaction restored {};
  ASSERT_EQ(::sigaction(signo, nullptr, &restored), 0);
  EXPECT_EQ(restored.sa_handler, SIG_DFL) << "the previous disposition was not restored";
}

INSTANTIATE_TEST_SUITE_P(TermAndInt, SignalQuitTest, ::testing::Values(SIGTERM, SIGINT),
                         [](const auto& p) { return p.param == SIGTERM ? "Term" : "Int"; });

// A hang-up reaches the reload on the loop's thread and leaves the loop running.
TEST(SignalQuitHangUpTest, SigHupCallsTheReloadNotTheQuit) {
  CoreEventLoop loop(RealClock());
  int reloads = 0;
  int quits = 0;
  bool reloadedOnLoopThread = false;
  {
    SignalQuit signalQuit(
        loop, [&](int) { ++quits; },
        [&] {
          ++reloads;
          reloadedOnLoopThread = loop.IsLoopThread();
          // The second hang-up is sent only now, so the two cannot merge into one.
          if (reloads == 1) ::kill(::getpid(), SIGHUP);
          if (reloads == 2) loop.Quit();
        });
    loop.Post([] { ::kill(::getpid(), SIGHUP); });
    loop.RunUntil([] { return false; }, 10s);
  }
  EXPECT_EQ(reloads, 2) << "the loop went on after the first reload";
  EXPECT_EQ(quits, 0);
  EXPECT_TRUE(reloadedOnLoopThread);
  struct sigaction restored {};
  ASSERT_EQ(::sigaction(SIGHUP, nullptr, &restored), 0);
  EXPECT_EQ(restored.sa_handler, SIG_DFL) << "the previous disposition was not restored";
}

}  // namespace
}  // namespace kelbrin::runtime

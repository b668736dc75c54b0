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

}  // namespace
}  // namespace kelbrin::runtime

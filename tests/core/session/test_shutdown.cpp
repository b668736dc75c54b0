// The end of the process: every worker stopped and joined, nothing reported afterwards.
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "SessionFixture.h"
#include "protocol/HttpTransport.h"

namespace kelbrin::session::test {
namespace {

// Ends the whole test program when the shutdown it guards does not finish in time: a shutdown
// that no longer aborts the exchange in flight would otherwise hang until ctest's time-out.
class ShutdownWatchdog {
 public:
  explicit ShutdownWatchdog(std::chrono::seconds limit)
      : thread_([this, limit] {
          std::unique_lock lock(mutex_);
          if (!done_cv_.wait_for(lock, limit, [this] { return done_; })) {
            std::fprintf(stderr, "shutdown did not end within %llds\n",
                         static_cast<long long>(limit.count()));
            std::_Exit(1);
          }
        }) {}
  ~ShutdownWatchdog() {
    {
      std::lock_guard lock(mutex_);
      done_ = true;
    }
    done_cv_.notify_all();
    thread_.join();
  }

 private:
  std::mutex mutex_;
  std::condition_variable done_cv_;
  bool done_ = false;
  std::thread thread_;
};

// The HTTP transport, counting the exchanges that have started (the service journals a
// request only once it has answered, so the journal cannot show one still in flight).
class StartedExchanges final : public protocol::Transport {
 public:
  explicit StartedExchanges(std::atomic<int>& started) : started_(started) {}
  std::string Exchange(const protocol::ExchangeRequest& request) override {
    ++started_;
    return inner_.Exchange(request);
  }

 private:
  std::atomic<int>& started_;
  protocol::HttpTransport inner_;
};

class ShutdownTest : public SessionFixture {
 protected:
  // Starts the session over a transport that counts started exchanges in `started`.
  void StartCounting() { Start(std::make_unique<StartedExchanges>(started)); }
  std::atomic<int> started{0};

  void ShutDownInTime() {
    const ShutdownWatchdog watchdog(10s);
    controller = nullptr;
    root.reset();
  }
};

TEST_F(ShutdownTest, AbortsTheExchangeInFlightAndJoinsEveryWorker) {
  // Without the abort the worker would sit in its exchange for minutes (and the test time out).
  pace.receiveTimeout = 300000ms;
  StartCounting();
  ClickLogin("demo01", "demo-pass");
  clock.Advance(pace.serviceListDelay);  // the login's list fetch, answered at once
  ASSERT_TRUE(AwaitRequests("GetServiceListReq", 1));
  ASSERT_TRUE(AwaitRequests("ActiveTestReq", 1));
  const int before = started.load();
  Control("delay?ms=300000&msg=ActiveTestReq");
  clock.Advance(40s);  // the next active test starts and hangs in the service
  ASSERT_TRUE(Eventually([&] { return started.load() == before + 1; }));
  const std::size_t effects = presenter.effects.size();

  ShutDownInTime();
  // Whatever the workers posted on their way out is dropped.
  loop.ProcessPending();
  EXPECT_EQ(presenter.effects.size(), effects);
}

TEST_F(ShutdownTest, ALoginUnderWayIsAbortedToo) {
  pace.receiveTimeout = 300000ms;
  Control("delay?ms=300000&msg=QueryUserProfileReq");
  StartCounting();
  controller->SetEditUserName("demo01");
  controller->SetEditPassword("demo-pass");
  controller->BtnLogonClick();
  ASSERT_TRUE(Eventually([&] { return started.load() == 1; }));
  const std::size_t effects = presenter.effects.size();
  ShutDownInTime();
  loop.ProcessPending();
  EXPECT_EQ(presenter.effects.size(), effects);
}

}  // namespace
}  // namespace kelbrin::session::test

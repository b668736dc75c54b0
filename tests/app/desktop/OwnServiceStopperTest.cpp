// The service-mode exit action: the stop runs beside the window's thread and can be abandoned.
#include <gtest/gtest.h>

#include <atomic>
#include <future>

#include "app/desktop/OwnServiceStopper.h"

namespace kelbrin::app {
namespace {

using namespace std::chrono_literals;

// A manager whose stop waits, pause after pause, until the test releases it or the waiter gives up.
class WaitingManager final : public platform::ServiceManager {
 public:
  bool IsInstalled(const std::string&) override { return true; }
  bool Install(const platform::ServiceDefinition&, std::string&) override { return false; }
  bool Uninstall(const std::string&, std::string&) override { return false; }
  bool RunsAs(const std::string&) override { return true; }
  bool Stop(const std::string& name, std::chrono::milliseconds timeout,
            const platform::StopPause& pause) override {
    ++stops;
    stoppedName = name;
    bound = timeout;
    entered.set_value();
    while (!released) {
      if (!pause(5ms)) {
        cancelled = true;
        return false;
      }
    }
    return true;
  }

  std::atomic<int> stops{0};
  std::atomic<bool> released{false};
  std::atomic<bool> cancelled{false};
  std::string stoppedName;
  std::chrono::milliseconds bound{0};
  std::promise<void> entered;
};

TEST(OwnServiceStopper, StopsTheOwnServiceOnceAndRemembersTheOutcome) {
  WaitingManager manager;
  {
    OwnServiceStopper stopper(manager, "PROKelbrinService", 30s);
    stopper.StopOwnService();
    ASSERT_EQ(manager.entered.get_future().wait_for(10s), std::future_status::ready);
    stopper.StopOwnService();  // still under way: no second stop
    manager.released = true;
    for (int i = 0; i < 1000 && !stopper.LastStopped(); ++i) std::this_thread::sleep_for(5ms);
    EXPECT_TRUE(stopper.LastStopped());
  }
  EXPECT_EQ(manager.stops, 1);
  EXPECT_EQ(manager.stoppedName, "PROKelbrinService");
  EXPECT_EQ(manager.bound, 30s);
  EXPECT_FALSE(manager.cancelled);
}

TEST(OwnServiceStopper, EndingTheProgramAbandonsAWaitingStop) {
  WaitingManager manager;
  {
    OwnServiceStopper stopper(manager, "PROKelbrinService");
    stopper.StopOwnService();
    ASSERT_EQ(manager.entered.get_future().wait_for(10s), std::future_status::ready);
  }  // the destructor cancels the wait and joins
  EXPECT_TRUE(manager.cancelled);
  EXPECT_FALSE(OwnServiceStopper(manager, "x").LastStopped());
}

}  // namespace
}  // namespace kelbrin::app

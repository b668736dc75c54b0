#include <QtTest>
#include <atomic>
#include <thread>
#include <vector>

#include "gui/QtEventLoop.h"

using namespace std::chrono_literals;
using kelbrin::gui::QtEventLoop;
namespace runtime = kelbrin::runtime;

namespace {

// A clock that stands still; only its identity matters here.
class StillClock final : public runtime::Clock {
 public:
  runtime::TimePoint Now() const override { return runtime::TimePoint(42ms); }
  std::chrono::system_clock::time_point WallNow() const override { return {}; }
  bool WaitUntil(std::unique_lock<std::mutex>&, std::condition_variable&, runtime::TimePoint,
                 const std::function<bool()>& wake) override {
    return wake();
  }
};

// Bound on waiting for something that should happen within milliseconds; only prevents a hang.
constexpr int kGuardMs = 5000;

}  // namespace

class TestQtEventLoop : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void postedTasksRunInOrderOnTheLoopThread() {
    StillClock clock;
    QtEventLoop loop(clock);
    std::vector<int> order;
    std::atomic<int> offThread{0};
    for (int i = 0; i < 5; ++i) {
      loop.Post([&, i] {
        if (!loop.IsLoopThread()) ++offThread;
        order.push_back(i);
      });
    }
    QVERIFY(order.empty());  // queued, not run inside Post()
    QTRY_COMPARE_WITH_TIMEOUT(order.size(), size_t{5}, kGuardMs);
    QCOMPARE(order, (std::vector<int>{0, 1, 2, 3, 4}));
    QCOMPARE(offThread.load(), 0);
  }

  void postFromAnotherThreadKeepsThatThreadsOrder() {
    StillClock clock;
    QtEventLoop loop(clock);
    std::vector<int> order;
    bool workerSawLoopThread = true;
    std::thread worker([&] {
      workerSawLoopThread = loop.IsLoopThread();
      for (int i = 0; i < 100; ++i) loop.Post([&order, i] { order.push_back(i); });
    });
    worker.join();
    QVERIFY(!workerSawLoopThread);
    QTRY_COMPARE_WITH_TIMEOUT(order.size(), size_t{100}, kGuardMs);
    for (int i = 0; i < 100; ++i) QCOMPARE(order[static_cast<size_t>(i)], i);
  }

  void handlerShortensItsOwnInterval() {
    // The interval after the first tick is a minute; the handler cuts it to 1 ms, so the next
    // ticks come at once. Without the change the guard would run out after one tick.
    StillClock clock;
    QtEventLoop loop(clock);
    int ticks = 0;
    runtime::TimerId id = 0;
    id = loop.StartTimer(1ms, 60000ms, [&] {
      if (++ticks == 1) loop.SetTimerInterval(id, 1ms);
    });
    QTRY_VERIFY_WITH_TIMEOUT(ticks >= 5, kGuardMs);
    loop.StopTimer(id);
  }

  void handlerLengthensItsOwnInterval() {
    // A fast timer slowed to a minute from its third tick stays at three while a sibling ticks on.
    StillClock clock;
    QtEventLoop loop(clock);
    int slowed = 0;
    int sibling = 0;
    runtime::TimerId id = 0;
    id = loop.StartTimer(1ms, 1ms, [&] {
      if (++slowed == 3) loop.SetTimerInterval(id, 60000ms);
    });
    const runtime::TimerId siblingId = loop.StartTimer(1ms, 1ms, [&] { ++sibling; });
    QTRY_VERIFY_WITH_TIMEOUT(slowed == 3 && sibling >= 30, kGuardMs);
    QCOMPARE(slowed, 3);
    loop.StopTimer(siblingId);
    loop.StopTimer(id);
  }

  void stoppedTimerNeverFiresAgain() {
    StillClock clock;
    QtEventLoop loop(clock);
    int selfStopped = 0;
    int stoppedFromOutside = 0;
    int sibling = 0;
    runtime::TimerId selfId = 0;
    selfId = loop.StartTimer(0ms, 1ms, [&] {
      ++selfStopped;
      loop.StopTimer(selfId);
    });
    const runtime::TimerId outsideId = loop.StartTimer(1ms, 1ms, [&] { ++stoppedFromOutside; });
    loop.StopTimer(outsideId);  // before its first tick
    const runtime::TimerId siblingId = loop.StartTimer(1ms, 1ms, [&] { ++sibling; });
    QTRY_VERIFY_WITH_TIMEOUT(sibling >= 30, kGuardMs);
    QCOMPARE(selfStopped, 1);
    QCOMPARE(stoppedFromOutside, 0);
    loop.StopTimer(siblingId);
    loop.StopTimer(siblingId);  // a second stop is harmless
  }

  void timerTicksAndPostsShareTheLoopThread() {
    StillClock clock;
    QtEventLoop loop(clock);
    bool onLoopThread = false;
    int ticks = 0;
    const runtime::TimerId id = loop.StartTimer(0ms, 1ms, [&] {
      onLoopThread = loop.IsLoopThread();
      ++ticks;
    });
    QTRY_VERIFY_WITH_TIMEOUT(ticks >= 1, kGuardMs);
    QVERIFY(onLoopThread);
    loop.StopTimer(id);
  }

  void clockIsTheInjectedOneOrTheRealOne() {
    StillClock clock;
    QtEventLoop loop(clock);
    QCOMPARE(&loop.clock(), static_cast<const runtime::Clock*>(&clock));
    QVERIFY(loop.Now() == runtime::TimePoint(42ms));
    QtEventLoop real;
    QCOMPARE(&real.clock(), &runtime::RealClock());
  }
};

QTEST_GUILESS_MAIN(TestQtEventLoop)
#include "test_qt_event_loop.moc"

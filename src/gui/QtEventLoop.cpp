#include "QtEventLoop.h"

#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cassert>
#include <climits>

namespace kelbrin::gui {

namespace {
int ToQtMs(runtime::Duration d) {
  return static_cast<int>(std::clamp<runtime::Duration::rep>(d.count(), 0, INT_MAX));
}
}  // namespace

struct QtEventLoop::Timer {
  QTimer* qtimer = nullptr;  // owned by the loop object; deleted later, never inside its tick
  runtime::Duration interval{};
  bool firstTickDone = false;
  // Shared so that a handler that stops its own timer keeps running on a live function.
  std::shared_ptr<runtime::Task> onTick;
};

QtEventLoop::QtEventLoop(const runtime::Clock& clock, QObject* parent)
    : QObject(parent), clock_(clock) {}

QtEventLoop::~QtEventLoop() = default;

void QtEventLoop::Post(runtime::Task task) {
  // Queued calls to one receiver are delivered in the order they were posted, from any thread.
  QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
}

runtime::TimerId QtEventLoop::StartTimer(runtime::Duration firstDelay, runtime::Duration interval,
                                         runtime::Task onTick) {
  assert(IsLoopThread());
  const runtime::TimerId id = nextId_++;
  auto timer = std::make_unique<Timer>();
  timer->qtimer = new QTimer(this);
  timer->qtimer->setTimerType(Qt::PreciseTimer);
  timer->interval = interval;
  timer->onTick = std::make_shared<runtime::Task>(std::move(onTick));
  connect(timer->qtimer, &QTimer::timeout, this, [this, id] { fire(id); });
  timer->qtimer->start(ToQtMs(firstDelay));
  timers_.emplace(id, std::move(timer));
  return id;
}

void QtEventLoop::fire(runtime::TimerId id) {
  const auto it = timers_.find(id);
  if (it == timers_.end()) return;
  Timer& timer = *it->second;
  if (!timer.firstTickDone) {
    // The first delay is over; from now on the timer runs at its interval.
    timer.firstTickDone = true;
    timer.qtimer->start(ToQtMs(timer.interval));
  }
  const std::shared_ptr<runtime::Task> onTick = timer.onTick;
  (*onTick)();
}

void QtEventLoop::SetTimerInterval(runtime::TimerId id, runtime::Duration interval) {
  assert(IsLoopThread());
  const auto it = timers_.find(id);
  if (it == timers_.end()) return;
  Timer& timer = *it->second;
  timer.interval = interval;
  // Before the first tick the first delay still stands; afterwards the next tick is one new
  // interval from Now (from this tick, when a handler changes its own timer).
  if (timer.firstTickDone) timer.qtimer->start(ToQtMs(interval));
}

void QtEventLoop::StopTimer(runtime::TimerId id) {
  assert(IsLoopThread());
  const auto it = timers_.find(id);
  if (it == timers_.end()) return;
  QTimer* qtimer = it->second->qtimer;
  timers_.erase(it);
  qtimer->stop();
  qtimer->deleteLater();  // the handler may be running inside this timer's timeout signal
}

bool QtEventLoop::IsLoopThread() const { return QThread::currentThread() == thread(); }

}  // namespace kelbrin::gui

#include "runtime/CoreEventLoop.h"

#include <algorithm>
#include <cassert>
#include <stop_token>
#include <utility>
#include <vector>

namespace kelbrin::runtime {

namespace {
// A zero interval would make a timer due forever on a clock that stands still.
constexpr Duration kShortestInterval{1};
}  // namespace

CoreEventLoop::CoreEventLoop(Clock& clock) : clock_(clock), owner_(std::this_thread::get_id()) {}

void CoreEventLoop::Post(Task task) {
  {
    std::lock_guard guard(mutex_);
    tasks_.push_back(std::move(task));
  }
  wakeWaiter();
}

TimerId CoreEventLoop::StartTimer(Duration firstDelay, Duration interval, Task onTick) {
  assert(IsLoopThread());
  const TimerId id = nextTimerId_++;
  timers_.emplace(id, Timer{clock_.Now() + std::max(firstDelay, Duration::zero()),
                            std::max(interval, kShortestInterval), std::move(onTick)});
  return id;
}

void CoreEventLoop::SetTimerInterval(TimerId id, Duration interval) {
  assert(IsLoopThread());
  if (auto it = timers_.find(id); it != timers_.end()) {
    it->second.interval = std::max(interval, kShortestInterval);
    it->second.deadline = clock_.Now() + it->second.interval;
  }
}

void CoreEventLoop::StopTimer(TimerId id) {
  assert(IsLoopThread());
  timers_.erase(id);
}

bool CoreEventLoop::IsLoopThread() const { return owner_.load() == std::this_thread::get_id(); }

void CoreEventLoop::Quit() {
  {
    std::lock_guard guard(mutex_);
    quitRequested_ = true;
  }
  wakeWaiter();
}

void CoreEventLoop::BindToCallingThread() { owner_.store(std::this_thread::get_id()); }

bool CoreEventLoop::FireDueTimers(const std::function<bool()>& stop) {
  const TimePoint current = clock_.Now();
  std::vector<std::pair<TimePoint, TimerId>> due;
  for (const auto& [id, timer] : timers_) {
    if (timer.deadline <= current) due.emplace_back(timer.deadline, id);
  }
  std::sort(due.begin(), due.end());
  for (const auto& [deadline, id] : due) {
    auto it = timers_.find(id);
    if (it == timers_.end()) continue;  // stopped by an earlier handler
    it->second.deadline = current + it->second.interval;
    // A copy: the handler may stop its own timer.
    const Task onTick = it->second.onTick;
    onTick();
    if (stop()) break;
  }
  return !due.empty();
}

bool CoreEventLoop::dispatch(const std::function<bool()>& stop) {
  std::deque<Task> batch;
  {
    std::lock_guard guard(mutex_);
    batch.swap(tasks_);
  }
  bool ran = !batch.empty();
  while (!batch.empty()) {
    Task task = std::move(batch.front());
    batch.pop_front();
    task();
    if (stop()) {
      // Keep what has not run yet in front of anything posted meanwhile.
      std::lock_guard guard(mutex_);
      tasks_.insert(tasks_.begin(), std::make_move_iterator(batch.begin()),
                    std::make_move_iterator(batch.end()));
      return true;
    }
  }
  return FireDueTimers(stop) || ran;
}

TimePoint CoreEventLoop::NextDeadline() const {
  TimePoint next = TimePoint::max();
  for (const auto& entry : timers_) next = std::min(next, entry.second.deadline);
  return next;
}

void CoreEventLoop::SetIdleWait(std::function<void(std::optional<Duration>)> wait,
                                std::function<void()> wake) {
  idleWait_ = std::move(wait);
  idleWake_ = std::move(wake);
}

void CoreEventLoop::wakeWaiter() {
  wakeUp_.notify_all();
  if (idleWake_) idleWake_();
}

void CoreEventLoop::WaitForWork(const std::function<bool()>& extraWake) {
  const TimePoint deadline = NextDeadline();
  if (idleWait_) {
    {
      std::lock_guard lock(mutex_);
      if (quitRequested_ || !tasks_.empty() || extraWake()) return;
    }
    // A Post() between the check and the wait has already woken the waiter: nothing is lost.
    idleWait_(deadline == TimePoint::max()
                  ? std::nullopt
                  : std::optional<Duration>(std::max(deadline - clock_.Now(), Duration::zero())));
    return;
  }
  std::unique_lock lock(mutex_);
  clock_.WaitUntil(lock, wakeUp_, deadline,
                   [&] { return quitRequested_ || !tasks_.empty() || extraWake(); });
}

void CoreEventLoop::Run() {
  RunUntil([] { return false; }, std::chrono::steady_clock::duration::max());
}

bool CoreEventLoop::RunUntil(const std::function<bool()>& done,
                             std::chrono::steady_clock::duration realGuard) {
  BindToCallingThread();
  bool guardExpired = false;  // guarded by mutex_
  std::jthread guard;
  if (realGuard != std::chrono::steady_clock::duration::max()) {
    guard = std::jthread([this, realGuard, &guardExpired](std::stop_token stopToken) {
      std::mutex m;
      std::condition_variable_any cv;
      std::unique_lock lock(m);
      if (cv.wait_for(lock, stopToken, realGuard, [] { return false; }) ||
          stopToken.stop_requested()) {
        return;
      }
      {
        std::lock_guard loopGuard(mutex_);
        guardExpired = true;
      }
      wakeWaiter();
    });
  }
  const auto quitOrExpired = [&] {
    std::lock_guard lock(mutex_);
    return quitRequested_ || guardExpired;
  };
  const auto stop = [&] { return done() || quitOrExpired(); };

  while (!stop()) {
    if (dispatch(stop)) continue;
    WaitForWork([&] { return guardExpired; });
  }
  {
    std::lock_guard lock(mutex_);
    quitRequested_ = false;
  }
  return done();
}

void CoreEventLoop::ProcessPending() {
  BindToCallingThread();
  while (dispatch([] { return false; })) {
  }
}

}  // namespace kelbrin::runtime

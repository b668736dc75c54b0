#include "lines/LineStateTimer.h"

#include "lines/NetHelpers.h"

namespace kelbrin::lines {

LineStateTimer::LineStateTimer(runtime::EventLoop& loop, const runtime::Pace& pace,
                               std::function<void(bool reachable)> setNetReachable)
    : loop_(loop),
      timer_(loop.StartTimer(pace.lineStateFirst, pace.lineStateInterval,
                             [set = std::move(setNetReachable)] { set(IsNetReachable()); })) {}

LineStateTimer::~LineStateTimer() { loop_.StopTimer(timer_); }

}  // namespace kelbrin::lines

#pragma once

#include <functional>

#include "runtime/EventLoop.h"
#include "runtime/Pace.h"

namespace kelbrin::lines {

// The line-state timer of the controller's thread: first after `lineStateFirst`, then every
// `lineStateInterval`, it refreshes the Internet-reachability flag from IsNetReachable.
class LineStateTimer {
 public:
  LineStateTimer(runtime::EventLoop& loop, const runtime::Pace& pace,
                 std::function<void(bool reachable)> setNetReachable);
  ~LineStateTimer();
  LineStateTimer(const LineStateTimer&) = delete;
  LineStateTimer& operator=(const LineStateTimer&) = delete;

 private:
  runtime::EventLoop& loop_;
  runtime::TimerId timer_;
};

}  // namespace kelbrin::lines

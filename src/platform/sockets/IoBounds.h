#pragma once

#include <atomic>
#include <chrono>

namespace kelbrin::platform {

using SteadyTime = std::chrono::steady_clock::time_point;

// What bounds the waits of one network exchange: a deadline, optionally a stall bound (no byte
// moved for that long), and an abort flag. A wait sleeps in slices of at most kAbortCheck, so an
// abort ends it promptly; nothing runs between exchanges.
class IoBounds {
 public:
  static constexpr std::chrono::milliseconds kAbortCheck{100};

  enum class Wait { Ready, TimedOut, Aborted, Failed };

  IoBounds(SteadyTime deadline, const std::atomic<bool>* aborted)
      : deadline_(deadline), aborted_(aborted) {}

  void SetDeadline(SteadyTime deadline) { deadline_ = deadline; }
  // From now on a wait also ends when no byte has moved for `stall` (zero: no such bound).
  void SetStallBound(std::chrono::milliseconds stall);
  // A byte moved: the stall bound counts from now.
  void Progress() { lastProgress_ = std::chrono::steady_clock::now(); }

  bool Aborted() const { return aborted_ != nullptr && aborted_->load(); }
  // Aborted, or past the time to give up: checked before every send and receive, so that a peer
  // that never lets a wait happen (it streams without end) is bounded as well.
  Wait Check() const;
  // When the current wait has to give up: the deadline, or the stall bound if that is sooner.
  SteadyTime GiveUpAt() const;
  // The end of the next slice of a wait: at most kAbortCheck from now, never past GiveUpAt().
  SteadyTime SliceEnd() const;

  // Waits until `fd` is ready for `events` (POLLIN, POLLOUT); an error or hang-up on the socket
  // counts as ready, the next call on it tells what happened.
  Wait WaitFor(int fd, short events) const;

 private:
  SteadyTime deadline_;
  const std::atomic<bool>* aborted_;
  std::chrono::milliseconds stall_{0};
  SteadyTime lastProgress_{};
};

}  // namespace kelbrin::platform

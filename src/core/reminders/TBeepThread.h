#pragma once

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

namespace kelbrin::reminders {

// Plays one tone and returns when it has finished (platform::PlayTone in the program).
using ToneFunction = std::function<void(unsigned frequencyHz, unsigned durationMs)>;

struct BeepTone {
  unsigned frequencyHz;
  unsigned durationMs;
};

// One repetition of the reminder beep.
inline constexpr std::array<BeepTone, 3> kBeepPattern{{{800, 500}, {800, 200}, {1000, 300}}};

// A worker that plays the beep pattern `repetitions` times. It starts at construction; a stop
// request is seen before the next tone; the destructor stops it and joins it.
class TBeepThread {
 public:
  TBeepThread(ToneFunction tone, int repetitions);
  ~TBeepThread();
  TBeepThread(const TBeepThread&) = delete;
  TBeepThread& operator=(const TBeepThread&) = delete;

  // True until the last tone has finished (or a stop has been seen).
  bool Running() const { return running_.load(); }
  void RequestStop() { stopRequested_.store(true); }

 private:
  void Run(int repetitions);

  ToneFunction tone_;
  std::atomic<bool> running_{true};
  std::atomic<bool> stopRequested_{false};
  std::thread thread_;  // last member: starts after the flags exist
};

// The owner of the one beep thread of the process (the window thread's StartBeep). Not
// thread-safe: called on the controller's thread only.
class BeepPlayer {
 public:
  explicit BeepPlayer(ToneFunction tone) : tone_(std::move(tone)) {}
  ~BeepPlayer() { Stop(); }
  BeepPlayer(const BeepPlayer&) = delete;
  BeepPlayer& operator=(const BeepPlayer&) = delete;

  // Starts a beep of `repetitions` patterns unless one still plays; returns whether it started.
  bool StartBeep(int repetitions);
  bool Playing() const { return thread_ && thread_->Running(); }
  // Ends a beep in progress after its current tone and joins it (at shutdown).
  void Stop();

 private:
  ToneFunction tone_;
  std::unique_ptr<TBeepThread> thread_;
};

}  // namespace kelbrin::reminders

#include "reminders/TBeepThread.h"

namespace kelbrin::reminders {

TBeepThread::TBeepThread(ToneFunction tone, int repetitions)
    : tone_(std::move(tone)), thread_([this, repetitions] { Run(repetitions); }) {}

TBeepThread::~TBeepThread() {
  RequestStop();
  thread_.join();
}

void TBeepThread::Run(int repetitions) {
  for (int i = 0; i < repetitions; ++i) {
    for (const BeepTone& t : kBeepPattern) {
      if (stopRequested_.load()) break;
      try {
        tone_(t.frequencyHz, t.durationMs);
      } catch (...) {
        // A failing sound output must not end the process; the rest of the pattern is skipped.
        stopRequested_.store(true);
      }
    }
  }
  running_.store(false);
}

bool BeepPlayer::StartBeep(int repetitions) {
  if (Playing()) return false;
  thread_.reset();  // joins the finished thread of the previous beep
  thread_ = std::make_unique<TBeepThread>(tone_, repetitions);
  return true;
}

void BeepPlayer::Stop() { thread_.reset(); }

}  // namespace kelbrin::reminders

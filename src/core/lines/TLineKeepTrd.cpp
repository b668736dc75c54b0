#include "lines/TLineKeepTrd.h"

#include "lines/TBaseLine.h"

namespace kelbrin::lines {
namespace {

// The "until something changes" wait: far enough to never end by itself in practice.
constexpr runtime::Duration kUntilChanged = std::chrono::hours(24 * 365);

}  // namespace

TLineKeepTrd::TLineKeepTrd(TBaseLine& line, runtime::Clock& clock, runtime::Duration interval)
    : line_(line), interval_(interval), wait_(clock), thread_([this] { Run(); }) {}

TLineKeepTrd::~TLineKeepTrd() { Stop(); }

void TLineKeepTrd::Notify() { wait_.NotifyChange(); }

void TLineKeepTrd::LinkChanged() {
  linkChanged_.store(true);
  wait_.NotifyChange();
}

void TLineKeepTrd::Stop() {
  wait_.RequestStop();
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

void TLineKeepTrd::Run() {
  const auto hasWork = [this] { return line_.KeepActive() && line_.KeepAliveActs(); };
  const auto upLineMayHaveDropped = [this] { return lastSeenUp_ && linkChanged_.load(); };
  using End = runtime::WorkerWait::End;
  for (;;) {
    if (wait_.WaitFor(kUntilChanged, hasWork) == End::Stopped) return;
    // The first check comes one interval after the keep-alive was turned on.
    if (wait_.WaitFor(interval_, upLineMayHaveDropped) == End::Stopped) return;
    if (!hasWork()) continue;
    // What changed before this check is seen by it; a redial's own changes are not news.
    linkChanged_.store(false);
    lastSeenUp_ = false;
    try {
      lastSeenUp_ = line_.GetActive();
      if (!lastSeenUp_) line_.SetActive(true);
    } catch (...) {
      // A failed pass is tried again one interval later.
    }
  }
}

}  // namespace kelbrin::lines

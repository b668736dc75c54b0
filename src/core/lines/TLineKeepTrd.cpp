#include "lines/TLineKeepTrd.h"

#include "lines/TBaseLine.h"

namespace kelbrin::lines {
namespace {

// The "until something changes" wait: far enough to never end by itself in practice.
constexpr runtime::Duration kUntilChanged = std::chrono::hours(24 * 365);

}  // namespace

TLineKeepTrd::TLineKeepTrd(TBaseLine& line, runtime::Clock& clock, runtime::Duration interval,
                           NewsSink tell)
    : line_(line), interval_(interval), wait_(clock), tell_(std::move(tell)), thread_([this] {
        Run();
      }) {}

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
      Pass();
    } catch (...) {
      // A failed pass is tried again one interval later.
    }
  }
}

void TLineKeepTrd::Pass() {
  lastSeenUp_ = line_.GetActive();
  if (lastSeenUp_) {
    Tell(LineChange::Up);
    return;
  }
  if (told_ && told_->change == LineChange::Up) Tell(LineChange::Lost);
  line_.SetActive(true);
  const int result = line_.LastBringUp();
  if (result == 0) {
    Tell(LineChange::Up);
  } else {
    Tell(LineChange::DialFailed, result);
  }
}

void TLineKeepTrd::Tell(LineChange change, int code) {
  LineNews news{change, line_.EntryName(), code};
  if (told_ == news) return;
  told_ = news;
  if (tell_) tell_(news);
}

}  // namespace kelbrin::lines

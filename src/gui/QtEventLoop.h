#pragma once

#include <QObject>
#include <memory>
#include <unordered_map>

#include "runtime/EventLoop.h"

class QTimer;

namespace kelbrin::gui {

// The core's event loop on the Qt main thread (desktop mode): posted tasks become queued calls,
// timers are QTimers. Create it on the thread whose loop runs the controller, and keep it alive
// while anything may still post to it (the controller joins its workers first).
class QtEventLoop final : public QObject, public runtime::EventLoop {
  Q_OBJECT

 public:
  // `clock` is what the core reads as Now(): the real clock unless a test injects another.
  explicit QtEventLoop(const runtime::Clock& clock = runtime::RealClock(),
                       QObject* parent = nullptr);
  ~QtEventLoop() override;

  void Post(runtime::Task task) override;
  runtime::TimerId StartTimer(runtime::Duration firstDelay, runtime::Duration interval,
                              runtime::Task onTick) override;
  void SetTimerInterval(runtime::TimerId id, runtime::Duration interval) override;
  void StopTimer(runtime::TimerId id) override;
  const runtime::Clock& clock() const override { return clock_; }
  bool IsLoopThread() const override;

 private:
  struct Timer;

  void fire(runtime::TimerId id);

  const runtime::Clock& clock_;
  runtime::TimerId nextId_ = 1;
  std::unordered_map<runtime::TimerId, std::unique_ptr<Timer>> timers_;
};

}  // namespace kelbrin::gui

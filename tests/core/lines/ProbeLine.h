#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <stdexcept>

#include "lines/TBaseLine.h"

namespace kelbrin::lines::test {

// What a probe line saw; outlives the line, so a test can look after the line is gone.
struct ProbeRecord {
  std::mutex mutex;
  std::condition_variable changed;
  int created = 0;
  int getActive = 0;
  int setActiveTrue = 0;
  int authenticate = 0;
  bool active = false;
  bool failAuthenticate = false;

  int GetActiveCalls() {
    std::lock_guard guard(mutex);
    return getActive;
  }
  // Waits (real time, at most `guard`) until GetActive has been called `count` times.
  bool WaitForGetActive(int count, std::chrono::milliseconds guard) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, guard, [&] { return getActive >= count; });
  }
};

// A line kind that records what its keep-alive worker and its holder do with it. It stands in
// for the dial-up kind, which brings its line up from the worker.
class ProbeLine : public TBaseLine {
 public:
  ProbeLine(const LineEnvironment& environment, std::shared_ptr<ProbeRecord> record, bool acts)
      : TBaseLine(environment), record_(std::move(record)), acts_(acts) {
    std::lock_guard guard(record_->mutex);
    ++record_->created;
  }

  int Connect() override { return 0; }
  int Disconnect() override { return 0; }
  std::string GetIpAddress() override { return StoredIpAddress(); }
  bool GetActive() override {
    std::lock_guard guard(record_->mutex);
    ++record_->getActive;
    record_->changed.notify_all();
    return record_->active;
  }
  void SetActive(bool value) override {
    std::lock_guard guard(record_->mutex);
    if (value) ++record_->setActiveTrue;
  }
  std::string Describe() override { return "ClassName: TDailLine"; }
  bool Authenticate() override {
    std::lock_guard guard(record_->mutex);
    ++record_->authenticate;
    if (record_->failAuthenticate) throw std::runtime_error("login step failed");
    return true;
  }
  bool KeepAliveActs() const override { return acts_; }

 private:
  std::shared_ptr<ProbeRecord> record_;
  bool acts_;
};

}  // namespace kelbrin::lines::test

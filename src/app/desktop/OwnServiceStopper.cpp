#include "app/desktop/OwnServiceStopper.h"

namespace kelbrin::app {

OwnServiceStopper::OwnServiceStopper(platform::ServiceManager& manager, std::string serviceName,
                                     std::chrono::milliseconds bound)
    : manager_(manager), serviceName_(std::move(serviceName)), bound_(bound) {}

OwnServiceStopper::~OwnServiceStopper() {
  {
    const std::lock_guard lock(mutex_);
    cancelled_ = true;
  }
  wake_.notify_all();
  if (worker_.joinable()) worker_.join();
}

void OwnServiceStopper::StopOwnService() {
  {
    const std::lock_guard lock(mutex_);
    if (running_) return;
    running_ = true;
  }
  if (worker_.joinable()) worker_.join();  // a finished earlier stop
  worker_ = std::thread([this] {
    const bool stopped =
        manager_.Stop(serviceName_, bound_, [this](auto pause) { return Pause(pause); });
    const std::lock_guard lock(mutex_);
    lastStopped_ = stopped;
    running_ = false;
  });
}

bool OwnServiceStopper::LastStopped() {
  const std::lock_guard lock(mutex_);
  return lastStopped_;
}

bool OwnServiceStopper::Pause(std::chrono::milliseconds pause) {
  std::unique_lock lock(mutex_);
  return !wake_.wait_for(lock, pause, [this] { return cancelled_; });
}

}  // namespace kelbrin::app

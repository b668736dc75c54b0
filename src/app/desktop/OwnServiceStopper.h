#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "platform/systemd/ServiceManager.h"

namespace kelbrin::app {

// StopOwnService, the exit action of a service-mode window: asks the service manager to stop the
// client's own service and waits (bounded) for the stop on a thread of its own, so the window
// keeps handling events, among them the stop signal that ends the process. The result is not
// used: the manager's stop is what ends the program. Main thread only.
class OwnServiceStopper {
 public:
  OwnServiceStopper(platform::ServiceManager& manager, std::string serviceName,
                    std::chrono::milliseconds bound = std::chrono::seconds(30));
  // Stops waiting and joins the thread (at most one systemctl call long).
  ~OwnServiceStopper();
  OwnServiceStopper(const OwnServiceStopper&) = delete;
  OwnServiceStopper& operator=(const OwnServiceStopper&) = delete;

  // Starts the stop unless one is under way.
  void StopOwnService();
  // Whether the last finished stop saw the service stopped.
  bool LastStopped();

 private:
  bool Pause(std::chrono::milliseconds pause);

  platform::ServiceManager& manager_;
  std::string serviceName_;
  std::chrono::milliseconds bound_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool cancelled_ = false;
  bool running_ = false;
  bool lastStopped_ = false;
  std::thread worker_;
};

}  // namespace kelbrin::app

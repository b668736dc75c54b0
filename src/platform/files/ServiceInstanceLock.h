#pragma once

#include <filesystem>

namespace kelbrin::platform {

// One service instance per settings folder: two would log in, test and report twice with the
// same account. The lock is an flock on "service.lock" in the folder, so it ends with the
// process that holds it, however that process ends.
class ServiceInstanceLock {
 public:
  // Prepares the folder (PrepareSettingsFolder) and takes the lock. Throws std::runtime_error
  // saying why when another process holds it, and what PrepareSettingsFolder throws.
  explicit ServiceInstanceLock(const std::filesystem::path& settingsFolder);
  ~ServiceInstanceLock();  // closing the descriptor releases the lock
  ServiceInstanceLock(const ServiceInstanceLock&) = delete;
  ServiceInstanceLock& operator=(const ServiceInstanceLock&) = delete;

  static std::filesystem::path LockPath(const std::filesystem::path& settingsFolder);

 private:
  int fd_ = -1;
};

}  // namespace kelbrin::platform

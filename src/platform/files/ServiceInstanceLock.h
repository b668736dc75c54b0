#pragma once

#include <filesystem>
#include <stdexcept>

#include "platform/files/Translatable.h"

namespace kelbrin::platform {

// Another process holds the lock: the English text names the folder, which a caller that says it
// in another language takes from Folder().
class ServiceAlreadyRuns : public std::runtime_error {
 public:
  static constexpr const char* kText = Translatable(
      "another kelbrin-client --service already runs with the settings folder %1; this one ends");

  explicit ServiceAlreadyRuns(const std::filesystem::path& folder);
  const std::filesystem::path& Folder() const { return folder_; }

 private:
  std::filesystem::path folder_;
};

// One service instance per settings folder: two would log in, test and report twice with the
// same account. The lock is an flock on "service.lock" in the folder, so it ends with the
// process that holds it, however that process ends.
class ServiceInstanceLock {
 public:
  // Prepares the folder (PrepareSettingsFolder) and takes the lock. Throws ServiceAlreadyRuns
  // when another process holds it, and what PrepareSettingsFolder throws.
  explicit ServiceInstanceLock(const std::filesystem::path& settingsFolder);
  ~ServiceInstanceLock();  // closing the descriptor releases the lock
  ServiceInstanceLock(const ServiceInstanceLock&) = delete;
  ServiceInstanceLock& operator=(const ServiceInstanceLock&) = delete;

  static std::filesystem::path LockPath(const std::filesystem::path& settingsFolder);

 private:
  int fd_ = -1;
};

}  // namespace kelbrin::platform

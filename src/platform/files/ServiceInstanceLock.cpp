#include "platform/files/ServiceInstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <system_error>

#include "platform/files/SettingsFolder.h"

namespace kelbrin::platform {

std::filesystem::path ServiceInstanceLock::LockPath(const std::filesystem::path& settingsFolder) {
  return settingsFolder / "service.lock";
}

ServiceInstanceLock::ServiceInstanceLock(const std::filesystem::path& settingsFolder) {
  PrepareSettingsFolder(settingsFolder);
  const std::filesystem::path path = LockPath(settingsFolder);
  fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd_ < 0) {
    throw std::system_error(errno, std::generic_category(), "cannot open " + path.string());
  }
  int result = 0;
  while ((result = ::flock(fd_, LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
  }
  if (result == 0) return;
  const int error = errno;
  ::close(fd_);
  if (error == EWOULDBLOCK) {
    throw std::runtime_error("another kelbrin-client --service already runs with the settings "
                             "folder " + settingsFolder.string() + "; this one ends");
  }
  throw std::system_error(error, std::generic_category(), "cannot lock " + path.string());
}

ServiceInstanceLock::~ServiceInstanceLock() { ::close(fd_); }

}  // namespace kelbrin::platform

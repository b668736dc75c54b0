#include "platform/files/ServiceInstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <system_error>

#include "platform/files/SettingsFolder.h"

namespace kelbrin::platform {

namespace {

std::string AlreadyRunsText(const std::filesystem::path& folder) {
  std::string text = ServiceAlreadyRuns::kText;
  return text.replace(text.find("%1"), 2, folder.string());
}

}  // namespace

ServiceAlreadyRuns::ServiceAlreadyRuns(const std::filesystem::path& folder)
    : std::runtime_error(AlreadyRunsText(folder)), folder_(folder) {}

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
    throw ServiceAlreadyRuns(settingsFolder);
  }
  throw std::system_error(error, std::generic_category(), "cannot lock " + path.string());
}

ServiceInstanceLock::~ServiceInstanceLock() { ::close(fd_); }

}  // namespace kelbrin::platform

#include "platform/files/SettingsFolder.h"

#include <sys/stat.h>

#include <cerrno>
#include <stdexcept>
#include <system_error>

#include "platform/files/AtomicFile.h"

namespace kelbrin::platform {

void PrepareSettingsFolder(const std::filesystem::path& folder) {
  CreateFolder(folder, 0700);
  struct stat info {};
  if (::stat(folder.c_str(), &info) != 0) {
    throw std::system_error(errno, std::generic_category(), "cannot look at " + folder.string());
  }
  if ((info.st_mode & S_IWOTH) != 0) {
    throw std::runtime_error("the settings folder " + folder.string() +
                             " is writable by every user; it is not used for passwords until "
                             "it is private (chmod 700 " + folder.string() + ")");
  }
}

}  // namespace kelbrin::platform

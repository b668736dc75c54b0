#include "platform/files/PrivateFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

namespace kelbrin::platform {

std::filesystem::path WritePrivateFile(const std::filesystem::path& folder, std::string_view prefix,
                                       std::string_view content) {
  ::mkdir(folder.c_str(), 0700);
  struct stat info {};
  if (::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid() ||
      (info.st_mode & 077) != 0) {
    return {};
  }
  std::string name = (folder / (std::string(prefix) + "-XXXXXX")).string();
  const int fd = ::mkostemp(name.data(), O_CLOEXEC);  // mode 0600
  if (fd < 0) return {};
  const bool written =
      ::write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size());
  ::close(fd);
  if (!written) {
    ::unlink(name.c_str());
    return {};
  }
  return name;
}

bool SecretFitsOneLine(std::string_view secret, std::size_t limit) {
  return secret.size() <= limit && std::none_of(secret.begin(), secret.end(), [](char c) {
           return static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
         });
}

}  // namespace kelbrin::platform

#include "eventlog/LogFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>

#include "eventlog/LogFormat.h"
#include "platform/files/CodePage.h"

namespace kelbrin::eventlog {

namespace {

std::string Failure(std::string_view what, const std::filesystem::path& path, int error) {
  return std::string(what) + " \"" + path.string() + "\". " + std::strerror(error);
}

// Writes all of `bytes`, resuming after interruptions and short writes; false with errno set.
bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

}  // namespace

void SaveLogFile(const LogList& list, const std::filesystem::path& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) throw LogSaveError(Failure("Cannot create file", path, errno), 0);

  const platform::CodePage& codePage = platform::SystemCodePage();
  // One write per line, so that a failure keeps every line before it.
  for (std::size_t row = 0; row < list.size(); ++row) {
    if (!WriteAll(fd, codePage.FromUtf8(FormatLogLine(list.at(row)) + "\r\n"))) {
      const int error = errno;
      ::close(fd);
      throw LogSaveError(Failure("Cannot write file", path, error), row);
    }
  }
  if (::close(fd) != 0) {
    throw LogSaveError(Failure("Cannot write file", path, errno), list.size());
  }
}

}  // namespace kelbrin::eventlog

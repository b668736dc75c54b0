#include "platform/systemd/JournalStream.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace kelbrin::platform {

bool DescriptorIsJournal(int fd, const std::optional<std::string>& journalStream) {
  if (!journalStream) return false;
  unsigned long long device = 0;
  unsigned long long inode = 0;
  int consumed = 0;
  if (std::sscanf(journalStream->c_str(), "%llu:%llu%n", &device, &inode, &consumed) != 2 ||
      static_cast<std::size_t>(consumed) != journalStream->size()) {
    return false;
  }
  struct stat info {};
  return ::fstat(fd, &info) == 0 && static_cast<unsigned long long>(info.st_dev) == device &&
         static_cast<unsigned long long>(info.st_ino) == inode;
}

bool StandardErrorIsJournal() {
  const char* value = std::getenv("JOURNAL_STREAM");
  return DescriptorIsJournal(STDERR_FILENO,
                             value ? std::optional<std::string>(value) : std::nullopt);
}

}  // namespace kelbrin::platform

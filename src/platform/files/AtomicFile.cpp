#include "platform/files/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <system_error>

namespace kelbrin::platform {
namespace {

[[noreturn]] void ThrowErrno(int error, const std::string& what) {
  throw std::system_error(error, std::generic_category(), what);
}

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;

  int get() const { return fd_; }
  // Closes now, so that a failing close (delayed write error) can be reported.
  int close() {
    const int result = ::close(fd_);
    fd_ = -1;
    return result;
  }

 private:
  int fd_;
};

void WriteAll(int fd, std::string_view data, const std::string& name) {
  while (!data.empty()) {
    const ssize_t written = ::write(fd, data.data(), data.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      ThrowErrno(errno, "cannot write " + name);
    }
    data.remove_prefix(static_cast<size_t>(written));
  }
}

void SyncFolder(const std::filesystem::path& folder) {
  FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() < 0 || ::fsync(dir.get()) != 0) {
    ThrowErrno(errno, "cannot sync the folder " + folder.string());
  }
}

}  // namespace

void CreateFolder(const std::filesystem::path& folder, mode_t mode) {
  if (std::filesystem::is_directory(folder)) return;
  if (folder.has_parent_path() && folder.parent_path() != folder) {
    std::error_code error;
    std::filesystem::create_directories(folder.parent_path(), error);
    if (error) throw std::system_error(error, "cannot create " + folder.parent_path().string());
  }
  if (::mkdir(folder.c_str(), mode) != 0) {
    const int error = errno;
    // Another writer may have created it meanwhile; anything else in its place is an error.
    if (error != EEXIST || !std::filesystem::is_directory(folder)) {
      ThrowErrno(error == EEXIST ? ENOTDIR : error, "cannot create " + folder.string());
    }
  }
}

std::string TempFilePrefix(const std::filesystem::path& target) {
  return target.filename().string() + ".tmp-";
}

void WriteFileAtomically(const std::filesystem::path& target, std::string_view data, mode_t mode) {
  const std::filesystem::path folder =
      target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
  std::string tempName = (folder / (TempFilePrefix(target) + "XXXXXX")).string();
  // mkstemp creates the file 0600, so nothing is ever readable by others before fchmod.
  FileDescriptor file(::mkostemp(tempName.data(), O_CLOEXEC));
  if (file.get() < 0) ThrowErrno(errno, "cannot create a temp file beside " + target.string());
  try {
    if (::fchmod(file.get(), mode) != 0) ThrowErrno(errno, "cannot set the mode of " + tempName);
    WriteAll(file.get(), data, tempName);
    if (::fsync(file.get()) != 0) ThrowErrno(errno, "cannot sync " + tempName);
    if (file.close() != 0) ThrowErrno(errno, "cannot close " + tempName);
    if (::rename(tempName.c_str(), target.c_str()) != 0) {
      ThrowErrno(errno, "cannot replace " + target.string());
    }
  } catch (...) {
    ::unlink(tempName.c_str());
    throw;
  }
  SyncFolder(folder);
}

}  // namespace kelbrin::platform

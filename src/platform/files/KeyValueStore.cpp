#include "platform/files/KeyValueStore.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <mutex>
#include <stdexcept>
#include <system_error>

#include "platform/files/AtomicFile.h"
#include "platform/files/SettingsFolder.h"

namespace kelbrin::platform {
namespace {

// Far above any real store; a bigger file is not ours and is not read into memory.
constexpr std::uintmax_t kMaxFileSize = 1 << 20;
constexpr mode_t kFileMode = 0600;

// One lock for every store of the process: changes are rare and small.
std::mutex& ProcessWriteLock() {
  static std::mutex lock;
  return lock;
}

// Holds flock on the folder, so a second process's change waits for ours.
class FolderLock {
 public:
  explicit FolderLock(const std::filesystem::path& folder)
      : fd_(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (fd_ < 0) {
      throw std::system_error(errno, std::generic_category(), "cannot open " + folder.string());
    }
    while (::flock(fd_, LOCK_EX) != 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      ::close(fd_);
      throw std::system_error(error, std::generic_category(), "cannot lock " + folder.string());
    }
  }
  ~FolderLock() { ::close(fd_); }  // closing releases the lock
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

 private:
  int fd_;
};

// Temp files of writes that a crash interrupted; safe to remove while the folder is locked.
void RemoveLeftoverTempFiles(const std::filesystem::path& folder,
                             const std::filesystem::path& file) {
  const std::string prefix = TempFilePrefix(file);
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    if (entry.path().filename().string().starts_with(prefix)) {
      std::filesystem::remove(entry.path(), error);
    }
  }
}

}  // namespace

KeyValues KeyValueStore::ReadAll() const {
  std::error_code error;
  if (!std::filesystem::is_regular_file(file_, error)) return {};
  const auto size = std::filesystem::file_size(file_, error);
  if (error || size > kMaxFileSize) return {};
  std::ifstream in(file_, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return {};
  return key_value_format::Decode(text);
}

std::optional<std::string> KeyValueStore::Read(const std::string& name) const {
  const KeyValues values = ReadAll();
  const auto found = values.find(name);
  if (found == values.end()) return std::nullopt;
  return found->second;
}

void KeyValueStore::Write(const std::string& name, const std::string& text) {
  WriteAll({{name, text}});
}

void KeyValueStore::WriteAll(const KeyValues& changes) {
  for (const auto& [name, text] : changes) {
    if (!key_value_format::IsValidName(name)) {
      throw std::invalid_argument("\"" + name + "\" cannot be the name of a setting");
    }
  }
  const std::filesystem::path folder =
      file_.has_parent_path() ? file_.parent_path() : std::filesystem::path(".");
  std::lock_guard processLock(ProcessWriteLock());
  PrepareSettingsFolder(folder);
  FolderLock folderLock(folder);
  RemoveLeftoverTempFiles(folder, file_);
  KeyValues values = ReadAll();
  for (const auto& [name, text] : changes) values[name] = text;
  WriteFileAtomically(file_, key_value_format::Encode(values), kFileMode);
}

}  // namespace kelbrin::platform

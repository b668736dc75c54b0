#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

namespace kelbrin::test {

// The service manager's end of the notify protocol, for tests: a unix datagram socket bound to
// `path` (removed again at the end). Pass path() as NOTIFY_SOCKET.
class NotifyListener {
 public:
  explicit NotifyListener(std::filesystem::path path);
  ~NotifyListener();
  NotifyListener(const NotifyListener&) = delete;
  NotifyListener& operator=(const NotifyListener&) = delete;

  const std::filesystem::path& path() const { return path_; }

  // The next datagram, or none when nothing came within `guard` (a bound for a broken test, not
  // a measurement).
  std::optional<std::string> Receive(std::chrono::milliseconds guard);

 private:
  std::filesystem::path path_;
  int fd_ = -1;
};

}  // namespace kelbrin::test

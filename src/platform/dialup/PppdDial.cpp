#include "platform/dialup/PppdDial.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <system_error>

namespace kelbrin::platform {
namespace {

// pppd's log lines are short; a longer run without a line break is cut into pieces.
constexpr std::size_t kMaxLine = 1024;

}  // namespace

PppdDial::PppdDial(ChildProcess child, int logFd, std::filesystem::path optionsFile)
    : child_(std::move(child)), logFd_(logFd), optionsFile_(std::move(optionsFile)) {}

PppdDial::~PppdDial() {
  RemoveOptionsFile();
  if (logFd_ >= 0) ::close(logFd_);
}

void PppdDial::Cancel() const { child_.Signal(SIGTERM); }

void PppdDial::RemoveOptionsFile() {
  if (optionsFile_.empty()) return;
  std::error_code ignored;
  std::filesystem::remove(optionsFile_, ignored);
  optionsFile_.clear();
}

void PppdDial::ReadLog(std::chrono::milliseconds timeout,
                       const std::function<void(std::string_view)>& onLine) {
  if (logFd_ < 0) {
    ::poll(nullptr, 0, static_cast<int>(timeout.count()));
    return;
  }
  pollfd readable{logFd_, POLLIN, 0};
  const int ready = ::poll(&readable, 1, static_cast<int>(timeout.count()));
  if (ready <= 0) return;
  char buffer[4096];
  const ssize_t count = ::read(logFd_, buffer, sizeof buffer);
  if (count < 0 && errno == EINTR) return;
  if (count <= 0) {
    // Every writer has closed the pipe: nothing more will be logged.
    ::close(logFd_);
    logFd_ = -1;
    if (!pending_.empty()) onLine(std::exchange(pending_, {}));
    return;
  }
  for (ssize_t i = 0; i < count; ++i) {
    const char c = buffer[i];
    if (c == '\n' || pending_.size() >= kMaxLine) {
      RemoveOptionsFile();
      onLine(pending_);
      pending_.clear();
      if (c == '\n') continue;
    }
    pending_.push_back(c);
  }
}

std::optional<int> PppdDial::Step(std::chrono::milliseconds timeout,
                                  const std::function<void(std::string_view)>& onLine) {
  ReadLog(timeout, onLine);
  const std::optional<int> status = child_.Wait(std::chrono::milliseconds(0));
  if (status) {
    RemoveOptionsFile();
    // What pppd logged before it ended is still in the pipe.
    while (logFd_ >= 0) {
      pollfd readable{logFd_, POLLIN, 0};
      if (::poll(&readable, 1, 0) <= 0) break;
      ReadLog(std::chrono::milliseconds(0), onLine);
    }
  }
  return status;
}

}  // namespace kelbrin::platform

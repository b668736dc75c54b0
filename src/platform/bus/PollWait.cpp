#include "platform/bus/PollWait.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <system_error>

namespace kelbrin::platform {

PollWait::PollWait() : wakeFd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
  if (wakeFd_ < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
}

PollWait::~PollWait() { ::close(wakeFd_); }

int PollWait::Add(Watch watch) {
  watches_.emplace_back(nextId_, std::move(watch));
  return nextId_++;
}

void PollWait::Remove(int id) {
  std::erase_if(watches_, [id](const auto& entry) { return entry.first == id; });
}

void PollWait::WaitFor(std::optional<std::chrono::milliseconds> timeout) {
  std::vector<pollfd> fds{{wakeFd_, POLLIN, 0}};
  for (const auto& [id, watch] : watches_) {
    fds.push_back({watch.fd, watch.events(), 0});
    if (const auto own = watch.timeout()) timeout = timeout ? std::min(*timeout, *own) : *own;
  }
  const int milliseconds =
      timeout ? static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(
                    timeout->count(), 0, std::chrono::milliseconds::rep{INT32_MAX}))
              : -1;
  if (::poll(fds.data(), fds.size(), milliseconds) < 0) return;  // EINTR: the loop asks again
  if ((fds[0].revents & POLLIN) != 0) {
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t got = ::read(wakeFd_, &count, sizeof count);
  }
  // A copy of the ids: a handler may remove its own watch.
  std::vector<int> ids;
  for (const auto& entry : watches_) ids.push_back(entry.first);
  for (int id : ids) {
    auto it = std::find_if(watches_.begin(), watches_.end(),
                           [id](const auto& entry) { return entry.first == id; });
    if (it == watches_.end()) continue;
    // Serving is cheap when nothing is pending, so every watch gets its turn.
    const auto serve = it->second.serve;
    serve();
  }
}

void PollWait::Wake() {
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof one);
}

}  // namespace kelbrin::platform

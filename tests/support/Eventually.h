#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace kelbrin::test {

// Polls `holds` in real time, for what another thread or process does in its own time, until it
// is true or `guard` has passed; whether it came true.
inline bool Eventually(const std::function<bool()>& holds,
                       std::chrono::milliseconds guard = std::chrono::seconds(10)) {
  const auto end = std::chrono::steady_clock::now() + guard;
  while (!holds()) {
    if (std::chrono::steady_clock::now() > end) return holds();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

}  // namespace kelbrin::test

#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace kelbrin::eventlog {

// The log kinds the client writes; the display copes with any other value.
inline constexpr std::uint8_t kLogTip = 0;
inline constexpr std::uint8_t kLogWarning = 1;
inline constexpr std::uint8_t kLogError = 2;

// One entry of the event log.
struct TLogRec {
  std::uint8_t kind = kLogTip;
  std::string text;                            // UTF-8
  std::chrono::system_clock::time_point time;  // wall-clock moment it was added
};

}  // namespace kelbrin::eventlog

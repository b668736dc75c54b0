#pragma once

#include <cstdint>
#include <filesystem>

#include "platform/machine/FactFile.h"

namespace kelbrin::platform {

// Physical memory in KiB from /proc/meminfo below `root`: MemTotal, and MemAvailable (MemFree on
// kernels older than 3.14, which lack it). 0 for a value the file does not hold.
struct MemInfo {
  std::uint64_t totalKb = 0;
  std::uint64_t availableKb = 0;
};

MemInfo ReadMemInfo(const std::filesystem::path& root = kSystemRoot);

}  // namespace kelbrin::platform

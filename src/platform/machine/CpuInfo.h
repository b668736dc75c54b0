#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/machine/FactFile.h"

namespace kelbrin::platform {

// One logical processor of /proc/cpuinfo, in the file's order.
struct CpuEntry {
  int number = 0;    // the "processor" line
  std::string name;  // "model name" (x86), else "cpu model" (MIPS), else the "Processor" line
                     // above the blocks (older ARM), trimmed; empty when none of them is there
  std::optional<int> clockMhz;  // cpufreq's cpuinfo_max_freq when present, else "cpu MHz",
                                // rounded; nullopt when the machine states neither
};

// The processors below `root`: /proc/cpuinfo and /sys/devices/system/cpu/cpuN/cpufreq.
std::vector<CpuEntry> ReadCpuInfo(const std::filesystem::path& root = kSystemRoot);

}  // namespace kelbrin::platform

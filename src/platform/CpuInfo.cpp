#include "platform/CpuInfo.h"

#include <charconv>
#include <cmath>
#include <map>
#include <sstream>

namespace kelbrin::platform {
namespace {

using Block = std::map<std::string, std::string>;

// The "key : value" blocks of cpuinfo, one per processor, separated by blank lines.
std::vector<Block> ProcessorBlocks(const std::string& text) {
  std::vector<Block> blocks;
  bool inBlock = false;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    const std::size_t colon = line.find(':');
    if (TrimBlanks(line).empty() || colon == std::string::npos) {
      inBlock = false;
      continue;
    }
    const std::string key = TrimBlanks(line.substr(0, colon));
    if (key == "processor") {
      blocks.emplace_back();
      inBlock = true;
    }
    if (inBlock) blocks.back().emplace(key, TrimBlanks(line.substr(colon + 1)));
  }
  return blocks;
}

std::optional<double> Number(const std::string& text) {
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end == text.data() || !std::isfinite(value) || value < 0 ||
      value > 1e9)
    return std::nullopt;
  return value;
}

std::optional<int> ClockMhz(const std::filesystem::path& root, int number, const Block& block) {
  const std::filesystem::path maxFreq = UnderRoot(
      root, "sys/devices/system/cpu/cpu" + std::to_string(number) + "/cpufreq/cpuinfo_max_freq");
  if (const std::optional<std::string> khz = ReadFactFile(maxFreq, 64)) {
    if (const std::optional<double> value = Number(TrimBlanks(*khz)))
      return static_cast<int>(std::lround(*value / 1000));
  }
  const auto mhz = block.find("cpu MHz");
  if (mhz == block.end()) return std::nullopt;
  const std::optional<double> value = Number(mhz->second);
  if (!value) return std::nullopt;
  return static_cast<int>(std::lround(*value));
}

}  // namespace

std::vector<CpuEntry> ReadCpuInfo(const std::filesystem::path& root) {
  std::vector<CpuEntry> cpus;
  for (const Block& block :
       ProcessorBlocks(ReadFactFile(UnderRoot(root, "proc/cpuinfo")).value_or(""))) {
    CpuEntry cpu;
    const std::optional<double> number = Number(block.at("processor"));
    cpu.number = number ? static_cast<int>(*number) : static_cast<int>(cpus.size());
    for (const char* key : {"model name", "cpu model", "Processor"}) {
      if (const auto it = block.find(key); it != block.end()) {
        cpu.name = it->second;
        break;
      }
    }
    cpu.clockMhz = ClockMhz(root, cpu.number, block);
    cpus.push_back(std::move(cpu));
  }
  return cpus;
}

}  // namespace kelbrin::platform

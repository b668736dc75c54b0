#include "platform/machine/CpuInfo.h"

#include <charconv>
#include <cmath>
#include <map>
#include <sstream>

#include "platform/files/TextTrim.h"

namespace kelbrin::platform {
namespace {

using Block = std::map<std::string, std::string>;

// The "key : value" lines of cpuinfo: one block per processor, starting at its "processor" line
// and ending at a blank line, and the lines outside every block (older ARM kernels name the
// processor once, above the blocks, as "Processor").
struct CpuInfoText {
  std::vector<Block> processors;
  Block outside;
};

CpuInfoText ParseCpuInfo(const std::string& text) {
  CpuInfoText parsed;
  bool inBlock = false;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    const std::size_t colon = line.find(':');
    if (std::string(Trimmed(line)).empty() || colon == std::string::npos) {
      inBlock = false;
      continue;
    }
    const std::string key = std::string(Trimmed(line.substr(0, colon)));
    if (key == "processor") {
      parsed.processors.emplace_back();
      inBlock = true;
    }
    (inBlock ? parsed.processors.back() : parsed.outside)
        .emplace(key, std::string(Trimmed(line.substr(colon + 1))));
  }
  return parsed;
}

std::string ProcessorName(const Block& block, const Block& outside) {
  for (const char* key : {"model name", "cpu model"}) {
    if (const auto it = block.find(key); it != block.end()) return it->second;
  }
  const auto it = outside.find("Processor");
  return it == outside.end() ? std::string() : it->second;
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
    if (const std::optional<double> value = Number(std::string(Trimmed(*khz))))
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
  const CpuInfoText text = ParseCpuInfo(ReadFactFile(UnderRoot(root, "proc/cpuinfo")).value_or(""));
  for (const Block& block : text.processors) {
    CpuEntry cpu;
    const std::optional<double> number = Number(block.at("processor"));
    cpu.number = number ? static_cast<int>(*number) : static_cast<int>(cpus.size());
    cpu.name = ProcessorName(block, text.outside);
    cpu.clockMhz = ClockMhz(root, cpu.number, block);
    cpus.push_back(std::move(cpu));
  }
  return cpus;
}

}  // namespace kelbrin::platform

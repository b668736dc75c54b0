#include "sysinfo/TSysInfo.h"

#include <charconv>
#include <map>
#include <stdexcept>
#include <utility>

#include "platform/files/TextTrim.h"
#include "platform/machine/CpuInfo.h"
#include "platform/machine/KernelRelease.h"
#include "platform/machine/MemInfo.h"
#include "platform/machine/OsRelease.h"
#include "platform/net/NetworkCards.h"

namespace kelbrin::sysinfo {
namespace {

std::string Value(const std::map<std::string, std::string>& values, const char* key) {
  const auto it = values.find(key);
  return it == values.end() ? std::string() : std::string(platform::Trimmed(it->second));
}

// The leading decimal number of each "."-separated part of a kernel release: "6.1.0-18-amd64"
// gives 6, 1, 0. A part without one counts as 0.
std::array<long, 3> ReleaseNumbers(const std::string& release) {
  std::array<long, 3> numbers{};
  std::size_t start = 0;
  for (long& number : numbers) {
    if (start > release.size()) break;
    std::from_chars(release.data() + start, release.data() + release.size(), number);
    const std::size_t dot = release.find('.', start);
    start = dot == std::string::npos ? release.size() + 1 : dot + 1;
  }
  return numbers;
}

std::string Joined(const std::vector<std::string>& parts, const char* separator) {
  std::string text;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) text += separator;
    text += parts[i];
  }
  return text;
}

std::string FirstTrimmed(const std::vector<std::string>& list) {
  return list.empty() ? std::string() : std::string(platform::Trimmed(list.front()));
}

}  // namespace

TSysInfo::TSysInfo(SysInfoSources sources) : sources_(std::move(sources)) {}

std::string TSysInfo::GetOSName() const {
  const auto values = platform::ReadOsRelease(sources_.root);
  std::string name = Value(values, "PRETTY_NAME");
  if (name.empty()) name = Value(values, "NAME");
  if (name.empty()) return "Unknown Windows Version";
  const std::string edition = Value(values, "VARIANT");
  if (!edition.empty() && name.find(edition) == std::string::npos) name += " " + edition;
  return name;
}

std::string TSysInfo::GetOSVersion() const {
  const auto [major, minor, build] = ReleaseNumbers(platform::ReadKernelRelease(sources_.root));
  const auto values = platform::ReadOsRelease(sources_.root);
  std::string pack = Value(values, "VERSION");
  if (pack.empty()) pack = Value(values, "VERSION_ID");
  return std::to_string(major) + "." + std::to_string(minor) + " (" + std::to_string(build) + "." +
         pack + ")";
}

double TSysInfo::GetTotalMemoryKB() const {
  return static_cast<double>(platform::ReadMemInfo(sources_.root).totalKb);
}

double TSysInfo::GetAvailMemoryKB() const {
  return static_cast<double>(platform::ReadMemInfo(sources_.root).availableKb);
}

int TSysInfo::GetCPUCount() const {
  return static_cast<int>(platform::ReadCpuInfo(sources_.root).size());
}

void TSysInfo::GetCPUList(TCpuInfoArray& list) const {
  const std::vector<platform::CpuEntry> cpus = platform::ReadCpuInfo(sources_.root);
  if (cpus.empty()) return;
  TCpuInfoArray read;
  for (const platform::CpuEntry& cpu : cpus) {
    if (!cpu.clockMhz)
      throw std::runtime_error("processor " + std::to_string(cpu.number) + " states no clock");
    read.push_back({cpu.name, *cpu.clockMhz});
  }
  list = std::move(read);
}

void TSysInfo::GetNetworkCards(TAdapterArray& cards) const {
  TAdapterArray read = platform::ReadNetworkCards(sources_.root);
  if (!read.empty()) cards = std::move(read);
}

std::vector<TRConnInfo> TSysInfo::BuildTable() const {
  int count = 0;
  TAdaptorRows adapters;
  if (!sources_.getAdapters || sources_.getAdapters(count, adapters) != 0) return {};
  // Each connection's adapter, looked up once; the first connection in list order wins.
  std::vector<std::pair<std::string, int>> connections;
  if (sources_.connectionNames && sources_.connectionAdapterIndex) {
    for (std::string& name : sources_.connectionNames()) {
      const int index = sources_.connectionAdapterIndex(name);
      connections.emplace_back(std::move(name), index);
    }
  }
  std::vector<TRConnInfo> table;
  for (const TAdaptorInfo& adapter : adapters) {
    if (table.size() == kMaxConnections) break;
    TRConnInfo entry;
    for (const auto& [name, index] : connections) {
      if (index == adapter.Index) {
        entry.ConnName = name;
        break;
      }
    }
    entry.HardWare = adapter.Description;
    entry.MacAddr = adapter.HardwareAddress;
    entry.DHCPRun = adapter.DhcpEnabled != 0 ? "1" : "0";
    entry.IPAddr = Joined(adapter.AddressList, ",");
    entry.SubMask = Joined(adapter.MaskList, ",");
    entry.Gateway = FirstTrimmed(adapter.GatewayList);
    entry.DNSServer = FirstTrimmed(adapter.DnsServerList);
    table.push_back(std::move(entry));
  }
  return table;
}

std::vector<TRConnInfo> TSysInfo::RefreshConnections() {
  const std::lock_guard lock(tableLock_);
  table_ = {};
  count_ = 0;
  // Built under the lock, so a concurrent refresh waits and every reader sees one whole table.
  for (TRConnInfo& entry : BuildTable())
    table_[static_cast<std::size_t>(count_++)] = std::move(entry);
  return {table_.begin(), table_.begin() + count_};
}

std::vector<TRConnInfo> TSysInfo::Connections() const {
  const std::lock_guard lock(tableLock_);
  return {table_.begin(), table_.begin() + count_};
}

void TSysInfo::GetConnNames(std::string& text) const { text += ConnNames(Connections()); }

std::string ConnNames(const std::vector<TRConnInfo>& table) {
  std::string text;
  for (const TRConnInfo& entry : table) text += entry.ConnName + ";";
  return text;
}

std::string KbText(double kb) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, kb, std::chars_format::fixed);
  return std::string(buffer, result.ptr);
}

}  // namespace kelbrin::sysinfo

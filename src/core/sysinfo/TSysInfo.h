#pragma once

#include <array>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/machine/FactFile.h"
#include "sysinfo/IpHelper.h"

namespace kelbrin::sysinfo {

// One entry of the adapter table: the eight texts of a NetworkInfo record of the network report.
struct TRConnInfo {
  std::string ConnName;   // the network connection that uses the adapter; empty when none does
  std::string HardWare;   // the adapter's description
  std::string MacAddr;    // FormatMac of its hardware address
  std::string DHCPRun;    // "1" or "0"
  std::string IPAddr;     // all its IPv4 addresses joined with ","
  std::string SubMask;    // their masks, same order
  std::string Gateway;    // its first gateway, trimmed
  std::string DNSServer;  // its first DNS server, trimmed

  bool operator==(const TRConnInfo&) const = default;
};

struct TCPUInfo {
  std::string Name;
  int MHz = 0;
};
using TCpuInfoArray = std::vector<TCPUInfo>;
using TAdapterArray = std::vector<std::string>;

// Where the collector takes its facts from. The machine's files are read below `root`; the
// adapter list and the network connections come from the network layer. A missing function
// counts as "nothing there".
struct SysInfoSources {
  std::filesystem::path root = platform::kSystemRoot;
  // GetAdapters: 0 and the adapters in the system's order, or a non-zero code.
  std::function<int(int& count, TAdaptorRows& rows)> getAdapters;
  // The names of the machine's network connections, in their list order.
  std::function<std::vector<std::string>()> connectionNames;
  // ConnectionAdapterIndex: the interface index of the adapter a connection uses.
  std::function<int(const std::string& connectionName)> connectionAdapterIndex;
};

// The facts about the machine that are reported to the service and shown in the system
// information window. Only the adapter table is state; it is rebuilt and read under one lock, so
// the window and the report worker may use one collector at the same time.
class TSysInfo {
 public:
  static constexpr int kMaxConnections = 10;

  explicit TSysInfo(SysInfoSources sources);

  // The distribution's PRETTY_NAME (else NAME) followed by its edition (VARIANT) when the name
  // does not already say it; "Unknown Windows Version" when the system names itself nowhere.
  std::string GetOSName() const;
  // major "." minor " (" build "." version ")": the kernel release's first three numbers and the
  // distribution's VERSION (else VERSION_ID) in the place of the service-pack text.
  std::string GetOSVersion() const;
  std::string GetIISVersion() const { return "IIS 5.0"; }
  // Physical memory in KB.
  double GetTotalMemoryKB() const;
  double GetAvailMemoryKB() const;
  int GetCPUCount() const;
  // Fills `list` with every processor; leaves it as it was when no processor can be read.
  // Throws std::runtime_error when a processor states no clock.
  void GetCPUList(TCpuInfoArray& list) const;
  // Fills `cards` with the physical network cards; leaves it as it was when none is found.
  void GetNetworkCards(TAdapterArray& cards) const;

  // Rebuilds the adapter table (at most kMaxConnections entries) and returns what it now holds,
  // as the caller's own copy.
  std::vector<TRConnInfo> RefreshConnections();
  // The table as it is now.
  std::vector<TRConnInfo> Connections() const;
  // Appends each entry's ConnName followed by ";" to `text`.
  void GetConnNames(std::string& text) const;

 private:
  std::vector<TRConnInfo> BuildTable() const;

  const SysInfoSources sources_;
  mutable std::mutex tableLock_;
  std::array<TRConnInfo, kMaxConnections> table_;  // guarded by tableLock_
  int count_ = 0;                                  // guarded by tableLock_
};

// Each entry's ConnName followed by ";".
std::string ConnNames(const std::vector<TRConnInfo>& table);

// A number of KB written as the shortest decimal text: no exponent, no thousands separator, a
// fraction only when there is one ("523760", "1024.5").
std::string KbText(double kb);

}  // namespace kelbrin::sysinfo

#pragma once

#include <atomic>
#include <thread>

#include "sysinfo/ReportSeams.h"
#include "sysinfo/TSysInfo.h"

namespace kelbrin::sysinfo {

// The one-shot report worker: posts the system report (PostSystemInfoReq), then the network
// report (PostNetworkInfoReq) whatever the service answered to the first. A fact that cannot be
// read for the system report skips both. Nothing is retried. The destructor joins.
class TUpdateSysInfoTrd {
 public:
  TUpdateSysInfoTrd(TSysInfo& sysInfo, ReportSeams seams);
  ~TUpdateSysInfoTrd();
  TUpdateSysInfoTrd(const TUpdateSysInfoTrd&) = delete;
  TUpdateSysInfoTrd& operator=(const TUpdateSysInfoTrd&) = delete;

  bool Finished() const { return finished_.load(); }

 private:
  void Run();
  void PostSystemReport(const ReportAccount& account);
  void PostNetworkReport(const ReportAccount& account);
  // Sends `body` and reacts to a missing or refused reply.
  void Post(const std::string& body);

  TSysInfo& sysInfo_;
  const ReportSeams seams_;
  std::atomic<bool> finished_{false};
  std::thread thread_;  // last: starts once everything above is built
};

}  // namespace kelbrin::sysinfo

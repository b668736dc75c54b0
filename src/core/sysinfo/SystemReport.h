#pragma once

#include <functional>
#include <memory>

#include "runtime/EventLoop.h"
#include "runtime/Pace.h"
#include "sysinfo/ReportSeams.h"
#include "sysinfo/TSysInfo.h"
#include "sysinfo/TUpdateSysInfoTrd.h"

namespace kelbrin::sysinfo {

// The once-per-run inventory report (TimerUpdateSysInfo): every sysInfoInterval the timer looks
// at the session; the first tick that finds it logged in spends the timer for the rest of the
// run and, when the UpdateSysInfo setting is on at that moment, starts one TUpdateSysInfoTrd.
// Lives on the loop's thread; the destructor stops the timer and joins a running worker.
class SystemReport {
 public:
  SystemReport(runtime::EventLoop& loop, const runtime::Pace& pace, TSysInfo& sysInfo,
               std::function<bool()> loggedIn, std::function<bool()> updateSysInfo,
               ReportSeams seams);
  ~SystemReport();
  SystemReport(const SystemReport&) = delete;
  SystemReport& operator=(const SystemReport&) = delete;

  // True once a tick found the session logged in: nothing more happens in this run.
  bool Spent() const { return spent_; }
  // True when the worker was started (it may still be running).
  bool Started() const { return worker_ != nullptr; }

 private:
  void TimerUpdateSysInfoTimer();

  runtime::EventLoop& loop_;
  TSysInfo& sysInfo_;
  const std::function<bool()> loggedIn_;
  const std::function<bool()> updateSysInfo_;
  const ReportSeams seams_;
  runtime::TimerId timer_ = 0;
  bool spent_ = false;
  std::unique_ptr<TUpdateSysInfoTrd> worker_;
};

}  // namespace kelbrin::sysinfo

#include "sysinfo/SystemReport.h"

#include <cassert>
#include <utility>

namespace kelbrin::sysinfo {

SystemReport::SystemReport(runtime::EventLoop& loop, const runtime::Pace& pace, TSysInfo& sysInfo,
                           std::function<bool()> loggedIn, std::function<bool()> updateSysInfo,
                           ReportSeams seams)
    : loop_(loop),
      sysInfo_(sysInfo),
      loggedIn_(std::move(loggedIn)),
      updateSysInfo_(std::move(updateSysInfo)),
      seams_(std::move(seams)) {
  assert(loop_.IsLoopThread());
  timer_ = loop_.StartTimer(pace.sysInfoInterval, pace.sysInfoInterval,
                            [this] { TimerUpdateSysInfoTimer(); });
}

SystemReport::~SystemReport() {
  if (!spent_) loop_.StopTimer(timer_);
}

void SystemReport::TimerUpdateSysInfoTimer() {
  try {
    if (!loggedIn_()) return;
    spent_ = true;
    loop_.StopTimer(timer_);
    if (updateSysInfo_()) worker_ = std::make_unique<TUpdateSysInfoTrd>(sysInfo_, seams_);
  } catch (...) {
    // A timer check never ends the loop; a failed start means no report in this run.
  }
}

}  // namespace kelbrin::sysinfo

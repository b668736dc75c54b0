#include "reminders/ReminderChecks.h"

#include <algorithm>
#include <exception>
#include <string_view>

#include "protocol/PelmarClient.h"
#include "protocol/Utilities.h"
#include "reminders/EventKinds.h"
#include "runtime/AsciiCase.h"

namespace kelbrin::reminders {

namespace {

// Reminder kinds raised here.
constexpr int kPaymentKind = 0;
constexpr int kExpiringKind = 1;
constexpr int kExpiredKind = 2;
constexpr int kUpdateKind = 3;
constexpr int kNotRegisteredKind = 4;
constexpr int kNotSubmittedKind = 5;
constexpr int kDomainExpiringKind = 6;
constexpr int kDomainExpiredKind = 7;

}  // namespace

ReminderChecks::ReminderChecks(runtime::EventLoop& loop, const runtime::Pace& pace,
                               ReminderSources sources, VersionReminder versionReminder)
    : loop_(loop), pace_(pace), sources_(std::move(sources)), versionReminder_(versionReminder) {}

ReminderChecks::~ReminderChecks() { Stop(); }

void ReminderChecks::Start() {
  if (alertTimer_ || remindTimer_) return;
  alertTimer_ = loop_.StartTimer(pace_.alertFirst, pace_.alertInterval,
                                 [this] { TimerLoopAlertEventTimer(); });
  remindTimer_ = loop_.StartTimer(pace_.remindFirst, pace_.remindInterval,
                                  [this] { TimerLoopRemindEventTimer(); });
}

void ReminderChecks::Stop() {
  if (alertTimer_) loop_.StopTimer(*alertTimer_);
  if (remindTimer_) loop_.StopTimer(*remindTimer_);
  alertTimer_.reset();
  remindTimer_.reset();
  alive_ = std::make_shared<int>(0);
}

void ReminderChecks::TimerLoopAlertEventTimer() {
  alertPhase_ = alertPhase_ == 1 ? 2 : 1;
  try {
    if (alertPhase_ == 1) {
      CheckAccount();
    } else if (sources_.IsOnline()) {
      CheckDomainStates();
    }
  } catch (const std::exception&) {
    // A check that fails does nothing this tick.
  }
}

void ReminderChecks::TimerLoopRemindEventTimer() {
  remindPhase_ = remindPhase_ == 1 ? 2 : 1;
  try {
    if (remindPhase_ == 1) {
      CheckAddress();
    } else {
      CheckVersion();
    }
  } catch (const std::exception&) {
    // A check that fails does nothing this tick.
  }
}

void ReminderChecks::CheckAccount() {
  if (!sources_.IsOnline()) return;
  const auto profile = sources_.UserProfile();
  if (!profile) return;
  const auto& account = profile->Profile;
  std::chrono::year_month_day end;
  try {
    end = protocol::DateFromYmd(account.ServiceEndDate);
  } catch (const std::invalid_argument&) {
    return;  // a garbled deadline skips the check for this tick, without a box
  }
  const auto days = (std::chrono::sys_days(end) - std::chrono::sys_days(sources_.Today())).count();
  if (days < 0) {
    Notify(kExpiredKind);
  } else if (days < 3) {
    Notify(kExpiringKind);
  } else if (days < 15) {
    if (account.PayType != "1") {
      Notify(kPaymentKind, 0, std::to_string(days));
    } else if (sources_.PaymentNoticeVisible()) {
      Notify(kPaymentKind, 1, std::to_string(days));
    }
  }
}

void ReminderChecks::CheckDomainStates() {
  const auto list = sources_.ServiceList();
  if (!list) return;
  const auto& domains = list->DomainInfos;
  for (std::size_t i = domainCursor_; i < domains.size(); ++i) {
    const auto& domain = domains[i];
    if (domain.DomainStatus == "1") {
      Notify(kNotRegisteredKind, 0, domain.DomainName);
    } else if (domain.DomainStatus == "2") {
      Notify(kNotSubmittedKind, 0, domain.DomainName);
    } else if (domain.DomainStatus == "4") {
      Notify(kDomainExpiringKind);
    } else if (domain.DomainStatus == "3") {
      Notify(kDomainExpiredKind);
    }
  }
  // Wraps also when a shorter list came in meanwhile, so the check never falls silent.
  ++domainCursor_;
  if (domainCursor_ >= domains.size()) domainCursor_ = 0;
}

void ReminderChecks::CheckAddress() {
  if (sources_.NetReachable() && sources_.IsLanOnly()) Notify(kNoWanIpKind);
}

void ReminderChecks::CheckVersion() {
  if (versionKnown_) {
    RaiseIfOutdated();
    return;
  }
  if (versionAsked_) return;  // the one query of the run is still under way
  versionAsked_ = true;
  std::weak_ptr<int> alive = alive_;
  sources_.QueryLatestVersion([this, alive](const std::string& version) {
    if (alive.expired()) return;
    serviceVersion_ = version;
    versionKnown_ = true;
    try {
      RaiseIfOutdated();
    } catch (const std::exception&) {
    }
  });
}

void ReminderChecks::RaiseIfOutdated() {
  // Whatever the process locale says, only the ASCII letters fold.
  if (runtime::EqualIgnoringAsciiCase(serviceVersion_, protocol::kClientVersion)) return;
  if (versionReminder_ == VersionReminder::OncePerRun && outdatedRaised_) return;
  outdatedRaised_ = true;
  Notify(kUpdateKind);
}

void ReminderChecks::Notify(int kind, int selector, const std::string& argument) {
  sources_.NotifyEvent(kind, {}, selector, argument);
}

}  // namespace kelbrin::reminders

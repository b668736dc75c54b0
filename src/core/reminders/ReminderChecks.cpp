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

// The account check raises from this many days before the deadline on.
constexpr long kAccountDueDays = 15;
// A parked account check looks at the date at least this often, so a clock set forward is seen.
constexpr runtime::Duration kLongestDateWait = std::chrono::hours(1);

bool IsDueStatus(const std::string& status) {
  return status == "1" || status == "2" || status == "3" || status == "4";
}

// A source that fails counts as due: the tick then drops the failure, as it always has.
template <typename Check>
bool DueUnlessFailing(Check check) {
  try {
    return check();
  } catch (const std::exception&) {
    return true;
  }
}

}  // namespace

ReminderChecks::ReminderChecks(runtime::EventLoop& loop, const runtime::Pace& pace,
                               ReminderSources sources, VersionReminder versionReminder)
    : loop_(loop), pace_(pace), sources_(std::move(sources)), versionReminder_(versionReminder) {}

ReminderChecks::~ReminderChecks() { Stop(); }

void ReminderChecks::Start(ReminderWake wake) {
  if (started_) return;
  started_ = true;
  wake_ = wake;
  const runtime::TimePoint now = loop_.Now();
  alert_.interval = pace_.alertInterval;
  alert_.origin = now + pace_.alertFirst;
  remind_.interval = pace_.remindInterval;
  remind_.origin = now + pace_.remindFirst;
  if (wake_ == ReminderWake::EveryTick) {
    SetTimerAt(alert_, 0, &ReminderChecks::AlertTick);
    SetTimerAt(remind_, 0, &ReminderChecks::RemindTick);
    return;
  }
  PlanAlert();
  PlanRemind();
}

void ReminderChecks::Stop() {
  StopTimer(loop_, alert_);
  StopTimer(loop_, remind_);
  started_ = false;
  alive_ = std::make_shared<int>(0);
}

void ReminderChecks::SourcesChanged() {
  if (!started_ || wake_ != ReminderWake::OnlyWhenDue) return;
  PlanAlert();
  PlanRemind();
}

void ReminderChecks::StopTimer(runtime::EventLoop& loop, Beat& beat) {
  if (beat.timer) loop.StopTimer(*beat.timer);
  beat.timer.reset();
}

void ReminderChecks::SetTimerAt(Beat& beat, std::uint64_t tick, void (ReminderChecks::*handler)()) {
  if (beat.timer && beat.timerTick == tick) return;
  StopTimer(loop_, beat);
  const runtime::TimePoint at = beat.origin + static_cast<std::int64_t>(tick) * beat.interval;
  const runtime::Duration delay = std::max(at - loop_.Now(), runtime::Duration::zero());
  beat.timer = loop_.StartTimer(delay, beat.interval, [this, handler] { (this->*handler)(); });
  beat.timerTick = tick;
}

std::uint64_t ReminderChecks::TakeTick(Beat& beat) {
  const std::uint64_t tick = std::max(beat.next, beat.timerTick);
  // The loop's timer counts from when it fired: the beat follows it, so it never drifts apart.
  beat.origin = loop_.Now() - static_cast<std::int64_t>(tick) * beat.interval;
  beat.next = tick + 1;
  beat.timerTick = tick + 1;
  return tick;
}

ReminderChecks::Passed ReminderChecks::PassedOver(const Beat& beat) const {
  const runtime::TimePoint now = loop_.Now();
  Passed passed{beat.next, 0};
  // The tick the timer is set to is the timer's to run, also when it falls due this moment.
  while (beat.origin + static_cast<std::int64_t>(passed.next) * beat.interval <= now &&
         !(beat.timer && beat.timerTick == passed.next)) {
    if (passed.next % 2 == 1) ++passed.phaseTwo;
    ++passed.next;
  }
  return passed;
}

std::size_t ReminderChecks::DomainCursor() const {
  if (!walkedListSize_) return domainCursor_;
  return WalkedCursor(domainCursor_, PassedOver(alert_).phaseTwo, *walkedListSize_);
}

void ReminderChecks::AlertTick() {
  alertPhase_ = TakeTick(alert_) % 2 == 0 ? 1 : 2;
  try {
    if (alertPhase_ == 1) {
      CheckAccount();
    } else if (sources_.IsOnline()) {
      CheckDomainStates();
    }
  } catch (const std::exception&) {
    // A check that fails does nothing this tick.
  }
  if (wake_ == ReminderWake::OnlyWhenDue) PlanAlert();
}

void ReminderChecks::RemindTick() {
  remindPhase_ = TakeTick(remind_) % 2 == 0 ? 1 : 2;
  try {
    if (remindPhase_ == 1) {
      CheckAddress();
    } else {
      CheckVersion();
    }
  } catch (const std::exception&) {
    // A check that fails does nothing this tick.
  }
  if (wake_ == ReminderWake::OnlyWhenDue) PlanRemind();
}

void ReminderChecks::PlanAlert() {
  // The passes the domain check would have made over the list meanwhile move its cursor still.
  domainCursor_ = DomainCursor();
  alert_.next = PassedOver(alert_).next;
  walkedListSize_.reset();
  try {
    const auto list = sources_.IsOnline() ? sources_.ServiceList() : nullptr;
    if (list) walkedListSize_ = list->DomainInfos.size();
  } catch (const std::exception&) {
    // A list that cannot be read walks nothing, as its tick would check nothing.
  }
  if (SetForDuePhase(alert_, DueUnlessFailing([this] { return AccountDue(); }),
                     DueUnlessFailing([this] { return DomainsDue(); }),
                     &ReminderChecks::AlertTick)) {
    return;
  }
  if (const auto wait = UntilAccountDue()) {
    // The first account tick once the date may have made the deadline near.
    const runtime::TimePoint at = loop_.Now() + std::min(*wait, kLongestDateWait);
    std::uint64_t tick = alert_.next;
    while (alert_.origin + static_cast<std::int64_t>(tick) * alert_.interval < at || tick % 2 == 1)
      ++tick;
    SetTimerAt(alert_, tick, &ReminderChecks::AlertTick);
  } else {
    StopTimer(loop_, alert_);
  }
}

void ReminderChecks::PlanRemind() {
  remind_.next = PassedOver(remind_).next;
  if (!SetForDuePhase(remind_, DueUnlessFailing([this] { return AddressDue(); }),
                      DueUnlessFailing([this] { return VersionDue(); }),
                      &ReminderChecks::RemindTick)) {
    StopTimer(loop_, remind_);
  }
}

bool ReminderChecks::SetForDuePhase(Beat& beat, bool phaseOneDue, bool phaseTwoDue,
                                    void (ReminderChecks::*handler)()) {
  const std::uint64_t next = beat.next;
  const bool nextIsPhaseOne = next % 2 == 0;
  if ((nextIsPhaseOne && phaseOneDue) || (!nextIsPhaseOne && phaseTwoDue)) {
    SetTimerAt(beat, next, handler);
  } else if (phaseOneDue || phaseTwoDue) {
    SetTimerAt(beat, next + 1, handler);
  } else {
    return false;
  }
  return true;
}

std::optional<long> ReminderChecks::AccountDaysLeft() const {
  if (!sources_.IsOnline()) return std::nullopt;
  const auto profile = sources_.UserProfile();
  if (!profile) return std::nullopt;
  try {
    const auto end = protocol::DateFromYmd(profile->Profile.ServiceEndDate);
    return static_cast<long>(
        (std::chrono::sys_days(end) - std::chrono::sys_days(sources_.Today())).count());
  } catch (const std::invalid_argument&) {
    return std::nullopt;
  }
}

bool ReminderChecks::AccountDue() const {
  const auto days = AccountDaysLeft();
  return days && *days < kAccountDueDays;
}

std::optional<runtime::Duration> ReminderChecks::UntilAccountDue() const {
  std::optional<long> days;
  try {
    days = AccountDaysLeft();
  } catch (const std::exception&) {
    return std::nullopt;
  }
  if (!days || *days < kAccountDueDays) return std::nullopt;
  const runtime::Duration untilTomorrow =
      sources_.UntilNextDay ? sources_.UntilNextDay() : kLongestDateWait;
  return untilTomorrow + std::chrono::days(*days - kAccountDueDays);
}

bool ReminderChecks::DomainsDue() const {
  if (!sources_.IsOnline()) return false;
  const auto list = sources_.ServiceList();
  if (!list) return false;
  return std::any_of(list->DomainInfos.begin(), list->DomainInfos.end(),
                     [](const auto& domain) { return IsDueStatus(domain.DomainStatus); });
}

bool ReminderChecks::AddressDue() const {
  // The dispatcher tells nothing while logged out.
  return sources_.IsOnline() && sources_.NetReachable() && sources_.IsLanOnly();
}

bool ReminderChecks::VersionDue() const {
  if (!versionAsked_) return true;  // the one query of the run
  if (!versionKnown_ || !IsOutdated() || !sources_.IsOnline()) return false;
  return versionReminder_ == VersionReminder::EveryPass || !outdatedRaised_;
}

std::size_t ReminderChecks::WalkedCursor(std::size_t cursor, std::uint64_t passes,
                                         std::size_t listSize) {
  if (passes == 0) return cursor;
  // As CheckDomainStates moves it: one step a pass, back to 0 at the end of the list.
  if (cursor >= listSize) {
    cursor = 0;
    --passes;
  }
  if (listSize == 0) return 0;
  return static_cast<std::size_t>((cursor + passes) % listSize);
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
    if (wake_ == ReminderWake::OnlyWhenDue) PlanRemind();
  });
}

bool ReminderChecks::IsOutdated() const {
  // Whatever the process locale says, only the ASCII letters fold.
  return !runtime::EqualIgnoringAsciiCase(serviceVersion_, protocol::kClientVersion);
}

void ReminderChecks::RaiseIfOutdated() {
  if (!IsOutdated()) return;
  if (versionReminder_ == VersionReminder::OncePerRun) {
    if (outdatedRaised_) return;
    // Raised while logged out, the reminder would be dropped and never told once logged in.
    if (!sources_.IsOnline()) return;
  }
  outdatedRaised_ = true;
  Notify(kUpdateKind);
}

void ReminderChecks::Notify(int kind, int selector, const std::string& argument) {
  sources_.NotifyEvent(kind, {}, selector, argument);
}

}  // namespace kelbrin::reminders

#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "protocol/TGetServiceListResp.h"
#include "protocol/TQueryUserProfileResp.h"
#include "runtime/EventLoop.h"
#include "runtime/Pace.h"

namespace kelbrin::reminders {

// What the periodic checks read and whom they tell. The composition root wires each to the
// session, the network helpers and the dispatcher; everything is called on the loop's thread.
struct ReminderSources {
  // The session mark: 1 (logged in) or not.
  std::function<bool()> IsOnline;
  // The published snapshots; null while none is held.
  std::function<std::shared_ptr<const protocol::TQueryUserProfileResp>()> UserProfile;
  std::function<std::shared_ptr<const protocol::TGetServiceListResp>()> ServiceList;
  // Whether the state page shows the payment-notice link (labFKXZUrl).
  std::function<bool()> PaymentNoticeVisible;
  // The local calendar date, from the loop's clock.
  std::function<std::chrono::year_month_day()> Today;
  // The line-state flag, and "every local IPv4 address is a LAN address".
  std::function<bool()> NetReachable;
  std::function<bool()> IsLanOnly;
  // Asks the service for its newest client version without blocking the loop; `done` is called
  // once, on the loop's thread, with the version ("6.0" when the query failed).
  std::function<void(std::function<void(const std::string& version)> done)> QueryLatestVersion;
  // NotifyEvent of the dispatcher (kind, text, selector, argument).
  std::function<void(int kind, const std::string& text, int selector, const std::string& argument)>
      NotifyEvent;
};

// How often an outdated client version is raised while it stays outdated.
enum class VersionReminder {
  EveryPass,   // on every version check, as the desktop reminds its user
  OncePerRun,  // the first time only: the service's journal needs to hear it once
};

// The two reminder timers of the main window: the alert timer (account check, then domain check,
// in turn) and the remind timer (address check, then version check, in turn). A condition that
// persists is raised again on every pass (the outdated version as `versionReminder` says); the
// dispatcher decides what is logged and shown. Loop thread only.
class ReminderChecks {
 public:
  ReminderChecks(runtime::EventLoop& loop, const runtime::Pace& pace, ReminderSources sources,
                 VersionReminder versionReminder = VersionReminder::EveryPass);
  ~ReminderChecks();
  ReminderChecks(const ReminderChecks&) = delete;
  ReminderChecks& operator=(const ReminderChecks&) = delete;

  // Starts both timers (first ticks after alertFirst and remindFirst). Once per run.
  void Start();
  // Stops both timers; a version answer that arrives later is dropped.
  void Stop();

  // The timer handlers.
  void TimerLoopAlertEventTimer();
  void TimerLoopRemindEventTimer();

  // Phase 1 of the alert timer: days to the account's ServiceEndDate.
  void CheckAccount();
  // Phase 2 of the alert timer: the domain states from DomainCursor to the end of the list.
  void CheckDomainStates();
  // Phase 1 of the remind timer: a host without a public address.
  void CheckAddress();
  // Phase 2 of the remind timer: an outdated client version.
  void CheckVersion();

  std::size_t DomainCursor() const { return domainCursor_; }

 private:
  void Notify(int kind, int selector = 0, const std::string& argument = {});
  void RaiseIfOutdated();

  runtime::EventLoop& loop_;
  const runtime::Pace pace_;
  ReminderSources sources_;
  const VersionReminder versionReminder_;
  bool outdatedRaised_ = false;
  std::optional<runtime::TimerId> alertTimer_;
  std::optional<runtime::TimerId> remindTimer_;
  int alertPhase_ = 0;
  int remindPhase_ = 0;
  std::size_t domainCursor_ = 0;
  std::string serviceVersion_;
  bool versionAsked_ = false;
  bool versionKnown_ = false;
  // Answers of the version query hold it weakly: once the checks are gone they do nothing.
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace kelbrin::reminders

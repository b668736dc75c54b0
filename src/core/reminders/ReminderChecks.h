#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
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
  // The local calendar date, from the loop's clock, and how long until it changes.
  std::function<std::chrono::year_month_day()> Today;
  std::function<runtime::Duration()> UntilNextDay;
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

// When the checks' timers wake the loop.
enum class ReminderWake {
  EveryTick,    // on every tick of both beats: the sources' changes are not told
  OnlyWhenDue,  // only on a tick that may raise something, or when the date may make one due;
                // the owner calls SourcesChanged after every change of a source
};

// The two reminder timers of the main window: the alert timer (account check, then domain check,
// in turn) and the remind timer (address check, then version check, in turn). A condition that
// persists is raised again on every pass (the outdated version as `versionReminder` says); the
// dispatcher decides what is logged and shown. Each timer keeps its beat (first tick after
// alertFirst or remindFirst, then every alertInterval or remindInterval); woken only when due,
// it skips the ticks that would raise nothing and comes back on the same beat, so whatever is
// raised is raised at the same moments as on every tick. Loop thread only.
class ReminderChecks {
 public:
  ReminderChecks(runtime::EventLoop& loop, const runtime::Pace& pace, ReminderSources sources,
                 VersionReminder versionReminder = VersionReminder::EveryPass);
  ~ReminderChecks();
  ReminderChecks(const ReminderChecks&) = delete;
  ReminderChecks& operator=(const ReminderChecks&) = delete;

  // Starts both timers (first ticks after alertFirst and remindFirst). Once per run.
  void Start(ReminderWake wake = ReminderWake::EveryTick);
  // Stops both timers; a version answer that arrives later is dropped.
  void Stop();
  // A source may have changed (the session, its profile or list, the local addresses): the
  // timers are set again for what is due now.
  void SourcesChanged();
  // Whether the timer of either check is set; parked, it wakes nobody.
  bool AlertTimerSet() const { return alert_.timer.has_value(); }
  bool RemindTimerSet() const { return remind_.timer.has_value(); }

  // Phase 1 of the alert timer: days to the account's ServiceEndDate.
  void CheckAccount();
  // Phase 2 of the alert timer: the domain states from DomainCursor to the end of the list.
  void CheckDomainStates();
  // Phase 1 of the remind timer: a host without a public address.
  void CheckAddress();
  // Phase 2 of the remind timer: an outdated client version.
  void CheckVersion();

  // Where the next domain check starts, also while its ticks are skipped.
  std::size_t DomainCursor() const;

 private:
  // One timer's beat: tick k falls at origin + k * interval; the odd ticks are its phase 2.
  struct Beat {
    runtime::Duration interval{};
    runtime::TimePoint origin{};
    std::uint64_t next = 0;  // the first tick neither run nor passed over
    std::optional<runtime::TimerId> timer;
    std::uint64_t timerTick = 0;  // the tick the set timer fires on first
  };

  void AlertTick();
  void RemindTick();
  // Which tick of `beat` runs next (`tick`), as a tick of the loop's timer.
  std::uint64_t TakeTick(Beat& beat);
  // Sets the timer of `beat` to fire first on `tick` (nothing when it is set so already).
  void SetTimerAt(Beat& beat, std::uint64_t tick, void (ReminderChecks::*handler)());
  static void StopTimer(runtime::EventLoop& loop, Beat& beat);
  // The ticks of `beat` that fell due while its timer skipped them: the first tick after them,
  // and how many of them were phase-2 ticks.
  struct Passed {
    std::uint64_t next;
    std::uint64_t phaseTwo;
  };
  Passed PassedOver(const Beat& beat) const;
  void PlanAlert();
  void PlanRemind();
  // Sets the timer of `beat` to its next tick of a phase that is due; false when neither is.
  bool SetForDuePhase(Beat& beat, bool phaseOneDue, bool phaseTwoDue,
                      void (ReminderChecks::*handler)());
  // What the next tick of each phase could raise; a source that fails counts as due, so its
  // tick drops the failure as on every tick.
  bool AccountDue() const;
  bool DomainsDue() const;
  bool AddressDue() const;
  bool VersionDue() const;
  // How long until the account check may raise on a later day; none when no day will.
  std::optional<runtime::Duration> UntilAccountDue() const;
  std::optional<long> AccountDaysLeft() const;
  // The domain check's cursor as `passes` passes over an unchanged list would leave it.
  static std::size_t WalkedCursor(std::size_t cursor, std::uint64_t passes, std::size_t listSize);
  void Notify(int kind, int selector = 0, const std::string& argument = {});
  void RaiseIfOutdated();
  bool IsOutdated() const;

  runtime::EventLoop& loop_;
  const runtime::Pace pace_;
  ReminderSources sources_;
  const VersionReminder versionReminder_;
  ReminderWake wake_ = ReminderWake::EveryTick;
  bool started_ = false;
  bool outdatedRaised_ = false;
  Beat alert_;
  Beat remind_;
  int alertPhase_ = 0;
  int remindPhase_ = 0;
  std::size_t domainCursor_ = 0;
  // What the domain check would walk on the ticks the alert timer skips: the list's size while
  // logged in with a list, none otherwise.
  std::optional<std::size_t> walkedListSize_;
  std::string serviceVersion_;
  bool versionAsked_ = false;
  bool versionKnown_ = false;
  // Answers of the version query hold it weakly: once the checks are gone they do nothing.
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace kelbrin::reminders

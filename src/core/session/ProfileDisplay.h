#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "protocol/TUserProfileSchema.h"

namespace kelbrin::session {

// The deadline label: the date as "YYYY-MM-DD"; "Glory lifetime user" when the deadline lies more
// than 50 years after `today`, which is how the service marks a lifetime account.
std::string DeadlineText(std::chrono::year_month_day deadline, std::chrono::year_month_day today);

// True when the deadline lies 7 or more whole days after `today`.
bool DeadlineFar(std::chrono::year_month_day deadline, std::chrono::year_month_day today);

// The local calendar date at `wall`.
std::chrono::year_month_day LocalDate(std::chrono::system_clock::time_point wall);
// How long from `wall` until the local date changes (at the next local midnight).
std::chrono::milliseconds UntilNextLocalDay(std::chrono::system_clock::time_point wall);

// The account of a profile as facts, as the service's bus interface carries them.
struct AccountFacts {
  std::string status;  // "normal", or "stopped" for an expired account
  std::string type;    // "trial", "formal", "overdue" or "unknown", after the pay type
  std::string userId;
  // None when the service's deadline is not a date.
  std::optional<std::chrono::sys_days> deadline;
};
AccountFacts AccountFactsOf(const protocol::TUserProfileSchema& profile);

// What the account panel shows of an account; the window, the one-shot command and a desktop
// attached to the service all use it.
struct AccountTexts {
  std::string State;     // "Normal" or "Service stop"
  std::string UserType;  // the pay type's name
  std::string UserID;
  // None when the service's deadline is not a date: that label keeps what it had.
  std::optional<std::string> Deadline;
  // The payment notice (picture and link): hidden for a paying account or a far deadline.
  bool PaymentNoticeVisible = false;
  // PayType "2": the account has expired and the session ends.
  bool Expired = false;
};
AccountTexts AccountTextsOf(const AccountFacts& account, std::chrono::year_month_day today);
AccountTexts AccountTextsOf(const protocol::TUserProfileSchema& profile,
                            std::chrono::year_month_day today);

}  // namespace kelbrin::session

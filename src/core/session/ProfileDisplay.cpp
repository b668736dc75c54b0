#include "session/ProfileDisplay.h"

#include <cstdio>
#include <ctime>
#include <exception>
#include <string_view>
#include <utility>

#include "protocol/Utilities.h"
#include "runtime/Translate.h"

namespace kelbrin::session {

using namespace std::chrono;

std::string DeadlineText(year_month_day deadline, year_month_day today) {
  // Fifty years on; from 29 February, the last day of that February.
  year_month_day limit = today + years(50);
  if (!limit.ok()) limit = limit.year() / limit.month() / last;
  if (sys_days(deadline) > sys_days(limit)) return runtime::Translate("Glory lifetime user");
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(deadline.year()),
                static_cast<unsigned>(deadline.month()), static_cast<unsigned>(deadline.day()));
  return text;
}

bool DeadlineFar(year_month_day deadline, year_month_day today) {
  return (sys_days(deadline) - sys_days(today)).count() >= 7;
}

year_month_day LocalDate(system_clock::time_point wall) {
  const std::time_t seconds = system_clock::to_time_t(wall);
  std::tm local{};
  localtime_r(&seconds, &local);
  return year_month_day(year(local.tm_year + 1900), month(static_cast<unsigned>(local.tm_mon + 1)),
                        day(static_cast<unsigned>(local.tm_mday)));
}

std::chrono::milliseconds UntilNextLocalDay(system_clock::time_point wall) {
  const std::time_t seconds = system_clock::to_time_t(wall);
  std::tm local{};
  localtime_r(&seconds, &local);
  const auto intoDay = std::chrono::hours(local.tm_hour) + std::chrono::minutes(local.tm_min) +
                       std::chrono::seconds(local.tm_sec);
  // On a day that summer time shortens, midnight comes an hour before this says; whoever waits
  // for the date looks at it again within the hour.
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::days(1) - intoDay);
}

namespace {

// The pay types of the profile and their names on the bus.
constexpr std::pair<std::string_view, std::string_view> kAccountTypes[] = {
    {"0", "trial"}, {"1", "formal"}, {"2", "overdue"}};

std::string_view PayTypeOf(std::string_view type) {
  for (const auto& [payType, name] : kAccountTypes)
    if (name == type) return payType;
  return {};
}

}  // namespace

AccountFacts AccountFactsOf(const protocol::TUserProfileSchema& profile) {
  AccountFacts account;
  account.status = profile.PayType == "2" ? "stopped" : "normal";
  account.type = "unknown";
  for (const auto& [payType, name] : kAccountTypes)
    if (payType == profile.PayType) account.type = name;
  account.userId = profile.UserID;
  // A malformed deadline only skips what needs the date; it never stops the rest.
  try {
    account.deadline = sys_days(protocol::DateFromYmd(profile.ServiceEndDate));
  } catch (const std::exception&) {
  }
  return account;
}

AccountTexts AccountTextsOf(const AccountFacts& account, year_month_day today) {
  AccountTexts texts;
  texts.Expired = account.status == "stopped";
  texts.State = texts.Expired ? runtime::Translate("Service stop") : runtime::Translate("Normal");
  const std::string_view payType = PayTypeOf(account.type);
  texts.UserType = runtime::Translate(protocol::TUserProfileSchema::PayTypeName(payType));
  texts.UserID = account.userId;
  bool deadlineFar = false;
  if (account.deadline) {
    const year_month_day deadline(*account.deadline);
    texts.Deadline = DeadlineText(deadline, today);
    deadlineFar = DeadlineFar(deadline, today);
  }
  texts.PaymentNoticeVisible = !(payType == "1" || deadlineFar);
  return texts;
}

AccountTexts AccountTextsOf(const protocol::TUserProfileSchema& profile, year_month_day today) {
  return AccountTextsOf(AccountFactsOf(profile), today);
}

}  // namespace kelbrin::session

#include "session/ProfileDisplay.h"

#include <cstdio>
#include <ctime>

namespace kelbrin::session {

using namespace std::chrono;

std::string DeadlineText(year_month_day deadline) {
  if (deadline.year() >= year(2020)) return "Glory lifetime user";
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

}  // namespace kelbrin::session

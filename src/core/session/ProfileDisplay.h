#pragma once

#include <chrono>
#include <string>

namespace kelbrin::session {

// The deadline label: "YYYY-MM-DD" before 2020; from 2020 on the service marks a lifetime
// account, shown as "Glory lifetime user".
std::string DeadlineText(std::chrono::year_month_day deadline);

// True when the deadline lies 7 or more whole days after `today`.
bool DeadlineFar(std::chrono::year_month_day deadline, std::chrono::year_month_day today);

// The local calendar date at `wall`.
std::chrono::year_month_day LocalDate(std::chrono::system_clock::time_point wall);

}  // namespace kelbrin::session

#include <gtest/gtest.h>

#include "session/ProfileDisplay.h"

namespace kelbrin::session {
namespace {

using namespace std::chrono;

TEST(ProfileDisplay, DeadlineTextShowsDatesBefore2020AndLifetimeFromThenOn) {
  EXPECT_EQ(DeadlineText(2019y / December / 31), "2019-12-31");
  EXPECT_EQ(DeadlineText(2008y / January / 5), "2008-01-05");
  EXPECT_EQ(DeadlineText(2020y / January / 1), "Glory lifetime user");
  EXPECT_EQ(DeadlineText(2099y / December / 31), "Glory lifetime user");
}

TEST(ProfileDisplay, DeadlineIsFarFromSevenWholeDaysOn) {
  const year_month_day today = 2025y / December / 28;
  const struct {
    year_month_day deadline;
    bool far;
  } cases[] = {
      {2026y / January / 4, true},     // 7 days, across the year end
      {2026y / January / 3, false},    // 6 days
      {2025y / December / 31, false},  // 3 days
      {2025y / December / 20, false},  // passed
      {2099y / December / 31, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DeadlineFar(c.deadline, today), c.far) << static_cast<int>(c.deadline.year());
  }
}

TEST(ProfileDisplay, LocalDateFollowsTheWallClock) {
  const auto wall = sys_days(2026y / March / 15) + 12h;
  const year_month_day local = LocalDate(wall);
  // Any time zone keeps noon UTC on the same day or a neighbour.
  EXPECT_LE(abs((sys_days(local) - sys_days(2026y / March / 15)).count()), 1);
}

}  // namespace
}  // namespace kelbrin::session

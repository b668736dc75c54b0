#include <gtest/gtest.h>

#include "MessagesLocale.h"
#include "runtime/Translate.h"
#include "session/ProfileDisplay.h"

namespace kelbrin::session {
namespace {

using namespace std::chrono;

// A real deadline is a date, past or within fifty years; only one further out marks a lifetime
// account (a rule of "from 2020 on" would hide every real deadline today).
TEST(ProfileDisplay, DeadlineTextShowsRealDatesAndLifetimeBeyondFiftyYears) {
  const year_month_day today = 2026y / December / 10;
  EXPECT_EQ(DeadlineText(2019y / December / 31, today), "2019-12-31");
  EXPECT_EQ(DeadlineText(2008y / January / 5, today), "2008-01-05");
  EXPECT_EQ(DeadlineText(2026y / December / 13, today), "2026-12-13");
  EXPECT_EQ(DeadlineText(2030y / January / 1, today), "2030-01-01");
  EXPECT_EQ(DeadlineText(2076y / December / 10, today), "2076-12-10");
  EXPECT_EQ(DeadlineText(2077y / January / 10, today), "Glory lifetime user");
  EXPECT_EQ(DeadlineText(2099y / December / 31, today), "Glory lifetime user");
}

TEST(ProfileDisplay, AccountTextsOfAProfile) {
  const year_month_day today = 2026y / December / 10;
  protocol::TUserProfileSchema profile;
  profile.UserID = "100003";
  profile.PayType = "0";
  profile.ServiceEndDate = "20261213";
  AccountTexts texts = AccountTextsOf(profile, today);
  EXPECT_EQ(texts.State, "Normal");
  EXPECT_EQ(texts.UserID, "100003");
  EXPECT_EQ(texts.Deadline, "2026-12-13");
  EXPECT_TRUE(texts.PaymentNoticeVisible);  // three days left
  EXPECT_FALSE(texts.Expired);

  profile.PayType = "2";
  profile.ServiceEndDate = "2026-12-13";  // not a date: that label is skipped, the rest is shown
  texts = AccountTextsOf(profile, today);
  EXPECT_EQ(texts.State, "Service stop");
  EXPECT_FALSE(texts.Deadline.has_value());
  EXPECT_TRUE(texts.Expired);

  profile.PayType = "1";
  profile.ServiceEndDate = "20991231";
  texts = AccountTextsOf(profile, today);
  EXPECT_EQ(texts.Deadline, "Glory lifetime user");
  EXPECT_FALSE(texts.PaymentNoticeVisible);
}

// The account's type is a text the user reads: in Chinese, the catalog's; in English, the
// profile's name for it.
TEST(ProfileDisplay, TheAccountTypeIsSaidInTheMessagesLanguage) {
  runtime::UseCatalogs(KELBRIN_BUILD_LOCALE_DIR);
  const year_month_day today = 2026y / December / 10;
  protocol::TUserProfileSchema profile;
  profile.ServiceEndDate = "20261213";
  const struct {
    const char* payType;
    const char* english;
    const char* chinese;
  } cases[] = {{"0", "Trial user", "试用用户"},
               {"1", "Formal user", "正式用户"},
               {"2", "Overdue User", "欠费用户"},
               {"7", "Unknown", "未知"}};
  for (const auto& c : cases) {
    profile.PayType = c.payType;
    EXPECT_EQ(AccountTextsOf(profile, today).UserType, c.english) << c.payType;
    const test::MessagesLocale chinese("zh_CN.UTF-8");
    ASSERT_TRUE(chinese.chosen()) << "zh_CN.UTF-8 is not installed (scripts/setup: locales-all)";
    EXPECT_EQ(AccountTextsOf(profile, today).UserType, c.chinese) << c.payType;
  }
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

// In whatever time zone the test runs: one second before the time it gives, the local date is
// still today's; at that time it is the next day's. (Days away from a change of summer time.)
TEST(ProfileDisplay, UntilNextLocalDayEndsAtTheLocalMidnight) {
  for (const auto day : {sys_days(2026y / January / 15), sys_days(2026y / July / 15)}) {
    for (const auto time : {0h, 5h, 12h, 23h}) {
      const auto wall = day + time + 17min;
      const auto until = UntilNextLocalDay(wall);
      SCOPED_TRACE(time.count());
      EXPECT_GT(until, 0ms);
      EXPECT_LE(until, std::chrono::milliseconds(24h));
      EXPECT_EQ(LocalDate(wall + until - 1s), LocalDate(wall));
      EXPECT_EQ(sys_days(LocalDate(wall + until)), sys_days(LocalDate(wall)) + days(1));
    }
  }
}

}  // namespace
}  // namespace kelbrin::session

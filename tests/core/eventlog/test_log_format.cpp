#include <gtest/gtest.h>

#include "LocalTime.h"
#include "eventlog/LogFormat.h"

namespace kelbrin::eventlog {
namespace {

using test::LocalTime;

TEST(LogFormat, KindNames) {
  const struct {
    std::uint8_t kind;
    std::string_view name;
  } cases[] = {{0, "Tip"},     {1, "Warning"}, {2, "Error"},
               {3, "Others "}, {7, "Others "}, {255, "Others "}};
  for (const auto& c : cases) EXPECT_EQ(LogKindName(c.kind), c.name) << int{c.kind};
}

TEST(LogFormat, TimeIsTwoDigitFieldsOfLocalTime) {
  EXPECT_EQ(FormatLogTime(LocalTime(2006, 1, 31, 14, 5, 9)), "06-01-31 14:05:09");
  EXPECT_EQ(FormatLogTime(LocalTime(2010, 12, 5, 7, 8, 0)), "10-12-05 07:08:00");
  EXPECT_EQ(FormatLogTime(LocalTime(2000, 2, 29, 23, 59, 59)), "00-02-29 23:59:59");
}

TEST(LogFormat, LineTrimsEachPartAndSeparatesWithSixBlanks) {
  const auto at = LocalTime(2006, 1, 31, 14, 5, 9);
  EXPECT_EQ(FormatLogLine({kLogTip, "Clear log！", at}),
            "Tip      06-01-31 14:05:09      Clear log！");
  EXPECT_EQ(FormatLogLine({7, " \t padded text \r\n", at}),
            "Others      06-01-31 14:05:09      padded text");
  EXPECT_EQ(FormatLogLine({kLogWarning, "", at}), "Warning      06-01-31 14:05:09      ");
}

TEST(LogFormat, ControlsInsideTheMessageAreEscapedSoAnEntryIsOneLine) {
  const auto at = LocalTime(2006, 1, 31, 14, 5, 9);
  EXPECT_EQ(FormatLogLine({kLogTip, "IP：1.2.3.4\r\nError      06-01-31 14:05:10      forged\x1b[2J",
                           at}),
            "Tip      06-01-31 14:05:09      IP：1.2.3.4\\r\\nError      06-01-31 14:05:10      "
            "forged\\x1B[2J");
}

TEST(LogFormat, FileNameCarriesTheMinute) {
  EXPECT_EQ(LogFileName(LocalTime(2006, 1, 31, 14, 5, 9)), "DOZOVad200601311405");
  EXPECT_EQ(LogFileName(LocalTime(2026, 12, 1, 0, 0, 59)), "DOZOVad202612010000");
}

}  // namespace
}  // namespace kelbrin::eventlog

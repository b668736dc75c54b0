#include <gtest/gtest.h>

#include <stdexcept>

#include "protocol/Utilities.h"

namespace kelbrin::protocol {
namespace {

using namespace std::chrono;

TEST(IntOrDefault, ReadsDecimalIntegersAndFallsBackOtherwise) {
  struct Case {
    const char* text;
    int expected;
  };
  const Case cases[] = {
      {"0", 0},
      {"102", 102},
      {"-5", -5},
      {"+7", 7},
      {" 110 ", 110},
      {"\t42\r\n", 42},
      {"2147483647", 2147483647},
      {"abc", 1},
      {"", 1},
      {"  ", 1},
      {"12abc", 1},
      {"1 2", 1},
      {"0x10", 1},
      {"+-3", 1},
      {"+", 1},
      {"2147483648", 1},
      {"1.5", 1},
      {"１０", 1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(IntOrDefault(c.text, 1), c.expected) << '"' << c.text << '"';
  EXPECT_EQ(IntOrDefault("abc", -9), -9);
}

TEST(IsWellFormedXml, AcceptsOneElementTreeOnly) {
  struct Case {
    std::string text;
    bool expected;
  };
  const Case cases[] = {
      {"<PelmarPacket><Result>0</Result></PelmarPacket>", true},
      {"<?xml version=\"1.0\" encoding=\"GBK\"?><a/>", true},
      {"<a>&amp;&lt;&#x4E2D;</a>", true},
      {"<a>中文</a>", true},
      {"", false},
      {"OK", false},
      {"<a><b></a>", false},
      {"<a>", false},
      {"<a/><b/>", false},
      {"<a/>trailing", false},
      {"<a x=\"1></a>", false},
      {std::string("<a>\0</a>", 8), false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsWellFormedXml(c.text), c.expected) << c.text;
}

TEST(IsWellFormedXml, SkipsTheDoctypeWithoutExpandingItsEntities) {
  // A "billion laughs" document: the DOCTYPE is skipped and &c; stays a literal reference.
  std::string laughs = "<?xml version=\"1.0\"?><!DOCTYPE l [<!ENTITY a \"aaaaaaaaaa\">";
  for (char name = 'b'; name <= 'k'; ++name) {
    std::string value;
    for (int i = 0; i < 10; ++i) value += std::string("&") + static_cast<char>(name - 1) + ";";
    laughs += std::string("<!ENTITY ") + name + " \"" + value + "\">";
  }
  laughs += "]><l>&k;</l>";
  EXPECT_TRUE(IsWellFormedXml(laughs));
}

TEST(DateFromYmd, ReadsEightDigitDates) {
  EXPECT_EQ(DateFromYmd("20081231"), year(2008) / December / 31);
  EXPECT_EQ(DateFromYmd("20000229"), year(2000) / February / 29);
  EXPECT_EQ(DateFromYmd("00010101"), year(1) / January / 1);
  EXPECT_EQ(DateFromYmd("99991231"), year(9999) / December / 31);
}

TEST(DateFromYmd, RejectsAnythingElse) {
  for (const char* text :
       {"2008-12-31", "", "2008123", "200812311", "20081301", "20081200", "20081232", "20090229",
        "19000229", "00000101", " 20081231", "2008123a", "+2008123", "２００８１２３１"}) {
    EXPECT_THROW(DateFromYmd(text), std::invalid_argument) << '"' << text << '"';
  }
}

TEST(RepeatChar, RepeatsOrGivesNothing) {
  EXPECT_EQ(RepeatChar(' ', 6), "      ");
  EXPECT_EQ(RepeatChar('-', 1), "-");
  EXPECT_EQ(RepeatChar('x', 0), "");
  EXPECT_EQ(RepeatChar('x', -3), "");
}

}  // namespace
}  // namespace kelbrin::protocol

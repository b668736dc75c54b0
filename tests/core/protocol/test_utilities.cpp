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

// What an XML 1.0 parser refuses is refused here too, though pugixml alone would take it: such
// text must never reach a field that is printed, logged or passed on.
TEST(IsWellFormedXml, RefusesCharactersAndReferencesXmlDoesNotAllow) {
  struct Case {
    std::string text;
    bool expected;
  };
  const Case cases[] = {
      // Allowed: the whitespace controls, raw and as references; every plane; the predefined
      // entities; anything inside comments, CDATA sections and instructions.
      {"<a>\t\r\n&#9;&#xA;&#13;&#x20;</a>", true},
      {"<a>&#xD7FF;&#xE000;&#xFFFD;&#x10000;&#x10FFFF;&#1114111;\xF0\x9F\x98\x80</a>", true},
      {"<a b='&lt;&gt;&amp;&apos;&quot;'>&lt;&gt;&amp;&apos;&quot;</a>", true},
      {"<a><!-- &nbsp; & --><![CDATA[&nbsp; & &#0;]]><?pi &x; ?></a>", true},
      {"<a b=\"x>y\">&amp;</a>", true},
      // C0 controls raw and as references, in text and in attribute values.
      {"<a>1.2.3.4&#27;[31m</a>", false},
      {"<a>1.2.3.4\x1B[31m</a>", false},
      {"<a>&#0;</a>", false},
      {"<a>&#x0;</a>", false},
      {"<a>&#x1f;</a>", false},
      {"<a b=\"&#8;\"/>", false},
      {"<a b=\"\x01\"/>", false},
      {"<a>\x7F\x01</a>", false},
      // Outside the ranges: surrogates, U+FFFE and U+FFFF, beyond U+10FFFF (leading zeros are
      // no fault).
      {"<a>&#xD800;</a>", false},
      {"<a>&#xDFFF;</a>", false},
      {"<a>&#xFFFE;</a>", false},
      {"<a>&#65535;</a>", false},
      {"<a>\xEF\xBF\xBE</a>", false},
      {"<a>\xEF\xBF\xBF</a>", false},
      {"<a>\xED\xA0\x80</a>", false},
      {"<a>&#x110000;</a>", false},
      {"<a>&#x000000000000000000041;</a>", true},
      {"<a>&#99999999999999999999;</a>", false},
      // References XML does not know, or that are no references at all.
      {"<a>1.2.3.4&nbsp;</a>", false},
      {"<a>&copy;</a>", false},
      {"<a b=\"&nbsp;\"/>", false},
      {"<a>AT&T</a>", false},
      {"<a>&amp</a>", false},
      {"<a>&#;</a>", false},
      {"<a>&#x;</a>", false},
      {"<a>&#xG1;</a>", false},
      {"<a>&#-1;</a>", false},
      {"<a>&;</a>", false},
      // A comment or CDATA section that never ends hides nothing.
      {"<a><!-- &nbsp; </a>", false},
      {"<a><![CDATA[ x </a>", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsWellFormedXml(c.text), c.expected) << c.text;
}

TEST(IsWellFormedXml, SkipsTheDoctypeAndRefusesItsEntities) {
  // A "billion laughs" document: the DOCTYPE is skipped, so &k; is an entity nobody declared to
  // this reader, and the document is refused rather than expanded.
  std::string laughs = "<?xml version=\"1.0\"?><!DOCTYPE l [<!ENTITY a \"aaaaaaaaaa\">";
  for (char name = 'b'; name <= 'k'; ++name) {
    std::string value;
    for (int i = 0; i < 10; ++i) value += std::string("&") + static_cast<char>(name - 1) + ";";
    laughs += std::string("<!ENTITY ") + name + " \"" + value + "\">";
  }
  EXPECT_TRUE(IsWellFormedXml(laughs + "]><l>text</l>"));
  EXPECT_FALSE(IsWellFormedXml(laughs + "]><l>&k;</l>"));
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

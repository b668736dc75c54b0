// Texts at the bus's door: what a string argument may hold, and every text sent made UTF-8.
#include <gtest/gtest.h>

#include "platform/bus/BusText.h"

namespace {

using kelbrin::platform::BusSafeText;
using kelbrin::platform::BusTextBound;
using kelbrin::platform::BusTextBreach;

TEST(BusTextTest, BytesOutsideWellFormedCharactersBecomeHexEscapes) {
  const struct {
    std::string text;
    std::string sent;
  } cases[] = {
      {"plain, ünïcode and ！", "plain, ünïcode and ！"},
      {"\377\376log", "\\xFF\\xFElog"},
      {"cut \xe2\x82", "cut \\xE2\\x82"},      // a character broken off at the end
      {"\xc0\xaf", "\\xC0\\xAF"},              // an overlong "/"
      {"\xed\xa0\x80", "\\xED\\xA0\\x80"},     // a surrogate
      {"tab\tand\x1b[2J", "tab\tand\x1b[2J"},  // controls are UTF-8: left to the reader
      {"", ""},
  };
  for (const auto& row : cases) EXPECT_EQ(BusSafeText(row.text), row.sent) << row.text;
}

TEST(BusTextTest, AStringArgumentMustBeShortUtf8AndFreeOfControlsUnlessAllowed) {
  const BusTextBound strict{8, false};
  const BusTextBound lenient{8, true};
  const struct {
    std::string text;
    std::optional<std::string> strictBreach;
    std::optional<std::string> lenientBreach;
  } cases[] = {
      {"12345678", std::nullopt, std::nullopt},
      {"123456789", "longer than 8 bytes", "longer than 8 bytes"},
      {"ünï", std::nullopt, std::nullopt},
      {"\xff", "not UTF-8", "not UTF-8"},
      {"a\xc3", "not UTF-8", "not UTF-8"},
      {"a\tb", "holds a control character", std::nullopt},
      {"a\x7f", "holds a control character", std::nullopt},
      {"a\xc2\x9f", "holds a control character", std::nullopt},  // U+009F
      {"a\xc2\xa0", std::nullopt, std::nullopt},                 // U+00A0 is no control
  };
  for (const auto& row : cases) {
    EXPECT_EQ(BusTextBreach(row.text, strict), row.strictBreach) << row.text;
    EXPECT_EQ(BusTextBreach(row.text, lenient), row.lenientBreach) << row.text;
  }
}

}  // namespace

#include <gtest/gtest.h>

#include <string>

#include "eventlog/LineText.h"

namespace kelbrin::eventlog {
namespace {

TEST(EscapeControls, KeepsPrintableTextAndEscapesEveryControl) {
  const struct {
    std::string text;
    std::string escaped;
  } cases[] = {
      {"IP updates successfully：127.0.0.1", "IP updates successfully：127.0.0.1"},
      {"a\nb", "a\\nb"},
      {"a\r\nError: forged", "a\\r\\nError: forged"},
      {"tab\there", "tab\\there"},
      {"\x1b[31mred\x1b[0m", "\\x1B[31mred\\x1B[0m"},
      {std::string("nul\0byte", 8), "nul\\x00byte"},
      {"bell\a del\x7f", "bell\\x07 del\\x7F"},
      {"csi \xc2\x9b and nel \xc2\x85", "csi \\xC2\\x9B and nel \\xC2\\x85"},  // C1 as UTF-8
      {"raw csi \x9b", "raw csi \\x9B"},
      // Bidirectional controls: an override, an isolate, a mark, the Arabic letter mark.
      {"rlo \xe2\x80\xae gnp.exe", "rlo \\xE2\\x80\\xAE gnp.exe"},
      {"lre \xe2\x80\xaa pdf \xe2\x80\xac", "lre \\xE2\\x80\\xAA pdf \\xE2\\x80\\xAC"},
      {"fsi \xe2\x81\xa8 pdi \xe2\x81\xa9", "fsi \\xE2\\x81\\xA8 pdi \\xE2\\x81\\xA9"},
      {"lrm \xe2\x80\x8e rlm \xe2\x80\x8f", "lrm \\xE2\\x80\\x8E rlm \\xE2\\x80\\x8F"},
      {"alm \xd8\x9c", "alm \\xD8\\x9C"},
      // Their neighbours stay: the zero-width joiner, the en dash, the next isolate's neighbour.
      {"zwj \xe2\x80\x8d dash \xe2\x80\x93 \xe2\x81\xaa",
       "zwj \xe2\x80\x8d dash \xe2\x80\x93 \xe2\x81\xaa"},
      {"broken \xe4\xb8", "broken \\xE4\\xB8"},
      {"overlong \xc0\x8a", "overlong \\xC0\\x8A"},
      {"surrogate \xed\xa0\x80", "surrogate \\xED\\xA0\\x80"},
      {"latin \xc2\xa0\xc3\xa9 cjk \xe4\xb8\xad emoji \xf0\x9f\x98\x80",
       "latin \xc2\xa0\xc3\xa9 cjk \xe4\xb8\xad emoji \xf0\x9f\x98\x80"},
      {"back\\slash \\n", "back\\slash \\n"},
  };
  for (const auto& c : cases) {
    const std::string escaped = EscapeControls(c.text);
    EXPECT_EQ(escaped, c.escaped) << c.text;
    EXPECT_EQ(EscapeControls(escaped), escaped) << "escaping twice changes nothing";
  }
}

TEST(EscapeControls, EveryByteLeavesNoControlBehind) {
  std::string all;
  for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
  for (const unsigned char c : EscapeControls(all)) {
    EXPECT_TRUE(c >= 0x20 && c != 0x7f && (c < 0x80 || c > 0x9f)) << static_cast<int>(c);
  }
}

}  // namespace
}  // namespace kelbrin::eventlog

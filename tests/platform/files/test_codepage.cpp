#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/files/CodePage.h"

namespace kelbrin::platform {
namespace {

struct ConversionCase {
  const char* codePage;
  std::string bytes;
  std::string utf8;
};

TEST(CodePage, RoundTripsBetweenTheCodePageAndUtf8) {
  const ConversionCase cases[] = {
      {"GBK", "\xD6\xD0\xCE\xC4", "中文"},
      {"GBK", "IP \xB8\xFC\xD0\xC2\xA3\xBA" "1.2.3.4", "IP 更新：1.2.3.4"},
      {"GBK", "", ""},
      {"ISO-8859-1", "caf\xE9", "café"},
      {"UTF-8", "中文", "中文"},
  };
  for (const ConversionCase& c : cases) {
    const CodePage page = CodePage::Named(c.codePage);
    EXPECT_EQ(page.ToUtf8(c.bytes), c.utf8) << c.codePage << ' ' << c.utf8;
    EXPECT_EQ(page.FromUtf8(c.utf8), c.bytes) << c.codePage << ' ' << c.utf8;
  }
}

TEST(CodePage, UndecodableBytesBecomeTheReplacementCharacter) {
  const ConversionCase cases[] = {
      {"GBK",
       "a\xFF"
       "b",
       "a\uFFFDb"},
      {"GBK", "\xD6\xD0\xCE", "中\uFFFD"},  // cut inside the last character
      {"UTF-8", "a\xC3(b", "a\uFFFD(b"},
      {"UTF-8", "\x80\x80", "\uFFFD\uFFFD"},
      // Obsolete six- and five-byte forms, a surrogate, an overlong form: none is UTF-8.
      {"UTF-8", "\xFD\x98\x98\x98\x98\x98!", "\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD!"},
      {"UTF-8", "\xF8\x88\x80\x80\x80", "\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"UTF-8", "\xED\xA0\x80", "\uFFFD\uFFFD\uFFFD"},
      {"UTF-8", "\xC0\xAF", "\uFFFD\uFFFD"},
      {"NO-SUCH-CODE-PAGE", "ok\xD6\xD0", "ok\uFFFD\uFFFD"},
  };
  for (const ConversionCase& c : cases) {
    EXPECT_EQ(CodePage::Named(c.codePage).ToUtf8(c.bytes), c.utf8) << c.codePage << ' ' << c.utf8;
  }
}

TEST(CodePage, UnmappableCharactersBecomeQuestionMarks) {
  const ConversionCase cases[] = {
      {"GBK", "a?b", "a😀b"},
      {"ISO-8859-1", "\xE4?", "ä中"},
      {"GBK", "?x", "\xC3x"},  // not UTF-8 to begin with
      {"UTF-8", "?????\?!", "\xFD\x98\x98\x98\x98\x98!"},
      {"UTF-8", "???", "\xED\xA0\x80"},
      {"NO-SUCH-CODE-PAGE", "ok??", "ok中é"},
  };
  for (const ConversionCase& c : cases) {
    EXPECT_EQ(CodePage::Named(c.codePage).FromUtf8(c.utf8), c.bytes) << c.codePage << ' ' << c.utf8;
  }
}

TEST(CodePage, LongTextsConvertCompletely) {
  std::string utf8;
  std::string gbk;
  for (int i = 0; i < 10000; ++i) {
    utf8 += "中a";
    gbk +=
        "\xD6\xD0"
        "a";
  }
  const CodePage page = CodePage::Named("GBK");
  EXPECT_EQ(page.ToUtf8(gbk), utf8);
  EXPECT_EQ(page.FromUtf8(utf8), gbk);
}

TEST(CodePage, SystemComesFromTheLocaleAndConverts) {
  const CodePage page = CodePage::System();
  EXPECT_FALSE(page.Name().empty());
  EXPECT_EQ(page.ToUtf8("plain ascii"), "plain ascii");
}

TEST(CodePage, ReplacingTheSystemCodePageKeepsEarlierReferencesValid) {
  const CodePage& before = SystemCodePage();
  const std::string previous = before.Name();
  SetSystemCodePage(CodePage::Named("GBK"));
  EXPECT_EQ(SystemCodePage().Name(), "GBK");
  EXPECT_EQ(SystemCodePage().ToUtf8("\xD6\xD0"), "中");
  EXPECT_EQ(before.Name(), previous);
  SetSystemCodePage(CodePage::Named(previous));
  EXPECT_EQ(SystemCodePage().Name(), previous);
}

TEST(CodePage, ConvertsFromManyThreadsAtOnce) {
  const CodePage page = CodePage::Named("GBK");
  std::vector<std::thread> threads;
  std::vector<int> failures(4, 0);
  for (int& failed : failures) {
    threads.emplace_back([&page, &failed] {
      for (int i = 0; i < 200; ++i) {
        failed += page.FromUtf8(page.ToUtf8("\xD6\xD0\xCE\xC4")) != "\xD6\xD0\xCE\xC4";
      }
    });
  }
  for (auto& thread : threads) thread.join();
  for (const int failed : failures) EXPECT_EQ(failed, 0);
}

}  // namespace
}  // namespace kelbrin::platform

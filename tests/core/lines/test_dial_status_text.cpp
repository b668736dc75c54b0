// The dialer's status texts in its three languages and their code pages.
#include <gtest/gtest.h>

#include "MessagesLocale.h"
#include "lines/DialStatusText.h"
#include "platform/dialup/PppdErrors.h"
#include "platform/files/CodePage.h"
#include "runtime/Translate.h"

namespace kelbrin::lines {
namespace {

constexpr int kStates[] = {0,  1,  2,  3,  4,  5,  6,  7,  8,    9,    10,   11,   12,   13,
                           14, 15, 16, 17, 18, 19, 20, 21, 4096, 4097, 4098, 4099, 8192, 8193};

std::string InUtf8(const std::string& text, TLanguage language) {
  return platform::CodePage::Named(StatusTextCodePage(language)).ToUtf8(text);
}

TEST(DialStatusTextTest, TextsOfEachLanguageInItsCodePage) {
  struct Case {
    int state;
    TLanguage language;
    std::string utf8;
  };
  const std::vector<Case> cases{
      {0, TLanguage::English, "Opening port"},
      {12, TLanguage::English, "Authentication: acknowledge"},
      {4098, TLanguage::English, "Callback set by caller"},
      {8193, TLanguage::English, "Disconnected"},
      {0, TLanguage::Czech, "Otevírá se port"},
      {8193, TLanguage::Czech, "Rozpojeno"},
      {0, TLanguage::Portuguese, "Abrindo a porta"},
      {6, TLanguage::Portuguese, "Autenticaçao: enviando"},
      {10, TLanguage::Portuguese, "Autenticaçao: enviando"},
      {12, TLanguage::Portuguese, "Autenticaçao: enviando"},
      {8193, TLanguage::Portuguese, "Desconectado"},
      {8192, static_cast<TLanguage>(7), "Connected"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(InUtf8(DialStatusText(c.state, 0, c.language), c.language), c.utf8) << c.state;
  }
}

TEST(DialStatusTextTest, CzechAndPortugueseAreHeldInTheirWindowsCodePages) {
  // "í" is 0xED in Windows-1250, "ç" 0xE7 in Windows-1252.
  EXPECT_EQ(DialStatusText(0, 0, TLanguage::Czech), "Otev\xEDr\xE1 se port");
  EXPECT_EQ(DialStatusText(10, 0, TLanguage::Portuguese), "Autentica\xE7" "ao: enviando");
  // "ř" and "č" exist only in the Central European page.
  EXPECT_EQ(DialStatusText(16, 0, TLanguage::Czech), "\xC8" "ek\xE1 se na reset modemu");
}

TEST(DialStatusTextTest, EveryStateHasATextInEveryLanguage) {
  for (const TLanguage language : {TLanguage::English, TLanguage::Czech, TLanguage::Portuguese}) {
    for (const int state : kStates) {
      EXPECT_FALSE(DialStatusText(state, 0, language).empty()) << state;
    }
  }
}

TEST(DialStatusTextTest, AStateWithoutTextGivesTheEmptyText) {
  EXPECT_EQ(DialStatusText(22, 0, TLanguage::English), "");
  EXPECT_EQ(DialStatusText(22, 0, TLanguage::Czech), "");
  EXPECT_EQ(DialStatusText(-1, 0, TLanguage::Portuguese), "");
}

TEST(DialStatusTextTest, AnErrorGivesTheErrorTextInEveryLanguage) {
  const std::string authFailed = platform::PppdErrorText(platform::PppdExitCode(19));
  ASSERT_FALSE(authFailed.empty());
  for (const TLanguage language : {TLanguage::English, TLanguage::Czech, TLanguage::Portuguese}) {
    EXPECT_EQ(DialStatusText(5, platform::PppdExitCode(19), language), authFailed);
  }
}

TEST(DialStatusTextTest, AnErrorIsSaidInTheMessagesLanguage) {
  runtime::UseCatalogs(KELBRIN_BUILD_LOCALE_DIR);
  const test::MessagesLocale chinese("zh_CN.UTF-8");
  ASSERT_TRUE(chinese.chosen()) << "zh_CN.UTF-8 is not installed (scripts/setup: locales-all)";
  EXPECT_EQ(DialStatusText(5, platform::PppdExitCode(19), TLanguage::Czech),
            "pppd：认证失败：用户名或密码未被接受");
  EXPECT_EQ(DialStatusText(0, platform::kDialCancelled, TLanguage::English), "拨号已取消");
  // The state texts keep the dialer's language.
  EXPECT_EQ(DialStatusText(8193, 0, TLanguage::English), "Disconnected");
}

}  // namespace
}  // namespace kelbrin::lines

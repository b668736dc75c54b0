#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "MessagesLocale.h"
#include "runtime/Translate.h"

namespace {

using kelbrin::runtime::Translate;
using kelbrin::test::MessagesLocale;

TEST(Translate, FollowsTheMessagesLanguageAndLeavesEverythingElseWhole) {
  kelbrin::runtime::UseCatalogs(KELBRIN_BUILD_LOCALE_DIR);
  const std::string withNul("Tip\0x", 5);
  {
    const MessagesLocale chinese("zh_CN.UTF-8");
    ASSERT_TRUE(chinese.chosen()) << "zh_CN.UTF-8 is not installed (scripts/setup: locales-all)";
    EXPECT_EQ(Translate("Tip"), "提示");
    EXPECT_EQ(Translate("Save(&S)"), "保存(&S)");
    EXPECT_EQ(Translate("not a message of the program"), "not a message of the program");
    EXPECT_EQ(Translate(""), "");  // never the catalog's header
    EXPECT_EQ(Translate(withNul), withNul);
  }
  const MessagesLocale english("C.UTF-8");
  ASSERT_TRUE(english.chosen());
  EXPECT_EQ(Translate("Tip"), "Tip");
  EXPECT_EQ(Translate("Congradulation！"), "Congradulation！");
}

}  // namespace

#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <string_view>

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

TEST(Translate, PutsValuesWhereTheTranslationPlacesThem) {
  kelbrin::runtime::UseCatalogs(KELBRIN_BUILD_LOCALE_DIR);
  {
    const MessagesLocale chinese("zh_CN.UTF-8");
    ASSERT_TRUE(chinese.chosen()) << "zh_CN.UTF-8 is not installed (scripts/setup: locales-all)";
    EXPECT_EQ(Translate("The advanced service page of the account \"%1\" is ready: open it in "
                        "your browser to use it.",
                        {"demo01"}),
              "账户“demo01”的高级服务页面已准备好：请在浏览器中打开使用。");
  }
  const MessagesLocale english("C.UTF-8");
  ASSERT_TRUE(english.chosen());
  struct Case {
    const char* format;
    std::initializer_list<std::string_view> values;
    const char* expected;
  };
  const Case cases[] = {
      {"%1 needs a value", {"--user"}, "--user needs a value"},
      {"%2 then %1", {"one", "two"}, "two then one"},
      // A value that looks like a placeholder is inserted as it is.
      {"unknown option %1", {"%1%2"}, "unknown option %1%2"},
      // A placeholder without its value, and a lone '%', stay as written.
      {"%1 of %2", {"one"}, "one of %2"},
      {"100% at the end %", {}, "100% at the end %"},
  };
  for (const Case& c : cases) EXPECT_EQ(Translate(c.format, c.values), c.expected) << c.format;
}

}  // namespace

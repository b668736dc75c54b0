#include <gtest/gtest.h>

#include <chrono>

#include "MessagesLocale.h"
#include "NotifyListener.h"
#include "TempDir.h"
#include "app/service/ServiceStatus.h"
#include "runtime/Translate.h"

namespace kelbrin::app {
namespace {

using namespace std::chrono_literals;

TEST(ServiceStatusText, SaysWhatAPersonWantsToKnow) {
  const struct {
    bool online;
    const char* address;
    const char* lastError;
    const char* text;
  } cases[] = {
      {true, "203.0.113.7", "", "Online — address 203.0.113.7"},
      {true, "203.0.113.7", "Password failure！", "Online — address 203.0.113.7"},
      {true, "", "", "Online"},
      {false, "", "Password failure！", "Offline — Password failure！"},
      {false, "203.0.113.7", "", "Offline"},
      // The address is the service's text: a line end in it must not add a field to the status.
      {true, "1.2.3.4\nREADY=1\x1b[31m", "", "Online — address 1.2.3.4\\nREADY=1\\x1B[31m"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ServiceStatusText(c.online, c.address, c.lastError), c.text) << c.text;
  }
}

// The status speaks the messages language; the program's own error text is translated with it,
// the address from the reply is kept as it came.
TEST(ServiceStatusText, SpeaksTheMessagesLanguage) {
  runtime::UseCatalogs(KELBRIN_BUILD_LOCALE_DIR);
  const test::MessagesLocale chinese("zh_CN.UTF-8");
  ASSERT_TRUE(chinese.chosen()) << "zh_CN.UTF-8 is not installed (scripts/setup: locales-all)";
  EXPECT_EQ(ServiceStatusText(true, "203.0.113.7", ""), "在线，地址：203.0.113.7");
  EXPECT_EQ(ServiceStatusText(false, "", "Password failure！"), "离线：密码错误！");
  EXPECT_EQ(ServiceStatusText(false, "", "a text of the service"), "离线：a text of the service");
}

TEST(ServiceStatusReporter, SendsTheLineOnlyWhenItChanges) {
  const test::TempDir dir;
  test::NotifyListener listener(dir / "notify");
  platform::SystemdNotify notify(listener.path().string());
  ServiceStatusReporter reporter(notify);
  session::SessionView view;
  reporter.Update(false, view, "");
  reporter.Update(false, view, "");
  view.Label27 = "127.0.0.1";
  reporter.Update(true, view, "");
  reporter.Update(true, view, "");
  EXPECT_EQ(listener.Receive(5s), "STATUS=Offline");
  EXPECT_EQ(listener.Receive(5s), "STATUS=Online — address 127.0.0.1");
  EXPECT_EQ(listener.Receive(0ms), std::nullopt);
  EXPECT_EQ(reporter.Shown(), "Online — address 127.0.0.1");
}

}  // namespace
}  // namespace kelbrin::app

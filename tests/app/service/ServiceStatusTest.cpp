#include <gtest/gtest.h>

#include <chrono>
#include <ctime>

#include "MessagesLocale.h"
#include "NotifyListener.h"
#include "TempDir.h"
#include "app/service/ServiceStatus.h"
#include "runtime/Translate.h"

namespace kelbrin::app {
namespace {

using namespace std::chrono_literals;

using session::SessionState;

session::SessionFacts Facts(SessionState state, const char* address = "",
                            const char* lastError = "",
                            std::chrono::system_clock::time_point lastAnswer = {}) {
  session::SessionFacts facts;
  facts.state = state;
  facts.address = address;
  facts.lastError = lastError;
  facts.lastAnswer = lastAnswer;
  return facts;
}

TEST(ServiceStatusText, SaysWhatAPersonWantsToKnow) {
  // 13:02:03 local time today, whatever the zone.
  std::tm local{};
  const std::time_t now = std::time(nullptr);
  localtime_r(&now, &local);
  local.tm_hour = 13;
  local.tm_min = 2;
  local.tm_sec = 3;
  const auto answered = std::chrono::system_clock::from_time_t(std::mktime(&local));
  const struct {
    session::SessionFacts facts;
    const char* text;
  } cases[] = {
      {Facts(SessionState::Online, "203.0.113.7"), "Online — address 203.0.113.7"},
      {Facts(SessionState::Online, "203.0.113.7", "Password failure！"),
       "Online — address 203.0.113.7"},
      {Facts(SessionState::Online), "Online"},
      // While the tests go unanswered the status does not say Online.
      {Facts(SessionState::ConnectionFails, "203.0.113.7", "", answered),
       "Connection fails — last answer at 13:02:03"},
      {Facts(SessionState::ConnectionFails, "203.0.113.7"), "Connection fails"},
      {Facts(SessionState::LoggingIn), "Logging in"},
      {Facts(SessionState::Refused, "", "Password failure！"), "Offline — Password failure！"},
      {Facts(SessionState::LoggedOut, "203.0.113.7"), "Offline"},
      // The address is the service's text: a line end in it must not add a field to the status.
      {Facts(SessionState::Online, "1.2.3.4\nREADY=1\x1b[31m"),
       "Online — address 1.2.3.4\\nREADY=1\\x1B[31m"},
  };
  for (const auto& c : cases) EXPECT_EQ(ServiceStatusText(c.facts), c.text) << c.text;
}

// The status speaks the messages language; the program's own error text is translated with it,
// the address from the reply is kept as it came.
TEST(ServiceStatusText, SpeaksTheMessagesLanguage) {
  runtime::UseCatalogs(KELBRIN_BUILD_LOCALE_DIR);
  const test::MessagesLocale chinese("zh_CN.UTF-8");
  ASSERT_TRUE(chinese.chosen()) << "zh_CN.UTF-8 is not installed (scripts/setup: locales-all)";
  EXPECT_EQ(ServiceStatusText(Facts(SessionState::Online, "203.0.113.7")),
            "在线，地址：203.0.113.7");
  EXPECT_EQ(ServiceStatusText(Facts(SessionState::Refused, "", "Password failure！")),
            "离线：密码错误！");
  EXPECT_EQ(ServiceStatusText(Facts(SessionState::LoggedOut, "", "a text of the service")),
            "离线：a text of the service");
}

TEST(ServiceStatusReporter, SendsTheLineOnlyWhenItChanges) {
  const test::TempDir dir;
  test::NotifyListener listener(dir / "notify");
  platform::SystemdNotify notify(listener.path().string());
  ServiceStatusReporter reporter(notify);
  reporter.Update(Facts(SessionState::LoggedOut));
  reporter.Update(Facts(SessionState::LoggedOut));
  reporter.Update(Facts(SessionState::Online, "127.0.0.1"));
  reporter.Update(Facts(SessionState::Online, "127.0.0.1"));
  EXPECT_EQ(listener.Receive(5s), "STATUS=Offline");
  EXPECT_EQ(listener.Receive(5s), "STATUS=Online — address 127.0.0.1");
  EXPECT_EQ(listener.Receive(0ms), std::nullopt);
  EXPECT_EQ(reporter.Shown(), "Online — address 127.0.0.1");
}

}  // namespace
}  // namespace kelbrin::app

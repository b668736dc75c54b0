#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "LocalHttpServer.h"
#include "ReferenceService.h"
#include "TempDir.h"
#include "app/entry/ClientMain.h"
#include "app/entry/CommandLine.h"
#include "app/commands/OnceCommand.h"
#include "platform/files/CodePage.h"
#include "protocol/HttpTransport.h"
#include "protocol/PelmarClient.h"
#include "settings/PubUtil.h"

namespace kelbrin::app {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::Not;

// One reference service for the whole suite; every test gets a fresh settings folder.
class OnceCommandTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { service = new test::ReferenceService(); }
  static void TearDownTestSuite() {
    delete service;
    service = nullptr;
  }
  void SetUp() override {
    service->reset();
    settings::SetConfigRoot(configDir.path());
    client.SetEndpoint(service->endpoint());
  }

  int runOnce(OnceRequest request) {
    out.str({});
    err.str({});
    return RunOnce(request, client, out, err);
  }

  protocol::HttpTransport transport;
  protocol::PelmarClient client{transport};

  static test::ReferenceService* service;
  test::TempDir configDir;
  std::ostringstream out;
  std::ostringstream err;
};

test::ReferenceService* OnceCommandTest::service = nullptr;

TEST_F(OnceCommandTest, DemoAccountShowsStateAddressAndDomainsInOrder) {
  ASSERT_EQ(runOnce({"demo01", "demo-pass", false}), kExitDone) << err.str();
  EXPECT_EQ(err.str(), "");
  const std::string text = out.str();
  const std::vector<std::string> lines = {
      "User ID: 100001\n",
      "State: Normal\n",
      "User Type: Formal user\n",
      "The Service Deadline: Glory lifetime user\n",
      "IP updates successfully：127.0.0.1\n",
      "Total: 2 domain names.\n",
      "  demo01.example.net  The Service is valid from20250101to20991231\n",
      "    A Recordwww，DNS Data：203.0.113.7\n",
      "    MX Recordmail，DNS Data：mx.demo01.example.net\n",
      "    CNAME Recordftp，DNS Data：www.demo01.example.net\n",
      "  demo01-office.example.net  The Service is valid from20250601to",
      "    CNAME Recordintranet，DNS Data：office.example.net\n"};
  std::size_t at = 0;
  for (const std::string& line : lines) {
    const std::size_t found = text.find(line, at);
    ASSERT_NE(found, std::string::npos) << "missing or out of order: " << line << "\nin:\n" << text;
    at = found + line.size();
  }
  EXPECT_EQ(service->countRequests("QueryUserProfileReq"), 1);
  EXPECT_EQ(service->countRequests("ActiveTestReq"), 1);
  EXPECT_EQ(service->countRequests("GetServiceListReq"), 1);
}

struct FailureCase {
  const char* name;
  const char* user;
  const char* password;
  int exitCode;
  const char* errLine;
  const char* outText;  // what must already have been shown, or "" for nothing at all
};

constexpr const char* kControlCharacters =
    "The user name and the password must not contain control characters (such as Escape or a "
    "line end).";

class OnceCommandFailureTest : public OnceCommandTest,
                               public ::testing::WithParamInterface<FailureCase> {};

TEST_P(OnceCommandFailureTest, EndsWithTheServicesMessageAndItsExitStatus) {
  const FailureCase& c = GetParam();
  EXPECT_EQ(runOnce({c.user, c.password, false}), c.exitCode);
  EXPECT_EQ(err.str(), std::string(c.errLine) + "\n");
  // Refused before the login: nothing was sent.
  if (std::string(c.errLine).find("Login failure") == std::string::npos &&
      c.exitCode == kExitRefused && *c.outText == '\0') {
    EXPECT_EQ(service->countRequests("QueryUserProfileReq"), 0);
  }
  if (*c.outText == '\0') {
    EXPECT_EQ(out.str(), "");
  } else {
    EXPECT_THAT(out.str(), HasSubstr(c.outText));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, OnceCommandFailureTest,
    ::testing::Values(FailureCase{"WrongPassword", "demo01", "wrong-pass", kExitRefused,
                                  "Login failure: Password failure！", ""},
                      FailureCase{"UnknownUser", "nobody", "whatever", kExitRefused,
                                  "Login failure: Please register first！", ""},
                      FailureCase{"RefusedAccountType", "badtype01", "badtype-pass", kExitRefused,
                                  "Login failure: Invaild user type！", ""},
                      FailureCase{"AccountWithoutDomains", "nodomain01", "nodomain-pass",
                                  kExitRefused, "Please register first！",
                                  "IP updates successfully：127.0.0.1\n"},
                      FailureCase{"ExpiredAccount", "overdue01", "overdue-pass", kExitRefused,
                                  "The account expires！",
                                  "State: Service stop\nUser Type: Overdue User\n"},
                      FailureCase{"PasswordTooShort", "demo01", " ab ", kExitRefused,
                                  "Please type a valid name and password！", ""},
                      FailureCase{"BlankUser", "  ", "demo-pass", kExitRefused,
                                  "Please type a valid name and password！", ""},
                      FailureCase{"EscapeInThePassword", "demo01", "demo\x1b-pass", kExitRefused,
                                  kControlCharacters, ""},
                      FailureCase{"LineEndInTheUserName", "demo\n01", "demo-pass", kExitRefused,
                                  kControlCharacters, ""}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(OnceCommandTest, ActiveTestRefusedAfterLoginEndsWithItsMessage) {
  service->control("result?code=102&msg=ActiveTestReq");
  EXPECT_EQ(runOnce({"demo01", "demo-pass", false}), kExitRefused);
  EXPECT_EQ(err.str(), "Password failure！\n");
  EXPECT_THAT(out.str(), HasSubstr("User ID: 100001\n"));
  EXPECT_THAT(out.str(), ::testing::Not(HasSubstr("IP updates successfully")));
}

TEST_F(OnceCommandTest, ServiceThatCannotBeReachedEndsWithExitTwo) {
  client.SetEndpoint("http://127.0.0.1:" + std::to_string(test::LocalHttpServer::closedPort()) +
                    "/pelmar/pelmar.dll/");
  EXPECT_EQ(runOnce({"demo01", "demo-pass", false}), kExitUnreachable);
  EXPECT_EQ(err.str(), "Login failure: Connection failure！\n");
  EXPECT_EQ(out.str(), "");
}

// Every text of the replies is data: a line end or a terminal control in it is printed escaped,
// so the report keeps its own lines and sends nothing to the terminal.
TEST_F(OnceCommandTest, ReplyTextCannotForgeLinesOrReachTheTerminal) {
  // One document answers all three requests: each reads only its own elements.
  test::LocalHttpServer forger;
  forger.setReply(
      {.body = "<PelmarPacket><Result>0</Result><UserIP>1.2.3.4&#10;FORGED line&#13;&#x9B;31m"
               "</UserIP><UserProfile><UserID>7&#10;FORGED id</UserID><PayType>1</PayType>"
               "<ServiceEndDate>2099&#9;1231</ServiceEndDate></UserProfile><DomainInfo>"
               "<DomainName>a&#10;FORGED domain&#x202E;moc&#x2066;</DomainName>"
               "<SuffixName>.example.net</SuffixName>"
               "<ResourceInfo><ResourceType>A</ResourceType><KeyName>www&#x85;</KeyName>"
               "<KeyValue>1.2.3.4&#10;FORGED record</KeyValue></ResourceInfo></DomainInfo>"
               "</PelmarPacket>"});
  client.SetEndpoint(forger.url());
  ASSERT_EQ(runOnce({"demo01", "demo-pass", false}), kExitDone) << err.str();
  const std::string text = out.str();
  EXPECT_THAT(text, HasSubstr("IP updates successfully：1.2.3.4\\nFORGED line\\r\\xC2\\x9B31m\n"));
  EXPECT_THAT(text, HasSubstr("User ID: 7\\nFORGED id\n"));
  // A right-to-left override or an isolate would reorder what the terminal shows after it.
  EXPECT_THAT(text,
              HasSubstr("  a\\nFORGED domain\\xE2\\x80\\xAEmoc\\xE2\\x81\\xA6.example.net  "));
  EXPECT_THAT(text, Not(HasSubstr("\xe2\x80\xae")));
  EXPECT_THAT(text, HasSubstr("Recordwww\\xC2\\x85，DNS Data：1.2.3.4\\nFORGED record\n"));
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    EXPECT_FALSE(line.starts_with("FORGED")) << text;
    for (const char c : line) EXPECT_GE(static_cast<unsigned char>(c), 0x20) << text;
  }
}

TEST_F(OnceCommandTest, ActiveTestWithoutReplyEndsWithExitTwo) {
  service->control("drop?msg=ActiveTestReq");
  EXPECT_EQ(runOnce({"demo01", "demo-pass", false}), kExitUnreachable);
  EXPECT_EQ(err.str(), "Connection fails！\n");
}

TEST_F(OnceCommandTest, SavedCredentialsAreUsedOnlyAfterASave) {
  EXPECT_EQ(runOnce({std::nullopt, std::nullopt, false}), kExitRefused);
  EXPECT_EQ(err.str(), "Please type a valid name and password！\n");

  ASSERT_EQ(runOnce({"demo01", "demo-pass", false}), kExitDone);
  EXPECT_EQ(settings::TPubUtil::ReadRegString("UserPwd"), "") << "stored without --save";

  ASSERT_EQ(runOnce({"demo01", "demo-pass", true}), kExitDone);
  EXPECT_EQ(settings::TPubUtil::ReadRegString("UserName"), "demo01");
  EXPECT_EQ(settings::TPubUtil::ReadRegString("UserPwd"), "demo-pass");
  EXPECT_EQ(settings::TPubUtil::ReadRegString("SavePwd"), "1");

  EXPECT_EQ(runOnce({std::nullopt, std::nullopt, false}), kExitDone) << err.str();
  EXPECT_THAT(out.str(), HasSubstr("User ID: 100001\n"));
}

// A login that worked is not reported as the service's refusal when only the local save failed.
TEST_F(OnceCommandTest, ASaveThatFailsHasItsOwnExitStatus) {
  // A file where the settings folder should be: no folder can be made there, even by root.
  const auto blocked = configDir.path() / "blocked";
  std::ofstream(blocked) << "not a folder";
  settings::SetConfigRoot(blocked / "config");

  EXPECT_EQ(runOnce({"demo01", "demo-pass", true}), kExitNotSaved);
  EXPECT_THAT(err.str(), HasSubstr("logged in, but the credentials were not saved"));
  EXPECT_THAT(out.str(), HasSubstr("IP updates successfully："));
}

TEST_F(OnceCommandTest, FailedLoginSavesNothing) {
  EXPECT_EQ(runOnce({"demo01", "wrong-pass", true}), kExitRefused);
  EXPECT_EQ(settings::TPubUtil::ReadRegString("UserName"), "");
  EXPECT_EQ(settings::TPubUtil::ReadRegString("SavePwd"), "");
}

}  // namespace
}  // namespace kelbrin::app

namespace kelbrin::app {
namespace {

// Makes GBK the system code page for the life of the scope, as under a GBK locale.
class GbkLocale {
 public:
  GbkLocale() : previous_(platform::SystemCodePage().Name()) {
    platform::SetSystemCodePage(platform::CodePage::Named("GBK"));
  }
  ~GbkLocale() { platform::SetSystemCodePage(platform::CodePage::Named(previous_)); }

 private:
  std::string previous_;
};

// Under a GBK locale the name and password a person types arrive as GBK bytes; the service must
// see them as the UTF-8 the body declares, and bytes that are no GBK text are refused.
TEST_F(OnceCommandTest, CommandLineCredentialsAreConvertedFromTheLocale) {
  const GbkLocale gbk;
  const std::string endpoint = service->endpoint();
  const std::string config = (configDir.path() / "gbk").string();
  std::istringstream password("\xC3\xDC\xC2\xEB" "123\n");  // "密码123" in GBK
  const std::string_view args[] = {"--once", "--endpoint", endpoint, "--config-root", config,
                                   "--user", "\xD5\xC5\xC8\xFD", "--password-stdin"};  // "张三"
  EXPECT_EQ(RunClient(args, password, -1, out, err), kExitRefused) << err.str();
  const auto requests = service->requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].user, "\xE5\xBC\xA0\xE4\xB8\x89");  // "张三" in UTF-8

  std::istringstream noText("\xFF\xFF\n");
  err.str({});
  EXPECT_EQ(RunClient(args, noText, -1, out, err), kExitUsage);
  EXPECT_THAT(err.str(), HasSubstr("--password-stdin: not valid text in the locale's character set (GBK)"));
  EXPECT_EQ(service->requests().size(), 1u);
}

}  // namespace
}  // namespace kelbrin::app

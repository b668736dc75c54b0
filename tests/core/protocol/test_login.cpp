#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "LocalHttpServer.h"
#include "protocol/HttpTransport.h"
#include "protocol/PelmarClient.h"

namespace kelbrin::protocol {
namespace {

using test::LocalHttpServer;
using ::testing::EndsWith;
using ::testing::StrictMock;

class MockReactions : public ResultReactions {
 public:
  MOCK_METHOD(void, AuthenticateLine, (), (override));
  MOCK_METHOD(void, ShowLastError, (const std::string& text), (override));
};

std::string ProfileReply(const std::string& result, const std::string& userName) {
  return "<PelmarPacket><MsgType>QueryUserProfileResp</MsgType><Result>" + result +
         "</Result><UserProfile><UserName>" + userName +
         "</UserName><ServiceEndDate>20301231</ServiceEndDate></UserProfile></PelmarPacket>";
}

// The login check and the version query of the Pelmar client, over the HTTP transport to a real HTTP
// server on 127.0.0.1.
class LoginTest : public ::testing::Test {
 protected:
  void SetUp() override { client_.SetEndpoint(server_.url()); }

  LocalHttpServer server_;
  StrictMock<MockReactions> reactions_;
  HttpTransport transport_;
  PelmarClient client_{transport_, &reactions_};
};

TEST_F(LoginTest, SendsTheProfileQueryAndReturnsTheAcceptedProfile) {
  server_.setReply({.body = ProfileReply("0", "demo01")});

  const auto login = client_.UserLogin({" demo01 ", "p&w<"});
  EXPECT_TRUE(login.Accepted());

  const auto requests = server_.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].requestLine, "POST /pelmar/pelmar.dll/ HTTP/1.1");
  EXPECT_THAT(requests[0].body,
              EndsWith("<PelmarPacket><MsgType>QueryUserProfileReq</MsgType>"
                       "<UserName> demo01 </UserName><UserPwd>p&amp;w&lt;</UserPwd>"
                       "<ClientVersion>6.0</ClientVersion></PelmarPacket>"));
  const auto profile = login.reply;
  ASSERT_TRUE(profile);
  EXPECT_EQ(profile->Result, "0");
  EXPECT_EQ(profile->Profile.UserName, "demo01");
  EXPECT_EQ(profile->Profile.ServiceEndDate, "20301231");
}

struct RefusalCase {
  const char* name;
  LocalHttpServer::Reply reply;
  int code;
  const char* text;
};

void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }

class LoginRefusalTest : public LoginTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(LoginRefusalTest, ReportsTheCode) {
  const RefusalCase& c = GetParam();
  if (c.code == 1) {
    EXPECT_CALL(reactions_, AuthenticateLine());
  } else {
    EXPECT_CALL(reactions_, ShowLastError(std::string(c.text)));
  }
  server_.setReply(c.reply);

  const auto login = client_.UserLogin({"demo01", "wrong"});

  EXPECT_FALSE(login.Accepted());
  EXPECT_EQ(login.resultCode, c.code);
  EXPECT_EQ(login.message, c.text);
  EXPECT_EQ(client_.LastResultCode(), c.code);
  EXPECT_EQ(client_.LastErrorText(), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, LoginRefusalTest,
    ::testing::Values(
        RefusalCase{"WrongPassword", {.body = ProfileReply("102", "")}, 102, "Password failure！"},
        RefusalCase{
            "NotRegistered", {.body = ProfileReply("100", "")}, 100, "Please register first！"},
        RefusalCase{
            "UnknownCode", {.body = ProfileReply("7", "")}, 7, "Host Information：unknown Error"},
        RefusalCase{"NonNumericCode", {.body = ProfileReply("abc", "")}, 1, "Connection failure！"},
        RefusalCase{"NoResult", {.body = "<PelmarPacket/>"}, 1, "Connection failure！"},
        RefusalCase{
            "NoReply", {.status = 500, .body = ProfileReply("0", "x")}, 1, "Connection failure！"}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST_F(LoginTest, LatestVersionSendsTheFixedQuery) {
  server_.setReply({.body = "<PelmarPacket><Result>0</Result><VersionInfo>6.1</VersionInfo>"
                            "</PelmarPacket>"});

  EXPECT_EQ(client_.QueryLatestVersion(), "6.1");

  const auto requests = server_.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].requestLine, "POST /pelmar/pelmar.dll/ HTTP/1.1");
  EXPECT_EQ(requests[0].body,
            "<?xml version=\"1.0\" ?><PelmarPacket><MsgType>GetVersionReq</MsgType>"
            "<Version>1.0</Version></PelmarPacket>");
}

TEST_F(LoginTest, LatestVersionFallsBackToTheOwnVersion) {
  server_.setReply({.body = "<PelmarPacket><Result>5</Result><VersionInfo>7.0</VersionInfo>"
                            "</PelmarPacket>"});
  EXPECT_EQ(client_.QueryLatestVersion(), "6.0");

  client_.SetEndpoint("http://127.0.0.1:" + std::to_string(LocalHttpServer::closedPort()) + "/");
  EXPECT_EQ(client_.QueryLatestVersion(), "6.0");
}

}  // namespace
}  // namespace kelbrin::protocol

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>

#include "ScriptedTransport.h"
#include "protocol/PelmarClient.h"

namespace kelbrin::protocol {
namespace {

using namespace std::chrono_literals;
using ::testing::StrictMock;
using ::testing::Throw;

class MockReactions : public ResultReactions {
 public:
  MOCK_METHOD(void, AuthenticateLine, (), (override));
  MOCK_METHOD(void, ShowLastError, (const std::string& text), (override));
};

constexpr const char* kEndpoint = "http://127.0.0.1:9/pelmar/pelmar.dll/";

struct CodeCase {
  int code;
  const char* text;
};
void PrintTo(const CodeCase& c, std::ostream* os) { *os << c.code; }

class ResultCodeTextTest : public ::testing::TestWithParam<CodeCase> {
 protected:
  test::ScriptedTransport transport_;
  StrictMock<MockReactions> reactions_;
  PelmarClient client_{transport_, &reactions_};
};

TEST_P(ResultCodeTextTest, RecordsTheMessageAndReacts) {
  const CodeCase& c = GetParam();
  if (c.code == 1) {
    EXPECT_CALL(reactions_, AuthenticateLine());
  } else {
    EXPECT_CALL(reactions_, ShowLastError(std::string(c.text)));
  }
  client_.ResultCodeText(c.code);
  EXPECT_EQ(client_.LastResultCode(), c.code);
  EXPECT_EQ(client_.LastErrorText(), c.text);
  EXPECT_EQ(ResultCodeMessage(c.code), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, ResultCodeTextTest,
    ::testing::Values(CodeCase{1, "Connection failure！"}, CodeCase{100, "Please register first！"},
                      CodeCase{102, "Password failure！"}, CodeCase{110, "Invaild user type！"},
                      CodeCase{7, "Host Information：unknown Error"},
                      CodeCase{-1, "Host Information：unknown Error"},
                      CodeCase{101, "Host Information：unknown Error"}),
    [](const auto& testInfo) {
      const int code = testInfo.param.code;
      return (code < 0 ? "Minus" : "") + std::to_string(code < 0 ? -code : code);
    });

TEST_F(ResultCodeTextTest, AFailingLineDoesNotEscapeCodeOne) {
  EXPECT_CALL(reactions_, AuthenticateLine()).WillOnce(Throw(std::runtime_error("dial failed")));
  EXPECT_NO_THROW(client_.ResultCodeText(1));
  EXPECT_EQ(client_.LastErrorText(), "Connection failure！");
}

TEST(PelmarClientWithoutReactions, StillRecordsTheCode) {
  test::ScriptedTransport transport;
  PelmarClient client(transport);
  client.ResultCodeText(102);
  EXPECT_EQ(client.LastResultCode(), 102);
  EXPECT_EQ(client.LastErrorText(), "Password failure！");
}

TEST(PelmarClientThreads, ReadersNeverSeeATornText) {
  test::ScriptedTransport transport;
  PelmarClient client(transport);
  client.ResultCodeText(7);
  const std::set<std::string> known = {"Connection failure！", "Password failure！",
                                       "Host Information：unknown Error"};
  std::vector<std::thread> writers;
  for (const int code : {1, 102, 7}) {
    writers.emplace_back([code, &client] {
      for (int i = 0; i < 200; ++i) client.ResultCodeText(code);
    });
  }
  for (int i = 0; i < 200; ++i) {
    const std::string text = client.LastErrorText();
    EXPECT_TRUE(known.count(text)) << text;
  }
  for (auto& writer : writers) writer.join();
}

// Each typed call sends its own document to the endpoint and judges the reply's Result.
TEST(PelmarClientCalls, SendTheirDocumentsAndCarryTheirOutcome) {
  test::ScriptedTransport transport;
  PelmarClient client(transport);
  client.SetEndpoint(kEndpoint);
  transport.Script({
      "<PelmarPacket><Result>0</Result><UserIP>203.0.113.9</UserIP></PelmarPacket>",
      "<PelmarPacket><Result>102</Result></PelmarPacket>",
      "",
      "<PelmarPacket><Result>00</Result></PelmarPacket>",
  });
  TActiveTestResp response;
  const Outcome accepted = client.ActiveTest({"demo01", "pw"}, response);
  EXPECT_TRUE(accepted.Accepted());
  EXPECT_EQ(response.UserIP, "203.0.113.9");

  const auto refused = client.GetServiceList({"demo01", "pw"});
  EXPECT_FALSE(refused.Accepted());
  EXPECT_TRUE(refused.replied);
  EXPECT_EQ(refused.resultCode, 102);
  EXPECT_EQ(refused.message, "Password failure！");

  // No reply: code 1, and the kept response still holds the last reply's fields.
  const Outcome missing = client.ActiveTest({"demo01", "pw"}, response);
  EXPECT_FALSE(missing.replied);
  EXPECT_EQ(missing.resultCode, 1);
  EXPECT_EQ(response.UserIP, "203.0.113.9");

  // Only the text "0" is an acceptance; "00" reads as code 0 but is still a refusal.
  const auto oddZero = client.GetServiceList({"demo01", "pw"});
  EXPECT_FALSE(oddZero.Accepted());
  EXPECT_EQ(oddZero.resultCode, 0);

  const auto sent = transport.SentRequests();
  ASSERT_EQ(sent.size(), 4u);
  for (const auto& request : sent) {
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.url, kEndpoint);
    EXPECT_TRUE(request.xmlMode);
  }
  EXPECT_NE(sent[0].body.find("<MsgType>ActiveTestReq</MsgType><Version>1.0</Version>"
                              "<UserName>demo01</UserName><UserPwd>pw</UserPwd>"),
            std::string::npos);
  EXPECT_NE(sent[1].body.find("<MsgType>GetServiceListReq</MsgType>"), std::string::npos);
}

// A reply that does not parse as one well-formed document is no reply at all (code 1), whatever
// its Result says; and only the service list may be large.
TEST(PelmarClientCalls, AReplyThatIsNotWellFormedIsNone) {
  test::ScriptedTransport transport;
  PelmarClient client(transport);
  client.SetEndpoint(kEndpoint);
  const std::string notWellFormed[] = {
      "OK",
      "<PelmarPacket><Result>0</Result>",
      "<PelmarPacket><Result>0</Result></PelmarPacket><b/>",
      "<PelmarPacket><Result>0</Result><UserIP>1.2.3.4&#27;[31m</UserIP></PelmarPacket>",
      "<PelmarPacket><Result>0</Result><UserIP>1.2.3.4&nbsp;</UserIP></PelmarPacket>",
  };
  for (const std::string& text : notWellFormed) {
    transport.Script({text, text, text});
    TActiveTestResp response;
    const Outcome test = client.ActiveTest({"demo01", "pw"}, response);
    EXPECT_FALSE(test.replied) << text;
    EXPECT_EQ(test.resultCode, 1) << text;
    EXPECT_EQ(response.UserIP, "") << text;
    EXPECT_FALSE(client.UserLogin({"demo01", "pw"}).replied) << text;
    EXPECT_FALSE(client.GetServiceList({"demo01", "pw"}).replied) << text;
  }
  const auto sent = transport.SentRequests();
  ASSERT_EQ(sent.size(), 3 * std::size(notWellFormed));
  EXPECT_EQ(sent[0].replyCap, kMessageReplyCap);
  EXPECT_EQ(sent[1].replyCap, kMessageReplyCap);
  EXPECT_EQ(sent[2].replyCap, kServiceListReplyCap);
}

TEST(PelmarClientCalls, RawExchangeGoesToTheGivenAddressInRawMode) {
  test::ScriptedTransport transport;
  PelmarClient client(transport);
  client.SetEndpoint(kEndpoint);
  transport.Script({"<html>portal</html>"});
  EXPECT_EQ(client.RawExchange("post", "http://192.0.2.1/login", "uid=a"), "<html>portal</html>");
  const auto sent = transport.SentRequests();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].url, "http://192.0.2.1/login");
  EXPECT_EQ(sent[0].method, "post");
  EXPECT_FALSE(sent[0].xmlMode);
}

// A transport that holds every exchange until the test lets it go, and counts how many run at
// once.
class GateTransport final : public Transport {
 public:
  std::string Exchange(const ExchangeRequest& request) override {
    std::unique_lock lock(mutex_);
    ++running_;
    maxRunning_ = std::max(maxRunning_, running_);
    ++started_;
    changed_.notify_all();
    changed_.wait_for(lock, 20s, [&] { return open_ || (request.aborted && request.aborted->load()); });
    --running_;
    const bool aborted = request.aborted && request.aborted->load();
    return aborted ? std::string() : "<PelmarPacket><Result>0</Result></PelmarPacket>";
  }
  bool WaitForStarted(int count) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, 10s, [&] { return started_ >= count; });
  }
  void Open() {
    std::lock_guard lock(mutex_);
    open_ = true;
    changed_.notify_all();
  }
  // Wakes the waiting exchange so it can see the abort flag.
  void Poke() {
    std::lock_guard lock(mutex_);
    changed_.notify_all();
  }
  int MaxRunning() {
    std::lock_guard lock(mutex_);
    return maxRunning_;
  }
  int Started() {
    std::lock_guard lock(mutex_);
    return started_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  int running_ = 0, maxRunning_ = 0, started_ = 0;
  bool open_ = false;
};

TEST(PelmarClientLock, OneExchangeAtATimeFromEveryThread) {
  GateTransport transport;
  PelmarClient client(transport);
  std::vector<std::future<bool>> calls;
  for (int i = 0; i < 3; ++i) {
    calls.push_back(std::async(std::launch::async, [&] {
      TActiveTestResp response;
      return client.ActiveTest({"u", "pw"}, response).Accepted();
    }));
  }
  ASSERT_TRUE(transport.WaitForStarted(1));
  transport.Open();
  for (auto& call : calls) {
    ASSERT_EQ(call.wait_for(10s), std::future_status::ready);
    EXPECT_TRUE(call.get());
  }
  EXPECT_EQ(transport.MaxRunning(), 1);
}

TEST(PelmarClientLock, AbortEndsTheExchangeInFlightAndRefusesLaterOnes) {
  GateTransport transport;
  PelmarClient client(transport);
  auto inFlight = std::async(std::launch::async, [&] { return client.GetServiceList({"u", "pw"}); });
  ASSERT_TRUE(transport.WaitForStarted(1));

  client.AbortAll();
  transport.Poke();
  ASSERT_EQ(inFlight.wait_for(10s), std::future_status::ready);
  EXPECT_FALSE(inFlight.get().replied);

  EXPECT_FALSE(client.GetServiceList({"u", "pw"}).replied);
  EXPECT_EQ(transport.Started(), 1) << "no exchange starts after the abort";
}

}  // namespace
}  // namespace kelbrin::protocol

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <thread>

#include "protocol/ResultCodes.h"

namespace kelbrin::protocol {
namespace {

using ::testing::StrictMock;
using ::testing::Throw;

class MockReactions : public ResultReactions {
 public:
  MOCK_METHOD(void, AuthenticateLine, (), (override));
  MOCK_METHOD(void, ShowLastError, (const std::string& text), (override));
};

struct CodeCase {
  int code;
  const char* text;
};
void PrintTo(const CodeCase& c, std::ostream* os) { *os << c.code; }

class ResultCodeTextTest : public ::testing::TestWithParam<CodeCase> {
 protected:
  void SetUp() override { SetResultReactions(&reactions_); }
  void TearDown() override { SetResultReactions(nullptr); }
  StrictMock<MockReactions> reactions_;
};

TEST_P(ResultCodeTextTest, RecordsTheMessageAndReacts) {
  const CodeCase& c = GetParam();
  if (c.code == 1) {
    EXPECT_CALL(reactions_, AuthenticateLine());
  } else {
    EXPECT_CALL(reactions_, ShowLastError(std::string(c.text)));
  }
  ResultCodeText(c.code);
  EXPECT_EQ(LastResultCode(), c.code);
  EXPECT_EQ(LastErrorText(), c.text);
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
  EXPECT_NO_THROW(ResultCodeText(1));
  EXPECT_EQ(LastErrorText(), "Connection failure！");
}

TEST(ResultCodeTextWithoutReactions, StillRecordsTheCode) {
  SetResultReactions(nullptr);
  ResultCodeText(102);
  EXPECT_EQ(LastResultCode(), 102);
  EXPECT_EQ(LastErrorText(), "Password failure！");
}

TEST(ResultCodeTextThreads, ReadersNeverSeeATornText) {
  SetResultReactions(nullptr);
  ResultCodeText(7);
  const std::set<std::string> known = {"Connection failure！", "Password failure！",
                                       "Host Information：unknown Error"};
  std::vector<std::thread> writers;
  for (const int code : {1, 102, 7}) {
    writers.emplace_back([code] {
      for (int i = 0; i < 200; ++i) ResultCodeText(code);
    });
  }
  for (int i = 0; i < 200; ++i) EXPECT_TRUE(known.count(LastErrorText())) << LastErrorText();
  for (auto& writer : writers) writer.join();
}

}  // namespace
}  // namespace kelbrin::protocol

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "app/entry/PasswordInput.h"

namespace kelbrin::app {
namespace {

struct PasswordCase {
  const char* name;
  std::string input;
  std::string password;  // expected when `error` is empty
  std::string error;
};

class PasswordInputTest : public ::testing::TestWithParam<PasswordCase> {};

TEST_P(PasswordInputTest, ReadsOneBoundedLine) {
  std::istringstream in(GetParam().input);
  const PasswordLine line = ReadPasswordLine(in, -1);
  EXPECT_EQ(line.error, GetParam().error);
  EXPECT_EQ(line.password, GetParam().error.empty() ? GetParam().password : "");
}

const std::string kLongest(kMaxPasswordLength, 'p');
const std::string kTooLong = "the password line is longer than 4096 bytes";

INSTANTIATE_TEST_SUITE_P(
    Lines, PasswordInputTest,
    ::testing::Values(
        PasswordCase{"Plain", "demo-pass\n", "demo-pass", ""},
        PasswordCase{"WithoutLineEnd", "demo-pass", "demo-pass", ""},
        PasswordCase{"CarriageReturnLineEnd", "demo-pass\r\n", "demo-pass", ""},
        PasswordCase{"OnlyTheFirstLine", "one\ntwo\n", "one", ""},
        PasswordCase{"EmptyLine", "\n", "", ""},
        PasswordCase{"NoInput", "", "", "no password on standard input"},
        PasswordCase{"Longest", kLongest + "\n", kLongest, ""},
        PasswordCase{"LongestWithCarriageReturn", kLongest + "\r\n", kLongest, ""},
        PasswordCase{"OneByteTooLong", kLongest + "q\n", "", kTooLong},
        PasswordCase{"OneByteTooLongWithoutLineEnd", kLongest + "q", "", kTooLong},
        PasswordCase{"Huge", std::string(1 << 20, 'x'), "", kTooLong},
        PasswordCase{"CarriageReturnInsideAtTheLimit", kLongest + "\rmore\n", "", kTooLong},
        PasswordCase{"NulInside", std::string("pass\0word\n", 10), "",
                     "the password holds a NUL byte"},
        PasswordCase{"NulAtTheStart", std::string("\0\n", 2), "",
                     "the password holds a NUL byte"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(PasswordInputLimitTest, StopsReadingAtTheLimit) {
  std::istringstream in(std::string(1 << 20, 'x'));
  EXPECT_NE(ReadPasswordLine(in, -1).error, "");
  // Not a byte more than the limit and the one beyond it is taken from the input.
  EXPECT_EQ(static_cast<std::size_t>(in.tellg()), kMaxPasswordLength + 2);
}

}  // namespace
}  // namespace kelbrin::app

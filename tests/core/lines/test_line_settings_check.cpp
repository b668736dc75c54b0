#include <gtest/gtest.h>

#include "lines/LineSettingsCheck.h"

namespace kelbrin::lines {
namespace {

TEST(LineSettingsCheck, AsTheNetworkPageSaves) {
  using P = LineSettingsProblem;
  struct Case {
    int type;
    const char* user;
    const char* password;
    P problem;
  };
  const Case cases[] = {
      {3, "", "", P::kNone},  // "Lan" needs no account
      {2, "u", "p", P::kNone},
      {2, "", "p", P::kMissingCredentials},     // "Cable Modem" does
      {1, "   ", "p", P::kMissingCredentials},  // blanks only
      {0, "u", " \t", P::kMissingCredentials},
      {0, " u ", " p ", P::kNone},  // stored untrimmed, but not blank
      {4, "u", "p", P::kUnknownLineType},
      {-1, "u", "p", P::kUnknownLineType},
      {1, "1234567890123456789012345", "123456789012345", P::kNone},
      {1, "12345678901234567890123456", "p", P::kTooLong},
      {1, "u", "1234567890123456", P::kTooLong},
      {1, "用户用户用户用户用户用户用户用户用户用户用户用户用", "密码", P::kNone},  // 25 characters
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CheckLineSettings(c.type, c.user, c.password), c.problem)
        << c.type << " '" << c.user << "' '" << c.password << "'";
  }
  EXPECT_STREQ(kMissingCredentialsText, "Please input user and password\xEF\xBC\x81");
}

}  // namespace
}  // namespace kelbrin::lines

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
      {3, "", "", P::None},  // "Lan" needs no account
      {2, "u", "p", P::None},
      {2, "", "p", P::MissingCredentials},     // "Cable Modem" does
      {1, "   ", "p", P::MissingCredentials},  // blanks only
      {0, "u", " \t", P::MissingCredentials},
      {0, " u ", " p ", P::None},  // stored untrimmed, but not blank
      {4, "u", "p", P::UnknownLineType},
      {-1, "u", "p", P::UnknownLineType},
      {1, "1234567890123456789012345", "123456789012345", P::None},
      {1, "12345678901234567890123456", "p", P::TooLong},
      {1, "u", "1234567890123456", P::TooLong},
      {1, "用户用户用户用户用户用户用户用户用户用户用户用户用", "密码", P::None},  // 25 characters
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CheckLineSettings(c.type, c.user, c.password), c.problem)
        << c.type << " '" << c.user << "' '" << c.password << "'";
  }
  EXPECT_STREQ(kMissingCredentialsText, "Please input user and password\xEF\xBC\x81");
}

}  // namespace
}  // namespace kelbrin::lines

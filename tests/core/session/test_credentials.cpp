#include <gtest/gtest.h>

#include "session/Credentials.h"

namespace kelbrin::session {
namespace {

// The one check of the window and the one-shot command: a name, and a password of at least three
// characters, counted as characters whatever their UTF-8 length.
TEST(CredentialsUsable, NeedsANameAndThreeCharacters) {
  const struct {
    const char* user;
    const char* password;
    bool usable;
  } cases[] = {
      {"demo01", "abc", true},
      {"demo01", "ab", false},
      {"demo01", "\xC3\xA9" "1", false},           // "é1": three bytes, two characters
      {"demo01", "\xE5\xAF\x86", false},           // "密": three bytes, one character
      {"demo01", "\xE5\xAF\x86\xE7\xA0\x81\xE5\xAD\x97", true},  // three characters
      {"demo01", "  ab \t", false},                // blanks at the ends do not count
      {"demo01", " a b ", true},                   // inner blanks do
      {"", "abc", false},
      {" \t", "abc", false},
      {"\xE5\xBC\xA0\xE4\xB8\x89", "abc", true},  // a non-ASCII name
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CredentialsUsable(c.user, c.password), c.usable) << c.user << " / " << c.password;
  }
}

}  // namespace
}  // namespace kelbrin::session

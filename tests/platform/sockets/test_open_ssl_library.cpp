#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/sockets/OpenSslLibrary.h"

namespace kelbrin::platform {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;

// Why https cannot work must be said in words a person can act on: which library, and what
// the dynamic loader reported.
TEST(LoadOpenSsl, NamesTheLibraryAndWhatIsMissing) {
  const OpenSslLoad missing = LoadOpenSsl("libkelbrin-no-such-tls.so.3");
  EXPECT_EQ(missing.api, nullptr);
  EXPECT_THAT(missing.error, AllOf(HasSubstr("libkelbrin-no-such-tls.so.3 cannot be loaded: "),
                                   HasSubstr("No such file")));

  // A library that loads but is not libssl lacks the first function looked up.
  const OpenSslLoad wrong = LoadOpenSsl("libc.so.6");
  EXPECT_EQ(wrong.api, nullptr);
  EXPECT_THAT(wrong.error, AllOf(HasSubstr("libc.so.6 lacks the function OPENSSL_init_ssl: "),
                                 HasSubstr("undefined symbol")));

  const OpenSslLoad present = LoadOpenSsl(kOpenSslName);
  EXPECT_NE(present.api, nullptr) << present.error;
  EXPECT_EQ(present.error, "");
}

}  // namespace
}  // namespace kelbrin::platform

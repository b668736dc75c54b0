#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "LocalHttpServer.h"
#include "ScopedEnv.h"
#include "protocol/HttpTransport.h"
#include "runtime/Pace.h"

namespace kelbrin::protocol {
namespace {

bool Mapped(std::string_view path) {
  std::ifstream maps("/proc/self/maps");
  std::string line;
  while (std::getline(maps, line)) {
    if (line.find(path) != std::string::npos) return true;
  }
  return false;
}

bool OpenSslMapped() { return Mapped("/libssl.so"); }

// Taken before any test runs: whether the test program itself links OpenSSL (some build types
// keep the test support's https-capable library), which leaves nothing to observe.
const bool kLinkedOpenSsl = OpenSslMapped();
constexpr const char* kLinkedOpenSslNote =
    "this test program links OpenSSL itself (through a library of the test support)";

TransportTimeouts TimeoutsOf(const runtime::Pace& pace) {
  return {pace.resolveTimeout, pace.connectTimeout, pace.sendTimeout, pace.receiveTimeout};
}

// The plain server never answers a handshake (hence the short time-outs).
std::string HttpsToPlainServer(HttpTransport& transport, const test::LocalHttpServer& server) {
  const std::string https = "https://127.0.0.1:" + std::to_string(server.port()) + "/";
  return transport.Exchange(
      {"POST", https, "<a/>", true, TimeoutsOf(runtime::Pace{}.Scaled(0.01)), nullptr});
}

// OpenSSL is most of what an https client maps: a client of an http endpoint must not pay for
// it, and the program does not link it. A program of its own, so that no other test has loaded
// the library first.
TEST(TransportFootprintTest, OnlyAnHttpsExchangeMapsOpenSsl) {
  if (kLinkedOpenSsl || OpenSslMapped()) GTEST_SKIP() << kLinkedOpenSslNote;
  const std::string reply = "<PelmarPacket><Result>0</Result></PelmarPacket>";
  test::LocalHttpServer server;
  server.setReply({.body = reply});
  HttpTransport transport;

  EXPECT_EQ(transport.Exchange({"POST", server.url(), "<a/>", true, TimeoutsOf({}), nullptr}),
            reply);
  EXPECT_FALSE(OpenSslMapped()) << "an http exchange mapped OpenSSL";

  // Starting a handshake is what loads the library.
  EXPECT_EQ(HttpsToPlainServer(transport, server), "");
  EXPECT_TRUE(OpenSslMapped()) << "an https exchange did not load OpenSSL";
}

// In a fresh process whose LD_LIBRARY_PATH leads to the stand-in libssl.so.3: 0 when the https
// exchange failed without a crash and without sending anything; otherwise a bit for each fault.
int HttpsWithoutOpenSslFunctions() {
  test::LocalHttpServer server;
  HttpTransport transport;
  int faults = HttpsToPlainServer(transport, server).empty() ? 0 : 1;
  if (!Mapped(KELBRIN_FAKE_LIBSSL_DIR)) faults |= 2;  // the real library was found instead
  if (!server.requests().empty()) faults |= 4;
  return faults;
}

// A libssl.so.3 without the functions the TLS session needs fails the https exchange like any
// other failure: no crash, and nothing goes out in plain text.
TEST(TransportFootprintTest, ALibsslWithoutTheFunctionsFailsTheExchangeCleanly) {
  if (kLinkedOpenSsl) GTEST_SKIP() << kLinkedOpenSslNote;
  GTEST_FLAG_SET(death_test_style, "threadsafe");  // the child starts afresh with the path
  const test::ScopedEnv libraryPath("LD_LIBRARY_PATH", KELBRIN_FAKE_LIBSSL_DIR);
  EXPECT_EXIT(std::exit(HttpsWithoutOpenSslFunctions()), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace kelbrin::protocol

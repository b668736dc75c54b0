#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "LocalHttpServer.h"
#include "protocol/HttpTransport.h"
#include "runtime/Pace.h"

namespace kelbrin::protocol {
namespace {

bool OpenSslMapped() {
  std::ifstream maps("/proc/self/maps");
  std::string line;
  while (std::getline(maps, line)) {
    if (line.find("/libssl.so") != std::string::npos) return true;
  }
  return false;
}

TransportTimeouts TimeoutsOf(const runtime::Pace& pace) {
  return {pace.resolveTimeout, pace.connectTimeout, pace.sendTimeout, pace.receiveTimeout};
}

// OpenSSL is most of what an https client maps: a client of an http endpoint must not pay for
// it, and the program does not link it. A program of its own, so that no other test has loaded
// the library first.
TEST(TransportFootprintTest, OnlyAnHttpsExchangeMapsOpenSsl) {
  if (OpenSslMapped()) {
    GTEST_SKIP() << "this test program links OpenSSL itself (through a library of the test "
                    "support, as some build types keep it)";
  }
  const std::string reply = "<PelmarPacket><Result>0</Result></PelmarPacket>";
  test::LocalHttpServer server;
  server.setReply({.body = reply});
  HttpTransport transport;

  EXPECT_EQ(transport.Exchange({"POST", server.url(), "<a/>", true, TimeoutsOf({}), nullptr}),
            reply);
  EXPECT_FALSE(OpenSslMapped()) << "an http exchange mapped OpenSSL";

  // The plain server never answers a handshake (hence the short time-outs); starting one is what
  // loads the library.
  const std::string https = "https://127.0.0.1:" + std::to_string(server.port()) + "/";
  EXPECT_EQ(transport.Exchange(
                {"POST", https, "<a/>", true, TimeoutsOf(runtime::Pace{}.scaled(0.01)), nullptr}),
            "");
  EXPECT_TRUE(OpenSslMapped()) << "an https exchange did not load OpenSSL";
}

}  // namespace
}  // namespace kelbrin::protocol

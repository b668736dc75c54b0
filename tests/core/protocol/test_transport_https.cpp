#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <future>
#include <optional>

#include "LocalHttpServer.h"
#include "LocalTlsServer.h"
#include "ScopedEnv.h"
#include "TempDir.h"
#include "TestCertificateAuthority.h"
#include "protocol/HttpTransport.h"
#include "runtime/Pace.h"

namespace kelbrin::protocol {
namespace {

// The transport these tests hold to their word.
using TransportUnderTest = HttpTransport;

using test::LocalHttpServer;
using test::LocalTlsServer;
using test::ScopedEnv;
using test::TestCertificateAuthority;
using LeafSpec = TestCertificateAuthority::LeafSpec;

constexpr std::chrono::seconds kHangGuard{20};
const std::string kXmlReply = "<PelmarPacket><Result>0</Result></PelmarPacket>";
const std::string kBody =
    "<?xml version=\"1.0\"?><PelmarPacket><UserName>中文</UserName><Password>secret</Password>"
    "</PelmarPacket>";

// https against a TLS front on 127.0.0.1 whose certificates come from an authority made for the
// test; the plain server behind it records what the transport sent. The authority a client
// trusts is named by SSL_CERT_FILE; no other certificate setting from the developer's
// environment leaks in.
class HttpsTransportTest : public ::testing::Test {
 protected:
  HttpsTransportTest() { origin_.setReply({.body = kXmlReply}); }

  void Trust(const TestCertificateAuthority& authority) {
    trusted_.emplace("SSL_CERT_FILE", authority.certificateFile().string());
  }

  // One exchange, failing the test (not hanging it) when it outlasts the guard.
  std::string Post(const std::string& url, std::string_view body = kBody) {
    const TransportTimeouts timeouts{pace_.resolveTimeout, pace_.connectTimeout, pace_.sendTimeout,
                                     pace_.receiveTimeout};
    std::future<std::string> reply = std::async(std::launch::async, [&] {
      return transport_.Exchange({"POST", url, body, true, timeouts, &aborted_});
    });
    EXPECT_EQ(reply.wait_for(kHangGuard), std::future_status::ready) << "the exchange hangs";
    return reply.get();
  }

  ScopedEnv noCertificateFile_{"SSL_CERT_FILE", std::nullopt};
  ScopedEnv noCertificateDir_{"SSL_CERT_DIR", std::nullopt};
  std::optional<ScopedEnv> trusted_;
  TestCertificateAuthority authority_;
  LocalHttpServer origin_;
  TransportUnderTest transport_;
  runtime::Pace pace_;
  std::atomic<bool> aborted_{false};
};

TEST_F(HttpsTransportTest, ATrustedCertificateCarriesTheExchangeByteForByte) {
  const LocalTlsServer server(authority_.issue({.dnsNames = {"localhost"}}), origin_.port());
  Trust(authority_);

  EXPECT_EQ(Post(server.url("localhost")), kXmlReply);

  EXPECT_TRUE(server.handshakeCompleted());
  const auto requests = origin_.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].requestLine, "POST /pelmar/pelmar.dll/ HTTP/1.1");
  EXPECT_EQ(requests[0].header("Host").value_or(""), "localhost:" + std::to_string(server.port()));
  EXPECT_EQ(requests[0].body, kBody);
}

// Larger than many TLS records each way: nothing may be lost or reordered between them.
TEST_F(HttpsTransportTest, ALargeBodyAndReplyCrossIntact) {
  const LocalTlsServer server(authority_.issue({.dnsNames = {"localhost"}}), origin_.port());
  Trust(authority_);
  std::string body = "<a>";
  std::string reply = "<b>";
  for (int i = 0; body.size() < (1u << 20); ++i) body += std::to_string(i) + ",";
  // Many TLS records, within the cap of a message's reply.
  for (int i = 0; reply.size() < kMessageReplyCap / 2; ++i) reply += std::to_string(3 * i) + ";";
  body += "</a>";
  reply += "</b>";
  origin_.setReply({.body = reply});

  EXPECT_EQ(Post(server.url("localhost"), body), reply);

  const auto requests = origin_.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].body, body);
}

TEST_F(HttpsTransportTest, AnIpLiteralMatchesTheCertificatesIpAddress) {
  const LocalTlsServer server(authority_.issue({.ipAddresses = {"127.0.0.1"}}), origin_.port());
  Trust(authority_);

  EXPECT_EQ(Post(server.url("127.0.0.1")), kXmlReply);

  const auto requests = origin_.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].header("Host").value_or(""), "127.0.0.1:" + std::to_string(server.port()));
  EXPECT_EQ(requests[0].body, kBody);
}

// The system's trust store is read from its hashed folder where there is one; a folder named by
// SSL_CERT_DIR is looked up by hash beside it, and what it holds is trusted, nothing else.
TEST_F(HttpsTransportTest, AHashedFolderNamedBySslCertDirIsTrusted) {
  const LocalTlsServer server(authority_.issue({.dnsNames = {"localhost"}}), origin_.port());
  trusted_.emplace("SSL_CERT_DIR", authority_.hashedFolder().string());
  EXPECT_EQ(Post(server.url("localhost")), kXmlReply);
  ASSERT_EQ(origin_.requests().size(), 1u);

  const TestCertificateAuthority other;
  trusted_.reset();
  trusted_.emplace("SSL_CERT_DIR", other.hashedFolder().string());
  EXPECT_EQ(Post(server.url("localhost")), "");
  EXPECT_EQ(origin_.requests().size(), 1u);
}

enum class Trusted { TheIssuer, AnotherAuthority, OnlyTheSystemStore };

struct RefusalCase {
  const char* name;
  LeafSpec leaf;
  const char* host;  // of the URL
  Trusted trusted = Trusted::TheIssuer;
};

void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }

class HttpsRefusalTest : public HttpsTransportTest,
                         public ::testing::WithParamInterface<RefusalCase> {};

// Every certificate a browser would refuse ends the exchange before the request leaves: the
// password in the body must never reach a server that is not the one named in the URL.
TEST_P(HttpsRefusalTest, NoRequestReachesTheServer) {
  const RefusalCase& c = GetParam();
  const LocalTlsServer server(authority_.issue(c.leaf), origin_.port());
  const TestCertificateAuthority other;
  if (c.trusted == Trusted::TheIssuer) Trust(authority_);
  if (c.trusted == Trusted::AnotherAuthority) Trust(other);

  EXPECT_EQ(Post(server.url(c.host)), "");

  // Whether the handshake itself fails or the client leaves right after it is the client's
  // affair; what counts is that the request never left.
  EXPECT_TRUE(origin_.requests().empty());
}

constexpr auto kDay = std::chrono::hours(24);
const LeafSpec kGoodLeaf{.dnsNames = {"localhost"}, .ipAddresses = {"127.0.0.1"}};

INSTANTIATE_TEST_SUITE_P(
    Certificates, HttpsRefusalTest,
    ::testing::Values(
        RefusalCase{"IssuedByAnotherAuthority", kGoodLeaf, "localhost", Trusted::AnotherAuthority},
        RefusalCase{"IssuedByAnAuthorityOutsideTheSystemStore", kGoodLeaf, "127.0.0.1",
                    Trusted::OnlyTheSystemStore},
        RefusalCase{"ForAnotherName", {.dnsNames = {"elsewhere.test"}}, "localhost"},
        RefusalCase{"ForAnotherAddress", {.ipAddresses = {"127.0.0.2"}}, "127.0.0.1"},
        // An address must match an IP entry; a DNS entry spelling it does not count.
        RefusalCase{"AddressOnlyAsADnsName", {.dnsNames = {"127.0.0.1"}}, "127.0.0.1"},
        RefusalCase{"Expired",
                    {.dnsNames = {"localhost"}, .validFrom = -2 * kDay, .validUntil = -kDay},
                    "localhost"},
        RefusalCase{"NotYetValid",
                    {.dnsNames = {"localhost"}, .validFrom = kDay, .validUntil = 2 * kDay},
                    "localhost"}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

// A server that leaves while the request is still going out fails the exchange, not the
// program: a write to a closed connection raises SIGPIPE, which ends a process that has not
// blocked it (as this test program has not).
TEST_F(HttpsTransportTest, AServerLeavingMidRequestFailsTheExchangeOnly) {
  // Nothing listens behind the front, so it closes each connection right after the handshake.
  const LocalTlsServer server(authority_.issue(kGoodLeaf), LocalHttpServer::closedPort());
  Trust(authority_);
  const std::string large = "<a>" + std::string(32u << 20, 'x') + "</a>";

  EXPECT_EQ(Post(server.url(), large), "");
  EXPECT_TRUE(server.handshakeCompleted());
}

// Only close_notify ends a TLS stream: a bare TCP close may come from anyone on the path, so a
// body that runs until the end of the stream is then refused as cut short. A body framed by its
// length is complete before the close, with or without close_notify.
TEST_F(HttpsTransportTest, OnlyCloseNotifyEndsABodyThatRunsToTheEnd) {
  struct Case {
    bool announceLength;
    bool closeNotify;
    bool accepted;
  };
  const Case cases[] = {
      {false, true, true},
      {false, false, false},
      {true, true, true},
      {true, false, true},
  };
  Trust(authority_);
  for (const Case& c : cases) {
    origin_.setReply({.body = kXmlReply, .announceLength = c.announceLength});
    const LocalTlsServer server(authority_.issue(kGoodLeaf), origin_.port(), c.closeNotify);
    EXPECT_EQ(Post(server.url()), c.accepted ? kXmlReply : "")
        << "length announced " << c.announceLength << ", close_notify " << c.closeNotify;
  }
}

// The trust store is read once per process, not once per exchange (it costs far more CPU than
// the handshake): a file changed under the same name is not read again. Naming another store in
// SSL_CERT_FILE is seen at the next exchange, which then checks the server anew rather than
// resume a session the old store let through.
TEST_F(HttpsTransportTest, TheTrustStoreIsLoadedOnceForEachStoreNamed) {
  namespace fs = std::filesystem;
  const test::TempDir folder;
  const TestCertificateAuthority other;
  const fs::path first = folder.path() / "first.pem";
  const fs::path second = folder.path() / "second.pem";
  fs::copy_file(authority_.certificateFile(), first);
  fs::copy_file(other.certificateFile(), second);
  const LocalTlsServer server(authority_.issue(kGoodLeaf), origin_.port());

  trusted_.emplace("SSL_CERT_FILE", first.string());
  EXPECT_EQ(Post(server.url()), kXmlReply);
  fs::copy_file(other.certificateFile(), first, fs::copy_options::overwrite_existing);
  EXPECT_EQ(Post(server.url()), kXmlReply) << "the store was read again";

  trusted_.emplace("SSL_CERT_FILE", second.string());
  EXPECT_EQ(Post(server.url()), "") << "a newly named store was not read";
  trusted_.emplace("SSL_CERT_FILE", authority_.certificateFile().string());
  EXPECT_EQ(Post(server.url()), kXmlReply);
}

// A full handshake costs most of an https exchange's CPU: the next exchange with the same server
// resumes the session the last one left, as long as that one ended cleanly. After a failure the
// next handshake is a full one again.
TEST_F(HttpsTransportTest, TheNextExchangeResumesTheSessionOfALastCleanOne) {
  Trust(authority_);
  origin_.setReply({.body = kXmlReply, .announceLength = true});
  // Without close_notify a body that runs to the end of the stream is cut short: a TLS failure.
  const LocalTlsServer server(authority_.issue(kGoodLeaf), origin_.port(), false);

  EXPECT_EQ(Post(server.url()), kXmlReply);
  EXPECT_EQ(Post(server.url()), kXmlReply);
  EXPECT_EQ(server.resumedHandshakes(), 1);

  origin_.setReply({.body = kXmlReply, .announceLength = false});
  EXPECT_EQ(Post(server.url()), "");
  EXPECT_EQ(server.resumedHandshakes(), 2);

  origin_.setReply({.body = kXmlReply, .announceLength = true});
  EXPECT_EQ(Post(server.url()), kXmlReply);
  EXPECT_EQ(server.handshakes(), 4);
  EXPECT_EQ(server.resumedHandshakes(), 2) << "a session was offered after a failure";
}

TEST_F(HttpsTransportTest, AbortEndsAnExchangeWaitingForAReply) {
  // Time-outs far beyond the guard: only the abort can end the exchange in time.
  pace_ = runtime::Pace{}.Scaled(100);
  Trust(authority_);
  std::future<std::string> inFlight;
  // Declared after the future: destroyed first, which unblocks it should the abort fail.
  LocalHttpServer blackHole;
  blackHole.setReply({.body = "", .ending = LocalHttpServer::Ending::BlackHole});
  const LocalTlsServer server(authority_.issue(kGoodLeaf), blackHole.port());
  const TransportTimeouts timeouts{pace_.resolveTimeout, pace_.connectTimeout, pace_.sendTimeout,
                                   pace_.receiveTimeout};
  const std::string url = server.url();
  inFlight = std::async(std::launch::async, [&] {
    return transport_.Exchange({"POST", url, kBody, true, timeouts, &aborted_});
  });
  ASSERT_TRUE(blackHole.waitForRequests(1, kHangGuard));

  aborted_.store(true);
  ASSERT_EQ(inFlight.wait_for(kHangGuard), std::future_status::ready);
  EXPECT_EQ(inFlight.get(), "");
}

}  // namespace
}  // namespace kelbrin::protocol

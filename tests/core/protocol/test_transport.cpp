#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <vector>

#include "LocalHttpServer.h"
#include "ScopedEnv.h"
#include "platform/files/CodePage.h"
#include "protocol/HttpTransport.h"
#include "runtime/Pace.h"

namespace kelbrin::protocol {
namespace {

using test::LocalHttpServer;
using ::testing::ElementsAre;
using ::testing::Pair;

constexpr std::size_t kXmlCap = kMessageReplyCap;
constexpr std::chrono::seconds kHangGuard{20};
const std::string kXmlReply = "<PelmarPacket><Result>0</Result></PelmarPacket>";

// An XML document of exactly `size` bytes.
std::string XmlOfSize(std::size_t size) { return "<a>" + std::string(size - 7, 'x') + "</a>"; }

// A large POST body goes out at once: an HTTP client that held it back behind
// "Expect: 100-continue" (libcurl does beyond 1 MiB) would wait for an answer simple servers never
// send. 2 MiB is large enough to show that.
// Cases name large bodies by size and the test makes them: gtest builds every case of a suite in
// each test process at start, and ctest runs each test in a process of its own.
constexpr std::size_t kLargeBodySize = 2u << 20;

// Makes `name` the system code page for the life of the scope.
class SystemCodePageScope {
 public:
  explicit SystemCodePageScope(std::string name) : previous_(platform::SystemCodePage().Name()) {
    platform::SetSystemCodePage(platform::CodePage::Named(std::move(name)));
  }
  ~SystemCodePageScope() { platform::SetSystemCodePage(platform::CodePage::Named(previous_)); }

 private:
  std::string previous_;
};

// The HTTP transport against a real HTTP server on 127.0.0.1. The helpers stand for what the
// Pelmar client hands each exchange: the time-outs of a Pace and its abort flag.
class TransportTest : public ::testing::Test {
 protected:
  std::string PostXmlRequest(std::string_view method, const std::string& url,
                             std::string_view body, bool xmlMode) {
    const TransportTimeouts timeouts{pace_.resolveTimeout, pace_.connectTimeout,
                                     pace_.sendTimeout, pace_.receiveTimeout};
    return transport_.Exchange({method, url, body, xmlMode, timeouts, &aborted_});
  }
  void SetTransportPace(const runtime::Pace& pace) { pace_ = pace; }
  void AbortAllExchanges() { aborted_.store(true); }
  void ResumeExchanges() { aborted_.store(false); }

  LocalHttpServer server_;
  HttpTransport transport_;
  runtime::Pace pace_;
  std::atomic<bool> aborted_{false};
};

TEST_F(TransportTest, XmlModePostsTheBodyAsUtf8WithTheThreeHeadersInOrder) {
  server_.setReply({.body = kXmlReply});
  const std::string body =
      "<?xml version=\"1.0\"?><PelmarPacket><UserName>中文</UserName></PelmarPacket>";

  EXPECT_EQ(PostXmlRequest("POST", server_.url(), body, true), kXmlReply);

  const auto requests = server_.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].requestLine, "POST /pelmar/pelmar.dll/ HTTP/1.1");
  // Host and Content-Length belong to HTTP/1.1; nothing else may join the three.
  EXPECT_THAT(requests[0].headers,
              ElementsAre(Pair("Host", "127.0.0.1:" + std::to_string(server_.port())),
                          Pair("charset", "UTF-8"), Pair("Pragma", "No-Cache"),
                          Pair("Content-Type", "text/xml"),
                          Pair("Content-Length", std::to_string(body.size()))));
  EXPECT_EQ(requests[0].body, body);
}

struct SendCase {
  const char* name;
  const char* method;
  std::string_view body;
  bool xmlMode;
  const char* requestLine;
  const char* sentBody;
  const char* contentLength;  // nullptr: no such header
  std::size_t largeBodySize = 0;  // when set: the body, sent whole, is an XML document this large
};

void PrintTo(const SendCase& c, std::ostream* os) { *os << c.name; }

class TransportSendTest : public TransportTest, public ::testing::WithParamInterface<SendCase> {};

TEST_P(TransportSendTest, SendsTheBodyOnlyWithPost) {
  const SendCase& c = GetParam();
  const std::string large = c.largeBodySize ? XmlOfSize(c.largeBodySize) : std::string();
  const std::string_view body = c.largeBodySize ? std::string_view(large) : c.body;
  const std::string sentBody = c.largeBodySize ? large : c.sentBody;
  const std::string largeLength = std::to_string(c.largeBodySize);
  const char* contentLength = c.largeBodySize ? largeLength.c_str() : c.contentLength;
  server_.setReply({.body = kXmlReply});

  EXPECT_EQ(PostXmlRequest(c.method, server_.url("/page?a=1"), body, c.xmlMode), kXmlReply);

  const auto requests = server_.requests();
  ASSERT_EQ(requests.size(), 1u);
  const auto& request = requests[0];
  EXPECT_EQ(request.requestLine, c.requestLine);
  EXPECT_EQ(request.body, sentBody);
  EXPECT_EQ(request.header("Content-Length").value_or("none"),
            contentLength ? contentLength : "none");
  EXPECT_FALSE(request.header("Expect"));
  if (c.xmlMode) {
    EXPECT_EQ(request.header("charset").value_or(""), "UTF-8");
    EXPECT_EQ(request.header("Content-Type").value_or(""), "text/xml");
  } else {
    EXPECT_FALSE(request.header("charset"));
    EXPECT_FALSE(request.header("Pragma"));
    EXPECT_NE(request.header("Content-Type").value_or(""), "text/xml");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Methods, TransportSendTest,
    ::testing::Values(
        SendCase{"XmlPost", "POST", "<a/>", true, "POST /page?a=1 HTTP/1.1", "<a/>", "4"},
        SendCase{"LowerCasePost", "post", "<a/>", true, "POST /page?a=1 HTTP/1.1", "<a/>", "4"},
        SendCase{"XmlGet", "GET", "<a/>", true, "GET /page?a=1 HTTP/1.1", "", nullptr},
        SendCase{"EmptyPost", "POST", std::string_view(), true, "POST /page?a=1 HTTP/1.1", "", "0"},
        SendCase{"RawPost", "POST", "uid=a%20b", false, "POST /page?a=1 HTTP/1.1", "uid=a%20b",
                 "9"},
        SendCase{"RawGet", "get", "uid=a", false, "GET /page?a=1 HTTP/1.1", "", nullptr},
        SendCase{"LargeXmlPost",
                 "POST",
                 {},
                 true,
                 "POST /page?a=1 HTTP/1.1",
                 "",
                 nullptr,
                 kLargeBodySize},
        SendCase{"LargeRawPost",
                 "POST",
                 {},
                 false,
                 "POST /page?a=1 HTTP/1.1",
                 "",
                 nullptr,
                 kLargeBodySize}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

// The request on the wire, byte for byte as the service and portals have always seen it: the
// request line, every header in order (Host first; with the port, as the server does not listen
// on 80) and the body. Nothing else may join: no Expect, User-Agent, Connection, nor Accept in XML
// mode; only a POST carries a body and Content-Length, an empty one too.
struct WireCase {
  const char* name;
  const char* method;
  std::string_view body;
  bool xmlMode;
  const char* requestLine;
  std::string headerLinesAfterHost;
  const char* sentBody;
};

void PrintTo(const WireCase& c, std::ostream* os) { *os << c.name; }

class TransportWireTest : public TransportTest, public ::testing::WithParamInterface<WireCase> {};

TEST_P(TransportWireTest, SendsExactlyThisRequest) {
  const WireCase& c = GetParam();
  server_.setReply({.body = kXmlReply});

  EXPECT_EQ(PostXmlRequest(c.method, server_.url("/path/x.dll?a=1&b=%20"), c.body, c.xmlMode),
            kXmlReply);

  const auto requests = server_.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].head, std::string(c.requestLine) +
                                  "\r\nHost: 127.0.0.1:" + std::to_string(server_.port()) + "\r\n" +
                                  c.headerLinesAfterHost + "\r\n");
  EXPECT_EQ(requests[0].body, c.sentBody);
}

const std::string kXmlHeaders = "charset: UTF-8\r\nPragma: No-Cache\r\nContent-Type: text/xml\r\n";

INSTANTIATE_TEST_SUITE_P(
    Requests, TransportWireTest,
    ::testing::Values(
        WireCase{"XmlPost", "POST", "<a/>", true, "POST /path/x.dll?a=1&b=%20 HTTP/1.1",
                 kXmlHeaders + "Content-Length: 4\r\n", "<a/>"},
        WireCase{"LowerCasePost", "post", "<a/>", true, "POST /path/x.dll?a=1&b=%20 HTTP/1.1",
                 kXmlHeaders + "Content-Length: 4\r\n", "<a/>"},
        WireCase{"XmlGet", "GET", "<a/>", true, "GET /path/x.dll?a=1&b=%20 HTTP/1.1", kXmlHeaders,
                 ""},
        WireCase{"XmlPut", "put", "<a/>", true, "PUT /path/x.dll?a=1&b=%20 HTTP/1.1", kXmlHeaders,
                 ""},
        WireCase{"RawPost", "POST", "u=1", false, "POST /path/x.dll?a=1&b=%20 HTTP/1.1",
                 "Accept: */*\r\nContent-Length: 3\r\n"
                 "Content-Type: application/x-www-form-urlencoded\r\n",
                 "u=1"},
        WireCase{"EmptyRawPost", "POST", "", false, "POST /path/x.dll?a=1&b=%20 HTTP/1.1",
                 "Accept: */*\r\nContent-Length: 0\r\n"
                 "Content-Type: application/x-www-form-urlencoded\r\n",
                 ""},
        WireCase{"RawGet", "GET", "u=1", false, "GET /path/x.dll?a=1&b=%20 HTTP/1.1",
                 "Accept: */*\r\n", ""},
        WireCase{"RawDelete", "DELETE", "u=1", false, "DELETE /path/x.dll?a=1&b=%20 HTTP/1.1",
                 "Accept: */*\r\n", ""}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

// Through a proxy from the environment the request keeps its headers, with the proxy's own
// (Proxy-Authorization from the percent-decoded credentials, Proxy-Connection) after Host and
// Accept; http goes as an absolute URI to the proxy, https opens a CONNECT tunnel first. The
// "proxy" here answers every request with 200 and the reply body, so the https exchanges fail
// after their CONNECT (what follows is no TLS); what is checked is the proxy's view.
struct ProxyWireCase {
  const char* name;
  const char* userInfo;  // of the proxy URL, "" for none
  const char* method;
  const char* url;
  bool xmlMode;
  std::string expectedHead;
  const char* expectedBody;
};

void PrintTo(const ProxyWireCase& c, std::ostream* os) { *os << c.name; }

class TransportProxyWireTest : public TransportTest,
                               public ::testing::WithParamInterface<ProxyWireCase> {};

TEST_P(TransportProxyWireTest, SendsThisToTheProxy) {
  const ProxyWireCase& c = GetParam();
  server_.setReply({.body = kXmlReply});
  const std::string proxy =
      "http://" + std::string(c.userInfo) + "127.0.0.1:" + std::to_string(server_.port());
  const test::ScopedEnv httpProxy("http_proxy", proxy), httpsProxy("https_proxy", proxy);
  const test::ScopedEnv noProxy("no_proxy", std::nullopt), noProxyUpper("NO_PROXY", std::nullopt);

  const bool https = std::string_view(c.url).starts_with("https:");
  EXPECT_EQ(PostXmlRequest(c.method, c.url, "<a/>", c.xmlMode), https ? "" : kXmlReply);

  const auto requests = server_.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].head, c.expectedHead);
  EXPECT_EQ(requests[0].body, c.expectedBody);
}

INSTANTIATE_TEST_SUITE_P(
    Requests, TransportProxyWireTest,
    ::testing::Values(
        ProxyWireCase{"XmlPost", "us%40er:p%3Ass@", "POST", "http://localhost:9/x?y", true,
                      "POST http://localhost:9/x?y HTTP/1.1\r\nHost: localhost:9\r\n"
                      "Proxy-Authorization: Basic dXNAZXI6cDpzcw==\r\n"
                      "Proxy-Connection: Keep-Alive\r\n" +
                          kXmlHeaders + "Content-Length: 4\r\n\r\n",
                      "<a/>"},
        ProxyWireCase{"RawGetWithoutCredentials", "", "GET", "http://localhost/x?y", false,
                      "GET http://localhost/x?y HTTP/1.1\r\nHost: localhost\r\n"
                      "Accept: */*\r\nProxy-Connection: Keep-Alive\r\n\r\n",
                      ""},
        ProxyWireCase{"RawPost", "u:p@", "POST", "http://localhost:9/x", false,
                      "POST http://localhost:9/x HTTP/1.1\r\nHost: localhost:9\r\n"
                      "Proxy-Authorization: Basic dTpw\r\nAccept: */*\r\n"
                      "Proxy-Connection: Keep-Alive\r\nContent-Length: 4\r\n"
                      "Content-Type: application/x-www-form-urlencoded\r\n\r\n",
                      "<a/>"},
        ProxyWireCase{"HttpsTunnel", "us%40er:p%3Ass@", "POST", "https://localhost:9/x?y", true,
                      "CONNECT localhost:9 HTTP/1.1\r\nHost: localhost:9\r\n"
                      "Proxy-Authorization: Basic dXNAZXI6cDpzcw==\r\n"
                      "Proxy-Connection: Keep-Alive\r\n\r\n",
                      ""},
        ProxyWireCase{"HttpsTunnelToIpv6DefaultPort", "", "GET", "https://[::1]/x", false,
                      "CONNECT [::1]:443 HTTP/1.1\r\nHost: [::1]:443\r\n"
                      "Proxy-Connection: Keep-Alive\r\n\r\n",
                      ""}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

struct FailureCase {
  const char* name;
  bool xmlMode;
  LocalHttpServer::Reply reply;
  bool refused = false;    // nothing listens on the port
  double paceScale = 1.0;  // the time-outs, scaled
  std::size_t bodySize = 0;  // when set: the reply's body is an XML document this large
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class TransportFailureTest : public TransportTest,
                             public ::testing::WithParamInterface<FailureCase> {};

TEST_P(TransportFailureTest, GivesTheEmptyReplyAndTheNextExchangeWorks) {
  const FailureCase& c = GetParam();
  LocalHttpServer::Reply failing = c.reply;
  if (c.bodySize) failing.body = XmlOfSize(c.bodySize);
  server_.setReply(failing);
  SetTransportPace(runtime::Pace{}.Scaled(c.paceScale));
  const std::string url =
      c.refused ? "http://127.0.0.1:" + std::to_string(LocalHttpServer::closedPort()) + "/"
                : server_.url();

  std::future<std::string> reply = std::async(
      std::launch::async, [&] { return PostXmlRequest("POST", url, "<a/>", c.xmlMode); });
  ASSERT_EQ(reply.wait_for(kHangGuard), std::future_status::ready);
  EXPECT_EQ(reply.get(), "");

  // The next exchange goes through as usual.
  SetTransportPace(runtime::Pace{});
  server_.setReply({.body = kXmlReply});
  EXPECT_EQ(PostXmlRequest("POST", server_.url(), "<a/>", c.xmlMode), kXmlReply);
}

using Reply = LocalHttpServer::Reply;
using Ending = LocalHttpServer::Ending;

INSTANTIATE_TEST_SUITE_P(
    Failures, TransportFailureTest,
    ::testing::Values(
        FailureCase{"Refused", true, {}, true},
        FailureCase{"Status500WithXml", true, {.status = 500, .body = kXmlReply}},
        FailureCase{"RawStatus404", false, {.status = 404, .body = "missing"}},
        FailureCase{"EmptyBody", true, {.body = ""}},
        FailureCase{"OverCapAnnounced", true, {}, false, 1.0, kXmlCap + 1},
        FailureCase{"OverCapUnannounced", true, {.announceLength = false}, false, 1.0, kXmlCap + 1},
        FailureCase{"DroppedMidBody", true, {.body = kXmlReply, .ending = Ending::DropMidBody}},
        FailureCase{"RawDroppedMidBody", false, {.body = "OK then", .ending = Ending::DropMidBody}},
        FailureCase{"BlackHole", true, {.body = "", .ending = Ending::BlackHole}, false, 0.01}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

struct DecodeCase {
  const char* name;
  bool xmlMode;
  std::string replyBytes;
  std::string expected;
};

void PrintTo(const DecodeCase& c, std::ostream* os) { *os << c.name; }

class TransportDecodeTest : public TransportTest,
                            public ::testing::WithParamInterface<DecodeCase> {};

TEST_P(TransportDecodeTest, DecodesTheReply) {
  const DecodeCase& c = GetParam();
  const SystemCodePageScope gbk("GBK");
  server_.setReply({.body = c.replyBytes});
  EXPECT_EQ(PostXmlRequest("GET", server_.url(), "", c.xmlMode), c.expected);
}

std::string Repeat(std::string_view piece, std::size_t count) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) text += piece;
  return text;
}

INSTANTIATE_TEST_SUITE_P(
    Replies, TransportDecodeTest,
    ::testing::Values(
        DecodeCase{"XmlUtf8", true, "<a>中文</a>", "<a>中文</a>"},
        DecodeCase{"XmlUtf8Bom", true, "\xEF\xBB\xBF<a>中</a>", "<a>中</a>"},
        DecodeCase{"XmlUtf16LeBom", true, std::string("\xFF\xFE<\0a\0>\0\x2D\x4E<\0/\0a\0>\0", 18),
                   "<a>中</a>"},
        DecodeCase{"XmlUtf16BeBom", true, std::string("\xFE\xFF\0<\0a\0>\x4E\x2D\0<\0/\0a\0>", 18),
                   "<a>中</a>"},
        // The declaration's encoding plays no part: the bytes are UTF-8.
        DecodeCase{"XmlDeclaresGbk", true, "<?xml version=\"1.0\" encoding=\"GBK\"?><a>中</a>",
                   "<?xml version=\"1.0\" encoding=\"GBK\"?><a>中</a>"},
        DecodeCase{"RawOk", false, "OK", "OK"},
        DecodeCase{"RawGbk", false, "<p>\xD6\xD0\xCE\xC4</p>", "<p>中文</p>"},
        DecodeCase{"RawCutAtNul", false, std::string("abc\0def", 7), "abc"},
        DecodeCase{"RawCutAsciiAt32767", false, std::string(40000, 'a'), std::string(32767, 'a')},
        DecodeCase{"RawCutGbkAt32767Characters", false, Repeat("\xD6\xD0", 40000),
                   Repeat("中", 32767)},
        DecodeCase{"RawExactly32767", false, std::string(32767, 'b'), std::string(32767, 'b')}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST_F(TransportTest, XmlReplyOfExactlyTheCapIsAccepted) {
  server_.setReply({.body = XmlOfSize(kXmlCap)});
  EXPECT_EQ(PostXmlRequest("POST", server_.url(), "<a/>", true).size(), kXmlCap);
}

// Each message has its own cap: only the service list may be large.
TEST_F(TransportTest, TheCapIsTheRequestsOwn) {
  const std::string large = XmlOfSize(kMessageReplyCap + 1);
  server_.setReply({.body = large});
  const TransportTimeouts timeouts{pace_.resolveTimeout, pace_.connectTimeout, pace_.sendTimeout,
                                   pace_.receiveTimeout};
  const std::string url = server_.url();
  EXPECT_EQ(transport_.Exchange({"POST", url, "<a/>", true, timeouts, &aborted_}), "");
  EXPECT_EQ(
      transport_.Exchange({"POST", url, "<a/>", true, timeouts, &aborted_, kServiceListReplyCap}),
      large);
}

TEST_F(TransportTest, AbortEndsTheExchangeInFlightAndRefusesLaterOnes) {
  // Time-outs far beyond the guard: only the abort can end the exchange in time.
  SetTransportPace(runtime::Pace{}.Scaled(100));
  std::future<std::string> inFlight;
  LocalHttpServer server;  // declared after the future: destroyed first, which unblocks it
  server.setReply({.body = "", .ending = Ending::BlackHole});
  inFlight = std::async(std::launch::async,
                        [&] { return PostXmlRequest("POST", server.url(), "<a/>", true); });
  ASSERT_TRUE(server.waitForRequests(1, kHangGuard));

  AbortAllExchanges();
  ASSERT_EQ(inFlight.wait_for(kHangGuard), std::future_status::ready);
  EXPECT_EQ(inFlight.get(), "");

  server.setReply({.body = kXmlReply});
  EXPECT_EQ(PostXmlRequest("POST", server.url(), "<a/>", true), "");
  EXPECT_EQ(server.requests().size(), 1u) << "no request leaves after the abort";

  ResumeExchanges();
  EXPECT_EQ(PostXmlRequest("POST", server.url(), "<a/>", true), kXmlReply);
}

// A redirect would carry the body, password included, to whatever host it names: every 3xx is
// a failed exchange, and nothing goes to the other address.
TEST_F(TransportTest, FollowsNoRedirect) {
  LocalHttpServer elsewhere;
  elsewhere.setReply({.body = kXmlReply});
  for (const int status : {301, 302, 303, 307, 308}) {
    server_.setReply({.status = status, .body = kXmlReply, .location = elsewhere.url()});
    EXPECT_EQ(PostXmlRequest("POST", server_.url(), "<a>secret</a>", true), "") << status;
    EXPECT_EQ(PostXmlRequest("GET", server_.url(), "", false), "") << status;
  }
  EXPECT_TRUE(elsewhere.requests().empty());
}

TEST_F(TransportTest, ConcurrentCallsEachGetTheirReply) {
  server_.setReply({.body = kXmlReply});
  constexpr int kThreads = 4;
  constexpr int kCallsEach = 3;
  std::vector<std::future<int>> successes;
  for (int t = 0; t < kThreads; ++t) {
    successes.push_back(std::async(std::launch::async, [&] {
      int ok = 0;
      for (int i = 0; i < kCallsEach; ++i) {
        ok += PostXmlRequest("POST", server_.url(), "<a/>", true) == kXmlReply;
      }
      return ok;
    }));
  }
  for (auto& s : successes) EXPECT_EQ(s.get(), kCallsEach);
  EXPECT_EQ(server_.requests().size(), std::size_t{kThreads * kCallsEach});
}

}  // namespace
}  // namespace kelbrin::protocol

#include <gtest/gtest.h>

#include "protocol/HttpRequestHead.h"

namespace kelbrin::protocol {
namespace {

// What the local test server cannot show: default ports, IPv6 hosts, credentials in the URL.
// The rest of the wire format is checked against a real server in test_transport.cpp.
struct HeadCase {
  const char* name;
  const char* url;
  bool xmlMode;
  std::optional<std::size_t> contentLength;
  std::optional<ProxyServer> proxy;
  std::string expected;
};

void PrintTo(const HeadCase& c, std::ostream* os) { *os << c.name; }

class RequestHeadTest : public ::testing::TestWithParam<HeadCase> {};

TEST_P(RequestHeadTest, WritesTheHead) {
  const HeadCase& c = GetParam();
  const auto url = SplitHttpUrl(c.url);
  ASSERT_TRUE(url);
  EXPECT_EQ(RequestHead("GET", *url, c.xmlMode, c.contentLength, c.proxy ? &*c.proxy : nullptr),
            c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Heads, RequestHeadTest,
    ::testing::Values(
        HeadCase{"HttpDefaultPort", "http://h:80/x", false, std::nullopt, std::nullopt,
                 "GET /x HTTP/1.1\r\nHost: h\r\nAccept: */*\r\n\r\n"},
        HeadCase{"HttpsDefaultPort", "https://h/x", true, std::nullopt, std::nullopt,
                 "GET /x HTTP/1.1\r\nHost: h\r\ncharset: UTF-8\r\nPragma: No-Cache\r\n"
                 "Content-Type: text/xml\r\n\r\n"},
        HeadCase{"HttpsOtherPort", "https://h:8443/", false, std::nullopt, std::nullopt,
                 "GET / HTTP/1.1\r\nHost: h:8443\r\nAccept: */*\r\n\r\n"},
        HeadCase{"Ipv6", "http://[::1]:8080/", false, std::nullopt, std::nullopt,
                 "GET / HTTP/1.1\r\nHost: [::1]:8080\r\nAccept: */*\r\n\r\n"},
        HeadCase{"Ipv6DefaultPort", "https://[::1]/", false, std::nullopt, std::nullopt,
                 "GET / HTTP/1.1\r\nHost: [::1]\r\nAccept: */*\r\n\r\n"},
        HeadCase{"UrlCredentials", "http://u:p@h/", false, std::nullopt, std::nullopt,
                 "GET / HTTP/1.1\r\nHost: h\r\nAuthorization: Basic dTpw\r\nAccept: */*\r\n\r\n"},
        HeadCase{
            "Base64Padding", "http://ab:c%C3%A4@h/", false, std::nullopt, std::nullopt,
            "GET / HTTP/1.1\r\nHost: h\r\nAuthorization: Basic YWI6Y8Ok\r\nAccept: */*\r\n\r\n"},
        HeadCase{"BothCredentialsThroughAProxy", "http://u@h:80/x", false, 3,
                 ProxyServer{"p", 3128, UrlCredentials{"pu", "pp"}},
                 "GET http://h/x HTTP/1.1\r\nHost: h\r\nProxy-Authorization: Basic cHU6cHA=\r\n"
                 "Authorization: Basic dTo=\r\nAccept: */*\r\nProxy-Connection: Keep-Alive\r\n"
                 "Content-Length: 3\r\nContent-Type: application/x-www-form-urlencoded\r\n\r\n"}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST(RequestVerbTest, UpperCaseTokensOnly) {
  EXPECT_EQ(RequestVerb("post"), "POST");
  EXPECT_EQ(RequestVerb("Get"), "GET");
  EXPECT_EQ(RequestVerb("M-SEARCH"), "M-SEARCH");
  EXPECT_EQ(RequestVerb(""), std::nullopt);
  EXPECT_EQ(RequestVerb("GET /evil HTTP/1.1\r\nX:"), std::nullopt);
  EXPECT_EQ(RequestVerb("P\xC3\x96ST"), std::nullopt);
}

TEST(ConnectHeadTest, NamesHostAndPortAlways) {
  EXPECT_EQ(ConnectHead(*SplitHttpUrl("https://h/x"), ProxyServer{"p", 1, std::nullopt}),
            "CONNECT h:443 HTTP/1.1\r\nHost: h:443\r\nProxy-Connection: Keep-Alive\r\n\r\n");
  EXPECT_EQ(ConnectHead(*SplitHttpUrl("https://[::1]:8443/"),
                        ProxyServer{"p", 1, UrlCredentials{"u", "p"}}),
            "CONNECT [::1]:8443 HTTP/1.1\r\nHost: [::1]:8443\r\n"
            "Proxy-Authorization: Basic dTpw\r\nProxy-Connection: Keep-Alive\r\n\r\n");
}

}  // namespace
}  // namespace kelbrin::protocol

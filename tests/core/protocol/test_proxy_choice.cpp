#include <gtest/gtest.h>

#include <map>

#include "protocol/ProxyChoice.h"

namespace kelbrin::protocol {
namespace {

using Route = ProxyChoice::Route;
using Environment = std::map<std::string, std::string>;

struct ProxyCase {
  const char* name;
  const char* url;
  Environment environment;
  ProxyChoice expected;
};

void PrintTo(const ProxyCase& c, std::ostream* os) { *os << c.name; }

}  // namespace

void PrintTo(const ProxyChoice& choice, std::ostream* os) {
  *os << "route " << static_cast<int>(choice.route) << ", proxy " << choice.proxy.host << ":"
      << choice.proxy.port;
  if (choice.proxy.credentials) {
    *os << " as " << choice.proxy.credentials->user << ":" << choice.proxy.credentials->password;
  }
}

namespace {

class ChooseProxyTest : public ::testing::TestWithParam<ProxyCase> {};

TEST_P(ChooseProxyTest, ChoosesTheRoute) {
  const ProxyCase& c = GetParam();
  const auto url = SplitHttpUrl(c.url);
  ASSERT_TRUE(url) << c.url;
  const auto lookup = [&](const char* name) -> const char* {
    const auto found = c.environment.find(name);
    return found == c.environment.end() ? nullptr : found->second.c_str();
  };
  EXPECT_EQ(ChooseProxy(*url, lookup), c.expected);
}

ProxyChoice Via(std::string host, std::uint16_t port,
                std::optional<UrlCredentials> credentials = std::nullopt) {
  return {Route::ViaProxy, {std::move(host), port, std::move(credentials)}};
}
const ProxyChoice kDirect{};
const ProxyChoice kUnusable{Route::Unusable, {}};

INSTANTIATE_TEST_SUITE_P(
    Variables, ChooseProxyTest,
    ::testing::Values(
        ProxyCase{"NothingSet", "http://h/", {}, kDirect},
        ProxyCase{"HttpProxy", "http://h/", {{"http_proxy", "http://p:3128"}}, Via("p", 3128)},
        // HTTP_PROXY could come from a request header in a CGI program: never read.
        ProxyCase{"UpperCaseHttpProxyIgnored", "http://h/", {{"HTTP_PROXY", "p:3128"}}, kDirect},
        ProxyCase{"HttpProxyNotForHttps", "https://h/", {{"http_proxy", "p:3128"}}, kDirect},
        ProxyCase{"HttpsProxy", "https://h/", {{"https_proxy", "p:1"}}, Via("p", 1)},
        ProxyCase{"UpperCaseHttpsProxy", "https://h/", {{"HTTPS_PROXY", "p:2"}}, Via("p", 2)},
        ProxyCase{"LowerCaseFirst",
                  "https://h/",
                  {{"https_proxy", "lower:1"}, {"HTTPS_PROXY", "upper:2"}},
                  Via("lower", 1)},
        ProxyCase{"HttpsProxyNotForHttp", "http://h/", {{"https_proxy", "p:1"}}, kDirect},
        ProxyCase{"AllProxyFallback", "http://h/", {{"all_proxy", "a:9"}}, Via("a", 9)},
        ProxyCase{"UpperCaseAllProxy", "https://h/", {{"ALL_PROXY", "A:9"}}, Via("A", 9)},
        ProxyCase{"SchemeProxyBeforeAllProxy",
                  "http://h/",
                  {{"http_proxy", "s:1"}, {"all_proxy", "a:2"}},
                  Via("s", 1)},
        ProxyCase{"EmptyCountsAsUnset",
                  "http://h/",
                  {{"http_proxy", ""}, {"all_proxy", "a:2"}},
                  Via("a", 2)},
        ProxyCase{"DefaultPort1080", "http://h/", {{"http_proxy", "http://p"}}, Via("p", 1080)},
        ProxyCase{"TrailingSlash", "http://h/", {{"http_proxy", "http://p:8080/"}}, Via("p", 8080)},
        ProxyCase{"SchemeInAnyCase", "http://h/", {{"http_proxy", "HTTP://p:8"}}, Via("p", 8)},
        ProxyCase{"Credentials",
                  "http://h/",
                  {{"http_proxy", "http://us%40er:p%3Ass@p:8"}},
                  Via("p", 8, UrlCredentials{"us@er", "p:ss"})},
        ProxyCase{"Ipv6Proxy", "http://h/", {{"http_proxy", "[::1]:3128"}}, Via("::1", 3128)},
        ProxyCase{"SocksProxy", "http://h/", {{"http_proxy", "socks5://p:1080"}}, kUnusable},
        ProxyCase{"SocksAllProxy", "https://h/", {{"all_proxy", "socks5h://p"}}, kUnusable},
        ProxyCase{"HttpsProxyScheme", "https://h/", {{"https_proxy", "https://p:443"}}, kUnusable},
        ProxyCase{"UnreadableProxy", "http://h/", {{"http_proxy", "p:port"}}, kUnusable},

        ProxyCase{"NoProxyStar", "http://h/", {{"http_proxy", "p:1"}, {"no_proxy", "*"}}, kDirect},
        ProxyCase{"NoProxyStarInAListIsAName",
                  "http://h/",
                  {{"http_proxy", "p:1"}, {"no_proxy", "x, *"}},
                  Via("p", 1)},
        ProxyCase{
            "NoProxyUpperCase", "http://h/", {{"http_proxy", "p:1"}, {"NO_PROXY", "h"}}, kDirect},
        ProxyCase{"NoProxyLowerCaseFirst",
                  "http://h/",
                  {{"http_proxy", "p:1"}, {"no_proxy", "other"}, {"NO_PROXY", "h"}},
                  Via("p", 1)},
        ProxyCase{"NoProxyExactName",
                  "http://example.com/",
                  {{"http_proxy", "p:1"}, {"no_proxy", "example.com"}},
                  kDirect},
        ProxyCase{"NoProxySubdomain",
                  "https://www.example.com/",
                  {{"https_proxy", "p:1"}, {"no_proxy", "example.com"}},
                  kDirect},
        ProxyCase{"NoProxyLeadingDot",
                  "http://example.com/",
                  {{"http_proxy", "p:1"}, {"no_proxy", ".example.com"}},
                  kDirect},
        ProxyCase{"NoProxyNotASuffixOfAnotherName",
                  "http://badexample.com/",
                  {{"http_proxy", "p:1"}, {"no_proxy", "example.com"}},
                  Via("p", 1)},
        ProxyCase{"NoProxyNotAParentDomain",
                  "http://example.com/",
                  {{"http_proxy", "p:1"}, {"no_proxy", "www.example.com"}},
                  Via("p", 1)},
        ProxyCase{"NoProxyAnyCase",
                  "http://WWW.Example.com/",
                  {{"http_proxy", "p:1"}, {"no_proxy", "EXAMPLE.COM"}},
                  kDirect},
        ProxyCase{"NoProxyTrailingDotOfTheHost",
                  "http://example.com./",
                  {{"http_proxy", "p:1"}, {"no_proxy", "example.com"}},
                  kDirect},
        ProxyCase{"NoProxyListWithCommasAndBlanks",
                  "http://h2/",
                  {{"http_proxy", "p:1"}, {"no_proxy", " h1 ,h3  h2,"}},
                  kDirect},
        ProxyCase{"NoProxyPortIgnoredForTheMatch",
                  "http://h:8080/",
                  {{"http_proxy", "p:1"}, {"no_proxy", "h"}},
                  kDirect},
        ProxyCase{"NoProxyIpv4Exact",
                  "http://127.0.0.1:8080/",
                  {{"http_proxy", "p:1"}, {"no_proxy", "localhost,127.0.0.1"}},
                  kDirect},
        ProxyCase{"NoProxyIpv4IsNoSuffixMatch",
                  "http://127.0.0.1/",
                  {{"http_proxy", "p:1"}, {"no_proxy", "0.0.1"}},
                  Via("p", 1)},
        ProxyCase{"NoProxyIpv4OtherAddress",
                  "http://127.0.0.2/",
                  {{"http_proxy", "p:1"}, {"no_proxy", "127.0.0.1"}},
                  Via("p", 1)},
        ProxyCase{"NoProxyIpv6Bracketed",
                  "http://[::1]/",
                  {{"http_proxy", "p:1"}, {"no_proxy", "[::1]"}},
                  kDirect},
        ProxyCase{"NoProxyIpv6SameAddressOtherSpelling",
                  "http://[0:0::1]/",
                  {{"http_proxy", "p:1"}, {"no_proxy", "::1"}},
                  kDirect},
        ProxyCase{"NoProxyIpv6Other",
                  "http://[::2]/",
                  {{"http_proxy", "p:1"}, {"no_proxy", "::1,localhost"}},
                  Via("p", 1)},
        ProxyCase{"NoProxyNameDoesNotMatchAddress",
                  "http://localhost/",
                  {{"http_proxy", "p:1"}, {"no_proxy", "127.0.0.1"}},
                  Via("p", 1)},
        ProxyCase{"NoProxyEmptyIsUnset",
                  "http://h/",
                  {{"http_proxy", "p:1"}, {"no_proxy", ""}, {"NO_PROXY", "h"}},
                  kDirect},
        ProxyCase{"NoProxyAppliesBeforeAnUnusableProxy",
                  "http://h/",
                  {{"http_proxy", "socks5://p"}, {"no_proxy", "h"}},
                  kDirect}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

}  // namespace
}  // namespace kelbrin::protocol

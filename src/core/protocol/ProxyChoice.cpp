#include "protocol/ProxyChoice.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cstring>
#include <string_view>

#include "platform/files/TextTrim.h"
#include "runtime/AsciiCase.h"

namespace kelbrin::protocol {

namespace {

constexpr std::uint16_t kDefaultProxyPort = 1080;

const char* Variable(const EnvironmentLookup& environment, const char* name) {
  const char* value = environment(name);
  return value != nullptr && *value != '\0' ? value : nullptr;
}

bool SameAddress(const HttpUrl& url, std::string_view entry) {
  if (entry.size() >= 2 && entry.front() == '[' && entry.back() == ']') {
    entry = entry.substr(1, entry.size() - 2);
  }
  const int family = url.hostKind == HostKind::Ipv6 ? AF_INET6 : AF_INET;
  unsigned char wanted[16];
  unsigned char listed[16];
  return inet_pton(family, url.host.c_str(), wanted) == 1 &&
         inet_pton(family, std::string(entry).c_str(), listed) == 1 &&
         std::memcmp(wanted, listed, family == AF_INET6 ? 16 : 4) == 0;
}

// A name entry matches the host and every name below it: "example.com" and ".example.com" both
// match "example.com" and "www.example.com", never "badexample.com".
bool NameMatches(std::string_view host, std::string_view entry) {
  if (entry.starts_with('.')) entry.remove_prefix(1);
  if (entry.ends_with('.')) entry.remove_suffix(1);
  if (host.ends_with('.')) host.remove_suffix(1);
  if (entry.empty() || entry.size() > host.size()) return false;
  const std::string_view tail = host.substr(host.size() - entry.size());
  return runtime::EqualIgnoringAsciiCase(tail, entry) &&
         (tail.size() == host.size() || host[host.size() - entry.size() - 1] == '.');
}

bool ExemptFromProxy(const HttpUrl& url, std::string_view noProxy) {
  if (platform::Trimmed(noProxy, platform::kSpacesAndTabs) == "*") return true;
  constexpr std::string_view kSeparators = ", \t";
  while (!noProxy.empty()) {
    const std::size_t start = noProxy.find_first_not_of(kSeparators);
    if (start == std::string_view::npos) break;
    noProxy.remove_prefix(start);
    const std::size_t end = std::min(noProxy.find_first_of(kSeparators), noProxy.size());
    const std::string_view entry = noProxy.substr(0, end);
    noProxy.remove_prefix(end);
    const bool match =
        url.hostKind == HostKind::Name ? NameMatches(url.host, entry) : SameAddress(url, entry);
    if (match) return true;
  }
  return false;
}

// "[http://][user[:password]@]host[:port][/]"; nothing for another scheme or a bad authority.
std::optional<ProxyServer> ParseProxy(std::string_view text) {
  const std::size_t schemeEnd = text.find("://");
  if (schemeEnd != std::string_view::npos) {
    if (runtime::AsciiLower(text.substr(0, schemeEnd)) != "http") return std::nullopt;
    text.remove_prefix(schemeEnd + 3);
  }
  text = text.substr(0, text.find('/'));
  auto authority = SplitAuthority(text);
  if (!authority) return std::nullopt;
  return ProxyServer{std::move(authority->host), authority->port.value_or(kDefaultProxyPort),
                     std::move(authority->credentials)};
}

}  // namespace

ProxyChoice ChooseProxy(const HttpUrl& url, const EnvironmentLookup& environment) {
  const char* noProxy = Variable(environment, "no_proxy");
  if (noProxy == nullptr) noProxy = Variable(environment, "NO_PROXY");
  if (noProxy != nullptr && ExemptFromProxy(url, noProxy)) return {};

  const char* proxy = nullptr;
  if (url.https) {
    proxy = Variable(environment, "https_proxy");
    if (proxy == nullptr) proxy = Variable(environment, "HTTPS_PROXY");
  } else {
    proxy = Variable(environment, "http_proxy");
  }
  if (proxy == nullptr) proxy = Variable(environment, "all_proxy");
  if (proxy == nullptr) proxy = Variable(environment, "ALL_PROXY");
  if (proxy == nullptr) return {};

  auto server = ParseProxy(proxy);
  if (!server) return {ProxyChoice::Route::Unusable, {}};
  return {ProxyChoice::Route::ViaProxy, std::move(*server)};
}

}  // namespace kelbrin::protocol

#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "protocol/HttpUrl.h"

namespace kelbrin::protocol {

// An http proxy to go through.
struct ProxyServer {
  std::string host;
  std::uint16_t port = 0;
  std::optional<UrlCredentials> credentials;
  bool operator==(const ProxyServer&) const = default;
};

// How an exchange reaches its URL.
struct ProxyChoice {
  enum class Route {
    Direct,
    ViaProxy,
    // The environment names a proxy this client cannot speak to (socks, https, an unreadable
    // URL): the exchange fails rather than going around it.
    Unusable,
  };
  Route route = Route::Direct;
  ProxyServer proxy;  // for ViaProxy
  bool operator==(const ProxyChoice&) const = default;
};

// The value of an environment variable, nullptr when it is not set.
using EnvironmentLookup = std::function<const char*(const char* name)>;

// The proxy for `url` from the environment, read the way libcurl reads it, so that a machine set
// up for other programs works unchanged:
//   - no_proxy (else NO_PROXY): "*" alone means no proxy at all; otherwise hosts separated by
//     commas or blanks, any case: a name matches itself and its subdomains (a leading dot makes
//     no difference), an IP address only itself (in brackets or not for IPv6);
//   - http URLs: http_proxy (lower case only: a CGI program gets HTTP_PROXY from a request
//     header); https URLs: https_proxy, else HTTPS_PROXY; then all_proxy, else ALL_PROXY.
// An empty variable counts as unset. The proxy URL is "[http://][user[:password]@]host[:port]"
// (port 1080 when none is given); the credentials are percent-decoded. Only http proxies are
// spoken to; any other scheme makes the choice Unusable.
ProxyChoice ChooseProxy(const HttpUrl& url, const EnvironmentLookup& environment);

}  // namespace kelbrin::protocol

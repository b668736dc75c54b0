#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "protocol/HttpUrl.h"
#include "protocol/ProxyChoice.h"

namespace kelbrin::protocol {

// The method as sent: upper case ("post" goes out as POST). Nothing when it is not an HTTP token,
// which could not be sent without breaking the request line.
std::optional<std::string> RequestVerb(std::string_view method);

// One request's head, through the blank line that ends it. The headers are the ones the service
// and the portals have always received, in this order:
//   Host (its port only when not the scheme's default)
//   Proxy-Authorization: Basic ...   through an http proxy with credentials
//   Authorization: Basic ...         when the URL holds credentials
//   Accept: */*                      raw mode
//   Proxy-Connection: Keep-Alive     through an http proxy
//   charset: UTF-8, Pragma: No-Cache, Content-Type: text/xml          XML mode
//   Content-Length: N                with a body (a POST; N may be 0)
//   Content-Type: application/x-www-form-urlencoded                  raw mode, with a body
// and nothing else: no Expect (simple servers never send the "100 Continue" it waits for), no
// User-Agent, no Connection. Through an http proxy (`viaProxy`) the request line names the whole
// URL; otherwise, and inside an https tunnel, only its path and query.
std::string RequestHead(std::string_view verb, const HttpUrl& url, bool xmlMode,
                        std::optional<std::size_t> contentLength, const ProxyServer* viaProxy);

// The request that opens a tunnel to an https URL's host through `proxy`.
std::string ConnectHead(const HttpUrl& url, const ProxyServer& proxy);

}  // namespace kelbrin::protocol

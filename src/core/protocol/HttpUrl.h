#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kelbrin::protocol {

// A user name and password from a URL, percent-decoded.
struct UrlCredentials {
  std::string user;
  std::string password;
  bool operator==(const UrlCredentials&) const = default;
};

enum class HostKind { Name, Ipv4, Ipv6 };

// "[user[:password]@]host[:port]" split; the port is empty when the text names none (or an empty
// one, "host:").
struct Authority {
  std::optional<UrlCredentials> credentials;
  std::string host;  // as written, an IPv6 address without its brackets
  HostKind hostKind = HostKind::Name;
  std::optional<std::uint16_t> port;
};

// Splits the authority part of a URL; nothing when it is not one this client can connect to: no
// host, a host name of other characters than ASCII letters, digits, '-', '.' and '_', a bracketed
// text that is no IPv6 address (zone ids included), a port outside 1..65535.
std::optional<Authority> SplitAuthority(std::string_view text);

// An http or https URL as one exchange needs it.
struct HttpUrl {
  bool https = false;
  std::string host;
  HostKind hostKind = HostKind::Name;
  std::uint16_t port = 0;  // the URL's, else the scheme's
  // Path and query as the request line carries them: at least "/", never the fragment.
  std::string target;
  std::optional<UrlCredentials> credentials;

  bool operator==(const HttpUrl&) const = default;

  // The host, in brackets when it is an IPv6 address.
  std::string HostForHeaders() const;
  // The Host header's value: the port only when it is not the scheme's default.
  std::string HostHeader() const;
  // "host:port" with the port always: where a proxy tunnel goes.
  std::string HostAndPort() const;
  // The whole URL as a request line to an http proxy names it.
  std::string AbsoluteForm() const;
};

// Splits "[scheme://]authority[/path][?query][#fragment]": scheme http or https in any case
// (http when none is written). Nothing for another scheme, a bad authority, blanks or control
// characters anywhere, or a backslash in the authority. Bytes above 0x7F in the path are
// percent-encoded (lower-case hex), in the query they stay as they are: the request line keeps
// the bytes the service has always received.
std::optional<HttpUrl> SplitHttpUrl(std::string_view url);

}  // namespace kelbrin::protocol

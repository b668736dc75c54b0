#include "protocol/HttpUrl.h"

#include <arpa/inet.h>

#include <algorithm>

#include "runtime/AsciiCase.h"
#include "runtime/AsciiChars.h"

namespace kelbrin::protocol {

namespace {

using runtime::AsciiHexValue;
using runtime::IsAsciiAlnum;
using runtime::IsAsciiDigit;
using runtime::IsAsciiLetter;

// "%XX" becomes the byte; a '%' without two hex digits stays as written.
std::string PercentDecoded(std::string_view text) {
  std::string decoded;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && AsciiHexValue(text[i + 1]) >= 0 &&
        AsciiHexValue(text[i + 2]) >= 0) {
      decoded += static_cast<char>(AsciiHexValue(text[i + 1]) * 16 + AsciiHexValue(text[i + 2]));
      i += 2;
    } else {
      decoded += text[i];
    }
  }
  return decoded;
}

bool IsHostNameCharacter(char c) {
  return IsAsciiAlnum(c) || c == '-' || c == '.' || c == '_';
}

bool IsAddress(int family, const std::string& text) {
  unsigned char address[16];
  return inet_pton(family, text.c_str(), address) == 1;
}

// Sets `port` from `text`: "" is no port; otherwise digits only (leading zeros allowed),
// 1..65535. False for anything else.
bool ParsePort(std::string_view text, std::optional<std::uint16_t>& port) {
  port.reset();
  if (text.empty()) return true;
  unsigned value = 0;
  for (const char c : text) {
    if (!IsAsciiDigit(c)) return false;
    value = value * 10 + static_cast<unsigned>(c - '0');
    if (value > 65535) return false;
  }
  if (value == 0) return false;
  port = static_cast<std::uint16_t>(value);
  return true;
}

// A scheme is a letter followed by letters, digits, '+', '-' or '.'.
bool IsScheme(std::string_view text) {
  return !text.empty() && IsAsciiLetter(text.front()) &&
         std::all_of(text.begin(), text.end(), [](char c) {
           return IsAsciiAlnum(c) || c == '+' || c == '-' || c == '.';
         });
}

std::string EncodedPath(std::string_view path) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string encoded = path.empty() ? "/" : "";
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      encoded += c;
    } else {
      encoded += '%';
      encoded += kHex[byte >> 4];
      encoded += kHex[byte & 0xF];
    }
  }
  return encoded;
}

}  // namespace

std::optional<Authority> SplitAuthority(std::string_view text) {
  Authority authority;
  const std::size_t at = text.rfind('@');
  if (at != std::string_view::npos) {
    const std::string_view userInfo = text.substr(0, at);
    const std::size_t colon = std::min(userInfo.find(':'), userInfo.size());
    authority.credentials =
        UrlCredentials{PercentDecoded(userInfo.substr(0, colon)),
                       PercentDecoded(userInfo.substr(std::min(colon + 1, userInfo.size())))};
    text.remove_prefix(at + 1);
  }
  std::string_view portText;
  if (text.starts_with('[')) {
    const std::size_t close = text.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    authority.host = std::string(text.substr(1, close - 1));
    if (!IsAddress(AF_INET6, authority.host)) return std::nullopt;
    authority.hostKind = HostKind::Ipv6;
    const std::string_view rest = text.substr(close + 1);
    if (!rest.empty() && !rest.starts_with(':')) return std::nullopt;
    portText = rest.substr(std::min<std::size_t>(1, rest.size()));
  } else {
    const std::size_t colon = std::min(text.find(':'), text.size());
    authority.host = std::string(text.substr(0, colon));
    portText = text.substr(std::min(colon + 1, text.size()));
    if (authority.host.empty() ||
        !std::all_of(authority.host.begin(), authority.host.end(), IsHostNameCharacter)) {
      return std::nullopt;
    }
    if (IsAddress(AF_INET, authority.host)) authority.hostKind = HostKind::Ipv4;
  }
  if (!ParsePort(portText, authority.port)) return std::nullopt;
  return authority;
}

std::string HttpUrl::HostForHeaders() const {
  return hostKind == HostKind::Ipv6 ? "[" + host + "]" : host;
}

std::string HttpUrl::HostHeader() const {
  const std::uint16_t defaultPort = https ? 443 : 80;
  return port == defaultPort ? HostForHeaders() : HostAndPort();
}

std::string HttpUrl::HostAndPort() const { return HostForHeaders() + ":" + std::to_string(port); }

std::string HttpUrl::AbsoluteForm() const {
  return (https ? "https://" : "http://") + HostHeader() + target;
}

std::optional<HttpUrl> SplitHttpUrl(std::string_view url) {
  if (std::any_of(url.begin(), url.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte <= 0x20 || byte == 0x7F;
      })) {
    return std::nullopt;
  }
  HttpUrl split;
  const std::size_t schemeEnd = url.find("://");
  if (schemeEnd != std::string_view::npos && IsScheme(url.substr(0, schemeEnd))) {
    const std::string scheme = runtime::AsciiLower(url.substr(0, schemeEnd));
    if (scheme != "http" && scheme != "https") return std::nullopt;
    split.https = scheme == "https";
    url.remove_prefix(schemeEnd + 3);
  }
  url = url.substr(0, url.find('#'));
  const std::size_t authorityEnd = std::min(url.find_first_of("/?"), url.size());
  const std::string_view authorityText = url.substr(0, authorityEnd);
  if (authorityText.find('\\') != std::string_view::npos) return std::nullopt;
  auto authority = SplitAuthority(authorityText);
  if (!authority) return std::nullopt;
  split.host = std::move(authority->host);
  split.hostKind = authority->hostKind;
  split.port = authority->port.value_or(split.https ? 443 : 80);
  split.credentials = std::move(authority->credentials);

  const std::string_view rest = url.substr(authorityEnd);
  const std::size_t queryStart = std::min(rest.find('?'), rest.size());
  split.target = EncodedPath(rest.substr(0, queryStart));
  split.target += rest.substr(queryStart);
  return split;
}

}  // namespace kelbrin::protocol

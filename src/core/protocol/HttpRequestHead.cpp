#include "protocol/HttpRequestHead.h"

#include <algorithm>
#include <cstdint>

#include "protocol/HttpToken.h"
#include "runtime/AsciiCase.h"

namespace kelbrin::protocol {

namespace {

std::string Base64(std::string_view bytes) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string encoded;
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::size_t count = std::min<std::size_t>(3, bytes.size() - i);
    std::uint32_t group = 0;
    for (std::size_t k = 0; k < 3; ++k) {
      const auto byte = k < count ? static_cast<unsigned char>(bytes[i + k]) : 0u;
      group = (group << 8) | byte;
    }
    for (std::size_t k = 0; k < 4; ++k) {
      encoded += k <= count ? kAlphabet[(group >> (18 - 6 * k)) & 0x3F] : '=';
    }
  }
  return encoded;
}

std::string BasicAuthorization(const UrlCredentials& credentials) {
  return "Basic " + Base64(credentials.user + ":" + credentials.password);
}

void AddHeader(std::string& head, std::string_view name, std::string_view value) {
  head.append(name).append(": ").append(value).append("\r\n");
}

}  // namespace

std::optional<std::string> RequestVerb(std::string_view method) {
  if (method.empty() || !std::all_of(method.begin(), method.end(), IsHttpTokenCharacter)) {
    return std::nullopt;
  }
  return runtime::AsciiUpper(method);
}

std::string RequestHead(std::string_view verb, const HttpUrl& url, bool xmlMode,
                        std::optional<std::size_t> contentLength, const ProxyServer* viaProxy) {
  std::string head(verb);
  head.append(" ").append(viaProxy != nullptr ? url.AbsoluteForm() : url.target);
  head.append(" HTTP/1.1\r\n");
  AddHeader(head, "Host", url.HostHeader());
  if (viaProxy != nullptr && viaProxy->credentials) {
    AddHeader(head, "Proxy-Authorization", BasicAuthorization(*viaProxy->credentials));
  }
  if (url.credentials) AddHeader(head, "Authorization", BasicAuthorization(*url.credentials));
  if (!xmlMode) AddHeader(head, "Accept", "*/*");
  if (viaProxy != nullptr) AddHeader(head, "Proxy-Connection", "Keep-Alive");
  if (xmlMode) {
    AddHeader(head, "charset", "UTF-8");
    AddHeader(head, "Pragma", "No-Cache");
    AddHeader(head, "Content-Type", "text/xml");
  }
  if (contentLength) {
    AddHeader(head, "Content-Length", std::to_string(*contentLength));
    if (!xmlMode) AddHeader(head, "Content-Type", "application/x-www-form-urlencoded");
  }
  head.append("\r\n");
  return head;
}

std::string ConnectHead(const HttpUrl& url, const ProxyServer& proxy) {
  std::string head = "CONNECT " + url.HostAndPort() + " HTTP/1.1\r\n";
  AddHeader(head, "Host", url.HostAndPort());
  if (proxy.credentials) {
    AddHeader(head, "Proxy-Authorization", BasicAuthorization(*proxy.credentials));
  }
  AddHeader(head, "Proxy-Connection", "Keep-Alive");
  head.append("\r\n");
  return head;
}

}  // namespace kelbrin::protocol

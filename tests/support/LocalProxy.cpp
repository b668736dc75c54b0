#include "LocalProxy.h"

#include <openssl/evp.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <charconv>

namespace kelbrin::test {

namespace {

std::string Base64(std::string_view text) {
  std::string encoded(4 * ((text.size() + 2) / 3) + 1, '\0');
  const int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(encoded.data()),
                                     reinterpret_cast<const unsigned char*>(text.data()),
                                     static_cast<int>(text.size()));
  encoded.resize(static_cast<std::size_t>(length));
  return encoded;
}

std::string Refusal(int status, std::string_view reason, std::string_view extraHeaders = "") {
  return "HTTP/1.1 " + std::to_string(status) + " " + std::string(reason) + "\r\n" +
         std::string(extraHeaders) + "Content-Length: 0\r\nConnection: close\r\n\r\n";
}

// The port of exactly "127.0.0.1:PORT"; nothing for any other authority.
std::optional<int> LoopbackPort(std::string_view authority) {
  constexpr std::string_view kHost = "127.0.0.1:";
  if (authority.substr(0, kHost.size()) != kHost) return std::nullopt;
  authority.remove_prefix(kHost.size());
  int port = 0;
  const auto [end, error] =
      std::from_chars(authority.data(), authority.data() + authority.size(), port);
  if (error != std::errc() || end != authority.data() + authority.size() || port <= 0 ||
      port > 65535) {
    return std::nullopt;
  }
  return port;
}

// Request line "METHOD TARGET VERSION" in its three parts.
struct RequestLine {
  std::string_view method, target, version;
};

RequestLine SplitRequestLine(std::string_view line) {
  RequestLine parts;
  const std::size_t first = line.find(' ');
  const std::size_t last = line.rfind(' ');
  if (first == std::string_view::npos || last == first) return parts;
  return {line.substr(0, first), line.substr(first + 1, last - first - 1), line.substr(last + 1)};
}

bool IsProxyHeader(std::string_view name) {
  return name.size() >= 6 && strncasecmp(name.data(), "Proxy-", 6) == 0;
}

}  // namespace

std::string LocalProxy::url() const { return "http://127.0.0.1:" + std::to_string(port()); }

void LocalProxy::refuseConnect() {
  std::lock_guard lock(mutex_);
  policy_.refuseConnect = true;
}

void LocalProxy::requireCredentials(std::string user, std::string password) {
  std::lock_guard lock(mutex_);
  policy_.authorization = "Basic " + Base64(user + ":" + password);
}

std::vector<RecordedRequest> LocalProxy::requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

void LocalProxy::serve(int fd) {
  std::string received;
  std::size_t headEnd = std::string::npos;
  char buffer[16384];
  while ((headEnd = received.find("\r\n\r\n")) == std::string::npos) {
    if (stop_.WaitFor(fd, POLLIN, -1) != StopSignal::Wait::Ready) return;
    const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
    if (got <= 0) return;
    received.append(buffer, static_cast<std::size_t>(got));
  }
  const RecordedRequest request = ParseRequestHead(std::string_view(received).substr(0, headEnd));
  // Whatever came after the head (a body, or early tunnel bytes) goes on to the origin.
  const std::string_view early = std::string_view(received).substr(headEnd + 4);
  Policy policy;
  {
    std::lock_guard lock(mutex_);
    requests_.push_back(request);
    policy = policy_;
  }

  if (policy.authorization && request.header("Proxy-Authorization") != policy.authorization) {
    stop_.sendAll(fd, Refusal(407, "Proxy Authentication Required",
                              "Proxy-Authenticate: Basic realm=\"test proxy\"\r\n"));
    return;
  }
  const RequestLine line = SplitRequestLine(request.requestLine);
  const bool tunnel = line.method == "CONNECT";
  std::optional<int> port;
  std::string forwarded;  // what the origin is sent first
  if (tunnel) {
    port = policy.refuseConnect ? std::nullopt : LoopbackPort(line.target);
    if (!port) {
      stop_.sendAll(fd, Refusal(403, "Forbidden"));
      return;
    }
  } else {
    constexpr std::string_view kScheme = "http://";
    const std::string_view target = line.target;
    const std::size_t pathStart = target.find('/', kScheme.size());
    if (target.substr(0, kScheme.size()) == kScheme && pathStart != std::string_view::npos) {
      port = LoopbackPort(target.substr(kScheme.size(), pathStart - kScheme.size()));
    }
    if (!port) {
      stop_.sendAll(fd, Refusal(502, "Bad Gateway"));
      return;
    }
    // The origin sees what a client talking to it directly would send: the path alone, and no
    // header that was meant for the proxy.
    forwarded = std::string(line.method) + " " + std::string(target.substr(pathStart)) + " " +
                std::string(line.version) + "\r\n";
    for (const auto& [name, value] : request.headers) {
      if (!IsProxyHeader(name)) forwarded += name + ": " + value + "\r\n";
    }
    forwarded += "\r\n";
  }

  const int origin = ConnectToLoopback(*port);
  if (origin < 0) {
    stop_.sendAll(fd, Refusal(502, "Bad Gateway"));
    return;
  }
  if (tunnel ? stop_.sendAll(fd, "HTTP/1.1 200 Connection established\r\n\r\n")
             : stop_.sendAll(origin, forwarded)) {
    if (stop_.sendAll(origin, early)) stop_.pump(fd, origin);
  }
  close(origin);
}

}  // namespace kelbrin::test

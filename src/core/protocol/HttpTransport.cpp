#include "protocol/HttpTransport.h"

#include <chrono>
#include <cstdlib>
#include <memory>
#include <optional>

#include "platform/sockets/NameResolver.h"
#include "platform/sockets/TcpConnection.h"
#include "platform/sockets/TlsSession.h"
#include "protocol/HttpReplyReader.h"
#include "protocol/HttpRequestHead.h"
#include "protocol/HttpUrl.h"
#include "protocol/ProxyChoice.h"
#include "protocol/ReplyDecoding.h"

namespace kelbrin::protocol {

namespace {

using platform::ByteStream;
using platform::IoBounds;

constexpr std::size_t kReceiveChunk = 16384;

const char* EnvironmentVariable(const char* name) { return std::getenv(name); }

// Feeds `reader` from `stream` until the reply is complete (true) or has failed, or until its
// status shows that the exchange has failed anyway. `surplus` counts the bytes that arrived after
// the reply's end.
bool ReadReply(ByteStream& stream, HttpReplyReader& reader, IoBounds& bounds,
               std::size_t& surplus) {
  char buffer[kReceiveChunk];
  surplus = 0;
  while (reader.state() == HttpReplyReader::State::Reading) {
    const auto received = stream.Receive(buffer, bounds);
    if (!received) return false;
    if (*received == 0) {
      reader.EndOfStream();
    } else {
      surplus = *received - reader.Feed(std::string_view(buffer, *received));
    }
    if (reader.state() == HttpReplyReader::State::Complete) return true;
    if (reader.Status() != 0 && reader.Status() != 200) return false;
  }
  return reader.state() == HttpReplyReader::State::Complete;
}

// Asks the proxy on `stream` for a tunnel to the URL's host; true once it stands.
bool OpenTunnel(ByteStream& stream, const HttpUrl& url, const ProxyServer& proxy,
                IoBounds& bounds) {
  if (!stream.SendAll(ConnectHead(url, proxy), bounds)) return false;
  HttpReplyReader reader({.headersOnly = true});
  std::size_t surplus = 0;
  // The server speaks only after the TLS client, so nothing may follow the proxy's reply yet.
  return ReadReply(stream, reader, bounds, surplus) && reader.Status() / 100 == 2 && surplus == 0;
}

// The connection to the URL's server, through the proxy if there is one, with TLS for https.
std::unique_ptr<ByteStream> Connect(const HttpUrl& url, const ProxyServer* proxy,
                                    std::chrono::milliseconds stall, IoBounds& bounds) {
  const auto addresses = proxy != nullptr ? platform::ResolveHost(proxy->host, proxy->port, bounds)
                                          : platform::ResolveHost(url.host, url.port, bounds);
  std::unique_ptr<ByteStream> stream = platform::TcpConnection::Open(addresses, bounds);
  if (!stream) return nullptr;
  bounds.SetStallBound(stall);
  if (!url.https) return stream;
  if (proxy != nullptr && !OpenTunnel(*stream, url, *proxy, bounds)) return nullptr;
  return platform::TlsSession::Start(std::move(stream), url.host, url.port,
                                     url.hostKind != HostKind::Name, bounds);
}

std::string RunExchange(const ExchangeRequest& request) {
  const auto url = SplitHttpUrl(request.url);
  const auto verb = RequestVerb(request.method);
  if (!url || !verb) return {};
  const ProxyChoice choice = ChooseProxy(*url, EnvironmentVariable);
  if (choice.route == ProxyChoice::Route::Unusable) return {};
  const ProxyServer* proxy = choice.route == ProxyChoice::Route::ViaProxy ? &choice.proxy : nullptr;

  const TransportTimeouts& t = request.timeouts;
  const auto start = std::chrono::steady_clock::now();
  const auto stall = std::chrono::ceil<std::chrono::seconds>(std::max(t.send, t.receive));
  IoBounds bounds(start + t.resolve + t.connect, request.aborted);
  const std::unique_ptr<ByteStream> stream = Connect(*url, proxy, stall, bounds);
  if (!stream) return {};
  bounds.SetDeadline(start + t.resolve + t.connect + t.send + t.receive);

  // Only a POST carries the body, an empty one too; every other method sends none.
  const bool post = *verb == "POST";
  std::string message =
      RequestHead(*verb, *url, request.xmlMode,
                  post ? std::optional<std::size_t>(request.body.size()) : std::nullopt,
                  url->https ? nullptr : proxy);
  if (post) message.append(request.body);
  if (!stream->SendAll(message, bounds)) return {};

  HttpReplyReader reader({.headersOnly = *verb == "HEAD",
                          .bodyCap = request.xmlMode ? request.replyCap : kRawReplyBytes,
                          .failAboveCap = request.xmlMode});
  std::size_t surplus = 0;
  if (!ReadReply(*stream, reader, bounds, surplus) || reader.Status() != 200) return {};
  if (!request.xmlMode) return DecodeRawReply(reader.Body());
  return DecodeXmlReply(reader.TakeBody());
}

}  // namespace

std::string HttpTransport::Exchange(const ExchangeRequest& request) {
  if (request.aborted != nullptr && request.aborted->load()) return {};
  try {
    return RunExchange(request);
  } catch (...) {  // out of memory on the way: a failed exchange like any other
    return {};
  }
}

}  // namespace kelbrin::protocol

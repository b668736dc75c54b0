#pragma once

#include <atomic>
#include <cstddef>
#include <string>
#include <string_view>

#include "runtime/Clock.h"

namespace kelbrin::protocol {

// The most body bytes of an XML reply. The service's messages are a few hundred bytes; only the
// service list grows with the account (about 700 bytes a domain), and a reply is never worth
// more memory than its message can need.
inline constexpr std::size_t kMessageReplyCap = 256u << 10;
inline constexpr std::size_t kServiceListReplyCap = 128u << 20;

// The four time-outs of one exchange.
struct TransportTimeouts {
  runtime::Duration resolve, connect, send, receive;
};

// One HTTP exchange as the Pelmar client asks for it.
struct ExchangeRequest {
  std::string_view method;
  std::string_view url;
  std::string_view body;
  // XML mode: the service's three headers, a reply of at most `replyCap` bytes (a larger one
  // fails). Raw mode: a web page decoded from the system code page and cut at 32767 characters.
  bool xmlMode = true;
  TransportTimeouts timeouts{};
  // Set by a shutdown: the exchange ends promptly with the empty reply.
  const std::atomic<bool>* aborted = nullptr;
  std::size_t replyCap = kMessageReplyCap;
};

// What carries the exchanges: the client's own HTTP/1.1 in the program (HttpTransport.h), a
// scripted stand-in in unit tests. Returns the reply text (UTF-8), or the empty string on any
// failure: refused, time-out, a status other than 200 (a redirect too), an empty body, in XML mode
// a body that is too large. Whether the text is well-formed XML is for the one parse of the reply
// to find. Called by one thread at a time.
class Transport {
 public:
  virtual ~Transport() = default;
  virtual std::string Exchange(const ExchangeRequest& request) = 0;
};

}  // namespace kelbrin::protocol

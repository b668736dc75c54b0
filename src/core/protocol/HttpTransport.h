#pragma once

#include "protocol/Transport.h"

namespace kelbrin::protocol {

// The exchanges over the client's own HTTP/1.1: plain sockets, and TLS through the system's
// OpenSSL, loaded only when the first https exchange needs it. One connection per exchange,
// closed after the reply. Only http and https; certificates are verified; no redirect is followed
// (a redirect would carry the password to another host); an http proxy from the environment is
// honoured (ProxyChoice.h). Exchanges on several threads at once are independent.
//
// The four time-outs: resolve + connect bound the connection set-up (name look-up, connect,
// proxy tunnel and TLS handshake); the sum of all four bounds the whole exchange, so an endpoint
// that accepts and never answers costs at most that; and once connected, an exchange in which
// no byte moves for the longer of send and receive (in whole seconds, rounded up) ends early.
class HttpTransport final : public Transport {
 public:
  std::string Exchange(const ExchangeRequest& request) override;
};

}  // namespace kelbrin::protocol

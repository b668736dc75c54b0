#pragma once

#include <memory>
#include <string>

#include "platform/sockets/ByteStream.h"

namespace kelbrin::platform {

struct OpenSslApi;

// A TLS client session over another byte stream (a TCP connection, or a tunnel through a proxy),
// with OpenSSL loaded at run time (OpenSslLibrary.h). OpenSSL never touches the socket: it reads
// and writes memory buffers, and the stream below moves the bytes, so every wait keeps the
// exchange's bounds and abort flag and no write can raise SIGPIPE.
class TlsSession final : public ByteStream {
 public:
  // Handshakes with the server of `host` (a name, or an IP address without brackets): TLS 1.2 or
  // later, the certificate chain checked against the system's trust store (SSL_CERT_FILE and
  // SSL_CERT_DIR are honoured) and the certificate checked for the name or the address. A name
  // is also sent as SNI. Nothing when OpenSSL cannot be loaded, the handshake fails or times
  // out, or the server cannot be trusted. The last session with `host`:`port` is offered for
  // resumption (TlsClientContext.h).
  static std::unique_ptr<TlsSession> Start(std::unique_ptr<ByteStream> transport,
                                           const std::string& host, int port, bool hostIsAddress,
                                           IoBounds& bounds);

  // Keeps the session for the next connection to the same server if nothing failed (forgets it
  // otherwise), sends close_notify if the connection takes it at once, then closes.
  ~TlsSession() override;
  TlsSession(const TlsSession&) = delete;
  TlsSession& operator=(const TlsSession&) = delete;

  bool SendAll(std::string_view data, IoBounds& bounds) override;
  // 0 at close_notify; a connection that ends without one fails (nothing), so a body that runs
  // until the end of the stream is never taken cut short.
  std::optional<std::size_t> Receive(std::span<char> buffer, IoBounds& bounds) override;

 private:
  struct Handles;
  TlsSession(const OpenSslApi& api, std::unique_ptr<ByteStream> transport,
             std::unique_ptr<Handles> handles, std::string peer);

  bool Configure(const std::string& host, bool hostIsAddress);
  bool Handshake(IoBounds& bounds);
  bool SendRecords(std::string_view data, IoBounds& bounds);
  std::optional<std::size_t> ReceiveRecords(std::span<char> buffer, IoBounds& bounds);
  // Sends what OpenSSL has written for the peer.
  bool Flush(IoBounds& bounds);
  // Receives bytes from the peer for OpenSSL to read: how many, 0 at the end of the stream.
  std::optional<std::size_t> Fill(IoBounds& bounds);

  const OpenSslApi& api_;
  std::unique_ptr<ByteStream> transport_;
  std::unique_ptr<Handles> handles_;  // freed before the transport closes
  const std::string peer_;            // whose sessions are kept together: host and port
  bool established_ = false;
  bool failed_ = false;  // a send or a receive failed after the handshake
};

}  // namespace kelbrin::platform

#pragma once

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "LoopbackSocket.h"
#include "TestCertificateAuthority.h"

namespace kelbrin::test {

// An https front for a plain test server: listens on 127.0.0.1 with the given certificate, ends
// TLS, and passes the decrypted bytes both ways to 127.0.0.1:originPort (a LocalHttpServer, which
// records the requests as usual). It serves one connection at a time.
class LocalTlsServer {
 public:
  // With `closeNotify` false the front ends each connection with a bare TCP close, as an
  // attacker cutting the stream would.
  LocalTlsServer(const CertificateFiles& certificate, int originPort, bool closeNotify = true);
  ~LocalTlsServer();
  LocalTlsServer(const LocalTlsServer&) = delete;
  LocalTlsServer& operator=(const LocalTlsServer&) = delete;

  int port() const { return acceptor_->port(); }
  std::string url(std::string_view host = "127.0.0.1",
                  std::string_view path = "/pelmar/pelmar.dll/") const;

  // Whether a client has completed a TLS handshake, i.e. accepted the certificate.
  bool handshakeCompleted() const { return handshakes_.load() > 0; }
  // Handshakes completed, and how many of them resumed an earlier session.
  int handshakes() const { return handshakes_.load(); }
  int resumedHandshakes() const { return resumedHandshakes_.load(); }

 private:
  struct Context;

  void serve(int fd);

  std::unique_ptr<Context> context_;
  int originPort_;
  bool closeNotify_;
  StopSignal stop_;
  std::atomic<int> handshakes_{0};
  std::atomic<int> resumedHandshakes_{0};
  // Started once the certificate is loaded, so that its thread only reads a finished context.
  std::optional<LoopbackAcceptor> acceptor_;
};

}  // namespace kelbrin::test

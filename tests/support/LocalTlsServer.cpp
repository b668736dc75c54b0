#include "LocalTlsServer.h"

#include <fcntl.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace kelbrin::test {

struct LocalTlsServer::Context {
  SSL_CTX* ssl = nullptr;
  ~Context() { SSL_CTX_free(ssl); }
};

namespace {

struct SslDeleter {
  void operator()(SSL* ssl) const { SSL_free(ssl); }
};
using Connection = std::unique_ptr<SSL, SslDeleter>;

// Why a TLS call did not finish: the socket event to wait for, or 0 when the connection is over.
short PendingEvent(SSL* ssl, int result) {
  switch (SSL_get_error(ssl, result)) {
    case SSL_ERROR_WANT_READ:
      return POLLIN;
    case SSL_ERROR_WANT_WRITE:
      return POLLOUT;
    default:
      ERR_clear_error();  // a failed handshake or a peer that left: not this thread's business
      return 0;
  }
}

}  // namespace

LocalTlsServer::LocalTlsServer(const CertificateFiles& certificate, int originPort,
                               bool closeNotify)
    : context_(std::make_unique<Context>()), originPort_(originPort), closeNotify_(closeNotify) {
  context_->ssl = SSL_CTX_new(TLS_server_method());
  if (context_->ssl == nullptr ||
      SSL_CTX_use_certificate_chain_file(context_->ssl, certificate.certificate.c_str()) != 1 ||
      SSL_CTX_use_PrivateKey_file(context_->ssl, certificate.privateKey.c_str(),
                                  SSL_FILETYPE_PEM) != 1 ||
      SSL_CTX_check_private_key(context_->ssl) != 1) {
    ERR_clear_error();
    throw std::runtime_error("cannot load " + certificate.certificate.string());
  }
  acceptor_.emplace(stop_, [this](int fd) { serve(fd); });
}

LocalTlsServer::~LocalTlsServer() = default;

std::string LocalTlsServer::url(std::string_view host, std::string_view path) const {
  return "https://" + std::string(host) + ":" + std::to_string(port()) + std::string(path);
}

void LocalTlsServer::serve(int fd) {
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
  const Connection tls(SSL_new(context_->ssl));
  if (!tls || SSL_set_fd(tls.get(), fd) != 1) return;
  SSL* ssl = tls.get();

  // The server's side of the handshake ends only once the client has accepted the certificate.
  for (int result; (result = SSL_accept(ssl)) != 1;) {
    const short event = PendingEvent(ssl, result);
    if (event == 0 || stop_.WaitFor(fd, event, -1) != StopSignal::Wait::Ready) return;
  }
  ++handshakes_;
  if (SSL_session_reused(ssl) == 1) ++resumedHandshakes_;

  const int origin = ConnectToLoopback(originPort_);
  if (origin < 0) return;
  char buffer[16384];
  const auto sendToClient = [&](int size) {
    for (int result; (result = SSL_write(ssl, buffer, size)) <= 0;) {
      const short event = PendingEvent(ssl, result);
      if (event == 0 || stop_.WaitFor(fd, event, -1) != StopSignal::Wait::Ready) return false;
    }
    return true;
  };
  pollfd fds[2] = {{fd, POLLIN, 0}, {origin, POLLIN, 0}};
  for (bool open = true; open;) {
    // Bytes OpenSSL has already decrypted do not show on the socket: pass them on first.
    if (SSL_pending(ssl) > 0) {
      fds[0].revents = POLLIN;
      fds[1].revents = 0;
    } else if (stop_.WaitFor(fds, -1) != StopSignal::Wait::Ready) {
      break;
    }
    if (fds[0].revents != 0) {
      const int got = SSL_read(ssl, buffer, sizeof buffer);
      if (got > 0) {
        open = stop_.sendAll(origin, std::string_view(buffer, static_cast<std::size_t>(got)));
      } else {
        open = PendingEvent(ssl, got) != 0;  // waiting for the rest of a record is fine
      }
    }
    if (open && fds[1].revents != 0) {
      const ssize_t got = recv(origin, buffer, sizeof buffer, MSG_DONTWAIT);
      if (got > 0) {
        open = sendToClient(static_cast<int>(got));
      } else if (got == 0 || (errno != EAGAIN && errno != EINTR)) {
        if (closeNotify_)
          SSL_shutdown(ssl);  // the reply is complete: say so, as a web server would
        open = false;
      }
    }
  }
  close(origin);
}

}  // namespace kelbrin::test

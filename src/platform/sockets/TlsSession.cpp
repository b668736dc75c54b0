#include "platform/sockets/TlsSession.h"

#include <algorithm>
#include <climits>

#include "platform/sockets/OpenSslLibrary.h"
#include "platform/sockets/TlsClientContext.h"

namespace kelbrin::platform {

namespace {

// Bytes moved between OpenSSL's buffers and the stream at a time: one TLS record's payload.
constexpr std::size_t kChunk = 16384;

}  // namespace

struct TlsSession::Handles {
  explicit Handles(const OpenSslApi& library) : api(library) {}
  ~Handles() {
    if (ssl != nullptr) api.SSL_free(ssl);  // frees the two buffers too
  }
  Handles(const Handles&) = delete;
  Handles& operator=(const Handles&) = delete;

  const OpenSslApi& api;
  SSL* ssl = nullptr;
  BIO* incoming = nullptr;  // bytes from the peer, for OpenSSL to read
  BIO* outgoing = nullptr;  // bytes OpenSSL wrote for the peer
};

std::unique_ptr<TlsSession> TlsSession::Start(std::unique_ptr<ByteStream> transport,
                                              const std::string& host, int port, bool hostIsAddress,
                                              IoBounds& bounds) {
  const OpenSslApi* api = OpenSsl();
  if (api == nullptr) return nullptr;
  std::unique_ptr<TlsSession> session(new TlsSession(*api, std::move(transport),
                                                     std::make_unique<Handles>(*api),
                                                     host + " " + std::to_string(port)));
  if (!session->Configure(host, hostIsAddress) || !session->Handshake(bounds)) return nullptr;
  return session;
}

TlsSession::TlsSession(const OpenSslApi& api, std::unique_ptr<ByteStream> transport,
                       std::unique_ptr<Handles> handles, std::string peer)
    : api_(api),
      transport_(std::move(transport)),
      handles_(std::move(handles)),
      peer_(std::move(peer)) {}

TlsSession::~TlsSession() {
  // A failed handshake may have been a session the server no longer takes: the next one is full.
  if (!established_ || failed_) {
    ForgetSession(api_, peer_);
    return;
  }
  KeepSession(api_, peer_, handles_->ssl);
  api_.ERR_clear_error();
  api_.SSL_shutdown(handles_->ssl);
  // A few bytes into an idle connection: they go at once, or not at all.
  IoBounds briefly(std::chrono::steady_clock::now() + std::chrono::milliseconds(10), nullptr);
  Flush(briefly);
}

bool TlsSession::Configure(const std::string& host, bool hostIsAddress) {
  Handles& h = *handles_;
  h.ssl = NewClientSsl(api_, peer_);
  if (h.ssl == nullptr) return false;

  BIO* incoming = api_.BIO_new(api_.BIO_s_mem());
  BIO* outgoing = api_.BIO_new(api_.BIO_s_mem());
  if (incoming == nullptr || outgoing == nullptr) {
    if (incoming != nullptr) api_.BIO_free(incoming);
    if (outgoing != nullptr) api_.BIO_free(outgoing);
    return false;
  }
  // An empty buffer means "no bytes yet", not the end of the stream.
  api_.BIO_ctrl(incoming, BIO_C_SET_BUF_MEM_EOF_RETURN, -1, nullptr);
  api_.BIO_ctrl(outgoing, BIO_C_SET_BUF_MEM_EOF_RETURN, -1, nullptr);
  api_.SSL_set_bio(h.ssl, incoming, outgoing);
  h.incoming = incoming;
  h.outgoing = outgoing;

  if (hostIsAddress) {
    // No SNI for an address; the certificate must name it as an IP address.
    return api_.X509_VERIFY_PARAM_set1_ip_asc(api_.SSL_get0_param(h.ssl), host.c_str()) == 1;
  }
  // "example.com." is the same host, but neither SNI nor the certificate writes the dot.
  std::string name = host;
  if (name.size() > 1 && name.back() == '.') name.pop_back();
  return api_.SSL_ctrl(h.ssl, SSL_CTRL_SET_TLSEXT_HOSTNAME, TLSEXT_NAMETYPE_host_name,
                       name.data()) == 1 &&
         api_.SSL_set1_host(h.ssl, name.c_str()) == 1;
}

bool TlsSession::Handshake(IoBounds& bounds) {
  SSL* ssl = handles_->ssl;
  for (;;) {
    api_.ERR_clear_error();
    const int result = api_.SSL_connect(ssl);
    // Also after a failure: the server then hears why (an alert) before the connection closes.
    if (!Flush(bounds)) return false;
    if (result == 1) break;
    if (api_.SSL_get_error(ssl, result) != SSL_ERROR_WANT_READ) return false;
    const auto received = Fill(bounds);
    if (!received || *received == 0) return false;
  }
  // SSL_VERIFY_PEER has failed the handshake already on a bad chain or name; this also refuses a
  // server that sent no certificate at all.
  X509* certificate = api_.SSL_get1_peer_certificate(ssl);
  if (certificate == nullptr) return false;
  api_.X509_free(certificate);
  if (api_.SSL_get_verify_result(ssl) != X509_V_OK) return false;
  established_ = true;
  return true;
}

bool TlsSession::SendAll(std::string_view data, IoBounds& bounds) {
  const bool sent = SendRecords(data, bounds);
  if (!sent) failed_ = true;
  return sent;
}

bool TlsSession::SendRecords(std::string_view data, IoBounds& bounds) {
  SSL* ssl = handles_->ssl;
  while (!data.empty()) {
    api_.ERR_clear_error();
    const int written =
        api_.SSL_write(ssl, data.data(), static_cast<int>(std::min(data.size(), kChunk)));
    if (written > 0) {
      data.remove_prefix(static_cast<std::size_t>(written));
      if (!Flush(bounds)) return false;
      continue;
    }
    // The server renegotiates: its bytes have to come in before ours can go out.
    if (api_.SSL_get_error(ssl, written) != SSL_ERROR_WANT_READ || !Flush(bounds)) return false;
    const auto received = Fill(bounds);
    if (!received || *received == 0) return false;
  }
  return true;
}

std::optional<std::size_t> TlsSession::Receive(std::span<char> buffer, IoBounds& bounds) {
  const auto received = ReceiveRecords(buffer, bounds);
  if (!received) failed_ = true;
  return received;
}

std::optional<std::size_t> TlsSession::ReceiveRecords(std::span<char> buffer, IoBounds& bounds) {
  SSL* ssl = handles_->ssl;
  for (;;) {
    api_.ERR_clear_error();
    const int got = api_.SSL_read(ssl, buffer.data(),
                                  static_cast<int>(std::min<std::size_t>(buffer.size(), INT_MAX)));
    if (got > 0) return static_cast<std::size_t>(got);
    const int error = api_.SSL_get_error(ssl, got);
    if (error == SSL_ERROR_ZERO_RETURN) return 0;
    if (error != SSL_ERROR_WANT_READ || !Flush(bounds)) return std::nullopt;
    // A connection that ends without close_notify may have been cut by anyone on the path:
    // only the server's own end of the stream is an end.
    const auto received = Fill(bounds);
    if (!received || *received == 0) return std::nullopt;
  }
}

bool TlsSession::Flush(IoBounds& bounds) {
  char buffer[kChunk];
  for (;;) {
    const long pending = api_.BIO_ctrl(handles_->outgoing, BIO_CTRL_PENDING, 0, nullptr);
    if (pending <= 0) return true;
    const int got = api_.BIO_read(handles_->outgoing, buffer,
                                  static_cast<int>(std::min<long>(pending, sizeof buffer)));
    if (got <= 0) return false;
    if (!transport_->SendAll(std::string_view(buffer, static_cast<std::size_t>(got)), bounds)) {
      return false;
    }
  }
}

std::optional<std::size_t> TlsSession::Fill(IoBounds& bounds) {
  char buffer[kChunk];
  const auto received = transport_->Receive(buffer, bounds);
  if (!received || *received == 0) return received;
  const int size = static_cast<int>(*received);
  if (api_.BIO_write(handles_->incoming, buffer, size) != size) return std::nullopt;
  return received;
}

}  // namespace kelbrin::platform

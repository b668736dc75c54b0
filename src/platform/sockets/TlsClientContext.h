#pragma once

#include <openssl/ssl.h>

#include <string>

namespace kelbrin::platform {

struct OpenSslApi;

// A new client connection object from the process's one TLS client context: TLS 1.2 or later,
// peers verified against the system's trust store. Loading that store costs far more CPU than a
// handshake, so it is loaded once and kept; the context is built again only when SSL_CERT_FILE
// or SSL_CERT_DIR name another store than the one loaded. Safe from any thread; nullptr when
// OpenSSL fails. The SSL object holds its own reference to the context.
//
// The connection offers the last session kept for `peer` (host and port), so that a server that
// still holds it resumes it and the handshake skips the certificate chain and its checks, which
// cost most of a full handshake. Only a server holding the session's secret can resume it, and
// the session was made with a server that passed those checks; a store changed in between drops
// every session kept. Resumption in TLS 1.3 still agrees on a fresh key (forward secrecy).
SSL* NewClientSsl(const OpenSslApi& api, const std::string& peer);

// After a connection to `peer` that ended cleanly: keeps its session for the next connection if
// the server allows resuming it. Otherwise, and after any failure, ForgetSession.
void KeepSession(const OpenSslApi& api, const std::string& peer, SSL* ssl);
void ForgetSession(const OpenSslApi& api, const std::string& peer);

}  // namespace kelbrin::platform

#pragma once

#include <openssl/ssl.h>

namespace kelbrin::platform {

struct OpenSslApi;

// A new client connection object from the process's one TLS client context: TLS 1.2 or later,
// peers verified against the system's trust store. Loading that store costs far more CPU than a
// handshake, so it is loaded once and kept; the context is built again only when SSL_CERT_FILE
// or SSL_CERT_DIR name another store than the one loaded. Safe from any thread; nullptr when
// OpenSSL fails. The SSL object holds its own reference to the context.
SSL* NewClientSsl(const OpenSslApi& api);

}  // namespace kelbrin::platform

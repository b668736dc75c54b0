#pragma once

// OpenSSL's headers give the types and constants only: the program does not link the library.
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>

#include <memory>
#include <string>

#include "platform/process/RuntimeLibrary.h"

namespace kelbrin::platform {

// The OpenSSL functions the TLS session calls.
#define KELBRIN_OPENSSL_FUNCTIONS(X)  \
  X(OPENSSL_init_ssl)                 \
  X(TLS_client_method)                \
  X(SSL_CTX_new)                      \
  X(SSL_CTX_free)                     \
  X(SSL_CTX_ctrl)                     \
  X(SSL_CTX_set_default_verify_paths) \
  X(SSL_CTX_load_verify_locations)    \
  X(X509_get_default_cert_dir)        \
  X(SSL_CTX_set_verify)               \
  X(SSL_new)                          \
  X(SSL_free)                         \
  X(SSL_set_bio)                      \
  X(SSL_ctrl)                         \
  X(SSL_set1_host)                    \
  X(SSL_get0_param)                   \
  X(SSL_connect)                      \
  X(SSL_read)                         \
  X(SSL_write)                        \
  X(SSL_shutdown)                     \
  X(SSL_get_error)                    \
  X(SSL_get_verify_result)            \
  X(SSL_get1_peer_certificate)        \
  X(SSL_get_SSL_CTX)                  \
  X(SSL_set_session)                  \
  X(SSL_get1_session)                 \
  X(SSL_SESSION_is_resumable)         \
  X(SSL_SESSION_free)                 \
  X(X509_free)                        \
  X(X509_VERIFY_PARAM_set1_ip_asc)    \
  X(BIO_new)                          \
  X(BIO_s_mem)                        \
  X(BIO_read)                         \
  X(BIO_write)                        \
  X(BIO_ctrl)                         \
  X(BIO_free)                         \
  X(ERR_clear_error)

// Pointers to those functions in the process's libssl.so.3 (and the libcrypto it brings along).
struct OpenSslApi {
  KELBRIN_OPENSSL_FUNCTIONS(KELBRIN_RUNTIME_POINTER)
};

inline constexpr const char* kOpenSslName = "libssl.so.3";

// What loading a TLS library came to: its functions, or nullptr and why not, naming
// the library and, from dlerror(), what is missing.
struct OpenSslLoad {
  std::unique_ptr<const OpenSslApi> api;
  std::string error;
};
OpenSslLoad LoadOpenSsl(const char* soname);

// kOpenSslName, loaded by the first call (thread-safe) and kept for the life of the process,
// initialised without the error texts (nothing here shows them; they cost resident memory);
// nullptr when it or one of the functions is missing, which the first call writes to standard
// error (the journal, for the service) once. Only an https exchange calls this, so a client that
// speaks plain http never maps OpenSSL at all.
const OpenSslApi* OpenSsl();

}  // namespace kelbrin::platform

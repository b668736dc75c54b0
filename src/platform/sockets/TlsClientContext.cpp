#include "platform/sockets/TlsClientContext.h"

#include <cstdlib>
#include <mutex>
#include <optional>
#include <string>

#include "platform/sockets/OpenSslLibrary.h"

namespace kelbrin::platform {

namespace {

std::optional<std::string> Variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
}

// Where the trust store comes from, besides the system's defaults.
struct StoreSource {
  std::optional<std::string> file = Variable("SSL_CERT_FILE");
  std::optional<std::string> directory = Variable("SSL_CERT_DIR");
  bool operator==(const StoreSource&) const = default;
};

SSL_CTX* NewContext(const OpenSslApi& api) {
  SSL_CTX* context = api.SSL_CTX_new(api.TLS_client_method());
  if (context == nullptr) return nullptr;
  if (api.SSL_CTX_ctrl(context, SSL_CTRL_SET_MIN_PROTO_VERSION, TLS1_2_VERSION, nullptr) != 1) {
    api.SSL_CTX_free(context);
    return nullptr;
  }
  // Without a trust store nothing verifies, and every handshake fails.
  api.SSL_CTX_set_default_verify_paths(context);
  api.SSL_CTX_set_verify(context, SSL_VERIFY_PEER, nullptr);
  return context;
}

}  // namespace

SSL* NewClientSsl(const OpenSslApi& api) {
  // Never destroyed: an exchange on another thread may still start at exit.
  static std::mutex* const lock = new std::mutex;
  static SSL_CTX* context = nullptr;
  static StoreSource loaded;

  const std::lock_guard guard(*lock);
  api.ERR_clear_error();
  const StoreSource wanted;
  if (context == nullptr || !(wanted == loaded)) {
    SSL_CTX* fresh = NewContext(api);
    if (fresh == nullptr) return nullptr;
    // Sessions still open keep the old context alive through their own reference.
    if (context != nullptr) api.SSL_CTX_free(context);
    context = fresh;
    loaded = wanted;
  }
  return api.SSL_new(context);
}

}  // namespace kelbrin::platform

#include "platform/sockets/TlsClientContext.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "platform/sockets/OpenSslLibrary.h"

namespace kelbrin::platform {

namespace {

// The client talks to its service and perhaps a proxy's far end or two; a bound all the same.
constexpr std::size_t kMaxPeersKept = 8;

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

// Whether `folder` holds certificates named by the hash of their subject ("1a2b3c4d.0"), as
// c_rehash and update-ca-certificates leave them, so that OpenSSL can read one when a chain
// needs it.
bool IsHashedFolder(const std::string& folder) {
  std::error_code error;
  for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
       entry.increment(error)) {
    const std::string name = entry->path().filename().string();
    if (name.size() == 10 && name.compare(8, 2, ".0") == 0 &&
        std::all_of(name.begin(), name.begin() + 8,
                    [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }))
      return true;
  }
  return false;
}

// The trust store as OpenSSL's defaults name it (SSL_CERT_FILE, else the system's bundle; and
// SSL_CERT_DIR, else the system's folder), with one saving: where the system's folder is hashed,
// it holds the same certificates as the system's bundle beside it (update-ca-certificates and
// c_rehash write both), so the folder is looked up by hash when a chain needs a certificate
// instead of the whole bundle being parsed and kept in memory (over a megabyte for the usual
// hundred and fifty authorities).
void LoadTrustStore(const OpenSslApi& api, SSL_CTX* context, const StoreSource& source) {
  const std::string systemFolder = api.X509_get_default_cert_dir();
  if (source.file || !IsHashedFolder(systemFolder)) {
    api.SSL_CTX_set_default_verify_paths(context);
    return;
  }
  const std::string folders =
      source.directory && *source.directory != systemFolder
          ? *source.directory + ":" + systemFolder  // OpenSSL reads a list separated by ':'
          : systemFolder;
  api.SSL_CTX_load_verify_locations(context, nullptr, folders.c_str());
}

SSL_CTX* NewContext(const OpenSslApi& api, const StoreSource& source) {
  SSL_CTX* context = api.SSL_CTX_new(api.TLS_client_method());
  if (context == nullptr) return nullptr;
  if (api.SSL_CTX_ctrl(context, SSL_CTRL_SET_MIN_PROTO_VERSION, TLS1_2_VERSION, nullptr) != 1) {
    api.SSL_CTX_free(context);
    return nullptr;
  }
  // Without a trust store nothing verifies, and every handshake fails.
  LoadTrustStore(api, context, source);
  api.SSL_CTX_set_verify(context, SSL_VERIFY_PEER, nullptr);
  return context;
}

// The process's context and the sessions made with it, guarded by `lock`.
struct ClientContext {
  std::mutex lock;
  SSL_CTX* context = nullptr;
  StoreSource loaded;
  std::map<std::string, SSL_SESSION*> sessions;

  void Forget(const OpenSslApi& api, const std::string& peer) {
    const auto kept = sessions.find(peer);
    if (kept == sessions.end()) return;
    api.SSL_SESSION_free(kept->second);
    sessions.erase(kept);
  }

  void ForgetAll(const OpenSslApi& api) {
    for (const auto& [peer, session] : sessions) api.SSL_SESSION_free(session);
    sessions.clear();
  }
};

// Never destroyed: an exchange on another thread may still start at exit.
ClientContext& Shared() {
  static ClientContext* const shared = new ClientContext;
  return *shared;
}

}  // namespace

SSL* NewClientSsl(const OpenSslApi& api, const std::string& peer) {
  ClientContext& shared = Shared();
  const std::lock_guard guard(shared.lock);
  api.ERR_clear_error();
  const StoreSource wanted;
  if (shared.context == nullptr || !(wanted == shared.loaded)) {
    SSL_CTX* fresh = NewContext(api, wanted);
    if (fresh == nullptr) return nullptr;
    // Sessions still open keep the old context alive through their own reference. Sessions kept
    // were verified against the old store, so none of them may stand in for the new one's check.
    if (shared.context != nullptr) api.SSL_CTX_free(shared.context);
    shared.ForgetAll(api);
    shared.context = fresh;
    shared.loaded = wanted;
  }
  SSL* ssl = api.SSL_new(shared.context);
  if (ssl == nullptr) return nullptr;
  const auto kept = shared.sessions.find(peer);
  // Offered once: TLS 1.3 sessions are for one use, the server hands out a new one each time.
  if (kept != shared.sessions.end() && api.SSL_set_session(ssl, kept->second) != 1) {
    api.SSL_free(ssl);
    return nullptr;
  }
  return ssl;
}

void KeepSession(const OpenSslApi& api, const std::string& peer, SSL* ssl) {
  ClientContext& shared = Shared();
  const std::lock_guard guard(shared.lock);
  shared.Forget(api, peer);
  // A connection made with a context replaced meanwhile must not seed the new one.
  if (api.SSL_get_SSL_CTX(ssl) != shared.context) return;
  SSL_SESSION* session = api.SSL_get1_session(ssl);
  if (session == nullptr) return;
  if (api.SSL_SESSION_is_resumable(session) != 1) {
    api.SSL_SESSION_free(session);
    return;
  }
  if (shared.sessions.size() >= kMaxPeersKept) shared.ForgetAll(api);
  shared.sessions.emplace(peer, session);
}

void ForgetSession(const OpenSslApi& api, const std::string& peer) {
  ClientContext& shared = Shared();
  const std::lock_guard guard(shared.lock);
  shared.Forget(api, peer);
}

}  // namespace kelbrin::platform

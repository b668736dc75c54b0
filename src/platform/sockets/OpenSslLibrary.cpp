#include "platform/sockets/OpenSslLibrary.h"

#include <dlfcn.h>

#include <memory>

namespace kelbrin::platform {

namespace {

std::unique_ptr<const OpenSslApi> Load() {
  void* library = ::dlopen("libssl.so.3", RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) return nullptr;
  auto api = std::make_unique<OpenSslApi>();
  // Looked up through libssl's handle, which also finds the libcrypto functions it depends on.
#define KELBRIN_OPENSSL_LOAD(name)                                            \
  api->name = reinterpret_cast<decltype(api->name)>(::dlsym(library, #name)); \
  if (api->name == nullptr) return nullptr;
  KELBRIN_OPENSSL_FUNCTIONS(KELBRIN_OPENSSL_LOAD)
#undef KELBRIN_OPENSSL_LOAD
  // The library stays loaded, also when a function is missing: unloading OpenSSL is not safe
  // once it has started, and a second attempt would find the same library.
  return api;
}

}  // namespace

const OpenSslApi* OpenSsl() {
  // Never destroyed, like the library: an exchange on another thread may still use it at exit.
  static const OpenSslApi* const api = Load().release();
  return api;
}

}  // namespace kelbrin::platform

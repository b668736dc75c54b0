#include "platform/sockets/OpenSslLibrary.h"

#include <memory>

namespace kelbrin::platform {

namespace {

std::unique_ptr<const OpenSslApi> Load() {
  // Looked up through libssl's handle, which also finds the libcrypto functions it depends on.
  void* library = OpenRuntimeLibrary("libssl.so.3");
  auto api = std::make_unique<OpenSslApi>();
  if (library == nullptr || !(true KELBRIN_OPENSSL_FUNCTIONS(KELBRIN_RUNTIME_LOOKUP))) {
    return nullptr;
  }
  return api;
}

}  // namespace

const OpenSslApi* OpenSsl() {
  // Never destroyed, like the library: an exchange on another thread may still use it at exit.
  static const OpenSslApi* const api = Load().release();
  return api;
}

}  // namespace kelbrin::platform

#include "platform/sockets/OpenSslLibrary.h"

#include <dlfcn.h>

#include <iostream>
#include <memory>

namespace kelbrin::platform {

namespace {

std::string DlError() {
  const char* text = ::dlerror();
  return text != nullptr ? text : "unknown error";
}

}  // namespace

OpenSslLoad LoadOpenSsl(const char* soname) {
  ::dlerror();  // forget an earlier failure of another caller
  void* library = OpenRuntimeLibrary(soname);
  if (library == nullptr) return {nullptr, std::string(soname) + " cannot be loaded: " + DlError()};
  auto api = std::make_unique<OpenSslApi>();
  // Looked up through libssl's handle, which also finds the libcrypto functions it depends on.
#define KELBRIN_OPENSSL_LOAD(name)                                                         \
  api->name = reinterpret_cast<decltype(api->name)>(::dlsym(library, #name));              \
  if (api->name == nullptr) {                                                              \
    return {nullptr, std::string(soname) + " lacks the function " #name ": " + DlError()}; \
  }
  KELBRIN_OPENSSL_FUNCTIONS(KELBRIN_OPENSSL_LOAD)
#undef KELBRIN_OPENSSL_LOAD
  // The library stays loaded, also when a function is missing: unloading OpenSSL is not safe
  // once it has started, and a second attempt would find the same library.
  return {std::move(api), {}};
}

const OpenSslApi* OpenSsl() {
  // Never destroyed, like the library: an exchange on another thread may still use it at exit.
  static const OpenSslApi* const api = [] {
    OpenSslLoad load = LoadOpenSsl(kOpenSslName);
    // Once for the process: every https exchange fails the same way from here on.
    if (load.api == nullptr) {
      std::cerr << "kelbrin-client: https is unavailable: " << load.error << '\n';
    } else {
      // Before any other call, which would start the library with its defaults. The
      // configuration file is still read: it may carry the system's TLS policy.
      load.api->OPENSSL_init_ssl(
          OPENSSL_INIT_NO_LOAD_SSL_STRINGS | OPENSSL_INIT_NO_LOAD_CRYPTO_STRINGS, nullptr);
    }
    return load.api.release();
  }();
  return api;
}

}  // namespace kelbrin::platform

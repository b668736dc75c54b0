#include "platform/machine/AlsaLibrary.h"

#include <dlfcn.h>

#include <memory>

namespace kelbrin::platform {

namespace {

void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

std::unique_ptr<const AlsaApi> Load() {
  void* library = ::dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) return nullptr;
  auto api = std::make_unique<AlsaApi>();
#define KELBRIN_ALSA_LOAD(name)                                               \
  api->name = reinterpret_cast<decltype(api->name)>(::dlsym(library, #name)); \
  if (api->name == nullptr) return nullptr;
  KELBRIN_ALSA_FUNCTIONS(KELBRIN_ALSA_LOAD)
#undef KELBRIN_ALSA_LOAD
  // ALSA reports a missing card on stderr; a machine without sound is normal here.
  api->snd_lib_error_set_handler(IgnoreAlsaError);
  return api;
}

}  // namespace

const AlsaApi* Alsa() {
  // Never destroyed, like the library: a beep worker may still play at exit.
  static const AlsaApi* const api = Load().release();
  return api;
}

}  // namespace kelbrin::platform

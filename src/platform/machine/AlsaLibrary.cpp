#include "platform/machine/AlsaLibrary.h"

#include <memory>

namespace kelbrin::platform {

namespace {

void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

std::unique_ptr<const AlsaApi> Load() {
  void* library = OpenRuntimeLibrary("libasound.so.2");
  auto api = std::make_unique<AlsaApi>();
  if (library == nullptr || !(true KELBRIN_ALSA_FUNCTIONS(KELBRIN_RUNTIME_LOOKUP))) return nullptr;
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

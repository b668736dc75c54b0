#pragma once

// ALSA's header gives the types and constants only: the program does not link the library, so a
// server without sound installs and runs without it.
#include <alsa/asoundlib.h>

#include "platform/process/RuntimeLibrary.h"

namespace kelbrin::platform {

// The ALSA functions the tone output calls.
#define KELBRIN_ALSA_FUNCTIONS(X) \
  X(snd_lib_error_set_handler)    \
  X(snd_pcm_open)                 \
  X(snd_pcm_open_lconf)           \
  X(snd_pcm_set_params)           \
  X(snd_pcm_writei)               \
  X(snd_pcm_recover)              \
  X(snd_pcm_drain)                \
  X(snd_pcm_close)                \
  X(snd_config_top)               \
  X(snd_config_load)              \
  X(snd_config_delete)            \
  X(snd_input_buffer_open)        \
  X(snd_input_close)

// Pointers to those functions in the process's libasound.so.2.
struct AlsaApi {
  KELBRIN_ALSA_FUNCTIONS(KELBRIN_RUNTIME_POINTER)
};

// The library, loaded with dlopen by the first call (thread-safe) and kept for the life of the
// process; nullptr when it or one of the functions is missing, and a tone is then silence.
const AlsaApi* Alsa();

}  // namespace kelbrin::platform

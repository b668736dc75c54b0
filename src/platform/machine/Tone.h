#pragma once

#include <string>

namespace kelbrin::platform {

// Where a tone goes: an ALSA PCM by name. With `alsaConfig` set, the name is looked up in that
// configuration text alone instead of the system's (tests use it to define a file sink).
struct ToneDevice {
  std::string pcmName = "default";
  std::string alsaConfig;
};

// Tones are signed 16-bit mono samples at this rate.
inline constexpr unsigned kToneSampleRate = 48000;

// Plays a sine tone of `frequencyHz` for `durationMs` and returns when it has finished. The call
// always lasts about its duration: where ALSA is not installed or no sound device can be opened (a
// server, a container) or the output fails, it sleeps out the rest of the duration on the real
// clock, so a beep pattern keeps its timing everywhere. Blocks the calling thread; use it from a
// worker, never the UI thread.
void PlayTone(unsigned frequencyHz, unsigned durationMs, const ToneDevice& device = {});

}  // namespace kelbrin::platform

#include "platform/machine/Tone.h"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <thread>
#include <vector>

#include "platform/machine/AlsaLibrary.h"

namespace kelbrin::platform {

namespace {

constexpr double kAmplitude = 0.5 * 32767.0;
constexpr unsigned kFadeMs = 5;          // ramps against clicks at both ends
constexpr unsigned kLatencyUs = 100000;  // ALSA buffer latency asked for
constexpr std::size_t kFramesPerWrite = 1024;

std::vector<std::int16_t> SineSamples(unsigned frequencyHz, unsigned durationMs) {
  const std::size_t frames = std::size_t{kToneSampleRate} * durationMs / 1000;
  const std::size_t fadeFrames =
      std::min(std::size_t{kToneSampleRate} * kFadeMs / 1000, frames / 2);
  std::vector<std::int16_t> samples(frames);
  const double step = 2.0 * std::numbers::pi * frequencyHz / kToneSampleRate;
  for (std::size_t i = 0; i < frames; ++i) {
    double gain = 1.0;
    const std::size_t edge = std::min(i, frames - 1 - i);
    if (edge < fadeFrames) gain = static_cast<double>(edge) / static_cast<double>(fadeFrames);
    samples[i] = static_cast<std::int16_t>(
        std::lround(kAmplitude * gain * std::sin(step * static_cast<double>(i))));
  }
  return samples;
}

snd_pcm_t* OpenPcm(const AlsaApi& alsa, const ToneDevice& device) {
  snd_pcm_t* pcm = nullptr;
  if (device.alsaConfig.empty()) {
    if (alsa.snd_pcm_open(&pcm, device.pcmName.c_str(), SND_PCM_STREAM_PLAYBACK, 0) < 0)
      return nullptr;
    return pcm;
  }
  snd_config_t* config = nullptr;
  snd_input_t* input = nullptr;
  if (alsa.snd_config_top(&config) < 0) return nullptr;
  int rc = alsa.snd_input_buffer_open(&input, device.alsaConfig.data(),
                                      static_cast<ssize_t>(device.alsaConfig.size()));
  if (rc >= 0) {
    rc = alsa.snd_config_load(config, input);
    alsa.snd_input_close(input);
  }
  if (rc >= 0)
    rc = alsa.snd_pcm_open_lconf(&pcm, device.pcmName.c_str(), SND_PCM_STREAM_PLAYBACK, 0, config);
  alsa.snd_config_delete(config);
  return rc >= 0 ? pcm : nullptr;
}

// Writes all samples and waits until they have been played; false on any failure.
bool play(const AlsaApi& alsa, snd_pcm_t* pcm, const std::vector<std::int16_t>& samples) {
  if (alsa.snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, 1,
                              kToneSampleRate, 1, kLatencyUs) < 0) {
    return false;
  }
  std::size_t done = 0;
  while (done < samples.size()) {
    const std::size_t chunk = std::min(kFramesPerWrite, samples.size() - done);
    snd_pcm_sframes_t written = alsa.snd_pcm_writei(pcm, samples.data() + done, chunk);
    if (written < 0) written = alsa.snd_pcm_recover(pcm, static_cast<int>(written), 1);
    if (written < 0) return false;
    done += static_cast<std::size_t>(written);
  }
  return alsa.snd_pcm_drain(pcm) >= 0;
}

}  // namespace

void PlayTone(unsigned frequencyHz, unsigned durationMs, const ToneDevice& device) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(durationMs);
  const AlsaApi* alsa = Alsa();
  if (snd_pcm_t* pcm = alsa ? OpenPcm(*alsa, device) : nullptr) {
    play(*alsa, pcm, SineSamples(frequencyHz, durationMs));
    alsa->snd_pcm_close(pcm);
  }
  // A tone lasts its duration also when the device is missing, fails or consumes instantly
  // (a null or file sink). This is the platform layer's one plain sleep: it stands for the
  // device's own playback time, so there is nothing to interrupt it for.
  std::this_thread::sleep_until(end);
}

}  // namespace kelbrin::platform

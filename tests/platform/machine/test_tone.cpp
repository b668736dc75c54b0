#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <string>

#include "TempDir.h"
#include "platform/machine/Tone.h"

namespace kelbrin::platform {
namespace {

struct ToneCase {
  unsigned frequencyHz;
  unsigned durationMs;
};

// An ALSA configuration of its own that sends the samples to a raw file and nowhere else.
ToneDevice fileSink(const std::filesystem::path& file) {
  return {"kelbrintest", "pcm.kelbrintest { type file slave.pcm { type null } file \"" +
                             file.string() + "\" format raw }"};
}

std::string run(const std::string& command) {
  std::string out;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) return out;
  char buffer[256];
  while (fgets(buffer, sizeof buffer, pipe.get())) out += buffer;
  return out;
}

// A number that sox's "stat" effect reports under `label`, or -1.
double soxStat(const std::string& report, const std::string& label) {
  std::smatch match;
  if (!std::regex_search(report, match, std::regex(label + R"(:\s+(-?[0-9.]+))"))) return -1;
  return std::stod(match[1]);
}

// The three tones of one repetition of the reminder beep.
class ToneToFile : public ::testing::TestWithParam<ToneCase> {};

TEST_P(ToneToFile, WritesASineOfTheFrequencyForTheDuration) {
  const ToneCase tone = GetParam();
  test::TempDir dir;
  const auto raw = dir / "tone.raw";
  PlayTone(tone.frequencyHz, tone.durationMs, fileSink(raw));

  ASSERT_TRUE(std::filesystem::exists(raw));
  EXPECT_EQ(std::filesystem::file_size(raw),
            std::uintmax_t{kToneSampleRate} * tone.durationMs / 1000 * sizeof(std::int16_t));

  const std::string report = run("sox -t raw -r " + std::to_string(kToneSampleRate) +
                                 " -e signed -b 16 -c 1 '" + raw.string() + "' -n stat 2>&1");
  const double seconds = soxStat(report, "Length \\(seconds\\)");
  const double frequency = soxStat(report, "Rough\\s+frequency");
  const double amplitude = soxStat(report, "Maximum amplitude");
  ASSERT_GT(frequency, 0) << report;
  EXPECT_NEAR(seconds, tone.durationMs / 1000.0, 0.001);
  EXPECT_NEAR(frequency, tone.frequencyHz, tone.frequencyHz * 0.02);
  EXPECT_GT(amplitude, 0.3);  // audible, not silence
  EXPECT_LT(amplitude, 1.0);  // and not clipped
}

INSTANTIATE_TEST_SUITE_P(BeepPattern, ToneToFile,
                         ::testing::Values(ToneCase{800, 500}, ToneCase{800, 200},
                                           ToneCase{1000, 300}),
                         [](const ::testing::TestParamInfo<ToneCase>& tone) {
                           return std::to_string(tone.param.frequencyHz) + "Hz" +
                                  std::to_string(tone.param.durationMs) + "ms";
                         });

}  // namespace
}  // namespace kelbrin::platform

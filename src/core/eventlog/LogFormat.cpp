#include "eventlog/LogFormat.h"

#include <time.h>

#include <array>
#include <cstdio>

#include "eventlog/LineText.h"
#include "runtime/Translate.h"

namespace kelbrin::eventlog {

namespace {

std::tm LocalTime(std::chrono::system_clock::time_point time) {
  const std::time_t seconds =
      std::chrono::system_clock::to_time_t(std::chrono::floor<std::chrono::seconds>(time));
  std::tm local{};
  localtime_r(&seconds, &local);
  return local;
}

// Removes blanks and control characters at both ends, as the saved log wants them.
std::string_view Trimmed(std::string_view text) {
  const auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

std::string_view LogKindName(std::uint8_t kind) {
  switch (kind) {
    case kLogTip:
      return runtime::Translatable("Tip");
    case kLogWarning:
      return runtime::Translatable("Warning");
    case kLogError:
      return runtime::Translatable("Error");
    default:
      return runtime::Translatable("Others ");
  }
}

std::string FormatLogTime(std::chrono::system_clock::time_point time) {
  const std::tm t = LocalTime(time);
  std::array<char, 32> buffer{};
  std::snprintf(buffer.data(), buffer.size(), "%02d-%02d-%02d %02d:%02d:%02d",
                (t.tm_year + 1900) % 100, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
  return buffer.data();
}

std::string FormatLogLine(const TLogRec& entry) {
  constexpr std::string_view kGap = "      ";
  std::string line(Trimmed(runtime::Translate(LogKindName(entry.kind))));
  line += kGap;
  line += Trimmed(FormatLogTime(entry.time));
  line += kGap;
  line += EscapeControls(Trimmed(runtime::Translate(entry.text)));
  return line;
}

std::string LogFileName(std::chrono::system_clock::time_point time) {
  const std::tm t = LocalTime(time);
  std::array<char, 48> buffer{};
  std::snprintf(buffer.data(), buffer.size(), "DOZOVad%04d%02d%02d%02d%02d", t.tm_year + 1900,
                t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min);
  return buffer.data();
}

}  // namespace kelbrin::eventlog

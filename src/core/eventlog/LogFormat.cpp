#include "eventlog/LogFormat.h"

#include <time.h>

#include <array>
#include <cstdio>

#include "eventlog/LineText.h"
#include "platform/files/TextTrim.h"
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
  std::string line(platform::TrimmedWhere(runtime::Translate(LogKindName(entry.kind)), platform::IsControlOrSpace));
  line += kGap;
  line += platform::TrimmedWhere(FormatLogTime(entry.time), platform::IsControlOrSpace);
  line += kGap;
  line += EscapeControls(platform::TrimmedWhere(runtime::Translate(entry.text), platform::IsControlOrSpace));
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

// Any byte string: DateFromYmd either gives a valid date whose yyyymmdd form is the input, or
// throws std::invalid_argument; nothing else.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string_view>

#include "protocol/Utilities.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    const std::chrono::year_month_day date = kelbrin::protocol::DateFromYmd(text);
    char written[16];
    std::snprintf(written, sizeof written, "%04d%02u%02u", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
    if (!date.ok() || text != written) std::abort();
  } catch (const std::invalid_argument&) {
  }
  return 0;
}

// Any byte string: IsWellFormedXml answers without crashing, and what it accepts a second,
// fresh check accepts too.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "protocol/Utilities.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (kelbrin::protocol::IsWellFormedXml(text) != kelbrin::protocol::IsWellFormedXml(text)) {
    std::abort();
  }
  return 0;
}

// Random records through the settings format: every record the store may hold comes back from
// Encode and Decode exactly as it went in, and any text at all decodes to values that survive a
// second round trip unchanged.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/files/KeyValueFormat.h"

namespace {

using kelbrin::platform::KeyValues;
namespace format = kelbrin::platform::key_value_format;

constexpr char kNameCharacters[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_";

std::string RandomName(FuzzedDataProvider& input) {
  const std::size_t length = input.ConsumeIntegralInRange<std::size_t>(1, 64);
  std::string name;
  for (std::size_t i = 0; i < length; ++i) {
    name += kNameCharacters[input.ConsumeIntegralInRange<std::size_t>(
        0, sizeof kNameCharacters - 2)];
  }
  return name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  if (input.ConsumeBool()) {
    KeyValues record;
    const int count = input.ConsumeIntegralInRange<int>(0, 12);
    for (int i = 0; i < count; ++i) {
      std::string name = RandomName(input);
      record[name] = input.ConsumeRandomLengthString(4000);
    }
    for (const auto& [name, value] : record) {
      if (!format::IsValidName(name)) std::abort();
    }
    if (format::Decode(format::Encode(record)) != record) std::abort();
  } else {
    const std::string text = input.ConsumeRemainingBytesAsString();
    const KeyValues decoded = format::Decode(text);
    for (const auto& [name, value] : decoded) {
      if (!format::IsValidName(name)) std::abort();
    }
    if (format::Decode(format::Encode(decoded)) != decoded) std::abort();
  }
  return 0;
}

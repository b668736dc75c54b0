#include "platform/bus/BusValue.h"

namespace kelbrin::platform {

char BusTypeOf(const BusValue& value) {
  static constexpr char kTypes[] = {'b', 'u', 't', 's'};
  static_assert(std::variant_size_v<BusValue> == sizeof kTypes);
  return kTypes[value.index()];
}

}  // namespace kelbrin::platform

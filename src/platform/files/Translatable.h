#pragma once

namespace kelbrin::platform {

// Marks an English text of this layer that a person reads, for the program's catalog. This layer
// never translates: the layer above translates the text where it shows it.
constexpr const char* Translatable(const char* english) { return english; }

}  // namespace kelbrin::platform

#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string_view>

#include "platform/sockets/IoBounds.h"

namespace kelbrin::platform {

// A connected stream of bytes: a TCP connection or a TLS session over one. Each call waits within
// `bounds` and reports progress to it.
class ByteStream {
 public:
  virtual ~ByteStream() = default;

  // Sends all of `data`; false when the connection fails, times out or the exchange is aborted.
  virtual bool SendAll(std::string_view data, IoBounds& bounds) = 0;

  // Waits for bytes and receives up to `buffer.size()` of them: how many, 0 at the end of the
  // stream, nothing on a failure, time-out or abort.
  virtual std::optional<std::size_t> Receive(std::span<char> buffer, IoBounds& bounds) = 0;
};

}  // namespace kelbrin::platform

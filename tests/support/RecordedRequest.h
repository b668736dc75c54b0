#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kelbrin::test {

// An HTTP request as a test server received it.
struct RecordedRequest {
  std::string requestLine;                                   // e.g. "POST /x HTTP/1.1"
  std::vector<std::pair<std::string, std::string>> headers;  // name, value; as received
  std::string body;
  // The request line and header lines byte for byte, through the blank line that ends them (kept
  // by LocalHttpServer).
  std::string head;

  // The first header of that name (any case), or nothing.
  std::optional<std::string> header(std::string_view name) const;
};

// The request line and header lines of `head`, which ends before the blank line.
RecordedRequest ParseRequestHead(std::string_view head);

}  // namespace kelbrin::test

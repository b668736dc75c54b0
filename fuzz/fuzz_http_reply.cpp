// Feeds arbitrary bytes to the HTTP reply reader as a connection would. The first byte picks the
// options, the piece size the bytes arrive in, and whether the connection ends after them. Beyond
// memory safety it checks that the outcome (state, status, body, where the reply ended) does not
// depend on how the bytes were cut into pieces, that the body stays within its cap, and that a
// finished reply takes no more bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "protocol/HttpReplyReader.h"

namespace {

using kelbrin::protocol::HttpReplyReader;

struct Outcome {
  HttpReplyReader::State state;
  int status;
  std::string body;
  std::size_t used;
  bool operator==(const Outcome&) const = default;
};

Outcome Read(const HttpReplyReader::Options& options, std::string_view bytes, std::size_t pieceSize,
             bool ends) {
  HttpReplyReader reader(options);
  std::size_t used = 0;
  for (std::size_t at = 0; at < bytes.size(); at += pieceSize) {
    const std::string_view piece = bytes.substr(at, pieceSize);
    const bool finished = reader.state() != HttpReplyReader::State::Reading;
    const std::size_t took = reader.Feed(piece);
    if (took > piece.size() || (finished && took != 0)) std::abort();
    used += took;
  }
  if (ends) reader.EndOfStream();
  if (reader.Body().size() > options.bodyCap) std::abort();
  // Where a failed reply stopped taking bytes depends on the pieces; where a reply ends does not.
  if (reader.state() == HttpReplyReader::State::Failed) used = 0;
  return {reader.state(), reader.Status(), reader.Body(), used};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t control = data[0];
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);

  HttpReplyReader::Options options;
  switch (control & 3) {
    case 1:
      options = {.bodyCap = 64, .failAboveCap = true};
      break;
    case 2:
      options = {.bodyCap = 16, .failAboveCap = false};
      break;
    case 3:
      options = {.headersOnly = true};
      break;
    default:
      break;
  }
  const bool ends = (control & 4) != 0;
  const std::size_t pieceSize = 1 + (control >> 3);

  const Outcome whole = Read(options, bytes, bytes.size() + 1, ends);
  if (!(Read(options, bytes, pieceSize, ends) == whole)) std::abort();
  return 0;
}

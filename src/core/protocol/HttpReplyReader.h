#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace kelbrin::protocol {

// Reads one HTTP/1.0 or HTTP/1.1 reply from the bytes of a connection as they arrive; knows
// nothing of sockets. Interim 1xx replies are skipped. The body ends by Content-Length, by chunked
// transfer coding (extensions and trailers allowed), or with the connection; a reply to HEAD or
// CONNECT, and a 204 or 304, has none. Anything malformed fails the reply, and so does a
// connection that ends before the body does.
class HttpReplyReader {
 public:
  struct Options {
    // The request was HEAD or CONNECT: the reply ends with its headers.
    bool headersOnly = false;
    // The most body bytes kept.
    std::size_t bodyCap = SIZE_MAX;
    // A body that announces or reaches more than `bodyCap` bytes fails the reply at once;
    // otherwise the bytes beyond it are read and dropped.
    bool failAboveCap = false;
  };
  enum class State { Reading, Complete, Failed };

  // Status line, header lines and trailers together, in all replies of the exchange: beyond this
  // the reply fails (a peer that sends headers for ever must not cost memory).
  static constexpr std::size_t kHeadLimit = 64 * 1024;

  explicit HttpReplyReader(Options options);

  // Takes the next bytes of the connection and returns how many belong to the reply: all of them
  // while it is Reading, fewer when it completed within them (what follows a CONNECT reply
  // belongs to the tunnel), none once it is Complete or Failed.
  std::size_t Feed(std::string_view bytes);
  // The connection ended: completes a body that runs until then, fails a reply still unfinished.
  void EndOfStream();

  State state() const { return state_; }
  // The final reply's status once its headers are complete, 0 before.
  int Status() const { return headersDone_ ? status_ : 0; }
  // The Body (at most bodyCap bytes of it); empty once the reply has failed.
  const std::string& Body() const { return body_; }
  // The body moved out (a large reply is not copied); the reader keeps an empty one.
  std::string TakeBody() { return std::exchange(body_, std::string()); }

 private:
  enum class Phase { StatusLine, Headers, Body, ChunkSize, ChunkData, ChunkEnd, Trailers, Close };
  enum class Framing { None, Length, Chunked, UntilClose };

  // Gathers a line from the start of `bytes`, handles it once it is complete, and returns the
  // bytes used.
  std::size_t TakeLine(std::string_view bytes);
  void OnLine(std::string_view line);
  void OnStatusLine(std::string_view line);
  void OnHeaderLine(std::string_view line);
  void OnHeadersEnd();
  void OnChunkSizeLine(std::string_view line);
  std::size_t TakeBody(std::string_view bytes);
  void KeepBody(std::string_view bytes);
  void Fail();
  void Complete() { state_ = State::Complete; }

  Options options_;
  State state_ = State::Reading;
  Phase phase_ = Phase::StatusLine;
  std::string line_;
  std::size_t headBytes_ = 0;
  int status_ = 0;
  bool headersDone_ = false;
  // Of the reply being read.
  std::string lastHeaderName_;
  std::string contentLength_;
  bool hasContentLength_ = false;
  std::string transferEncoding_;
  bool hasTransferEncoding_ = false;
  std::uint64_t remaining_ = 0;  // of the body or of the current chunk
  std::string body_;
};

}  // namespace kelbrin::protocol

#include "protocol/HttpReplyReader.h"

#include <algorithm>
#include <optional>

#include "platform/files/TextTrim.h"
#include "protocol/HttpToken.h"
#include "runtime/AsciiCase.h"
#include "runtime/AsciiChars.h"

namespace kelbrin::protocol {

namespace {

using runtime::AsciiHexValue;
using runtime::IsAsciiDigit;

// A chunk-size line, extensions included; it is not part of the head, so it has its own bound.
constexpr std::size_t kChunkLineLimit = 4096;

// Content-Length, possibly repeated ("12, 12" or in several headers): all the same decimal
// number, or nothing.
std::optional<std::uint64_t> ParseContentLength(std::string_view text) {
  std::optional<std::uint64_t> length;
  while (true) {
    const std::size_t comma = std::min(text.find(','), text.size());
    const std::string_view item =
        platform::Trimmed(text.substr(0, comma), platform::kSpacesAndTabs);
    if (item.empty() || item.size() > 18 || !std::all_of(item.begin(), item.end(), IsAsciiDigit)) {
      return std::nullopt;
    }
    std::uint64_t value = 0;
    for (const char c : item) value = value * 10 + static_cast<std::uint64_t>(c - '0');
    if (length && *length != value) return std::nullopt;
    length = value;
    if (comma == text.size()) return length;
    text.remove_prefix(comma + 1);
  }
}

// The last of the codings listed in Transfer-Encoding is the one that frames the body.
bool EndsInChunked(std::string_view codings) {
  const std::size_t comma = codings.rfind(',');
  const std::string_view last =
      platform::Trimmed(comma == std::string_view::npos ? codings : codings.substr(comma + 1),
                        platform::kSpacesAndTabs);
  return runtime::EqualIgnoringAsciiCase(last, "chunked");
}

}  // namespace

HttpReplyReader::HttpReplyReader(Options options) : options_(options) {}

std::size_t HttpReplyReader::Feed(std::string_view bytes) {
  std::size_t used = 0;
  while (state_ == State::Reading && used < bytes.size()) {
    const std::string_view rest = bytes.substr(used);
    switch (phase_) {
      case Phase::Body:
      case Phase::ChunkData:
      case Phase::Close:
        used += TakeBody(rest);
        break;
      default:
        used += TakeLine(rest);
        break;
    }
  }
  return used;
}

void HttpReplyReader::Fail() {
  state_ = State::Failed;
  std::string().swap(body_);  // up to a whole cap nobody will read
}

void HttpReplyReader::EndOfStream() {
  if (state_ != State::Reading) return;
  if (phase_ == Phase::Close) {
    Complete();
  } else {
    Fail();
  }
}

std::size_t HttpReplyReader::TakeLine(std::string_view bytes) {
  const std::size_t newline = bytes.find('\n');
  const std::size_t taken = newline == std::string_view::npos ? bytes.size() : newline + 1;
  const bool chunkLine = phase_ == Phase::ChunkSize || phase_ == Phase::ChunkEnd;
  if (chunkLine) {
    if (line_.size() + taken > kChunkLineLimit) {
      Fail();
      return taken;
    }
  } else {
    headBytes_ += taken;
    if (headBytes_ > kHeadLimit) {
      Fail();
      return taken;
    }
  }
  line_.append(bytes.substr(0, taken));
  if (newline == std::string_view::npos) return taken;

  std::string_view line(line_);
  line.remove_suffix(1);
  if (line.ends_with('\r')) line.remove_suffix(1);
  OnLine(line);
  line_.clear();
  return taken;
}

void HttpReplyReader::OnLine(std::string_view line) {
  switch (phase_) {
    case Phase::StatusLine:
      return OnStatusLine(line);
    case Phase::Headers:
      if (line.empty()) return OnHeadersEnd();
      return OnHeaderLine(line);
    case Phase::ChunkSize:
      return OnChunkSizeLine(line);
    case Phase::ChunkEnd:
      if (!line.empty()) return Fail();
      phase_ = Phase::ChunkSize;
      return;
    case Phase::Trailers:
      if (line.empty()) Complete();
      return;
    default:
      return Fail();
  }
}

void HttpReplyReader::OnStatusLine(std::string_view line) {
  // "HTTP/1.x NNN" followed by the end of the line or a blank and the reason.
  const bool knownVersion = line.starts_with("HTTP/1.0 ") || line.starts_with("HTTP/1.1 ");
  if (!knownVersion || line.size() < 12 || !IsAsciiDigit(line[9]) || !IsAsciiDigit(line[10]) ||
      !IsAsciiDigit(line[11]) || (line.size() > 12 && line[12] != ' ')) {
    return Fail();
  }
  status_ = (line[9] - '0') * 100 + (line[10] - '0') * 10 + (line[11] - '0');
  if (status_ < 100 || status_ > 599) return Fail();
  lastHeaderName_.clear();
  contentLength_.clear();
  hasContentLength_ = false;
  transferEncoding_.clear();
  hasTransferEncoding_ = false;
  phase_ = Phase::Headers;
}

void HttpReplyReader::OnHeaderLine(std::string_view line) {
  std::string_view value;
  if (line.front() == ' ' || line.front() == '\t') {
    // An obsolete folded line continues the header before it.
    if (lastHeaderName_.empty()) return Fail();
    value = platform::Trimmed(line, platform::kSpacesAndTabs);
  } else {
    const std::size_t colon = line.find(':');
    if (colon == 0 || colon == std::string_view::npos ||
        !std::all_of(line.begin(), line.begin() + static_cast<std::ptrdiff_t>(colon),
                     IsHttpTokenCharacter)) {
      return Fail();
    }
    lastHeaderName_ = runtime::AsciiLower(line.substr(0, colon));
    value = platform::Trimmed(line.substr(colon + 1), platform::kSpacesAndTabs);
    // A repeated header continues the list of the one before.
    if (lastHeaderName_ == "content-length" && hasContentLength_) contentLength_ += ',';
    if (lastHeaderName_ == "transfer-encoding" && hasTransferEncoding_) transferEncoding_ += ',';
  }
  if (lastHeaderName_ == "content-length") {
    hasContentLength_ = true;
    contentLength_.append(value);
  } else if (lastHeaderName_ == "transfer-encoding") {
    hasTransferEncoding_ = true;
    transferEncoding_.append(value);
  }
}

void HttpReplyReader::OnHeadersEnd() {
  if (status_ < 200) {
    // 101 would switch protocols, which this client never asks for.
    if (status_ == 101) return Fail();
    phase_ = Phase::StatusLine;
    return;
  }
  headersDone_ = true;
  if (options_.headersOnly || status_ == 204 || status_ == 304) return Complete();
  if (hasTransferEncoding_) {
    phase_ = EndsInChunked(transferEncoding_) ? Phase::ChunkSize : Phase::Close;
    return;
  }
  if (!hasContentLength_) {
    phase_ = Phase::Close;
    return;
  }
  const auto length = ParseContentLength(contentLength_);
  if (!length || (options_.failAboveCap && *length > options_.bodyCap)) return Fail();
  if (*length == 0) return Complete();
  remaining_ = *length;
  // The announced length is set aside at once only within the caller's cap, so a whole reply
  // ends in one block of its own size; without a cap, the peer's number alone never decides how
  // much memory is taken, and the body grows with what arrives.
  if (options_.bodyCap != SIZE_MAX) {
    body_.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(remaining_, options_.bodyCap)));
  }
  phase_ = Phase::Body;
}

void HttpReplyReader::OnChunkSizeLine(std::string_view line) {
  std::uint64_t size = 0;
  std::size_t digits = 0;
  for (; digits < line.size() && AsciiHexValue(line[digits]) >= 0; ++digits) {
    if (size > (UINT64_MAX >> 4)) return Fail();
    size = size * 16 + static_cast<std::uint64_t>(AsciiHexValue(line[digits]));
  }
  const std::string_view rest = platform::Trimmed(line.substr(digits), platform::kSpacesAndTabs);
  if (digits == 0 || (!rest.empty() && rest.front() != ';')) return Fail();
  if (size == 0) {
    phase_ = Phase::Trailers;
    return;
  }
  if (options_.failAboveCap && size > options_.bodyCap - body_.size()) return Fail();
  remaining_ = size;
  phase_ = Phase::ChunkData;
}

std::size_t HttpReplyReader::TakeBody(std::string_view bytes) {
  if (phase_ == Phase::Close) {
    KeepBody(bytes);
    return bytes.size();
  }
  const auto taken = static_cast<std::size_t>(std::min<std::uint64_t>(remaining_, bytes.size()));
  KeepBody(bytes.substr(0, taken));
  remaining_ -= taken;
  if (remaining_ == 0 && state_ == State::Reading) {
    if (phase_ == Phase::Body) {
      Complete();
    } else {
      phase_ = Phase::ChunkEnd;
    }
  }
  return taken;
}

void HttpReplyReader::KeepBody(std::string_view bytes) {
  const std::size_t room = options_.bodyCap - std::min(options_.bodyCap, body_.size());
  if (bytes.size() > room && options_.failAboveCap) return Fail();
  body_.append(bytes.substr(0, std::min(room, bytes.size())));
}

}  // namespace kelbrin::protocol

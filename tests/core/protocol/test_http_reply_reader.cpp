#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "protocol/HttpReplyReader.h"

namespace kelbrin::protocol {
namespace {

using State = HttpReplyReader::State;

enum class Mode {
  Plain,        // no cap
  Xml10,        // at most 10 body bytes, more fails
  Raw4,         // the first 4 body bytes kept, the rest dropped
  HeadersOnly,  // a reply to HEAD or CONNECT
};

HttpReplyReader::Options OptionsFor(Mode mode) {
  switch (mode) {
    case Mode::Xml10:
      return {.bodyCap = 10, .failAboveCap = true};
    case Mode::Raw4:
      return {.bodyCap = 4, .failAboveCap = false};
    case Mode::HeadersOnly:
      return {.headersOnly = true};
    case Mode::Plain:
      break;
  }
  return {};
}

struct ReplyCase {
  const char* name;
  std::string bytes;
  bool connectionEnds;  // EndOfStream after the bytes
  State state;
  int status = 0;
  std::string body = "";
  Mode mode = Mode::Plain;
};

void PrintTo(const ReplyCase& c, std::ostream* os) { *os << c.name; }

struct Outcome {
  State state;
  int status;
  std::string body;
  bool operator==(const Outcome&) const = default;
};

void PrintTo(const Outcome& o, std::ostream* os) {
  *os << "state " << static_cast<int>(o.state) << ", status " << o.status << ", body \""
      << o.body.substr(0, 40) << "\"";
}

// Feeds the bytes in pieces of `pieceSize`.
Outcome Read(const ReplyCase& c, std::size_t pieceSize) {
  HttpReplyReader reader(OptionsFor(c.mode));
  for (std::size_t at = 0; at < c.bytes.size(); at += pieceSize) {
    reader.Feed(std::string_view(c.bytes).substr(at, pieceSize));
  }
  if (c.connectionEnds) reader.EndOfStream();
  return {reader.state(), reader.Status(), reader.Body()};
}

class HttpReplyReaderTest : public ::testing::TestWithParam<ReplyCase> {};

// However the bytes are cut into reads, the outcome is the same.
TEST_P(HttpReplyReaderTest, ReadsTheReply) {
  const ReplyCase& c = GetParam();
  const Outcome expected{c.state, c.status, c.body};
  EXPECT_EQ(Read(c, c.bytes.size() + 1), expected) << "in one piece";
  EXPECT_EQ(Read(c, 1), expected) << "byte by byte";
  EXPECT_EQ(Read(c, 7), expected) << "in pieces of 7";
}

std::string HeaderLines(std::size_t totalBytes) {
  std::string lines;
  while (lines.size() < totalBytes) lines += "X-Filler: " + std::string(100, 'f') + "\r\n";
  return lines;
}

const std::string kOk = "HTTP/1.1 200 OK\r\n";
const std::string kChunked = kOk + "Transfer-Encoding: chunked\r\n\r\n";

INSTANTIATE_TEST_SUITE_P(
    Replies, HttpReplyReaderTest,
    ::testing::Values(
        // Framing.
        ReplyCase{"ContentLength", kOk + "Content-Length: 5\r\n\r\nhello", false, State::Complete,
                  200, "hello"},
        ReplyCase{"ContentLengthZero", kOk + "Content-Length: 0\r\n\r\n", false, State::Complete,
                  200},
        ReplyCase{"BytesAfterTheLengthIgnored", kOk + "Content-Length: 2\r\n\r\nhello", false,
                  State::Complete, 200, "he"},
        ReplyCase{"UntilClose", "HTTP/1.0 200 OK\r\nServer: x\r\n\r\nabc", true, State::Complete,
                  200, "abc"},
        ReplyCase{"UntilCloseStillOpen", "HTTP/1.0 200 OK\r\n\r\nabc", false, State::Reading, 200,
                  "abc"},
        ReplyCase{"Chunked",
                  kChunked + "5\r\nhello\r\n6;name=value\r\n world\r\n0\r\nTrailer: x\r\n\r\n",
                  false, State::Complete, 200, "hello world"},
        ReplyCase{
            "ChunkedHexSizesAndBlanks",
            kChunked + "A \r\n0123456789\r\n1a ; ext\r\n" + std::string(26, 'z') + "\r\n0\r\n\r\n",
            false, State::Complete, 200, "0123456789" + std::string(26, 'z')},
        ReplyCase{
            "ChunkedWinsOverContentLength",
            kOk + "Content-Length: 100\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nok\r\n0\r\n\r\n",
            false, State::Complete, 200, "ok"},
        ReplyCase{"ChunkedLastOfTheCodings",
                  kOk + "Transfer-Encoding: gzip\r\nTransfer-Encoding: CHUNKED\r\n\r\n"
                        "1\r\nx\r\n0\r\n\r\n",
                  false, State::Complete, 200, "x"},
        ReplyCase{"OtherCodingRunsUntilClose",
                  kOk + "Transfer-Encoding: gzip\r\nContent-Length: 1\r\n\r\nabc", true,
                  State::Complete, 200, "abc"},
        ReplyCase{"BareLineFeeds", "HTTP/1.1 200 OK\nContent-Length: 2\n\nok", false,
                  State::Complete, 200, "ok"},
        ReplyCase{"NoReasonPhrase", "HTTP/1.1 200\r\nContent-Length: 1\r\n\r\nx", false,
                  State::Complete, 200, "x"},
        ReplyCase{"FoldedContentLength", kOk + "Content-Length:\r\n 3\r\n\r\nabc", false,
                  State::Complete, 200, "abc"},
        ReplyCase{"RepeatedEqualContentLength",
                  kOk + "Content-Length: 3, 3\r\ncontent-length: 3\r\n\r\nabc", false,
                  State::Complete, 200, "abc"},
        ReplyCase{"OtherStatusWithBody", "HTTP/1.1 404 Not Found\r\nContent-Length: 4\r\n\r\nnone",
                  false, State::Complete, 404, "none"},

        // Replies without a body.
        ReplyCase{"NoContent", "HTTP/1.1 204 No Content\r\n\r\n", false, State::Complete, 204},
        ReplyCase{"NotModifiedIgnoresLength",
                  "HTTP/1.1 304 Not Modified\r\nContent-Length: 10\r\n\r\n", false, State::Complete,
                  304},
        ReplyCase{"HeadReply", kOk + "Content-Length: 10\r\n\r\n", false, State::Complete, 200, "",
                  Mode::HeadersOnly},
        ReplyCase{"ConnectReply", "HTTP/1.1 200 Connection established\r\n\r\n", false,
                  State::Complete, 200, "", Mode::HeadersOnly},

        // Interim replies.
        ReplyCase{"InterimRepliesSkipped",
                  "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 103 Early Hints\r\nLink: </a>\r\n\r\n" +
                      kOk + "Content-Length: 1\r\n\r\nx",
                  false, State::Complete, 200, "x"},
        ReplyCase{"InterimOnlySoFar", "HTTP/1.1 100 Continue\r\n\r\n", false, State::Reading, 0},
        ReplyCase{"SwitchingProtocolsFails", "HTTP/1.1 101 Switching\r\n\r\n", false, State::Failed,
                  0},

        // Malformed replies.
        ReplyCase{"Http2StatusLine", "HTTP/2 200 OK\r\n\r\n", false, State::Failed},
        ReplyCase{"ShortStatus", "HTTP/1.1 20 OK\r\n\r\n", false, State::Failed},
        ReplyCase{"StatusRunsIntoReason", "HTTP/1.1 200OK\r\n\r\n", false, State::Failed},
        ReplyCase{"StatusOutOfRange", "HTTP/1.1 600 Odd\r\n\r\n", false, State::Failed},
        ReplyCase{"NotHttp", "ICY 200 OK\r\n\r\n", false, State::Failed},
        ReplyCase{"EmptyStatusLine", "\r\nHTTP/1.1 200 OK\r\n\r\n", false, State::Failed},
        ReplyCase{"HeaderWithoutColon", kOk + "Content-Length 5\r\n\r\nhello", false,
                  State::Failed},
        ReplyCase{"BlankBeforeColon", kOk + "Content-Length : 5\r\n\r\nhello", false,
                  State::Failed},
        ReplyCase{"EmptyHeaderName", kOk + ": x\r\n\r\n", false, State::Failed},
        ReplyCase{"FoldWithoutHeader", kOk + " folded\r\n\r\n", false, State::Failed},
        ReplyCase{"ConflictingContentLength",
                  kOk + "Content-Length: 3\r\nContent-Length: 4\r\n\r\nabcd", false, State::Failed,
                  200},
        ReplyCase{"NegativeContentLength", kOk + "Content-Length: -1\r\n\r\n", false, State::Failed,
                  200},
        ReplyCase{"SignedContentLength", kOk + "Content-Length: +3\r\n\r\nabc", false,
                  State::Failed, 200},
        ReplyCase{"HugeContentLength", kOk + "Content-Length: 99999999999999999999\r\n\r\n", false,
                  State::Failed, 200},
        ReplyCase{"BadChunkSize", kChunked + "zz\r\nhello\r\n0\r\n\r\n", false, State::Failed, 200},
        ReplyCase{"ChunkSizeOverflow", kChunked + "1FFFFFFFFFFFFFFFF\r\n", false, State::Failed,
                  200},
        ReplyCase{"ChunkWithoutLineEnd", kChunked + "5\r\nhelloX\r\n0\r\n\r\n", false,
                  State::Failed, 200},
        ReplyCase{"ChunkLineTooLong", kChunked + "5;" + std::string(5000, 'e') + "\r\n", false,
                  State::Failed, 200},

        // Header bombs: the head of all replies together stays under 64 KiB.
        ReplyCase{"HeadersNearTheLimit",
                  kOk + HeaderLines(60 * 1024) + "Content-Length: 1\r\n\r\nx", false,
                  State::Complete, 200, "x"},
        ReplyCase{"EndlessHeaders", kOk + HeaderLines(70 * 1024), false, State::Failed},
        ReplyCase{"EndlessHeaderLine", kOk + "X: " + std::string(70 * 1024, 'x'), false,
                  State::Failed},
        ReplyCase{"EndlessInterimReplies",
                  [] {
                    std::string replies;
                    while (replies.size() < 70 * 1024) replies += "HTTP/1.1 100 Continue\r\n\r\n";
                    return replies;
                  }(),
                  false, State::Failed},
        ReplyCase{"EndlessTrailers", kChunked + "0\r\n" + HeaderLines(70 * 1024), false,
                  State::Failed, 200},

        // The connection ends early.
        ReplyCase{"NothingAtAll", "", true, State::Failed},
        ReplyCase{"EndsInTheHeaders", kOk + "Content-Length: 5\r\n", true, State::Failed},
        ReplyCase{"EndsInTheBody", kOk + "Content-Length: 10\r\n\r\nabc", true, State::Failed, 200},
        ReplyCase{"EndsBeforeTheLastChunk", kChunked + "3\r\nabc\r\n", true, State::Failed, 200},
        ReplyCase{"EndsInTheTrailers", kChunked + "3\r\nabc\r\n0\r\nX: 1\r\n", true, State::Failed,
                  200},
        ReplyCase{"EndsInAChunk", kChunked + "9\r\nabc", true, State::Failed, 200},

        // Caps.
        ReplyCase{"XmlExactlyTheCap", kOk + "Content-Length: 10\r\n\r\n0123456789", false,
                  State::Complete, 200, "0123456789", Mode::Xml10},
        ReplyCase{"XmlAnnouncedAboveTheCap", kOk + "Content-Length: 11\r\n\r\n", false,
                  State::Failed, 200, "", Mode::Xml10},
        ReplyCase{"XmlChunkAnnouncedAboveTheCap", kChunked + "B\r\n", false, State::Failed, 200, "",
                  Mode::Xml10},
        ReplyCase{"XmlChunksReachAboveTheCap", kChunked + "6\r\n012345\r\n6\r\n", false,
                  State::Failed, 200, "", Mode::Xml10},
        ReplyCase{"XmlUntilCloseAboveTheCap", "HTTP/1.0 200 OK\r\n\r\n01234567890", false,
                  State::Failed, 200, "", Mode::Xml10},
        ReplyCase{"RawKeepsTheFirstBytes", kOk + "Content-Length: 10\r\n\r\n0123456789", false,
                  State::Complete, 200, "0123", Mode::Raw4},
        ReplyCase{"RawChunkedKeepsTheFirstBytes", kChunked + "3\r\nabc\r\n3\r\ndef\r\n0\r\n\r\n",
                  false, State::Complete, 200, "abcd", Mode::Raw4},
        ReplyCase{"RawUntilCloseKeepsTheFirstBytes", "HTTP/1.0 200 OK\r\n\r\nabcdefgh", true,
                  State::Complete, 200, "abcd", Mode::Raw4}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

// The bytes after a complete reply are not its own: after a CONNECT reply they belong to the
// tunnel.
TEST(HttpReplyReaderFeedTest, UsesOnlyTheReplysBytes) {
  const std::string head = "HTTP/1.1 200 Connection established\r\n\r\n";
  HttpReplyReader reader({.headersOnly = true});
  EXPECT_EQ(reader.Feed(head + "\x16\x03\x01"), head.size());
  EXPECT_EQ(reader.state(), State::Complete);
  EXPECT_EQ(reader.Feed("more"), 0u);

  HttpReplyReader withBody({});
  const std::string reply = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok";
  EXPECT_EQ(withBody.Feed(reply + "garbage"), reply.size());
  EXPECT_EQ(withBody.Body(), "ok");
}

// A peer's announced length alone is not memory to set aside: without a cap, a reply claiming
// 100 GB asked for that much before its first body byte. Within a cap, a body announced and sent
// whole still ends in one block of exactly its size.
TEST(HttpReplyReaderFeedTest, AnAnnouncedLengthIsSetAsideOnlyWithinTheCap) {
  HttpReplyReader lying({});
  EXPECT_NO_THROW(lying.Feed("HTTP/1.1 200 OK\r\nContent-Length: 100000000000\r\n\r\nabc"));
  EXPECT_EQ(lying.state(), State::Reading);
  EXPECT_EQ(lying.Body(), "abc");
  EXPECT_LT(lying.Body().capacity(), 4096u);

  const std::size_t size = 3'000'000;
  HttpReplyReader whole({.bodyCap = 8'000'000, .failAboveCap = true});
  whole.Feed("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(size) + "\r\n\r\n");
  const std::string piece(1000, 'x');
  for (std::size_t sent = 0; sent < size; sent += piece.size()) whole.Feed(piece);
  EXPECT_EQ(whole.state(), State::Complete);
  EXPECT_EQ(whole.Body().size(), size);
  EXPECT_EQ(whole.Body().capacity(), size);
}

}  // namespace
}  // namespace kelbrin::protocol

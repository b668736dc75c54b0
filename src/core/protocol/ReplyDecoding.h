#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kelbrin::protocol {

// A raw page is cut to this many characters. Every code page in use needs at most four bytes per
// character, so the first four times as many bytes always hold them; the rest is read and dropped.
constexpr std::size_t kRawReplyCharacters = 32767;
constexpr std::size_t kRawReplyBytes = 4 * kRawReplyCharacters;

// An XML reply's body as text: UTF-8 unless a byte-order mark says UTF-16. A charset named in the
// reply's headers or XML declaration plays no part. Invalid bytes become U+FFFD, so the text is
// valid UTF-8. Well-formed UTF-8 is taken over as it is, without a copy: the service list can be
// tens of megabytes.
std::string DecodeXmlReply(std::string bytes);

// A raw page as text: bytes in the system code page, up to the first NUL and at most
// kRawReplyCharacters characters.
std::string DecodeRawReply(std::string_view bytes);

}  // namespace kelbrin::protocol

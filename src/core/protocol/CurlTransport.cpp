#include "protocol/CurlTransport.h"

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/CodePage.h"
#include "protocol/Utilities.h"

namespace kelbrin::protocol {

namespace {

// An XML reply larger than this is refused: the service's documents are a few kilobytes.
constexpr std::size_t kXmlReplyCap = 16u << 20;
// A raw page is cut to this many characters. Every code page in use needs at most four bytes per
// character, so the first four times as many bytes always hold them; the rest is read and dropped.
constexpr std::size_t kRawReplyCharacters = 32767;
constexpr std::size_t kRawReplyBytes = 4 * kRawReplyCharacters;

void InitCurlOnce() {
  static const CURLcode result = curl_global_init(CURL_GLOBAL_DEFAULT);
  (void)result;  // a failed init shows up as a failed curl_easy_init
}

struct EasyDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct HeaderListDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using EasyHandle = std::unique_ptr<CURL, EasyDeleter>;
using HeaderList = std::unique_ptr<curl_slist, HeaderListDeleter>;

// State of one exchange, filled by libcurl's write callback.
struct ExchangeState {
  bool xmlMode = true;
  const std::atomic<bool>* aborted = nullptr;
  std::string reply;
  bool overCap = false;
};

size_t WriteReply(char* data, size_t size, size_t count, void* user) {
  auto& exchange = *static_cast<ExchangeState*>(user);
  const std::size_t bytes = size * count;
  try {
    if (exchange.xmlMode) {
      if (exchange.reply.size() + bytes > kXmlReplyCap) {
        exchange.overCap = true;
        return 0;  // makes libcurl end the transfer at once
      }
      exchange.reply.append(data, bytes);
    } else {
      const std::size_t room = kRawReplyBytes - std::min(kRawReplyBytes, exchange.reply.size());
      exchange.reply.append(data, std::min(room, bytes));
    }
    return bytes;
  } catch (...) {  // nothing may unwind through libcurl
    return 0;
  }
}

// libcurl calls this while the exchange runs, at least once a second also when nothing moves.
int CheckAborted(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  const auto& exchange = *static_cast<const ExchangeState*>(user);
  return exchange.aborted != nullptr && exchange.aborted->load() ? 1 : 0;
}

std::string AsciiUpper(std::string_view text) {
  std::string upper(text);
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return upper;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// The reply as text: UTF-8 unless a byte-order mark says UTF-16. A charset named in the reply's
// headers or XML declaration plays no part.
std::string DecodeXmlReply(std::string_view bytes) {
  if (StartsWith(bytes, "\xEF\xBB\xBF")) bytes.remove_prefix(3);
  std::string encoding = "UTF-8";
  if (StartsWith(bytes, "\xFF\xFE")) encoding = "UTF-16LE";
  if (StartsWith(bytes, "\xFE\xFF")) encoding = "UTF-16BE";
  if (encoding != "UTF-8") bytes.remove_prefix(2);
  // Also for UTF-8: invalid bytes become U+FFFD, so the text handed on is valid UTF-8.
  return platform::CodePage::named(encoding).toUtf8(bytes);
}

// A raw page as text: bytes in the system code page, up to the first NUL and at most
// kRawReplyCharacters characters.
std::string DecodeRawReply(std::string_view bytes) {
  std::string text = platform::systemCodePage().toUtf8(bytes);
  text.resize(std::min(text.size(), text.find('\0')));
  std::size_t characters = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool startsCharacter = (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
    if (startsCharacter && ++characters > kRawReplyCharacters) {
      text.resize(i);
      break;
    }
  }
  return text;
}

// Sets up `handle` for one exchange; false when libcurl refuses an option.
//
// The four time-outs map onto libcurl as: resolve + connect bound the connection set-up; the
// sum of all four bounds the whole exchange, so an endpoint that accepts and never answers costs
// at most that; and a transfer that moves no byte for the longer of send and receive (rounded up
// to whole seconds, libcurl's unit) ends early.
bool Configure(CURL* handle, std::string_view method, const std::string& url, std::string_view body,
               curl_slist* headers, const TransportTimeouts& t, ExchangeState& exchange) {
  const long connectMs = static_cast<long>((t.resolve + t.connect).count());
  const long wholeMs = static_cast<long>((t.resolve + t.connect + t.send + t.receive).count());
  const long stallSeconds = static_cast<long>(
      std::chrono::ceil<std::chrono::seconds>(std::max(t.send, t.receive)).count());
  const std::string verb = AsciiUpper(method);
  bool ok = curl_easy_setopt(handle, CURLOPT_URL, url.c_str()) == CURLE_OK;
  ok = ok && curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK;
  // SSL_CERT_FILE names the trusted authorities for every OpenSSL program; libcurl alone would
  // read only its built-in bundle, so a private authority configured that way is passed on.
  if (const char* authorities = std::getenv("SSL_CERT_FILE");
      authorities != nullptr && *authorities != '\0') {
    ok = ok && curl_easy_setopt(handle, CURLOPT_CAINFO, authorities) == CURLE_OK;
  }
  // A 3xx reply ends the exchange as a failure: following it would re-send the body, password
  // included, to whatever host the reply names.
  ok = ok && curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 0L) == CURLE_OK;
  ok = ok && curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L) == CURLE_OK;
  ok = ok && curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, connectMs) == CURLE_OK;
  ok = ok && curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, wholeMs) == CURLE_OK;
  ok = ok && curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L) == CURLE_OK;
  ok = ok && curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, stallSeconds) == CURLE_OK;
  ok = ok && curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, WriteReply) == CURLE_OK;
  ok = ok && curl_easy_setopt(handle, CURLOPT_WRITEDATA, &exchange) == CURLE_OK;
  ok = ok && curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, CheckAborted) == CURLE_OK;
  ok = ok && curl_easy_setopt(handle, CURLOPT_XFERINFODATA, &exchange) == CURLE_OK;
  ok = ok && curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L) == CURLE_OK;
  ok = ok && curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers) == CURLE_OK;
  if (exchange.xmlMode) {
    // Refuses at once a reply that announces its oversize; the write callback catches the rest.
    ok = ok && curl_easy_setopt(handle, CURLOPT_MAXFILESIZE_LARGE,
                                static_cast<curl_off_t>(kXmlReplyCap)) == CURLE_OK;
  }
  if (verb == "POST") {
    // Only a POST carries the body ("post" in any case); an empty one goes out as
    // "Content-Length: 0". Every other method sends none.
    ok = ok && curl_easy_setopt(handle, CURLOPT_POST, 1L) == CURLE_OK;
    ok = ok && curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE,
                                static_cast<curl_off_t>(body.size())) == CURLE_OK;
    // Never a null pointer: libcurl would then read the body from stdin.
    const char* data = body.empty() ? "" : body.data();
    ok = ok && curl_easy_setopt(handle, CURLOPT_POSTFIELDS, data) == CURLE_OK;
  } else if (verb == "GET") {
    ok = ok && curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L) == CURLE_OK;
  } else {
    ok = ok && curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, verb.c_str()) == CURLE_OK;
  }
  return ok;
}

// The request headers of one exchange, in sending order. XML mode adds exactly the three the
// service expects and removes libcurl's own "Accept: */*"; both modes remove "Expect:", which
// would hold a larger body back for a "100 Continue" that simple servers never send. Host and,
// with a body, Content-Length are part of HTTP/1.1 itself and stay. In raw mode a POST keeps
// libcurl's "Content-Type: application/x-www-form-urlencoded": it carries a web form.
HeaderList RequestHeaders(bool xmlMode) {
  std::vector<const char*> lines;
  if (xmlMode) lines = {"charset: UTF-8", "Pragma: No-Cache", "Content-Type: text/xml", "Accept:"};
  lines.push_back("Expect:");
  curl_slist* list = nullptr;
  for (const char* line : lines) {
    curl_slist* extended = curl_slist_append(list, line);
    if (extended == nullptr) {
      curl_slist_free_all(list);
      return nullptr;
    }
    list = extended;
  }
  return HeaderList(list);
}

}  // namespace

CurlTransport::CurlTransport() { InitCurlOnce(); }

std::string CurlTransport::Exchange(const ExchangeRequest& request) {
  const auto aborted = [&] { return request.aborted != nullptr && request.aborted->load(); };
  if (aborted()) return {};
  const EasyHandle handle(curl_easy_init());
  if (!handle) return {};
  try {
    ExchangeState exchange;
    exchange.xmlMode = request.xmlMode;
    exchange.aborted = request.aborted;
    const HeaderList headers = RequestHeaders(request.xmlMode);
    if (!headers || !Configure(handle.get(), request.method, std::string(request.url),
                               request.body, headers.get(), request.timeouts, exchange)) {
      return {};
    }
    if (curl_easy_perform(handle.get()) != CURLE_OK) return {};
    long status = 0;
    if (curl_easy_getinfo(handle.get(), CURLINFO_RESPONSE_CODE, &status) != CURLE_OK ||
        status != 200 || exchange.overCap) {
      return {};
    }
    if (!request.xmlMode) return DecodeRawReply(exchange.reply);
    std::string text = DecodeXmlReply(exchange.reply);
    // Not XML ("Invalid XML"): the caller sees the empty reply like any other failure.
    return IsWellFormedXml(text) ? text : std::string();
  } catch (...) {  // out of memory on the way: a failed exchange like any other
    return {};
  }
}

}  // namespace kelbrin::protocol

#include "platform/files/CodePage.h"

#include <errno.h>
#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <mutex>

#include "platform/files/Utf8Check.h"

namespace kelbrin::platform {

namespace {

constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";  // U+FFFD

// Length of the UTF-8 character at the start of `text`: its lead byte and the continuation bytes
// that follow, at most as many as the lead byte announces. A stray byte counts on its own.
std::size_t Utf8CharacterLength(std::string_view text) {
  const auto lead = static_cast<unsigned char>(text.front());
  const std::size_t announced = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  std::size_t length = 1;
  while (length < announced && length < text.size() &&
         (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) {
    ++length;
  }
  return length;
}

std::size_t WellFormedLength(std::string_view text) { return DecodeUtf8(text).length; }

// `text` with every byte that is not part of a well-formed UTF-8 character replaced by
// `standIn`. iconv's UTF-8 takes the obsolete five- and six-byte forms and surrogates as they
// are, so neither its input nor its output is trusted to be well-formed.
std::string WellFormedUtf8(std::string_view text, std::string_view standIn) {
  std::string result;
  result.reserve(text.size());
  while (!text.empty()) {
    const std::size_t length = WellFormedLength(text);
    if (length == 0) {
      result += standIn;
      text.remove_prefix(1);
    } else {
      result += text.substr(0, length);
      text.remove_prefix(length);
    }
  }
  return result;
}

// One iconv conversion descriptor for the length of one call: iconv_t keeps shift state, so a
// descriptor is never shared between threads.
class Converter {
 public:
  Converter(const std::string& to, const std::string& from)
      : cd_(iconv_open(to.c_str(), from.c_str())) {}
  ~Converter() {
    if (Valid()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool Valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Converts all of `input`. Where iconv stops at a sequence it cannot take (invalid, unmappable,
  // or cut short at the end), `onFailure(output, rest)` appends a stand-in to `output` and returns
  // how many bytes of `rest` to skip.
  template <typename OnFailure>
  std::string Convert(std::string_view input, OnFailure onFailure) {
    std::string output;
    char buffer[4096];
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    while (true) {
      char* out = buffer;
      std::size_t outLeft = sizeof buffer;
      // A null input flushes the shift state back to the initial one at the end.
      const std::size_t done = inLeft > 0 ? iconv(cd_, &in, &inLeft, &out, &outLeft)
                                          : iconv(cd_, nullptr, nullptr, &out, &outLeft);
      const int error = errno;  // read before anything else can change it
      output.append(buffer, static_cast<std::size_t>(out - buffer));
      if (done != static_cast<std::size_t>(-1)) {
        if (inLeft == 0 && out == buffer) return output;
        continue;
      }
      if (error == E2BIG) continue;
      if (error != EILSEQ && error != EINVAL) return output;
      const std::size_t skip = std::min(inLeft, onFailure(output, std::string_view(in, inLeft)));
      in += skip;
      inLeft -= skip;
    }
  }

 private:
  iconv_t cd_;
};

// Used when iconv does not know the code page: only ASCII passes through; every other byte of
// `bytes`, or every other character of `utf8`, becomes the stand-in.
std::string AsciiBytesOnly(std::string_view bytes) {
  std::string result;
  for (const char c : bytes) {
    if (static_cast<unsigned char>(c) < 0x80) {
      result += c;
    } else {
      result += kReplacementUtf8;
    }
  }
  return result;
}

std::string AsciiCharactersOnly(std::string_view utf8) {
  std::string result;
  while (!utf8.empty()) {
    const std::size_t length = Utf8CharacterLength(utf8);
    result += static_cast<unsigned char>(utf8.front()) < 0x80 ? utf8.front() : '?';
    utf8.remove_prefix(length);
  }
  return result;
}

std::string LocaleCodeset() {
  // A private locale object reads the environment without changing the process's locale, which
  // other threads may be using.
  const locale_t locale = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr));
  if (locale == static_cast<locale_t>(nullptr)) return "ANSI_X3.4-1968";
  std::string codeset = nl_langinfo_l(CODESET, locale);
  freelocale(locale);
  return codeset;
}

// Every code page ever installed stays alive, so a reference handed out by SystemCodePage()
// remains valid after a later SetSystemCodePage().
std::mutex installedMutex;
std::deque<CodePage> installed;
std::atomic<const CodePage*> current{nullptr};

}  // namespace

CodePage CodePage::System() {
  static const std::string codeset = LocaleCodeset();
  return CodePage(codeset);
}

CodePage CodePage::Named(std::string name) { return CodePage(std::move(name)); }

std::string CodePage::ToUtf8(std::string_view bytes) const {
  Converter converter("UTF-8", name_);
  if (!converter.Valid()) return AsciiBytesOnly(bytes);
  return WellFormedUtf8(converter.Convert(bytes,
                                          [](std::string& output, std::string_view) {
                                            output += kReplacementUtf8;
                                            return std::size_t{1};
                                          }),
                        kReplacementUtf8);
}

std::optional<std::string> CodePage::ToUtf8Exactly(std::string_view bytes) const {
  Converter converter("UTF-8", name_);
  bool undecodable = !converter.Valid() && std::any_of(bytes.begin(), bytes.end(), [](char c) {
    return static_cast<unsigned char>(c) >= 0x80;
  });
  std::string text = converter.Valid()
                         ? converter.Convert(bytes,
                                             [&undecodable](std::string&, std::string_view) {
                                               undecodable = true;
                                               return std::size_t{1};
                                             })
                         : std::string(bytes);
  if (undecodable) return std::nullopt;
  return text;
}

std::string CodePage::FromUtf8(std::string_view utf8) const {
  Converter converter(name_, "UTF-8");
  if (!converter.Valid()) return AsciiCharactersOnly(utf8);
  return converter.Convert(WellFormedUtf8(utf8, "?"), [](std::string& output, std::string_view rest) {
    output += '?';
    return Utf8CharacterLength(rest);
  });
}

Utf8Character DecodeUtf8(std::string_view text) {
  if (text.empty()) return {};
  const auto lead = static_cast<unsigned char>(text.front());
  if (lead < 0x80) return {1, lead};
  std::size_t length = 0;
  char32_t code = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    code = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    code = lead & 0x07;
  } else {
    return {};
  }
  if (text.size() < length) return {};
  for (std::size_t i = 1; i < length; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if ((c & 0xC0) != 0x80) return {};
    code = (code << 6) | (c & 0x3F);
  }
  const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
  if (overlong || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return {};
  return {length, code};
}

bool IsWellFormedUtf8(std::string_view text) {
  // ASCII runs, the bulk of every document, are skipped a byte at a time without decoding.
  while (!text.empty()) {
    const std::size_t length =
        static_cast<unsigned char>(text.front()) < 0x80 ? 1 : WellFormedLength(text);
    if (length == 0) return false;
    text.remove_prefix(length);
  }
  return true;
}

const CodePage& SystemCodePage() {
  const CodePage* page = current.load();
  if (page != nullptr) return *page;
  std::lock_guard lock(installedMutex);
  if (current.load() == nullptr) current.store(&installed.emplace_back(CodePage::System()));
  return *current.load();
}

void SetSystemCodePage(CodePage codePage) {
  std::lock_guard lock(installedMutex);
  current.store(&installed.emplace_back(std::move(codePage)));
}

}  // namespace kelbrin::platform

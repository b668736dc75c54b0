// Any bytes through the code-page conversions of raw pages, portal forms and the saved log: no
// crash, what comes out as UTF-8 is valid UTF-8, and UTF-8 text the code page can hold survives
// the way there and back.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/files/CodePage.h"

namespace {

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    char32_t code = 0;
    if (lead < 0x80) {
      ++i;
      continue;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
      code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      code = lead & 0x07;
    } else {
      return false;
    }
    if (i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto c = static_cast<unsigned char>(text[i + k]);
      if ((c & 0xC0) != 0x80) return false;
      code = (code << 6) | (c & 0x3F);
    }
    if ((length == 3 && code < 0x800) || (length == 4 && code < 0x10000) ||
        (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) {
      return false;
    }
    i += length;
  }
  return true;
}

const char* const kCodePages[] = {"UTF-8", "GBK", "GB18030", "BIG5", "ISO-8859-1", "CP1252",
                                  "SHIFT_JIS"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const auto codePage = kelbrin::platform::CodePage::Named(
      kCodePages[input.ConsumeIntegralInRange<std::size_t>(0, std::size(kCodePages) - 1)]);
  const std::string bytes = input.ConsumeRemainingBytesAsString();

  const std::string utf8 = codePage.ToUtf8(bytes);
  if (!IsValidUtf8(utf8)) std::abort();
  const std::string back = codePage.FromUtf8(utf8);
  // The code page's own text, decoded and encoded again, is itself when nothing was lost on the
  // way in; GB18030 and UTF-8 can hold every character.
  if (utf8.find("\xEF\xBF\xBD") == std::string::npos && codePage.Name() != "CP1252" &&
      codePage.ToUtf8(back) != utf8) {
    std::abort();
  }
  if (codePage.Name() == "UTF-8" && IsValidUtf8(bytes) && utf8 != bytes) std::abort();
  if (codePage.Name() == "GB18030" && IsValidUtf8(bytes) &&
      bytes.find("\xEF\xBF\xBD") == std::string::npos &&
      codePage.ToUtf8(codePage.FromUtf8(bytes)) != bytes) {
    std::abort();
  }
  // Arbitrary bytes taken for UTF-8 never crash the way out either.
  (void)codePage.FromUtf8(bytes);
  return 0;
}

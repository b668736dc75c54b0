#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kelbrin::platform {

// The system code page: the 8-bit encoding in which raw web pages, portal forms and the saved
// event log meet the outside. It is the locale's (GBK under a GBK locale, UTF-8 on most systems);
// tests set it explicitly. Text inside the program is always UTF-8.
class CodePage {
 public:
  // The code page of the current locale (nl_langinfo(CODESET) after setlocale(LC_CTYPE, "")).
  static CodePage System();
  // A named code page as iconv knows it, e.g. "GBK" or "UTF-8".
  static CodePage Named(std::string name);

  const std::string& Name() const { return name_; }

  // Bytes in this code page -> UTF-8. Undecodable bytes become U+FFFD; never throws.
  std::string ToUtf8(std::string_view bytes) const;
  // The same, but nullopt when any byte does not decode (input a person typed, which must not
  // change on its way in).
  std::optional<std::string> ToUtf8Exactly(std::string_view bytes) const;
  // UTF-8 -> bytes in this code page. Characters the code page lacks become '?'; never throws.
  std::string FromUtf8(std::string_view utf8) const;

 private:
  explicit CodePage(std::string name) : name_(std::move(name)) {}
  std::string name_;
};

// The process-wide system code page; `setSystemCodePage` is for start-up and tests.
const CodePage& SystemCodePage();
void SetSystemCodePage(CodePage codePage);

}  // namespace kelbrin::platform

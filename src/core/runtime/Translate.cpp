#include "runtime/Translate.h"

#include <libintl.h>

#include <mutex>

namespace kelbrin::runtime {

namespace {

std::once_flag codesetBound;

// The core keeps UTF-8 whatever the locale's character set; bytes are converted where they
// leave the program.
void BindUtf8() {
  std::call_once(codesetBound, [] {
    bindtextdomain(kTextDomain, KELBRIN_LOCALE_DIR);
    bind_textdomain_codeset(kTextDomain, "UTF-8");
  });
}

}  // namespace

std::string Translate(std::string_view english) {
  // gettext("") answers the catalog's header, not a text; a text with a NUL byte (data from
  // outside) is no message id and must come back whole.
  std::string id(english);
  if (id.empty() || id.find('\0') != std::string::npos) return id;
  BindUtf8();
  const char* translated = dgettext(kTextDomain, id.c_str());
  if (translated == id.c_str()) return id;
  return translated;
}

std::string Translate(std::string_view english, std::initializer_list<std::string_view> values) {
  const std::string format = Translate(english);
  std::string text;
  text.reserve(format.size());
  for (std::size_t i = 0; i < format.size(); ++i) {
    const char next = i + 1 < format.size() ? format[i + 1] : '\0';
    const auto index = static_cast<std::size_t>(next - '1');
    if (format[i] == '%' && next >= '1' && next <= '9' && index < values.size()) {
      text += values.begin()[index];
      ++i;
    } else {
      text += format[i];
    }
  }
  return text;
}

void UseCatalogs(const std::filesystem::path& localeDir) {
  BindUtf8();
  bindtextdomain(kTextDomain, localeDir.c_str());
}

}  // namespace kelbrin::runtime

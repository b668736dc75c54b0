#include "app/entry/LocaleText.h"

#include "platform/files/CodePage.h"
#include "runtime/Translate.h"

namespace kelbrin::app {

std::string FromLocale(std::optional<std::string>& text, std::string_view what) {
  if (!text) return {};
  std::optional<std::string> utf8 = platform::SystemCodePage().ToUtf8Exactly(*text);
  if (!utf8) {
    return runtime::Translate("%1: not valid text in the locale's character set (%2)",
                              {what, platform::SystemCodePage().Name()});
  }
  *text = std::move(*utf8);
  return {};
}

}  // namespace kelbrin::app

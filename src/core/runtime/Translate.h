#pragma once

#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>

namespace kelbrin::runtime {

// The gettext text domain of the program's catalogs (po/).
inline constexpr const char* kTextDomain = "kelbrin-client";

// Marks an English text kept in a table for the catalog; it is translated where it is shown.
constexpr const char* Translatable(const char* english) { return english; }

// The text a person reads for `english`, in UTF-8: its translation in the catalog of the
// locale's messages language (LC_MESSAGES, LANGUAGE), or `english` itself when there is none.
// Call it where a text is shown or written, never where texts are compared or sent.
std::string Translate(std::string_view english);

// The same for a text that carries values: `english` holds %1, %2, … where the values go, and a
// translation may place them in another order. A value is inserted as it is, never read for
// placeholders itself.
std::string Translate(std::string_view english, std::initializer_list<std::string_view> values);

// Reads the catalogs from `localeDir` (LANG/LC_MESSAGES/kelbrin-client.mo) instead of the
// installed folder; for the build tree and the tests. Call before the first Translate.
void UseCatalogs(const std::filesystem::path& localeDir);

}  // namespace kelbrin::runtime

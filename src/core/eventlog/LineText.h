#pragma once

#include <string>
#include <string_view>

namespace kelbrin::eventlog {

// `text` made safe to write as (part of) one line: text from the service is data, and a line
// end or a terminal escape inside it must not forge further lines in the journal or a saved log.
// "\n", "\r" and "\t" become those two-character escapes; every other C0 control byte, DEL, every
// byte of a C1 control (U+0080..U+009F as UTF-8) or of a bidirectional control (U+061C, U+200E,
// U+200F, U+202A..U+202E, U+2066..U+2069: a terminal reorders the text after them) and every byte
// that is not part of valid UTF-8 become "\xHH" (hex, upper case). Everything else, UTF-8 included,
// is kept. Backslashes are kept as they are, so escaping an escaped text changes nothing.
std::string EscapeControls(std::string_view text);

}  // namespace kelbrin::eventlog

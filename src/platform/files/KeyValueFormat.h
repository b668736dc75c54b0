#pragma once

#include <map>
#include <string>

namespace kelbrin::platform {

using KeyValues = std::map<std::string, std::string>;

// The text form of the settings file: an INI file with one section, parsed with inih. inih trims
// values, cuts them at " ;" and splits lines longer than 200 bytes, so every value is quoted and
// escaped and long values are cut into pieces on continuation lines that repeat the name; any
// text round-trips exactly:
//
//   [Kelbrinclient]
//   NAME = "TEXT"
//   NAME = +"MORE TEXT"
//
// Indented continuation lines (`  +"MORE TEXT"`) are read as well.
// Inside the quotes "\\" is a backslash and "\xHH" the byte HH; control characters, DEL, ';' and
// '#' are always written as "\xHH", every other byte (UTF-8 included) as itself.
namespace key_value_format {

// Names are what the file can hold unescaped: 1 to 64 of A-Z, a-z, 0-9 and '_'.
bool IsValidName(const std::string& name);

std::string Encode(const KeyValues& values);

// The values of the file's section. Lines that do not parse are skipped, so damage costs only
// the damaged values; text that is not a settings file at all yields no values.
KeyValues Decode(const std::string& text);

}  // namespace key_value_format
}  // namespace kelbrin::platform

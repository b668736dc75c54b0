#pragma once

#include <string_view>

namespace kelbrin::protocol {

// What an XML 1.0 parser refuses and pugixml lets through, checked in one pass over the text
// (UTF-8) before it is parsed: a character outside XML's ranges, raw (a control character other
// than tab, LF and CR; U+FFFE, U+FFFF, a surrogate) or as a reference ("&#27;"), and a reference
// that is neither a character reference nor one of the five predefined entities ("&nbsp;", a
// bare "&"). Text in comments, CDATA sections, processing instructions and a DOCTYPE is not read
// for references, as an XML parser does not expand them there; no entity a DOCTYPE declares is
// ever expanded, so referring to one is refused.
bool HasOnlyXmlCharactersAndReferences(std::string_view text);

}  // namespace kelbrin::protocol

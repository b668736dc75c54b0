#pragma once

#include <string>

namespace kelbrin::lines {

enum class TLanguage { English = 0, Czech = 1, Portuguese = 2 };

// The code page a language's status texts are held in: "WINDOWS-1250" for Czech,
// "WINDOWS-1252" for Portuguese, "ASCII" for English.
const char* StatusTextCodePage(TLanguage language);

// The text of one dial notification: the dial-up error text when `error` is not 0 (in the
// locale's messages language, whatever `language`), else the state's text in `language`, in that
// language's code page; the empty text for a state without one. A value outside the three
// languages uses English.
std::string DialStatusText(int state, int error, TLanguage language);

}  // namespace kelbrin::lines

#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "eventlog/TLogRec.h"

namespace kelbrin::eventlog {

// "Tip", "Warning", "Error", and "Others " (one trailing blank) for every other kind.
std::string_view LogKindName(std::uint8_t kind);

// The "Date/Time" column: local time as "yy-mm-dd hh:mm:ss".
std::string FormatLogTime(std::chrono::system_clock::time_point time);

// One line of a saved log, without its line end: kind name, six blanks, date/time, six blanks,
// message, each part with surrounding blanks and control characters removed and the message's
// inner control characters escaped (LineText.h), so one entry is always one line. UTF-8.
std::string FormatLogLine(const TLogRec& entry);

// The name offered when the log is saved: "DOZOVad" and the local time as "yyyymmddhhmm".
std::string LogFileName(std::chrono::system_clock::time_point time);

}  // namespace kelbrin::eventlog

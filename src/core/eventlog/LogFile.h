#pragma once

#include <cstddef>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "eventlog/LogList.h"

namespace kelbrin::eventlog {

// Saving stopped at a failure (no rights, full disk, ...). What was written before stays in the
// file: `linesWritten` complete lines, possibly followed by the start of the next.
class LogSaveError : public std::runtime_error {
 public:
  LogSaveError(const std::string& message, std::size_t linesWritten)
      : std::runtime_error(message), linesWritten_(linesWritten) {}
  std::size_t LinesWritten() const { return linesWritten_; }

 private:
  std::size_t linesWritten_;
};

// Creates or truncates `path` and writes one line per entry, newest first, in the saved-log line
// format with CR LF, converted to the system code page, without a byte-order mark or header.
// Throws LogSaveError.
void SaveLogFile(const LogList& list, const std::filesystem::path& path);

}  // namespace kelbrin::eventlog

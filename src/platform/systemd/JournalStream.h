#pragma once

#include <optional>
#include <string>

namespace kelbrin::platform {

// Whether standard error is connected to the journal: systemd sets JOURNAL_STREAM to the
// "DEVICE:INODE" of the stream it hands the service, and only while that is still the stream
// behind file descriptor 2 may a line carry a "<N>" priority prefix.
bool StandardErrorIsJournal();

// The same test for descriptor `fd` and a given JOURNAL_STREAM value (none: false).
bool DescriptorIsJournal(int fd, const std::optional<std::string>& journalStream);

}  // namespace kelbrin::platform

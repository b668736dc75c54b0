#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string_view>

namespace kelbrin::platform {

// Creates `folder` and any missing parents; the folder itself gets `mode` (parents the usual
// 0755 less the umask). An existing folder is left as it is. Throws std::system_error.
void CreateFolder(const std::filesystem::path& folder, mode_t mode);

// Replaces `target` with `data` so that a reader or a crash sees either the old file or the whole
// new one: a temp file beside it ("NAME.tmp-XXXXXX", given `mode` before any byte is written) is
// written, fsynced and renamed over `target`, then the folder is fsynced. On a failure the temp
// file is removed and std::system_error (naming the file) is thrown; `target` is untouched.
void WriteFileAtomically(const std::filesystem::path& target, std::string_view data, mode_t mode);

// The prefix of the temp files WriteFileAtomically leaves behind only when the process dies
// during a write.
std::string TempFilePrefix(const std::filesystem::path& target);

}  // namespace kelbrin::platform

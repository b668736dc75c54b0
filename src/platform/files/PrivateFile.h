#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace kelbrin::platform {

// Writes `content` to a new file (mode 0600, name `prefix`-XXXXXX) in `folder`, a private runtime
// folder: made 0700 when missing, and used only while it is a folder of this user that nobody
// else may enter. For a secret handed to another program in a file it reads once. The file's
// path, or the empty path when the folder is not private or the file cannot be written.
std::filesystem::path WritePrivateFile(const std::filesystem::path& folder, std::string_view prefix,
                                       std::string_view content);

// A secret that can travel in such a file as one line: at most `limit` bytes, no control
// characters.
bool SecretFitsOneLine(std::string_view secret, std::size_t limit);

}  // namespace kelbrin::platform

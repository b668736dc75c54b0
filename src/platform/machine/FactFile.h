#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

namespace kelbrin::platform {

// The facts about the machine live in small text files (/etc, /proc, /sys, /run/udev). Every
// reader of them takes the folder that stands for "/" so tests can point it at a copied tree.
inline const std::filesystem::path kSystemRoot = "/";

// `relative` below `root`: "/proc/meminfo" and "proc/meminfo" name the same file.
std::filesystem::path UnderRoot(const std::filesystem::path& root,
                                const std::filesystem::path& relative);

// The file's text, at most `limit` bytes of it; nullopt when it cannot be opened.
std::optional<std::string> ReadFactFile(const std::filesystem::path& path,
                                        std::size_t limit = 1 << 20);

// `text` without leading and trailing blanks, tabs and line ends.

}  // namespace kelbrin::platform

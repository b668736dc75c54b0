#pragma once

#include <filesystem>
#include <map>
#include <string>

#include "platform/machine/FactFile.h"

namespace kelbrin::platform {

// The distribution's identification (os-release): /etc/os-release, else /usr/lib/os-release,
// below `root`. Values are unquoted and unescaped; an unreadable file gives no values.
std::map<std::string, std::string> ReadOsRelease(const std::filesystem::path& root = kSystemRoot);

}  // namespace kelbrin::platform

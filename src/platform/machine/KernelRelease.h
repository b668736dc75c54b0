#pragma once

#include <filesystem>
#include <string>

#include "platform/machine/FactFile.h"

namespace kelbrin::platform {

// The running kernel's release as uname reports it ("6.1.0-18-amd64"), read from
// /proc/sys/kernel/osrelease below `root`; empty when unreadable.
std::string ReadKernelRelease(const std::filesystem::path& root = kSystemRoot);

}  // namespace kelbrin::platform

#pragma once

#include <filesystem>

namespace kelbrin::platform {

// Makes `folder` ready to hold secrets: creates it with mode 0700 when it is missing (missing
// parents get the usual mode). An existing folder that every user may write to is refused, as
// anybody could replace the files in it: std::runtime_error says so and how to fix it.
// std::system_error when it cannot be created or looked at.
void PrepareSettingsFolder(const std::filesystem::path& folder);

}  // namespace kelbrin::platform
